// Linux: the editor's window is a child of the host's X11 window, on a
// display connection of its own. Its events are read only when the frame
// asks (from the host's idle calls), on whichever thread the host uses for
// its editor calls. Errors from the X server on this connection (a parent
// window the host has already destroyed, say) are trapped while our calls
// run, so they never reach the host's error handler or end the process.
#include "gui/CDrawContext.h"
#include "gui/Platform.h"
#include "gui/platform/QueuedWindow.h"

#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

// After our headers: Xlib defines macros such as Expose and None.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace VSTGUI::platform {
namespace {

std::atomic<int32_t> trappedErrors{0};

int trapHandler(Display*, XErrorEvent*)
{
    ++trappedErrors;
    return 0;
}

// Installs the trap for the lifetime of the object; sync() flushes the
// connection and tells whether an error arrived since construction.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display(display)
    {
        trappedErrors = 0;
        previous = XSetErrorHandler(trapHandler);
    }
    ~ErrorTrap()
    {
        XSync(display, False);
        XSetErrorHandler(previous);
    }
    bool sync()
    {
        XSync(display, False);
        return trappedErrors.load() == 0;
    }

private:
    Display* display;
    XErrorHandler previous;
};

int32_t buttonsFromState(unsigned int state)
{
    int32_t b = 0;
    if (state & Button1Mask)
        b |= kLButton;
    if (state & Button2Mask)
        b |= kMButton;
    if (state & Button3Mask)
        b |= kRButton;
    if (state & ShiftMask)
        b |= kShift;
    if (state & ControlMask)
        b |= kControl;
    if (state & Mod1Mask)
        b |= kAlt;
    if (state & Mod4Mask)
        b |= kApple;
    return b;
}

uint8_t virtualKey(KeySym sym)
{
    switch (sym) {
    case XK_BackSpace: return VKEY_BACK;
    case XK_Tab: return VKEY_TAB;
    case XK_Clear: return VKEY_CLEAR;
    case XK_Return: return VKEY_RETURN;
    case XK_Pause: return VKEY_PAUSE;
    case XK_Escape: return VKEY_ESCAPE;
    case XK_space: return VKEY_SPACE;
    case XK_End: return VKEY_END;
    case XK_Home: return VKEY_HOME;
    case XK_Left: case XK_KP_Left: return VKEY_LEFT;
    case XK_Up: case XK_KP_Up: return VKEY_UP;
    case XK_Right: case XK_KP_Right: return VKEY_RIGHT;
    case XK_Down: case XK_KP_Down: return VKEY_DOWN;
    case XK_Page_Up: return VKEY_PAGEUP;
    case XK_Page_Down: return VKEY_PAGEDOWN;
    case XK_KP_Enter: return 19; // VKEY_ENTER
    default: return 0;
    }
}

class X11Window : public QueuedWindow {
public:
    ~X11Window() override;
    static std::unique_ptr<Window> create(void* parent, int32_t width, int32_t height);

    void present(const CDrawContext& canvas, const CRect& area) override;
    bool takePendingPaint(CRect& area) override;
    bool pointerState(CPoint& where, int32_t& buttons) override;
    uintptr_t nativeHandle() const override { return uintptr_t(window); }
    bool resize(int32_t newWidth, int32_t newHeight) override;

private:
    X11Window() = default;
    // The image the canvas is copied through, width x height; false when
    // the server would not give one.
    bool makeImage();
    void readPending() override;
    void convert(const XEvent& xe);
    void release();

    Display* display = nullptr;
    ::Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    std::vector<char> staging; // the image's pixel memory
    bool fastFormat = false;   // 32-bit pixels laid out as 0x00RRGGBB
    bool destroyed = false;    // the server destroyed our window (with its parent)
    Visual* visual = nullptr;
    int depth = 0;
    int32_t width = 0;
    int32_t height = 0;
};

