// VST 3 hands texts over as UTF-16 in fixed arrays of 128 units; the rest
// of the program speaks UTF-8. Any thread: no allocation except
// fromString128's result.
#pragma once

#include "vst3/Vst3Abi.h"

#include <cstdint>
#include <string>

namespace vemo::vst3face {

// `text` (UTF-8) into `target` of `capacity` units, cut at a whole
// character so that the terminator fits. A malformed byte becomes U+FFFD.
void toString128(vst3::char16* target, const char* text, int32_t capacity = 128);

// A host's text, up to its terminator or 128 units, as UTF-8.
std::string fromString128(const vst3::char16* text);

// Equal up to the terminator (at most 128 units).
bool sameString128(const vst3::char16* a, const vst3::char16* b);

} // namespace vemo::vst3face
