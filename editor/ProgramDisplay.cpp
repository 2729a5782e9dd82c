#include "editor/ProgramDisplay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gui/CDrawContext.h"
#include "gui/PixelFont.h"

using namespace VSTGUI;

namespace {

// An amber panel behind dark glass, set into the header like the section
// boxes below it: the captions' amber, brighter where it is the value.
constexpr CColor kShadow{8, 6, 11, 255};     // recess, top and left
constexpr CColor kRim{66, 60, 84, 255};      // recess, bottom and right
constexpr CColor kGlassTop{27, 20, 15, 255};
constexpr CColor kGlassBottom{12, 9, 8, 255};
constexpr CColor kReflection{44, 34, 27, 255};
constexpr CColor kDivider{52, 38, 26, 255};
constexpr CColor kCaption{214, 140, 66, 255};
constexpr CColor kCorner{158, 108, 60, 255};
constexpr CColor kLarge{255, 186, 92, 255};
constexpr CColor kGlow{78, 48, 22, 255};
constexpr CColor kUnlit{52, 37, 24, 255};

constexpr int32_t kPad = 10;
constexpr int32_t kSmallTop = 6;
constexpr int32_t kDividerRow = 18;
constexpr int32_t kLargeTop = 24;
constexpr int32_t kLargeScale = 2;

int32_t smallWidth(const std::string& text) { return PixelFont::textWidth(text.c_str()); }

// The built-in pixel font, each pixel a scale x scale block of panel pixels
// (glyphs made for the canvas's scale when it is drawn larger).
void drawText(CDrawContext* c, const std::string& text, int32_t x, int32_t y, int32_t scale,
              const CColor& colour)
{
    c->drawText(text.c_str(), CPoint(x, y), scale, colour);
}

CColor mix(const CColor& a, const CColor& b, int32_t i, int32_t n)
{
    auto channel = [&](uint8_t p, uint8_t q) { return static_cast<uint8_t>(p + (q - p) * i / (n > 0 ? n : 1)); };
    return CColor{channel(a.red, b.red), channel(a.green, b.green), channel(a.blue, b.blue), 255};
}

// Cuts a text to what fits in `room` pixels at `width`'s measure.
std::string fitted(std::string text, int32_t room, int32_t (*width)(const std::string&))
{
    while (!text.empty() && width(text) > room)
        text.pop_back();
    return text;
}

} // namespace

ProgramDisplay::ProgramDisplay(const CRect& size) : CView(size) {}

int32_t ProgramDisplay::largeWidth(const std::string& text) { return smallWidth(text) * kLargeScale; }

void ProgramDisplay::set(std::string& target, const std::string& text)
{
    if (target != text) {
        target = text;
        setDirty(true);
    }
}

void ProgramDisplay::setProgram(int32_t number, const std::string& name)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(number));
    programLine = std::string(digits) + "  " + name;
    update();
}

void ProgramDisplay::showProgram()
{
    parameterMode = false;
    update();
}

void ProgramDisplay::showParameter(const std::string& title, const std::string& value, float position)
{
    parameterMode = true;
    parameterTitle = title;
    parameterValue = value;
    parameterSegments = -1;
    if (position >= 0.f) // NaN draws no bar either
        parameterSegments = static_cast<int32_t>(std::lround(std::min(position, 1.f) * float(kBarSegments)));
    update();
}

void ProgramDisplay::update()
{
    set(captionText, parameterMode ? parameterTitle : std::string("PROGRAM"));
    set(cornerText, parameterMode ? programLine : std::string());
    set(mainText, parameterMode ? parameterValue : programLine);
    const int32_t segments = parameterMode ? parameterSegments : -1;
    if (segments != litSegments) {
        litSegments = segments;
        setDirty(true);
    }
}

void ProgramDisplay::draw(CDrawContext* c)
{
    const CRect& r = size;
    // The recess: dark above and left, lit below and right.
    c->fillRect(r, kShadow);
    c->fillRect(CRect(r.left + 1, r.bottom - 1, r.right, r.bottom), kRim);
    c->fillRect(CRect(r.right - 1, r.top + 1, r.right, r.bottom), kRim);
    // The glass, darker towards the bottom, with a faint reflection along its top.
    const CRect glass(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
    const int32_t rows = glass.height();
    for (int32_t y = 0; y < rows; ++y)
        c->fillRect(CRect(glass.left, glass.top + y, glass.right, glass.top + y + 1),
                    mix(kGlassTop, kGlassBottom, y, rows - 1));
    c->fillRect(CRect(glass.left, glass.top, glass.right, glass.top + 1), kReflection);
    c->fillRect(CRect(glass.left + kPad - 4, r.top + kDividerRow, glass.right - kPad + 4,
                      r.top + kDividerRow + 1),
                kDivider);

    const int32_t room = glass.width() - 2 * (kPad - 2);
    const int32_t left = r.left + kPad;
    const std::string corner = fitted(cornerText, room / 2, smallWidth);
    const std::string caption = fitted(captionText, room - smallWidth(corner) - 8, smallWidth);
    drawText(c, caption, left, r.top + kSmallTop, 1, kCaption);
    drawText(c, corner, r.right - kPad - smallWidth(corner), r.top + kSmallTop, 1, kCorner);

    const int32_t barRoom = litSegments >= 0 ? kBarSegments * 5 + 8 : 0;
    const std::string large = fitted(mainText, room - barRoom, largeWidth);
    const int32_t top = r.top + kLargeTop;
    // A soft halo first, as the lit segments of a display glow into the glass.
    for (const auto& [dx, dy] : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}})
        drawText(c, large, left + dx, top + dy, kLargeScale, kGlow);
    drawText(c, large, left, top, kLargeScale, kLarge);

    // The bar: where the value stands in its range, right-aligned on the
    // large line, lit segments bright, the rest faint.
    if (litSegments >= 0) {
        const int32_t segmentWidth = 4, gap = 1, height = 10;
        const int32_t width = kBarSegments * (segmentWidth + gap) - gap;
        const int32_t x0 = r.right - kPad - width;
        const int32_t y0 = top + 3;
        for (int32_t i = 0; i < kBarSegments; ++i) {
            const int32_t x = x0 + i * (segmentWidth + gap);
            c->fillRect(CRect(x, y0, x + segmentWidth, y0 + height), i < litSegments ? kLarge : kUnlit);
        }
    }
}
