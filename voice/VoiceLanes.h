// The six voices side by side in SIMD lanes, one lane per voice, for a
// stretch of frames in which nothing but the audio itself changes.
//
// Why: a voice's frame is a few hundred single-precision operations
// (envelopes, three oscillators, noise, the filter's set-up, an eight-stage
// ladder), the same for every voice but on its own values. In lanes the six
// voices cost little more than one, and the ladder's serial chain of
// divisions waits for all six at once.
//
// Exactness: Voice::render, called for voices 0..5 in order, is the
// reference, and each lane performs exactly its single-precision
// operations in the same order; IEEE addition, multiplication, division,
// comparison and conversion give the same bits in a vector lane as in a
// scalar register, and selections replace the branches, each lane taking
// the value its own branch would. No fused multiply-add: -ffp-contract=off,
// and no path enables FMA. What is not uniform work stays scalar: the random
// draws are made first, voice by voice in render()'s order (noise, cutoff
// jitter, the filter's two), then used in lanes; a step correction (an
// oscillator's edge, a data-dependent event) is added for that lane alone;
// a power or logarithm is computed in double precision for a lane whose
// argument changed. The frame's sums add the voices in voice order.
//
// A stretch: begin() copies the voices' state into the lanes, frame() renders
// frames, end() copies it back, so between stretches the Voice objects hold
// everything (note-ons and a rate change work on them). Within a stretch
// the parameter values are those given to begin(); notes, gates and the
// bend do not change. A voice that falls silent stays silent until its next
// note, so its oscillators stop for the rest of the stretch.
//
// The oscillators' correction rings share one position: every sounding
// voice's ring advances by one slot per sub-sample, so begin() lays each
// ring out rotated to start at the voice's own position and the lanes read
// and clear one row of all rings at once.
//
// Audio thread; no allocation. `state` is what a stretch carries from frame
// to frame; the scratch of a frame lives on the stack.
#pragma once

#include "voice/LadderLanes.h"
#include "voice/Voice.h"

#include <cstdint>
#include <limits>

typedef float LaneFloats __attribute__((vector_size(32)));
typedef int32_t LaneInts __attribute__((vector_size(32)));

// The values of one envelope that stay the same for a stretch, as
// Envelope::tick forms them from its four parameters.
struct EnvelopeSetting {
    float A, D, S, R; // the parameters, clamped to 0..1
    float g;          // attack speed factor
    float d4;         // (1 - D)^4
    float r4;         // (1 - R)^4
    bool instantAttack;
};

// What the part of a frame before the filters leaves for the rest of it
// (see VoiceLanes::prepare).
struct FrameRecord {
    LaneFloats oscA, oscB;      // the oscillators' two sub-samples (sounding lanes)
    LaneFloats ampOut;          // the amplifier of the frame
    LaneFloats cutoff;          // the filters' cutoff 0..1 (filtering lanes)
    LaneInts sounding, filtering;
    int32_t draw1[8], draw2[8]; // the filters' random draws, 0..32767
    float resonance;
    unsigned soundingBits, filterBits;
};

// Everything a stretch carries in lanes. Lane v is voice v; lanes 6 and 7
// are never used (they hold zeros and are never written back).
struct VoiceLaneState {
    static constexpr int kLanes = 8;
    static constexpr int kVoices = 6;
    static constexpr int kRing = SawOscillator::kRingSize;

    // --- constant for the stretch -----------------------------------------
    LaneFloats pitch;         // semitones before the LFO
    LaneFloats velocity;      // 0..1
    LaneFloats amount;        // contour amount: env velocity * velocity + contour
    LaneFloats sampleRate;    // Hz (the oscillators' rate)
    LaneFloats ampRate, filterRate, gateRate; // envelope level units per frame
    LaneFloats noteTerm;      // float(note), for key follow
    LaneInts gate;            // -1 key held, 0 released
    int32_t notes[kLanes];
    // Parameter values of the stretch, by index.
    float parameters[kNumParameters];
    vemo::Random* random;     // the voices' stream (their engine's), for the frame's draws
    bool ownFilter;           // every voice has its own filter (not shared)
    EnvelopeSetting ampSetting, contourSetting, gateSetting; // from the parameters

