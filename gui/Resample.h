// Area-filtered resizing for the scaled editor: every target pixel is the
// average of the source area it covers (fractional at the borders), which
// keeps thin lines and text edges as crisp as the target grid allows and
// never rings. Used once per picture and scale, never per frame.
#pragma once

#include <cstdint>
#include <vector>

namespace VSTGUI {

// Channels of 8 bits per pixel, `channels` of them interleaved (4 for
// premultiplied 0xAARRGGBB words read as bytes, 1 for coverage). Resizes the
// sw x sh block at (sx, sy) of src (srcStride pixels per row) to dw x dh.
// Empty sizes give an empty result.
std::vector<uint8_t> resampleArea(const uint8_t* src, int32_t srcStride, int32_t channels,
                                  int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dw,
                                  int32_t dh);

} // namespace VSTGUI
