// Reader for Windows bitmap files: uncompressed 24-bit (and 32-bit) pixels,
// bottom-up or top-down rows. Every size and offset in the file is checked
// against the buffer before use; anything else is rejected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VSTGUI {

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // 0xFFRRGGBB, top row first
};

// Largest width or height accepted (guards against absurd allocations).
constexpr int32_t kMaxBmpDimension = 8192;

// Decodes data into out; answers false (out left empty) for anything that
// is not a well-formed uncompressed 24- or 32-bit bitmap.
bool readBmp(const uint8_t* data, size_t size, BmpImage& out);

} // namespace VSTGUI