    // --- envelopes ----------------------------------------------------------
    LaneFloats ampLevel, filterLevel, gateLevel; // Envelope::level
    LaneInts ampDone, filterDone, gateDone;      // Envelope::attackDone (-1 true)
    LaneFloats ampOut;        // Voice::ampLevel, the amplifier of the frame

    // --- oscillators and noise ---------------------------------------------
    LaneFloats sawPhase, sawLast;
    LaneFloats pulseRamp1, pulseRamp2, pulseLast, pulseOffset;
    LaneInts pulseSign;
    LaneFloats subRamp1, subRamp2, subLast, subOffset;
    LaneInts subSign;
    LaneFloats noiseState;
    LaneFloats modPitch, width, oscFreq;
    LaneFloats subA, subB;    // the voice's two sub-samples of the frame
    // Correction rings, rotated: row r of lane v is slot (start[v] + r) % 66
    // of the voice's ring; `row` is the row the next sub-sample clears.
    float sawRing[kRing][kLanes];
    float pulseRing[kRing][kLanes];
    float subRing[kRing][kLanes];
    int32_t row;
    int32_t sawStart[kLanes], pulseStart[kLanes], subStart[kLanes];
    int32_t advanced[kLanes]; // sub-samples each voice's rings advanced

    // --- filter ---------------------------------------------------------------
    LaneFloats cutoffJitter;
    LaneInts idleCount;       // frames since the voice fell silent (< 20 matters)
    LadderLaneBlock ladder;   // the voices' filter states, and the frame's filter in/out
    LadderLaneBlock shared;   // lane 0: the shared filter during the stretch

    // --- the frame in two parts ---------------------------------------------
    FrameRecord records[2];   // the two newest frames
    int32_t newest;           // the record prepare() wrote last
    int32_t finished;         // the record whose ladder ran last
    bool ladderPending;       // records[newest]'s ladder has not run yet

    // --- caches of the double-precision functions (argument, result) --------
    LaneFloats mainArgument, mainFrequency; // noteFrequency, clamped, as float
    LaneFloats subArgument, subFrequency;
    float logArgument, logResult;            // the key-follow logarithm (one for all)
    LaneFloats trackArgument, trackResult;   // the key-follow power of two
};

class VoiceLanes {
public:
    enum class Path {
        Scalar, // Voice::render frame by frame: the readable reference
        Sse2,   // lanes with SSE2 (every x86-64 processor)
        Avx2,   // lanes with AVX2 (x86-64, chosen at run time)
        Neon,   // lanes with NEON, two float32x4 per value (every aarch64 processor)
        Plain,  // lanes as GCC lowers its generic vectors (any other architecture)
    };

    // The lanes every processor of the build's architecture has: Sse2 on
    // x86-64, Neon on aarch64, Plain elsewhere. Exactly one of the three is
    // built.
    static constexpr Path baselinePath()
    {
#if defined(__x86_64__) && defined(__SSE2__)
        return Path::Sse2;
#elif defined(__aarch64__) && defined(__ARM_NEON)
        return Path::Neon;
#else
        return Path::Plain;
#endif
    }
    // The fastest path this processor offers.
    static Path bestPath();
    // Whether this processor can take the path.
    static bool supported(Path path);

    explicit VoiceLanes(Path path = bestPath());

