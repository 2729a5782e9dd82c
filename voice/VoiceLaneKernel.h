// The frame of six voices in lanes: the kernel behind VoiceLanes::frame (see
// VoiceLanes.h for why and how it matches Voice::render bit for bit).
//
// Each line below performs the operations of the Voice, oscillator,
// envelope and filter code it stands for, in the same order; a mask picks,
// lane by lane, the value the scalar branch would have taken, and a lane
// whose voice does not take a step keeps its state.
//
// Like LadderLanes.h, the kernel lives in an anonymous namespace, so each
// translation unit that includes it keeps its own copy for its instruction
// set: VoiceLanes.cpp the target's baseline (SSE2 on x86-64, NEON on
// aarch64, whatever GCC makes of the vectors elsewhere), VoiceLanesAvx2.cpp
// AVX2. The lanes are GCC vector extensions: on aarch64 each eight-float
// value is two float32x4 NEON registers (lanes 0-3 and 4-7, the six voices
// as they fit), on x86-64 two SSE registers or one AVX one.
// Audio thread; no allocation.
#pragma once

#include "voice/LadderLanes.h"
#include "voice/Random.h"
#include "voice/VoiceLanes.h"

#if defined(__SSE2__)
#include <immintrin.h>
#elif defined(__aarch64__) && defined(__ARM_NEON)
#include <arm_neon.h>
#endif
#include <cstring>
#include <type_traits>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

namespace voicekernel {

using V = LaneFloats;
using M = LaneInts;
constexpr int kLanes = VoiceLaneState::kLanes;
constexpr int kVoiceMask = (1 << VoiceLaneState::kVoices) - 1;

inline V splat(float x) { return V{} + x; }
inline M splatInt(int32_t x) { return M{} + x; }

// Bit v set where lane v's mask is set.
inline unsigned bits(M m)
{
#if defined(__AVX__)
    return unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(__m256i(m))));
#elif defined(__SSE2__)
    __m128i low, high;
    std::memcpy(&low, &m, 16);
    std::memcpy(&high, reinterpret_cast<const char*>(&m) + 16, 16);
    return unsigned(_mm_movemask_ps(_mm_castsi128_ps(low))) |
           (unsigned(_mm_movemask_ps(_mm_castsi128_ps(high))) << 4);
#elif defined(__aarch64__) && defined(__ARM_NEON)
    // NEON has no movemask: each lane's sign bit shifted to its place
    // (0..3), then added across the four lanes.
    int32x4_t low, high;
    std::memcpy(&low, &m, 16);
    std::memcpy(&high, reinterpret_cast<const char*>(&m) + 16, 16);
    const int32x4_t place = {0, 1, 2, 3};
    const uint32x4_t lowBits = vshlq_u32(vshrq_n_u32(vreinterpretq_u32_s32(low), 31), place);
    const uint32x4_t highBits = vshlq_u32(vshrq_n_u32(vreinterpretq_u32_s32(high), 31), place);
    return unsigned(vaddvq_u32(lowBits)) | (unsigned(vaddvq_u32(highBits)) << 4);
#else
    unsigned result = 0;
    for (int v = 0; v < kLanes; ++v)
        result |= m[v] < 0 ? 1u << v : 0u;
    return result;
#endif
}

inline V unitClamp(V x) { return x > 0.0f ? (x < 1.0f ? x : splat(1.0f)) : splat(0.0f); }

