// OnePoleFilter is header-only (every step is inline on the audio path); this
// unit keeps the header compiled on its own.
#include "engine/OnePoleFilter.h"
