// Text for a scaled canvas: the pixel font's glyphs redrawn from a real
// typeface at 2, 3, 4 and 6 times the font's size (the module's glyph
// atlases), each cell the pixel glyph's cell times that factor, so text set
// at any scale takes exactly the room it takes at 1 and only the shapes are
// finer. A glyph is reduced from the nearest atlas at least as large, once
// per size it is shown at. UI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace VSTGUI {

class GlyphAtlas {
public:
    // Atlas factors and their resources (id kResourceBase + factor).
    static constexpr int32_t kFactors[] = {2, 3, 4, 6};
    static constexpr int32_t kResourceBase = 1400;

    // Coverage (0..255, w x h bytes) of c's cell (glyph width + 1 font
    // pixels wide, 8 high) drawn `factor` screen pixels per font pixel and
    // fitted to w x h; null when no atlas could be read.
    const uint8_t* cell(char c, float factor, int32_t w, int32_t h);

    // Left edge of c's cell in an atlas of `factor`, in that atlas's pixels
    // (the cells follow one another in ascending character order, the
    // font's box for unknown characters last).
    static int32_t cellLeft(char c, int32_t factor);

private:
    struct Atlas {
        bool tried = false;
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint8_t> coverage;
    };
    const Atlas* atlas(int32_t factor);

    Atlas atlases[4];
    std::map<std::tuple<int32_t, int32_t, int32_t, int32_t>, std::vector<uint8_t>> cells;
};

} // namespace VSTGUI
