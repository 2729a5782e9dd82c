// The LV2 UI as a host drives it: loaded from the bundle's vemo_ui.so,
// embedded in a window of ours on a private X server, idled, fed port
// events and sound messages, and clicked with real pointer events (XTest).
// Everything it says to the plug-in goes through the write function and the
// touch feature, which the test records.
#include "faces/lv2/Lv2Ports.h"
#include "support/Xvfb.h"
#include "UridMap.h"

#include <gtest/gtest.h>

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/options/options.h>
#include <lv2/patch/patch.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <vector>

// After our headers: Xlib defines macros such as None and Status.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

using namespace vemo::lv2;

namespace {

constexpr int kWidth = 695, kHeight = 350;
constexpr uint32_t kCutoffPort = kFirstParameterPort + 12;

struct Written {
    uint32_t port, size, format;
    std::vector<uint8_t> bytes;
    float value() const
    {
        float v = NAN;
        if (size == sizeof(float))
            std::memcpy(&v, bytes.data(), sizeof v);
        return v;
    }
};

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vemotest::Xvfb* x = vemotest::sharedXvfb();
        if (x == nullptr)
            GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
        setenv("DISPLAY", x->display().c_str(), 1); // the UI opens its own connection
        display = XOpenDisplay(x->display().c_str());
        ASSERT_NE(display, nullptr);
        hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, unsigned(kWidth * hostScale),
                                         unsigned(kHeight * hostScale), 0, 0, 0);
        XMapRaised(display, hostWindow);
        XSync(display, False);

        module = dlopen(VEMO_LV2_BUNDLE "/vemo_ui.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(module, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->URI, kUiUri);
        EXPECT_EQ(entry(1), nullptr);

        const LV2_Feature mapFeature{LV2_URID__map, &urids.mapData};
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(hostWindow)};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        // The host's scale for the editor, when the test gives one.
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_UI__scaleFactor), sizeof(float), urids.map(LV2_ATOM__Float),
             &hostScale},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
        const LV2_Feature* features[] = {&mapFeature,   &parentFeature, &resizeFeature,
                                         &touchFeature, hostScale != 1.f ? &optionsFeature : nullptr, nullptr};
        ui = descriptor->instantiate(descriptor, kPluginUri, VEMO_LV2_BUNDLE, &Lv2UiTest::write, this, &widget,
                                     features);
        ASSERT_NE(ui, nullptr);
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
    }
    void TearDown() override
    {
        if (ui != nullptr)
            descriptor->cleanup(ui);
        if (module != nullptr)
            dlclose(module);
        if (display != nullptr) {
            XDestroyWindow(display, hostWindow);
            XCloseDisplay(display);
        }
    }

    static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        auto* self = static_cast<Lv2UiTest*>(controller);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        self->written.push_back({port, size, format, std::vector<uint8_t>(bytes, bytes + size)});
    }
    static int resized(LV2UI_Feature_Handle handle, int width, int height)
    {
        auto* self = static_cast<Lv2UiTest*>(handle);
        self->asked = {width, height};
        return 0;
    }
    static void touched(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
    {
        static_cast<Lv2UiTest*>(handle)->touches.push_back({int(port), grabbed ? 1 : 0});
    }

    void idle()
    {
        XSync(display, False);
        ASSERT_EQ(idleInterface->idle(ui), 0);
    }
    template <typename Pred> bool pumpUntil(Pred pred, int rounds = 400)
    {
        for (int i = 0; i < rounds; ++i) {
            idle();
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    void portEvent(uint32_t port, float value) { descriptor->port_event(ui, port, sizeof value, 0, &value); }
    void pointerTo(int x, int y)
    {
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, 0);
        XSync(display, False);
    }
    void click(int x, int y)
    {
        pointerTo(x, y);
        XTestFakeButtonEvent(display, 1, True, 0);
        XTestFakeButtonEvent(display, 1, False, 0);
        XSync(display, False);
    }
    // What the host window shows in a rectangle, as 0xRRGGBB.
    std::vector<uint32_t> grab(int x, int y, int w, int h)
    {
        std::vector<uint32_t> out;
        XImage* img = XGetImage(display, hostWindow, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
        if (img == nullptr)
            return out;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                out.push_back(uint32_t(XGetPixel(img, i, j)) & 0xFFFFFFu);
        XDestroyImage(img);
        return out;
    }
    // The last value written to a port, NaN if none.
    float lastWritten(uint32_t port) const
    {
        for (auto it = written.rbegin(); it != written.rend(); ++it)
            if (it->port == port && it->format == 0)
                return it->value();
        return NAN;
    }

    vemotest::UridMap urids;
    LV2UI_Resize resize{this, &Lv2UiTest::resized};
    LV2UI_Touch touch{this, &Lv2UiTest::touched};
    Display* display = nullptr;
    Window hostWindow = 0;
    void* module = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    std::vector<Written> written;
    std::pair<int, int> asked{0, 0};
    std::vector<std::pair<int, int>> touches;
    float hostScale = 1.f;
};

// The same UI in a host that sends ui:scaleFactor 2.
class Lv2UiAtTwiceTheSize : public Lv2UiTest {
protected:
    void SetUp() override
    {
        hostScale = 2.f;
        Lv2UiTest::SetUp();
    }
};

} // namespace

// Opening: the editor's window inside ours at the panel's size, announced to
// the host, and a request for the plug-in's sound on the MIDI input.
TEST_F(Lv2UiTest, OpensInTheHostWindowAndAsksForTheSound)
{
    EXPECT_EQ(asked, std::make_pair(kWidth, kHeight));
    ASSERT_NE(widget, nullptr);
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(display, Window(reinterpret_cast<uintptr_t>(widget)), &a));
    EXPECT_EQ(a.width, kWidth);
    EXPECT_EQ(a.height, kHeight);
    ASSERT_FALSE(written.empty());
    const Written& first = written.front();
    EXPECT_EQ(first.port, uint32_t(kMidiIn));
    EXPECT_EQ(first.format, urids.map(LV2_ATOM__eventTransfer));
    ASSERT_GE(first.size, sizeof(LV2_Atom_Object));
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(first.bytes.data());
    EXPECT_EQ(object->body.otype, urids.map(LV2_PATCH__Get));
}

