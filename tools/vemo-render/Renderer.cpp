#include "tools/vemo-render/Renderer.h"

#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/TempoMap.h"

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstring>

namespace vemo::render {

std::vector<TimedMessage> scheduleSong(const MidiSong& song, const TempoMap& map, double sampleRate)
{
    std::vector<TimedMessage> out;
    out.reserve(song.messages.size());
    for (const MidiMessage& m : song.messages) {
        TimedMessage t;
        t.frame = int64_t(std::llround(map.secondsAtTick(m.tick) * sampleRate));
        std::memcpy(t.bytes, m.bytes, 3);
        t.size = m.size;
        out.push_back(t);
    }
    return out;
}

namespace {

// The VstEvents list handed to the plug-in, sized once for the busiest block.
class EventList {
public:
    explicit EventList(size_t capacity)
        : events_(capacity), header_(sizeof(VstEvents) + capacity * sizeof(VstEvent*))
    {
    }

    VstEvents* fill(std::span<const TimedMessage> messages, int64_t blockStart)
    {
        auto* list = reinterpret_cast<VstEvents*>(header_.data());
        list->numEvents = int32_t(messages.size());
        list->reserved = 0;
        for (size_t i = 0; i < messages.size(); ++i) {
            VstMidiEvent& e = events_[i];
            e = VstMidiEvent{};
            e.type = kVstMidiType;
            e.byteSize = int32_t(sizeof(VstMidiEvent));
            e.deltaFrames = int32_t(messages[i].frame - blockStart);
            e.flags = 1; // kVstMidiEventIsRealtime: played, not from a sequencer track in a host UI
            std::memcpy(e.midiData, messages[i].bytes, 3);
            list->events[i] = reinterpret_cast<VstEvent*>(&e);
        }
        return list;
    }

private:
    std::vector<VstMidiEvent> events_;
    std::vector<std::max_align_t> header_; // VstEvents with its open-ended pointer array
};

// CPU time of the calling thread: what the plug-in costs, whatever else the
// machine is doing.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Most messages within any stretch of blockSize frames: automation splits
// blocks anywhere, so a block need not start on a multiple of blockSize.
size_t busiestBlock(std::span<const TimedMessage> messages, int blockSize)
{
    size_t most = 0;
    size_t first = 0;
    for (size_t last = 0; last < messages.size(); ++last) {
        while (messages[last].frame - messages[first].frame >= blockSize)
            ++first;
        most = std::max(most, last - first + 1);
    }
    return most;
}

// Sends the automated values due at `position`: on a ramp every step, and
// all of them again after a program change reloaded the sound.
class AutomationPlayer {
public:
    AutomationPlayer(std::span<const ParameterAutomation> automation, std::span<const TimedMessage> messages)
        : automation_(automation), sent_(automation.size(), NAN)
    {
        if (automation.empty())
            return;
        for (const TimedMessage& m : messages)
            if ((m.bytes[0] & 0xF0) == 0xC0)
                reloads_.push_back(std::max<int64_t>(0, m.frame) + 1);
    }

    bool empty() const { return automation_.empty(); }

    int64_t lastPoint() const
    {
        int64_t last = 0;
        for (const ParameterAutomation& a : automation_)
            if (!a.points.empty())
                last = std::max(last, a.points.back().frame);
        return last;
    }

    // The first frame after position at which something is due, or -1.
    int64_t nextDue(int64_t position) const
    {
        int64_t due = -1;
        auto earlier = [&](int64_t f) {
            if (f > position && (due < 0 || f < due))
                due = f;
        };
        for (const ParameterAutomation& a : automation_)
            if (!a.points.empty())
                earlier(a.nextChange(position));
        auto reload = std::upper_bound(reloads_.begin(), reloads_.end(), position);
        if (reload != reloads_.end())
            earlier(*reload);
        return due;
    }

