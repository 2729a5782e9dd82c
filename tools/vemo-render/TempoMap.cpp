#include "tools/vemo-render/TempoMap.h"

#include <algorithm>
#include <cmath>

namespace vemo::render {

TempoMap::TempoMap(const MidiSong& song, double defaultBpm)
    : ticksPerQuarter_(song.ticksPerQuarter > 0 ? song.ticksPerQuarter : 1),
      smpte_(song.ticksPerQuarter <= 0),
      defaultBpm_(defaultBpm)
{
    if (smpte_) {
        smpteSecondsPerTick_ = 1.0 / song.smpteTicksPerSecond;
        segments_.push_back({0, 0.0, 0.0, smpteSecondsPerTick_, defaultBpm});
    } else {
        segments_.push_back({0, 0.0, 0.0, 60.0 / (defaultBpm * ticksPerQuarter_), defaultBpm});
        for (const TempoChange& change : song.tempos) {
            const Segment& last = segments_.back();
            double seconds = last.seconds + double(change.tick - last.tick) * last.secondsPerTick;
            double quarters = double(change.tick) / ticksPerQuarter_;
            double perTick = change.microsPerQuarter * 1e-6 / ticksPerQuarter_;
            double bpm = 60e6 / change.microsPerQuarter;
            if (change.tick == last.tick)
                segments_.back() = {change.tick, last.seconds, quarters, perTick, bpm};
            else
                segments_.push_back({change.tick, seconds, quarters, perTick, bpm});
        }
    }
    meters_.push_back({0.0, 4, 4});
    for (const TimeSignature& sig : song.timeSignatures) {
        double quarters = smpte_ ? secondsAtTick(sig.tick) * defaultBpm / 60.0
                                 : double(sig.tick) / ticksPerQuarter_;
        if (quarters <= meters_.back().quarters)
            meters_.back() = {meters_.back().quarters, sig.numerator, sig.denominator};
        else
            meters_.push_back({quarters, sig.numerator, sig.denominator});
    }
}

double TempoMap::secondsAtTick(uint64_t tick) const
{
    auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                               [](uint64_t t, const Segment& s) { return t < s.tick; });
    const Segment& s = *(it - 1);
    return s.seconds + double(tick - s.tick) * s.secondsPerTick;
}

TempoMap::Position TempoMap::positionAtSeconds(double seconds) const
{
    Position p{};
    if (smpte_) {
        p.quarters = seconds * defaultBpm_ / 60.0;
        p.bpm = defaultBpm_;
    } else {
        auto it = std::upper_bound(segments_.begin(), segments_.end(), seconds,
                                   [](double t, const Segment& s) { return t < s.seconds; });
        const Segment& s = it == segments_.begin() ? segments_.front() : *(it - 1);
        double ticks = (seconds - s.seconds) / s.secondsPerTick;
        p.quarters = s.quarters + ticks / ticksPerQuarter_;
        p.bpm = s.bpm;
    }
    auto m = std::upper_bound(meters_.begin(), meters_.end(), p.quarters,
                              [](double q, const Meter& meter) { return q < meter.quarters; });
    const Meter& meter = m == meters_.begin() ? meters_.front() : *(m - 1);
    double barLength = meter.numerator * 4.0 / meter.denominator;
    double bars = std::floor((p.quarters - meter.quarters) / barLength + 1e-9);
    p.barStart = meter.quarters + std::max(0.0, bars) * barLength;
    p.numerator = meter.numerator;
    p.denominator = meter.denominator;
    return p;
}

double TempoMap::secondsAtQuarters(double quarters) const
{
    if (smpte_)
        return quarters * 60.0 / defaultBpm_;
    auto it = std::upper_bound(segments_.begin(), segments_.end(), quarters,
                               [](double q, const Segment& s) { return q < s.quarters; });
    const Segment& s = it == segments_.begin() ? segments_.front() : *(it - 1);
    return s.seconds + (quarters - s.quarters) * ticksPerQuarter_ * s.secondsPerTick;
}

TempoMap::Bar TempoMap::bar(int64_t number) const
{
    int64_t first = 1; // number of the first bar of the current meter
    for (size_t i = 0; i < meters_.size(); ++i) {
        const Meter& m = meters_[i];
        double length = m.numerator * 4.0 / m.denominator;
        if (i + 1 < meters_.size()) {
            auto bars = int64_t(std::ceil((meters_[i + 1].quarters - m.quarters) / length - 1e-9));
            if (number >= first + bars) {
                first += bars;
                continue;
            }
        }
        return {m.quarters + double(std::max<int64_t>(0, number - first)) * length, m.numerator, m.denominator};
    }
    return {0.0, 4, 4}; // not reached: the last meter runs on for ever
}

} // namespace vemo::render
