// Windows: the editor's window is a child of the host's HWND, created and
// used on the host's UI thread. The canvas is shown with GDI: every present
// copies the changed rows into a 32-bit DIB section held by a memory DC and
// BitBlts them to the window; WM_PAINT repaints from the same DIB, so the
// window never needs the frame to redraw just because it was uncovered.
//
// Input arrives in the window procedure whenever the host's message loop
// dispatches our messages; it is converted and queued, and the frame takes
// it from the queue at its next idle (so, as on Linux, widgets only ever run
// from the host's editor calls). The mouse is captured while a button is
// held, so a drag keeps reaching the control when it leaves the window.
#include "gui/CDrawContext.h"
#include "gui/Platform.h"
#include "gui/platform/QueuedWindow.h"
#include "gui/platform/Win32.h"
#include "gui/PngReader.h"

#include <cstring>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

namespace VSTGUI::platform {
namespace {

constexpr const char* kWindowClass = "VemoEditorFrame";

// The module this code lives in (the plug-in DLL, or the program itself in
// a static build): owner of the window class and of the BITMAP resources.
HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

// Windows keeps a DLL's window classes registered after the DLL is unloaded,
// with a window procedure that no longer exists; so the class lives exactly
// as long as one of our windows does. UI thread only.
int32_t liveWindows = 0;

int32_t modifierButtons()
{
    int32_t b = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        b |= kShift;
    if (GetKeyState(VK_CONTROL) < 0)
        b |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        b |= kAlt;
    if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0)
        b |= kApple;
    return b;
}

// Buttons and modifiers from the MK_ flags of a mouse message.
int32_t buttonsFromFlags(WPARAM flags)
{
    int32_t b = modifierButtons() & (kAlt | kApple);
    if (flags & MK_LBUTTON)
        b |= kLButton;
    if (flags & MK_MBUTTON)
        b |= kMButton;
    if (flags & MK_RBUTTON)
        b |= kRButton;
    if (flags & MK_SHIFT)
        b |= kShift;
    if (flags & MK_CONTROL)
        b |= kControl;
    return b;
}

uint8_t virtualKey(WPARAM vk)
{
    switch (vk) {
    case VK_BACK: return VKEY_BACK;
    case VK_TAB: return VKEY_TAB;
    case VK_CLEAR: return VKEY_CLEAR;
    case VK_RETURN: return VKEY_RETURN;
    case VK_PAUSE: return VKEY_PAUSE;
    case VK_ESCAPE: return VKEY_ESCAPE;
    case VK_SPACE: return VKEY_SPACE;
    case VK_END: return VKEY_END;
    case VK_HOME: return VKEY_HOME;
    case VK_LEFT: return VKEY_LEFT;
    case VK_UP: return VKEY_UP;
    case VK_RIGHT: return VKEY_RIGHT;
    case VK_DOWN: return VKEY_DOWN;
    case VK_PRIOR: return VKEY_PAGEUP;
    case VK_NEXT: return VKEY_PAGEDOWN;
    default: return 0;
    }
}

// Keys some control may use: the arrows (knobs, sliders, an open menu list),
// Return and Escape (an open menu list). The toolkit ignores all others.
// Set while a key is passed on to the host's window (UI thread).
thread_local bool forwardingKey = false;

bool isToolkitKey(WPARAM vk)
{
    return vk == VK_LEFT || vk == VK_UP || vk == VK_RIGHT || vk == VK_DOWN || vk == VK_RETURN ||
           vk == VK_ESCAPE;
}

class Win32Window : public QueuedWindow {
public:
    ~Win32Window() override;
    static std::unique_ptr<Window> create(void* parent, int32_t width, int32_t height);

    void present(const CDrawContext& canvas, const CRect& area) override;
    bool takePendingPaint(CRect& area) override;
    bool pointerState(CPoint& where, int32_t& buttons) override;
    uintptr_t nativeHandle() const override { return reinterpret_cast<uintptr_t>(hwnd); }
    bool resize(int32_t newWidth, int32_t newHeight) override;

private:
    Win32Window() = default;
    // The DIB section the canvas is copied through, width x height.
    bool makeDib();
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void queueButton(EventType type, int32_t button, WPARAM wParam, LPARAM lParam);
    void queueMove(WPARAM wParam, LPARAM lParam);
    void queueKey(EventType type, WPARAM vk);
    void readPending() override;

