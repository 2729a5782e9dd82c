#include "gui/COptionMenu.h"

#include <algorithm>
#include <cmath>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/PixelFont.h"

namespace VSTGUI {
namespace {
constexpr uint8_t kVirtualKeyEnter = 19; // the keypad's Enter key
}

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int32_t tag,
                         CBitmap* background, CBitmap* bgWhenClick, int32_t style)
    : CControl(size, listener, tag, background)
{
    (void)bgWhenClick;
    (void)style;
}

COptionMenu::~COptionMenu()
{
    if (scheme != nullptr)
        scheme->forget();
}

bool COptionMenu::addEntry(const char* text)
{
    if (text == nullptr)
        return false;
    entries.emplace_back(text);
    return true;
}

const char* COptionMenu::getEntry(int32_t index) const
{
    if (index < 0 || index >= getNbEntries())
        return nullptr;
    return entries[static_cast<size_t>(index)].c_str();
}

bool COptionMenu::setCurrent(int32_t index)
{
    if (index < 0 || index >= getNbEntries())
        return false;
    current = index;
    CControl::setValue(static_cast<float>(index));
    setDirty(true);
    return true;
}

void COptionMenu::setValue(float v)
{
    // Range-checked as a float first: converting an out-of-range float
    // (or NaN) to an integer is undefined.
    const float t = std::trunc(v);
    if (t >= 0.f && t < static_cast<float>(getNbEntries())) {
        current = static_cast<int32_t>(t);
        CControl::setValue(t);
    }
    setDirty(true);
}

void COptionMenu::setScheme(COptionMenuScheme* s)
{
    if (s != nullptr)
        s->remember();
    if (scheme != nullptr)
        scheme->forget();
    scheme = s;
}

void COptionMenu::draw(CDrawContext* context)
{
    valueForDrawing();
    if (background != nullptr)
        background->draw(context, size);
    else
        context->fillRect(size, backColor);
    context->frameRect(size, frameColor);
    if (const char* text = getEntry(current))
        context->drawString(text, CRect(size.left + 1, size.top + 1, size.right - 1, size.bottom - 1),
                            fontColor, true);
}

CMouseResult COptionMenu::onMouseDown(const CPoint& where, int32_t buttons)
{
    (void)where;
    if ((buttons & kLButton) == 0 || getNbEntries() == 0)
        return CMouseResult::Ignored;
    if (handleModifierClick(buttons, false))
        return CMouseResult::Handled;
    if (frame != nullptr)
        frame->openPopup(this);
    return CMouseResult::Handled;
}

void COptionMenu::layoutPopup(const CRect& bounds)
{
    int32_t textWidth = 0;
    for (const std::string& e : entries)
        textWidth = std::max(textWidth, PixelFont::textWidth(e.c_str()));
    const int32_t w = std::min(std::max(textWidth + 14, size.width()), bounds.width());
    const int32_t maxItems = std::max(1, (bounds.height() - 4) / kItemHeight);
    const int32_t h = std::min(getNbEntries(), maxItems) * kItemHeight + 4;
    // Below the menu when it fits, else above, else as low as the window allows.
    int32_t top = size.bottom;
    if (top + h > bounds.bottom)
        top = size.top - h;
    if (top < bounds.top)
        top = std::max(bounds.top, bounds.bottom - h);
    int32_t left = std::min(size.left, bounds.right - w);
    left = std::max(left, bounds.left);
    popupRect = CRect(left, top, left + w, top + h);
    hover = current;
    popupDirty = true;
}

int32_t COptionMenu::popupEntryAt(const CPoint& where) const
{
    if (where.x < popupRect.left + 2 || where.x >= popupRect.right - 2 ||
        where.y < popupRect.top + 2 || where.y >= popupRect.bottom - 2)
        return -1;
    const int32_t i = (where.y - popupRect.top - 2) / kItemHeight;
    return i < getNbEntries() ? i : -1;
}

void COptionMenu::drawPopup(CDrawContext* context)
{
    // Without a scheme the list uses the scheme's default colours.
    struct DefaultScheme : COptionMenuScheme {};
    static DefaultScheme defaultScheme;
    const COptionMenuScheme& s = scheme != nullptr ? *scheme : defaultScheme;
    context->fillRect(popupRect, s.backgroundColor);
    context->frameRect(popupRect, s.textColor);
    const int32_t rows = (popupRect.height() - 4) / kItemHeight;
    for (int32_t i = 0; i < rows && i < getNbEntries(); ++i) {
        const CRect item(popupRect.left + 2, popupRect.top + 2 + i * kItemHeight,
                         popupRect.right - 2, popupRect.top + 2 + (i + 1) * kItemHeight);
        CColor text = s.textColor;
        if (i == hover) {
            context->fillRect(item, s.selectionColor);
            text = s.hiliteTextColor;
        }
        if (i == current) // a check mark on the selected entry
            context->fillRect(CRect(item.left + 2, item.top + 4, item.left + 5, item.top + 7),
                              s.hiliteTextColor);
        context->drawString(entries[static_cast<size_t>(i)].c_str(),
                            CRect(item.left + 6, item.top, item.right, item.bottom), text, false);
    }
    popupDirty = false;
}

void COptionMenu::popupMouseDown(const CPoint& where)
{
    const int32_t i = popupEntryAt(where);
    if (frame != nullptr)
        frame->closePopup();
    if (i >= 0)
        chooseEntry(i);
}

void COptionMenu::popupMouseMoved(const CPoint& where)
{
    const int32_t i = popupEntryAt(where);
    if (i != hover && i >= 0) {
        hover = i;
        popupDirty = true;
    }
}

bool COptionMenu::popupKeyDown(const VstKeyCode& key)
{
    switch (key.virt) {
    case VKEY_UP:
        if (hover > 0) {
            --hover;
            popupDirty = true;
        }
        return true;
    case VKEY_DOWN:
        if (hover + 1 < getNbEntries()) {
            ++hover;
            popupDirty = true;
        }
        return true;
    case VKEY_RETURN:
    case kVirtualKeyEnter: {
        const int32_t i = hover;
        if (frame != nullptr)
            frame->closePopup();
        if (i >= 0)
            chooseEntry(i);
        return true;
    }
    case VKEY_ESCAPE:
        if (frame != nullptr)
            frame->closePopup();
        return true;
    default:
        return false;
    }
}

void COptionMenu::chooseEntry(int32_t index)
{
    if (index < 0 || index >= getNbEntries())
        return;
    beginEdit();
    current = index;
    CControl::setValue(static_cast<float>(index));
    setDirty(true);
    notifyListener();
    endEdit();
}

} // namespace VSTGUI
