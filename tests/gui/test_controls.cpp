// Widget behaviour on an offscreen frame: what each control shows for a
// value, how clicks, drags, keys and the wheel change it, and the gestures
// and reports around every change.
#include "GuiFixture.h"

#include <cmath>
#include <limits>

using namespace guitest;

namespace {

const std::vector<std::string>& lines(const Journal& j) { return j.lines; }
using Lines = std::vector<std::string>;

} // namespace

// ------------------------------------------------------------ click routing

TEST_F(FrameTest, ClickGoesToLastAddedControlHoldingThePointEdgesIncluded)
{
    CBitmap* strip = makeStrip(25, 40, 2);
    // Three buttons overlapping by two columns, as on the panel.
    add(new COnOffButton(CRect(468, 111, 493, 151), &listener, 7, strip, 1));
    add(new COnOffButton(CRect(491, 111, 516, 151), &listener, 3, strip, 1));
    add(new COnOffButton(CRect(514, 111, 539, 151), &listener, 4, strip, 1));
    strip->forget();

    auto tagAt = [&](int32_t x, int32_t y) {
        CView* v = frame->getViewAt(CPoint(x, y));
        return v ? static_cast<CControl*>(v)->getTag() : -1;
    };
    EXPECT_EQ(tagAt(468, 111), 7); // top-left corner
    EXPECT_EQ(tagAt(490, 130), 7);
    EXPECT_EQ(tagAt(491, 130), 3); // shared columns go to the later one
    EXPECT_EQ(tagAt(493, 130), 3); // the first button's right edge, still the later one
    EXPECT_EQ(tagAt(514, 130), 4);
    EXPECT_EQ(tagAt(516, 151), 4); // bottom edge
    EXPECT_EQ(tagAt(539, 151), 4); // bottom-right corner is inside
    EXPECT_EQ(tagAt(540, 130), -1);
    EXPECT_EQ(tagAt(500, 152), -1);

    click(CPoint(492, 120));
    EXPECT_EQ(lines(journal), (Lines{"begin 3", "changed 3", "end 3"}));
    EXPECT_EQ(frame->getFocusView(), frame->getView(1));
}

// --------------------------------------------------------------------- knob

class KnobTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        CBitmap* strip = makeStrip(32, 32, 51);
        // 32 x 32, centre exactly at (116, 116).
        knob = add(new CAnimKnob(CRect(100, 100, 132, 132), &listener, 1, 51, 32, strip));
        strip->forget();
    }
    int32_t shown()
    {
        frame->idle();
        return shownFrame(frame, 110, 110);
    }
    CAnimKnob* knob = nullptr;
};

TEST_F(KnobTest, ShowsFrameFloorOfValueTimesFifty)
{
    const std::pair<float, int32_t> cases[] = {
        {0.f, 0}, {1.f, 50}, {0.5f, 25}, {0.999f, 49}, {0.51f, 25}, {0.7f, 35},
        {-0.5f, 0}, {7.f, 50}, {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 50}};
    for (auto [value, expected] : cases) {
        knob->setValue(value);
        EXPECT_EQ(shown(), expected) << "value " << value;
    }
}

