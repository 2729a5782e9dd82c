#include "editor/VemoVstEditor.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <thread>

#include "editor/EditorScale.h"
#include "gui/Platform.h"
#include "vst/audioeffect.h"
#include "voice/ParameterTable.h"

using namespace VSTGUI;

namespace {

constexpr int32_t kKnobFrames = 51;
constexpr int32_t kKnobFrameHeight = 33;
constexpr int32_t kMenuTop = 169;
constexpr int32_t kMenuBottom = 182;
constexpr int32_t kMenuWidth = 27;

// Menu colours, matched by the panel artwork: the fill of the panel's menu
// wells, and the text in the panel's label colour, which stands out from the
// fill by a contrast ratio of 8.9 (the earlier grey, 60, 60, 70, managed 1.9
// and could hardly be read). In the pop-up list the entry under the pointer
// lies on the colour of the section frames, with white text.
constexpr CColor kMenuText{184, 180, 200, 255};
constexpr CColor kMenuFill{25, 20, 36, 255};
constexpr CColor kMenuSelected{74, 66, 98, 255};

CBitmap* loadBitmap(int32_t id, bool blackIsTransparent)
{
    auto* bmp = new CBitmap(id);
    if (blackIsTransparent)
        bmp->setTransparentColor(kBlackCColor);
    return bmp;
}

void release(CBitmap*& bmp)
{
    if (bmp != nullptr) {
        bmp->forget();
        bmp = nullptr;
    }
}

} // namespace

VemoVstEditor::VemoVstEditor(AudioEffect* effect) : VemoVstEditor(effect, nullptr) {}

VemoVstEditor::VemoVstEditor(::EditorHost& otherHost) : VemoVstEditor(nullptr, &otherHost) {}

VemoVstEditor::VemoVstEditor(AudioEffect* effect, ::EditorHost* otherHost) : AEffGUIEditor(effect, otherHost)
{
    // The background fixes the window size, known to the host before open.
    bmpBackground = new CBitmap(128);
    windowRect.left = 0;
    windowRect.top = 0;
    windowRect.right = static_cast<int16_t>(bmpBackground->getWidth());
    windowRect.bottom = static_cast<int16_t>(bmpBackground->getHeight());
}

VemoVstEditor::~VemoVstEditor()
{
    if (frame != nullptr)
        close(); // the host should have closed the window already
    release(bmpBackground);
}

bool VemoVstEditor::isRefreshedParameter(int32_t index)
{
    // Every control except the two menus, which idle brings up to date.
    const ParameterInfo* info = parameterInfo(index);
    return info != nullptr && info->editorControl && info->kind != ParameterKind::Menu;
}

float VemoVstEditor::parameter(int32_t index) const
{
    return host->parameterValue(index);
}

CControl* VemoVstEditor::getControl(int32_t index) const
{
    if (index < 0 || index >= kNumParameters)
        return nullptr;
    return byParameter[static_cast<size_t>(index)];
}

