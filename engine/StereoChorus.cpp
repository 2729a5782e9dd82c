#include "engine/StereoChorus.h"

StereoChorus::StereoChorus(const float* parameters, float sampleRate)
    : parameters(parameters),
      lines{ChorusLine(sampleRate, 1.0f, 0.5f), ChorusLine(sampleRate, 0.0f, 0.5f),
            ChorusLine(sampleRate, 0.0f, 0.83f), ChorusLine(sampleRate, 1.0f, 0.83f)}
{
}

void StereoChorus::setSampleRate(float sampleRate)
{
    for (auto& blocker : dcBlockers)
        blocker = OnePoleFilter();
    for (auto& line : lines)
        line.setSampleRate(sampleRate);
    wetRight = 0.0f;
    wetLeft = 0.0f;
}
