// The header's display: the program at rest; the parameter of a control
// while it is dragged, clicked, wheeled or chosen, and for a moment after;
// back to the program from the idle calls alone. And the menus' texts, which
// must stand out from their fill.
#include "EditorFixture.h"

#include <cmath>

using namespace editortest;
using namespace VSTGUI;

namespace {

// WCAG contrast ratio of two opaque colours.
double contrast(const CColor& a, const CColor& b)
{
    auto luminance = [](const CColor& c) {
        auto linear = [](uint8_t v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

} // namespace

TEST_F(EditorTest, DisplayShowsTheProgramAtRest)
{
    effect->programName = "Warm Pad";
    effect->setProgram(14);
    openWindow();
    ProgramDisplay* display = editor->getDisplay();
    ASSERT_NE(display, nullptr);
    EXPECT_FALSE(display->showsParameter());
    EXPECT_EQ(display->caption(), "PROGRAM");
    EXPECT_EQ(display->mainLine(), "015  Warm Pad");
    EXPECT_EQ(display->barSegments(), -1);

    // A program change (host or MIDI) shows at the next idle; automation of
    // a parameter by the host does not take the display away from it.
    effect->programName = "Funky Bass";
    effect->setProgram(1);
    effect->setParameter(12, 0.3f);
    editor->idle();
    EXPECT_EQ(display->mainLine(), "002  Funky Bass");
    EXPECT_FALSE(display->showsParameter());

    // It is drawn: the display's area no longer shows the bare panel.
    const CDrawContext* canvas = editor->getFrame()->getDrawContext();
    const uint32_t* panel = editor->getFrame()->getBackground()->getPixels();
    int32_t differing = 0;
    for (int32_t y = VemoVstEditor::kDisplayRect.top; y < VemoVstEditor::kDisplayRect.bottom; ++y)
        for (int32_t x = VemoVstEditor::kDisplayRect.left; x < VemoVstEditor::kDisplayRect.right; ++x)
            differing += canvas->getPixel(x, y) != panel[y * 695 + x] ? 1 : 0;
    EXPECT_GT(differing, VemoVstEditor::kDisplayRect.width() * VemoVstEditor::kDisplayRect.height() / 2);
    editor->close();
    EXPECT_EQ(editor->getDisplay(), nullptr);
}

TEST_F(EditorTest, DisplayShowsTheDraggedParameterUntilAMomentAfterTheDrag)
{
    openWindow();
    ProgramDisplay* display = editor->getDisplay();
    // Drag the cutoff handle to 0.25 and hold the button.
    window->postMouseDown(CPoint(296, 260), kLButton);
    window->postMouseMove(CPoint(296, 248 + 51 + 5), kLButton);
    editor->idle();
    ASSERT_TRUE(display->showsParameter());
    EXPECT_EQ(display->caption(), "CUTOFF");
    EXPECT_EQ(display->mainLine(), "0.25 u");
    EXPECT_EQ(display->corner(), "001  Test Sound");
    EXPECT_EQ(display->barSegments(), 6); // a quarter of 24
    const uint32_t pressed = FakeClock::now;

    // Held still for a long time: the gesture is open, the value stays.
    FakeClock::now += 10000;
    editor->idle();
    EXPECT_TRUE(display->showsParameter());
    window->postMouseUp(CPoint(296, 248 + 51 + 5), kLButton);
    editor->idle();
    const uint32_t released = FakeClock::now;
    EXPECT_GT(released, pressed);

    // A moment of rest, counted from the release, then the program again.
    FakeClock::now = released + VemoVstEditor::kDisplayRest - 1;
    editor->idle();
    EXPECT_TRUE(display->showsParameter());
    FakeClock::now = released + VemoVstEditor::kDisplayRest;
    editor->idle();
    EXPECT_FALSE(display->showsParameter());
    EXPECT_EQ(display->mainLine(), "001  Test Sound");
}

TEST_F(EditorTest, DisplayFollowsClicksWheelAndMenus)
{
    openWindow();
    ProgramDisplay* display = editor->getDisplay();

    // A wheel step over the resonance slider.
    effect->setParameter(13, 0.5f);
    window->setPointer(CPoint(320, 280));
    ASSERT_TRUE(editor->onWheel(1.f));
    editor->idle();
    EXPECT_EQ(display->caption(), "RESONANCE");
    EXPECT_EQ(display->mainLine(), "0.60 u");

    // The host moves the value meanwhile: the display follows at idle.
    effect->setParameter(13, 0.7f);
    editor->idle();
    EXPECT_EQ(display->mainLine(), "0.70 u");

    // A click on the SAW button: a switch, so no bar.
    click(503, 131);
    EXPECT_EQ(display->caption(), "SAW");
    EXPECT_EQ(display->barSegments(), -1);

    // A menu choice shows the menu's parameter with its entry text.
    click(340, 175);
    auto* clock = static_cast<COptionMenu*>(editor->getControl(28));
    const CRect list = clock->getPopupRect();
    click(list.left + 8, list.top + 2 + 2 * COptionMenu::kItemHeight + 4); // "1/8"
    EXPECT_EQ(display->caption(), "LFO SYNC");
    EXPECT_EQ(display->mainLine(), "2.00");

    // Rest returns to the program; the next touch brings the parameter back.
    FakeClock::now += VemoVstEditor::kDisplayRest;
    editor->idle();
    EXPECT_FALSE(display->showsParameter());
    ASSERT_TRUE(editor->onWheel(-1.f));
    editor->idle();
    EXPECT_EQ(display->caption(), "RESONANCE");
}

TEST_F(EditorTest, MenuTextsStandOutFromTheirFill)
{
    openWindow();
    for (int32_t tag : {27, 28}) {
        auto* menu = static_cast<COptionMenu*>(editor->getControl(tag));
        ASSERT_NE(menu, nullptr);
        EXPECT_GE(contrast(menu->getFontColor(), menu->getBackColor()), 4.5) << tag;
        const COptionMenuScheme* scheme = menu->getScheme();
        ASSERT_NE(scheme, nullptr);
        EXPECT_GE(contrast(scheme->textColor, scheme->backgroundColor), 4.5) << tag;
        EXPECT_GE(contrast(scheme->hiliteTextColor, scheme->selectionColor), 4.5) << tag;
        // The entry under the pointer can be told from the others.
        EXPECT_GE(contrast(scheme->selectionColor, scheme->backgroundColor), 1.5) << tag;
    }
    // The drawn text really has the colour: some pixel of "sin" in the menu.
    const CDrawContext* canvas = editor->getFrame()->getDrawContext();
    auto* wave = static_cast<COptionMenu*>(editor->getControl(27));
    int32_t lit = 0;
    for (int32_t y = 169; y < 182; ++y)
        for (int32_t x = 300; x < 327; ++x)
            lit += canvas->getPixel(x, y) == (wave->getFontColor().pixel() | 0xFF000000u) ? 1 : 0;
    EXPECT_GT(lit, 10);
}