bool VemoVstEditor::open(void* ptr)
{
    if (frame != nullptr)
        close(); // opened again without a close: the old window goes first
    AEffGUIEditor::open(ptr);

    // Artwork, in this order; the background's construction-time reference
    // is given up so that exactly one is held.
    release(bmpBackground);
    bmpBackground = loadBitmap(128, false);
    bmpKnob = loadBitmap(129, true);
    bmpLearnCurrent = loadBitmap(130, true);
    bmpLearnAll = loadBitmap(138, true);
    bmpSliderHandle = loadBitmap(131, true);
    bmpSliderBody = loadBitmap(132, true);
    bmpLever = loadBitmap(133, true);
    bmpButtonPulse = loadBitmap(134, true);
    bmpButtonSecond = loadBitmap(135, true);
    bmpButtonThird = loadBitmap(136, true);
    bmpTranspose = loadBitmap(137, false);
    bmpTranspose->setTransparentColor(CColor{13, 10, 19, 255});

    // The size: the sources as they stand now (the remembered choice read
    // afresh, another host may have changed it); on Windows the monitor's
    // DPI speaks for a host that sent no scale. A size other than the one
    // the host last asked for is announced to it.
    if (hostScale <= 0.f)
        hostScale = EditorScale::sanitize(platform::windowScale(ptr));
    rememberedScale = EditorScale::remembered();
    const float reported = scale;
    takeScale(wantedScale());
    if (scale != reported)
        host->requestResize(windowWidth(), windowHeight());
    pendingScale = 0.f;

    frame = new CFrame(CRect(0, 0, bmpBackground->getWidth(), bmpBackground->getHeight()), ptr,
                       this, scale);
    if (!frame->isWindowOpen()) {
        frame->forget();
        frame = nullptr;
        releaseBitmaps();
        return false;
    }
    frame->setBackground(bmpBackground);

    volumeKnob = makeKnob(173, 258, kParamVolume);
    masterPitchKnob = makeKnob(128, 258, kParamMasterPitch);
    oscLfoSlider = makeSlider(368, 107, kParamOscLfo);
    pulseWidthSlider = makeSlider(395, 107, kParamPwIntensity);
    pwModeSwitch = makeLever(433, 119, kParamPwMode);
    pulseButton = makePushButton(468, 111, kParamPulse, bmpButtonPulse);
    sawButton = makePushButton(491, 111, kParamSaw, bmpButtonSecond);
    subOscButton = makePushButton(514, 111, kParamSubOsc, bmpButtonThird);
    subOscVolumeSlider = makeSlider(561, 107, kParamSubOscVolume);
    noiseVolumeSlider = makeSlider(612, 107, kParamNoiseVolume);
    hpCutoffSlider = makeSlider(243, 248, kParamHpCutoff);
    cutoffSlider = makeSlider(284, 248, kParamCutoff);
    resonanceSlider = makeSlider(311, 248, kParamResonance);
    contourBiasSwitch = makeLever(338, 269, kParamContourBias);
    contourSlider = makeSlider(361, 248, kParamContour);
    filterLfoSlider = makeSlider(388, 248, kParamFilterLfo);
    keyFollowSlider = makeSlider(415, 248, kParamKeyFollow);
    envGateSwitch = makeLever(453, 269, kParamEnvGate);
    envVolumeSlider = makeSlider(484, 248, kParamEnvVolume);
    attackSlider = makeSlider(530, 248, kParamAttack);
    decaySlider = makeSlider(557, 248, kParamDecay);
    sustainSlider = makeSlider(584, 248, kParamSustain);
    releaseSlider = makeSlider(611, 248, kParamRelease);
    lfoRateSlider = makeSlider(243, 107, kParamLfoRate);
    lfoDelaySlider = makeSlider(270, 107, kParamLfoDelay);
    lfoTriggerSwitch = makeLever(314, 119, kParamLfoTrigger);
    waveMenu = makeMenu(300, kParamLfoWaveform);
    clockMenu = makeMenu(329, kParamLfoClock);
    envVelocitySlider = makeSlider(62, 107, kParamEnvVelocity);
    manualPwSwitch = makeLever(433, 155, kParamManualPw);
    sharedFilterButton = makePushButton(120, 111, kParamSharedFilter, bmpButtonSecond);
    chorus1Button = makePushButton(169, 111, kParamChorus1, bmpButtonSecond);
    chorus2Button = makePushButton(192, 111, kParamChorus2, bmpButtonThird);
    modDcoSlider = makeSlider(65, 248, kParamModDco);
    modVcfSlider = makeSlider(92, 248, kParamModVcf);
    transposeSwitch = makeTransposeSwitch(138, 300, kParamTranspose);
    learnCurrentButton = makeLearnButton(135, 320, kParamLearnProgram, bmpLearnCurrent);
    learnAllButton = makeLearnButton(166, 320, kParamLearnAll, bmpLearnAll);

    // The display goes in last: it overlaps no control.
    display = new ProgramDisplay(kDisplayRect);
    frame->addView(display);
    shownParameter = -1;
    openGestures = 0;
    refreshDisplay();

    bound.store(true);
    return true;
}

