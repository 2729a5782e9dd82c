#include "gui/CDrawContext.h"

#include <cmath>

#include "gui/GlyphAtlas.h"
#include "gui/PixelFont.h"

namespace VSTGUI {
namespace {

float clampScale(float s)
{
    if (!(s >= 1.f))
        return 1.f;
    return s > 3.f ? 3.f : s;
}

int32_t screenSize(int32_t panel, float scale)
{
    if (panel <= 0)
        return 0;
    return static_cast<int32_t>(std::floor(static_cast<float>(panel) * scale + 0.5f));
}

} // namespace

CDrawContext::CDrawContext(int32_t width, int32_t height, float scale)
    : width(screenSize(width, clampScale(scale))), height(screenSize(height, clampScale(scale))),
      scale(clampScale(scale)),
      pixels(static_cast<size_t>(this->width) * static_cast<size_t>(this->height), 0xFF000000u)
{
    resetClipRect();
}

CDrawContext::~CDrawContext() = default;
CDrawContext::CDrawContext(CDrawContext&&) noexcept = default;
CDrawContext& CDrawContext::operator=(CDrawContext&&) noexcept = default;

uint32_t CDrawContext::getPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

int32_t CDrawContext::screenEdge(int32_t panel) const
{
    if (scale == 1.f)
        return panel;
    return static_cast<int32_t>(std::floor(static_cast<double>(panel) * scale + 0.5));
}

CRect CDrawContext::toScreen(const CRect& r) const
{
    return CRect(screenEdge(r.left), screenEdge(r.top), screenEdge(r.right), screenEdge(r.bottom));
}

CRect CDrawContext::toPanel(const CRect& r) const
{
    if (scale == 1.f)
        return r;
    return CRect(static_cast<int32_t>(std::floor(r.left / scale)),
                 static_cast<int32_t>(std::floor(r.top / scale)),
                 static_cast<int32_t>(std::ceil(r.right / scale)),
                 static_cast<int32_t>(std::ceil(r.bottom / scale)));
}

CPoint CDrawContext::toPanel(const CPoint& p) const
{
    if (scale == 1.f)
        return p;
    return CPoint(static_cast<int32_t>(std::floor(p.x / scale)),
                  static_cast<int32_t>(std::floor(p.y / scale)));
}

void CDrawContext::setClipRect(const CRect& clip)
{
    clipRect = clip;
    screenClip = toScreen(clip);
    screenClip.bound(CRect(0, 0, width, height));
    clipRect.bound(toPanel(CRect(0, 0, width, height)));
}

void CDrawContext::resetClipRect() { setClipRect(toPanel(CRect(0, 0, width, height))); }

void CDrawContext::fillScreen(CRect area, uint32_t p)
{
    area.bound(screenClip);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint32_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = area.left; x < area.right; ++x)
            row[x] = p;
    }
}

void CDrawContext::fillRect(const CRect& r, const CColor& color) { fillScreen(toScreen(r), color.pixel()); }

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
    if (scale != 1.f) {
        fillRect(CRect(x, y, x + 1, y + 1), color);
        return;
    }
    if (screenClip.isEmpty() || x < screenClip.left || x >= screenClip.right || y < screenClip.top ||
        y >= screenClip.bottom)
        return;
    pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
        color.pixel();
}

