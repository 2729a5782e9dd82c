// The instrument's window: a 695 x 350 panel with 38 controls, each bound
// to one parameter. The window and its widget tree exist only between open
// and close; the editor object lives as long as the plug-in.
//
// Threads: the host's UI thread calls everything except setParameter, which
// may also come from the audio thread (program changes, learned MIDI
// controllers). That path only stores one float into a control, guarded so
// that it never touches a control the UI thread is tearing down.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "editor/AEffGUIEditor.h"
#include "editor/ProgramDisplay.h"
#include "gui/vstgui.h"
#include "voice/ParameterBlock.h"

class VemoVstEditor : public AEffGUIEditor, public VSTGUI::CControlListener {
public:
    static constexpr int32_t kNumParameters = ::kNumParameters;
    static constexpr int32_t kNumControls = 38;

    // Under VST 2.x: the editor of `effect`, registered with it.
    explicit VemoVstEditor(AudioEffect* effect);
    // Under another format: the editor talks to `host` alone.
    explicit VemoVstEditor(::EditorHost& host);
    ~VemoVstEditor() override;

    // Builds the window inside the host's window `ptr` from the current
    // parameter values. Answers false (and stays closed) when no window can
    // be made, e.g. without an X display.
    bool open(void* ptr) override;
    void close() override;
    // Redraws what changed, then brings the two menus up to date.
    void idle() override;
    // Any thread. Moves the control of `index` to the plug-in's current value
    // (shown at the next idle); does nothing while the window is closed.
    void setParameter(int32_t index, float value) override;

    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    // Gestures also bring the touched parameter onto the display.
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    int32_t controlModifierClicked(VSTGUI::CDrawContext* context, VSTGUI::CControl* control,
                                   int32_t button) override;
    // A right click on the panel: the menu of sizes (EditorScale::kChoices).
    void contextClick(const VSTGUI::CPoint& where) override;
    // The menu of sizes while the window is open and it was asked for once.
    VSTGUI::COptionMenu* getScaleMenu() const { return scaleMenu; }
    static constexpr int32_t kScaleMenuTag = -2; // never a parameter

    // The control serving parameter `index`, or null (window closed, or a
    // parameter without a control). UI thread.
    VSTGUI::CControl* getControl(int32_t index) const;
    // Whether setParameter refreshes the control of `index`.
    static bool isRefreshedParameter(int32_t index);

    // The header's display (null while the window is closed). It shows the
    // program, or for kDisplayRest ms after the player last touched a
    // control (and for as long as a gesture lasts) that parameter's value.
    ProgramDisplay* getDisplay() const { return display; }
    static constexpr uint32_t kDisplayRest = 1500; // ms
    static constexpr VSTGUI::CRect kDisplayRect{262, 14, 572, 62};

private:
    VemoVstEditor(AudioEffect* effect, ::EditorHost* otherHost);
    float parameter(int32_t index) const;
    void adopt(VSTGUI::CControl* control);
    VSTGUI::CAnimKnob* makeKnob(int32_t x, int32_t y, int32_t tag);
    VSTGUI::CVerticalSlider* makeSlider(int32_t x, int32_t y, int32_t tag);
    VSTGUI::COnOffButton* makeLever(int32_t x, int32_t y, int32_t tag);
    VSTGUI::COnOffButton* makePushButton(int32_t x, int32_t y, int32_t tag, VSTGUI::CBitmap* bmp);
    VSTGUI::COnOffButton* makeLearnButton(int32_t x, int32_t y, int32_t tag, VSTGUI::CBitmap* bmp);
    VSTGUI::CHorizontalSwitch* makeTransposeSwitch(int32_t x, int32_t y, int32_t tag);
    VSTGUI::COptionMenu* makeMenu(int32_t x, int32_t tag); // entries from the parameter table
    void releaseBitmaps();
    // Display: show `index` now / bring the texts up to date (idle).
    void touchParameter(int32_t index);
    void refreshDisplay();

