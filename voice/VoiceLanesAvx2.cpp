// The voices' frame kernel compiled for AVX2 (one 256-bit register per
// value of all eight lanes). Only this file and LadderLanesAvx2.cpp are
// built with -mavx2, and they include nothing but the kernels, so no inline
// function compiled for AVX2 can stand in for the baseline copy elsewhere.
// FMA stays off: the same bits as SSE2. Empty on other architectures.
#if defined(__x86_64__)
#include "voice/VoiceLaneKernel.h"

bool voiceLanesFrameAvx2(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum,
                         float pwmLfoValue, float lfoValue, float smoothedCutoff)
{
    return voicekernel::frame(s, firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue, smoothedCutoff);
}

void voiceLanesPrepareAvx2(VoiceLaneState& s, float pwmLfoValue, float lfoValue, float smoothedCutoff,
                         void (*alongside)(void*), void* context)
{
    voicekernel::prepareFrame(s, pwmLfoValue, lfoValue, smoothedCutoff, alongside, context);
}

void voiceLanesSettleAvx2(VoiceLaneState& s, void (*alongside)(void*), void* context)
{
    voicekernel::settleFrame(s, alongside, context);
}

bool voiceLanesFinishAvx2(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum)
{
    return voicekernel::finishFrame(s, firstHalfSum, secondHalfSum);
}
#endif