// Envelope::tick in every lane; lanes outside `update` keep level and
// attackDone. Returns the tick's value (meaningful in `update` lanes).
inline V envelopeTick(V& level, M& done, M gate, V rate, const EnvelopeSetting& e, M update)
{
    const V L = level;
    const float g = e.g;

    // Attack (lanes not done).
    const V rise = (L + 0.2f) * rate * g * g * g * g + L;
    V attackValue;
    M attackDone;
    if (e.A == 0.0f) {
        const M ramp = e.instantAttack ? splatInt(0) : M(rise < 1.0f);
        attackValue = ramp ? rise + 0.02f : splat(1.0f);
        attackDone = ~ramp;
    } else {
        attackValue = rise;
        attackDone = (rise > 1.0f) | ~gate;
    }

    // Held: decay towards the sustain level, or hold.
    const V decayed = L - (L * L * L * L + 0.2f) * rate * e.d4;
    const V held = L > e.S ? decayed : L;
    // Released: the contour may hold, a level at 0 returns at once.
    V released;
    M returnsZero;
    if (e.instantAttack && e.R == 0.0f) {
        released = L;
        returnsZero = splatInt(0);
    } else {
        released = L - (L + 0.05f) * rate * e.r4;
        returnsZero = L <= 0.0f;
    }
    V next = gate ? held : released;
    next = next < 0.005f ? splat(0.0f) : next;
    const M early = ~gate & returnsZero;
    const V restLevel = early ? L : next;
    const V restValue = early ? splat(0.0f) : next;

    const M attacking = ~done;
    const V value = attacking ? attackValue : restValue;
    const V newLevel = attacking ? attackValue : restLevel;
    const M newDone = attacking ? attackDone : done;
    level = update ? newLevel : level;
    done = update ? newDone : done;
    return value;
}

// Plays one sub-sample of a correction ring: clears the current row and
// reads the next, in the lanes that advance.
inline V playRing(float (*ring)[kLanes], int32_t row, int32_t next, M advance, V last)
{
    V cleared;
    std::memcpy(&cleared, ring[row], sizeof cleared);
    cleared = advance ? splat(0.0f) : cleared;
    std::memcpy(ring[row], &cleared, sizeof cleared);
    V upcoming;
    std::memcpy(&upcoming, ring[next], sizeof upcoming);
    return advance ? upcoming : last;
}

inline V loadFloats(const float* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void storeFloats(float* p, V v) { std::memcpy(p, &v, sizeof v); }
inline V drawsToFloats(const int32_t* p)
{
    M v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, V);
}

// One pulse (or sub) oscillator sub-sample, PulseOscillator::next in lanes;
// a lane whose ramps wrap or leave range takes the scalar edge code.
inline V pulseStep(VoiceLaneState& s, bool sub, M advance, V inc, V freq, V width, int32_t row,
                   int32_t next)
{
    V& ramp1 = sub ? s.subRamp1 : s.pulseRamp1;
    V& ramp2 = sub ? s.subRamp2 : s.pulseRamp2;
    V& offset = sub ? s.subOffset : s.pulseOffset;
    V& last = sub ? s.subLast : s.pulseLast;
    float(*ring)[kLanes] = sub ? s.subRing : s.pulseRing;
    const V r1 = ramp1 + inc;
    const V r2 = ramp2 + inc;
    const V threshold = width * 0.8f + 0.1f;
    const M edge = (~((r1 >= 0.0f) & (r1 < 1.0f)) | (r2 >= threshold)) & advance;
    const M plain = advance & ~edge;
    ramp1 = plain ? r1 : ramp1;
    ramp2 = plain ? r2 : ramp2;
    offset = plain ? inc : offset;
    if (const unsigned edges = bits(edge))
        for (int v = 0; v < VoiceLaneState::kVoices; ++v)
            if (edges & (1u << v))
                voicelanes::pulseEdge(s, sub, v, freq[v], width[v], row);
    last = playRing(ring, row, next, advance, last);
    return ramp1 + last - ramp2 - 0.5f;
}

// Runs the pending ladder's stages up to stage k (0-based; 7 is the last).
template <class Pipe>
inline void stepTo(Pipe& pipe, int k)
{
    while (pipe.n <= k)
        pipe.step();
}

// The ladder of no frame: prepare() alone.
struct NoPipe {
    static constexpr int n = 8;
    void step() {}
    void end() {}
};

