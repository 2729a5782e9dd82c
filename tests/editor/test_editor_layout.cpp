// The window: its size before and after opening, the 38 controls with their
// kinds, rectangles, tags, artwork and starting values, and what opening and
// closing hold and release.
#include "EditorFixture.h"

#include <cmath>

using namespace editortest;
using namespace VSTGUI;

namespace {

enum class Kind { Knob, Slider, Lever, PushButton, LearnButton, Transpose, Menu };

struct Placement {
    int32_t parameter;
    Kind kind;
    CRect rect;
    bool transparent;
};

// In creation order.
const Placement kLayout[] = {
    {1, Kind::Knob, {173, 258, 206, 291}, true},
    {2, Kind::Knob, {128, 258, 161, 291}, true},
    {10, Kind::Slider, {368, 107, 392, 186}, false},
    {9, Kind::Slider, {395, 107, 419, 186}, false},
    {8, Kind::Lever, {433, 119, 448, 149}, false},
    {7, Kind::PushButton, {468, 111, 493, 151}, true},
    {3, Kind::PushButton, {491, 111, 516, 151}, true},
    {4, Kind::PushButton, {514, 111, 539, 151}, true},
    {5, Kind::Slider, {561, 107, 585, 186}, false},
    {6, Kind::Slider, {612, 107, 636, 186}, false},
    {11, Kind::Slider, {243, 248, 267, 327}, false},
    {12, Kind::Slider, {284, 248, 308, 327}, false},
    {13, Kind::Slider, {311, 248, 335, 327}, false},
    {14, Kind::Lever, {338, 269, 353, 299}, false},
    {15, Kind::Slider, {361, 248, 385, 327}, false},
    {16, Kind::Slider, {388, 248, 412, 327}, false},
    {17, Kind::Slider, {415, 248, 439, 327}, false},
    {18, Kind::Lever, {453, 269, 468, 299}, false},
    {19, Kind::Slider, {484, 248, 508, 327}, false},
    {20, Kind::Slider, {530, 248, 554, 327}, false},
    {21, Kind::Slider, {557, 248, 581, 327}, false},
    {22, Kind::Slider, {584, 248, 608, 327}, false},
    {23, Kind::Slider, {611, 248, 635, 327}, false},
    {24, Kind::Slider, {243, 107, 267, 186}, false},
    {25, Kind::Slider, {270, 107, 294, 186}, false},
    {26, Kind::Lever, {314, 119, 329, 149}, false},
    {27, Kind::Menu, {300, 169, 327, 182}, false},
    {28, Kind::Menu, {329, 169, 356, 182}, false},
    {29, Kind::Slider, {62, 107, 86, 186}, false},
    {36, Kind::Lever, {433, 155, 448, 185}, false},
    {38, Kind::PushButton, {120, 111, 145, 151}, true},
    {34, Kind::PushButton, {169, 111, 194, 151}, true},
    {35, Kind::PushButton, {192, 111, 217, 151}, true},
    {31, Kind::Slider, {65, 248, 89, 327}, false},
    {32, Kind::Slider, {92, 248, 116, 327}, false},
    {33, Kind::Transpose, {138, 300, 195, 313}, true},
    {46, Kind::LearnButton, {135, 320, 165, 340}, false},
    {37, Kind::LearnButton, {166, 320, 196, 340}, false},
};

int32_t bitmapOf(CControl* c) { return c->getBackgroundBitmap() ? c->getBackgroundBitmap()->getResourceId() : -1; }

bool isKind(CView* v, Kind k)
{
    switch (k) {
    case Kind::Knob: return dynamic_cast<CAnimKnob*>(v) != nullptr;
    case Kind::Slider: return dynamic_cast<CVerticalSlider*>(v) != nullptr;
    case Kind::Lever:
    case Kind::PushButton:
    case Kind::LearnButton: return dynamic_cast<COnOffButton*>(v) != nullptr;
    case Kind::Transpose: return dynamic_cast<CHorizontalSwitch*>(v) != nullptr;
    case Kind::Menu: return dynamic_cast<COptionMenu*>(v) != nullptr;
    }
    return false;
}

} // namespace

