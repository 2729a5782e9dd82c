// The host-visible names of the 47 parameters.
#pragma once

#include <cstdint>

// Name shown to the host for a parameter index; "Param" for indices without
// a name of their own (0, 7, 36..46) and for any index out of range.
const char* parameterName(int32_t index);

// Longest name plus terminator: what getParameterName may write.
inline constexpr int kMaxParameterNameBytes = 18;