// Everything of a frame up to the voices' filters: who sounds, the draws,
// envelopes, pitch, oscillators, noise, the cutoff and the gate envelope,
// into `rec`. Between its parts, the stages of the previous frame's ladder
// (pipe), whose chain of divisions runs while this work fills the waits.
template <class Pipe>
inline void prepare(VoiceLaneState& s, FrameRecord& rec, Pipe& pipe, float pwmLfoValue, float lfoValue,
                    float smoothedCutoff)
{
    const float* p = s.parameters;

    // Who sounds, who rings out: as render() decides at the frame's start.
    const M silent = ~s.gate & (s.ampLevel <= 0.0f) & (s.gateLevel <= 0.0f);
    const M sounding = ~silent & splatInt(-1);
    const M flushing = silent & (s.idleCount < 20);
    s.idleCount = flushing ? s.idleCount + 1 : s.idleCount;
    const unsigned soundingBits = bits(sounding) & kVoiceMask;
    const M filtering = s.ownFilter ? (sounding | flushing) : splatInt(0);
    const unsigned filterBits = bits(filtering) & kVoiceMask;
    rec.sounding = sounding;
    rec.filtering = filtering;
    rec.soundingBits = soundingBits;
    rec.filterBits = filterBits;
    if (soundingBits == 0 && filterBits == 0) {
        s.ampOut = splat(0.0f);
        rec.ampOut = s.ampOut;
        stepTo(pipe, 7);
        return;
    }

    // The frame's random draws, voice by voice in render()'s order.
    const bool noiseOn = p[kParamNoiseVolume] > 0.0f;
    alignas(32) int32_t noise1[kLanes] = {}, noise2[kLanes] = {}, jitterDraw[kLanes] = {};
    vemo::Random& random = *s.random;
    for (int v = 0; v < VoiceLaneState::kVoices; ++v) {
        const unsigned bit = 1u << v;
        if ((soundingBits & bit) && noiseOn) {
            noise1[v] = random.next();
            noise2[v] = random.next();
        }
        if (filterBits & bit) {
            jitterDraw[v] = random.next();
            rec.draw1[v] = random.next();
            rec.draw2[v] = random.next();
        } else {
            rec.draw1[v] = rec.draw2[v] = 0;
        }
    }
    stepTo(pipe, 1);

    V subA = splat(0.0f), subB = splat(0.0f);
    if (soundingBits) {
        // Pitch and the amplitude envelope.
        V ampOut = envelopeTick(s.ampLevel, s.ampDone, s.gate, s.ampRate, s.ampSetting, sounding);
        stepTo(pipe, 2);

        const float oscLfo = p[kParamOscLfo];
        V modPitch = s.pitch + oscLfo * oscLfo * oscLfo * lfoValue * 12.0f;
        modPitch = modPitch < 0.0f ? splat(0.0f) : modPitch;
        s.modPitch = sounding ? modPitch : s.modPitch;

        alignas(32) float argument[kLanes];
        storeFloats(argument, modPitch - 36.0f - 45.0f);
        if (const unsigned changed = bits(~(loadFloats(argument) == s.mainArgument)) & soundingBits)
            voicelanes::notePowers(s.mainArgument, s.mainFrequency, 19000.0f, changed, argument);
        V oscFreq = s.mainFrequency;

        const int32_t row = s.row;
        const int32_t row2 = row + 1 < VoiceLaneState::kRing ? row + 1 : 0;
        const int32_t row3 = row2 + 1 < VoiceLaneState::kRing ? row2 + 1 : 0;
        const V inc = oscFreq / s.sampleRate;

        if (p[kParamSaw] != 0.0f) {
            for (int half = 0; half < 2; ++half) {
                const int32_t at = half ? row2 : row;
                const V phase = s.sawPhase + inc;
                const M edge = ~((phase >= 0.0f) & (phase < 1.0f)) & sounding;
                s.sawPhase = (sounding & ~edge) ? phase : s.sawPhase;
                if (const unsigned edges = bits(edge))
                    for (int v = 0; v < VoiceLaneState::kVoices; ++v)
                        if (edges & (1u << v))
                            voicelanes::sawEdge(s, v, phase[v], oscFreq[v], at);
                s.sawLast = playRing(s.sawRing, at, half ? row3 : row2, sounding, s.sawLast);
                const V out = s.sawLast + s.sawPhase - 0.5f;
                if (half)
                    subB += out;
                else
                    subA += out;
                stepTo(pipe, 3);
            }
        }

        if (p[kParamPulse] != 0.0f) {
            const float intensity = p[kParamPwIntensity];
            V width;
            if (p[kParamManualPw] != 0.0f) {
                width = splat((intensity + 1.0f) * 0.5f);
            } else if (p[kParamPwMode] != 0.0f) {
                ampOut = ampOut > 1.0f ? splat(1.0f) : ampOut;
                width = intensity * ampOut;
            } else if (intensity > 0.0f) {
                width = splat((intensity * pwmLfoValue + 1.0f) * 0.5f);
            } else {
                width = splat(0.48f);
            }
            s.width = sounding ? width : s.width;
            subA += pulseStep(s, false, sounding, inc, oscFreq, width, row, row2);
            stepTo(pipe, 4);
            subB += pulseStep(s, false, sounding, inc, oscFreq, width, row2, row3);
        }

        if (p[kParamSubOsc] > 0.0f) {
            storeFloats(argument, modPitch - 12.0f - 36.0f - 45.0f);
            if (const unsigned changed = bits(~(loadFloats(argument) == s.subArgument)) & soundingBits)
                voicelanes::notePowers(s.subArgument, s.subFrequency, 0.0f, changed, argument);
            oscFreq = s.subFrequency;
            const V subInc = oscFreq / s.sampleRate;
            const float level = p[kParamSubOscVolume];
            const V half = splat(0.5f);
            subA += pulseStep(s, true, sounding, subInc, oscFreq, half, row, row2) * level * 0.9f;
            stepTo(pipe, 5);
            subB += pulseStep(s, true, sounding, subInc, oscFreq, half, row2, row3) * level * 0.9f;
        }
        s.oscFreq = sounding ? oscFreq : s.oscFreq;

        if (noiseOn) {
            const float noise = p[kParamNoiseVolume];
            V state = s.noiseState;
            state = (drawsToFloats(noise1) * vemo::kRandomScale + 2.0f * state) * 0.33333334f;
            subA += noise * state;
            state = (drawsToFloats(noise2) * vemo::kRandomScale + 2.0f * state) * 0.33333334f;
            subB += noise * state;
            s.noiseState = sounding ? state : s.noiseState;
        }

        // Every sounding voice's rings moved on by two rows.
        s.row = row3;
        for (int v = 0; v < VoiceLaneState::kVoices; ++v)
            if (soundingBits & (1u << v))
                s.advanced[v] += 2;
        s.ampOut = sounding ? ampOut : splat(0.0f);
        rec.oscA = subA;
        rec.oscB = subB;
    } else {
        s.ampOut = splat(0.0f);
    }
    stepTo(pipe, 5);

    if (filterBits) {
        // The filter's cutoff of the frame, as Voice::filterCutoff, for
        // sounding voices with the LFO and ringing-out ones without.
        float c = smoothedCutoff * smoothedCutoff * smoothedCutoff;
        if (c < 0.0f)
            c = 0.0f;
        V cut = splat(c);
        const float k = p[kParamKeyFollow];
        if (k > 0.0f) {
            const float sr = s.sampleRate[0];
            const float logValue = voicelanes::keyFollowLog(s, sr * c * 0.5f * 0.0022727272f + 1e-10f);
            const float semitones = 17.31234f * logValue;
            alignas(32) float argument[kLanes];
            storeFloats(argument, (semitones + s.noteTerm + 24.0f - 36.0f - 45.0f) * 0.0833333358f);
            if (const unsigned changed = bits(~(loadFloats(argument) == s.trackArgument)) & filterBits)
                voicelanes::trackPowers(s, changed, argument);
            const V t = 440.0f * s.trackResult * k / (sr * 0.5f);
            cut = (1.0f - k) * cut + t * k;
        }
        const float depth = p[kParamFilterLfo];
        if (depth > 0.0f) {
            const V lfo = sounding ? splat(lfoValue) : splat(0.0f);
            cut = cut + 0.5f * (depth * depth * depth) * lfo;
        }
        stepTo(pipe, 6);
        V e = envelopeTick(s.filterLevel, s.filterDone, s.gate, s.filterRate, s.contourSetting, filtering) *
              (s.amount * s.amount);
        if (p[kParamContourBias] != 0.0f)
            e = -e;
        V h = e * e * e + cut;
        h = h < 0.0f ? splat(0.0f) : (h > 1.0f ? splat(1.0f) : h);
        const V u = drawsToFloats(jitterDraw) * vemo::kRandomScale;
        const V jitter = (u - 0.5f + 29.0f * s.cutoffJitter) * 0.033333335f;
        s.cutoffJitter = filtering ? jitter : s.cutoffJitter;
        V f = (jitter * (h * h * h) + 1.0f) * h;
        f = f < 0.0f ? splat(0.0f) : (f > 1.0f ? splat(1.0f) : f);

        rec.cutoff = f;
        rec.resonance = p[kParamResonance];
    }
    stepTo(pipe, 6);

    // The gate envelope (it shapes the amplifier when chosen).
    if (soundingBits && p[kParamEnvGate] != 0.0f) {
        const V level = envelopeTick(s.gateLevel, s.gateDone, s.gate, s.gateRate, s.gateSetting, sounding);
        s.ampOut = sounding ? level : s.ampOut;
    }
    rec.ampOut = s.ampOut;
    stepTo(pipe, 7);
}