TEST_F(EditorTest, RegistersWithThePlugInAndKnowsItsSizeBeforeOpening)
{
    EXPECT_EQ(effect->getEditor(), editor);
    EXPECT_TRUE(effect->getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.f), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 350);
    EXPECT_EQ(rect->right, 695);
    EXPECT_EQ(editor->getFrame(), nullptr);
    // Closed: keys, wheel and parameters are answered without a window.
    VstKeyCode key{0, VKEY_UP, 0};
    EXPECT_FALSE(editor->onKeyDown(key));
    EXPECT_FALSE(editor->onWheel(1.f));
    editor->setParameter(20, 0.3f);
    editor->idle();
}

TEST_F(EditorTest, OpenBuildsTheThirtyEightControlsInOrder)
{
    openWindow();
    CFrame* frame = editor->getFrame();
    EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 695, 350));
    // The 38 controls in their order, then the header's display, which
    // overlaps none of them.
    ASSERT_EQ(frame->getNbViews(), 39);
    ASSERT_EQ(frame->getView(38), editor->getDisplay());
    EXPECT_EQ(editor->getDisplay()->getViewSize(), VemoVstEditor::kDisplayRect);
    for (int32_t i = 0; i < 38; ++i) {
        EXPECT_FALSE(frame->getView(i)->getViewSize().rectOverlap(VemoVstEditor::kDisplayRect)) << i;
        const Placement& p = kLayout[i];
        auto* c = dynamic_cast<CControl*>(frame->getView(i));
        ASSERT_NE(c, nullptr) << i;
        EXPECT_EQ(c->getTag(), p.parameter) << i;
        EXPECT_EQ(c->getViewSize(), p.rect) << "parameter " << p.parameter;
        EXPECT_TRUE(isKind(c, p.kind)) << "parameter " << p.parameter;
        EXPECT_EQ(c->getTransparency(), p.transparent) << "parameter " << p.parameter;
        EXPECT_EQ(c->getListener(), editor);
        EXPECT_EQ(editor->getControl(p.parameter), c);
    }
    for (int32_t p : {0, 30, 39, 40, 41, 42, 43, 44, 45, 47, -1})
        EXPECT_EQ(editor->getControl(p), nullptr) << p;

    // Artwork of each kind.
    EXPECT_EQ(bitmapOf(editor->getControl(1)), 129);
    EXPECT_EQ(bitmapOf(editor->getControl(12)), 132);
    EXPECT_EQ(static_cast<CVerticalSlider*>(editor->getControl(12))->getHandle()->getResourceId(), 131);
    EXPECT_EQ(bitmapOf(editor->getControl(8)), 133);
    EXPECT_EQ(bitmapOf(editor->getControl(7)), 134);
    for (int32_t p : {3, 34, 38})
        EXPECT_EQ(bitmapOf(editor->getControl(p)), 135) << p;
    for (int32_t p : {4, 35})
        EXPECT_EQ(bitmapOf(editor->getControl(p)), 136) << p;
    EXPECT_EQ(bitmapOf(editor->getControl(33)), 137);
    EXPECT_EQ(bitmapOf(editor->getControl(46)), 130);
    EXPECT_EQ(bitmapOf(editor->getControl(37)), 138);
    EXPECT_EQ(editor->getControl(1)->getBackgroundBitmap()->getTransparentColor().rgb(), 0u);
    EXPECT_EQ(editor->getControl(33)->getBackgroundBitmap()->getTransparentColor(),
              (CColor{13, 10, 19, 255}));
    EXPECT_EQ(frame->getBackground()->getResourceId(), 128);

    // Menus: entries and colours.
    auto* wave = static_cast<COptionMenu*>(editor->getControl(27));
    auto* clock = static_cast<COptionMenu*>(editor->getControl(28));
    ASSERT_EQ(wave->getNbEntries(), 5);
    EXPECT_STREQ(wave->getEntry(4), "noise");
    ASSERT_EQ(clock->getNbEntries(), 13);
    EXPECT_STREQ(clock->getEntry(2), "1/8");
    EXPECT_STREQ(clock->getEntry(12), "2/1T");
    EXPECT_EQ(wave->getFontColor(), (CColor{184, 180, 200, 255})); // readable: test_editor_display
    EXPECT_EQ(wave->getBackColor(), (CColor{25, 20, 36, 255}));
    ASSERT_NE(clock->getScheme(), nullptr);
    EXPECT_EQ(clock->getScheme()->getNbReference(), 1); // the menu holds the only one
    EXPECT_EQ(clock->getScheme()->selectionColor, (CColor{74, 66, 98, 255}));
    EXPECT_EQ(clock->getScheme()->hiliteTextColor, (CColor{255, 255, 255, 255}));
    EXPECT_FLOAT_EQ(editor->getControl(33)->getDefaultValue(), 0.f);
}

