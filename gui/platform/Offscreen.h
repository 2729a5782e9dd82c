// A window without a screen, for tests and screenshots: it keeps a copy of
// everything presented to it and takes its input from a queue the caller
// fills, so the frame's normal input path runs.
#pragma once

#include <deque>
#include <vector>

#include "gui/Platform.h"

namespace VSTGUI::platform {

class OffscreenWindow : public Window {
public:
    OffscreenWindow(void* parent, int32_t width, int32_t height);

    void present(const CDrawContext& canvas, const CRect& area) override;
    bool nextEvent(Event& event) override;
    bool takePendingPaint(CRect& area) override;
    bool pointerState(CPoint& where, int32_t& buttons) override;
    bool resize(int32_t width, int32_t height) override;

    // Input for the frame's next idle.
    void post(const Event& event);
    void postMouseDown(CPoint where, int32_t buttons = kLButton);
    void postMouseMove(CPoint where, int32_t buttons = kLButton);
    void postMouseUp(CPoint where, int32_t buttons = kLButton);
    void postPaint(const CRect& area);
    // Where the pointer is and what is held (for wheel input from the host).
    void setPointer(CPoint where, int32_t buttons = 0);

    void* getParent() const { return parent; }
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    // What the screen would show: the presented pixels (0xAARRGGBB).
    const std::vector<uint32_t>& getScreen() const { return screen; }
    int32_t getPresentCount() const { return presentCount; }
    const CRect& getLastPresented() const { return lastPresented; }

private:
    void* parent;
    int32_t width;
    int32_t height;
    std::vector<uint32_t> screen;
    std::deque<Event> events;
    std::deque<CRect> paints;
    CPoint pointer;
    int32_t pointerButtons = 0;
    int32_t presentCount = 0;
    CRect lastPresented;
};

} // namespace VSTGUI::platform
