#include "engine/Lfo.h"

#include "voice/Random.h"

#include <algorithm>
#include <cmath>

Lfo::Lfo(float sampleRate) : increment(256.0f / sampleRate), sampleRate(sampleRate)
{
    // Sine in double precision, stored as float. It is built from its first
    // quadrant so that its zeros and peaks are exact and the halves are
    // exact mirror images.
    const double twoPi = 6.283185307179586476925286766559;
    for (int t = 0; t <= 256; ++t) {
        const int q = t % 128;                   // position within the half cycle
        const int m = q <= 64 ? q : 128 - q;     // mirrored into the first quadrant
        double s = std::sin(twoPi * double(m) / 256.0);
        if (m == 0)
            s = 0.0;
        sine[t] = float(t < 128 || t == 256 ? s : -s);

        double tri;
        if (t < 64)
            tri = double(t) / 64.0;
        else if (t < 128)
            tri = double(128 - t) / 64.0;
        else if (t < 192)
            tri = -double(t - 128) / 64.0;
        else if (t < 256)
            tri = double(t - 256) / 64.0;
        else
            tri = 0.0;
        triangle[t] = float(tri);

        // Single precision on purpose: 0.003921569f lies slightly above 1/255,
        // and only float rounding lands entry 255 on exactly +1 (in double it
        // would come out one ulp above, outside -1..+1).
        sawtooth[t] = t < 256 ? float(t) * 0.003921569f * 2.0f - 1.0f : -1.0f;
        square[t] = t < 128 || t == 256 ? 1.0f : -1.0f;
    }
    setSampleRate(sampleRate);
}

void Lfo::setSampleRate(float rate)
{
    sampleRate = rate;
    increment = 256.0f / rate;
    phase = 0.0f;
    randomValue = 0.0f;
    heldRandomValue = 0.0f;
    lastIndex = 0;
    lastFraction = 0.0f;
    // A host rate of 0 would give an infinite step; tick() copes, but start
    // from a still LFO instead.
    if (!std::isfinite(increment))
        increment = 0.0f;
}

float Lfo::reduce(float p)
{
    if (!std::isfinite(p))
        return 0.0f;
    float r = std::fmod(p, 255.0f);
    if (r < 0.0f)
        r += 255.0f;
    return r <= 255.0f ? r : 0.0f;
}

float lfoClockFactor(int k)
{
    // Stored as the single-precision values of 1/12, 1/30, 1/60 ... so the
    // straight entries give 5, 2, 1, 1/2 ... cycles per beat and the triplet
    // entries 7.5, 3, 1.5 ...
    static constexpr float factors[13] = {
        0.0f,          0.083333336f, 0.033333335f, 0.016666668f, 0.008333334f,
        0.004166667f,  0.0020833334f, 0.125f,      0.05f,        0.025f,
        0.0125f,       0.00625f,     0.003125f,
    };
    return k >= 1 && k <= 12 ? factors[k] : 0.0f;
}

double lfoSoundingRate(float nominalHz, float sampleRate)
{
    const float increment = nominalHz / sampleRate * 256.0f;
    if (!(increment > 0.0f) || !std::isfinite(increment))
        return 0.0;
    if (increment >= 255.0f)
        return double(increment) * double(sampleRate) / 255.0;
    // Within each binade [2^e, 2^(e+1)) of the phase, floats are spaced by
    // 2^(e-23), and phase + increment rounds to a multiple of it: every step
    // there adds the increment rounded to that spacing (exactly half-way it
    // alternates, adding the increment on average). Count the steps of one
    // cycle, from the first step's phase up to 255, binade by binade.
    double steps = 1.0; // 0 -> increment, exact
    double phase = increment;
    int exponent = 0;
    std::frexp(double(increment), &exponent); // increment in [2^(exponent-1), 2^exponent)
    for (int e = exponent - 1; phase < 255.0; ++e) {
        const double top = std::min(std::ldexp(1.0, e + 1), 255.0);
        const double spacing = std::ldexp(1.0, e - 23);
        const double units = double(increment) / spacing;
        double step = std::round(units) * spacing;
        if (units - std::floor(units) == 0.5)
            step = double(increment);
        if (step <= 0.0)
            return 0.0; // the phase stops here: the LFO holds its value
        const double n = std::ceil((top - phase) / step);
        steps += n;
        phase += n * step;
    }
    return double(sampleRate) / steps;
}
