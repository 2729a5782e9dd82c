// Reader for the PNG pictures the module carries (the artwork at 2x and 3x
// and the glyph atlases): decoded with stb_image (Debian's libstb-dev,
// compiled into the module, so it depends on nothing at run time).
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/BmpReader.h"

namespace VSTGUI {

// Whether data starts like a PNG file.
bool looksLikePng(const uint8_t* data, size_t size);
// Decodes data into out (RGB, grey as R = G = B; 0xFFRRGGBB, top row
// first); false (out left empty) for anything it cannot read or larger
// than kMaxBmpDimension either way.
bool readPng(const uint8_t* data, size_t size, BmpImage& out);

} // namespace VSTGUI
