// The ladder filters of up to eight voices side by side, one SIMD lane each,
// for one frame (both sub-samples).
//
// Why lanes: a ladder's eight stages are one serial chain of rational
// functions (a division in every stage), so a single filter keeps the
// processor waiting on each result in turn; six voices are six independent
// chains, and in lanes they wait together. Why both sub-samples at once:
// stage n of the second call needs only stage n - 1 of the same call and
// stage n of the first, so the second call runs one stage behind the first
// (a wavefront) and the frame's chain is nine stages long instead of
// sixteen. Each stage's T(y) of the first call is also the second call's
// T(s), so it is computed once.
//
// Exactness: every lane performs exactly the single-precision operations of
// LadderFilter::process, in the same order, and IEEE addition,
// multiplication, division and conversion give the same bits in a vector
// lane as in a scalar register. No fused multiply-add is used: the project
// builds with -ffp-contract=off and no path enables FMA. Selections replace
// the branches, each lane taking the value its own branch would.
//
// The kernel is a template over the lane type (float for one filter, an
// eight-float vector for many) and lives in an anonymous namespace, so that
// each translation unit that includes this header (the baseline one and the
// AVX2 one) keeps its own copy compiled for its own instruction set. The
// GCC vectors need no intrinsics: on aarch64 they are NEON's float32x4. Audio
// thread; no allocation.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

struct LadderLaneBlock {
    static constexpr int kLanes = 8;
    // Inputs of the frame, per lane.
    alignas(32) float first[kLanes];      // first sub-sample in, first out
    alignas(32) float second[kLanes];     // second sub-sample in, second out
    alignas(32) float cutoff[kLanes];     // 0..1 (clamped as the filter does)
    alignas(32) float resonance[kLanes];  // 0..1 (clamped as the filter does)
    alignas(32) float rateScale[kLanes];
    alignas(32) int32_t draw1[kLanes];    // the random draws of the two calls, 0..32767
    alignas(32) int32_t draw2[kLanes];
    // Filter state before the frame, and after it.
    alignas(32) float s[8][kLanes];       // s[stage - 1][lane]
    alignas(32) float output[kLanes];
    // What the second call leaves in the filter's working fields.
    alignas(32) float delayedStage8[kLanes];
    alignas(32) float fc[kLanes];
    alignas(32) float fcr[kLanes];
    alignas(32) float acr[kLanes];
    alignas(32) float g[kLanes];
    alignas(32) float feedbackJitter[kLanes];
};

// One frame of all eight lanes with the architecture's baseline vectors
// (SSE2 or NEON: two four-lane halves), or with AVX2 (one eight-lane
// register, x86-64 only) where the processor has it: the same bits.
void runLadderLanesBaseline(LadderLaneBlock& block);
#if defined(__x86_64__)
void runLadderLanesAvx2(LadderLaneBlock& block);
#endif
// One frame of a single lane in scalar registers.
void runLadderLane(LadderLaneBlock& block, int lane);

// The eight-float type is passed between these inline functions only, never
// across a translation unit, so the SSE2 copy's calling convention for it
// does not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

namespace ladderlanes {

typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

inline F8 load(const float* p, F8)
{
    F8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline float load(const float* p, float) { return *p; }
inline void store(float* p, F8 v) { std::memcpy(p, &v, sizeof v); }
inline void store(float* p, float v) { *p = v; }
inline F8 loadDraw(const int32_t* p, F8)
{
    I8 v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, F8);
}
inline float loadDraw(const int32_t* p, float) { return float(*p); }

// The constants of LadderFilter.
constexpr float kPi = 3.1415927f;
constexpr float kTuningScale = 40000.0f;
constexpr float kDrive = 5.75e-05f;
constexpr float kBias = 1e-06f;
constexpr float kInputLimit = 1.0e10f;
constexpr float kStateLimit = 3.6f;
constexpr float kRandomScale = 3.0518509e-05f;

template <class V>
inline V splat(float x)
{
    return V{} + x;
}

// T(v) = ((m * k) * v) / (m * a + 12), a = |k * v|, m = (a + 3) * a + 6.
template <class V>
inline V stage(V v)
{
    const V k = splat<V>(kDrive);
    const V kv = k * v;
    // |kv| by clearing the sign: the same value as kv < 0 ? -kv : kv for
    // every number (a -0 gives +0, which changes neither m nor m * a + 12),
    // and in scalar registers no branch on the signal's sign for the
    // processor to mispredict in the middle of the chain.
    V a;
    if constexpr (std::is_same<V, float>::value)
        a = __builtin_fabsf(kv);
    else
        a = kv < 0.0f ? -kv : kv;
    const V m = (a + 3.0f) * a + 6.0f;
    return m * k * v / (m * a + 12.0f);
}

// The output shaper on stage 8's previous value.
template <class V>
inline V shape(V d)
{
    const V limit = splat<V>(kStateLimit);
    d = d > limit ? limit : (d < -limit ? -limit : d);
    const V z = 0.35f * d;
    const auto positive = z > 0.0f;
    const V cubic1 = positive ? splat<V>(0.16666667f) : splat<V>(0.14666627f);
    const V cubic2 = positive ? splat<V>(0.16686666f) : splat<V>(0.15666626f);
    const V u = 2.5f * z - z * z * z * cubic1;
    return u - u * u * u * cubic2;
}

template <class V>
inline V unitClamp(V x)
{
    return x > 0.0f ? (x < 1.0f ? x : splat<V>(1.0f)) : splat<V>(0.0f);
}

template <class V>
inline V feedbackFactor(V draw, V fc)
{
    V j = draw * kRandomScale * 0.2f + 0.8f;
    return fc >= 0.4f ? ((0.4f - fc) * 5.0f + 1.0f) * j : j;
}

template <class V>
inline V limitInput(V in)
{
    const V limit = splat<V>(kInputLimit);
    const auto inside = in >= -limit && in <= limit;
    const V bound = in > 0.0f ? limit : (in < 0.0f ? -limit : splat<V>(0.0f));
    return inside ? in : bound;
}

// One frame of the filter in stages, so that a caller can spread the chain
// over other work: begin() forms the coefficients and the first stage,
// step() each further stage (call it seven times), end() the output and the
// state. The running chain waits on a division in every stage; work placed
// between the steps runs in those waits. V is float for one lane, F8 for all
// eight; with Partial, lanes outside `active` keep their state (their
// voices do not filter this frame).
template <class V, bool Partial = false>
struct LadderPipe {
    using Mask = typename std::conditional<std::is_same<V, float>::value, int32_t, I8>::type;