TEST_F(KnobTest, DragByAngleWithoutWrappingAcrossTheGap)
{
    knob->setValue(0.f);
    frame->handleMouseDown(CPoint(116, 100), kLButton); // twelve o'clock
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    frame->handleMouseMoved(CPoint(132, 116), kLButton); // three o'clock
    EXPECT_NEAR(knob->getValue(), 225.f / 270.f, 1e-6);
    // Straight across to nine o'clock lowers by more than half: held at the top.
    frame->handleMouseMoved(CPoint(100, 116), kLButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    // Back over twelve, then to nine o'clock.
    frame->handleMouseMoved(CPoint(116, 100), kLButton);
    frame->handleMouseMoved(CPoint(100, 116), kLButton);
    EXPECT_NEAR(knob->getValue(), 45.f / 270.f, 1e-6);
    frame->handleMouseUp(CPoint(100, 116), kLButton);
    EXPECT_EQ(lines(journal), (Lines{"begin 1", "changed 1", "changed 1", "changed 1",
                                     "changed 1", "changed 1", "end 1"}));

    // From near the top, into the gap past the minimum: stays at the maximum.
    knob->setValue(0.9f);
    frame->handleMouseDown(CPoint(100, 132), kLButton); // half past seven
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    frame->handleMouseUp(CPoint(100, 132), kLButton);
    // From near the bottom, past the maximum: stays at the minimum.
    knob->setValue(0.1f);
    frame->handleMouseDown(CPoint(132, 132), kLButton); // half past four
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    frame->handleMouseUp(CPoint(132, 132), kLButton);
}

TEST_F(KnobTest, LinearModeAndAltSwapsTheModes)
{
    editor.knobMode = 2;
    knob->setValue(0.5f);
    frame->handleMouseDown(CPoint(132, 116), kLButton); // no jump in linear mode
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    frame->handleMouseMoved(CPoint(142, 116), kLButton); // 10 px right
    EXPECT_NEAR(knob->getValue(), 0.55f, 1e-6);
    frame->handleMouseMoved(CPoint(142, 106), kLButton); // 10 px up
    EXPECT_NEAR(knob->getValue(), 0.60f, 1e-6);
    frame->handleMouseMoved(CPoint(172, 106), kLButton | kShift); // 30 px, Shift: 1/300
    EXPECT_NEAR(knob->getValue(), 0.70f, 1e-5);
    frame->handleMouseMoved(CPoint(172, 500), kLButton); // far down: clamped
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    frame->handleMouseUp(CPoint(172, 500), kLButton);

    // Alt in linear mode turns by angle.
    frame->handleMouseDown(CPoint(116, 100), kLButton | kAlt);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    frame->handleMouseUp(CPoint(116, 100), kLButton | kAlt);

    // Alt in angle mode drags linearly.
    editor.knobMode = 0;
    knob->setValue(0.2f);
    frame->handleMouseDown(CPoint(132, 116), kLButton | kAlt);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.2f);
    frame->handleMouseMoved(CPoint(152, 116), kLButton | kAlt);
    EXPECT_NEAR(knob->getValue(), 0.3f, 1e-6);
    frame->handleMouseUp(CPoint(152, 116), kLButton | kAlt);
}

TEST_F(KnobTest, ControlClickRestoresDefaultAfterAskingTheListener)
{
    knob->setValue(0.9f);
    click(CPoint(116, 116), kLButton | kControl);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(lines(journal), (Lines{"modifier 1 " + std::to_string(kLButton | kControl),
                                     "begin 1", "changed 1", "end 1"}));

    // A listener that takes modifier clicks gets them, and nothing else happens.
    journal.clear();
    listener.takeModifierClicks = true;
    knob->setValue(0.9f);
    click(CPoint(116, 116), kLButton | kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.9f);
    EXPECT_EQ(lines(journal), (Lines{"modifier 1 " + std::to_string(kLButton | kShift)}));
}

TEST_F(KnobTest, ArrowKeysGoToTheControlThatLastBeganAGesture)
{
    VstKeyCode up{0, VKEY_UP, 0};
    EXPECT_FALSE(frame->handleKeyDown(up)); // nothing touched yet

    knob->setValue(0.5f);
    click(CPoint(116, 100));
    journal.clear();
    EXPECT_TRUE(frame->handleKeyDown(up));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    VstKeyCode left{0, VKEY_LEFT, MODIFIER_SHIFT};
    EXPECT_TRUE(frame->handleKeyDown(left));
    EXPECT_NEAR(knob->getValue(), 0.59f, 1e-6);
    VstKeyCode right{0, VKEY_RIGHT, 0};
    for (int i = 0; i < 10; ++i)
        frame->handleKeyDown(right);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    VstKeyCode letter{'a', 0, 0};
    EXPECT_FALSE(frame->handleKeyDown(letter));
    // Every key step is a gesture of its own.
    EXPECT_EQ(journal.lines[0], "begin 1");
    EXPECT_EQ(journal.lines[1], "changed 1");
    EXPECT_EQ(journal.lines[2], "end 1");
}

