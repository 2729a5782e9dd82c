// The editor through IPlugView, as a Linux VST 3 host embeds it: in a window
// of ours on a private X server, idled by the timer it registers with the
// frame's run loop, clicked with real pointer events (XTest). What the user
// does reaches the host as edits, the host's changes move the panel, and a
// MIDI program change is announced to the host from the timer, never from
// the audio thread.
#include "vst3/Vst3Host.h"
#include "voice/ParameterBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

// After our headers: Xlib defines macros such as None and Status.
#include "support/EmbeddedEditor.h"

using namespace vst3;
using vemotest::Vst3Host;

namespace {

constexpr int kWidth = vemotest::EmbeddedEditorTest::kWidth, kHeight = vemotest::EmbeddedEditorTest::kHeight;

// The host's frame, with the run loop Linux plug-ins find through it.
class Frame final : public IPlugFrame, public IRunLoop {
public:
    tresult queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknown::iid.is(iid) || IPlugFrame::iid.is(iid))
            *obj = static_cast<IPlugFrame*>(this);
        else if (IRunLoop::iid.is(iid))
            *obj = static_cast<IRunLoop*>(this);
        else {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    tresult resizeView(IPlugView*, ViewRect* size) override
    {
        ++resizes;
        if (size != nullptr)
            lastSize = *size;
        return kResultOk;
    }
    tresult registerEventHandler(IEventHandler*, int) override { return kResultOk; }
    tresult unregisterEventHandler(IEventHandler*) override { return kResultOk; }
    tresult registerTimer(ITimerHandler* handler, uint64) override
    {
        handler->addRef();
        timers.push_back(handler);
        return kResultOk;
    }
    tresult unregisterTimer(ITimerHandler* handler) override
    {
        const auto at = std::find(timers.begin(), timers.end(), handler);
        if (at == timers.end())
            return kResultFalse;
        timers.erase(at);
        handler->release();
        return kResultOk;
    }
    void fire()
    {
        for (ITimerHandler* t : std::vector<ITimerHandler*>(timers))
            t->onTimer();
    }
    std::vector<ITimerHandler*> timers;
    int resizes = 0;
    ViewRect lastSize{};
};

class Vst3GuiTest : public vemotest::EmbeddedEditorTest {
protected:
    void SetUp() override
    {
        vemotest::EmbeddedEditorTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_NE(host.controller, nullptr) << host.loadError;
        ASSERT_TRUE(host.activate(48000.0, 256));
    }
    void idleOnce() override { frame.fire(); }

    IPlugView* open()
    {
        IPlugView* view = host.controller->createView("editor");
        if (view == nullptr)
            return nullptr;
        if (view->setFrame(&frame) != kResultOk ||
            view->attached(reinterpret_cast<void*>(uintptr_t(parent)), kPlatformTypeX11EmbedWindowID) != kResultOk) {
            view->release();
            return nullptr;
        }
        return view;
    }

    Vst3Host host;
    Frame frame;
};

} // namespace

TEST_F(Vst3GuiTest, EmbedsAClickReachesTheHostAndTheHostsChangesShow)
{
    IPlugView* view = open();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(host.controller->createView("editor"), nullptr) << "one view at a time";
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, kWidth);
    EXPECT_EQ(size.bottom - size.top, kHeight);
    EXPECT_EQ(view->canResize(), kResultFalse);
    EXPECT_EQ(children(), 1);
    EXPECT_EQ(frame.timers.size(), 1u) << "the editor idles from the host's run loop";
    pumpUntil([] { return false; }, 10);
    host.edits.clear();

    // A click on the cutoff slider where its handle shows 0.25: one edit.
    XTestFakeMotionEvent(display, DefaultScreen(display), 296, 248 + 51 + 5, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    ASSERT_TRUE(pumpUntil([&] { return host.controller->getParamNormalized(kParamCutoff) == double(0.25f); }))
        << host.controller->getParamNormalized(kParamCutoff);
    ASSERT_EQ(host.edits.size(), 3u);
    EXPECT_EQ(host.edits[0].kind, 'b');
    EXPECT_EQ(host.edits[1].kind, 'p');
    EXPECT_EQ(host.edits[1].value, double(0.25f));
    EXPECT_EQ(host.edits[2].kind, 'e');
    for (const auto& e : host.edits)
        EXPECT_EQ(e.id, ParamID(kParamCutoff));

    // The host's automation moves the handle.
    const std::vector<uint32_t> before = grab(284, 248, 24, 80);
    std::vector<float> l(256), r(256);
    host.process(l.data(), r.data(), 256, {}, {{kParamCutoff, 10, 0.9}});
    EXPECT_TRUE(pumpUntil([&] { return grab(284, 248, 24, 80) != before; })) << "the slider did not follow";

    // A MIDI program change: the host rereads the values and marks the
    // session changed at the next timer, on its UI thread.
    std::thread([&] {
        host.process(l.data(), r.data(), 256, {}, {{host.mapped(kCtrlProgramChange), 0, 3.0 / 119.0}});
    }).join();
    EXPECT_EQ(host.restarts.load(), 0);
    frame.fire();
    EXPECT_EQ(host.restarts.load(), 1);
    EXPECT_EQ(host.lastRestartFlags.load(), kParamValuesChanged);
    EXPECT_EQ(host.dirtyMarks.load(), 1);
    frame.fire();
    EXPECT_EQ(host.restarts.load(), 1);

    // Closed and opened again, as hosts do when the user hides the editor.
    EXPECT_EQ(view->removed(), kResultOk);
    XSync(display, False);
    EXPECT_EQ(children(), 0);
    EXPECT_TRUE(frame.timers.empty());
    view->release();
    view = open();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(children(), 1);
    EXPECT_EQ(frame.resizes, 0);

    // The host's content scale: the view becomes twice the size and asks the
    // frame for it at the next timer.
    void* scale = nullptr;
    ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid.data(), &scale), kResultOk);
    EXPECT_EQ(static_cast<IPlugViewContentScaleSupport*>(scale)->setContentScaleFactor(2.0f), kResultOk);
    static_cast<IPlugViewContentScaleSupport*>(scale)->release();
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, 2 * kWidth);
    frame.fire();
    EXPECT_EQ(frame.resizes, 1);
    EXPECT_EQ(frame.lastSize.right - frame.lastSize.left, 2 * kWidth);
    EXPECT_EQ(frame.lastSize.bottom - frame.lastSize.top, 2 * kHeight);
    EXPECT_EQ(view->onSize(&frame.lastSize), kResultOk);
    view->removed();
    view->release();
    EXPECT_EQ(host.wrongThreadCalls.load(), 0);
}
