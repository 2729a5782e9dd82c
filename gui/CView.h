// Views and controls: the rectangle, drawing and input protocol shared by
// every widget, the container that owns child views, and the value, range,
// tag and listener of a control. UI thread only, except CControl::setValue
// and getValue, which may be called from any thread (the value is atomic).
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "gui/CGraphics.h"
#include "gui/CReferenceCounter.h"
#include "vst/aeffect.h"

namespace VSTGUI {

class CBitmap;
class CControl;
class CDrawContext;
class CFrame;

enum class CMouseResult { Ignored, Handled, Tracking };

class CView : public CReferenceCounter {
public:
    explicit CView(const CRect& size);

    const CRect& getViewSize() const { return size; }
    void setViewSize(const CRect& r) { size = r; }
    bool hitTest(const CPoint& where) const { return size.pointInside(where); }

    virtual void draw(CDrawContext* context);

    // Mouse protocol: a press answers Tracking to receive the moves and the
    // release that follow; a tracked view may also see onMouseCancel.
    virtual CMouseResult onMouseDown(const CPoint& where, int32_t buttons);
    virtual void onMouseMoved(const CPoint& where, int32_t buttons);
    virtual void onMouseUp(const CPoint& where, int32_t buttons);
    virtual void onMouseCancel() {}
    // 1 when the key was consumed, -1 otherwise.
    virtual int32_t onKeyDown(VstKeyCode& key);
    virtual int32_t onKeyUp(VstKeyCode& key);
    virtual bool onWheel(const CPoint& where, float distance, int32_t buttons);

    virtual void setDirty(bool state = true) { dirty = state; }
    virtual bool isDirty() const { return dirty; }
    void setTransparency(bool state) { transparency = state; }
    bool getTransparency() const { return transparency; }

    CFrame* getFrame() const { return frame; }
    virtual void attached(CFrame* parent) { frame = parent; }
    virtual void removed() { frame = nullptr; }

protected:
    ~CView() override = default;

    CRect size;
    CFrame* frame = nullptr;
    bool dirty = true;
    bool transparency = false;
};

// Owns its child views: addView takes over the reference the caller holds.
class CViewContainer : public CView {
public:
    explicit CViewContainer(const CRect& size);

    void addView(CView* view);
    // Detaches the view; with withForget its reference is released too.
    void removeView(CView* view, bool withForget = true);
    void removeAll(bool withForget = true);
    int32_t getNbViews() const { return static_cast<int32_t>(views.size()); }
    CView* getView(int32_t index) const;
    bool isChild(const CView* view) const;
    // The last-added child whose rectangle holds the point (edges included).
    CView* getViewAt(const CPoint& where) const;

    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }

protected:
    ~CViewContainer() override;
    virtual void viewRemoved(CView* view) { (void)view; }

    std::vector<CView*> views;
    CBitmap* background = nullptr;
};

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // Asked before a control handles a click with Shift, Control, Alt or the
    // system key held; a non-zero answer means the listener took the click.
    virtual int32_t controlModifierClicked(CDrawContext* context, CControl* control,
                                           int32_t button)
    {
        (void)context;
        (void)control;
        (void)button;
        return 0;
    }
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, int32_t tag,
             CBitmap* background = nullptr);

    // Stores the value only (no notification, no drawing); the frame redraws
    // the control at its next idle because the value differs from the one
    // last drawn. Any thread.
    virtual void setValue(float v) { value.store(v, std::memory_order_relaxed); }
    float getValue() const { return value.load(std::memory_order_relaxed); }
    void setMin(float v) { vmin = v; }
    float getMin() const { return vmin; }
    void setMax(float v) { vmax = v; }
    float getMax() const { return vmax; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }
    void setTag(int32_t t) { tag = t; }
    int32_t getTag() const { return tag; }
    void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }
    CBitmap* getBackgroundBitmap() const { return background; }

    // Clamps the value to min..max (NaN becomes min).
    void bounceValue();

    // Gesture bracket: the frame tells its editor (beginEdit/endEdit with the
    // tag) and makes this control the one that receives keys.
    void beginEdit();
    void endEdit();
    // Tells the listener about the current value.
    void notifyListener();

    bool isDirty() const override;
    void setDirty(bool state = true) override;

    // A drag the window system took away ends its gesture.
    void onMouseCancel() override { endDrag(); }

protected:
    ~CControl() override;

    // A pointer drag is one gesture: beginDrag opens it, endDrag closes it
    // (and answers false when no drag was open).
    void beginDrag()
    {
        beginEdit();
        tracking = true;
    }
    bool endDrag()
    {
        if (!tracking)
            return false;
        tracking = false;
        endEdit();
        return true;
    }
    bool tracking = false;

    // The value to draw now; remembers it as the value last drawn.
    float valueForDrawing();
    // For clicks with a modifier: the listener's query, then Control+left
    // click restoring the default (when restoresDefault). True when the
    // click was taken care of.
    bool handleModifierClick(int32_t buttons, bool restoresDefault);
    // value mapped to 0..1 of the range, clamped (NaN gives 0).
    float normalizedValue() const;
    void setNormalizedValue(float n);

    CControlListener* listener;
    int32_t tag;
    std::atomic<float> value{0.f};
    float vmin = 0.f;
    float vmax = 1.f;
    float defaultValue = 0.5f;
    float lastDrawnValue = 0.f;
    CBitmap* background;
};

} // namespace VSTGUI
