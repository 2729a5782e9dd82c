// The host side of the validator battery: the one test host
// (tests/support/TestHost.h) without its call log, and what the battery adds
// to it: parameter values in each parameter's form, output checks, block-wise
// renders and a random player.
#pragma once

#include "support/TestHost.h"
#include "vst/aeffect.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace validator {

using vemotest::EventList;
using vemotest::midiEvent;

// The test host as the battery uses it: the calls are only counted, never
// logged, so the callback takes no lock and allocates nothing and may run
// on the audio thread inside the allocation and system-call guards.
class Host : public vemotest::TestHost {
public:
    explicit Host(const std::string& modulePath = VEMO_MODULE_PATH, intptr_t versionAnswer = 2400)
        : TestHost(modulePath, versionAnswer)
    {
        logCalls = false; // the entry point's own calls before this are logged: no audio runs yet
    }
    using TestHost::calls;
    int64_t calls(int32_t opcode) const { return countCalls(opcode); }
    void resetCalls() { clearCalls(); }
    const std::string& error = loadError;
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
