// A 5 x 7 pixel font for labels in generated pictures: digits, capital
// letters (small letters are drawn as capitals) and common punctuation.
#pragma once

#include <cstdint>

namespace vemo::render {

// Seven rows, bit 4 the leftmost pixel; null for a character not in the
// font (drawn as a blank).
const uint8_t* glyph5x7(char c);

} // namespace vemo::render
