// What the toolkit needs of a windowing system, and nothing more: a child
// window inside the host's window that shows the frame's canvas, the input
// that arrives there, a millisecond tick count and a sleep. One file per
// platform implements createNativeWindow (platform/x11.cpp on Linux, a
// win32 file on Windows); platform/offscreen.cpp implements a window without
// a screen for tests and screenshots. The backend is chosen at run time.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/CGraphics.h"
#include "vst/aeffect.h"

namespace VSTGUI {
class CDrawContext;
}

namespace VSTGUI::platform {

enum class EventType : int32_t { MouseDown, MouseUp, MouseMove, Wheel, KeyDown, KeyUp, Paint };

struct Event {
    EventType type = EventType::MouseMove;
    CPoint where;         // window pixels (mouse and wheel events)
    int32_t buttons = 0;  // CButton bits: buttons held (or pressed) and modifiers
    float distance = 0.f; // wheel notches, positive away from the user
    VstKeyCode key{};     // key events
    CRect area;           // Paint: the part of the window to show again
};

// A window of width x height pixels inside the host's window. Created, used
// and destroyed on the host's UI thread.
class Window {
public:
    virtual ~Window() = default;
    // Copies `area` of the canvas (same size as the window) to the screen.
    virtual void present(const CDrawContext& canvas, const CRect& area) = 0;
    // Removes the next pending input or expose event; false when none is left.
    virtual bool nextEvent(Event& event) = 0;
    // Removes one pending paint request (expose), if any, into area.
    virtual bool takePendingPaint(CRect& area) = 0;
    // Pointer position in window pixels and the CButton bits held now.
    virtual bool pointerState(CPoint& where, int32_t& buttons) = 0;
    // Makes the window width x height pixels, keeping the window itself
    // (hosts that embedded it by id keep a valid id); false when it could
    // not, and the window stays as it was.
    virtual bool resize(int32_t width, int32_t height)
    {
        (void)width;
        (void)height;
        return false;
    }
    // The window system's own id of this window (an X11 Window, an HWND),
    // for hosts that embed it by id; 0 for a window without a screen.
    virtual uintptr_t nativeHandle() const { return 0; }
};

enum class Backend : int32_t { Native, Offscreen };

// Process-wide choice for windows created from now on (default Native).
void setBackend(Backend backend);
Backend getBackend();

// A window for the chosen backend, or null when none can be made (no
// display, invalid parent, no parent on the native backend).
std::unique_ptr<Window> createWindow(void* parent, int32_t width, int32_t height);
std::unique_ptr<Window> createNativeWindow(void* parent, int32_t width, int32_t height);
std::unique_ptr<Window> createOffscreenWindow(void* parent, int32_t width, int32_t height);

// Milliseconds of a monotonic clock (wraps after 49 days) and a sleep.
uint32_t tickCount();
void sleepMilliseconds(uint32_t ms);
// Tests replace the clock and the sleep; null restores the real ones.
void setClockForTesting(uint32_t (*tick)(), void (*sleep)(uint32_t));

// The desktop's scale for user interfaces (Xft.dpi / 96 on X11, the system
// DPI / 96 on Windows), 0 when it gives none. UI thread.
double desktopScale();
// The scale of the monitor the host's window `parent` lies on, where the
// system tells it per window (Windows); 0 elsewhere.
double windowScale(void* parent);

// Per-thread setup of the windowing system for the thread that builds an
// editor (drag-and-drop registration on Windows); nothing to do elsewhere.
void initUiThread();
void releaseUiThread();

} // namespace VSTGUI::platform
