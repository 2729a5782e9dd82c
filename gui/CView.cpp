#include "gui/CView.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "gui/CBitmap.h"
#include "gui/CFrame.h"

namespace VSTGUI {

// ---------------------------------------------------------------- CView

CView::CView(const CRect& size) : size(size) {}

void CView::draw(CDrawContext* context) { (void)context; }

CMouseResult CView::onMouseDown(const CPoint& where, int32_t buttons)
{
    (void)where;
    (void)buttons;
    return CMouseResult::Ignored;
}

void CView::onMouseMoved(const CPoint& where, int32_t buttons)
{
    (void)where;
    (void)buttons;
}

void CView::onMouseUp(const CPoint& where, int32_t buttons)
{
    (void)where;
    (void)buttons;
}

int32_t CView::onKeyDown(VstKeyCode& key)
{
    (void)key;
    return -1;
}

int32_t CView::onKeyUp(VstKeyCode& key)
{
    (void)key;
    return -1;
}

bool CView::onWheel(const CPoint& where, float distance, int32_t buttons)
{
    (void)where;
    (void)distance;
    (void)buttons;
    return false;
}

// ------------------------------------------------------- CViewContainer

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer()
{
    removeAll(true);
    setBackground(nullptr);
}

void CViewContainer::addView(CView* view)
{
    if (view == nullptr || isChild(view))
        return;
    views.push_back(view);
    view->attached(frame != nullptr ? frame : dynamic_cast<CFrame*>(this));
    view->setDirty(true);
}

void CViewContainer::removeView(CView* view, bool withForget)
{
    auto it = std::find(views.begin(), views.end(), view);
    if (it == views.end())
        return;
    views.erase(it);
    viewRemoved(view);
    view->removed();
    if (withForget)
        view->forget();
}

void CViewContainer::removeAll(bool withForget)
{
    // In the order the views were added.
    while (!views.empty())
        removeView(views.front(), withForget);
}

CView* CViewContainer::getView(int32_t index) const
{
    if (index < 0 || index >= getNbViews())
        return nullptr;
    return views[static_cast<size_t>(index)];
}

bool CViewContainer::isChild(const CView* view) const
{
    return std::find(views.begin(), views.end(), view) != views.end();
}

CView* CViewContainer::getViewAt(const CPoint& where) const
{
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((*it)->hitTest(where))
            return *it;
    return nullptr;
}

void CViewContainer::setBackground(CBitmap* bitmap)
{
    if (bitmap != nullptr)
        bitmap->remember();
    if (background != nullptr)
        background->forget();
    background = bitmap;
    setDirty(true);
}

// ------------------------------------------------------------- CControl

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag), background(background)
{
    if (background != nullptr)
        background->remember();
}

CControl::~CControl()
{
    if (background != nullptr)
        background->forget();
}

void CControl::bounceValue()
{
    float v = getValue();
    if (std::isnan(v) || v < vmin)
        v = vmin;
    else if (v > vmax)
        v = vmax;
    setValue(v);
}

void CControl::beginEdit()
{
    if (frame != nullptr)
        frame->beginEdit(this);
}

void CControl::endEdit()
{
    if (frame != nullptr)
        frame->endEdit(this);
}

void CControl::notifyListener()
{
    if (listener != nullptr)
        listener->valueChanged(frame != nullptr ? frame->getDrawContext() : nullptr, this);
}

bool CControl::isDirty() const
{
    // Bitwise, so that a NaN value does not ask for a redraw on every idle.
    return dirty || std::bit_cast<uint32_t>(getValue()) != std::bit_cast<uint32_t>(lastDrawnValue);
}

void CControl::setDirty(bool state)
{
    dirty = state;
}

float CControl::valueForDrawing()
{
    lastDrawnValue = getValue();
    return lastDrawnValue;
}

bool CControl::handleModifierClick(int32_t buttons, bool restoresDefault)
{
    if ((buttons & kModifierMask) != 0 && listener != nullptr) {
        CDrawContext* context = frame != nullptr ? frame->getDrawContext() : nullptr;
        if (listener->controlModifierClicked(context, this, buttons) != 0)
            return true;
    }
    if (restoresDefault && (buttons & kLButton) != 0 && (buttons & kControl) != 0) {
        beginEdit();
        setValue(defaultValue);
        notifyListener();
        endEdit();
        return true;
    }
    return false;
}

float CControl::normalizedValue() const
{
    const float range = vmax - vmin;
    if (!(range > 0.f))
        return 0.f;
    const float n = (getValue() - vmin) / range;
    if (!(n > 0.f))
        return 0.f;
    return n < 1.f ? n : 1.f;
}

void CControl::setNormalizedValue(float n)
{
    if (!(n > 0.f))
        n = 0.f;
    else if (n > 1.f)
        n = 1.f;
    setValue(vmin + n * (vmax - vmin));
}

} // namespace VSTGUI