TEST_F(KnobTest, WheelGoesToTheControlUnderThePointer)
{
    knob->setValue(0.5f);
    EXPECT_TRUE(frame->handleWheel(CPoint(120, 120), 1.f, 0));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    EXPECT_TRUE(frame->handleWheel(CPoint(120, 120), -2.f, kShift));
    EXPECT_NEAR(knob->getValue(), 0.58f, 1e-6);
    EXPECT_FALSE(frame->handleWheel(CPoint(20, 20), 1.f, 0));
    EXPECT_FALSE(frame->handleWheel(CPoint(120, 120), std::numeric_limits<float>::quiet_NaN(), 0));
    EXPECT_NEAR(knob->getValue(), 0.58f, 1e-6);
    EXPECT_EQ(lines(journal),
              (Lines{"begin 1", "changed 1", "end 1", "begin 1", "changed 1", "end 1"}));
}

// ------------------------------------------------------------------- slider

class SliderTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        auto* body = new CBitmap(24, 79);
        auto* handle = new CBitmap(24, 10);
        std::fill(handle->getPixels(), handle->getPixels() + 240, 0xFF00FF00u);
        // 24 x 79 at (200, 50); handle from y + 1 (max) to y + 69 (min).
        slider = add(new CVerticalSlider(CRect(200, 50, 224, 129), &listener, 12, 51, 119, handle,
                                         body));
        body->forget();
        handle->forget();
    }
    // Row of the handle's top edge on the canvas.
    int32_t drawnHandleTop()
    {
        frame->idle();
        for (int32_t y = 50; y < 129; ++y)
            if (frame->getDrawContext()->getPixel(210, y) == 0xFF00FF00u)
                return y - 50;
        return -1;
    }
    CVerticalSlider* slider = nullptr;
};

TEST_F(SliderTest, HandleTopIsMaxOfOneAndTruncatedTravel)
{
    const std::pair<float, int32_t> cases[] = {
        {1.f, 1}, {0.f, 68}, {0.5f, 34}, {0.25f, 51}, {0.99f, 1}, {0.98f, 1}, {0.97f, 2},
        {2.f, 1}, {-1.f, 68}, {std::numeric_limits<float>::quiet_NaN(), 68}};
    for (auto [value, expected] : cases) {
        slider->setValue(value);
        EXPECT_EQ(slider->handleOffset(), expected) << "value " << value;
        EXPECT_EQ(drawnHandleTop(), expected) << "value " << value;
    }
}

TEST_F(SliderTest, ClickCentresTheHandleAndDraggingFollows)
{
    slider->setValue(0.9f);
    // Handle top 51 below the slider's top, centred: pointer at 50 + 51 + 5.
    frame->handleMouseDown(CPoint(210, 106), kLButton);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.25f);
    EXPECT_EQ(slider->handleOffset(), 51);
    frame->handleMouseMoved(CPoint(210, 55), kLButton);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.f);
    frame->handleMouseMoved(CPoint(210, 20), kLButton); // above the slider: clamped
    EXPECT_FLOAT_EQ(slider->getValue(), 1.f);
    frame->handleMouseMoved(CPoint(210, 400), kLButton);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.f);
    frame->handleMouseUp(CPoint(210, 400), kLButton);
    EXPECT_EQ(lines(journal),
              (Lines{"begin 12", "changed 12", "changed 12", "changed 12", "end 12"}));
    EXPECT_FLOAT_EQ(listener.values.front(), 0.25f);
}

