// The portable pixel canvas everything is drawn into: 32-bit 0xAARRGGBB
// pixels, row after row, with one clip rectangle. The frame owns one; each
// platform only copies (parts of) it to the screen, so every platform shows
// the same pixels.
//
// The canvas may be drawn at a scale (1 to 3): views keep describing
// themselves in panel pixels (the 695 x 350 layout) and the canvas turns
// every rectangle into screen pixels by rounding its edges, so views that do
// not overlap on the panel never overlap on the screen. Bitmaps are drawn
// from artwork made for the scale (ScaledArtwork) and text from glyphs made
// for the scale (GlyphAtlas); at scale 1 every drawing operation is exactly
// the unscaled one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/CGraphics.h"

namespace VSTGUI {

class GlyphAtlas;

class CDrawContext {
public:
    // width x height panel pixels, shown at `scale` (clamped to 1..3).
    CDrawContext(int32_t width, int32_t height, float scale = 1.f);
    ~CDrawContext();
    CDrawContext(CDrawContext&&) noexcept;
    CDrawContext& operator=(CDrawContext&&) noexcept;

    // Screen pixels.
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    const uint32_t* getPixels() const { return pixels.data(); }
    uint32_t* getPixels() { return pixels.data(); }
    // Pixel at screen pixel (x, y); 0 outside the canvas.
    uint32_t getPixel(int32_t x, int32_t y) const;

    float getScale() const { return scale; }
    bool isScaled() const { return scale != 1.f; }
    // Panel rectangle -> the screen pixels it covers (edges rounded).
    CRect toScreen(const CRect& r) const;
    // Screen rectangle -> the smallest panel rectangle covering it.
    CRect toPanel(const CRect& r) const;
    // Screen point -> the panel pixel under it.
    CPoint toPanel(const CPoint& p) const;

    // Drawing is limited to the clip rectangle (panel pixels; always inside
    // the canvas).
    void setClipRect(const CRect& clip);
    const CRect& getClipRect() const { return clipRect; }
    void resetClipRect();

    void fillRect(const CRect& r, const CColor& color);
    // One-pixel outline just inside r (one panel pixel, as wide as it shows).
    void frameRect(const CRect& r, const CColor& color);
    void setPixel(int32_t x, int32_t y, const CColor& color);

    // Copies src (srcWidth x srcHeight pixels) into dest, reading from
    // srcOffset onward; source pixels outside the source are not drawn.
    // With masked set, pixels whose RGB equals maskRgb are skipped. Panel
    // pixels, one source pixel to one panel pixel: for unscaled canvases (a
    // scaled canvas draws bitmaps through blitScreen).
    void blit(const uint32_t* src, int32_t srcWidth, int32_t srcHeight, const CRect& dest,
              const CPoint& srcOffset, bool masked, uint32_t maskRgb);
    // Composes premultiplied 0xAARRGGBB pixels (w x h, exactly the size of
    // the screen rectangle `dest`) over the canvas inside the clip.
    void blitScreen(const uint32_t* src, int32_t w, int32_t h, const CRect& dest);

    // Text in the built-in pixel font, vertically centred in r; centred
    // horizontally or starting at r.left + 2. Clipped to r.
    void drawString(const char* text, const CRect& r, const CColor& color, bool centred = true);
    // Text with its top-left corner at `topLeft`, each font pixel
    // textScale x textScale panel pixels (the font's cell is 8 high, a
    // glyph advances by its width plus one).
    void drawText(const char* text, const CPoint& topLeft, int32_t textScale, const CColor& color);

private:
    int32_t screenEdge(int32_t panel) const;
    void fillScreen(CRect area, uint32_t pixel);

    int32_t width;
    int32_t height;
    float scale;
    std::vector<uint32_t> pixels;
    CRect clipRect;   // panel pixels
    CRect screenClip; // the same on the screen
    std::unique_ptr<GlyphAtlas> glyphs; // made at the first scaled text
};

} // namespace VSTGUI