void VemoVstEditor::adopt(CControl* control)
{
    frame->addView(control);
    const int32_t tag = control->getTag();
    if (tag >= 0 && tag < kNumParameters)
        byParameter[static_cast<size_t>(tag)] = control;
}

CAnimKnob* VemoVstEditor::makeKnob(int32_t x, int32_t y, int32_t tag)
{
    const CRect r(x, y, x + bmpKnob->getWidth(), y + kKnobFrameHeight);
    auto* knob = new CAnimKnob(r, this, tag, kKnobFrames, kKnobFrameHeight, bmpKnob, CPoint(0, 0));
    knob->setTransparency(true);
    knob->setValue(parameter(tag));
    adopt(knob);
    return knob;
}

CVerticalSlider* VemoVstEditor::makeSlider(int32_t x, int32_t y, int32_t tag)
{
    const CRect r(x, y, x + bmpSliderBody->getWidth(), y + bmpSliderBody->getHeight());
    // Handle top from y + 1 (value 1) down to y + 69 (value 0).
    auto* slider = new CVerticalSlider(r, this, tag, y + 1, y + 69, bmpSliderHandle,
                                       bmpSliderBody, CPoint(0, 0));
    slider->setValue(parameter(tag));
    slider->setTransparency(false);
    slider->setMin(0.f);
    slider->setMax(1.f);
    adopt(slider);
    return slider;
}

COnOffButton* VemoVstEditor::makeLever(int32_t x, int32_t y, int32_t tag)
{
    const CRect r(x, y, x + bmpLever->getWidth(), y + bmpLever->getHeight() / 2);
    auto* lever = new COnOffButton(r, this, tag, bmpLever, COnOffButton::kPreListenerUpdate);
    lever->setValue(parameter(tag));
    adopt(lever);
    return lever;
}

COnOffButton* VemoVstEditor::makePushButton(int32_t x, int32_t y, int32_t tag, CBitmap* bmp)
{
    const CRect r(x, y, x + bmpButtonPulse->getWidth(), y + bmpButtonPulse->getHeight() / 2);
    auto* button = new COnOffButton(r, this, tag, bmp, COnOffButton::kPreListenerUpdate);
    button->setTransparency(true);
    button->setValue(parameter(tag));
    adopt(button);
    return button;
}

COnOffButton* VemoVstEditor::makeLearnButton(int32_t x, int32_t y, int32_t tag, CBitmap* bmp)
{
    const CRect r(x, y, x + bmpLearnCurrent->getWidth(), y + bmp->getHeight() / 2);
    auto* button = new COnOffButton(r, this, tag, bmp, COnOffButton::kPreListenerUpdate);
    button->setValue(parameter(tag));
    adopt(button);
    return button;
}

CHorizontalSwitch* VemoVstEditor::makeTransposeSwitch(int32_t x, int32_t y, int32_t tag)
{
    const int32_t frameHeight = bmpTranspose->getHeight() / 4;
    const CRect r(x, y, x + bmpTranspose->getWidth(), y + frameHeight);
    auto* sw = new CHorizontalSwitch(r, this, tag, 4, frameHeight, 4, bmpTranspose, CPoint(0, 0));
    sw->setDefaultValue(0.f);
    sw->setValue(parameter(tag));
    sw->setTransparency(true);
    adopt(sw);
    return sw;
}