void CDrawContext::blit(const uint32_t* src, int32_t srcWidth, int32_t srcHeight,
                        const CRect& dest, const CPoint& srcOffset, bool masked, uint32_t maskRgb)
{
    if (src == nullptr || srcWidth <= 0 || srcHeight <= 0 || scale != 1.f)
        return;
    // Destination pixels that map to a source pixel inside the source.
    CRect area = dest;
    area.bound(screenClip);
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

void CDrawContext::blitScreen(const uint32_t* src, int32_t w, int32_t h, const CRect& dest)
{
    if (src == nullptr || w != dest.width() || h != dest.height() || w <= 0 || h <= 0)
        return;
    CRect area = dest;
    area.bound(screenClip);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint32_t* srow = src + static_cast<size_t>(y - dest.top) * static_cast<size_t>(w);
        uint32_t* drow = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = area.left; x < area.right; ++x) {
            const uint32_t p = srow[x - dest.left];
            const uint32_t a = p >> 24;
            if (a == 255) {
                drow[x] = p;
            } else if (a != 0) {
                // Premultiplied "over".
                const uint32_t d = drow[x];
                const uint32_t keep = 255 - a;
                uint32_t out = 0xFF000000u;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const uint32_t c = ((p >> shift) & 0xFF) + (((d >> shift) & 0xFF) * keep + 127) / 255;
                    out |= (c > 255 ? 255 : c) << shift;
                }
                drow[x] = out;
            }
        }
    }
}

void CDrawContext::drawText(const char* text, const CPoint& topLeft, int32_t textScale, const CColor& color)
{
    if (text == nullptr || textScale <= 0)
        return;
    int32_t x = topLeft.x;
    const int32_t y = topLeft.y;
    if (scale == 1.f) {
        // The font's own pixels, each a textScale-sized block.
        for (const char* p = text; *p != '\0'; ++p) {
            const int32_t gw = PixelFont::glyphWidth(*p);
            for (int32_t gy = 0; gy < PixelFont::kCellHeight; ++gy)
                for (int32_t gx = 0; gx < gw; ++gx)
                    if (PixelFont::glyphPixel(*p, gx, gy)) {
                        if (textScale == 1)
                            setPixel(x + gx, y + gy, color);
                        else
                            fillRect(CRect(x + gx * textScale, y + gy * textScale, x + (gx + 1) * textScale,
                                           y + (gy + 1) * textScale),
                                     color);
                    }
            x += (gw + PixelFont::kSpacing) * textScale;
        }
        return;
    }
    if (glyphs == nullptr)
        glyphs = std::make_unique<GlyphAtlas>();
    const float factor = scale * static_cast<float>(textScale);
    for (const char* p = text; *p != '\0'; ++p) {
        const int32_t advance = (PixelFont::glyphWidth(*p) + PixelFont::kSpacing) * textScale;
        const CRect cell = toScreen(CRect(x, y, x + advance, y + PixelFont::kCellHeight * textScale));
        x += advance;
        const uint8_t* coverage = glyphs->cell(*p, factor, cell.width(), cell.height());
        if (coverage == nullptr)
            continue;
        CRect area = cell;
        area.bound(screenClip);
        for (int32_t sy = area.top; sy < area.bottom; ++sy) {
            uint32_t* row = pixels.data() + static_cast<size_t>(sy) * static_cast<size_t>(width);
            const uint8_t* cov = coverage + static_cast<size_t>(sy - cell.top) * static_cast<size_t>(cell.width());
            for (int32_t sx = area.left; sx < area.right; ++sx) {
                const uint32_t a = cov[sx - cell.left];
                if (a == 0)
                    continue;
                const uint32_t d = row[sx];
                const uint8_t ink[3] = {color.blue, color.green, color.red};
                uint32_t out = 0xFF000000u;
                for (int k = 0; k < 3; ++k) {
                    const uint32_t dc = (d >> (8 * k)) & 0xFF;
                    out |= ((ink[k] * a + dc * (255 - a) + 127) / 255) << (8 * k);
                }
                row[sx] = out;
            }
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
    setClipRect(clip);

    const int32_t w = PixelFont::textWidth(text);
    const int32_t x = centred ? r.left + (r.width() - w) / 2 : r.left + 2;
    const int32_t y = r.top + (r.height() - PixelFont::kAscent + 1) / 2;
    drawText(text, CPoint(x, y), 1, color);
    setClipRect(savedClip);
}

} // namespace VSTGUI
