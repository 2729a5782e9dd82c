#include "voice/Envelope.h"

Envelope::Envelope(float sampleRate, bool instantAttack)
    : sampleRate(sampleRate), rate(1000.0f / sampleRate * 0.15f), instantAttack(instantAttack)
{
    // A host rate of 0, below 0 or not a number would freeze or reverse every
    // segment: fall back to the default rate of 44100 Hz. Below 150 Hz the
    // unit would pass one level per frame and the decay's fourth power could
    // overflow, so it is capped there; real rates are far above.
    if (!(rate > 0.0f))
        rate = 1000.0f / 44100.0f * 0.15f;
    else if (rate > 1.0f)
        rate = 1.0f;
}