TEST_F(EditorTest, ControlsStartAtTheCurrentParameterValues)
{
    effect->values[1] = 0.7f;
    effect->values[12] = 0.25f;
    effect->values[3] = 1.f;
    effect->values[27] = 3.f;
    effect->values[28] = 2.7f;
    effect->values[33] = 0.5f;
    effect->values[46] = 1.f;
    openWindow();
    EXPECT_EQ(static_cast<CAnimKnob*>(editor->getControl(1))->currentFrame(), 35);
    EXPECT_EQ(static_cast<CVerticalSlider*>(editor->getControl(12))->handleOffset(), 51);
    EXPECT_FLOAT_EQ(editor->getControl(3)->getValue(), 1.f);
    EXPECT_EQ(static_cast<COptionMenu*>(editor->getControl(27))->getCurrent(), 3); // "rec"
    EXPECT_EQ(static_cast<COptionMenu*>(editor->getControl(28))->getCurrent(), 2);
    EXPECT_EQ(static_cast<CHorizontalSwitch*>(editor->getControl(33))->currentFrame(), 2);
    EXPECT_FLOAT_EQ(editor->getControl(46)->getValue(), 1.f);
    EXPECT_TRUE(effect->log.empty()); // opening reports nothing to the host
}

TEST_F(EditorTest, MenusStartAtEntryZeroForValuesOutsideTheirEntries)
{
    effect->values[27] = 9.f;
    effect->values[28] = -3.f;
    openWindow();
    EXPECT_EQ(static_cast<COptionMenu*>(editor->getControl(27))->getCurrent(), 0);
    EXPECT_EQ(static_cast<COptionMenu*>(editor->getControl(28))->getCurrent(), 0); // "----"
}

TEST_F(EditorTest, OpenCloseRebuildsAndFinallyHoldsNoBitmap)
{
    const int32_t withBackground = CBitmap::getLiveCount(); // the editor holds 128
    for (int i = 0; i < 100; ++i) {
        effect->values[20] = float(i) / 100.f;
        openWindow();
        EXPECT_EQ(CBitmap::getLiveCount(), withBackground + 10);
        EXPECT_EQ(editor->getFrame()->getNbViews(), 39);
        EXPECT_FLOAT_EQ(editor->getControl(20)->getValue(), float(i) / 100.f);
        editor->close();
        EXPECT_EQ(editor->getFrame(), nullptr);
        EXPECT_EQ(editor->getControl(20), nullptr);
        EXPECT_EQ(CBitmap::getLiveCount(), withBackground - 1);
    }
    // The size is still known with the window closed.
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->right, 695);
}

TEST_F(EditorTest, OpeningAgainWithoutCloseReplacesTheWindow)
{
    const int32_t withBackground = CBitmap::getLiveCount();
    openWindow();
    CFrame* first = editor->getFrame();
    ASSERT_TRUE(editor->open(reinterpret_cast<void*>(0x1234)));
    EXPECT_NE(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->getFrame()->getNbViews(), 39);
    EXPECT_EQ(CBitmap::getLiveCount(), withBackground + 10);
    (void)first;
    editor->close();
    EXPECT_EQ(CBitmap::getLiveCount(), withBackground - 1);
}

TEST_F(EditorTest, PanelShowsThroughTransparentControlsOnly)
{
    openWindow();
    const CDrawContext* canvas = editor->getFrame()->getDrawContext();
    auto* background = editor->getFrame()->getBackground();
    auto panel = [&](int32_t x, int32_t y) { return background->getPixels()[y * 695 + x]; };
    // Knob corner: transparent black, so the panel shows.
    EXPECT_EQ(canvas->getPixel(173, 258), panel(173, 258));
    // Push button corner: the same.
    EXPECT_EQ(canvas->getPixel(468, 111), panel(468, 111));
    // Transpose lever ends: its own transparent colour.
    EXPECT_EQ(canvas->getPixel(138, 300), panel(138, 300));
    // No pixel of any window equals a transparent colour it should have hidden.
    for (int32_t y = 258; y < 291; ++y)
        for (int32_t x = 173; x < 206; ++x)
            EXPECT_NE(canvas->getPixel(x, y) & 0xFFFFFFu, 0u);
}