TEST_F(SliderTest, ShiftMovesOneTenthAsFast)
{
    slider->setValue(0.5f);
    frame->handleMouseDown(CPoint(210, 60), kLButton | kShift); // no jump
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    frame->handleMouseMoved(CPoint(210, 128), kLButton | kShift); // 68 px down
    EXPECT_NEAR(slider->getValue(), 0.4f, 1e-6);
    frame->handleMouseUp(CPoint(210, 128), kLButton | kShift);
}

TEST_F(SliderTest, KeysWheelAndDefault)
{
    slider->setValue(0.5f);
    click(CPoint(210, 50 + 34 + 5)); // keeps 0.5 and takes the focus
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    VstKeyCode down{0, VKEY_DOWN, 0};
    EXPECT_TRUE(frame->handleKeyDown(down));
    EXPECT_NEAR(slider->getValue(), 0.4f, 1e-6);
    EXPECT_TRUE(frame->handleWheel(CPoint(224, 129), 3.f, 0)); // corner included
    EXPECT_NEAR(slider->getValue(), 0.7f, 1e-6);
    click(CPoint(210, 70), kLButton | kControl);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
}

// ------------------------------------------------------------------- button

class ButtonTest : public FrameTest {
protected:
    COnOffButton* make(int32_t style)
    {
        CBitmap* strip = makeStrip(25, 40, 2);
        auto* b = add(new COnOffButton(CRect(300, 50, 325, 90), &listener, 7, strip, style));
        strip->forget();
        return b;
    }
};

TEST_F(ButtonTest, TopHalfForZeroBottomHalfOtherwise)
{
    COnOffButton* b = make(0);
    const std::pair<float, int32_t> cases[] = {
        {0.f, 0}, {1.f, 1}, {0.5f, 1}, {-0.f, 0}, {-3.f, 1},
        {std::numeric_limits<float>::quiet_NaN(), 1}};
    for (auto [value, expected] : cases) {
        b->setValue(value);
        frame->idle();
        EXPECT_EQ(shownFrame(frame, 310, 70), expected) << "value " << value;
    }
}

TEST_F(ButtonTest, ClickTogglesOnTheTruncatedValueAndRunsTheIdleCycleFirst)
{
    COnOffButton* b = make(COnOffButton::kPreListenerUpdate);
    const std::pair<float, float> cases[] = {
        {0.f, 1.f}, {1.f, 0.f}, {0.5f, 1.f}, {0.99f, 1.f}, {2.f, 0.f}, {-1.f, 0.f},
        {1e30f, 0.f}, {std::numeric_limits<float>::quiet_NaN(), 0.f}};
    for (auto [before, after] : cases) {
        b->setValue(before);
        journal.clear();
        click(CPoint(312, 70));
        EXPECT_EQ(b->getValue(), after) << "from " << before;
        EXPECT_EQ(lines(journal), (Lines{"begin 7", "idle", "changed 7", "end 7"}));
    }
    // Only the left button clicks.
    journal.clear();
    click(CPoint(312, 70), kRButton);
    EXPECT_TRUE(journal.lines.empty());
    // Buttons do not take keys.
    VstKeyCode up{0, VKEY_UP, 0};
    EXPECT_FALSE(frame->handleKeyDown(up));
}

TEST_F(ButtonTest, PostListenerStyleSkipsTheIdleCycle)
{
    make(COnOffButton::kPostListenerUpdate);
    click(CPoint(312, 70));
    EXPECT_EQ(lines(journal), (Lines{"begin 7", "changed 7", "end 7"}));
}

// ------------------------------------------------------------------- switch

class SwitchTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        CBitmap* strip = makeStrip(57, 13, 4);
        sw = add(new CHorizontalSwitch(CRect(400, 50, 457, 63), &listener, 33, 4, 13, 4, strip));
        sw->setDefaultValue(0.f);
        strip->forget();
    }
    CHorizontalSwitch* sw = nullptr;
};

