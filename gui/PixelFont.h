// The toolkit's built-in proportional pixel font: letters, digits and the
// usual punctuation, 7 pixels high with a one-row descender. Menu texts and
// the pop-up list use it so that every platform shows the same pixels.
#pragma once

#include <cstdint>

namespace VSTGUI::PixelFont {

constexpr int32_t kAscent = 7;     // rows above the baseline (capital height)
constexpr int32_t kCellHeight = 8; // with the descender row
constexpr int32_t kSpacing = 1;    // blank columns between glyphs

// Whether the font has a glyph of its own for c (others draw as the box).
bool hasGlyph(char c);
// Width in pixels of one glyph (unknown characters draw as a small box).
int32_t glyphWidth(char c);
// Whether the glyph of c has a lit pixel at column x, row y (row 0 on top).
bool glyphPixel(char c, int32_t x, int32_t y);
// Width of a whole string, spacing included.
int32_t textWidth(const char* text);

} // namespace VSTGUI::PixelFont
