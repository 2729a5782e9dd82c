// The eight-lane ladder compiled for AVX2 (one 256-bit register per value).
// This file alone is built with -mavx2, and it includes nothing but the
// kernel, so no inline function compiled for AVX2 can stand in for the
// baseline copy elsewhere. FMA stays off: the same bits as SSE2. Empty on
// other architectures.
#if defined(__x86_64__)
#include "voice/LadderLanes.h"

void runLadderLanesAvx2(LadderLaneBlock& block) { ladderlanes::runFrame<ladderlanes::F8>(block, 0); }
#endif