    HWND hwnd = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    uint32_t* bits = nullptr; // the DIB's pixels, top row first, 0x00RRGGBB
    int32_t width = 0;
    int32_t height = 0;
    bool registeredWindow = false; // counted in liveWindows
    int32_t heldButtons = 0;   // mouse buttons pressed in our window and not yet released
    bool releasing = false;    // we release the capture ourselves
    CPoint lastMouse;
    bool painted = false;      // set by WM_PAINT
    CRect lastPainted;
};

std::unique_ptr<Window> Win32Window::create(void* parent, int32_t width, int32_t height)
{
    HWND parentWindow = static_cast<HWND>(parent);
    if (parentWindow == nullptr || !IsWindow(parentWindow) || width <= 0 || height <= 0)
        return nullptr;
    HINSTANCE instance = thisModule();

    if (liveWindows == 0) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Win32Window::windowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
        wc.lpszClassName = kWindowClass;
        if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return nullptr;
    }
    std::unique_ptr<Win32Window> w(new Win32Window());
    ++liveWindows;
    w->registeredWindow = true;
    w->width = width;
    w->height = height;

    w->memoryDC = CreateCompatibleDC(nullptr);
    if (w->memoryDC == nullptr || !w->makeDib())
        return nullptr; // the destructor releases what was made

    w->hwnd = CreateWindowExA(0, kWindowClass, "VEMO",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                              width, height, parentWindow, nullptr, instance, w.get());
    if (w->hwnd == nullptr)
        return nullptr;
    return w;
}

