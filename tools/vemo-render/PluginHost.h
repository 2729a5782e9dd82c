// Loads a VST 2.x instrument module and drives it the way studio hosts do:
// dlopen, VSTPluginMain (else main), effOpen, sample rate and block size,
// effMainsChanged 1 / effStartProcess around processing, and effClose on
// destruction. Answers the host opcodes plug-ins ask for, among them
// audioMasterGetTime with a VstTimeInfo taken from the song's tempo map.
//
// One PluginHost per loaded plug-in. Everything except processBlock runs on
// the thread that made the host; processBlock is the audio path and neither
// allocates nor takes locks.
#pragma once

#include "vst/aeffect.h"

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

class TempoMap;

class PluginError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PluginInfo {
    std::string path;
    std::string effectName;
    std::string productName;
    std::string vendor;
    int32_t vendorVersion = 0;
    int32_t vstVersion = 0;
    int32_t uniqueID = 0;
    int32_t version = 0;
    int32_t numInputs = 0;
    int32_t numOutputs = 0;
    int32_t numParams = 0;
    int32_t numPrograms = 0;
    int32_t flags = 0;
    int32_t category = 0;
    int32_t initialDelay = 0;
};

// Counts of what the plug-in asked of the host (for tests and diagnostics).
struct HostCallbackLog {
    int versionQueries = 0;
    int timeQueries = 0;
    int wantMidi = 0;
    int automate = 0;
    int updateDisplay = 0;
    int other = 0;
};

class PluginHost {
public:
    static constexpr int32_t kHostVersion = 2400;
    // Hard limits against a module that reports nonsense in its AEffect.
    static constexpr int32_t kMaxChannels = 64;
    static constexpr int32_t kMaxParams = 100000;
    static constexpr int32_t kMaxPrograms = 100000;

    // Loads, checks (magic, instrument, outputs, processReplacing) and opens
    // the plug-in at the given rate (Hz) and largest block (frames).
    // Throws PluginError naming the path and the problem.
    PluginHost(const std::string& path, double sampleRate, int maxBlock);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    const PluginInfo& info() const { return info_; }
    AEffect* effect() const { return effect_; }
    bool usesChunks() const { return (effect_->flags & effFlagsProgramChunks) != 0; }
    double sampleRate() const { return sampleRate_; }
    int maxBlock() const { return maxBlock_; }

    // Programs and parameters (user-interface side of the plug-in).
    int currentProgram();
    void setProgram(int index);
    std::string programName(int index); // by effGetProgramNameIndexed, else by switching
    std::string currentProgramName();
    void setCurrentProgramName(const std::string& name);
    std::string parameterName(int index);
    std::string parameterDisplay(int index); // value text and unit, "" when the plug-in gives none
    float getParameter(int index);
    void setParameter(int index, float value);

    // State chunks (index 1: the current program, 0: the bank). The returned
    // copy is ours; the plug-in keeps its own buffer.
    std::vector<uint8_t> getChunk(bool program);
    bool setChunk(std::span<const uint8_t> data, bool program);

    // effMainsChanged 1 then effStartProcess; and the reverse.
    void resume();
    void suspend();
    bool running() const { return running_; }

    // A new sample rate (Hz) or largest block (frames), given the way hosts
    // do between runs: suspended around the change when running. May
    // allocate: never call while processBlock runs.
    void setSampleRate(double sampleRate);
    void setMaxBlock(int maxBlock);

    // Musical time for audioMasterGetTime: the map (may be null: 120 BPM,
    // 4/4 from 0) and the song position of the next block, in frames.
    void setTimeline(const TempoMap* map) { tempoMap_ = map; }
    void setPosition(int64_t frame);

    // Audio path: passes the events (may be null) and renders frames
    // (1..maxBlock) into the plug-in's outputs, which outputs() then gives.
    void processBlock(VstEvents* events, int frames);
    float* const* outputs() const { return outputPointers_.data(); }
    int numOutputs() const { return info_.numOutputs; }

    const HostCallbackLog& callbackLog() const { return log_; }

    // Who answers the plug-in's audioMasterSizeWindow (width, height): true
    // when the window was resized. Unset, the host refuses.
    void setSizeWindowHandler(std::function<bool(int32_t, int32_t)> handler) { sizeWindow_ = std::move(handler); }

    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    std::string dispatchString(int32_t opcode, int32_t index = 0);
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    const VstTimeInfo* timeInfo();
    [[noreturn]] void fail(const std::string& what);
    void allocateBuffers();

    std::string path_;
    void* module_ = nullptr;
    AEffect* effect_ = nullptr;
    PluginInfo info_;
    double sampleRate_;
    int maxBlock_;
    bool running_ = false;

    std::vector<float> inputStore_;
    std::vector<float> outputStore_;
    std::vector<float*> inputPointers_;
    std::vector<float*> outputPointers_;

    const TempoMap* tempoMap_ = nullptr;
    int64_t position_ = 0;
    bool positionJumped_ = true;
    VstTimeInfo timeInfo_{};
    HostCallbackLog log_;
    std::function<bool(int32_t, int32_t)> sizeWindow_;
};

} // namespace vemo::render