    LadderLaneBlock* b;
    int lane;
    Mask active;
    int n;       // the stage step() forms next, 1..7
    V g, j2, fc, fcr, acr;
    V out1;
    V y1, t1, y2; // stage n - 1 of both calls, and T(y1)
    V ts[8];      // T(s[n]) of the state before the frame

    // inputs: the frame's two sub-samples in, cutoff and resonance (clamped
    // here as the filter does), the two random draws 0..32767.
    inline void begin(LadderLaneBlock& block, int at, V first, V second, V cutoff, V resonance, V draw1,
                      V draw2, Mask activeLanes = Mask{})
    {
        b = &block;
        lane = at;
        active = activeLanes;
        // Coefficients of the first call, kept for the second.
        const V c = unitClamp(cutoff);
        fc = load(b->rateScale + lane, V{}) * c * 0.5f;
        fcr = 1.873f * fc * fc * fc + 0.4955f * fc * fc - 0.649f * fc + 0.9988f;
        acr = -3.5364f * fc * fc + 1.8409f * fc + 0.9968f;
        const V x = -(kPi * fcr * fc);
        const V E =
            ((((x * 0.008333334f + 0.041666668f) * x + 0.16666667f) * x + 0.5f) * x + 1.0f) * x + 1.0f;
        g = (1.0f - E) * kTuningScale;
        const V res = unitClamp(resonance);

        // Both calls' outputs come from stage 8 one call late: the first from
        // the state before the frame, so the second call's feedback is known now.
        const V s7 = load(b->s[7] + lane, V{});
        out1 = shape(s7);
        const V j1 = feedbackFactor(draw1, fc);
        j2 = feedbackFactor(draw2, fc);
        const V in1 = limitInput(first - acr * j1 * res * load(b->output + lane, V{}) * 2.6f);
        const V in2 = limitInput(second - acr * j2 * res * out1 * 2.6f);

        // Call 1: y1[n] from T(y1[n - 1]) and T(s[n]). Call 2: y2[n] from
        // T(y2[n - 1]) and T(y1[n]), its own state being call 1's output. With
        // t1[n] = T(y1[n]) computed once for both, the chains form a wavefront:
        // y2[n] is ready one stage after y1[n].
        // The state's stage values, formed in locals first so that the
        // eight independent ones can share vector registers.
        V state[8], staged[8];
        for (int k = 0; k < 8; ++k)
            state[k] = load(b->s[k] + lane, V{});
        for (int k = 0; k < 8; ++k)
            staged[k] = stage(state[k]);
        for (int k = 0; k < 8; ++k)
            ts[k] = staged[k];
        const V s0 = load(b->s[0] + lane, V{});
        y1 = (stage(in1) - ts[0]) * g + kBias + s0;
        t1 = stage(y1);
        y2 = (stage(in2) - t1) * g + kBias + y1;
        keep(b->s[0], y2, s0);
        n = 1;
    }

    inline void step()
    {
        const V s = load(b->s[n] + lane, V{});
        y1 = (t1 - ts[n]) * g + s;
        t1 = stage(y1);
        y2 = (stage(y2) - t1) * g + y1;
        keep(b->s[n], y2, s);
        ++n;
    }

    // After the seventh step: the frame's two outputs into first and second.
    inline void end()
    {
        const V out2 = shape(y1);
        keepField(b->output, out2);
        store(b->first + lane, out1);
        store(b->second + lane, out2);
        keepField(b->delayedStage8, y1);
        keepField(b->fc, fc);
        keepField(b->fcr, fcr);
        keepField(b->acr, acr);
        keepField(b->g, g);
        keepField(b->feedbackJitter, j2);
    }

    // The whole frame after begin(), straight through.
    inline void run()
    {
        step();
        step();
        step();
        step();
        step();
        step();
        step();
        end();
    }

private:
    inline void keep(float* field, V fresh, V old)
    {
        if constexpr (Partial)
            fresh = active ? fresh : old;
        store(field + lane, fresh);
    }
    inline void keepField(float* field, V fresh)
    {
        if constexpr (Partial)
            fresh = active ? fresh : load(field + lane, V{});
        store(field + lane, fresh);
    }
};

// One frame for the lanes at offset `lane` (all eight when V is F8), inputs
// from the block.
template <class V>
inline void runFrame(LadderLaneBlock& b, int lane)
{
    const V tag{};
    LadderPipe<V> pipe;
    pipe.begin(b, lane, load(b.first + lane, tag), load(b.second + lane, tag), load(b.cutoff + lane, tag),
               load(b.resonance + lane, tag), loadDraw(b.draw1 + lane, tag), loadDraw(b.draw2 + lane, tag));
    pipe.run();
}

} // namespace ladderlanes

} // namespace

#pragma GCC diagnostic pop
