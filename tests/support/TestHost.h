// A minimal VST 2.x host for tests: loads the built module with dlopen the
// way studio hosts do, calls VSTPluginMain with a callback that records every
// host call, and drives the plug-in only through its AEffect record.
#pragma once

#include "vst/aeffect.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vemotest {

struct HostCall {
    bool nullEffect; // the call passed no effect (only the version query may)
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
};

class TestHost {
public:
    // Loads the module and creates the plug-in. `versionAnswer` is what the
    // callback answers to audioMasterVersion (0 makes the plug-in refuse).
    explicit TestHost(const std::string& modulePath = VEMO_MODULE_PATH, intptr_t versionAnswer = 2400);
    ~TestHost(); // sends effClose if the plug-in is still open, then unloads
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    AEffect* effect = nullptr;
    void* module = nullptr;
    std::string loadError;

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    // processReplacing into two channels of `frames` samples each.
    void process(float* left, float* right, int32_t frames);
    // effProcessEvents with MIDI events (offsets in their deltaFrames).
    intptr_t sendMidi(const std::vector<VstMidiEvent>& events);
    // effClose: the plug-in object is gone afterwards.
    intptr_t close();

    // Renders `frames` frames in blocks of `blockSize`, sending the events at
    // their absolute frame positions (event.deltaFrames = absolute frame).
    void render(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                int32_t blockSize, std::vector<VstMidiEvent> events = {});

    static VstMidiEvent midi(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2);
    static VstMidiEvent noteOn(int32_t offset, int note, int velocity = 100, int channel = 0);
    static VstMidiEvent noteOff(int32_t offset, int note, int channel = 0);

    // What the plug-in asked of the host.
    std::vector<HostCall> calls() const;
    int countCalls(int32_t opcode) const;
    void clearCalls();

    // Answers given by the callback.
    intptr_t versionAnswer;
    bool answerTime = true;
    VstTimeInfo timeInfo{};
    float hostSampleRate = 44100.0f;
    int32_t hostBlockSize = 512;

private:
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
    intptr_t answer(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                    float opt);

    mutable std::mutex callsMutex;
    std::vector<HostCall> recorded;
};

// Loads a module's entry point (VSTPluginMain, else main); null on failure.
VstPluginMainProc findEntryPoint(void* module);

} // namespace vemotest
