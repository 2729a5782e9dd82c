// The editor through the gui extension, as a CLAP host embeds it: in a
// window of ours on a private X server, idled by the host's timer, clicked
// with real pointer events (XTest); what the user does reaches the host as
// parameter events inside gestures, and the host's changes move the panel.
#include "clap/ClapHost.h"
#include "voice/ParameterBlock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

// After our headers: Xlib defines macros such as None and Status.
#include "support/EmbeddedEditor.h"

using namespace clap;
using vemotest::ClapEvent;
using vemotest::ClapHost;

namespace {

constexpr int kWidth = vemotest::EmbeddedEditorTest::kWidth, kHeight = vemotest::EmbeddedEditorTest::kHeight;

class ClapGuiTest : public vemotest::EmbeddedEditorTest {
protected:
    void SetUp() override
    {
        vemotest::EmbeddedEditorTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_NE(host.gui, nullptr);
        ASSERT_NE(host.timerSupport, nullptr);
        ASSERT_TRUE(host.activate(48000.0, 256));
    }
    void idleOnce() override { host.fireTimers(); }

    bool open()
    {
        clap_window window{};
        window.api = kWindowApiX11;
        window.x11 = parent;
        return host.gui->create(host.plugin, kWindowApiX11, false) && host.gui->set_parent(host.plugin, &window) &&
               host.gui->show(host.plugin);
    }
    // The output events of a flush, as (type, parameter id, value).
    struct Seen {
        uint16_t type;
        clap_id id;
        double value;
    };
    std::vector<Seen> flushed()
    {
        host.output.clear();
        host.flush();
        std::vector<Seen> seen;
        for (const ClapEvent& e : host.output) {
            const uint16_t type = e.header().type;
            if (type == CLAP_EVENT_PARAM_VALUE) {
                clap_event_param_value v;
                std::memcpy(&v, e.bytes.data(), sizeof v);
                seen.push_back({type, v.param_id, v.value});
            } else if (type == CLAP_EVENT_PARAM_GESTURE_BEGIN || type == CLAP_EVENT_PARAM_GESTURE_END) {
                clap_event_param_gesture g;
                std::memcpy(&g, e.bytes.data(), sizeof g);
                seen.push_back({type, g.param_id, 0.0});
            }
        }
        return seen;
    }

    ClapHost host;
};

} // namespace

TEST_F(ClapGuiTest, EmbedsAClickReachesTheHostAndTheHostsChangesShow)
{
    bool floating = true;
    const char* api = nullptr;
    ASSERT_TRUE(host.gui->get_preferred_api(host.plugin, &api, &floating));
    EXPECT_STREQ(api, kWindowApiX11);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(host.gui->is_api_supported(host.plugin, kWindowApiX11, true)) << "embedded only";

    ASSERT_TRUE(open());
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(host.gui->get_size(host.plugin, &w, &h));
    EXPECT_EQ(w, uint32_t(kWidth));
    EXPECT_EQ(h, uint32_t(kHeight));
    EXPECT_FALSE(host.gui->can_resize(host.plugin));
    EXPECT_EQ(children(), 1);
    EXPECT_EQ(host.timers.size(), 1u) << "the editor idles from the host's timer";
    pumpUntil([] { return false; }, 10);
    flushed();

    // A click on the cutoff slider where its handle shows 0.25.
    XTestFakeMotionEvent(display, DefaultScreen(display), 296, 248 + 51 + 5, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    ASSERT_TRUE(pumpUntil([&] { return host.value(kParamCutoff) == double(0.25f); })) << host.value(kParamCutoff);
    const std::vector<Seen> seen = flushed();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(seen[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(seen[1].value, double(0.25f));
    EXPECT_EQ(seen[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const Seen& s : seen)
        EXPECT_EQ(s.id, clap_id(kParamCutoff));

    // The host's automation moves the handle.
    const std::vector<uint32_t> before = grab(284, 248, 24, 80);
    std::vector<float> l(256), r(256);
    host.process(l.data(), r.data(), 256, {vemotest::clapParam(10, kParamCutoff, 0.9)});
    EXPECT_TRUE(pumpUntil([&] { return grab(284, 248, 24, 80) != before; })) << "the slider did not follow";

    // Closed and opened again, as hosts do when the user hides the editor.
    host.gui->destroy(host.plugin);
    XSync(display, False);
    EXPECT_EQ(children(), 0);
    EXPECT_TRUE(host.timers.empty());
    ASSERT_TRUE(open());
    EXPECT_EQ(children(), 1);
    host.gui->destroy(host.plugin);
    EXPECT_EQ(host.wrongThreadCalls.load(), 0);
}

// The host's scale (set_scale before the window opens): the size doubles,
// and the editor opens at it.
TEST_F(ClapGuiTest, TheHostsScaleSetsTheSize)
{
    ASSERT_TRUE(host.gui->create(host.plugin, kWindowApiX11, false));
    EXPECT_FALSE(host.gui->set_scale(host.plugin, -1.0));
    ASSERT_TRUE(host.gui->set_scale(host.plugin, 2.0));
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(host.gui->get_size(host.plugin, &w, &h));
    EXPECT_EQ(w, uint32_t(2 * kWidth));
    EXPECT_EQ(h, uint32_t(2 * kHeight));
    EXPECT_TRUE(host.gui->set_size(host.plugin, w, h));
    EXPECT_FALSE(host.gui->set_size(host.plugin, kWidth, kHeight));
    host.gui->destroy(host.plugin);
}
