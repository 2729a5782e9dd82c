// The one VST 2.x host of the tests, the validator battery, the fuzzers and
// the Windows host check: it loads the module as studio hosts do (dlopen or
// LoadLibrary, VSTPluginMain, else main) or takes an entry function of a
// plug-in linked in, and drives the plug-in only through its AEffect record.
//
// Its callback answers what plug-ins ask (version, time, rate, block size,
// MIDI) and counts every call per opcode with atomics, so it may be called
// from any thread, the audio thread included, without a lock or an
// allocation. With logCalls set (the default) it also keeps a log of the
// calls, under a mutex: for tests that look at the order of calls, not for
// an audio path under an allocation guard.
#pragma once

#include "support/HostModule.h"
#include "vst/aeffect.h"

#include <array>
#include <atomic>
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

VstMidiEvent midiEvent(int32_t offset, int status, int data1, int data2);

// A fixed-capacity VstEvents list: storage is reserved once, so filling it
// and handing it to the plug-in never allocates.
class EventList {
public:
    explicit EventList(int capacity = 1024);
    void clear() { count = 0; }
    // False (and the event is dropped) when the list is full.
    bool add(const VstMidiEvent& event);
    int size() const { return count; }
    const VstMidiEvent& operator[](int i) const { return storage[size_t(i)]; }
    // The list as the host passes it to effProcessEvents.
    VstEvents* get();

private:
    std::vector<VstMidiEvent> storage;
    std::vector<unsigned char> header;
    int count = 0;
};

class TestHost {
public:
    // Loads the module and creates the plug-in. `versionAnswer` is what the
    // callback answers to audioMasterVersion (0 makes the plug-in refuse).
#ifdef VEMO_MODULE_PATH
    explicit TestHost(const std::string& modulePath = VEMO_MODULE_PATH, intptr_t versionAnswer = 2400);
#else
    explicit TestHost(const std::string& modulePath, intptr_t versionAnswer = 2400);
#endif
    // Creates the plug-in through an entry function: one of a module loaded
    // elsewhere, or of a plug-in linked into the program.
    explicit TestHost(VstPluginMainProc entry, intptr_t versionAnswer = 2400);
    ~TestHost(); // effClose if the plug-in is still open, then unloads
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    AEffect* effect = nullptr;
    HostModule module;       // empty when made from an entry function
    std::string loadError;   // why there is no effect

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    // processReplacing into two channels of `frames` samples each.
    void process(float* left, float* right, int32_t frames);
    intptr_t processEvents(EventList& events);
    // effProcessEvents with these events (offsets in their deltaFrames).
    intptr_t sendMidi(const std::vector<VstMidiEvent>& events);
    // What studio hosts do after loading: effOpen, effGetVstVersion,
    // effSetSampleRate, effSetBlockSize, effMainsChanged 1.
    void start(float sampleRate, int32_t blockSize);
    // Mains off, new rate and block size, mains on: the host rule for a
    // rate change.
    void changeRate(float sampleRate, int32_t blockSize);
    // effClose: the plug-in object is gone afterwards.
    intptr_t close();

    // Renders `frames` frames in blocks of `blockSize`, sending each event in
    // the block that holds its absolute frame (event.deltaFrames = absolute
    // frame), an empty list with the blocks that have none.
    void render(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                int32_t blockSize, std::vector<VstMidiEvent> events = {});
    // The same with block sizes taken in turn from `blocks`; with
    // sendEmptyLists false, blocks without events get no effProcessEvents.
    void renderBlocks(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                      const std::vector<int32_t>& blocks, std::vector<VstMidiEvent> events,
                      bool sendEmptyLists);

    static VstMidiEvent midi(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2);
    static VstMidiEvent noteOn(int32_t offset, int note, int velocity = 100, int channel = 0);
    static VstMidiEvent noteOff(int32_t offset, int note, int channel = 0);

    // What the plug-in asked of the host: the log (with logCalls), counts per
    // opcode (opcodes outside 0..126 counted together under 127), all calls,
    // and calls that passed a null effect (allowed only for the entry
    // point's version query) or another effect than ours.
    std::vector<HostCall> calls() const;
    int64_t countCalls(int32_t opcode) const;
    int64_t totalCalls() const;
    int64_t foreignCalls() const { return foreign.load(std::memory_order_relaxed); }
    void clearCalls();

    // Set before the plug-in is made (from an entry function) or any time:
    // whether to log calls, and which opcodes the log leaves out.
    std::atomic<bool> logCalls{true};
    bool (*leaveOutOfLog)(int32_t opcode) = nullptr;

    // Answers given by the callback. Set them before the audio thread runs.
    intptr_t versionAnswer;
    bool answerTime = true;
    VstTimeInfo timeInfo{};
    std::atomic<float> hostSampleRate{44100.0f};
    std::atomic<int32_t> hostBlockSize{512};

private:
    void create(VstPluginMainProc entry);
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
    intptr_t answer(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, float opt);

    std::array<std::atomic<int64_t>, 128> counts{};
    std::atomic<int64_t> foreign{0};
    mutable std::mutex logMutex;
    std::vector<HostCall> log;
};

} // namespace vemotest
