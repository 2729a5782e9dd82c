#include "voice/LadderFilter.h"

LadderFilter::LadderFilter(float sampleRate)
    // Only rates above 44100 Hz scale the cutoff down; 0, negative or NaN
    // rates leave it unscaled.
    : rateScale(sampleRate > 44100.0f ? 44100.0f / sampleRate : 1.0f)
{
}
