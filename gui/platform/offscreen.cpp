#include "gui/platform/Offscreen.h"

#include "gui/CDrawContext.h"

namespace VSTGUI::platform {

OffscreenWindow::OffscreenWindow(void* parent, int32_t width, int32_t height)
    : parent(parent), width(width), height(height),
      screen(static_cast<size_t>(width) * static_cast<size_t>(height), 0)
{
}

bool OffscreenWindow::resize(int32_t newWidth, int32_t newHeight)
{
    if (newWidth <= 0 || newHeight <= 0)
        return false;
    width = newWidth;
    height = newHeight;
    screen.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return true;
}

void OffscreenWindow::present(const CDrawContext& canvas, const CRect& area)
{
    CRect r = area;
    r.bound(CRect(0, 0, std::min(width, canvas.getWidth()), std::min(height, canvas.getHeight())));
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            screen[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                canvas.getPixel(x, y);
    ++presentCount;
    lastPresented = r;
}

bool OffscreenWindow::nextEvent(Event& event)
{
    if (events.empty())
        return false;
    event = events.front();
    events.pop_front();
    return true;
}

bool OffscreenWindow::takePendingPaint(CRect& area)
{
    if (paints.empty())
        return false;
    area = paints.front();
    paints.pop_front();
    return true;
}

bool OffscreenWindow::pointerState(CPoint& where, int32_t& buttons)
{
    where = pointer;
    buttons = pointerButtons;
    return true;
}

void OffscreenWindow::post(const Event& event) { events.push_back(event); }

void OffscreenWindow::postMouseDown(CPoint where, int32_t buttons)
{
    Event e;
    e.type = EventType::MouseDown;
    e.where = where;
    e.buttons = buttons;
    post(e);
}

void OffscreenWindow::postMouseMove(CPoint where, int32_t buttons)
{
    Event e;
    e.type = EventType::MouseMove;
    e.where = where;
    e.buttons = buttons;
    post(e);
}

void OffscreenWindow::postMouseUp(CPoint where, int32_t buttons)
{
    Event e;
    e.type = EventType::MouseUp;
    e.where = where;
    e.buttons = buttons;
    post(e);
}

void OffscreenWindow::postPaint(const CRect& area) { paints.push_back(area); }

void OffscreenWindow::setPointer(CPoint where, int32_t buttons)
{
    pointer = where;
    pointerButtons = buttons;
}

std::unique_ptr<Window> createOffscreenWindow(void* parent, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    return std::make_unique<OffscreenWindow>(parent, width, height);
}

} // namespace VSTGUI::platform
