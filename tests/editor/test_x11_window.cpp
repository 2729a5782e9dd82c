// The editor in a real X11 window, driven the way a Linux host drives it:
// the module is loaded with dlopen, the editor opened inside a top-level
// window of a test display (our own Xvfb server) through effEditOpen, pumped
// with effEditIdle, and clicked and dragged with real pointer events (XTest).
// What the window shows must equal the offscreen rendering pixel for pixel.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "EditorFixture.h"
#include "support/TestHost.h"
#include "support/Xvfb.h"

// After our headers: Xlib defines macros such as None and Expose.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

using namespace editortest;
using vemotest::TestHost;

namespace {

constexpr int kWidth = 695;
constexpr int kHeight = 350;

int openDescriptors()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d) != nullptr)
            ++n;
        closedir(d);
    }
    return n;
}

// The suite's own X server (tests/support/Xvfb.h).
vemotest::Xvfb* server = nullptr;

class X11EditorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new vemotest::Xvfb();
        if (!server->start()) {
            delete server;
            server = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        if (server != nullptr) {
            server->stop();
            delete server;
            server = nullptr;
        }
    }

    void SetUp() override
    {
        if (server == nullptr)
            GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
        if (const char* d = std::getenv("DISPLAY"))
            savedDisplay = d;
        setenv("DISPLAY", server->display().c_str(), 1);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight,
                                         0, BlackPixel(display, 0), BlackPixel(display, 0));
        XSelectInput(display, hostWindow, StructureNotifyMask);
        XMapWindow(display, hostWindow);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify && e.xmap.window == hostWindow)
                break;
        }
        host.emplace();
        ASSERT_NE(host->effect, nullptr) << host->loadError;
        ASSERT_TRUE(host->effect->flags & effFlagsHasEditor);
    }

    void TearDown() override
    {
        host.reset();
        if (display != nullptr) {
            XDestroyWindow(display, hostWindow);
            XCloseDisplay(display);
        }
        if (savedDisplay)
            setenv("DISPLAY", savedDisplay->c_str(), 1);
        else
            unsetenv("DISPLAY");
    }

    intptr_t openEditor()
    {
        return host->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(hostWindow), 0.f);
    }
    void idle()
    {
        XSync(display, False);
        host->dispatch(effEditIdle);
    }
    // Idles the editor until pred holds (bounded; the server is asynchronous).
    template <typename Pred>
    bool pumpUntil(Pred pred, int rounds = 400)
    {
        for (int i = 0; i < rounds; ++i) {
            idle();
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    int childCount()
    {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        XQueryTree(display, hostWindow, &root, &parent, &children, &n);
        if (children != nullptr)
            XFree(children);
        return static_cast<int>(n);
    }
    void pointerTo(int x, int y)
    {
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, 0);
        XSync(display, False);
    }
    void button(bool down, unsigned int which = 1)
    {
        XTestFakeButtonEvent(display, which, down ? True : False, 0);
        XSync(display, False);
    }
    // What the host window shows, as 0xRRGGBB.
    std::vector<uint32_t> grab()
    {
        XImage* img = XGetImage(display, hostWindow, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        std::vector<uint32_t> out(size_t(kWidth) * kHeight, 0);
        if (img == nullptr)
            return out;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                out[size_t(y) * kWidth + size_t(x)] = uint32_t(XGetPixel(img, x, y)) & 0xFFFFFFu;
        XDestroyImage(img);
        return out;
    }
    // The offscreen rendering of the editor with the module's current values.
    std::vector<uint32_t> offscreenReference()
    {
        VSTGUI::platform::setBackend(VSTGUI::platform::Backend::Offscreen);
        FakeEffect reference;
        for (int32_t i = 0; i < 47; ++i)
            reference.values[size_t(i)] = host->getParameter(i);
        // The display shows the program (once a touched parameter has had
        // its moment: pumpUntil waits long enough).
        char name[64] = {};
        host->dispatch(effGetProgramName, 0, 0, name);
        reference.programName = name;
        reference.setProgram(int32_t(host->dispatch(effGetProgram)));
        auto* editor = new VemoVstEditor(&reference); // deleted with `reference`
        EXPECT_TRUE(editor->open(nullptr));
        editor->idle();
        editor->idle();
        std::vector<uint32_t> out(size_t(kWidth) * kHeight);
        const auto* canvas = editor->getFrame()->getDrawContext();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                out[size_t(y) * kWidth + size_t(x)] = canvas->getPixel(x, y) & 0xFFFFFFu;
        editor->close();
        return out;
    }
    static size_t differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
    {
        size_t n = 0;
        for (size_t i = 0; i < a.size(); ++i)
            n += a[i] != b[i];
        return n;
    }
    // Whether the recorded host calls contain these (opcode, index) pairs in order.
    bool callsInOrder(const std::vector<std::pair<int32_t, int32_t>>& wanted)
    {
        size_t next = 0;
        for (const auto& c : host->calls())
            if (next < wanted.size() && c.opcode == wanted[next].first &&
                c.index == wanted[next].second)
                ++next;
        return next == wanted.size();
    }

    std::optional<std::string> savedDisplay;
    Display* display = nullptr;
    Window hostWindow = 0;
    std::optional<TestHost> host;
};

} // namespace

TEST_F(X11EditorTest, OpensInsideTheHostWindowAndShowsTheOffscreenPixels)
{
    ERect* rect = nullptr;
    ASSERT_EQ(host->dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);

    ASSERT_EQ(openEditor(), 1);
    XSync(display, False);
    EXPECT_EQ(childCount(), 1);
    const auto reference = offscreenReference();
    std::vector<uint32_t> shown;
    pumpUntil([&] {
        shown = grab();
        return shown == reference;
    });
    EXPECT_EQ(differences(shown, reference), 0u);
    host->dispatch(effEditClose);
    XSync(display, False);
    EXPECT_EQ(childCount(), 0);
}

