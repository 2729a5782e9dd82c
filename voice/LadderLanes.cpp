#include "voice/LadderLanes.h"

// The eight-float values stay inside this file's inline kernel (see the
// header), so their calling convention without AVX does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

// The target's baseline copy: SSE2 on x86-64, two float32x4 NEON registers
// per value on aarch64.
void runLadderLanesBaseline(LadderLaneBlock& block) { ladderlanes::runFrame<ladderlanes::F8>(block, 0); }

void runLadderLane(LadderLaneBlock& block, int lane) { ladderlanes::runFrame<float>(block, lane); }
