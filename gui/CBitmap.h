// A picture for the widgets: loaded from the module's embedded resources by
// id (or made blank of a given size), drawn plain or with its transparent
// colour left out. A resource that is missing or unreadable gives an empty
// bitmap (0 x 0) that draws nothing. UI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "gui/CGraphics.h"
#include "gui/CReferenceCounter.h"

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
public:
    explicit CBitmap(int32_t resourceId);
    CBitmap(int32_t width, int32_t height); // black
    // Decodes a bitmap file held in memory (empty when unreadable).
    CBitmap(const uint8_t* bmpData, size_t size);

    int32_t getResourceId() const { return resourceId; }
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    bool isLoaded() const { return width > 0 && height > 0; }

    void setTransparentColor(const CColor& color) { transparentColor = color; }
    const CColor& getTransparentColor() const { return transparentColor; }

    // Draws the part of the bitmap starting at offset into dest (panel
    // pixels). On a scaled canvas the part is drawn from the artwork made
    // for the scale (resource id + kScaledIdStep x 2 or x 3: the bitmap at
    // twice or three times the size), reduced with an area filter to the
    // screen pixels dest covers, the transparent colour turned into smooth
    // coverage; each part is made once per size and kept.
    void draw(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint());
    // As draw, leaving out pixels of the transparent colour (RGB compared).
    void drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint());

    // 0xFFRRGGBB, top row first; width * height entries.
    const uint32_t* getPixels() const { return pixels.data(); }
    uint32_t* getPixels() { return pixels.data(); }

    // Number of CBitmap objects alive in the process (leak checks).
    static int32_t getLiveCount();

    static constexpr int32_t kScaledIdStep = 1000;

protected:
    ~CBitmap() override;

private:
    void load(const uint8_t* data, size_t size);
    void drawScaled(CDrawContext* context, CRect dest, CPoint offset, bool masked);
    // The artwork for a canvas of `scale`, and its factor (1 when only the
    // bitmap itself is there).
    const std::vector<uint32_t>& scaledSource(float scale, int32_t& factor);

    int32_t resourceId = -1;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    CColor transparentColor = kTransparentCColor;

    // Artwork at x2 and x3 (loaded at the first scaled draw) and the parts
    // made from it: (source x, y, w, h, screen w, h, masked) -> premultiplied
    // pixels.
    std::vector<uint32_t> larger[2];
    bool largerTried[2] = {false, false};
    std::map<std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool>, std::vector<uint32_t>> parts;
};

} // namespace VSTGUI
