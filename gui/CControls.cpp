#include "gui/CControls.h"

#include <cmath>
#include <numbers>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

namespace VSTGUI {
namespace {

float clamp01(float v)
{
    if (!(v > 0.f))
        return 0.f;
    return v < 1.f ? v : 1.f;
}

// Index of the frame for a 0..1 position, kept inside the strip.
int32_t frameIndex(float scaled, int32_t frames)
{
    if (!(scaled > 0.f))
        return 0;
    const float last = static_cast<float>(frames - 1);
    return scaled >= last ? frames - 1 : static_cast<int32_t>(scaled);
}

} // namespace

// ---------------------------------------------------------- CStepControl

int32_t CStepControl::onKeyDown(VstKeyCode& key)
{
    const float step = (key.modifier & MODIFIER_SHIFT) != 0 ? 0.01f : 0.1f;
    switch (key.virt) {
    case VKEY_UP:
    case VKEY_RIGHT:
        stepBy(step);
        return 1;
    case VKEY_DOWN:
    case VKEY_LEFT:
        stepBy(-step);
        return 1;
    default:
        return -1;
    }
}

bool CStepControl::onWheel(const CPoint& where, float distance, int32_t buttons)
{
    (void)where;
    if (!std::isfinite(distance))
        return false;
    stepBy(distance * ((buttons & kShift) != 0 ? 0.01f : 0.1f));
    return true;
}

void CStepControl::stepBy(float delta)
{
    beginEdit();
    setNormalizedValue(normalizedValue() + delta);
    notifyListener();
    endEdit();
}

// ------------------------------------------------------------- CAnimKnob

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag,
                     int32_t subPixmaps, int32_t heightOfOneImage, CBitmap* background,
                     const CPoint& offset)
    : CStepControl(size, listener, tag, background), subPixmaps(subPixmaps > 0 ? subPixmaps : 1),
      heightOfOneImage(heightOfOneImage), offset(offset)
{
}

int32_t CAnimKnob::currentFrame() const
{
    return frameIndex(normalizedValue() * static_cast<float>(subPixmaps - 1), subPixmaps);
}

void CAnimKnob::draw(CDrawContext* context)
{
    valueForDrawing();
    if (background == nullptr)
        return;
    const CPoint src(offset.x, offset.y + currentFrame() * heightOfOneImage);
    if (transparency)
        background->drawTransparent(context, size, src);
    else
        background->draw(context, size, src);
}

float CAnimKnob::valueFromAngle(const CPoint& where) const
{
    const float cx = static_cast<float>(size.left) + static_cast<float>(size.width()) * 0.5f;
    const float cy = static_cast<float>(size.top) + static_cast<float>(size.height()) * 0.5f;
    const float dx = static_cast<float>(where.x) - cx;
    const float dy = static_cast<float>(where.y) - cy;
    // Clockwise from twelve o'clock, -180..180 degrees; the knob turns
    // through 270 degrees centred on twelve.
    const float degrees = std::atan2(dx, -dy) * (180.f / std::numbers::pi_v<float>);
    return clamp01((degrees + 135.f) / 270.f);
}

void CAnimKnob::dragByAngle(const CPoint& where)
{
    const float cx = static_cast<float>(size.left) + static_cast<float>(size.width()) * 0.5f;
    const float cy = static_cast<float>(size.top) + static_cast<float>(size.height()) * 0.5f;
    if (static_cast<float>(where.x) == cx && static_cast<float>(where.y) == cy)
        return; // no angle at the very centre
    const float old = normalizedValue();
    float v = valueFromAngle(where);
    // Crossing the gap at the bottom does not wrap around.
    if (old - v > 0.5f)
        v = 1.f;
    else if (v - old > 0.5f)
        v = 0.f;
    if (v != old) {
        setNormalizedValue(v);
        notifyListener();
    }
}

