// A host's window on the suite's own X server for the editor to embed in,
// as every face's GUI test needs it: the parent window, its children, its
// pixels, and a pump that lets the face's idle source run until something
// shows. Include it after the face's headers: Xlib defines macros such as
// None and Status.
#pragma once

#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace vemotest {

class EmbeddedEditorTest : public ::testing::Test {
public:
    static constexpr int kWidth = 695, kHeight = 350; // the host's window

protected:
    void SetUp() override
    {
        Xvfb* x = sharedXvfb();
        if (x == nullptr)
            GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
        setenv("DISPLAY", x->display().c_str(), 1); // the editor opens its own connection
        display = XOpenDisplay(x->display().c_str());
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
        XMapRaised(display, parent);
        XSync(display, False);
    }
    void TearDown() override
    {
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }
    // One turn of the host's idle source (its timer, its run loop).
    virtual void idleOnce() = 0;

    int children()
    {
        Window root = 0, up = 0;
        Window* list = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &up, &list, &n);
        if (list != nullptr)
            XFree(list);
        return int(n);
    }
    template <typename Pred> bool pumpUntil(Pred pred, int rounds = 400)
    {
        for (int i = 0; i < rounds; ++i) {
            XSync(display, False);
            idleOnce();
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    std::vector<uint32_t> grab(int x, int y, int w, int h)
    {
        std::vector<uint32_t> out;
        if (XImage* img = XGetImage(display, parent, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap)) {
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i)
                    out.push_back(uint32_t(XGetPixel(img, i, j)) & 0xFFFFFFu);
            XDestroyImage(img);
        }
        return out;
    }

    Display* display = nullptr;
    Window parent = 0;
};

} // namespace vemotest
