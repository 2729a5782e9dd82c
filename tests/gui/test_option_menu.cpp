// The option menu: which values select an entry, the pop-up list (inside the
// window, choosing by click, by press-drag-release and by keys), and what
// the menu draws.
#include "GuiFixture.h"

#include "gui/PixelFont.h"

#include <limits>

using namespace guitest;

namespace {

const char* const kClock[] = {"----", "1/16", "1/8",  "1/4",  "1/2",  "1/1", "2/1",
                              "1/16T", "1/8T", "1/4T", "1/2T", "1/1T", "2/1T"};

class MenuTest : public FrameTest {
protected:
    COptionMenu* makeMenu(const CRect& r, int32_t tag = 28)
    {
        auto* m = add(new COptionMenu(r, &listener, tag));
        for (const char* e : kClock)
            m->addEntry(e);
        return m;
    }
};

} // namespace

TEST_F(MenuTest, SetValueSelectsOnlyExistingEntries)
{
    COptionMenu* m = makeMenu(CRect(329, 169, 356, 182));
    EXPECT_EQ(m->getCurrent(), 0);
    m->setValue(2.7f);
    EXPECT_EQ(m->getCurrent(), 2);
    EXPECT_FLOAT_EQ(m->getValue(), 2.f);
    const float keeps[] = {15.f, 13.f, -1.f, 1e30f, -1e30f,
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity()};
    for (float v : keeps) {
        m->setValue(v);
        EXPECT_EQ(m->getCurrent(), 2) << "value " << v;
        EXPECT_FLOAT_EQ(m->getValue(), 2.f);
    }
    m->setValue(12.99f);
    EXPECT_EQ(m->getCurrent(), 12);
    EXPECT_FALSE(m->setCurrent(13));
    EXPECT_TRUE(m->setCurrent(0));
    EXPECT_EQ(m->getCurrent(), 0);
    EXPECT_TRUE(journal.lines.empty()); // none of this tells anybody
}

TEST_F(MenuTest, ChoosingFromThePopupReportsTheEntryIndexWithinAGesture)
{
    COptionMenu* m = makeMenu(CRect(329, 169, 356, 182));
    click(CPoint(340, 175));
    ASSERT_EQ(frame->getOpenPopup(), m);
    const CRect list = m->getPopupRect();
    EXPECT_TRUE(CRect(0, 0, 695, 350).contains(list));
    EXPECT_GE(list.top, 182); // below the menu, where it fits
    // Entry "1/8" is the third row.
    const CPoint onEighth(list.left + 10, list.top + 2 + 2 * COptionMenu::kItemHeight + 5);
    EXPECT_EQ(m->popupEntryAt(onEighth), 2);
    click(onEighth);
    EXPECT_EQ(frame->getOpenPopup(), nullptr);
    EXPECT_FLOAT_EQ(m->getValue(), 2.f);
    EXPECT_EQ(journal.lines, (std::vector<std::string>{"begin 28", "changed 28", "end 28"}));
}

TEST_F(MenuTest, PressDragReleaseAndClickOutside)
{
    COptionMenu* m = makeMenu(CRect(329, 169, 356, 182));
    frame->handleMouseDown(CPoint(340, 175), kLButton);
    const CRect list = m->getPopupRect();
    const CPoint onLast(list.left + 10, list.top + 2 + 12 * COptionMenu::kItemHeight + 3);
    frame->handleMouseMoved(onLast, kLButton);
    EXPECT_EQ(m->getHoverEntry(), 12);
    frame->handleMouseUp(onLast, kLButton);
    EXPECT_FLOAT_EQ(m->getValue(), 12.f);
    EXPECT_EQ(frame->getOpenPopup(), nullptr);

    // A click away from the list closes it and changes nothing.
    journal.clear();
    click(CPoint(340, 175));
    ASSERT_NE(frame->getOpenPopup(), nullptr);
    click(CPoint(600, 20));
    EXPECT_EQ(frame->getOpenPopup(), nullptr);
    EXPECT_FLOAT_EQ(m->getValue(), 12.f);
    EXPECT_TRUE(journal.lines.empty());
}

