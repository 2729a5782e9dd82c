// The host side of the validator battery: loads the built module with dlopen,
// creates the plug-in through VSTPluginMain and reaches it only through the
// AEffect record, as a studio host does.
//
// The host callback takes no lock and allocates nothing (it only counts the
// calls per opcode with atomics), so it may be called from the audio thread
// inside an allocation or system-call guard, and from any number of threads.
#pragma once

#include "vst/aeffect.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace validator {

// A fixed-capacity VstEvents list: storage is reserved once, so filling and
// handing it to the plug-in never allocates.
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

VstMidiEvent midiEvent(int32_t offset, int status, int data1, int data2);

class Host {
public:
    // Loads the module and creates the plug-in; `versionAnswer` is what the
    // callback answers to audioMasterVersion.
    explicit Host(const std::string& modulePath = VEMO_MODULE_PATH, intptr_t versionAnswer = 2400);
    ~Host(); // effClose if still open, then dlclose
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    AEffect* effect = nullptr;
    void* module = nullptr;
    std::string error;

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    void process(float* left, float* right, int32_t frames);
    intptr_t processEvents(EventList& events);
    // What Ardour does after loading: effOpen, effGetVstVersion,
    // effSetSampleRate, effSetBlockSize, effMainsChanged 1.
    void start(float sampleRate, int32_t blockSize);
    // Mains off, new rate (and block size), mains on: the host rule for a
    // rate change.
    void changeRate(float sampleRate, int32_t blockSize);
    intptr_t close(); // effClose; the plug-in is gone afterwards

    // Calls the plug-in made to the host, per opcode (opcodes above 127
    // counted together under 127), and in all.
    int64_t calls(int32_t opcode) const;
    int64_t totalCalls() const;
    void resetCalls();
    // Calls that passed a null effect pointer (allowed only during the
    // entry point's version query) or an effect other than ours.
    int64_t foreignCalls() const { return foreign.load(); }

    // Answers of the callback. Set them before the audio thread starts.
    VstTimeInfo timeInfo{};
    std::atomic<int32_t> hostRate{44100};
    std::atomic<int32_t> hostBlock{512};
    intptr_t versionAnswer;

private:
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
    intptr_t answer(int32_t opcode);

    std::array<std::atomic<int64_t>, 128> counts{};
    std::atomic<int64_t> foreign{0};
};

// What a plug-in value may be, per parameter, as the editor and the factory
// bank produce them.
enum class Form { Continuous, Switch, WaveMenu, ClockMenu, Transpose };
Form parameterForm(int32_t index);
float randomValue(int32_t index, std::mt19937& rng);

// Every output sample is finite and either zero or a normal number.
struct OutputCheck {
    int64_t frames = 0;
    int64_t nans = 0;
    int64_t infinities = 0;
    int64_t subnormals = 0;
    double peak = 0.0;
    void add(const float* samples, int32_t count);
    void merge(const OutputCheck& other);
    bool clean() const { return nans == 0 && infinities == 0 && subnormals == 0; }
    std::string describe() const;
};

// Renders `frames` frames in blocks of `blockSize`, sending each event in
// the block that holds its absolute frame (event.deltaFrames = absolute
// frame); checks every sample.
struct Rendered {
    std::vector<float> left, right;
    OutputCheck check;
};
Rendered render(Host& host, int32_t frames, int32_t blockSize, std::vector<VstMidiEvent> events = {});

// A random player: notes, pitch bend, controllers (with the occasional
// all-notes-off and program change) at sorted offsets in a block, and
// parameter automation within each parameter's form between blocks.
struct PerformanceMix {
    bool programChanges = true;
    bool learn = true;        // controllers 40..46 toggling learn, any CC
    bool allControllers = true; // 120..127 too
    double eventsPerBlock = 3.0;
    bool automateEverything = true; // false: continuous parameters only, so
                                    // a program keeps its switches and menus
};

class RandomPerformer {
public:
    explicit RandomPerformer(uint32_t seed, PerformanceMix mix = {}) : rng(seed), mix(mix) {}
    // Events for a block of `frames` frames (offsets sorted, within the block).
    void fill(EventList& list, int32_t frames);
    // Sets `count` random parameters to random values of their forms.
    void automate(Host& host, int count);
    // Note-ons with velocity above 0 put in lists so far.
    int64_t noteOns = 0;
    std::mt19937 rng;
    PerformanceMix mix;

private:
    VstMidiEvent randomEvent(int32_t offset);
    std::array<bool, 128> held{};
};

} // namespace validator
