// A menu showing its selected entry; a click opens a pop-up list drawn by the
// frame over everything, and choosing an entry there makes its index the
// menu's value. UI thread only.
#pragma once

#include <string>
#include <vector>

#include "gui/CView.h"

namespace VSTGUI {

// Colours of the pop-up list.
class COptionMenuScheme : public CReferenceCounter {
public:
    COptionMenuScheme() = default;
    CColor backgroundColor{240, 240, 240, 255};
    CColor selectionColor{0, 90, 170, 255}; // background of the entry under the pointer
    CColor textColor{0, 0, 0, 255};
    CColor hiliteTextColor{255, 255, 255, 255};
    CColor disableTextColor{128, 128, 128, 255};

protected:
    ~COptionMenuScheme() override = default;
};

class COptionMenu : public CControl {
public:
    static constexpr int32_t kItemHeight = 11; // pixels per entry in the pop-up

    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag,
                CBitmap* background = nullptr, CBitmap* bgWhenClick = nullptr, int32_t style = 0);

    bool addEntry(const char* text);
    int32_t getNbEntries() const { return static_cast<int32_t>(entries.size()); }
    // The entry's text, or null.
    const char* getEntry(int32_t index) const;
    int32_t getCurrent() const { return current; }
    // Selects an existing entry without telling anyone; false otherwise.
    bool setCurrent(int32_t index);
    // Selects trunc(v) when that is an entry index; otherwise keeps the entry.
    // Either way the menu is redrawn at the next idle.
    void setValue(float v) override;

    void setFontColor(const CColor& c) { fontColor = c; }
    void setBackColor(const CColor& c) { backColor = c; }
    void setFrameColor(const CColor& c) { frameColor = c; }
    const CColor& getFontColor() const { return fontColor; }
    const CColor& getBackColor() const { return backColor; }
    const CColor& getFrameColor() const { return frameColor; }
    // Keeps a reference of its own on the scheme.
    void setScheme(COptionMenuScheme* scheme);
    COptionMenuScheme* getScheme() const { return scheme; }

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;

    // The pop-up list (used by the frame while it is open).
    void layoutPopup(const CRect& bounds);
    const CRect& getPopupRect() const { return popupRect; }
    bool isPopupDirty() const { return popupDirty; }
    // The entry under the point, or -1.
    int32_t popupEntryAt(const CPoint& where) const;
    int32_t getHoverEntry() const { return hover; }
    void drawPopup(CDrawContext* context);
    void popupMouseDown(const CPoint& where);
    void popupMouseMoved(const CPoint& where);
    bool popupKeyDown(const VstKeyCode& key);
    // Chooses an entry as the user does: gesture, value, report.
    void chooseEntry(int32_t index);

protected:
    ~COptionMenu() override;

private:
    std::vector<std::string> entries;
    int32_t current = 0;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    COptionMenuScheme* scheme = nullptr;
    CRect popupRect;
    int32_t hover = -1;
    bool popupDirty = false;
};

} // namespace VSTGUI
