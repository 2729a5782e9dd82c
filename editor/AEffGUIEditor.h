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

#include "editor/EditorHost.h"
#include "gui/CFrame.h"
#include "vst/aeffeditor.h"

// Also the VST 2.x binding of the editor host: over `effect` unless another
// format's host is given (then effect is null and the AEffEditor side idle).
class AEffGUIEditor : public AEffEditor, public VSTGUI::VSTGUIEditorInterface, private EditorHost {
public:
    explicit AEffGUIEditor(AudioEffect* effect, EditorHost* otherHost = nullptr);
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

private:
    // EditorHost over the AudioEffect.
    float parameterValue(int32_t index) override;
    void beginGesture(int32_t index) override;
    void endGesture(int32_t index) override;
    void setParameterFromUser(int32_t index, float value) override;
    int32_t program() override;
    void programName(char* text) override;
    bool programNameAt(int32_t index, char* text) override;
    void parameterText(int32_t index, char* display, char* unit) override;
    void hostIdle() override;
public:

    VSTGUI::CFrame* getFrame() const { return frame; }
    // The host the editor talks to.
    ::EditorHost& editorHost() { return *host; }

    // Shared by every editor in the process: 2 drags knobs linearly, any
    // other value turns them by the pointer's angle.
    static int32_t knobMode;

    static constexpr uint32_t kIdlePeriod = 100;  // ms
    static constexpr uint32_t kEarlyAllowance = 50; // ms
    static constexpr uint32_t kWaitStep = 4;      // ms

protected:
    ::EditorHost* host;
    ERect windowRect{};
    uint32_t nextIdleTicks;
    bool inIdle = false;
    VSTGUI::CFrame* frame = nullptr;
};
