// The six voices of one frame with their filters in SIMD lanes.
//
// Six Voice::render calls in voice order are the reference; this renders
// the same frame with the same bits: each voice in turn runs its sources
// (pitch, envelopes, oscillators, noise) and its filter set-up, drawing its
// random values in the same order as render() would (noise, cutoff jitter,
// then the two draws of its filter calls), and only then do all filters of
// the frame run together in LadderLanes, followed by each voice's
// amplifier and its addition to the sums in voice order. Nothing a voice
// does after its filter call depends on another voice, so moving the
// filters together changes no value.
//
// Audio thread; no allocation. The scratch block carries nothing from one
// frame to the next: the filters' state stays in each voice's LadderFilter.
#pragma once

#include "voice/LadderLanes.h"
#include "voice/Voice.h"

class VoiceLanes {
public:
    enum class Path {
        Scalar, // six Voice::render calls: the readable reference
        Sse2,   // filters in SSE2 lanes (every x86-64 processor)
        Avx2,   // filters in AVX2 lanes
    };

    // The fastest path this processor offers.
    static Path bestPath();
    // Whether this processor can take the path.
    static bool supported(Path path);

    explicit VoiceLanes(Path path = bestPath()) : path(path) {}

    // As voices[0..count-1].render(...) in order; answers whether any voice
    // was active.
    bool render(Voice* voices, int count, float& firstHalfSum, float& secondHalfSum,
                float pwmLfoValue, float lfoValue, float pitchBend, float smoothedCutoff);

    // As voice.runFilter(filter, first, second, cutoff, lfo): the shared
    // filter of the summed voices.
    void runFilter(Voice& voice, LadderFilter& filter, float& first, float& second, float cutoff,
                   float lfo);

    Path path;

private:
    // Sets up lane `lane` for `voice`'s filter call on `filter` with the
    // samples first, second: the cutoff value and the filter calls' draws.
    void stageFilter(int lane, Voice& voice, const LadderFilter& filter, float first, float second,
                     float cutoff, float lfo);
    // Runs lanes 0..count-1; unused lanes are zeroed so they compute
    // nothing slow.
    void runLanes(int count);
    void finishFilter(int lane, LadderFilter& filter);

    LadderLaneBlock scratch{};
    int zeroedFrom = 0; // first lane of the zeroed ones at the end of scratch
};
