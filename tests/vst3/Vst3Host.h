// The VST 3 host of the tests: loads a bundle's module as VST 3 hosts do
// (dlopen or LoadLibrary, the load hook, GetPluginFactory), creates the one
// class and drives it only through its interfaces: the component, the audio
// processor, the edit controller with MIDI mapping and unit information.
// Its component handler counts what the plug-in asks of the host (edits,
// restarts, dirty marks) and every such call from a thread other than the
// one that made the host (a call on the wrong thread, reported).
//
// No test framework: tests/windows builds it into vemo-hostcheck too.
#pragma once

#include "support/HostModule.h"
#include "vst3/Vst3Abi.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#ifndef VEMO_VST3_PATH
#define VEMO_VST3_PATH ""
#endif

namespace vemotest {

// One parameter point for process: normalised value at a frame.
struct Vst3Change {
    vst3::ParamID id;
    int32_t offset;
    double value;
};

vst3::Event vst3NoteOn(int32_t offset, int16_t pitch, float velocity, int16_t channel = 0);
vst3::Event vst3NoteOff(int32_t offset, int16_t pitch, float velocity = 0.0f, int16_t channel = 0);

// What the plug-in told the host through the component handler.
struct Vst3Edit {
    char kind; // 'b' begin, 'p' perform, 'e' end
    vst3::ParamID id;
    double value;
};

class Vst3Host {
public:
    explicit Vst3Host(const std::string& modulePath = VEMO_VST3_PATH);
    ~Vst3Host();
    Vst3Host(const Vst3Host&) = delete;
    Vst3Host& operator=(const Vst3Host&) = delete;

    vst3::IPluginFactory* factory = nullptr;
    vst3::IComponent* component = nullptr;
    vst3::IAudioProcessor* processor = nullptr;
    vst3::IEditController* controller = nullptr;
    vst3::IMidiMapping* midiMapping = nullptr;
    vst3::IUnitInfo* units = nullptr;
    std::string loadError;

    // Stereo out, the rate and block size, active and processing.
    bool activate(double rate, int32_t maxFrames);
    // One block into left and right (either may be null: a block without
    // audio buffers); the plug-in's output parameter changes are kept in
    // `output` (cleared first).
    vst3::tresult process(float* left, float* right, int32_t frames, const std::vector<vst3::Event>& events = {},
                          const std::vector<Vst3Change>& changes = {});
    std::vector<Vst3Change> output;

    // The parameter the plug-in maps a MIDI controller (0..127, or 128
    // aftertouch, 129 pitch bend, 130 program change) to; UINT32_MAX for none.
    vst3::ParamID mapped(int16_t controller, int16_t channel = 0);

    std::string text(vst3::ParamID id, double normalized);
    // False when the plug-in takes no value from `text`.
    bool valueOf(vst3::ParamID id, const std::string& text, double& normalized);
    std::string programName(int32_t index);

    // The component's state, and setting it (component, then controller) in
    // reads of at most `piece` bytes.
    std::vector<uint8_t> save();
    bool load(const std::vector<uint8_t>& bytes, int32_t piece = INT32_MAX);

    // What the plug-in asked of the host.
    std::vector<Vst3Edit> edits;
    std::atomic<int> restarts{0}, lastRestartFlags{0}, dirtyMarks{0}, wrongThreadCalls{0};
    std::thread::id mainThread = std::this_thread::get_id();
    void onMain();

    // The handler given to the plug-in (for the editor tests' frames).
    vst3::IComponentHandler* handler();

private:
    HostModule module;
    bool processing = false;
    struct Handler;
    Handler* componentHandler = nullptr;
};

} // namespace vemotest