TEST_F(MenuTest, KeysMoveAndChooseInTheOpenList)
{
    COptionMenu* m = makeMenu(CRect(329, 169, 356, 182));
    m->setCurrent(3);
    click(CPoint(340, 175));
    VstKeyCode down{0, VKEY_DOWN, 0};
    VstKeyCode enter{0, VKEY_RETURN, 0};
    EXPECT_TRUE(frame->handleKeyDown(down));
    EXPECT_TRUE(frame->handleKeyDown(down));
    EXPECT_TRUE(frame->handleKeyDown(enter));
    EXPECT_FLOAT_EQ(m->getValue(), 5.f);
    click(CPoint(340, 175));
    VstKeyCode escape{0, VKEY_ESCAPE, 0};
    EXPECT_TRUE(frame->handleKeyDown(escape));
    EXPECT_EQ(frame->getOpenPopup(), nullptr);
    EXPECT_FLOAT_EQ(m->getValue(), 5.f);
}

TEST_F(MenuTest, PopupStaysInsideTheWindowWhereverTheMenuIs)
{
    const CRect places[] = {CRect(329, 169, 356, 182), CRect(0, 336, 27, 349),
                            CRect(668, 0, 695, 13), CRect(680, 300, 707, 313),
                            CRect(300, 160, 327, 173)};
    for (const CRect& r : places) {
        COptionMenu* m = makeMenu(r);
        frame->openPopup(m);
        EXPECT_TRUE(CRect(0, 0, 695, 350).contains(m->getPopupRect()))
            << r.left << "," << r.top;
        frame->closePopup();
    }
}

TEST_F(MenuTest, DrawsTheSelectedTextCentredInItsColoursAndTheListOnTop)
{
    COptionMenu* m = makeMenu(CRect(329, 169, 356, 182));
    m->setFontColor(CColor{60, 60, 70, 255});
    m->setBackColor(CColor{25, 20, 36, 255});
    m->setCurrent(7); // "1/16T", the widest entry
    frame->idle();
    const CDrawContext* c = frame->getDrawContext();
    EXPECT_EQ(c->getPixel(329, 169), kBlackCColor.pixel()); // default frame colour
    EXPECT_EQ(c->getPixel(355, 181), kBlackCColor.pixel());
    EXPECT_EQ(c->getPixel(330, 170), (CColor{25, 20, 36, 255}.pixel()));
    // Text pixels lie inside the frame, spread evenly about the centre.
    int32_t minX = 1000, maxX = -1, count = 0;
    for (int32_t y = 170; y < 181; ++y)
        for (int32_t x = 330; x < 355; ++x)
            if (c->getPixel(x, y) == (CColor{60, 60, 70, 255}.pixel())) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                ++count;
            }
    EXPECT_GT(count, 20);
    EXPECT_LE(std::abs((minX - 330) - (354 - maxX)), 1);

    // The list covers the controls below it while open and goes away after.
    const uint32_t before = c->getPixel(362, 200);
    frame->openPopup(m);
    frame->idle();
    EXPECT_NE(c->getPixel(362, 200), before);
    frame->closePopup();
    frame->idle();
    EXPECT_EQ(c->getPixel(362, 200), before);
}

TEST(PixelFont, EveryMenuEntryFitsInsideTheMenu)
{
    // 27 wide minus the one-pixel frame on each side.
    for (const char* e : kClock)
        EXPECT_LE(VSTGUI::PixelFont::textWidth(e), 25) << e;
    for (const char* e : {"sin", "tri", "saw", "rec", "noise"})
        EXPECT_LE(VSTGUI::PixelFont::textWidth(e), 25) << e;
    EXPECT_EQ(VSTGUI::PixelFont::textWidth(""), 0);
    EXPECT_GT(VSTGUI::PixelFont::glyphWidth('\x7f'), 0); // unknown: a box
    EXPECT_TRUE(VSTGUI::PixelFont::glyphPixel('\x7f', 0, 0));
    EXPECT_GT(VSTGUI::PixelFont::glyphWidth('\xe9'), 0);
}
