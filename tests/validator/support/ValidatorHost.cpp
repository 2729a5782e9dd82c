#include "support/ValidatorHost.h"

#include "voice/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

namespace validator {

// -------------------------------------------------------------- parameters

Form parameterForm(int32_t index)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info == nullptr)
        return Form::Continuous;
    switch (info->kind) {
    case ParameterKind::Switch:
        return Form::Switch;
    case ParameterKind::Menu:
        return index == kParamLfoWaveform ? Form::WaveMenu : Form::ClockMenu;
    case ParameterKind::Stepped:
        return Form::Transpose;
    case ParameterKind::Continuous:
        break;
    }
    return Form::Continuous;
}

float randomValue(int32_t index, std::mt19937& rng)
{
    switch (parameterForm(index)) {
    case Form::Switch:
        return float(rng() & 1u);
    case Form::WaveMenu:
    case Form::ClockMenu:
        return float(rng() % uint32_t(kParameterTable[index].textCount));
    case Form::Transpose: {
        static const float steps[] = {0.0f, 1.0f / 3.0f, 0.5f, 2.0f / 3.0f, 1.0f};
        return steps[rng() % 5u];
    }
    case Form::Continuous:
        break;
    }
    // Both ends of the range occur often in real automation: give them weight.
    const uint32_t pick = rng() % 16u;
    if (pick == 0)
        return 0.0f;
    if (pick == 1)
        return 1.0f;
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

// ------------------------------------------------------------------ output

void OutputCheck::add(const float* samples, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const float x = samples[i];
        switch (std::fpclassify(x)) {
        case FP_NAN:
            ++nans;
            break;
        case FP_INFINITE:
            ++infinities;
            break;
        case FP_SUBNORMAL:
            ++subnormals;
            break;
        default:
            peak = std::max(peak, double(std::fabs(x)));
        }
    }
    frames += count;
}

void OutputCheck::merge(const OutputCheck& other)
{
    frames += other.frames;
    nans += other.nans;
    infinities += other.infinities;
    subnormals += other.subnormals;
    peak = std::max(peak, other.peak);
}

std::string OutputCheck::describe() const
{
    std::ostringstream s;
    s << frames << " samples: " << nans << " NaN, " << infinities << " infinite, " << subnormals
      << " subnormal, peak " << peak;
    return s.str();
}

Rendered render(Host& host, int32_t frames, int32_t blockSize, std::vector<VstMidiEvent> events)
{
    Rendered out;
    out.left.assign(size_t(frames), 0.0f);
    out.right.assign(size_t(frames), 0.0f);
    std::stable_sort(events.begin(), events.end(), [](const VstMidiEvent& a, const VstMidiEvent& b) {
        return a.deltaFrames < b.deltaFrames;
    });
    EventList list(int(events.size()) + 1);
    size_t next = 0;
    for (int32_t start = 0; start < frames; start += blockSize) {
        const int32_t n = std::min(blockSize, frames - start);
        list.clear();
        while (next < events.size() && events[next].deltaFrames < start + n) {
            VstMidiEvent e = events[next++];
            e.deltaFrames -= start;
            list.add(e);
        }
        host.processEvents(list);
        host.process(out.left.data() + start, out.right.data() + start, n);
    }
    out.check.add(out.left.data(), frames);
    out.check.add(out.right.data(), frames);
    return out;
}

// --------------------------------------------------------------- performer

VstMidiEvent RandomPerformer::randomEvent(int32_t offset)
{
    const int channel = int(rng() % 16u);
    const uint32_t kind = rng() % 100u;
    if (kind < 45) {
        // Note on, sometimes with velocity 0 (a note-off by convention), or
        // off for a held note.
        const int note = int(rng() % 128u);
        if (held[size_t(note)] && (rng() & 1u)) {
            held[size_t(note)] = false;
            return midiEvent(offset, 0x80 | channel, note, int(rng() % 128u));
        }
        const int velocity = (rng() % 20u == 0) ? 0 : 1 + int(rng() % 127u);
        held[size_t(note)] = velocity > 0;
        if (velocity > 0)
            ++noteOns;
        return midiEvent(offset, 0x90 | channel, note, velocity);
    }
    if (kind < 70) {
        // Release something held (or anything).
        int note = int(rng() % 128u);
        for (int tries = 0; tries < 8 && !held[size_t(note)]; ++tries)
            note = int(rng() % 128u);
        held[size_t(note)] = false;
        return midiEvent(offset, 0x80 | channel, note, 64);
    }
    if (kind < 82)
        return midiEvent(offset, 0xE0 | channel, int(rng() % 128u), int(rng() % 128u));
    if (kind < 97) {
        int controller = int(rng() % (mix.allControllers ? 128u : 120u));
        if (!mix.learn && (controller == 37 || controller == 46))
            controller = 1;
        return midiEvent(offset, 0xB0 | channel, controller, int(rng() % 128u));
    }
    if (kind < 99 && mix.programChanges)
        return midiEvent(offset, 0xC0 | channel, int(rng() % 128u), 0);
    // Messages the instrument ignores: pressure and poly pressure.
    return midiEvent(offset, (rng() & 1u ? 0xD0 : 0xA0) | channel, int(rng() % 128u),
                     int(rng() % 128u));
}

void RandomPerformer::fill(EventList& list, int32_t frames)
{
    list.clear();
    const double lambda = std::clamp(double(frames) * mix.eventsPerBlock / 512.0, 0.05, 24.0);
    const int n = std::min(std::poisson_distribution<int>(lambda)(rng), 64);
    std::array<int32_t, 64> offsets{};
    for (int i = 0; i < n; ++i)
        offsets[size_t(i)] = int32_t(rng() % uint32_t(frames));
    std::sort(offsets.begin(), offsets.begin() + n);
    for (int i = 0; i < n; ++i)
        list.add(randomEvent(offsets[size_t(i)]));
}

void RandomPerformer::automate(Host& host, int count)
{
    for (int i = 0; i < count; ++i) {
        int32_t target = int32_t(rng() % uint32_t(kNumParameters));
        while (!mix.automateEverything && parameterForm(target) != Form::Continuous)
            target = int32_t(rng() % uint32_t(kNumParameters));
        // The learn switches stay off unless learning is part of the mix:
        // with them on, every controller rebinds.
        if (!mix.learn && (target == kParamLearnAll || target == kParamLearnProgram))
            target = kParamCutoff;
        host.setParameter(target, randomValue(target, rng));
    }
}

} // namespace validator
