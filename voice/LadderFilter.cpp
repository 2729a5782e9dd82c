#include "voice/LadderFilter.h"

#include <cmath>

LadderFilter::LadderFilter(float sampleRate)
    // Only rates above 44100 Hz scale the cutoff down; 0, negative or NaN
    // rates leave it unscaled.
    : rateScale(sampleRate > 44100.0f ? 44100.0f / sampleRate : 1.0f)
{
}

float LadderFilter::stageGain(float cutoff, float rateScale)
{
    // As in process(), step by step.
    const float c = cutoff > 0.0f ? (cutoff < 1.0f ? cutoff : 1.0f) : 0.0f;
    const float fc = rateScale * c * 0.5f;
    const float fcr = 1.873f * fc * fc * fc + 0.4955f * fc * fc - 0.649f * fc + 0.9988f;
    const float x = -(3.1415927f * fcr * fc);
    const float E = ((((x * 0.008333334f + 0.041666668f) * x + 0.16666667f) * x + 0.5f) * x + 1.0f) * x + 1.0f;
    return (1.0f - E) * 40000.0f;
}

double LadderFilter::cornerFrequency(float cutoff, float sampleRate)
{
    const LadderFilter shape(sampleRate);
    const double a = double(stageGain(cutoff, shape.rateScale)) * double(shape.driveScale) * 0.5;
    const double b = 1.0 - a; // each stage: H = a / (1 - b z^-1), unity at DC
    const double runRate = 2.0 * double(sampleRate);
    if (!(a > 0.0))
        return 0.0;
    // Eight stages 3 dB down: |H|^2 = a^2 / (1 + b^2 - 2 b cos w) = 2^(-1/8),
    // solved as 1 - cos w = a^2 (2^(1/8) - 1) / (2 b), which keeps its
    // precision for the low corners, where w is tiny.
    if (!(b > 0.0))
        return runRate * 0.5;
    const double half = a * std::sqrt((std::pow(2.0, 0.125) - 1.0) / (4.0 * b)); // sin(w / 2)
    if (!(half < 1.0))
        return runRate * 0.5; // flat up to the sub-sample Nyquist
    return 2.0 * std::asin(half) / (2.0 * 3.14159265358979323846) * runRate;
}