bool Win32Window::makeDib()
{
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top-down, like the canvas
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP made = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (made == nullptr || pixels == nullptr) {
        if (made != nullptr)
            DeleteObject(made);
        return false;
    }
    std::memset(pixels, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    HGDIOBJ old = SelectObject(memoryDC, made);
    if (previousBitmap == nullptr)
        previousBitmap = old;
    if (dib != nullptr)
        DeleteObject(dib);
    dib = made;
    bits = static_cast<uint32_t*>(pixels);
    return true;
}

bool Win32Window::resize(int32_t newWidth, int32_t newHeight)
{
    if (hwnd == nullptr || newWidth <= 0 || newHeight <= 0)
        return false;
    const int32_t oldWidth = width;
    const int32_t oldHeight = height;
    width = newWidth;
    height = newHeight;
    if (!makeDib()) {
        width = oldWidth;
        height = oldHeight;
        return false;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    return true;
}

Win32Window::~Win32Window()
{
    if (hwnd != nullptr) {
        if (GetCapture() == hwnd) {
            releasing = true;
            ReleaseCapture();
        }
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    if (memoryDC != nullptr) {
        if (previousBitmap != nullptr)
            SelectObject(memoryDC, previousBitmap);
        DeleteDC(memoryDC);
    }
    if (dib != nullptr)
        DeleteObject(dib);
    if (registeredWindow && --liveWindows == 0)
        UnregisterClassA(kWindowClass, thisModule());
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Win32Window*>(cs->lpCreateParams);
        self->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The host destroyed its window (and so ours) before closing the
        // editor: from now on the frame draws into the DIB only.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (dc != nullptr) {
            const RECT& r = ps.rcPaint;
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memoryDC, r.left, r.top,
                   SRCCOPY);
            lastPainted = CRect(r.left, r.top, r.right, r.bottom);
            painted = true;
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, width, height, memoryDC, 0, 0, SRCCOPY);
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers every pixel
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
        queueButton(EventType::MouseDown, kLButton, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        queueButton(EventType::MouseDown, kMButton, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        queueButton(EventType::MouseDown, kRButton, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        queueButton(EventType::MouseUp, kLButton, wParam, lParam);
        return 0;
    case WM_MBUTTONUP:
        queueButton(EventType::MouseUp, kMButton, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        queueButton(EventType::MouseUp, kRButton, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        queueMove(wParam, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        // Capture taken away mid-drag (a system dialog, Alt+Tab): end the
        // gesture where the pointer was last seen, so the host gets its
        // EndEdit and the control stops tracking.
        if (!releasing && heldButtons != 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
            Event e;
            e.type = EventType::MouseUp;
            e.where = lastMouse;
            e.buttons = heldButtons | modifierButtons();
            heldButtons = 0;
            queueEvent(e);
        }
        return 0;
    case WM_MOUSEWHEEL: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(hwnd, &p);
        Event e;
        e.type = EventType::Wheel;
        e.where = CPoint(p.x, p.y);
        e.buttons = buttonsFromFlags(GET_KEYSTATE_WPARAM(wParam));
        e.distance = static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / float(WHEEL_DELTA);
        queueEvent(e);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (forwardingKey)
            return 0; // the host sent our own key back to us
        queueKey(message == WM_KEYDOWN ? EventType::KeyDown : EventType::KeyUp, wParam);
        // Keys no control uses go on to the host's window as well, so its
        // shortcuts (the space bar, say) keep working while we have focus.
        if (!isToolkitKey(wParam)) {
            if (HWND parent = GetParent(hwnd)) {
                // The host may close the editor meanwhile: touch nothing of
                // ours after the call.
                forwardingKey = true;
                const LRESULT result = SendMessageA(parent, message, wParam, lParam);
                forwardingKey = false;
                return result;
            }
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void Win32Window::queueButton(EventType type, int32_t button, WPARAM wParam, LPARAM lParam)
{
    Event e;
    e.type = type;
    e.where = CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    e.buttons = (buttonsFromFlags(wParam) & kModifierMask) | button;
    lastMouse = e.where;
    if (type == EventType::MouseDown) {
        heldButtons |= button;
        if (GetCapture() != hwnd)
            SetCapture(hwnd);
        if (GetFocus() != hwnd)
            SetFocus(hwnd); // arrow keys go to the control just touched
    } else {
        heldButtons &= ~button;
        if ((wParam & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON)) == 0 && GetCapture() == hwnd) {
            releasing = true;
            ReleaseCapture();
            releasing = false;
        }
    }
    queueEvent(e);
}

void Win32Window::queueMove(WPARAM wParam, LPARAM lParam)
{
    Event e;
    e.type = EventType::MouseMove;
    e.where = CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    e.buttons = buttonsFromFlags(wParam);
    lastMouse = e.where;
    queueEvent(e); // a run of moves keeps its latest position
}

void Win32Window::queueKey(EventType type, WPARAM vk)
{
    Event e;
    e.type = type;
    e.key.virt = virtualKey(vk);
    if (e.key.virt == 0) {
        UINT c = MapVirtualKeyA(static_cast<UINT>(vk), 2 /* MAPVK_VK_TO_CHAR */) & 0x7FFF;
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        e.key.character = static_cast<int32_t>(c);
    }
    if (GetKeyState(VK_SHIFT) < 0)
        e.key.modifier |= MODIFIER_SHIFT;
    if (GetKeyState(VK_MENU) < 0)
        e.key.modifier |= MODIFIER_ALTERNATE;
    if (GetKeyState(VK_CONTROL) < 0)
        e.key.modifier |= MODIFIER_COMMAND;
    queueEvent(e);
}

void Win32Window::readPending()
{
    if (hwnd == nullptr)
        return;
    // Our own window's key and mouse messages that the host has not yet
    // dispatched (none, with a host that pumps its queue between idles).
    // Paint messages stay queued: runIdleCycle dispatches those one at a time.
    MSG msg;
    for (int32_t i = 0; i < 256 && hwnd != nullptr &&
                        PeekMessageA(&msg, hwnd, WM_KEYFIRST, WM_MOUSELAST, PM_REMOVE);
         ++i)
        DispatchMessageA(&msg);
}

void Win32Window::present(const CDrawContext& canvas, const CRect& area)
{
    if (bits == nullptr)
        return;
    CRect r = area;
    r.bound(CRect(0, 0, std::min(width, canvas.getWidth()), std::min(height, canvas.getHeight())));
    if (r.isEmpty())
        return;
    GdiFlush(); // GDI must be done with the DIB before we write its pixels
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const uint32_t* src = canvas.getPixels() + static_cast<size_t>(y) * canvas.getWidth();
        uint32_t* dst = bits + static_cast<size_t>(y) * static_cast<size_t>(width);
        // 0xAARRGGBB in memory is B, G, R, A: the layout of a 32-bit DIB.
        std::memcpy(dst + r.left, src + r.left, static_cast<size_t>(r.width()) * 4);
    }
    if (hwnd == nullptr)
        return;
    if (HDC dc = GetDC(hwnd)) {
        BitBlt(dc, r.left, r.top, r.width(), r.height(), memoryDC, r.left, r.top, SRCCOPY);
        ReleaseDC(hwnd, dc);
    }
}

bool Win32Window::takePendingPaint(CRect& area)
{
    // One pending WM_PAINT of this thread, whichever window it is for.
    MSG msg;
    painted = false;
    if (!PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        return false;
    DispatchMessageA(&msg);
    if (hwnd == nullptr || msg.hwnd != hwnd || !painted)
        return false;
    area = lastPainted; // the frame shows its newest pixels there too
    return true;
}

bool Win32Window::pointerState(CPoint& where, int32_t& buttons)
{
    POINT p;
    if (hwnd == nullptr || !GetCursorPos(&p) || !ScreenToClient(hwnd, &p))
        return false;
    where = CPoint(p.x, p.y);
    // GetAsyncKeyState sees the physical buttons; swap for left-handed setups.
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    buttons = modifierButtons();
    if (GetAsyncKeyState(swapped ? VK_RBUTTON : VK_LBUTTON) < 0)
        buttons |= kLButton;
    if (GetAsyncKeyState(VK_MBUTTON) < 0)
        buttons |= kMButton;
    if (GetAsyncKeyState(swapped ? VK_LBUTTON : VK_RBUTTON) < 0)
        buttons |= kRButton;
    return true;
}

uint32_t readU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void writeU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// How often initUiThread succeeded on this thread and was not yet released.
thread_local int32_t oleDepth = 0;

} // namespace

std::unique_ptr<Window> createNativeWindow(void* parent, int32_t width, int32_t height)
{
    return Win32Window::create(parent, width, height);
}

bool loadBitmapResource(int32_t id, BmpImage& out)
{
    out = BmpImage{};
    if (id <= 0 || id > 0xFFFF)
        return false;
    HMODULE module = thisModule();
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (info == nullptr) {
        // The larger artwork: PNG files as RCDATA.
        HRSRC data = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
        HGLOBAL loaded = data != nullptr ? LoadResource(module, data) : nullptr;
        const auto* bytes = static_cast<const uint8_t*>(loaded != nullptr ? LockResource(loaded) : nullptr);
        return bytes != nullptr && readPng(bytes, SizeofResource(module, data), out);
    }
    HGLOBAL handle = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const auto* dibData = static_cast<const uint8_t*>(handle != nullptr ? LockResource(handle) : nullptr);
    if (dibData == nullptr || size < 40)
        return false;
    // A BITMAP resource is the .bmp file without its 14-byte file header.
    // Put the header back and let the checked file reader do the rest.
    const uint32_t infoSize = readU32(dibData);
    const uint32_t bitCount = uint32_t(dibData[14]) | (uint32_t(dibData[15]) << 8);
    const uint32_t compression = readU32(dibData + 16);
    const uint32_t colorsUsed = readU32(dibData + 32);
    if (infoSize < 40 || infoSize > 1024 || colorsUsed > 256)
        return false;
    const uint32_t masks = (infoSize == 40 && compression == 3 /* BI_BITFIELDS */) ? 12 : 0;
    const uint32_t colors = colorsUsed != 0 ? colorsUsed : (bitCount <= 8 ? (1u << bitCount) : 0);
    std::vector<uint8_t> file(14 + static_cast<size_t>(size));
    file[0] = 'B';
    file[1] = 'M';
    writeU32(&file[2], static_cast<uint32_t>(file.size()));
    writeU32(&file[10], 14 + infoSize + masks + colors * 4);
    std::memcpy(file.data() + 14, dibData, size);
    return readBmp(file.data(), file.size(), out);
}

uint32_t win32TickCount() { return GetTickCount(); }

double desktopScale()
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return 0.0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi / 96.0 : 0.0;
}

double windowScale(void* parent)
{
    // Per-monitor DPI (Windows 10 1607 on); looked up by name so the module
    // still loads on older systems and under Wine versions without it.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow == nullptr || parent == nullptr || !IsWindow(static_cast<HWND>(parent)))
        return 0.0;
    const UINT dpi = getDpiForWindow(static_cast<HWND>(parent));
    return dpi > 0 ? dpi / 96.0 : 0.0;
}

void win32Sleep(uint32_t ms) { Sleep(ms); }

void initUiThread()
{
    // The frame window takes part in OLE (drag and drop) like every window
    // of the host's UI thread. A thread already in the multi-threaded
    // apartment refuses; then there is nothing to release either.
    const HRESULT result = OleInitialize(nullptr);
    if (SUCCEEDED(result))
        ++oleDepth;
}

void releaseUiThread()
{
    if (oleDepth > 0) {
        --oleDepth;
        OleUninitialize();
    }
}

} // namespace VSTGUI::platform
