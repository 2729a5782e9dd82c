#include "gui/CBitmap.h"

#include <atomic>
#include <cstring>

#include "gui/BmpReader.h"
#include "gui/CDrawContext.h"
#include "gui/EmbeddedResources.h"
#include "gui/PngReader.h"
#include "gui/Resample.h"
#ifdef _WIN32
#include "gui/platform/Win32.h"
#endif

namespace VSTGUI {
namespace {
std::atomic<int32_t> liveBitmaps{0};
}

CBitmap::CBitmap(int32_t resourceId) : resourceId(resourceId)
{
    ++liveBitmaps;
#ifdef _WIN32
    // Windows: the artwork is the module's BITMAP resources.
    BmpImage image;
    if (platform::loadBitmapResource(resourceId, image)) {
        width = image.width;
        height = image.height;
        pixels = std::move(image.pixels);
    }
#else
    if (const EmbeddedResource* res = findEmbeddedResource(resourceId))
        load(res->data, res->size);
#endif
}

CBitmap::CBitmap(int32_t w, int32_t h)
{
    ++liveBitmaps;
    if (w > 0 && h > 0 && w <= kMaxBmpDimension && h <= kMaxBmpDimension) {
        width = w;
        height = h;
        pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF000000u);
    }
}

CBitmap::CBitmap(const uint8_t* bmpData, size_t size)
{
    ++liveBitmaps;
    load(bmpData, size);
}

CBitmap::~CBitmap() { --liveBitmaps; }

int32_t CBitmap::getLiveCount() { return liveBitmaps.load(); }

void CBitmap::load(const uint8_t* data, size_t size)
{
    BmpImage image;
    if (!(looksLikePng(data, size) ? readPng(data, size, image) : readBmp(data, size, image)))
        return;
    width = image.width;
    height = image.height;
    pixels = std::move(image.pixels);
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    if (context == nullptr || !isLoaded())
        return;
    if (context->isScaled())
        drawScaled(context, dest, offset, false);
    else
        context->blit(pixels.data(), width, height, dest, offset, false, 0);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    if (context == nullptr || !isLoaded())
        return;
    if (context->isScaled())
        drawScaled(context, dest, offset, true);
    else
        context->blit(pixels.data(), width, height, dest, offset, true, transparentColor.rgb());
}

const std::vector<uint32_t>& CBitmap::scaledSource(float scale, int32_t& factor)
{
    factor = scale <= 2.f ? 2 : 3;
    const size_t slot = static_cast<size_t>(factor - 2);
    if (!largerTried[slot]) {
        largerTried[slot] = true;
        if (resourceId > 0) {
            auto* art = new CBitmap(resourceId + kScaledIdStep * factor);
            // Only artwork of exactly the factor's size lines up with the
            // panel's coordinates.
            if (art->getWidth() == width * factor && art->getHeight() == height * factor)
                larger[slot] = std::move(art->pixels);
            art->forget();
        }
    }
    if (larger[slot].empty())
        factor = 1;
    return factor == 1 ? pixels : larger[slot];
}

void CBitmap::drawScaled(CDrawContext* context, CRect dest, CPoint offset, bool masked)
{
    // The part of the bitmap dest shows; dest shrinks where it reaches
    // beyond the bitmap.
    if (offset.x < 0) {
        dest.left -= offset.x;
        offset.x = 0;
    }
    if (offset.y < 0) {
        dest.top -= offset.y;
        offset.y = 0;
    }
    dest.right = std::min(dest.right, dest.left + (width - offset.x));
    dest.bottom = std::min(dest.bottom, dest.top + (height - offset.y));
    if (dest.isEmpty())
        return;
    const CRect screen = context->toScreen(dest);
    if (screen.isEmpty())
        return;
    const auto key = std::make_tuple(offset.x, offset.y, dest.width(), dest.height(), screen.width(),
                                     screen.height(), masked);
    auto found = parts.find(key);
    if (found == parts.end()) {
        int32_t factor = 1;
        const std::vector<uint32_t>& source = scaledSource(context->getScale(), factor);
        const int32_t sw = dest.width() * factor;
        const int32_t sh = dest.height() * factor;
        const int32_t stride = width * factor;
        // The part, premultiplied: the transparent colour is coverage 0.
        std::vector<uint32_t> block(static_cast<size_t>(sw) * static_cast<size_t>(sh));
        const uint32_t keyRgb = transparentColor.rgb();
        for (int32_t y = 0; y < sh; ++y) {
            const uint32_t* row = source.data() + static_cast<size_t>(offset.y * factor + y) * static_cast<size_t>(stride) +
                                  static_cast<size_t>(offset.x * factor);
            for (int32_t x = 0; x < sw; ++x) {
                const uint32_t p = row[x];
                block[static_cast<size_t>(y) * static_cast<size_t>(sw) + static_cast<size_t>(x)] =
                    masked && (p & 0x00FFFFFFu) == keyRgb ? 0u : (p | 0xFF000000u);
            }
        }
        std::vector<uint8_t> fitted = resampleArea(reinterpret_cast<const uint8_t*>(block.data()), sw, 4, 0, 0, sw,
                                                   sh, screen.width(), screen.height());
        std::vector<uint32_t> made(fitted.size() / 4);
        std::memcpy(made.data(), fitted.data(), made.size() * 4);
        // A bitmap drawn at many offsets (a knob's 51 frames, a moving
        // handle) keeps at most a few hundred parts.
        if (parts.size() > 512)
            parts.clear();
        found = parts.emplace(key, std::move(made)).first;
    }
    context->blitScreen(found->second.data(), screen.width(), screen.height(), screen);
}

} // namespace VSTGUI
