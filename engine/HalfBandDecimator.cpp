// HalfBandDecimator is header-only (its step is inline on the audio path);
// this unit keeps the header compiled on its own.
#include "engine/HalfBandDecimator.h"
