// Stereo chorus of the output: two modes ("CHORUS1", "CHORUS2", may be on
// together), each a pair of delay lines sweeping in opposite directions, one
// fed from and added to the right output, one for the left. The wet sums are
// DC-blocked and added to the dry signal with gain 1.4.
//
// A mode that is off does not advance its lines or DC blockers; they resume
// where they stood. Buffers are allocated by the constructor; process() runs
// on the audio thread and allocates nothing.
#pragma once

#include "engine/ChorusLine.h"
#include "engine/OnePoleFilter.h"
#include "voice/ParameterBlock.h"

#include <array>

class StereoChorus {
public:
    // parameters: the engine's 47 parameter values, read on every call
    // (index 34 "CHORUS1", 35 "CHORUS2"; on when not 0) with relaxed atomic
    // loads, since the UI thread writes them while audio runs. sampleRate: Hz.
    // Allocates the four lines' delay memory. Not on the audio thread.
    StereoChorus(const float* parameters, float sampleRate);

    // Empty buffers, start phases and clear DC blockers for a new host rate
    // (Hz). Allocates nothing; the audio thread calls it between frames.
    void setSampleRate(float sampleRate);

    // Adds the chorus to both samples in place.
    inline void process(float& left, float& right);

    static constexpr int kChorus1 = kParamChorus1;
    static constexpr int kChorus2 = kParamChorus2;

    const float* parameters;
    // Mode 1 right (0.5 Hz, from +1), mode 1 left (0.5 Hz, from -1),
    // mode 2 right (0.83 Hz, from -1), mode 2 left (0.83 Hz, from +1).
    std::array<ChorusLine, 4> lines;
    std::array<OnePoleFilter, 4> dcBlockers; // same order as the lines
    float wetRight = 0.0f;
    float wetLeft = 0.0f;
};

inline void StereoChorus::process(float& left, float& right)
{
    wetRight = 0.0f;
    wetLeft = 0.0f;
    // Both lines read the dry input; the outputs change only at the end.
    if (loadParameter(parameters, kChorus1) != 0.0f) {
        wetRight += lines[0].process(right);
        wetLeft += lines[1].process(left);
        wetRight = dcBlockers[0].highPass(wetRight, 0.995f);
        wetLeft = dcBlockers[1].highPass(wetLeft, 0.995f);
    }
    if (loadParameter(parameters, kChorus2) != 0.0f) {
        wetRight += lines[2].process(right);
        wetLeft += lines[3].process(left);
        wetRight = dcBlockers[2].highPass(wetRight, 0.995f);
        wetLeft = dcBlockers[3].highPass(wetLeft, 0.995f);
    }
    right = right + wetRight * 1.4f;
    left = left + wetLeft * 1.4f;
}
