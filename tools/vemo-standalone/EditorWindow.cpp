#include "tools/vemo-standalone/EditorWindow.h"

#include "tools/vemo-render/PluginHost.h"

#include <cstring>

// After our headers: Xlib defines macros such as None and Expose.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vemo::standalone {

namespace {

constexpr int kFallbackWidth = 695;
constexpr int kFallbackHeight = 350;

} // namespace

EditorWindow::EditorWindow(render::PluginHost& host, double scale) : host_(host)
{
    AEffect* effect = host_.effect();
    if (!(effect->flags & effFlagsHasEditor))
        throw std::runtime_error("the plug-in has no editor");
    const char* name = std::getenv("DISPLAY");
    if (!name || !name[0])
        throw std::runtime_error("no X display (DISPLAY is not set)");
    display_ = XOpenDisplay(nullptr);
    if (!display_)
        throw std::runtime_error(std::string("cannot open the X display '") + name + "'");

    // The scale first (the 'PreS' vendor call hosts of high-resolution
    // screens send), then the plug-in's rectangle, before the window exists
    // as hosts do.
    if (scale > 0.0)
        effect->dispatcher(effect, effVendorSpecific, vstFourCC('P', 'r', 'e', 'S'), vstFourCC('A', 'e', 'C', 's'),
                           nullptr, float(scale));
    int width = kFallbackWidth, height = kFallbackHeight;
    ERect* rect = nullptr;
    if (effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) && rect &&
        rect->right - rect->left > 0 && rect->bottom - rect->top > 0) {
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    }

    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask = StructureNotifyMask;
    window_ = XCreateWindow(display_, RootWindow(display_, screen), 0, 0, unsigned(width), unsigned(height), 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);

    fixSize(width, height);

    XClassHint* classHint = XAllocClassHint();
    char instance[] = "vemo-standalone";
    char className[] = "VEMO";
    classHint->res_name = instance;
    classHint->res_class = className;
    XSetClassHint(display_, window_, classHint);
    XFree(classHint);

    Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow, 1);
    deleteAtom_ = deleteWindow;
    setTitle("VEMO");

    XMapWindow(display_, window_);
    XSync(display_, False);

    // Linux hosts pass the parent window as the pointer and their display
    // as the value; the editor opens its own connection either way.
    editorOpen_ = effect->dispatcher(effect, effEditOpen, 0, reinterpret_cast<intptr_t>(display_),
                                     reinterpret_cast<void*>(window_), 0.0f) != 0;
    host_.setSizeWindowHandler([this](int32_t w, int32_t h) { return resize(w, h); });
    if (!editorOpen_) {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
        throw std::runtime_error("the plug-in did not open its editor");
    }
}

void EditorWindow::fixSize(int width, int height)
{
    // Not resizable by the user: the smallest and the largest size are the
    // panel's (the editor's own size menu changes it).
    XSizeHints* size = XAllocSizeHints();
    size->flags = PMinSize | PMaxSize | PBaseSize;
    size->min_width = size->max_width = size->base_width = width;
    size->min_height = size->max_height = size->base_height = height;
    XSetWMNormalHints(display_, window_, size);
    XFree(size);
}

bool EditorWindow::resize(int width, int height)
{
    if (destroyed_ || width <= 0 || height <= 0 || width > 8192 || height > 8192)
        return false;
    fixSize(width, height);
    XResizeWindow(display_, window_, unsigned(width), unsigned(height));
    XFlush(display_);
    return true;
}

EditorWindow::~EditorWindow()
{
    host_.setSizeWindowHandler(nullptr);
    AEffect* effect = host_.effect();
    if (editorOpen_)
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    if (!destroyed_)
        XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void EditorWindow::setTitle(const std::string& title)
{
    if (title == title_ || destroyed_)
        return;
    title_ = title;
    // WM_NAME for old window managers, _NET_WM_NAME (UTF-8) for the others.
    XStoreName(display_, window_, title.c_str());
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    XFlush(display_);
}

bool EditorWindow::handleEvents()
{
    bool open = true;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == Atom(deleteAtom_))
            open = false;
        else if (event.type == DestroyNotify && event.xdestroywindow.window == window_)
            open = false, destroyed_ = true;
    }
    return open;
}

void EditorWindow::idle()
{
    AEffect* effect = host_.effect();
    effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
}

int EditorWindow::fd() const { return ConnectionNumber(display_); }

} // namespace vemo::standalone
