#include "gui/GlyphAtlas.h"

#include "gui/CBitmap.h"
#include "gui/PixelFont.h"
#include "gui/Resample.h"

namespace VSTGUI {
namespace {

// Characters with a glyph of their own map to themselves; the rest share
// the box, drawn in the cell after the last character.
constexpr int32_t kBoxSlot = 128;

int32_t slotOf(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 128 && PixelFont::hasGlyph(c) ? u : kBoxSlot;
}

int32_t slotWidth(int32_t slot)
{
    return PixelFont::glyphWidth(slot == kBoxSlot ? '\x01' : static_cast<char>(slot)) + PixelFont::kSpacing;
}

} // namespace

int32_t GlyphAtlas::cellLeft(char c, int32_t factor)
{
    const int32_t slot = slotOf(c);
    int32_t left = 0;
    for (int32_t s = 0; s < slot; ++s)
        if (s < 128 && PixelFont::hasGlyph(static_cast<char>(s)))
            left += slotWidth(s);
    return left * factor;
}

const GlyphAtlas::Atlas* GlyphAtlas::atlas(int32_t factor)
{
    for (size_t i = 0; i < std::size(kFactors); ++i) {
        if (kFactors[i] != factor)
            continue;
        Atlas& a = atlases[i];
        if (!a.tried) {
            a.tried = true;
            auto* bmp = new CBitmap(kResourceBase + factor);
            // The atlas must hold every cell at the expected height.
            const int32_t expectedWidth = cellLeft('\x01', factor) + slotWidth(kBoxSlot) * factor;
            if (bmp->getWidth() == expectedWidth && bmp->getHeight() == PixelFont::kCellHeight * factor) {
                a.width = bmp->getWidth();
                a.height = bmp->getHeight();
                a.coverage.resize(static_cast<size_t>(a.width) * static_cast<size_t>(a.height));
                const uint32_t* p = bmp->getPixels();
                for (size_t k = 0; k < a.coverage.size(); ++k)
                    a.coverage[k] = static_cast<uint8_t>((p[k] >> 8) & 0xFF); // green: grey ink
            }
            bmp->forget();
        }
        return a.coverage.empty() ? nullptr : &a;
    }
    return nullptr;
}

const uint8_t* GlyphAtlas::cell(char c, float factor, int32_t w, int32_t h)
{
    if (w <= 0 || h <= 0)
        return nullptr;
    // The smallest atlas at least as fine as the text is shown; the finest
    // one beyond that.
    int32_t chosen = kFactors[std::size(kFactors) - 1];
    for (int32_t f : kFactors) {
        if (static_cast<float>(f) >= factor - 0.001f) {
            chosen = f;
            break;
        }
    }
    const int32_t slot = slotOf(c);
    const auto key = std::make_tuple(slot, chosen, w, h);
    auto found = cells.find(key);
    if (found != cells.end())
        return found->second.data();
    const Atlas* a = atlas(chosen);
    if (a == nullptr)
        return nullptr;
    const int32_t left = cellLeft(c, chosen);
    const int32_t cellWidth = slotWidth(slot) * chosen;
    std::vector<uint8_t> fitted =
        resampleArea(a->coverage.data(), a->width, 1, left, 0, cellWidth, a->height, w, h);
    if (fitted.empty())
        return nullptr;
    return cells.emplace(key, std::move(fitted)).first->second.data();
}

} // namespace VSTGUI