    int64_t send(PluginHost& host, int64_t position)
    {
        // A program change in the frames just played has reloaded every value.
        bool reloaded = false;
        while (nextReload_ < reloads_.size() && reloads_[nextReload_] <= position) {
            reloaded = true;
            ++nextReload_;
        }
        int64_t calls = 0;
        for (size_t i = 0; i < automation_.size(); ++i) {
            const ParameterAutomation& a = automation_[i];
            if (a.points.empty() || position < a.points.front().frame)
                continue;
            float value = a.valueAt(position);
            if (!reloaded && value == sent_[i])
                continue;
            host.setParameter(a.index, value);
            sent_[i] = value;
            ++calls;
        }
        return calls;
    }

private:
    std::span<const ParameterAutomation> automation_;
    std::vector<float> sent_;
    std::vector<int64_t> reloads_; // frames right after program changes
    size_t nextReload_ = 0;
};

} // namespace

RenderResult renderSong(PluginHost& host, std::span<const TimedMessage> messages, const TempoMap* map,
                        const RenderOptions& options, AudioSink& sink, const ProgressFn& progress)
{
    const double rate = host.sampleRate();
    const int blockSize = std::clamp(options.blockSize, 1, host.maxBlock());
    RenderResult result;
    AutomationPlayer automation(options.automation, messages);
    result.lastEventFrame = messages.empty() ? 0 : std::max<int64_t>(0, messages.back().frame);
    result.lastEventFrame = std::max(result.lastEventFrame, automation.lastPoint());

    const bool fixed = options.durationSeconds > 0.0;
    const int64_t fixedEnd = int64_t(std::llround(options.durationSeconds * rate));
    const int64_t tailEnd = result.lastEventFrame + int64_t(std::llround(options.tailSeconds * rate));
    const int64_t quietNeeded = std::max<int64_t>(1, int64_t(std::llround(options.silenceSeconds * rate)));
    const float gain = options.gain;
    int64_t quietRun = 0;

    EventList events(std::max<size_t>(1, busiestBlock(messages, blockSize)));
    size_t next = 0;
    // Events before the song start (negative frames cannot happen from a
    // file, but a caller may pass them) go out with the first block.
    int64_t position = 0;

    host.setTimeline(map);
    host.resume();
    for (;;) {
        int64_t limit = fixed ? fixedEnd : std::max(tailEnd, result.lastEventFrame + 1);
        if (!automation.empty()) {
            int64_t due = automation.nextDue(position);
            if (due > position)
                limit = std::min(limit, due);
        }
        int frames = int(std::min<int64_t>(blockSize, limit - position));
        if (frames <= 0) {
            result.tailHitLimit = !fixed;
            break;
        }
        size_t first = next;
        while (next < messages.size() && messages[next].frame < position + frames)
            ++next;
        VstEvents* list = nullptr;
        if (next > first) {
            list = events.fill(messages.subspan(first, next - first), position);
            for (int i = 0; i < list->numEvents; ++i)
                if (list->events[i]->deltaFrames < 0)
                    list->events[i]->deltaFrames = 0;
        }

        host.setPosition(position);
        if (!automation.empty())
            result.automationValues += automation.send(host, position);
        if (options.measurePlugin) {
            double start = threadCpuSeconds();
            host.processBlock(list, frames);
            result.pluginSeconds += threadCpuSeconds() - start;
        } else {
            host.processBlock(list, frames);
        }

        float* left = host.outputs()[0];
        float* right = host.numOutputs() > 1 ? host.outputs()[1] : left;
        const bool mono = right == left;
        int keep = frames;
        for (int i = 0; i < frames; ++i) {
            float heard[2] = {0.0f, 0.0f}; // what the plug-in gave, before the gain
            for (int c = 0; c < 2; ++c) {
                float* channel = c == 0 ? left : right;
                if (c == 1 && mono) {
                    // One output written to both sides: counted twice, scaled once.
                    heard[1] = heard[0];
                    float a = std::fabs(channel[i]);
                    result.peak = std::max(result.peak, a);
                    if (a > 1.0f)
                        ++result.overFullScale;
                    break;
                }
                float v = channel[i];
                if (!std::isfinite(v)) {
                    v = 0.0f;
                    ++result.nonFinite;
                }
                heard[c] = v;
                if (gain != 1.0f)
                    v *= gain;
                channel[i] = v;
                float a = std::fabs(v);
                result.peak = std::max(result.peak, a);
                if (a > 1.0f)
                    ++result.overFullScale;
            }
            if (!fixed && position + i >= result.lastEventFrame) {
                bool quiet = std::fabs(heard[0]) < options.silenceLevel &&
                             std::fabs(heard[1]) < options.silenceLevel;
                quietRun = quiet ? quietRun + 1 : 0;
                if (quietRun >= quietNeeded) {
                    keep = i + 1;
                    break;
                }
            }
        }
        sink.write(left, right, keep);
        position += keep;
        if (progress && !progress(position, fixed ? fixedEnd : std::max(position, result.lastEventFrame))) {
            result.stopped = true;
            break;
        }
        if (keep < frames || (!fixed && quietRun >= quietNeeded))
            break;
    }
    host.suspend();
    host.setTimeline(nullptr);
    result.frames = position;
    return result;
}

} // namespace vemo::render
