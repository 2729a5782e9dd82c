// The top view: owns the canvas, the child window inside the host's window
// (through the platform layer), the controls, the mouse tracking, the key
// focus and the pop-up list of an option menu. UI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/CDrawContext.h"
#include "gui/CView.h"
#include "gui/Platform.h"

namespace VSTGUI {

class COptionMenu;

// What the toolkit asks of the editor that owns the frame.
class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    // A user gesture on the parameter `index` starts / ends.
    virtual void beginEdit(int32_t index) { (void)index; }
    virtual void endEdit(int32_t index) { (void)index; }
    // Redraw and host idle while the toolkit holds the UI thread.
    virtual void runIdleCycle() {}
    // 2: knobs drag linearly; anything else: by angle.
    virtual int32_t getKnobMode() const { return 0; }
    // A right click that no control took (the panel's background), at
    // `where` in panel pixels.
    virtual void contextClick(const CPoint& where) { (void)where; }
};

class CFrame : public CViewContainer {
public:
    // Creates the child window of size inside parentWindow (see Platform.h),
    // shown at `scale` (1..3): the window is size x scale screen pixels
    // (rounded); views, input and everything below speak panel pixels.
    CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor, float scale = 1.f);

    bool isWindowOpen() const { return window != nullptr; }
    VSTGUIEditorInterface* getEditor() const { return editor; }
    CDrawContext* getDrawContext() { return &canvas; }
    platform::Window* getPlatformWindow() const { return window.get(); }

    // Handles the window's pending input, then redraws every view that is
    // dirty or whose value changed and shows the result. Called again from
    // inside an input handler (a button running the editor's idle cycle), it
    // only redraws.
    void idle();
    // Shows one pending paint request of the window, if there is one.
    void dispatchPendingPaint();
    // Marks a part of the window for redrawing at the next idle.
    void invalidRect(const CRect& r);
    // Redraws whatever is pending into the canvas, without showing it.
    void updateCanvas();

    float getScale() const { return canvas.getScale(); }
    // Shows the same views at another scale: the window is resized (kept,
    // not made anew) and everything redrawn at the next idle; false when
    // the window could not be resized (nothing changes then).
    bool setScale(float scale);
    // Whether an input handler is running (the frame must not be torn
    // down from under it).
    bool isHandlingInput() const { return dispatching || inputDepth > 0; }

    // Input, in panel pixels; also used by tests and by the editor (the
    // window's own input arrives in screen pixels and is brought here).
    void handleMouseDown(const CPoint& where, int32_t buttons);
    void handleMouseMoved(const CPoint& where, int32_t buttons);
    void handleMouseUp(const CPoint& where, int32_t buttons);
    // The key goes to the focus view; true when it was consumed.
    bool handleKeyDown(VstKeyCode& key);
    bool handleKeyUp(VstKeyCode& key);
    // The wheel goes to the view under where.
    bool handleWheel(const CPoint& where, float distance, int32_t buttons);
    bool getCurrentMouseLocation(CPoint& where, int32_t& buttons) const;

    // Gesture bookkeeping (called by CControl::beginEdit/endEdit).
    void beginEdit(CControl* control);
    void endEdit(CControl* control);
    CView* getFocusView() const { return focusView; }
    CView* getMouseView() const { return mouseView; }

    // The pop-up list of an option menu, drawn over everything.
    void openPopup(COptionMenu* menu);
    void closePopup();
    COptionMenu* getOpenPopup() const { return popupMenu; }

protected:
    ~CFrame() override;
    void viewRemoved(CView* view) override;

private:
    void handleEvent(const platform::Event& event);
    void drawRegion(CRect region);
    void present(const CRect& area);

    VSTGUIEditorInterface* editor;
    CRect panel; // 0, 0, panel width, panel height
    CDrawContext canvas;
    std::unique_ptr<platform::Window> window;
    CRect invalid;           // pending redraw of the canvas
    CRect unpresented;       // drawn but not yet shown
    CView* mouseView = nullptr;
    CView* focusView = nullptr;
    COptionMenu* popupMenu = nullptr;
    bool popupFromPress = false; // the press that opened the pop-up is still held
    bool dispatching = false;
    int32_t inputDepth = 0;   // handle* calls running
    bool* aliveFlag = nullptr; // cleared by the destructor while input is handled
};

} // namespace VSTGUI
