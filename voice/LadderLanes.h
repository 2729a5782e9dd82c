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
// AVX2 one) keeps its own copy compiled for its own instruction set. Audio
// thread; no allocation.
#pragma once

#include <cstdint>
#include <cstring>

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

// One frame of all eight lanes with SSE2 (two four-lane halves), or with
// AVX2 (one eight-lane register) where the processor has it: the same bits.
void runLadderLanesSse2(LadderLaneBlock& block);
void runLadderLanesAvx2(LadderLaneBlock& block);
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
    const V a = kv < 0.0f ? -kv : kv;
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

// One frame for the lanes at offset `lane` (all eight when V is F8).
template <class V>
inline void runFrame(LadderLaneBlock& b, int lane)
{
    const V tag{};
    // Coefficients of the first call, kept for the second.
    const V c = unitClamp(load(b.cutoff + lane, tag));
    const V fc = load(b.rateScale + lane, tag) * c * 0.5f;
    const V fcr = 1.873f * fc * fc * fc + 0.4955f * fc * fc - 0.649f * fc + 0.9988f;
    const V acr = -3.5364f * fc * fc + 1.8409f * fc + 0.9968f;
    const V x = -(kPi * fcr * fc);
    const V E = ((((x * 0.008333334f + 0.041666668f) * x + 0.16666667f) * x + 0.5f) * x + 1.0f) * x + 1.0f;
    const V g = (1.0f - E) * kTuningScale;
    const V res = unitClamp(load(b.resonance + lane, tag));

    V s[8];
    for (int n = 0; n < 8; ++n)
        s[n] = load(b.s[n] + lane, tag);

    // Both calls' outputs come from stage 8 one call late: the first from
    // the state before the frame, so the second call's feedback is known now.
    const V out1 = shape(s[7]);
    const V j1 = feedbackFactor(loadDraw(b.draw1 + lane, tag), fc);
    const V j2 = feedbackFactor(loadDraw(b.draw2 + lane, tag), fc);
    const V in1 = limitInput(load(b.first + lane, tag) - acr * j1 * res * load(b.output + lane, tag) * 2.6f);
    const V in2 = limitInput(load(b.second + lane, tag) - acr * j2 * res * out1 * 2.6f);

    V ts[8];
    for (int n = 0; n < 8; ++n)
        ts[n] = stage(s[n]);

    // Call 1: y1[n] from T(y1[n - 1]) and T(s[n]). Call 2: y2[n] from
    // T(y2[n - 1]) and T(y1[n]), its own state being call 1's output. With
    // t1[n] = T(y1[n]) computed once for both, the chains form a wavefront:
    // y2[n] is ready one stage after y1[n].
    V y1[8], y2[8], t1[8];
    y1[0] = (stage(in1) - ts[0]) * g + kBias + s[0];
    t1[0] = stage(y1[0]);
    y2[0] = (stage(in2) - t1[0]) * g + kBias + y1[0];
    for (int n = 1; n < 8; ++n) {
        y1[n] = (t1[n - 1] - ts[n]) * g + s[n];
        t1[n] = stage(y1[n]);
        y2[n] = (stage(y2[n - 1]) - t1[n]) * g + y1[n];
    }
    const V out2 = shape(y1[7]);

    for (int n = 0; n < 8; ++n)
        store(b.s[n] + lane, y2[n]);
    store(b.output + lane, out2);
    store(b.first + lane, out1);
    store(b.second + lane, out2);
    store(b.delayedStage8 + lane, y1[7]);
    store(b.fc + lane, fc);
    store(b.fcr + lane, fcr);
    store(b.acr + lane, acr);
    store(b.g + lane, g);
    store(b.feedbackJitter + lane, j2);
}

} // namespace ladderlanes

} // namespace

#pragma GCC diagnostic pop