COptionMenu* VemoVstEditor::makeMenu(int32_t x, int32_t tag)
{
    const ParameterInfo& info = kParameterTable[tag];
    const char* const* entries = info.texts;
    const int32_t count = info.textCount;
    const CRect r(x, kMenuTop, x + kMenuWidth, kMenuBottom);
    auto* menu = new COptionMenu(r, this, tag);
    auto* scheme = new COptionMenuScheme();
    scheme->backgroundColor = kMenuFill;
    scheme->selectionColor = kMenuSelected;
    scheme->textColor = kMenuText;
    scheme->hiliteTextColor = kWhiteCColor;
    scheme->disableTextColor = kMenuFill;
    menu->setScheme(scheme);
    scheme->forget(); // the menu keeps the only reference
    menu->setFontColor(kMenuText);
    menu->setBackColor(kMenuFill);
    for (int32_t i = 0; i < count; ++i)
        menu->addEntry(entries[i]);
    const float selected = std::trunc(parameter(tag));
    if (selected >= 0.f && selected < static_cast<float>(count))
        menu->setCurrent(static_cast<int32_t>(selected));
    adopt(menu);
    return menu;
}

void VemoVstEditor::close()
{
    // From here on setParameter leaves the controls alone; wait for any call
    // already inside (it only stores one float, so this is brief).
    bound.store(false);
    while (bindingUsers.load() != 0)
        std::this_thread::yield();

    if (frame != nullptr)
        frame->forget(); // releases every control, then the window
    frame = nullptr;
    display = nullptr;
    scaleMenu = nullptr;
    byParameter.fill(nullptr);
    learnCurrentButton = learnAllButton = nullptr;
    volumeKnob = masterPitchKnob = nullptr;
    oscLfoSlider = pulseWidthSlider = subOscVolumeSlider = noiseVolumeSlider = nullptr;
    pwModeSwitch = pulseButton = sawButton = subOscButton = nullptr;
    hpCutoffSlider = cutoffSlider = resonanceSlider = contourSlider = nullptr;
    filterLfoSlider = keyFollowSlider = envVelocitySlider = envVolumeSlider = nullptr;
    contourBiasSwitch = sharedFilterButton = envGateSwitch = lfoTriggerSwitch = nullptr;
    attackSlider = decaySlider = sustainSlider = releaseSlider = nullptr;
    lfoRateSlider = lfoDelaySlider = modDcoSlider = modVcfSlider = nullptr;
    waveMenu = clockMenu = nullptr;
    transposeSwitch = nullptr;
    chorus1Button = chorus2Button = manualPwSwitch = nullptr;
    releaseBitmaps();
}

void VemoVstEditor::releaseBitmaps()
{
    release(bmpBackground);
    release(bmpKnob);
    release(bmpSliderHandle);
    release(bmpSliderBody);
    release(bmpLearnCurrent);
    release(bmpTranspose);
    release(bmpLearnAll);
    release(bmpButtonPulse);
    release(bmpButtonSecond);
    release(bmpButtonThird);
    release(bmpLever);
}

void VemoVstEditor::idle()
{
    applyPendingScale();
    if (scaleMenu != nullptr && frame != nullptr && frame->getOpenPopup() != scaleMenu)
        scaleMenu->setViewSize(kScaleMenuParked); // dismissed without a choice
    refreshDisplay();
    AEffGUIEditor::idle();
    if (frame != nullptr && clockMenu != nullptr && waveMenu != nullptr) {
        clockMenu->setValue(parameter(kParamLfoClock));
        waveMenu->setValue(parameter(kParamLfoWaveform));
    }
}

void VemoVstEditor::setParameter(int32_t index, float value)
{
    (void)value; // the plug-in's stored value is read back instead
    if (!isRefreshedParameter(index))
        return;
    bindingUsers.fetch_add(1);
    if (bound.load()) {
        if (CControl* control = byParameter[static_cast<size_t>(index)])
            control->setValue(parameter(index));
    }
    bindingUsers.fetch_sub(1);
}

