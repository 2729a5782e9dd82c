// Plays timed MIDI through a loaded plug-in block by block and hands the
// stereo result to a sink. Events reach the plug-in sample-accurately (each
// with its offset inside its block); the length is the last event plus a
// tail that ends once the output has stayed below a threshold long enough,
// or a fixed duration. Parameter automation is sent between blocks, which
// are split where a value is due (see Automation.h).
#pragma once

#include "tools/vemo-render/Automation.h"
#include "tools/vemo-render/MidiFile.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vemo::render {

class PluginHost;
class TempoMap;

// A channel message at an absolute song position in frames.
struct TimedMessage {
    int64_t frame = 0;
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;
};

// Song ticks to frames at the given rate (Hz), each message at the nearest
// frame; the order of the song is kept.
std::vector<TimedMessage> scheduleSong(const MidiSong& song, const TempoMap& map, double sampleRate);

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Two channels of frames samples each.
    virtual void write(const float* left, const float* right, int frames) = 0;
};

struct RenderOptions {
    int blockSize = 512;           // frames per processReplacing call
    double tailSeconds = 10.0;     // longest tail after the last event
    double durationSeconds = 0.0;  // > 0: render exactly this long, no tail detection
    float silenceLevel = 3.1622776e-5f; // -90 dBFS
    double silenceSeconds = 0.5;   // how long the output must stay below it
    bool measurePlugin = false;    // measure the plug-in's own CPU time (one clock read per call)
    float gain = 1.0f;             // linear factor on what is written (the tail's silence test hears
                                   // the plug-in itself, so the length does not depend on it)
    // Parameters ramped during the render. The render lasts at least until
    // the last point. A program change in the messages reloads the sound,
    // so the automated values are sent again on the frame after it.
    std::span<const ParameterAutomation> automation;
};

struct RenderResult {
    int64_t frames = 0;
    double pluginSeconds = 0.0;    // thread CPU time inside effProcessEvents + processReplacing
    float peak = 0.0f;             // largest magnitude written (after the gain)
    int64_t overFullScale = 0;     // samples above 1.0 (clipped in integer formats)
    int64_t nonFinite = 0;         // NaN or infinite samples, written as 0
    bool tailHitLimit = false;     // the output had not died away within tailSeconds
    int64_t lastEventFrame = 0;    // last MIDI event or automation point
    int64_t automationValues = 0;  // setParameter calls made for the automation
    bool stopped = false;          // the progress function asked to stop
};

// Called after every block; done and expected are in frames (expected grows
// while the tail runs). Returning false stops the render there.
using ProgressFn = std::function<bool(int64_t done, int64_t expected)>;

// Drives host from resume to suspend. messages must be in frame order.
RenderResult renderSong(PluginHost& host, std::span<const TimedMessage> messages, const TempoMap* map,
                        const RenderOptions& options, AudioSink& sink, const ProgressFn& progress = {});

} // namespace vemo::render