std::unique_ptr<Window> X11Window::create(void* parent, int32_t width, int32_t height)
{
    const auto parentId = static_cast<::Window>(reinterpret_cast<uintptr_t>(parent));
    if (parentId == 0 || width <= 0 || height <= 0)
        return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return nullptr;

    std::unique_ptr<X11Window> w(new X11Window());
    w->display = display;
    w->width = width;
    w->height = height;
    bool ok = false;
    {
        ErrorTrap trap(display);
        XWindowAttributes parentAttributes;
        if (XGetWindowAttributes(display, parentId, &parentAttributes) != 0 && trap.sync() &&
            parentAttributes.visual != nullptr &&
            (parentAttributes.visual->c_class == TrueColor ||
             parentAttributes.visual->c_class == DirectColor)) {
            XSetWindowAttributes swa{};
            swa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                             PointerMotionMask | KeyPressMask | KeyReleaseMask |
                             StructureNotifyMask;
            swa.background_pixmap = None;
            swa.bit_gravity = NorthWestGravity;
            w->window = XCreateWindow(display, parentId, 0, 0, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0, CopyFromParent,
                                      InputOutput, CopyFromParent,
                                      CWEventMask | CWBackPixmap | CWBitGravity, &swa);
            if (trap.sync() && w->window != 0) {
                XStoreName(display, w->window, "VEMO");
                w->gc = XCreateGC(display, w->window, 0, nullptr);
                w->visual = parentAttributes.visual;
                w->depth = parentAttributes.depth;
                if (w->makeImage()) {
                    XMapWindow(display, w->window);
                    ok = trap.sync();
                }
            }
        }
    }
    if (!ok)
        return nullptr; // the destructor releases what was made
    return w;
}

bool X11Window::makeImage()
{
    if (image != nullptr) {
        image->data = nullptr; // the pixels belong to staging
        XDestroyImage(image);
        image = nullptr;
    }
    image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image == nullptr || image->bytes_per_line <= 0)
        return false;
    staging.assign(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height), 0);
    image->data = staging.data();
    image->byte_order = LSBFirst; // we fill it in host order below
    fastFormat = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
                 image->green_mask == 0x00FF00 && image->blue_mask == 0x0000FF &&
                 std::endian::native == std::endian::little;
    return true;
}

bool X11Window::resize(int32_t newWidth, int32_t newHeight)
{
    if (display == nullptr || destroyed || newWidth <= 0 || newHeight <= 0)
        return false;
    const int32_t oldWidth = width;
    const int32_t oldHeight = height;
    width = newWidth;
    height = newHeight;
    if (!makeImage()) {
        width = oldWidth;
        height = oldHeight;
        makeImage();
        return false;
    }
    ErrorTrap trap(display);
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    return trap.sync();
}

X11Window::~X11Window() { release(); }

void X11Window::release()
{
    if (display == nullptr)
        return;
    {
        ErrorTrap trap(display);
        if (image != nullptr) {
            image->data = nullptr; // the pixels belong to staging
            XDestroyImage(image);
            image = nullptr;
        }
        if (gc != nullptr)
            XFreeGC(display, gc);
        if (window != 0 && !destroyed)
            XDestroyWindow(display, window);
        trap.sync();
    }
    XCloseDisplay(display);
    display = nullptr;
}

void X11Window::present(const CDrawContext& canvas, const CRect& area)
{
    if (image == nullptr || destroyed)
        return;
    CRect r = area;
    r.bound(CRect(0, 0, std::min(width, canvas.getWidth()), std::min(height, canvas.getHeight())));
    if (r.isEmpty())
        return;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const uint32_t* src = canvas.getPixels() + static_cast<size_t>(y) * canvas.getWidth();
        if (fastFormat) {
            char* row = staging.data() + static_cast<size_t>(y) * image->bytes_per_line;
            std::memcpy(row + static_cast<size_t>(r.left) * 4, src + r.left,
                        static_cast<size_t>(r.width()) * 4);
        } else {
            for (int32_t x = r.left; x < r.right; ++x) {
                const uint32_t p = src[x];
                auto channel = [p](unsigned long mask, int shift) -> unsigned long {
                    // Scale an 8-bit channel into the mask's bits.
                    unsigned long m = mask;
                    int bits = 0;
                    int low = 0;
                    while (m != 0 && (m & 1) == 0) {
                        m >>= 1;
                        ++low;
                    }
                    while (m & 1) {
                        m >>= 1;
                        ++bits;
                    }
                    const unsigned long v = (p >> shift) & 0xFF;
                    return bits >= 8 ? (v << (bits - 8)) << low : (v >> (8 - bits)) << low;
                };
                XPutPixel(image, x, y,
                          channel(image->red_mask, 16) | channel(image->green_mask, 8) |
                              channel(image->blue_mask, 0));
            }
        }
    }
    ErrorTrap trap(display);
    XPutImage(display, window, gc, image, r.left, r.top, r.left, r.top,
              static_cast<unsigned>(r.width()), static_cast<unsigned>(r.height()));
    trap.sync();
}