void VemoVstEditor::valueChanged(CDrawContext* context, CControl* control)
{
    (void)context;
    if (control == nullptr)
        return;
    const int32_t tag = control->getTag();
    if (control == scaleMenu) {
        const int32_t entry = scaleMenu->getCurrent();
        if (entry >= 0 && entry < static_cast<int32_t>(std::size(EditorScale::kChoices)))
            chooseScale(EditorScale::kChoices[entry]);
        scaleMenu->setViewSize(kScaleMenuParked);
        return;
    }
    // Only real parameter indices reach the host (a negative tag would be
    // reported to it as an automated parameter otherwise).
    if (tag >= 0 && tag < kNumParameters) {
        host->setParameterFromUser(tag, control->getValue());
        touchParameter(tag);
    }
    control->setDirty(true);
}

void VemoVstEditor::beginEdit(int32_t index)
{
    AEffGUIEditor::beginEdit(index);
    ++openGestures;
    touchParameter(index);
}

void VemoVstEditor::endEdit(int32_t index)
{
    AEffGUIEditor::endEdit(index);
    if (openGestures > 0)
        --openGestures;
    lastTouch = VSTGUI::platform::tickCount();
}

void VemoVstEditor::touchParameter(int32_t index)
{
    if (display == nullptr || parameterInfo(index) == nullptr)
        return;
    shownParameter = index;
    lastTouch = VSTGUI::platform::tickCount();
    refreshDisplay();
}

void VemoVstEditor::refreshDisplay()
{
    if (display == nullptr)
        return;
    // Back to the program after a moment of rest; unsigned tick arithmetic.
    if (shownParameter >= 0 && openGestures == 0 &&
        VSTGUI::platform::tickCount() - lastTouch >= kDisplayRest)
        shownParameter = -1;

    // The host's answers are at most 8 bytes (texts) and 25 (the name);
    // the buffers leave room for plug-ins that write more.
    char name[64] = {};
    host->programName(name);
    name[sizeof name - 1] = 0;
    display->setProgram(host->program() + 1, name);
    if (shownParameter < 0) {
        display->showProgram();
        return;
    }
    char value[64] = {};
    char unit[64] = {};
    host->parameterText(shownParameter, value, unit);
    value[sizeof value - 1] = 0;
    unit[sizeof unit - 1] = 0;
    std::string text = value;
    if (unit[0] != 0)
        text += std::string(text.empty() ? "" : " ") + unit;
    const ParameterInfo& info = kParameterTable[shownParameter];
    const float position = info.kind == ParameterKind::Continuous ? parameter(shownParameter) : -1.f;
    display->showParameter(info.title, text, position);
}

int32_t VemoVstEditor::controlModifierClicked(CDrawContext* context, CControl* control,
                                              int32_t button)
{
    (void)context;
    (void)control;
    (void)button;
    return 0; // the control handles the click itself
}

void VemoVstEditor::contextClick(const CPoint& where)
{
    if (frame == nullptr)
        return;
    if (scaleMenu == nullptr) {
        // A menu without a face of its own: only its pop-up shows, at the
        // pointer, in the panel's menu colours.
        scaleMenu = new COptionMenu(kScaleMenuParked, this, kScaleMenuTag);
        auto* scheme = new COptionMenuScheme();
        scheme->backgroundColor = kMenuFill;
        scheme->selectionColor = kMenuSelected;
        scheme->textColor = kMenuText;
        scheme->hiliteTextColor = kWhiteCColor;
        scheme->disableTextColor = kMenuFill;
        scaleMenu->setScheme(scheme);
        scheme->forget();
        for (float choice : EditorScale::kChoices) {
            char text[16];
            std::snprintf(text, sizeof text, "Size %d %%", static_cast<int>(std::lround(choice * 100.f)));
            scaleMenu->addEntry(text);
        }
        frame->addView(scaleMenu);
    }
    int32_t nearest = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(EditorScale::kChoices)); ++i)
        if (std::fabs(EditorScale::kChoices[i] - scale) < std::fabs(EditorScale::kChoices[nearest] - scale))
            nearest = i;
    scaleMenu->setCurrent(nearest);
    scaleMenu->setViewSize(CRect(where.x, where.y, where.x, where.y));
    frame->openPopup(scaleMenu);
}