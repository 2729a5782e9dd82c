#include "voice/LadderLanes.h"

// The eight-float values stay inside this file's inline kernel (see the
// header), so their calling convention without AVX does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

void runLadderLanesSse2(LadderLaneBlock& block) { ladderlanes::runFrame<ladderlanes::F8>(block, 0); }

void runLadderLane(LadderLaneBlock& block, int lane) { ladderlanes::runFrame<float>(block, lane); }
