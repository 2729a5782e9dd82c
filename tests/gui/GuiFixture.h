// Shared pieces of the toolkit tests: a frame on an offscreen window, an
// editor and a listener that write down what the toolkit tells them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/platform/Offscreen.h"
#include "gui/vstgui.h"

namespace guitest {

using namespace VSTGUI;

// One log for gestures, idle cycles and reports, in the order they happen.
struct Journal {
    std::vector<std::string> lines;
    void add(const std::string& s) { lines.push_back(s); }
    void clear() { lines.clear(); }
};

class RecordingEditor : public VSTGUIEditorInterface {
public:
    explicit RecordingEditor(Journal& journal) : journal(journal) {}
    void beginEdit(int32_t index) override { journal.add("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { journal.add("end " + std::to_string(index)); }
    void runIdleCycle() override { journal.add("idle"); }
    int32_t getKnobMode() const override { return knobMode; }
    int32_t knobMode = 0;

private:
    Journal& journal;
};

class RecordingListener : public CControlListener {
public:
    explicit RecordingListener(Journal& journal) : journal(journal) {}
    void valueChanged(CDrawContext*, CControl* control) override
    {
        values.push_back(control->getValue());
        journal.add("changed " + std::to_string(control->getTag()));
    }
    int32_t controlModifierClicked(CDrawContext*, CControl* control, int32_t button) override
    {
        journal.add("modifier " + std::to_string(control->getTag()) + " " +
                    std::to_string(button));
        return takeModifierClicks ? 1 : 0;
    }
    std::vector<float> values;
    bool takeModifierClicks = false;

private:
    Journal& journal;
};

// A 695 x 350 frame on an offscreen window.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setBackend(platform::Backend::Offscreen);
        frame = new CFrame(CRect(0, 0, 695, 350), nullptr, &editor);
        ASSERT_TRUE(frame->isWindowOpen());
        window = dynamic_cast<platform::OffscreenWindow*>(frame->getPlatformWindow());
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        if (frame != nullptr)
            frame->forget();
    }
    // Adds a control to the frame (which takes it over) and returns it.
    template <typename T>
    T* add(T* control)
    {
        frame->addView(control);
        return control;
    }
    void click(CPoint p, int32_t buttons = kLButton)
    {
        frame->handleMouseDown(p, buttons);
        frame->handleMouseUp(p, buttons);
    }

    Journal journal;
    RecordingEditor editor{journal};
    RecordingListener listener{journal};
    CFrame* frame = nullptr;
    platform::OffscreenWindow* window = nullptr;
};

// A strip bitmap whose frame i is filled with colour (i + 1, 0, 0), so the
// frame a control drew can be read back from the canvas.
inline CBitmap* makeStrip(int32_t width, int32_t frameHeight, int32_t frames)
{
    auto* bmp = new CBitmap(width, frameHeight * frames);
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t y = 0; y < frameHeight; ++y)
            for (int32_t x = 0; x < width; ++x)
                bmp->getPixels()[(f * frameHeight + y) * width + x] =
                    0xFF000000u | (uint32_t(f + 1) << 16);
    return bmp;
}

// The frame number a strip drawn at (x, y) shows.
inline int32_t shownFrame(CFrame* frame, int32_t x, int32_t y)
{
    return static_cast<int32_t>((frame->getDrawContext()->getPixel(x, y) >> 16) & 0xFF) - 1;
}

} // namespace guitest