    // Controls, by the parameter they serve. Owned by the frame.
    VSTGUI::COnOffButton* learnCurrentButton = nullptr;     // 46
    VSTGUI::COnOffButton* learnAllButton = nullptr;         // 37
    VSTGUI::CAnimKnob* volumeKnob = nullptr;                // 1
    VSTGUI::CAnimKnob* masterPitchKnob = nullptr;           // 2
    VSTGUI::CVerticalSlider* oscLfoSlider = nullptr;        // 10
    VSTGUI::CVerticalSlider* pulseWidthSlider = nullptr;    // 9
    VSTGUI::COnOffButton* pwModeSwitch = nullptr;           // 8
    VSTGUI::COnOffButton* pulseButton = nullptr;            // 7
    VSTGUI::COnOffButton* sawButton = nullptr;              // 3
    VSTGUI::COnOffButton* subOscButton = nullptr;           // 4
    VSTGUI::CVerticalSlider* subOscVolumeSlider = nullptr;  // 5
    VSTGUI::CVerticalSlider* noiseVolumeSlider = nullptr;   // 6
    VSTGUI::CVerticalSlider* hpCutoffSlider = nullptr;      // 11
    VSTGUI::CVerticalSlider* cutoffSlider = nullptr;        // 12
    VSTGUI::CVerticalSlider* resonanceSlider = nullptr;     // 13
    VSTGUI::COnOffButton* contourBiasSwitch = nullptr;      // 14
    VSTGUI::CVerticalSlider* contourSlider = nullptr;       // 15
    VSTGUI::CVerticalSlider* filterLfoSlider = nullptr;     // 16
    VSTGUI::CVerticalSlider* keyFollowSlider = nullptr;     // 17
    VSTGUI::CVerticalSlider* envVelocitySlider = nullptr;   // 29
    VSTGUI::COnOffButton* sharedFilterButton = nullptr;     // 38
    VSTGUI::COnOffButton* envGateSwitch = nullptr;          // 18
    VSTGUI::CVerticalSlider* envVolumeSlider = nullptr;     // 19
    VSTGUI::CVerticalSlider* attackSlider = nullptr;        // 20
    VSTGUI::CVerticalSlider* decaySlider = nullptr;         // 21
    VSTGUI::CVerticalSlider* sustainSlider = nullptr;       // 22
    VSTGUI::CVerticalSlider* releaseSlider = nullptr;       // 23
    VSTGUI::CVerticalSlider* lfoRateSlider = nullptr;       // 24
    VSTGUI::CVerticalSlider* lfoDelaySlider = nullptr;      // 25
    VSTGUI::COnOffButton* lfoTriggerSwitch = nullptr;       // 26
    VSTGUI::COptionMenu* waveMenu = nullptr;                // 27
    VSTGUI::COptionMenu* clockMenu = nullptr;               // 28
    VSTGUI::CVerticalSlider* modDcoSlider = nullptr;        // 31
    VSTGUI::CVerticalSlider* modVcfSlider = nullptr;        // 32
    VSTGUI::CHorizontalSwitch* transposeSwitch = nullptr;   // 33
    VSTGUI::COnOffButton* chorus1Button = nullptr;          // 34
    VSTGUI::COnOffButton* chorus2Button = nullptr;          // 35
    VSTGUI::COnOffButton* manualPwSwitch = nullptr;         // 36

    // Artwork, by resource id; each pointer holds one reference.
    VSTGUI::CBitmap* bmpBackground = nullptr;   // 128
    VSTGUI::CBitmap* bmpKnob = nullptr;         // 129
    VSTGUI::CBitmap* bmpSliderHandle = nullptr; // 131
    VSTGUI::CBitmap* bmpSliderBody = nullptr;   // 132
    VSTGUI::CBitmap* bmpLearnCurrent = nullptr; // 130
    VSTGUI::CBitmap* bmpLever = nullptr;        // 133
    VSTGUI::CBitmap* bmpButtonPulse = nullptr;  // 134
    VSTGUI::CBitmap* bmpButtonSecond = nullptr; // 135
    VSTGUI::CBitmap* bmpButtonThird = nullptr;  // 136
    VSTGUI::CBitmap* bmpTranspose = nullptr;    // 137
    VSTGUI::CBitmap* bmpLearnAll = nullptr;     // 138

    ProgramDisplay* display = nullptr; // owned by the frame
    VSTGUI::COptionMenu* scaleMenu = nullptr; // owned by the frame
    // Where the menu of sizes waits between uses: off the panel, so no
    // click reaches it.
    static constexpr VSTGUI::CRect kScaleMenuParked{-100, -100, -100, -100};
    int32_t shownParameter = -1;       // on the display, or -1 for the program
    int32_t openGestures = 0;          // beginEdit without its endEdit yet
    uint32_t lastTouch = 0;            // tick count of the latest touch or gesture end

    // Control of each parameter (null where none), for setParameter.
    std::array<VSTGUI::CControl*, kNumParameters> byParameter{};
    // setParameter may touch byParameter only while bound is set; close
    // clears it and waits until no setParameter is inside.
    std::atomic<bool> bound{false};
    std::atomic<int32_t> bindingUsers{0};
};