void X11Window::convert(const XEvent& xe)
{
    if (xe.xany.window != window)
        return;
    Event e;
    switch (xe.type) {
    case ButtonPress:
    case ButtonRelease: {
        const unsigned int b = xe.xbutton.button;
        e.where = CPoint(xe.xbutton.x, xe.xbutton.y);
        e.buttons = buttonsFromState(xe.xbutton.state) & ~(kLButton | kMButton | kRButton);
        if (b == 4 || b == 5) {
            if (xe.type == ButtonRelease)
                return;
            e.type = EventType::Wheel;
            e.distance = b == 4 ? 1.f : -1.f;
        } else if (b >= 1 && b <= 3) {
            e.type = xe.type == ButtonPress ? EventType::MouseDown : EventType::MouseUp;
            e.buttons |= b == 1 ? kLButton : b == 2 ? kMButton : kRButton;
        } else {
            return;
        }
        break;
    }
    case MotionNotify:
        e.type = EventType::MouseMove;
        e.where = CPoint(xe.xmotion.x, xe.xmotion.y);
        e.buttons = buttonsFromState(xe.xmotion.state);
        break;
    case KeyPress:
    case KeyRelease: {
        XKeyEvent key = xe.xkey;
        char text[8] = {};
        KeySym sym = 0;
        XLookupString(&key, text, sizeof text - 1, &sym, nullptr);
        e.type = xe.type == KeyPress ? EventType::KeyDown : EventType::KeyUp;
        e.key.virt = virtualKey(sym);
        e.key.character = static_cast<unsigned char>(text[0]);
        if (key.state & ShiftMask)
            e.key.modifier |= MODIFIER_SHIFT;
        if (key.state & Mod1Mask)
            e.key.modifier |= MODIFIER_ALTERNATE;
        if (key.state & ControlMask)
            e.key.modifier |= MODIFIER_COMMAND;
        break;
    }
    case Expose:
        e.type = EventType::Paint;
        e.area = CRect(xe.xexpose.x, xe.xexpose.y, xe.xexpose.x + xe.xexpose.width,
                       xe.xexpose.y + xe.xexpose.height);
        break;
    case DestroyNotify:
        if (xe.xdestroywindow.window == window)
            destroyed = true;
        return;
    default:
        return;
    }
    queueEvent(e);
}

void X11Window::readPending()
{
    if (display == nullptr)
        return;
    ErrorTrap trap(display);
    trap.sync();
    // Bounded, in case the server keeps sending.
    for (int32_t i = 0; i < 1024 && XPending(display) > 0; ++i) {
        XEvent xe;
        XNextEvent(display, &xe);
        convert(xe);
    }
}

bool X11Window::takePendingPaint(CRect& area)
{
    if (takeQueuedPaint(area))
        return true;
    if (display == nullptr || destroyed)
        return false;
    ErrorTrap trap(display);
    XEvent xe;
    if (XCheckTypedWindowEvent(display, window, Expose, &xe)) {
        area = CRect(xe.xexpose.x, xe.xexpose.y, xe.xexpose.x + xe.xexpose.width,
                     xe.xexpose.y + xe.xexpose.height);
        return true;
    }
    return false;
}

bool X11Window::pointerState(CPoint& where, int32_t& buttons)
{
    if (display == nullptr || destroyed)
        return false;
    ErrorTrap trap(display);
    ::Window root = 0;
    ::Window child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask))
        return false;
    if (!trap.sync())
        return false;
    where = CPoint(x, y);
    buttons = buttonsFromState(mask);
    return true;
}

} // namespace

std::unique_ptr<Window> createNativeWindow(void* parent, int32_t width, int32_t height)
{
    return X11Window::create(parent, width, height);
}

double desktopScale()
{
    // Xft.dpi in the server's resource database, as desktops set it for a
    // high-resolution screen (96 is 100 %).
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 0.0;
    double scale = 0.0;
    if (const char* resources = XResourceManagerString(display)) {
        const char* found = std::strstr(resources, "Xft.dpi:");
        if (found != nullptr && (found == resources || found[-1] == '\n')) {
            const double dpi = std::strtod(found + 8, nullptr);
            if (dpi > 0.0 && dpi < 10000.0)
                scale = dpi / 96.0;
        }
    }
    XCloseDisplay(display);
    return scale;
}

double windowScale(void*) { return 0.0; }

void initUiThread() {}
void releaseUiThread() {}

} // namespace VSTGUI::platform