CMouseResult CAnimKnob::onMouseDown(const CPoint& where, int32_t buttons)
{
    if ((buttons & kLButton) == 0)
        return CMouseResult::Ignored;
    if (handleModifierClick(buttons, true))
        return CMouseResult::Handled;
    const int32_t mode = frame != nullptr && frame->getEditor() != nullptr
                             ? frame->getEditor()->getKnobMode()
                             : 0;
    linear = (mode == 2) != ((buttons & kAlt) != 0);
    beginDrag();
    lastPoint = where;
    if (!linear)
        dragByAngle(where);
    return CMouseResult::Tracking;
}

void CAnimKnob::onMouseMoved(const CPoint& where, int32_t buttons)
{
    if (!tracking)
        return;
    if (linear) {
        const int32_t pixels = (where.x - lastPoint.x) + (lastPoint.y - where.y);
        lastPoint = where;
        if (pixels == 0)
            return;
        const float perPixel = (buttons & kShift) != 0 ? 1.f / 300.f : 1.f / 200.f;
        const float old = normalizedValue();
        setNormalizedValue(old + static_cast<float>(pixels) * perPixel);
        if (normalizedValue() != old)
            notifyListener();
    } else {
        lastPoint = where;
        dragByAngle(where);
    }
}

void CAnimKnob::onMouseUp(const CPoint& where, int32_t buttons)
{
    if (!tracking)
        return;
    onMouseMoved(where, buttons);
    endDrag();
}


// ------------------------------------------------------- CVerticalSlider

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag,
                                 int32_t minPos, int32_t maxPos, CBitmap* handle,
                                 CBitmap* background, const CPoint& offset)
    : CStepControl(size, listener, tag, background), handle(handle), offset(offset),
      minOffset(minPos - size.top), travel(maxPos - minPos),
      handleHeight(handle != nullptr ? handle->getHeight() : 0)
{
    if (handle != nullptr)
        handle->remember();
    if (travel < 1)
        travel = 1;
}

CVerticalSlider::~CVerticalSlider()
{
    if (handle != nullptr)
        handle->forget();
}

int32_t CVerticalSlider::handleOffset() const
{
    const int32_t t = static_cast<int32_t>((1.f - normalizedValue()) * static_cast<float>(travel));
    return t > minOffset ? t : minOffset;
}

void CVerticalSlider::draw(CDrawContext* context)
{
    valueForDrawing();
    if (background != nullptr) {
        if (transparency)
            background->drawTransparent(context, size, offset);
        else
            background->draw(context, size, offset);
    }
    if (handle != nullptr) {
        const int32_t top = size.top + handleOffset();
        const CRect r(size.left, top, size.left + handle->getWidth(), top + handle->getHeight());
        CRect clipped = r;
        clipped.bound(size);
        const CRect savedClip = context->getClipRect();
        CRect clip = savedClip;
        clip.bound(size);
        context->setClipRect(clip);
        if (transparency)
            handle->drawTransparent(context, r);
        else
            handle->draw(context, r);
        context->setClipRect(savedClip);
    }
}

void CVerticalSlider::followPointer(const CPoint& where, int32_t buttons)
{
    const bool nowFine = (buttons & kShift) != 0;
    if (nowFine != fine) { // re-anchor when Shift is pressed or let go
        fine = nowFine;
        anchorY = where.y;
        anchorValue = normalizedValue();
    }
    float n;
    if (fine) {
        n = anchorValue - static_cast<float>(where.y - anchorY) / static_cast<float>(travel) * 0.1f;
    } else {
        // Centre the handle on the pointer.
        const int32_t top = where.y - size.top - handleHeight / 2;
        n = 1.f - static_cast<float>(top) / static_cast<float>(travel);
    }
    const float old = normalizedValue();
    setNormalizedValue(n);
    if (normalizedValue() != old)
        notifyListener();
}

CMouseResult CVerticalSlider::onMouseDown(const CPoint& where, int32_t buttons)
{
    if ((buttons & kLButton) == 0)
        return CMouseResult::Ignored;
    if (handleModifierClick(buttons, true))
        return CMouseResult::Handled;
    beginDrag();
    fine = (buttons & kShift) != 0;
    anchorY = where.y;
    anchorValue = normalizedValue();
    if (!fine) {
        const float old = getValue();
        followPointer(where, buttons);
        if (getValue() == old)
            notifyListener(); // a click always reports, even without a change
    } else {
        notifyListener();
    }
    return CMouseResult::Tracking;
}