// A recorded frame's sub-sample into its voice's filter: the oscillators'
// sum where the voice sounds, what the voice last held where it rings out.
inline V filterInput(const VoiceLaneState& s, const FrameRecord& rec, bool second)
{
    return rec.sounding ? (second ? rec.oscB : rec.oscA) : (second ? s.subB : s.subA);
}

// Starts the ladder of the pending frame (see prepareFrame) on `pipe`.
template <class Pipe>
inline void beginLadder(VoiceLaneState& s, const FrameRecord& rec, Pipe& pipe, int lane)
{
    using T = decltype(pipe.g);
    const V first = filterInput(s, rec, false), second = filterInput(s, rec, true);
    const V resonance = splat(rec.resonance);
    if constexpr (std::is_same<T, float>::value) {
        pipe.begin(s.ladder, lane, first[lane], second[lane], rec.cutoff[lane], resonance[lane],
                   float(rec.draw1[lane]), float(rec.draw2[lane]));
    } else {
        pipe.begin(s.ladder, 0, first, second, rec.cutoff, resonance, drawsToFloats(rec.draw1),
                   drawsToFloats(rec.draw2), rec.filtering);
    }
}

// Runs work(pipe) with the ladder of `rec` begun on the pipe that fits its
// filters (scalar registers for one, lanes for all six, lanes that keep the
// other voices' state for some; no pipe where none filters, or without a
// record), and ends the ladder after it. work must run the pipe's stages
// (stepTo(pipe, 7) at the latest). Inlined, so that each caller's pipe
// lives in its own frame as when written out there.
template <class Work>
__attribute__((always_inline)) inline void withLadder(VoiceLaneState& s, const FrameRecord* rec, Work&& work)
{
    const unsigned filterBits = rec ? rec->filterBits : 0u;
    if (filterBits == 0) {
        NoPipe pipe;
        work(pipe);
    } else if ((filterBits & (filterBits - 1)) == 0) {
        ladderlanes::LadderPipe<float> pipe;
        beginLadder(s, *rec, pipe, __builtin_ctz(filterBits));
        work(pipe);
        pipe.end();
    } else if (filterBits == unsigned(kVoiceMask)) {
        ladderlanes::LadderPipe<ladderlanes::F8> pipe;
        beginLadder(s, *rec, pipe, 0);
        work(pipe);
        pipe.end();
    } else {
        ladderlanes::LadderPipe<ladderlanes::F8, true> pipe;
        beginLadder(s, *rec, pipe, 0);
        work(pipe);
        pipe.end();
    }
}

