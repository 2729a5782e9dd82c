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

size_t busiestBlock(std::span<const TimedMessage> messages, int blockSize)
{
    size_t most = 0;
    size_t run = 0;
    int64_t block = -1;
    for (const TimedMessage& m : messages) {
        int64_t b = m.frame / blockSize;
        run = b == block ? run + 1 : 1;
        block = b;
        most = std::max(most, run);
    }
    return most;
}

} // namespace

RenderResult renderSong(PluginHost& host, std::span<const TimedMessage> messages, const TempoMap* map,
                        const RenderOptions& options, AudioSink& sink, const ProgressFn& progress)
{
    const double rate = host.sampleRate();
    const int blockSize = std::clamp(options.blockSize, 1, host.maxBlock());
    RenderResult result;
    result.lastEventFrame = messages.empty() ? 0 : std::max<int64_t>(0, messages.back().frame);

    const bool fixed = options.durationSeconds > 0.0;
    const int64_t fixedEnd = int64_t(std::llround(options.durationSeconds * rate));
    const int64_t tailEnd = result.lastEventFrame + int64_t(std::llround(options.tailSeconds * rate));
    const int64_t quietNeeded = std::max<int64_t>(1, int64_t(std::llround(options.silenceSeconds * rate)));
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
        if (options.measurePlugin) {
            double start = threadCpuSeconds();
            host.processBlock(list, frames);
            result.pluginSeconds += threadCpuSeconds() - start;
        } else {
            host.processBlock(list, frames);
        }

        float* left = host.outputs()[0];
        float* right = host.numOutputs() > 1 ? host.outputs()[1] : left;
        int keep = frames;
        for (int i = 0; i < frames; ++i) {
            for (float* channel : {left, right}) {
                float v = channel[i];
                if (!std::isfinite(v)) {
                    channel[i] = v = 0.0f;
                    ++result.nonFinite;
                }
                float a = std::fabs(v);
                result.peak = std::max(result.peak, a);
                if (a > 1.0f)
                    ++result.overFullScale;
            }
            if (!fixed && position + i >= result.lastEventFrame) {
                bool quiet = std::fabs(left[i]) < options.silenceLevel &&
                             std::fabs(right[i]) < options.silenceLevel;
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