void CVerticalSlider::onMouseMoved(const CPoint& where, int32_t buttons)
{
    if (tracking)
        followPointer(where, buttons);
}

void CVerticalSlider::onMouseUp(const CPoint& where, int32_t buttons)
{
    if (!tracking)
        return;
    followPointer(where, buttons);
    endDrag();
}


// ---------------------------------------------------------- COnOffButton

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int32_t tag,
                           CBitmap* background, int32_t style)
    : CControl(size, listener, tag, background), style(style)
{
}

void COnOffButton::draw(CDrawContext* context)
{
    const float v = valueForDrawing();
    if (background == nullptr)
        return;
    const CPoint src(0, v == 0.f ? 0 : size.height());
    if (transparency)
        background->drawTransparent(context, size, src);
    else
        background->draw(context, size, src);
}

CMouseResult COnOffButton::onMouseDown(const CPoint& where, int32_t buttons)
{
    (void)where;
    if ((buttons & kLButton) == 0)
        return CMouseResult::Ignored;
    if (handleModifierClick(buttons, false))
        return CMouseResult::Handled;
    beginEdit();
    // trunc compares as a float: no undefined conversion of huge values.
    setValue(std::trunc(getValue()) != 0.f ? 0.f : 1.f);
    if (style == kPreListenerUpdate && frame != nullptr && frame->getEditor() != nullptr) {
        remember(); // the idle cycle must not take the button away underneath
        frame->getEditor()->runIdleCycle();
        const bool stillHere = getNbReference() > 1;
        forget();
        if (!stillHere)
            return CMouseResult::Handled;
    }
    notifyListener();
    endEdit();
    return CMouseResult::Handled;
}

// ----------------------------------------------------- CHorizontalSwitch

CHorizontalSwitch::CHorizontalSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                                     int32_t subPixmaps, int32_t heightOfOneImage,
                                     int32_t positions, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), subPixmaps(subPixmaps > 0 ? subPixmaps : 1),
      heightOfOneImage(heightOfOneImage), positions(positions > 1 ? positions : 2), offset(offset)
{
}

int32_t CHorizontalSwitch::currentFrame() const
{
    const float scaled = normalizedValue() * static_cast<float>(positions - 1) + 0.5f;
    return frameIndex(std::trunc(scaled), subPixmaps);
}

void CHorizontalSwitch::draw(CDrawContext* context)
{
    valueForDrawing();
    if (background == nullptr)
        return;
    const CPoint src(offset.x, offset.y + currentFrame() * heightOfOneImage);
    if (transparency)
        background->drawTransparent(context, size, src);
    else
        background->draw(context, size, src);
}

float CHorizontalSwitch::valueAt(const CPoint& where) const
{
    const float slot = static_cast<float>(size.width()) / static_cast<float>(positions);
    const float p = std::trunc(static_cast<float>(where.x - size.left) / slot);
    return clamp01(p / static_cast<float>(positions - 1));
}

CMouseResult CHorizontalSwitch::onMouseDown(const CPoint& where, int32_t buttons)
{
    if ((buttons & kLButton) == 0)
        return CMouseResult::Ignored;
    if (handleModifierClick(buttons, true))
        return CMouseResult::Handled;
    beginDrag();
    setNormalizedValue(valueAt(where));
    notifyListener();
    return CMouseResult::Tracking;
}

void CHorizontalSwitch::onMouseMoved(const CPoint& where, int32_t buttons)
{
    (void)buttons;
    if (!tracking)
        return;
    const float old = getValue();
    setNormalizedValue(valueAt(where));
    if (getValue() != old)
        notifyListener();
}

void CHorizontalSwitch::onMouseUp(const CPoint& where, int32_t buttons)
{
    if (!tracking)
        return;
    onMouseMoved(where, buttons);
    endDrag();
}


} // namespace VSTGUI