// prepare() of the next frame into the other record; with a frame pending,
// its ladder runs alongside.
inline void prepareFrame(VoiceLaneState& s, float pwmLfoValue, float lfoValue, float smoothedCutoff,
                         void (*alongside)(void*), void* context)
{
    FrameRecord& next = s.records[s.newest ^ 1];
    withLadder(s, s.ladderPending ? &s.records[s.newest] : nullptr, [&](auto& pipe) {
        if (alongside)
            alongside(context);
        prepare(s, next, pipe, pwmLfoValue, lfoValue, smoothedCutoff);
    });
    if (s.ladderPending)
        s.finished = s.newest;
    s.newest ^= 1;
    s.ladderPending = true;
}

// The pending frame's ladder on its own (the stretch ends after it).
inline void settleFrame(VoiceLaneState& s, void (*alongside)(void*), void* context)
{
    withLadder(s, s.ladderPending ? &s.records[s.newest] : nullptr, [&](auto& pipe) {
        if (alongside)
            alongside(context);
        stepTo(pipe, 7);
    });
    if (s.ladderPending)
        s.finished = s.newest;
    s.ladderPending = false;
}

// The rest of the frame whose ladder ran last: the filter's output, the
// amplifier, then the sums in voice order. Answers whether a voice sounded.
inline bool finishRecord(VoiceLaneState& s, const FrameRecord& rec, float& firstHalfSum, float& secondHalfSum)
{
    if (rec.soundingBits == 0 && rec.filterBits == 0)
        return false;
    V a = filterInput(s, rec, false), b = filterInput(s, rec, true);
    if (rec.filterBits) {
        a = rec.filtering ? loadFloats(s.ladder.first) : a;
        b = rec.filtering ? loadFloats(s.ladder.second) : b;
    }
    if (rec.soundingBits == 0) {
        s.subA = a;
        s.subB = b;
        return false;
    }
    s.subA = rec.sounding ? a * rec.ampOut : a;
    s.subB = rec.sounding ? b * rec.ampOut : b;
    for (int v = 0; v < VoiceLaneState::kVoices; ++v) {
        if (rec.soundingBits & (1u << v)) {
            firstHalfSum += s.subA[v];
            secondHalfSum += s.subB[v];
        }
    }
    return true;
}

inline bool finishFrame(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum)
{
    return finishRecord(s, s.records[s.finished], firstHalfSum, secondHalfSum);
}

// One whole frame in one piece; see VoiceLanes::frame. Nothing is pending
// (the stretch renders frame by frame).
__attribute__((flatten)) inline bool frame(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum,
                                           float pwmLfoValue, float lfoValue, float smoothedCutoff)
{
    FrameRecord rec;
    NoPipe none;
    prepare(s, rec, none, pwmLfoValue, lfoValue, smoothedCutoff);
    withLadder(s, &rec, [](auto& pipe) { stepTo(pipe, 7); });
    return finishRecord(s, rec, firstHalfSum, secondHalfSum);
}

} // namespace voicekernel

} // namespace

#pragma GCC diagnostic pop
