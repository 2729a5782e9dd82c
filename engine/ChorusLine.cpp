#include "engine/ChorusLine.h"

#include <algorithm>
#include <cmath>

namespace {

// Elements for a host rate: the 7 ms scale plus 2001 spare. Rates that are
// not a positive number get the spare only; absurdly high rates are capped
// at 1 MHz, the size of the memory (the delay is limited to the buffer in
// process()).
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
    : buffer(std::make_unique<float[]>(size_t(kMaxLength))), rate(rate), startPhase(startPhase)
{
    setSampleRate(sampleRate);
}

void ChorusLine::setSampleRate(float newRate)
{
    sampleRate = newRate;
    length = lineLength(newRate);
    std::fill(buffer.get(), buffer.get() + length, 0.0f);
    writePosition = length - 1;
    output = 0.0f;
    delay = 0.0f;
    fraction = 0.0f;
    readPosition = 0;
    previousPosition = 0;
    lowPass = OnePoleFilter();
    allpassState = 0.0f;
    triangle = startPhase * 2.0f - 1.0f;
    triangleStep = rate / sampleRate * 4.0f;
    direction = 1.0f;
    // The sweep must be finite or it poisons every delay computation.
    if (!std::isfinite(triangleStep))
        triangleStep = 0.0f;
    if (!std::isfinite(triangle))
        triangle = 0.0f;
}
