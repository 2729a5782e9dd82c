#include "gui/BmpReader.h"

namespace VSTGUI {
namespace {

uint32_t u16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t u32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

} // namespace

bool readBmp(const uint8_t* data, size_t size, BmpImage& out)
{
    out = BmpImage{};
    constexpr size_t kFileHeader = 14;
    if (data == nullptr || size < kFileHeader + 12 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint64_t pixelOffset = u32(data + 10);
    const uint32_t infoSize = u32(data + 14);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bpp = 0;
    uint32_t compression = 0;
    if (infoSize == 12) { // OS/2 core header: 16-bit unsigned sizes
        width = u16(data + 18);
        height = u16(data + 20);
        if (u16(data + 22) != 1)
            return false;
        bpp = u16(data + 24);
    } else if (infoSize >= 40 && infoSize <= 1024) {
        if (size < kFileHeader + 40)
            return false;
        width = static_cast<int32_t>(u32(data + 18));
        height = static_cast<int32_t>(u32(data + 22));
        if (u16(data + 26) != 1)
            return false;
        bpp = u16(data + 28);
        compression = u32(data + 30);
    } else {
        return false;
    }
    if (kFileHeader + uint64_t(infoSize) > size)
        return false;
    // BI_RGB only (BI_BITFIELDS with 32 bits would need masks; not accepted).
    if (compression != 0 || (bpp != 24 && bpp != 32))
        return false;
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > kMaxBmpDimension || height > kMaxBmpDimension)
        return false;
    const uint64_t stride = ((uint64_t(width) * bpp + 31) / 32) * 4;
    if (pixelOffset < kFileHeader + infoSize || pixelOffset > size ||
        stride * uint64_t(height) > size - pixelOffset)
        return false;

    out.width = static_cast<int32_t>(width);
    out.height = static_cast<int32_t>(height);
    out.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    const size_t bytesPerPixel = bpp / 8;
    for (int64_t row = 0; row < height; ++row) {
        const int64_t fileRow = topDown ? row : height - 1 - row;
        const uint8_t* src = data + pixelOffset + uint64_t(fileRow) * stride;
        uint32_t* dst = out.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int64_t x = 0; x < width; ++x) {
            const uint8_t* p = src + static_cast<size_t>(x) * bytesPerPixel;
            dst[x] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[0]);
        }
    }
    return true;
}

} // namespace VSTGUI
