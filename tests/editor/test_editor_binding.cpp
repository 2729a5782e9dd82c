// Values travelling both ways: user changes reaching the plug-in as automated
// parameters inside gestures, parameter changes moving the controls, the
// menus following at idle, the idle cycle's timing, keys, wheel and the
// shared knob mode.
#include "EditorFixture.h"

#include <atomic>
#include <random>
#include <thread>

using namespace editortest;
using namespace VSTGUI;

using Log = std::vector<std::string>;

TEST_F(EditorTest, DraggingTheCutoffSliderAutomatesParameterTwelve)
{
    openWindow();
    effect->log.clear();
    // Handle top 51 below the slider's top (value 0.25), centred on the pointer.
    window->postMouseDown(CPoint(296, 260), kLButton);
    window->postMouseMove(CPoint(296, 248 + 51 + 5), kLButton);
    window->postMouseUp(CPoint(296, 248 + 51 + 5), kLButton);
    editor->idle();
    ASSERT_FALSE(effect->log.empty());
    EXPECT_EQ(effect->log.front(), "begin 12");
    EXPECT_EQ(effect->log.back(), "end 12");
    EXPECT_EQ(effect->log[effect->log.size() - 2], automate(12, 0.25f));
    EXPECT_FLOAT_EQ(effect->values[12], 0.25f);
    EXPECT_EQ(effect->lastParameterIndex, 12);
}

TEST_F(EditorTest, MenuChoicesSendTheEntryIndex)
{
    openWindow();
    effect->log.clear();
    auto* clock = static_cast<COptionMenu*>(editor->getControl(28));
    click(340, 175);
    ASSERT_EQ(editor->getFrame()->getOpenPopup(), clock);
    const CRect list = clock->getPopupRect();
    click(list.left + 8, list.top + 2 + 2 * COptionMenu::kItemHeight + 4); // "1/8"
    EXPECT_FLOAT_EQ(effect->values[28], 2.f);
    EXPECT_EQ(effect->log, (Log{"begin 28", automate(28, 2.f), "end 28"}));

    auto* wave = static_cast<COptionMenu*>(editor->getControl(27));
    click(310, 175);
    const CRect waves = wave->getPopupRect();
    click(waves.left + 8, waves.top + 2 + 4 * COptionMenu::kItemHeight + 4); // "noise"
    EXPECT_FLOAT_EQ(effect->values[27], 4.f);
}

TEST_F(EditorTest, TransposeThirdPositionSendsTwoThirds)
{
    openWindow();
    click(138 + 2 * 57 / 4 + 3, 306);
    EXPECT_FLOAT_EQ(effect->values[33], 2.f / 3.f);
    EXPECT_EQ(static_cast<CHorizontalSwitch*>(editor->getControl(33))->currentFrame(), 2);
}

TEST_F(EditorTest, ClicksWhereButtonsOverlapGoToTheLaterButton)
{
    openWindow();
    click(491, 130); // pulse (7) and saw (3) share columns 491 and 492
    click(515, 130); // saw and sub (4) share 514 and 515
    click(193, 130); // chorus I (34) and II (35) share 192 and 193
    EXPECT_EQ(effect->values[7], 0.f);
    EXPECT_EQ(effect->values[3], 1.f);
    EXPECT_EQ(effect->values[4], 1.f);
    EXPECT_EQ(effect->values[34], 0.f);
    EXPECT_EQ(effect->values[35], 1.f);
}

TEST_F(EditorTest, AButtonClickRunsTheIdleCycleInsideItsGesture)
{
    openWindow();
    effect->log.clear();
    FakeClock::now += 1000;
    click(320, 130); // LFO trigger lever
    EXPECT_EQ(effect->log, (Log{"begin 26", "host idle", automate(26, 1.f), "end 26"}));
    // The lever already shows its new position when the host hears of it.
    EXPECT_FLOAT_EQ(effect->values[26], 1.f);
}

