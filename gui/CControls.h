// The control kinds the editor uses: a knob showing one frame of a strip, a
// vertical slider with a handle, an on/off button and a horizontal switch.
// Every change a user makes is bracketed by beginEdit/endEdit and reported
// to the listener in between. UI thread only.
#pragma once

#include "gui/CView.h"

namespace VSTGUI {

// Keys and wheel steps shared by knobs and sliders: arrows +-0.1 of the
// range (Shift: +-0.01), wheel distance x 0.1 (Shift: x 0.01).
class CStepControl : public CControl {
public:
    using CControl::CControl;
    int32_t onKeyDown(VstKeyCode& key) override;
    bool onWheel(const CPoint& where, float distance, int32_t buttons) override;

protected:
    // Adds delta (a fraction of the range), clamps, reports within a gesture.
    void stepBy(float delta);
};

// Strip of subPixmaps frames, each heightOfOneImage high; shows frame
// floor(value x (subPixmaps - 1)).
class CAnimKnob : public CStepControl {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());

    int32_t getSubPixmaps() const { return subPixmaps; }
    // The frame of the strip shown for the current value.
    int32_t currentFrame() const;

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseMoved(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;

    // The value (0..1 of the range) pointed at by where: the pointer's angle
    // about the centre, 0 at half past seven, 1 at half past four.
    float valueFromAngle(const CPoint& where) const;

private:
    void dragByAngle(const CPoint& where);

    int32_t subPixmaps;
    int32_t heightOfOneImage;
    CPoint offset;
    bool linear = false;
    CPoint lastPoint;
};

// Body bitmap with a handle that travels from minPos (value max) down to
// maxPos (value min); the handle's top lies max(minPos offset,
// trunc((1 - value) x travel)) pixels below the slider's top.
class CVerticalSlider : public CStepControl {
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t minPos,
                    int32_t maxPos, CBitmap* handle, CBitmap* background,
                    const CPoint& offset = CPoint());

    // Handle top, in pixels below the slider's top edge, for the current value.
    int32_t handleOffset() const;
    CBitmap* getHandle() const { return handle; }

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseMoved(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;

protected:
    ~CVerticalSlider() override;

private:
    void followPointer(const CPoint& where, int32_t buttons);

    CBitmap* handle;
    CPoint offset;
    int32_t minOffset; // handle top at the maximum, from the slider's top
    int32_t travel;    // pixels between maximum and minimum
    int32_t handleHeight;
    bool fine = false;
    int32_t anchorY = 0;
    float anchorValue = 0.f;
};

// Two frames stacked: the top one for value 0, the bottom one otherwise.
class COnOffButton : public CControl {
public:
    enum Style : int32_t {
        kPreListenerUpdate = 0, // runs the editor's idle cycle before reporting
        kPostListenerUpdate = 1,
    };
    COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                 int32_t style = kPreListenerUpdate);

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;

private:
    int32_t style;
};

// subPixmaps frames; shows frame trunc(value x (positions - 1) + 0.5). A
// click or drag at x picks position trunc((x - left) / (width / positions)).
class CHorizontalSwitch : public CControl {
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                      int32_t subPixmaps, int32_t heightOfOneImage, int32_t positions,
                      CBitmap* background, const CPoint& offset = CPoint());

    int32_t currentFrame() const;
    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseMoved(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;

private:
    float valueAt(const CPoint& where) const;

    int32_t subPixmaps;
    int32_t heightOfOneImage;
    int32_t positions;
    CPoint offset;
};

} // namespace VSTGUI
