// Resonant low-pass of a voice (and of the engine's shared-filter mode): eight
// nonlinear one-pole stages in the manner of a transistor ladder, a global
// feedback path for resonance with a random factor in it, and an asymmetric
// polynomial shaper at the output.
//
// Runs at the voice's sub-sample rate (twice the host rate): the voice calls
// process() twice per frame, recomputing the coefficients on the first call
// only. No exponential or hyperbolic function per sample: the exponential is
// a fifth-order polynomial evaluated once per frame, the stage nonlinearity a
// rational function. Audio thread only; allocates nothing. Each call draws
// one value from the shared random source.
#pragma once

#include "voice/Random.h"

class LadderFilter {
public:
    // sampleRate: host rate in Hz. Above 44100 Hz the cutoff is scaled down
    // so that a cutoff value means the same frequency as at 44100 Hz.
    explicit LadderFilter(float sampleRate);

    // Filters *sample in place. cutoff 0..1, resonance 0..1 (both clamped;
    // NaN counts as 0). recompute: true on the first sub-sample of a frame,
    // false on the second, which reuses the coefficients of the first.
    // random: the stream the feedback factor draws from (the engine's own).
    inline void process(float* sample, float cutoff, float resonance, bool recompute,
                        vemo::Random& random = vemo::unitRandom());

    // The stage gain g that process() computes for `cutoff` (0..1) with this
    // rateScale, by the same single-precision steps.
    static float stageGain(float cutoff, float rateScale);

    // The filter's corner in Hz at host rate `sampleRate`: the frequency at
    // which a signal at normal levels leaves the filter 3 dB below its DC
    // level, for the cutoff value process() receives (0..1) and resonance 0.
    // Derived from process()'s own arithmetic: at normal levels each stage
    // is linear (T(v) = driveScale * v / 2, the inputs stay far below the
    // knee of the stage function), so the ladder is eight identical one-pole
    // low-passes y += a * (x - y) with a = g * driveScale / 2, running at
    // twice the host rate, followed by the shaper's flat gain of 0.875.
    // Any thread; no state.
    static double cornerFrequency(float cutoff, float sampleRate);

    float pi = 3.1415927f;
    float tuningScale = 40000.0f; // stage gain scale
    float driveScale = 5.75e-05f; // input scale of the stage nonlinearity
    float bias = 1e-06f;          // added by stage 1 on every call (keeps the chain off denormals)
    float s1 = 0.0f, s2 = 0.0f, s3 = 0.0f, s4 = 0.0f, s5 = 0.0f; // stage states
    float y1 = 0.0f, y2 = 0.0f, y3 = 0.0f, y4 = 0.0f, y5 = 0.0f; // working values
    float output = 0.0f;          // latest shaped output; source of the feedback
    float s6 = 0.0f, s7 = 0.0f, s8 = 0.0f;
    float delayedStage8 = 0.0f;   // stage 8's output of the previous call
    float y6 = 0.0f, y7 = 0.0f, y8 = 0.0f;
    float fc = 0.0f;              // normalised cutoff of the latest update
    float fcr = 1.0f;             // cutoff correction over fc
    float acr = 1.0f;             // resonance correction over fc
    float g = 0.0f;               // stage gain
    float feedbackJitter = 0.0f;  // random feedback factor of the latest call, 0.4..1
    float rateScale;              // min(44100 / sampleRate, 1)

private:
    // Rational approximation of tanh(driveScale * v / 2): linear for small
    // signals, never above 1 in magnitude.
    inline float stage(float v) const;

    static constexpr float kInputLimit = 1.0e10f;
    // Bound of the stage-8 value entering the shaper. A single voice at full
    // level keeps it below about 3.55, so voices never reach it. Louder
    // inputs (the shared filter on a sum of voices) would drive the shaper
    // past its fold, where its sign turns and the feedback becomes positive:
    // the ladder latched into a rail-to-rail cycle and the ninth-order
    // polynomial ran to 1e28 and then to inf/NaN. With the bound the output
    // stays within the shaper's own range (about +-0.97) and recovers.
    static constexpr float kStateLimit = 3.6f;
};

inline float LadderFilter::stage(float v) const
{
    const float kv = driveScale * v;
    const float a = kv < 0.0f ? -kv : kv;
    const float m = (a + 3.0f) * a + 6.0f;
    // ((m * k) * v), left to right: reusing k * v here (m * (k * v)) rounds
    // differently in about one evaluation in four.
    return m * driveScale * v / (m * a + 12.0f);
}

inline void LadderFilter::process(float* sample, float cutoff, float resonance, bool recompute,
                                  vemo::Random& random)
{
    if (recompute) {
        const float c = cutoff > 0.0f ? (cutoff < 1.0f ? cutoff : 1.0f) : 0.0f;
        fc = rateScale * c * 0.5f;
        fcr = 1.873f * fc * fc * fc + 0.4955f * fc * fc - 0.649f * fc + 0.9988f;
        acr = -3.5364f * fc * fc + 1.8409f * fc + 0.9968f;
        const float x = -(pi * fcr * fc);
        // exp(x) by its Taylor polynomial to the fifth order, Horner form.
        const float E = ((((x * 0.008333334f + 0.041666668f) * x + 0.16666667f) * x + 0.5f) * x + 1.0f) * x + 1.0f;
        g = (1.0f - E) * tuningScale;
    }
    const float res = resonance > 0.0f ? (resonance < 1.0f ? resonance : 1.0f) : 0.0f;

    // Feedback factor 0.8..1.0, drawn anew per call; above fc 0.4 it falls
    // linearly to half at fc 0.5 to tame the top octave.
    float j = float(random.next()) * vemo::kRandomScale * 0.2f + 0.8f;
    if (fc >= 0.4f)
        j = ((0.4f - fc) * 5.0f + 1.0f) * j;
    feedbackJitter = j;

    float in = *sample - acr * j * res * output * 2.6f;
    // Bound the ladder's input: a NaN would latch into every stage for good
    // (it becomes silence), and beyond 1e10 every stage is saturated anyway,
    // while the rational stage function would overflow to inf/inf.
    if (!(in >= -kInputLimit && in <= kInputLimit))
        in = in > 0.0f ? kInputLimit : (in < 0.0f ? -kInputLimit : 0.0f);

    delayedStage8 = s8;
    y1 = (stage(in) - stage(s1)) * g + bias + s1;
    y2 = (stage(y1) - stage(s2)) * g + s2;
    y3 = (stage(y2) - stage(s3)) * g + s3;
    y4 = (stage(y3) - stage(s4)) * g + s4;
    y5 = (stage(y4) - stage(s5)) * g + s5;
    y6 = (stage(y5) - stage(s6)) * g + s6;
    y7 = (stage(y6) - stage(s7)) * g + s7;
    y8 = (stage(y7) - stage(s8)) * g + s8;
    s1 = y1; s2 = y2; s3 = y3; s4 = y4;
    s5 = y5; s6 = y6; s7 = y7; s8 = y8;

    // Output one call late, through an asymmetric shaper (small-signal gain
    // 0.875, different cubic terms per polarity: even harmonics when driven).
    float d = delayedStage8;
    if (d > kStateLimit)
        d = kStateLimit;
    else if (d < -kStateLimit)
        d = -kStateLimit;
    const float z = 0.35f * d;
    float out;
    if (z > 0.0f) {
        const float u = 2.5f * z - z * z * z * 0.16666667f;
        out = u - u * u * u * 0.16686666f;
    } else {
        const float u = 2.5f * z - z * z * z * 0.14666627f;
        out = u - u * u * u * 0.15666626f;
    }
    output = out;
    *sample = out;
}
