// Band-limited pulse with a variable width, also used as the square
// sub-oscillator one octave down.
//
// Two ramps advance together: ramp2 wraps at a threshold set by the width
// (the rising edge, -0.5 to +0.5) and ramp1 wraps at 1 (the falling edge).
// Their difference is the naive pulse; each wrap adds a minimum-phase step correction from MinBlepTable into a
// ring of 66 future sub-samples. Called on the audio thread once per
// sub-sample; next() never allocates. The voice writes ramp1 and ramp2
// directly at note start; the ring keeps playing out across notes.
#pragma once

#include "voice/MinBlepTable.h"

#include <cmath>
#include <cstdint>

class PulseOscillator {
public:
    static constexpr int32_t kRingSize = 66;

    // sampleRate: host rate in Hz. Builds the shared table on first use, so
    // the first oscillator must not be built on the audio thread.
    explicit PulseOscillator(float sampleRate);

    // One sub-sample, -0.5..+0.5 plus the pending correction. freq in Hz
    // (sounds at 2 * freq with two sub-samples per frame). width 0..1 maps to
    // a high part of 0.9 - 0.8 * width of the cycle (0.5 gives a square);
    // it is read afresh every sub-sample and not limited here.
    float next(float freq, float width)
    {
        advance(ramp1, ramp2, stepSign, stepOffset, freq, width, sampleRate,
                [this](float d) { insertStep(d); });

        ring[ringPos] = 0.0f;
        ringPos = ringPos + 1;
        if (ringPos >= kRingSize)
            ringPos -= kRingSize;
        lastCorrection = ring[ringPos];

        return ramp1 + lastCorrection - ramp2 - 0.5f;
    }

    const float* table;      // shared step table, kMinBlepTableSize entries
    float sampleRate;        // host rate, Hz
    float tableStep;         // table entries per sub-sample (32)
    int32_t ringSize;        // entries in ring (66)
    float ring[kRingSize];   // pending corrections, one per future sub-sample
    float ramp1;             // main ramp, wraps at 1
    float ramp2;             // second ramp, wraps at the width threshold
    int32_t ringPos;         // ring slot of the current sub-sample, 0..65
    int32_t stepSign;        // +1 or -1: direction of the step being inserted
    float lastCorrection;    // correction played by the latest sub-sample
    float stepOffset;        // working value: increment, then the latest step's age

    // The correction term i (0..65) of a jump in the direction `sign` (+1 or
    // -1) that happened d sub-samples ago, into `correction`; false where the
    // term is dropped: entries from 2048 on (more than 64 sub-samples old),
    // and anything a negative or non-finite d would place outside the table.
    // Shared with the voice lanes.
    static bool stepCorrection(const float* table, float tableStep, int32_t i, float d, float sign,
                               float& correction)
    {
        const float x = (float(i) + d) * tableStep + 0.5f;
        if (!(x >= 0.0f && x < float(kMinBlepShapeSize)))
            return false;
        const int32_t j = int32_t(x);
        correction = sign - table[j] * sign;
        return true;
    }

    // Both ramps one sub-sample on, with their wraps: at each edge stepSign
    // takes its direction and insert(d) adds the correction of the jump that
    // happened d sub-samples ago. Shared with the voice lanes.
    template <class Insert>
    static void advance(float& ramp1, float& ramp2, int32_t& stepSign, float& stepOffset, float freq,
                        float width, float sampleRate, Insert insert)
    {
        stepOffset = freq / sampleRate;
        ramp1 += stepOffset;
        ramp2 += stepOffset;

        if (ramp1 >= 1.0f) {
            ramp1 = ramp1 - 1.0f;
            if (ramp1 >= 1.0f)
                recentre(ramp1, ramp2); // a cycle or more per sub-sample: alias, don't run away
            stepSign = 1;
            insert((sampleRate / freq) * ramp1);
        } else if (!(ramp1 >= 0.0f)) {
            recentre(ramp1, ramp2); // negative or non-finite frequency
        }

        const float threshold = width * 0.8f + 0.1f;
        if (ramp2 >= threshold) {
            ramp2 = ramp2 - 1.0f;
            stepSign = -1;
            // Sub-samples since ramp2 crossed the threshold; after a sudden
            // drop of the width this can lie more than one sub-sample back.
            stepOffset = ramp2 + 1.0f - threshold;
            if (stepOffset < 0.0f)
                stepOffset = 0.0f;
            insert((sampleRate / freq) * stepOffset);
        }
    }

    // Brings ramp1 back into 0..1 and moves ramp2 by the same whole cycles,
    // so the pulse keeps its shape; non-finite ramps restart at 0.
    static void recentre(float& ramp1, float& ramp2)
    {
        const float whole = std::floor(ramp1);
        if (std::isfinite(whole) && std::isfinite(ramp2)) {
            ramp1 = ramp1 - whole;
            ramp2 = ramp2 - whole;
            if (!(ramp1 >= 0.0f && ramp1 < 1.0f))
                ramp1 = 0.0f;
        } else {
            ramp1 = 0.0f;
            ramp2 = 0.0f;
        }
    }

private:
    // Adds the correction for a jump of the naive ramp difference that
    // happened d sub-samples ago, in the direction of stepSign.
    void insertStep(float d)
    {
        const float sign = float(stepSign);
        for (int32_t i = 0; i < kRingSize; ++i) {
            float correction;
            if (!stepCorrection(table, tableStep, i, d, sign, correction))
                continue;
            int32_t slot = ringPos + i;
            if (slot >= kRingSize)
                slot -= kRingSize;
            ring[slot] += correction;
        }
    }
};