// A click on the cutoff slider where its handle shows 0.25 writes that value
// to the cutoff port inside a touch gesture; a port event from the host
// moves the handle on the screen.
TEST_F(Lv2UiTest, AClickWritesThePortAndAPortEventMovesTheControl)
{
    pumpUntil([] { return false; }, 10);
    written.clear();
    click(296, 248 + 51 + 5);
    ASSERT_TRUE(pumpUntil([&] { return std::fabs(lastWritten(kCutoffPort) - 0.25f) < 1e-6f; }))
        << lastWritten(kCutoffPort);
    ASSERT_GE(touches.size(), 2u);
    EXPECT_EQ(touches.front(), std::make_pair(int(kCutoffPort), 1));
    EXPECT_EQ(touches.back(), std::make_pair(int(kCutoffPort), 0));

    const std::vector<uint32_t> before = grab(284, 248, 24, 80);
    portEvent(kCutoffPort, 0.9f);
    ASSERT_TRUE(pumpUntil([&] { return grab(284, 248, 24, 80) != before; })) << "the slider did not move";
    written.clear();
    portEvent(kCutoffPort, 0.9f); // a port event is no user change: nothing goes back
    pumpUntil([] { return false; }, 5);
    EXPECT_TRUE(std::isnan(lastWritten(kCutoffPort)));
}

// A sound message (a program change inside the plug-in) moves the host's
// ports that differ, and only those.
TEST_F(Lv2UiTest, ASoundMessageMovesTheHostsPorts)
{
    for (int32_t i = 0; i < 47; ++i)
        portEvent(kFirstParameterPort + uint32_t(i), 0.5f);
    written.clear();

    alignas(8) uint8_t buffer[1024];
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &urids.mapData);
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_object(&forge, &frame, 0, urids.map(kSoundUri));
    lv2_atom_forge_key(&forge, urids.map(kProgramUri));
    lv2_atom_forge_int(&forge, 7);
    lv2_atom_forge_key(&forge, urids.map(kProgramNameUri));
    lv2_atom_forge_string(&forge, "Seven", 5);
    float values[47];
    for (float& v : values)
        v = 0.5f;
    values[3] = 1.0f;
    values[12] = 0.125f;
    lv2_atom_forge_key(&forge, urids.map(kValuesUri));
    lv2_atom_forge_vector(&forge, sizeof(float), urids.map(LV2_ATOM__Float), 47, values);
    lv2_atom_forge_pop(&forge, &frame);
    const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
    descriptor->port_event(ui, kNotify, uint32_t(lv2_atom_total_size(atom)), urids.map(LV2_ATOM__eventTransfer),
                           atom);
    idle();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].port, kFirstParameterPort + 3);
    EXPECT_EQ(written[0].value(), 1.0f);
    EXPECT_EQ(written[1].port, kCutoffPort);
    EXPECT_EQ(written[1].value(), 0.125f);
}

// At the host's scale 2 on a real X server: the window twice the size,
// announced to the host, and a real click at the doubled position of the
// cutoff handle's 0.25 point writes 0.25.
TEST_F(Lv2UiAtTwiceTheSize, OpensTwiceAsLargeAndTakesClicksAtTheScaledPlaces)
{
    EXPECT_EQ(asked, std::make_pair(2 * kWidth, 2 * kHeight));
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(display, Window(reinterpret_cast<uintptr_t>(widget)), &a));
    EXPECT_EQ(a.width, 2 * kWidth);
    EXPECT_EQ(a.height, 2 * kHeight);
    pumpUntil([] { return false; }, 10);
    click(2 * 296, 2 * (248 + 51 + 5));
    EXPECT_TRUE(pumpUntil([&] { return std::fabs(lastWritten(kCutoffPort) - 0.25f) < 1e-6f; }))
        << lastWritten(kCutoffPort);
}
