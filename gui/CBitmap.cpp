#include "gui/CBitmap.h"

#include <atomic>

#include "gui/BmpReader.h"
#include "gui/CDrawContext.h"
#include "gui/EmbeddedResources.h"
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
    if (!readBmp(data, size, image))
        return;
    width = image.width;
    height = image.height;
    pixels = std::move(image.pixels);
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    if (context != nullptr && isLoaded())
        context->blit(pixels.data(), width, height, dest, offset, false, 0);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    if (context != nullptr && isLoaded())
        context->blit(pixels.data(), width, height, dest, offset, true, transparentColor.rgb());
}

} // namespace VSTGUI
