// Basic geometry and colour types of the widget toolkit, plus the mouse
// button and modifier bits every input path uses.
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
    constexpr CPoint() = default;
    constexpr CPoint(int32_t x, int32_t y) : x(x), y(y) {}
    constexpr bool operator==(const CPoint&) const = default;
};

// A rectangle in window pixels. It covers the pixel columns left..right-1 and
// rows top..bottom-1 when drawn; hit tests include the right and bottom edges.
struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
        : left(left), top(top), right(right), bottom(bottom)
    {
    }
    constexpr bool operator==(const CRect&) const = default;

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }

    // Edges included, as the click routing needs.
    constexpr bool pointInside(const CPoint& p) const
    {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    constexpr bool rectOverlap(const CRect& r) const
    {
        return !isEmpty() && !r.isEmpty() && r.left < right && r.right > left && r.top < bottom &&
               r.bottom > top;
    }
    constexpr bool contains(const CRect& r) const
    {
        return r.left >= left && r.right <= right && r.top >= top && r.bottom <= bottom;
    }
    CRect& offset(int32_t dx, int32_t dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& bound(const CRect& r)
    {
        left = std::max(left, r.left);
        top = std::max(top, r.top);
        right = std::min(right, r.right);
        bottom = std::min(bottom, r.bottom);
        if (right < left)
            right = left;
        if (bottom < top)
            bottom = top;
        return *this;
    }
    CRect& unite(const CRect& r)
    {
        if (r.isEmpty())
            return *this;
        if (isEmpty()) {
            *this = r;
            return *this;
        }
        left = std::min(left, r.left);
        top = std::min(top, r.top);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
        return *this;
    }
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;
    constexpr bool operator==(const CColor&) const = default;
    // Canvas pixel, 0xAARRGGBB with an opaque alpha.
    constexpr uint32_t pixel() const
    {
        return 0xFF000000u | (uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue);
    }
    constexpr uint32_t rgb() const { return pixel() & 0x00FFFFFFu; }
};

constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
// Default transparent colour of a bitmap: white with alpha 0.
constexpr CColor kTransparentCColor{255, 255, 255, 0};

// Mouse buttons and modifier keys held during an event.
enum CButton : int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
    kApple = 1 << 6, // the system key (Super/Windows)
};
constexpr int32_t kModifierMask = kShift | kControl | kAlt | kApple;

} // namespace VSTGUI
