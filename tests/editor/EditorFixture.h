// A stand-in for the plug-in object: 47 parameter values, and a log of
// what the editor asks of it (automation, gestures, host idle).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "editor/VemoVstEditor.h"
#include "gui/platform/Offscreen.h"
#include "vst/audioeffectx.h"

namespace editortest {

class FakeEffect : public AudioEffectX {
public:
    FakeEffect() : AudioEffectX(nullptr, 1, 47) {}

    // As the plug-in's: store, remember the index, tell the editor.
    void setParameter(int32_t index, float value) override
    {
        if (index < 0 || index > 46)
            return;
        values[static_cast<size_t>(index)] = value;
        lastParameterIndex = index;
        if (editor != nullptr)
            editor->setParameter(index, value);
    }
    float getParameter(int32_t index) override
    {
        return index >= 0 && index <= 46 ? values[static_cast<size_t>(index)] : 0.f;
    }
    void setParameterAutomated(int32_t index, float value) override
    {
        log.push_back("automate " + std::to_string(index) + " " + std::to_string(value));
        AudioEffectX::setParameterAutomated(index, value);
    }
    void beginEdit(int32_t index) override { log.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { log.push_back("end " + std::to_string(index)); }
    // Programs and value texts as a plug-in answers them.
    void getProgramName(char* name) override { std::snprintf(name, 25, "%s", programName.c_str()); }
    void getParameterDisplay(int32_t index, char* text) override
    {
        std::snprintf(text, 8, "%.2f", double(getParameter(index)));
    }
    void getParameterLabel(int32_t index, char* label) override
    {
        std::snprintf(label, 8, "%s", index == 27 || index == 28 ? "" : "u");
    }
    // audioMasterSizeWindow: logged, answered as acceptResize says.
    bool sizeWindow(int32_t width, int32_t height) override
    {
        log.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
        return acceptResize;
    }
    void masterIdle() override
    {
        log.push_back("host idle");
        if (onMasterIdle)
            onMasterIdle();
    }

    std::string programName = "Test Sound";
    std::array<float, 47> values{};
    int32_t lastParameterIndex = -1;
    std::vector<std::string> log;
    std::function<void()> onMasterIdle;
    bool acceptResize = true;
};

// A clock the tests move by hand, and the sleeps asked of it.
struct FakeClock {
    static inline uint32_t now = 1000;
    static inline std::vector<uint32_t> sleeps;
    static uint32_t tick() { return now; }
    static void sleep(uint32_t ms) { sleeps.push_back(ms); }
    static void install()
    {
        now = 1000;
        sleeps.clear();
        VSTGUI::platform::setClockForTesting(&FakeClock::tick, &FakeClock::sleep);
    }
};

// The log without the host idle requests.
inline std::vector<std::string> withoutHostIdle(const std::vector<std::string>& log)
{
    std::vector<std::string> out;
    for (const auto& line : log)
        if (line != "host idle")
            out.push_back(line);
    return out;
}

inline std::string automate(int32_t index, float value)
{
    return "automate " + std::to_string(index) + " " + std::to_string(value);
}

// A plug-in stand-in with its editor, opened on an offscreen window.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VSTGUI::platform::setBackend(VSTGUI::platform::Backend::Offscreen);
        FakeClock::install();
        effect = std::make_unique<FakeEffect>();
        editor = new VemoVstEditor(effect.get()); // owned by the effect
    }
    void TearDown() override
    {
        effect.reset();
        VSTGUI::platform::setClockForTesting(nullptr, nullptr);
    }
    void openWindow()
    {
        ASSERT_TRUE(editor->open(nullptr));
        editor->idle();
        window = dynamic_cast<VSTGUI::platform::OffscreenWindow*>(
            editor->getFrame()->getPlatformWindow());
        ASSERT_NE(window, nullptr);
    }
    // A left click as the window would deliver it, handled at the next idle.
    void click(int32_t x, int32_t y, int32_t modifiers = 0)
    {
        window->postMouseDown(VSTGUI::CPoint(x, y), VSTGUI::kLButton | modifiers);
        window->postMouseUp(VSTGUI::CPoint(x, y), VSTGUI::kLButton | modifiers);
        editor->idle();
    }

    std::unique_ptr<FakeEffect> effect;
    VemoVstEditor* editor = nullptr;
    VSTGUI::platform::OffscreenWindow* window = nullptr;
};

} // namespace editortest