TEST_F(EditorTest, HostAutomationMovesControlsAtTheNextIdle)
{
    openWindow();
    const CDrawContext* canvas = editor->getFrame()->getDrawContext();
    // Attack slider: the handle's rows change when the value does.
    auto column = [&] {
        std::vector<uint32_t> c;
        for (int32_t y = 248; y < 327; ++y)
            c.push_back(canvas->getPixel(542, y));
        return c;
    };
    const auto before = column();
    effect->setParameter(20, 0.9f);
    EXPECT_FLOAT_EQ(editor->getControl(20)->getValue(), 0.9f); // stored at once
    EXPECT_EQ(column(), before);                                 // drawn at idle
    editor->idle();
    EXPECT_NE(column(), before);
    EXPECT_TRUE(effect->log.empty()); // nothing goes back to the host

    // Every refreshed index, the learn buttons included.
    for (int32_t i = 0; i < 47; ++i) {
        effect->setParameter(i, (i == 27 || i == 28) ? 1.f : 0.6f);
        if (VemoVstEditor::isRefreshedParameter(i)) {
            ASSERT_NE(editor->getControl(i), nullptr) << i;
            EXPECT_FLOAT_EQ(editor->getControl(i)->getValue(), 0.6f) << i;
        }
    }
    EXPECT_TRUE(VemoVstEditor::isRefreshedParameter(37));
    EXPECT_TRUE(VemoVstEditor::isRefreshedParameter(46));
    EXPECT_FALSE(VemoVstEditor::isRefreshedParameter(27));

    editor->close();
    effect->setParameter(20, 0.1f); // closed: no control, no error
    editor->idle();
}

TEST_F(EditorTest, MenusFollowTheirParametersAtIdleOnly)
{
    openWindow();
    auto* wave = static_cast<COptionMenu*>(editor->getControl(27));
    auto* clock = static_cast<COptionMenu*>(editor->getControl(28));
    effect->setParameter(27, 1.f);
    EXPECT_EQ(wave->getCurrent(), 0);
    editor->idle();
    EXPECT_EQ(wave->getCurrent(), 1);
    EXPECT_STREQ(wave->getEntry(wave->getCurrent()), "tri");

    effect->setParameter(28, 5.f);
    editor->idle();
    EXPECT_EQ(clock->getCurrent(), 5);
    effect->setParameter(28, 15.f); // no such entry: keeps showing "1/1"
    editor->idle();
    EXPECT_EQ(clock->getCurrent(), 5);
}

TEST_F(EditorTest, AProgramChangeMovesEveryControl)
{
    openWindow();
    std::array<float, 47> program{};
    for (int32_t i = 0; i < 47; ++i)
        program[size_t(i)] = float((i * 7) % 10) / 10.f;
    program[27] = 2.f;
    program[28] = 11.f;
    for (int32_t i = 0; i < 47; ++i) // ascending, as a program is applied
        effect->setParameter(i, program[size_t(i)]);
    for (int32_t i = 0; i < 47; ++i)
        if (VemoVstEditor::isRefreshedParameter(i)) {
            EXPECT_FLOAT_EQ(editor->getControl(i)->getValue(), program[size_t(i)]) << i;
        }
    editor->idle();
    EXPECT_EQ(static_cast<COptionMenu*>(editor->getControl(27))->getCurrent(), 2);
    EXPECT_EQ(static_cast<COptionMenu*>(editor->getControl(28))->getCurrent(), 11);
}

TEST_F(EditorTest, IdleCycleRunsAtMostOncePerPeriod)
{
    openWindow();
    effect->log.clear();
    FakeClock::now = 5000;
    editor->runIdleCycle();
    EXPECT_EQ(effect->log, (Log{"host idle"}));
    EXPECT_TRUE(FakeClock::sleeps.empty());

    FakeClock::now = 5002; // too early: waits 4 ms and gives up
    editor->runIdleCycle();
    EXPECT_EQ(effect->log.size(), 1u);
    EXPECT_EQ(FakeClock::sleeps, (std::vector<uint32_t>{4}));

    FakeClock::now = 5045; // 5049 is still below 5100 - 50
    editor->runIdleCycle();
    EXPECT_EQ(effect->log.size(), 1u);

    FakeClock::now = 5046; // 5050 is not: runs early, next cycle from 5050
    editor->runIdleCycle();
    EXPECT_EQ(effect->log.size(), 2u);
    FakeClock::now = 5100; // 5104 < 5150 - 50 is false: runs
    editor->runIdleCycle();
    EXPECT_EQ(effect->log.size(), 3u);
}