TEST_F(SwitchTest, PositionFromTheSlotUnderThePointer)
{
    const std::pair<int32_t, float> cases[] = {
        {400, 0.f}, {414, 0.f}, {415, 1.f / 3.f}, {428, 1.f / 3.f}, {429, 2.f / 3.f},
        {442, 2.f / 3.f}, {443, 1.f}, {456, 1.f}, {457, 1.f}};
    for (auto [x, expected] : cases) {
        click(CPoint(x, 55));
        EXPECT_FLOAT_EQ(sw->getValue(), expected) << "x " << x;
    }
}

TEST_F(SwitchTest, ShowsFrameOfRoundedPosition)
{
    const std::pair<float, int32_t> cases[] = {
        {0.f, 0}, {1.f / 3.f, 1}, {0.5f, 2}, {2.f / 3.f, 2}, {1.f, 3}, {0.1f, 0}, {0.17f, 1},
        {0.84f, 3}, {5.f, 3}, {-1.f, 0}};
    for (auto [value, expected] : cases) {
        sw->setValue(value);
        frame->idle();
        EXPECT_EQ(shownFrame(frame, 420, 55), expected) << "value " << value;
        EXPECT_EQ(sw->currentFrame(), expected);
    }
}

TEST_F(SwitchTest, DragReportsEachNewPositionAndControlClickRestoresDefault)
{
    frame->handleMouseDown(CPoint(401, 55), kLButton);
    frame->handleMouseMoved(CPoint(405, 55), kLButton); // same slot: no report
    frame->handleMouseMoved(CPoint(430, 55), kLButton);
    frame->handleMouseMoved(CPoint(500, 55), kLButton); // past the right: last position
    frame->handleMouseUp(CPoint(500, 55), kLButton);
    EXPECT_EQ(lines(journal),
              (Lines{"begin 33", "changed 33", "changed 33", "changed 33", "end 33"}));
    EXPECT_FLOAT_EQ(sw->getValue(), 1.f);

    journal.clear();
    click(CPoint(450, 55), kLButton | kControl);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.f);
}

// --------------------------------------------------------- redraw and show

TEST_F(FrameTest, IdleRedrawsOnlyWhatChangedAndShowsIt)
{
    CBitmap* strip = makeStrip(32, 32, 51);
    auto* a = add(new CAnimKnob(CRect(10, 10, 42, 42), &listener, 1, 51, 32, strip));
    add(new CAnimKnob(CRect(100, 10, 132, 42), &listener, 2, 51, 32, strip));
    strip->forget();
    frame->idle();
    EXPECT_EQ(window->getLastPresented(), CRect(0, 0, 695, 350)); // first idle: everything
    const int32_t presents = window->getPresentCount();

    frame->idle(); // nothing changed: nothing to show
    EXPECT_EQ(window->getPresentCount(), presents);

    a->setValue(1.f); // as from another thread: stores only
    EXPECT_EQ(shownFrame(frame, 20, 20), 0);
    frame->idle();
    EXPECT_EQ(shownFrame(frame, 20, 20), 50);
    EXPECT_EQ(window->getLastPresented(), CRect(10, 10, 42, 42));
    // The screen holds exactly the canvas.
    const CDrawContext* canvas = frame->getDrawContext();
    EXPECT_TRUE(std::equal(window->getScreen().begin(), window->getScreen().end(),
                           canvas->getPixels()));
}

TEST_F(FrameTest, InputArrivesThroughTheWindowAtIdle)
{
    CBitmap* strip = makeStrip(25, 40, 2);
    auto* b = add(new COnOffButton(CRect(300, 50, 325, 90), &listener, 9, strip, 1));
    strip->forget();
    window->postMouseDown(CPoint(310, 60));
    window->postMouseUp(CPoint(310, 60));
    EXPECT_EQ(b->getValue(), 0.f);
    frame->idle();
    EXPECT_EQ(b->getValue(), 1.f);
    EXPECT_EQ(shownFrame(frame, 310, 70), 1);

    // A paint request is shown again by dispatchPendingPaint.
    const int32_t presents = window->getPresentCount();
    window->postPaint(CRect(0, 0, 50, 50));
    frame->dispatchPendingPaint();
    EXPECT_EQ(window->getPresentCount(), presents + 1);
    EXPECT_EQ(window->getLastPresented(), CRect(0, 0, 50, 50));
}

