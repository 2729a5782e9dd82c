#include "faces/vst3/Vst3Text.h"

namespace vemo::vst3face {

namespace {

// One code point from UTF-8 at `text`, advancing it; U+FFFD for a byte
// that starts no valid sequence.
char32_t nextCodePoint(const unsigned char*& text)
{
    const unsigned char lead = *text++;
    if (lead < 0x80)
        return lead;
    int more = 0;
    char32_t point = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1;
        point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2;
        point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3;
        point = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int i = 0; i < more; ++i) {
        if ((*text & 0xC0) != 0x80)
            return 0xFFFD; // the terminator or a new character: not consumed
        point = (point << 6) | (*text++ & 0x3F);
    }
    return point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF) ? point : 0xFFFD;
}

} // namespace

void toString128(vst3::char16* target, const char* text, int32_t capacity)
{
    if (target == nullptr || capacity <= 0)
        return;
    int32_t n = 0;
    const auto* at = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    while (*at != 0) {
        const char32_t point = nextCodePoint(at);
        if (point >= 0x10000) {
            if (n + 2 >= capacity)
                break;
            target[n++] = vst3::char16(0xD800 + ((point - 0x10000) >> 10));
            target[n++] = vst3::char16(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            if (n + 1 >= capacity)
                break;
            target[n++] = vst3::char16(point);
        }
    }
    target[n] = 0;
}

std::string fromString128(const vst3::char16* text)
{
    std::string out;
    for (int i = 0; i < 128 && text[i] != 0; ++i) {
        char32_t point = text[i];
        if (point >= 0xD800 && point <= 0xDBFF && i + 1 < 128 && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            point = 0x10000 + ((point - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (point >= 0xD800 && point <= 0xDFFF) {
            point = 0xFFFD;
        }
        if (point < 0x80) {
            out += char(point);
        } else if (point < 0x800) {
            out += char(0xC0 | (point >> 6));
            out += char(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += char(0xE0 | (point >> 12));
            out += char(0x80 | ((point >> 6) & 0x3F));
            out += char(0x80 | (point & 0x3F));
        } else {
            out += char(0xF0 | (point >> 18));
            out += char(0x80 | ((point >> 12) & 0x3F));
            out += char(0x80 | ((point >> 6) & 0x3F));
            out += char(0x80 | (point & 0x3F));
        }
    }
    return out;
}

bool sameString128(const vst3::char16* a, const vst3::char16* b)
{
    for (int i = 0; i < 128; ++i) {
        if (a[i] != b[i])
            return false;
        if (a[i] == 0)
            return true;
    }
    return true;
}

} // namespace vemo::vst3face