TEST_F(EditorTest, HostIdleInsideTheCycleSkipsTheFrameRedraw)
{
    openWindow();
    int32_t presentsInside = -1;
    effect->onMasterIdle = [&] {
        editor->getControl(1)->setValue(1.f);
        const int32_t before = window->getPresentCount();
        editor->idle(); // a host answering with an idle call of its own
        presentsInside = window->getPresentCount() - before;
    };
    FakeClock::now += 1000;
    editor->runIdleCycle();
    EXPECT_EQ(presentsInside, 0);
    effect->onMasterIdle = nullptr;
    const int32_t before = window->getPresentCount();
    editor->idle();
    EXPECT_GT(window->getPresentCount(), before);
}

TEST_F(EditorTest, KeysGoToTheLastTouchedKnobOrSlider)
{
    openWindow();
    effect->values[1] = 0.5f;
    effect->setParameter(1, 0.5f);
    VstKeyCode up{0, VKEY_UP, 0};
    EXPECT_FALSE(editor->onKeyDown(up)); // nothing touched yet
    click(189, 260); // the volume knob, near twelve o'clock
    const float touched = effect->values[1];
    EXPECT_NEAR(touched, 0.5f, 0.02f);
    effect->log.clear();
    EXPECT_TRUE(editor->onKeyDown(up));
    EXPECT_NEAR(effect->values[1], touched + 0.1f, 1e-6);
    EXPECT_EQ(effect->log.front(), "begin 1");
    EXPECT_EQ(effect->log.back(), "end 1");
    VstKeyCode a{'a', 0, 0};
    EXPECT_FALSE(editor->onKeyDown(a));
    EXPECT_FALSE(editor->onKeyUp(up));
    click(320, 130); // a lever takes the focus; levers take no keys
    EXPECT_FALSE(editor->onKeyDown(up));
}

TEST_F(EditorTest, WheelGoesToTheControlUnderTheCursor)
{
    openWindow();
    effect->setParameter(12, 0.5f);
    window->setPointer(CPoint(290, 280));
    EXPECT_TRUE(editor->onWheel(1.f));
    EXPECT_NEAR(effect->values[12], 0.6f, 1e-6);
    window->setPointer(CPoint(290, 280), kShift);
    EXPECT_TRUE(editor->onWheel(-1.f));
    EXPECT_NEAR(effect->values[12], 0.59f, 1e-6);
    window->setPointer(CPoint(5, 5));
    EXPECT_FALSE(editor->onWheel(1.f));
    window->setPointer(CPoint(320, 130)); // a lever takes no wheel
    EXPECT_FALSE(editor->onWheel(1.f));
}

TEST_F(EditorTest, KnobModeIsSharedByEveryEditor)
{
    FakeEffect other;
    auto* otherEditor = new VemoVstEditor(&other);
    EXPECT_TRUE(otherEditor->setKnobMode(2));
    EXPECT_EQ(effect->dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0.f), 1);
    openWindow();
    effect->setParameter(2, 0.5f);
    // Linear: 20 px to the right adds 0.1, wherever the press was.
    window->postMouseDown(CPoint(130, 260), kLButton);
    window->postMouseMove(CPoint(150, 260), kLButton);
    window->postMouseUp(CPoint(150, 260), kLButton);
    editor->idle();
    EXPECT_NEAR(effect->values[2], 0.6f, 1e-6);
    otherEditor->setKnobMode(0);
    // By angle again: a press at twelve o'clock gives the middle.
    effect->setParameter(2, 0.f);
    click(144, 258);
    EXPECT_NEAR(effect->values[2], 0.5f, 0.02f);
}

TEST_F(EditorTest, OnlyParameterTagsReachThePlugIn)
{
    for (int32_t tag : {47, 100, -1}) {
        auto* stray = new COnOffButton(CRect(0, 0, 1, 1), editor, tag, nullptr);
        stray->setValue(1.f);
        editor->valueChanged(nullptr, stray);
        stray->forget();
    }
    EXPECT_TRUE(effect->log.empty());
}

TEST_F(EditorTest, ParameterChangesFromAnotherThreadWhileOpeningAndClosing)
{
    // The audio thread may set parameters (program changes, MIDI learn)
    // while the UI thread rebuilds the window; under the sanitizers this
    // shows any touch of a control being torn down.
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::mt19937 rng(7);
        while (!stop.load())
            editor->setParameter(int32_t(rng() % 47), 0.5f);
    });
    for (int i = 0; i < 60; ++i) {
        openWindow();
        editor->idle();
        editor->close();
    }
    stop = true;
    audio.join();
}
