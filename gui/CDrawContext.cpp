#include "gui/CDrawContext.h"

#include "gui/PixelFont.h"

namespace VSTGUI {

CDrawContext::CDrawContext(int32_t width, int32_t height)
    : width(width > 0 ? width : 0), height(height > 0 ? height : 0),
      pixels(static_cast<size_t>(this->width) * static_cast<size_t>(this->height), 0xFF000000u),
      clipRect(0, 0, this->width, this->height)
{
}

uint32_t CDrawContext::getPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

void CDrawContext::setClipRect(const CRect& clip)
{
    clipRect = clip;
    clipRect.bound(CRect(0, 0, width, height));
}

void CDrawContext::resetClipRect() { clipRect = CRect(0, 0, width, height); }

void CDrawContext::fillRect(const CRect& r, const CColor& color)
{
    CRect area = r;
    area.bound(clipRect);
    const uint32_t p = color.pixel();
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint32_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = area.left; x < area.right; ++x)
            row[x] = p;
    }
}

void CDrawContext::frameRect(const CRect& r, const CColor& color)
{
    if (r.isEmpty())
        return;
    fillRect(CRect(r.left, r.top, r.right, r.top + 1), color);
    fillRect(CRect(r.left, r.bottom - 1, r.right, r.bottom), color);
    fillRect(CRect(r.left, r.top, r.left + 1, r.bottom), color);
    fillRect(CRect(r.right - 1, r.top, r.right, r.bottom), color);
}

void CDrawContext::setPixel(int32_t x, int32_t y, const CColor& color)
{
    if (clipRect.isEmpty() || x < clipRect.left || x >= clipRect.right || y < clipRect.top ||
        y >= clipRect.bottom)
        return;
    pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
        color.pixel();
}

void CDrawContext::blit(const uint32_t* src, int32_t srcWidth, int32_t srcHeight,
                        const CRect& dest, const CPoint& srcOffset, bool masked, uint32_t maskRgb)
{
    if (src == nullptr || srcWidth <= 0 || srcHeight <= 0)
        return;
    // Destination pixels that map to a source pixel inside the source.
    CRect area = dest;
    area.bound(clipRect);
    area.bound(CRect(dest.left - srcOffset.x, dest.top - srcOffset.y,
                     dest.left - srcOffset.x + srcWidth, dest.top - srcOffset.y + srcHeight));
    maskRgb &= 0x00FFFFFFu;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const int32_t sy = y - dest.top + srcOffset.y;
        const uint32_t* srow = src + static_cast<size_t>(sy) * static_cast<size_t>(srcWidth);
        uint32_t* drow = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = area.left; x < area.right; ++x) {
            const uint32_t p = srow[x - dest.left + srcOffset.x];
            if (masked && (p & 0x00FFFFFFu) == maskRgb)
                continue;
            drow[x] = p | 0xFF000000u;
        }
    }
}

void CDrawContext::drawString(const char* text, const CRect& r, const CColor& color, bool centred)
{
    if (text == nullptr)
        return;
    const CRect savedClip = clipRect;
    CRect clip = r;
    clip.bound(savedClip);
    clipRect = clip;

    const int32_t w = PixelFont::textWidth(text);
    int32_t x = centred ? r.left + (r.width() - w) / 2 : r.left + 2;
    const int32_t y = r.top + (r.height() - PixelFont::kAscent + 1) / 2;
    for (const char* p = text; *p != '\0'; ++p) {
        const int32_t gw = PixelFont::glyphWidth(*p);
        for (int32_t gy = 0; gy < PixelFont::kCellHeight; ++gy)
            for (int32_t gx = 0; gx < gw; ++gx)
                if (PixelFont::glyphPixel(*p, gx, gy))
                    setPixel(x + gx, y + gy, color);
        x += gw + PixelFont::kSpacing;
    }
    clipRect = savedClip;
}

} // namespace VSTGUI
