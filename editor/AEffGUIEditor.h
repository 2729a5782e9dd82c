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
    bool requestResize(int32_t width, int32_t height) override;
public:

    // --- size -------------------------------------------------------------
    // The host's scale for the editor (1..3; 0 or nonsense: none). Applied at
    // once: the window, if open, is rebuilt at the new size (the host asked,
    // so it resizes its own window after). UI thread, outside the editor's
    // own calls.
    void setHostScale(double scale);
    // The user's choice from the context menu: applied at the next idle if
    // the host agrees to resize (an unopened editor just takes it), and kept
    // for the next editor in any host.
    void chooseScale(float scale);
    // The scale the editor is drawn at now, and its window in screen pixels.
    float getScale() const { return scale; }
    int32_t windowWidth() const { return windowRect.right - windowRect.left; }
    int32_t windowHeight() const { return windowRect.bottom - windowRect.top; }
    // The panel's size in its own pixels (scale 1).
    static constexpr int32_t kPanelWidth = 695;
    static constexpr int32_t kPanelHeight = 350;

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
    // The scale the sources give now (see EditorScale.h), and making it the
    // editor's: windowRect follows; an open window is rebuilt.
    float wantedScale() const;
    void takeScale(float newScale);
    // Applies a scale chosen from inside the frame's own event handling
    // (called from idle, where the frame may be rebuilt).
    void applyPendingScale();

    ::EditorHost* host;
    float scale = 1.f;
    float hostScale = 0.f;   // 0: the host said nothing
    float chosenScale = 0.f; // 0: not chosen in this editor
    float pendingScale = 0.f;
    // What the file and the desktop said when last asked (-1: not yet):
    // getRect may come often, the file is read again at each open.
    mutable float rememberedScale = -1.f;
    mutable float desktopScale = -1.f;
    ERect windowRect{};
    uint32_t nextIdleTicks;
    bool inIdle = false;
    VSTGUI::CFrame* frame = nullptr;
};
