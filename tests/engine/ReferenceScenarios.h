// Fixed renders that define the engine's sound: every factory program, random
// patches over every parameter form, each feature on its own, voice
// stealing, bend, parameter and program changes mid-note, every common rate.
//
// A scenario is a patch and a score of timed actions; rendering it through a
// SynthEngine from a fixed random seed gives the same samples on every run,
// whichever voice path the engine takes. The frozen fingerprints of these
// renders live in tests/engine/reference/renders.txt (see the README there).
#pragma once

#include "engine/SynthEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vemotest {

struct ScoreAction {
    enum Kind { NoteOn, NoteOff, AllNotesOff, Bend, Parameter, Program, Rate, Tempo };
    int32_t frame;
    Kind kind;
    int32_t a = 0; // note, parameter index, program number
    float b = 0.0f; // velocity 0..1, bend position, parameter value, rate (Hz), tempo
};

struct Scenario {
    std::string name;
    float rate = 44100.0f;
    int32_t frames = 0;
    uint64_t seed = 0;
    float parameters[kNumParameters] = {};
    std::vector<ScoreAction> score; // in frame order
};

// Every scenario, in a fixed order with unique names.
std::vector<Scenario> referenceScenarios();

// What a render leaves to compare: a 64-bit FNV-1a hash over the bits of
// every left and right sample, and a few samples for a readable report.
struct Fingerprint {
    static constexpr int kProbes = 8;
    uint64_t hash = 0;
    uint32_t probes[kProbes] = {}; // bits of left samples at evenly spaced frames
};

// Renders a scenario on `engine`, which must be fresh (built for the
// scenario's rate and never played): frame by frame through renderSample,
// or with `stretches` each stretch between two actions in one render call.
Fingerprint renderScenario(const Scenario& scenario, SynthEngine& engine, bool stretches);

// Hash helper shared with the module-level scenarios.
struct SampleHash {
    uint64_t value = 14695981039346656037ull;
    void add(float sample);
};

} // namespace vemotest
