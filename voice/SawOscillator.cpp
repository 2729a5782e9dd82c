#include "voice/SawOscillator.h"

SawOscillator::SawOscillator(float rate)
    : table(minBlepTable()),
      sampleRate(rate),
      tableStep(float(kMinBlepStepsPerSample)),
      ringSize(kRingSize),
      ring{},
      phase(1.0f),
      lastCorrection(0.0f),
      ringPos(0)
{
}
