#include "voice/PulseOscillator.h"

PulseOscillator::PulseOscillator(float rate)
    : table(minBlepTable()),
      sampleRate(rate),
      tableStep(float(kMinBlepStepsPerSample)),
      ringSize(kRingSize),
      ring{},
      ramp1(1.0f),
      ramp2(1.0f),
      ringPos(0),
      stepSign(1),
      lastCorrection(0.0f),
      stepOffset(0.0f)
{
}