TEST(FrameOwnership, FrameReleasesControlsAndBitmaps)
{
    platform::setBackend(platform::Backend::Offscreen);
    const int32_t before = CBitmap::getLiveCount();
    auto* frame = new CFrame(CRect(0, 0, 200, 100), nullptr, nullptr);
    auto* bmp = new CBitmap(10, 20);
    frame->setBackground(bmp);
    frame->addView(new COnOffButton(CRect(0, 0, 10, 10), nullptr, 1, bmp));
    frame->addView(new COnOffButton(CRect(10, 0, 20, 10), nullptr, 2, bmp));
    EXPECT_EQ(bmp->getNbReference(), 4);
    EXPECT_EQ(frame->getNbViews(), 2);
    frame->forget();
    EXPECT_EQ(bmp->getNbReference(), 1);
    bmp->forget();
    EXPECT_EQ(CBitmap::getLiveCount(), before);
}

#include "gui/platform/QueuedWindow.h"

namespace {
// A native window whose system delivers a scripted batch on each read.
class ScriptedWindow : public VSTGUI::platform::QueuedWindow {
public:
    std::vector<std::vector<VSTGUI::platform::Event>> batches;
    int reads = 0;
    void present(const VSTGUI::CDrawContext&, const VSTGUI::CRect&) override {}
    bool takePendingPaint(VSTGUI::CRect& area) override { return takeQueuedPaint(area); }
    bool pointerState(VSTGUI::CPoint&, int32_t&) override { return false; }

protected:
    void readPending() override
    {
        if (reads < int(batches.size()))
            for (const auto& e : batches[size_t(reads)])
                queueEvent(e);
        ++reads;
    }
};

VSTGUI::platform::Event eventOf(VSTGUI::platform::EventType type, int32_t x, int32_t buttons = 0)
{
    VSTGUI::platform::Event e;
    e.type = type;
    e.where = VSTGUI::CPoint(x, 0);
    e.buttons = buttons;
    e.area = VSTGUI::CRect(x, 0, x + 1, 1);
    return e;
}
} // namespace

// The queue the X11 and Win32 windows share: runs of moves keep their latest
// position, a pass of the frame reads the system once, paints can be taken
// out of turn.
TEST(QueuedWindow, MergesMovesAndReadsOncePerPass)
{
    using VSTGUI::platform::EventType;
    ScriptedWindow w;
    w.batches = {{eventOf(EventType::MouseDown, 1, 1), eventOf(EventType::MouseMove, 2, 1),
                  eventOf(EventType::MouseMove, 3, 1), eventOf(EventType::MouseMove, 4, 0),
                  eventOf(EventType::Paint, 7), eventOf(EventType::MouseUp, 5)},
                 {eventOf(EventType::KeyDown, 6)}};
    VSTGUI::CRect paint;
    EXPECT_FALSE(w.takePendingPaint(paint)); // nothing read yet
    VSTGUI::platform::Event e;
    std::vector<int32_t> seen;
    ASSERT_TRUE(w.nextEvent(e));
    seen.push_back(e.where.x);
    ASSERT_TRUE(w.takePendingPaint(paint));
    EXPECT_EQ(paint.left, 7);
    while (w.nextEvent(e))
        seen.push_back(e.where.x);
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 3, 4, 5})); // 2 merged into 3; 4 has other buttons
    EXPECT_EQ(w.reads, 1);                               // the pass ended when the queue ran dry
    ASSERT_TRUE(w.nextEvent(e));                         // the next pass reads again
    EXPECT_EQ(e.where.x, 6);
    EXPECT_FALSE(w.nextEvent(e));
    EXPECT_FALSE(w.nextEvent(e));
    EXPECT_EQ(w.reads, 3);
}