    // Starts a stretch: the voices' state into the lanes. parameters: the 47
    // values for the stretch; pitchBend as the engine holds it.
    void begin(Voice* voices, const float* parameters, float pitchBend, const LadderFilter& sharedFilter);
    // One frame of all six voices, as their render() calls in order: adds
    // each sounding voice's sub-samples to the sums; answers whether any
    // voice sounded.
    bool frame(float& firstHalfSum, float& secondHalfSum, float pwmLfoValue, float lfoValue,
               float smoothedCutoff);
    // The same frame in three parts, so that a frame's filters can run while
    // the next frame is prepared (their chains of divisions leave the
    // processor waiting; the next frame's oscillators fill the waits):
    //   prepare(1); then per frame n: prepare(n + 1) or settle(); finish(n).
    // prepare: everything of a new frame up to the filters (draws, envelopes,
    // oscillators, cutoff), with the pending frame's filters alongside.
    // settle: the pending frame's filters alone. finish: the oldest prepared
    // frame's amplifier and sums (its filters must have run), answering
    // whether a voice sounded. resting() may be asked after prepare().
    // alongside(context), when given, runs just after the pending filters
    // start: work of the caller's that does not depend on them (the
    // previous frame's output stages) fills their waits too.
    void prepare(float pwmLfoValue, float lfoValue, float smoothedCutoff, void (*alongside)(void*) = nullptr,
                 void* context = nullptr);
    void settle(void (*alongside)(void*) = nullptr, void* context = nullptr);
    bool finish(float& firstHalfSum, float& secondHalfSum);
    // The shared filter on the two sums in place, set up like voice `v`, as
    // voices[v].runFilter(sharedFilter, ...) would.
    void sharedFilterFrame(int v, float& first, float& second, float smoothedCutoff, float lfoValue);
    // The sum of the six amplifier levels of the frame, in voice order.
    float ampLevelSum() const;
    // Whether every voice is silent and done ringing out.
    bool resting() const;
    // Ends the stretch: the lanes' state back into the voices.
    void end(Voice* voices, LadderFilter& sharedFilter);

    Path path;
    VoiceLaneState state;

private:
    bool sharedRan = false; // the shared filter ran in this stretch
};

// The frame kernels, one per instruction set (VoiceLanes.cpp has the
// baseline copy: SSE2, NEON or plain; VoiceLanesAvx2.cpp the AVX2 one, on
// x86-64 only): the same bits.
bool voiceLanesFrameBaseline(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum,
                             float pwmLfoValue, float lfoValue, float smoothedCutoff);
bool voiceLanesFrameAvx2(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum,
                         float pwmLfoValue, float lfoValue, float smoothedCutoff);
void voiceLanesPrepareBaseline(VoiceLaneState& s, float pwmLfoValue, float lfoValue, float smoothedCutoff,
                              void (*alongside)(void*), void* context);
void voiceLanesPrepareAvx2(VoiceLaneState& s, float pwmLfoValue, float lfoValue, float smoothedCutoff,
                         void (*alongside)(void*), void* context);
void voiceLanesSettleBaseline(VoiceLaneState& s, void (*alongside)(void*), void* context);
void voiceLanesSettleAvx2(VoiceLaneState& s, void (*alongside)(void*), void* context);
bool voiceLanesFinishBaseline(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum);
bool voiceLanesFinishAvx2(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum);

// Scalar pieces the kernels share (VoiceLanes.cpp).
namespace voicelanes {
// The voice's cutoff of the frame for lane v, as Voice::filterCutoff: for
// the shared filter, whose set-up follows one voice alone.
float filterCutoff(VoiceLaneState& s, int v, float cutoff, float lfo);
// An oscillator edge in lane v at ring row `row`, as the oscillators'
// next() handles a ramp that wraps or leaves 0..1 (phase: the saw's phase
// after this sub-sample's increment; the pulse adds its own increment).
void sawEdge(VoiceLaneState& s, int v, float phase, float freq, int32_t row);
void pulseEdge(VoiceLaneState& s, bool sub, int v, float freq, float width, int32_t row);
// Fill the caches of lanes whose argument changed (mask bit v set): a
// note's frequency (Voice::noteFrequency, held at `limit` Hz where limit >
// 0), the key-follow power of two, the key-follow logarithm (one for all).
void notePowers(LaneFloats& cachedArgument, LaneFloats& frequency, float limit, unsigned mask,
                const float* argument);
void trackPowers(VoiceLaneState& s, unsigned mask, const float* argument);
float keyFollowLog(VoiceLaneState& s, float argument);
// An envelope's values for a stretch from its parameters.
EnvelopeSetting envelopeSetting(float attack, float decay, float sustain, float release, bool instantAttack);
} // namespace voicelanes
