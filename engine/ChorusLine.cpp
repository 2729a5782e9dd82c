#include "engine/ChorusLine.h"

#include <cmath>

namespace {

// Elements for a host rate: the 7 ms scale plus 2001 spare. Rates that are
// not a positive number get the spare only; absurdly high rates are capped
// at 1 MHz so the allocation stays bounded (the delay is limited to the
// buffer in process()).
int lineLength(float sampleRate)
{
    float rate = sampleRate;
    if (!(rate > 0.0f))
        rate = 0.0f;
    else if (rate > 1.0e6f)
        rate = 1.0e6f;
    return int(std::floor(rate * 0.007f)) + 2001;
}

} // namespace

ChorusLine::ChorusLine(float sampleRate, float startPhase, float rate)
    : length(lineLength(sampleRate)), rate(rate), sampleRate(sampleRate),
      triangle(startPhase * 2.0f - 1.0f), triangleStep(rate / sampleRate * 4.0f)
{
    buffer = std::make_unique<float[]>(size_t(length)); // value-initialised: zeros
    writePosition = length - 1;
    // The sweep must be finite or it poisons every delay computation.
    if (!std::isfinite(triangleStep))
        triangleStep = 0.0f;
    if (!std::isfinite(triangle))
        triangle = 0.0f;
}
