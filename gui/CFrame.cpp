#include "gui/CFrame.h"

#include "gui/CBitmap.h"
#include "gui/COptionMenu.h"

namespace VSTGUI {
namespace {
struct InputScope {
    explicit InputScope(int32_t& depth) : depth(depth) { ++depth; }
    ~InputScope() { --depth; }
    int32_t& depth;
};
} // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor, float scale)
    : CViewContainer(size), editor(editor), panel(0, 0, size.width(), size.height()),
      canvas(size.width(), size.height(), scale),
      window(platform::createWindow(parentWindow, canvas.getWidth(), canvas.getHeight()))
{
    invalid = panel;
}

CFrame::~CFrame()
{
    if (aliveFlag != nullptr)
        *aliveFlag = false;
    popupMenu = nullptr;
    if (mouseView != nullptr) {
        CView* v = mouseView;
        mouseView = nullptr;
        v->onMouseCancel();
    }
    // Controls are released in the order they were added, then the window.
    removeAll(true);
    setBackground(nullptr);
    window.reset();
}

void CFrame::viewRemoved(CView* view)
{
    if (view == mouseView) {
        mouseView = nullptr;
        view->onMouseCancel();
    }
    if (view == focusView)
        focusView = nullptr;
    if (view == popupMenu)
        closePopup();
    invalidRect(view->getViewSize());
}

void CFrame::idle()
{
    if (!dispatching && window != nullptr) {
        bool alive = true;
        aliveFlag = &alive;
        dispatching = true;
        platform::Event event;
        // Bounded, so a flood of events cannot hold the host's UI thread.
        for (int32_t i = 0; i < 256 && window->nextEvent(event); ++i) {
            handleEvent(event);
            if (!alive)
                return;
        }
        dispatching = false;
        aliveFlag = nullptr;
    }
    updateCanvas();
    present(unpresented);
}

bool CFrame::setScale(float scale)
{
    CDrawContext rescaled(panel.width(), panel.height(), scale);
    if (rescaled.getScale() == canvas.getScale())
        return true;
    if (window != nullptr && !window->resize(rescaled.getWidth(), rescaled.getHeight()))
        return false;
    closePopup();
    canvas = std::move(rescaled);
    invalid = panel;
    unpresented = CRect();
    return true;
}

void CFrame::dispatchPendingPaint()
{
    CRect area;
    if (window != nullptr && window->takePendingPaint(area)) {
        updateCanvas();
        unpresented.unite(canvas.toPanel(area));
        present(unpresented);
    }
}

void CFrame::present(const CRect& area)
{
    CRect r = canvas.toScreen(area);
    r.bound(CRect(0, 0, canvas.getWidth(), canvas.getHeight()));
    if (window != nullptr && !r.isEmpty())
        window->present(canvas, r);
    unpresented = CRect();
}

void CFrame::invalidRect(const CRect& r)
{
    CRect b = r;
    b.bound(panel);
    invalid.unite(b);
}

void CFrame::updateCanvas()
{
    CRect region = invalid;
    for (CView* v : views)
        if (v->isDirty())
            region.unite(v->getViewSize());
    if (popupMenu != nullptr && popupMenu->isPopupDirty())
        region.unite(popupMenu->getPopupRect());
    region.bound(panel);
    invalid = CRect();
    if (region.isEmpty())
        return;
    // Grow the region until every view it touches lies wholly inside, so a
    // view is never left half drawn with a value it is marked as showing.
    for (bool grown = true; grown;) {
        grown = false;
        for (CView* v : views) {
            if (region.rectOverlap(v->getViewSize()) && !region.contains(v->getViewSize())) {
                region.unite(v->getViewSize());
                grown = true;
            }
        }
        if (popupMenu != nullptr && region.rectOverlap(popupMenu->getPopupRect()) &&
            !region.contains(popupMenu->getPopupRect())) {
            region.unite(popupMenu->getPopupRect());
            grown = true;
        }
        region.bound(panel);
    }
    drawRegion(region);
    unpresented.unite(region);
}

void CFrame::drawRegion(CRect region)
{
    canvas.setClipRect(region);
    canvas.fillRect(region, kBlackCColor);
    if (background != nullptr)
        background->draw(&canvas, CRect(0, 0, background->getWidth(), background->getHeight()));
    // Later views lie on top of earlier ones.
    for (CView* v : views) {
        if (region.rectOverlap(v->getViewSize())) {
            v->draw(&canvas);
            v->setDirty(false);
        }
    }
    if (popupMenu != nullptr && region.rectOverlap(popupMenu->getPopupRect()))
        popupMenu->drawPopup(&canvas);
    canvas.resetClipRect();
}

void CFrame::handleEvent(const platform::Event& e)
{
    switch (e.type) {
    case platform::EventType::MouseDown:
        handleMouseDown(canvas.toPanel(e.where), e.buttons);
        break;
    case platform::EventType::MouseUp:
        handleMouseUp(canvas.toPanel(e.where), e.buttons);
        break;
    case platform::EventType::MouseMove:
        handleMouseMoved(canvas.toPanel(e.where), e.buttons);
        break;
    case platform::EventType::Wheel:
        handleWheel(canvas.toPanel(e.where), e.distance, e.buttons);
        break;
    case platform::EventType::KeyDown: {
        VstKeyCode key = e.key;
        handleKeyDown(key);
        break;
    }
    case platform::EventType::KeyUp: {
        VstKeyCode key = e.key;
        handleKeyUp(key);
        break;
    }
    case platform::EventType::Paint:
        unpresented.unite(canvas.toPanel(e.area));
        break;
    }
}

void CFrame::handleMouseDown(const CPoint& where, int32_t buttons)
{
    InputScope scope(inputDepth);
    if (popupMenu != nullptr) {
        popupMenu->popupMouseDown(where);
        return;
    }
    if (mouseView != nullptr) // a second button while tracking: ignored
        return;
    CView* view = getViewAt(where);
    if (view == nullptr) {
        if ((buttons & kRButton) != 0 && editor != nullptr)
            editor->contextClick(where);
        return;
    }
    view->remember(); // the listener may close things while the view handles the press
    const CMouseResult result = view->onMouseDown(where, buttons);
    if (result == CMouseResult::Tracking && isChild(view))
        mouseView = view;
    const bool contextMenu = result == CMouseResult::Ignored && (buttons & kRButton) != 0;
    if (popupMenu != nullptr && popupMenu == view)
        popupFromPress = true;
    view->forget();
    if (contextMenu && editor != nullptr)
        editor->contextClick(where);
}

void CFrame::handleMouseMoved(const CPoint& where, int32_t buttons)
{
    InputScope scope(inputDepth);
    if (popupMenu != nullptr) {
        popupMenu->popupMouseMoved(where);
        return;
    }
    if (mouseView != nullptr)
        mouseView->onMouseMoved(where, buttons);
}

void CFrame::handleMouseUp(const CPoint& where, int32_t buttons)
{
    InputScope scope(inputDepth);
    if (popupMenu != nullptr) {
        // Press on the menu, drag into the list, release on an entry.
        if (popupFromPress && popupMenu->getPopupRect().pointInside(where))
            popupMenu->popupMouseDown(where);
        popupFromPress = false;
        return;
    }
    if (mouseView != nullptr) {
        CView* view = mouseView;
        mouseView = nullptr;
        view->onMouseUp(where, buttons);
    }
}

bool CFrame::handleKeyDown(VstKeyCode& key)
{
    InputScope scope(inputDepth);
    if (popupMenu != nullptr)
        return popupMenu->popupKeyDown(key);
    if (focusView != nullptr && isChild(focusView))
        return focusView->onKeyDown(key) == 1;
    return false;
}

bool CFrame::handleKeyUp(VstKeyCode& key)
{
    if (popupMenu != nullptr)
        return false;
    if (focusView != nullptr && isChild(focusView))
        return focusView->onKeyUp(key) == 1;
    return false;
}

bool CFrame::handleWheel(const CPoint& where, float distance, int32_t buttons)
{
    InputScope scope(inputDepth);
    if (popupMenu != nullptr || mouseView != nullptr)
        return false;
    CView* view = getViewAt(where);
    return view != nullptr && view->onWheel(where, distance, buttons);
}

bool CFrame::getCurrentMouseLocation(CPoint& where, int32_t& buttons) const
{
    buttons = 0;
    if (window == nullptr || !window->pointerState(where, buttons))
        return false;
    where = canvas.toPanel(where);
    return true;
}

void CFrame::beginEdit(CControl* control)
{
    focusView = control;
    if (editor != nullptr)
        editor->beginEdit(control->getTag());
}

void CFrame::endEdit(CControl* control)
{
    if (editor != nullptr)
        editor->endEdit(control->getTag());
}

void CFrame::openPopup(COptionMenu* menu)
{
    if (popupMenu != nullptr)
        closePopup();
    if (menu == nullptr || !isChild(menu))
        return;
    popupMenu = menu;
    popupFromPress = false;
    menu->layoutPopup(panel);
    invalidRect(menu->getPopupRect());
}

void CFrame::closePopup()
{
    if (popupMenu == nullptr)
        return;
    invalidRect(popupMenu->getPopupRect());
    popupMenu = nullptr;
    popupFromPress = false;
}

} // namespace VSTGUI