TEST_F(X11EditorTest, RealPointerEventsChangeParametersInsideGestures)
{
    ASSERT_EQ(openEditor(), 1);
    pumpUntil([] { return false; }, 10); // let the window settle
    host->clearCalls();

    // Click the cutoff slider where its handle shows 0.25.
    pointerTo(296, 248 + 51 + 5);
    button(true);
    button(false);
    ASSERT_TRUE(pumpUntil([&] { return std::fabs(host->getParameter(12) - 0.25f) < 1e-6f; }))
        << host->getParameter(12);
    EXPECT_TRUE(callsInOrder({{audioMasterBeginEdit, 12}, {audioMasterAutomate, 12},
                              {audioMasterEndEdit, 12}}));

    // Drag the volume knob from twelve to three o'clock.
    host->clearCalls();
    pointerTo(189, 259);
    button(true);
    for (int x = 192; x <= 206; x += 2)
        pointerTo(x, 262 + (x - 192));
    pointerTo(206, 275);
    button(false);
    ASSERT_TRUE(pumpUntil([&] { return host->countCalls(audioMasterEndEdit) == 1; }));
    EXPECT_NEAR(host->getParameter(1), 0.84f, 0.03f);
    EXPECT_TRUE(callsInOrder({{audioMasterBeginEdit, 1}, {audioMasterAutomate, 1},
                              {audioMasterEndEdit, 1}}));
    EXPECT_GE(host->countCalls(audioMasterAutomate), 2);

    // Click the saw button: it runs the idle cycle, which asks the host to idle.
    host->clearCalls();
    const float saw = host->getParameter(3);
    pointerTo(503, 135);
    button(true);
    button(false);
    ASSERT_TRUE(pumpUntil([&] { return host->getParameter(3) != saw; }));
    EXPECT_TRUE(callsInOrder({{audioMasterBeginEdit, 3}, {audioMasterIdle, 0},
                              {audioMasterAutomate, 3}, {audioMasterEndEdit, 3}}));

    // One wheel notch up over the high-pass slider.
    host->setParameter(11, 0.5f);
    pointerTo(255, 290);
    button(true, 4);
    button(false, 4);
    ASSERT_TRUE(pumpUntil([&] { return host->getParameter(11) != 0.5f; }));
    EXPECT_NEAR(host->getParameter(11), 0.6f, 1e-6);

    // The window now shows exactly what the offscreen editor draws for
    // the new values.
    const auto reference = offscreenReference();
    std::vector<uint32_t> shown;
    pumpUntil([&] {
        shown = grab();
        return shown == reference;
    });
    EXPECT_EQ(differences(shown, reference), 0u);
    host->dispatch(effEditClose);
}

TEST_F(X11EditorTest, HostAutomationShowsAtTheNextIdle)
{
    ASSERT_EQ(openEditor(), 1);
    host->setParameter(20, 1.f);
    host->setParameter(27, 4.f);
    const auto reference = offscreenReference();
    std::vector<uint32_t> shown;
    pumpUntil([&] {
        shown = grab();
        return shown == reference;
    });
    EXPECT_EQ(differences(shown, reference), 0u);
    host->dispatch(effEditClose);
}

TEST_F(X11EditorTest, OpenAndCloseAHundredTimesLeaksNoWindowOrConnection)
{
    // One round first, so that everything loaded once (libraries, caches)
    // is in place before counting.
    ASSERT_EQ(openEditor(), 1);
    idle();
    host->dispatch(effEditClose);
    const int descriptors = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(openEditor(), 1);
        idle();
        host->dispatch(effEditClose);
    }
    XSync(display, False);
    EXPECT_EQ(childCount(), 0);
    EXPECT_EQ(openDescriptors(), descriptors);

    // Opening again without a close replaces the window.
    ASSERT_EQ(openEditor(), 1);
    ASSERT_EQ(openEditor(), 1);
    XSync(display, False);
    EXPECT_EQ(childCount(), 1);
    host->dispatch(effEditClose);
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(X11EditorTest, BadOrVanishedParentWindowsAreSurvived)
{
    EXPECT_EQ(host->dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(0x7ffffff))), 0);
    host->dispatch(effEditIdle);
    host->dispatch(effEditClose);

    // The host destroys its window before closing the editor.
    ASSERT_EQ(openEditor(), 1);
    idle();
    XDestroyWindow(display, hostWindow);
    XSync(display, False);
    host->dispatch(effEditIdle);
    VstKeyCode key{0, VKEY_UP, 0};
    host->dispatch(effEditKeyDown, key.character, key.virt, nullptr, 0.f);
    host->dispatch(effEditClose);
    hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XSync(display, False);
    // Still fully working afterwards.
    EXPECT_EQ(host->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(hostWindow)), 1);
    host->dispatch(effEditClose);
}

TEST(X11EditorWithoutDisplay, OpenAnswersZeroAndNothingBreaks)
{
    std::optional<std::string> saved;
    if (const char* d = std::getenv("DISPLAY"))
        saved = d;
    unsetenv("DISPLAY");
    {
        TestHost host;
        ASSERT_NE(host.effect, nullptr) << host.loadError;
        ERect* rect = nullptr;
        EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(0x400001))), 0);
        host.dispatch(effEditIdle);
        VstKeyCode key{0, VKEY_UP, 0};
        EXPECT_EQ(host.dispatch(effEditKeyDown, key.character, key.virt, nullptr, 0.f), 0);
        host.setParameter(12, 0.5f);
        host.dispatch(effEditClose);
        EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right, kWidth);
    }
    if (saved)
        setenv("DISPLAY", saved->c_str(), 1);
}
