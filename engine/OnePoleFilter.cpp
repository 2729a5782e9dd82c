// OnePoleFilter is header-only (every step is inline on the audio path); this
// unit keeps the header compiled on its own.
#include "engine/OnePoleFilter.h"

#include <cmath>

double OnePoleFilter::highPassCorner(float R, int stages, float sampleRate)
{
    // Per step |H|^2 = (2 - 2 cos w) / (1 + R^2 - 2 R cos w); the chain is 3 dB
    // down where each step gives k = 2^(-1/stages). Solved for cos w, written
    // as 1 - cos w so that poles near 1 keep their precision.
    const double r = R;
    const double k = std::pow(2.0, -1.0 / double(stages));
    const double oneMinusCos = k * (1.0 - r) * (1.0 - r) / (2.0 * (1.0 - k * r));
    const double half = std::sqrt(oneMinusCos / 2.0);
    if (!(half < 1.0))
        return double(sampleRate) * 0.5;
    return 2.0 * std::asin(half) / (2.0 * 3.14159265358979323846) * double(sampleRate);
}
