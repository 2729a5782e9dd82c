// Editor base built on the widget toolkit: owns the frame while the window
// is open, answers the host's size query, throttles the idle cycle the
// toolkit runs while it holds the UI thread, and passes keys, wheel, knob
// mode and gestures between host and toolkit.
//
// Threads: everything here runs on the host's UI thread (the thread that
// calls effEditOpen/Idle/Close), except construction and destruction, which
// run where the host builds and destroys the plug-in.
#pragma once

#include <cstdint>

#include "gui/CFrame.h"
#include "vst/aeffeditor.h"

class AEffGUIEditor : public AEffEditor, public VSTGUI::VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* ptr) override;
    void idle() override;
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(int mode) override;

    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    // Full idle work (redraw, one pending paint, host idle) at most once per
    // 100 ms of tick count; a call too early waits 4 ms and runs anyway once
    // the next cycle is less than 50 ms away.
    void runIdleCycle() override;
    int32_t getKnobMode() const override { return knobMode; }

    VSTGUI::CFrame* getFrame() const { return frame; }

    // Shared by every editor in the process: 2 drags knobs linearly, any
    // other value turns them by the pointer's angle.
    static int32_t knobMode;

    static constexpr uint32_t kIdlePeriod = 100;  // ms
    static constexpr uint32_t kEarlyAllowance = 50; // ms
    static constexpr uint32_t kWaitStep = 4;      // ms

protected:
    ERect windowRect{};
    uint32_t nextIdleTicks;
    bool inIdle = false;
    VSTGUI::CFrame* frame = nullptr;
};
