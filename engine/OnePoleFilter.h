// One-pole building block of the output path, with two step forms: a
// DC-blocking high-pass (the three output stages, the chorus DC blockers)
// and a fixed low-pass (the chorus lines' output smoothing).
//
// Both forms add 2^-32 to the stored state on every step so that a decaying
// state never reaches subnormal numbers; as a consequence a high-pass fed with
// silence settles at -2^-32 / (1 - R) instead of 0.
//
// Audio thread only; no allocation.
#pragma once

class OnePoleFilter {
public:
    OnePoleFilter() = default;

    // DC blocker: y = R * y[n-1] + (x - x[n-1]). R: pole, 0.599..0.999 for
    // the output stages, 0.995 for the chorus.
    inline float highPass(float x, float R)
    {
        const float y = R * previousOutput + (x - previousInput);
        previousOutput = y;
        previousInput = x + offset;
        output = y;
        return y;
    }

    // Fixed smoothing low-pass, about 2.1 kHz at 44100 Hz. Touches only
    // previousOutput.
    inline float lowPass(float x)
    {
        const float y = x * 0.24872535f + previousOutput * 0.75127465f + offset;
        previousOutput = y;
        return y;
    }

    // Corner in Hz of `stages` high-pass steps in a row with pole R at
    // `sampleRate`: where the chain is 3 dB below unity gain. Each step is
    // H = (1 - 1/z) / (1 - R/z). Any thread; no state.
    static double highPassCorner(float R, int stages, float sampleRate);

    float previousInput = 0.0f;  // last input plus the offset (high-pass only)
    float previousOutput = 0.0f; // last output
    float output = 0.0f;         // copy of the last high-pass output
    float offset = 2.3283064e-10f; // 2^-32, anti-denormal
};
