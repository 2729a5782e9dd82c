#include "gui/PngReader.h"

#include <cstring>

// Only what the artwork needs: PNG from memory, 8 bits per channel.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 8192
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include "stb_image.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace VSTGUI {

bool looksLikePng(const uint8_t* data, size_t size)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data != nullptr && size >= 8 && std::memcmp(data, signature, 8) == 0;
}

bool readPng(const uint8_t* data, size_t size, BmpImage& out)
{
    out = BmpImage{};
    if (!looksLikePng(data, size) || size > size_t(0x7FFFFFFF))
        return false;
    int w = 0, h = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &channels, 3);
    if (rgb == nullptr)
        return false;
    if (w > 0 && h > 0 && w <= kMaxBmpDimension && h <= kMaxBmpDimension) {
        out.width = w;
        out.height = h;
        out.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (size_t i = 0; i < out.pixels.size(); ++i)
            out.pixels[i] = 0xFF000000u | (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) |
                            uint32_t(rgb[3 * i + 2]);
    }
    stbi_image_free(rgb);
    return out.width > 0;
}

} // namespace VSTGUI
