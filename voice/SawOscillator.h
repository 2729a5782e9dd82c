// Band-limited sawtooth: a naive rising ramp whose downward jump is smoothed
// with the minimum-phase step of MinBlepTable.
//
// Every wrap of the ramp adds one step correction (1 - table[j] for 66
// future sub-samples) into a ring; each sub-sample then plays the ring slot
// of its turn. Called on the audio thread once per sub-sample (twice per host
// frame); next() never allocates. The voice writes `phase` directly at note
// start; the ring keeps playing out pending corrections across notes.
#pragma once

#include "voice/MinBlepTable.h"

#include <cmath>
#include <cstdint>

class SawOscillator {
public:
    static constexpr int32_t kRingSize = 66;

    // sampleRate: host rate in Hz. Builds the shared table on first use, so
    // the first oscillator must not be built on the audio thread.
    explicit SawOscillator(float sampleRate);

    // One sub-sample, -0.5..+0.5 plus the pending correction. freq in Hz; the
    // ramp advances by freq / sampleRate per sub-sample, so with two
    // sub-samples per frame the saw sounds at 2 * freq.
    float next(float freq)
    {
        phase = phase + freq / sampleRate;
        wrap(phase, freq, sampleRate, [this](float d) { insertStep(d); });

        ring[ringPos] = 0.0f;
        ringPos = ringPos + 1;
        if (ringPos >= kRingSize)
            ringPos -= kRingSize;
        lastCorrection = ring[ringPos];

        return lastCorrection + phase - 0.5f;
    }

    const float* table;      // shared step table, kMinBlepTableSize entries
    float sampleRate;        // host rate, Hz
    float tableStep;         // table entries per sub-sample (32)
    int32_t ringSize;        // entries in ring (66)
    float ring[kRingSize];   // pending corrections, one per future sub-sample
    float phase;             // ramp 0..1
    float lastCorrection;    // correction played by the latest sub-sample
    int32_t ringPos;         // ring slot of the current sub-sample, 0..65

    // The correction term i (0..65) of a downward jump of 1 that happened d
    // sub-samples ago (0 <= d < 1 in normal use): the nearest table entry to
    // (i + d) sub-samples after the jump. With d < 1 the largest index is
    // 2112, well inside the table; a huge or non-finite d reads the last
    // entry, 1.0, which adds nothing. Shared with the voice lanes.
    static float stepCorrection(const float* table, float tableStep, int32_t i, float d)
    {
        const float x = (float(i) + d) * tableStep + 0.5f;
        const int32_t j = (x >= 0.0f && x < float(kMinBlepTableSize)) ? int32_t(x) : kMinBlepTableSize - 1;
        return 1.0f - table[j];
    }

    // The ramp after its increment back into 0..1; at a wrap, insert(d)
    // adds the correction of the jump that happened d sub-samples ago.
    // Shared with the voice lanes.
    template <class Insert>
    static void wrap(float& phase, float freq, float sampleRate, Insert insert)
    {
        if (phase >= 1.0f) {
            phase = phase - 1.0f;
            if (phase >= 1.0f)
                phase = wrapUnit(phase); // a cycle or more per sub-sample: alias, don't run away
            // How long ago (sub-samples) the ramp crossed 1.
            insert((sampleRate / freq) * phase);
        } else if (!(phase >= 0.0f)) {
            phase = wrapUnit(phase); // negative or non-finite frequency
        }
    }

    // Brings a phase that left 0..1 back into it; NaN and infinity restart at 0.
    static float wrapUnit(float p)
    {
        p = p - std::floor(p);
        return (p >= 0.0f && p < 1.0f) ? p : 0.0f;
    }

private:
    // Adds the correction for a downward jump of 1 that happened d sub-samples
    // ago. Slot i = 0 is cleared before it plays, so the current sub-sample
    // hears the i = 1 term.
    void insertStep(float d)
    {
        for (int32_t i = 0; i < kRingSize; ++i) {
            int32_t slot = ringPos + i;
            if (slot >= kRingSize)
                slot -= kRingSize;
            ring[slot] += stepCorrection(table, tableStep, i, d);
        }
    }
};
