// The portable pixel canvas everything is drawn into: 32-bit 0xAARRGGBB
// pixels, row after row, with one clip rectangle. The frame owns one; each
// platform only copies (parts of) it to the screen, so every platform shows
// the same pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/CGraphics.h"

namespace VSTGUI {

class CDrawContext {
public:
    CDrawContext(int32_t width, int32_t height);

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    const uint32_t* getPixels() const { return pixels.data(); }
    uint32_t* getPixels() { return pixels.data(); }
    // Pixel at (x, y); 0 outside the canvas.
    uint32_t getPixel(int32_t x, int32_t y) const;

    // Drawing is limited to the clip rectangle (always inside the canvas).
    void setClipRect(const CRect& clip);
    const CRect& getClipRect() const { return clipRect; }
    void resetClipRect();

    void fillRect(const CRect& r, const CColor& color);
    // One-pixel outline just inside r.
    void frameRect(const CRect& r, const CColor& color);
    void setPixel(int32_t x, int32_t y, const CColor& color);

    // Copies src (srcWidth x srcHeight pixels) into dest, reading from
    // srcOffset onward; source pixels outside the source are not drawn.
    // With masked set, pixels whose RGB equals maskRgb are skipped.
    void blit(const uint32_t* src, int32_t srcWidth, int32_t srcHeight, const CRect& dest,
              const CPoint& srcOffset, bool masked, uint32_t maskRgb);

    // Text in the built-in pixel font, vertically centred in r; centred
    // horizontally or starting at r.left + 2. Clipped to r.
    void drawString(const char* text, const CRect& r, const CColor& color, bool centred = true);

private:
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;
    CRect clipRect;
};

} // namespace VSTGUI
