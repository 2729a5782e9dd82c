#include "editor/AEffGUIEditor.h"

#include <cmath>

#include "editor/EditorScale.h"

#include "gui/Platform.h"
#include "vst/audioeffectx.h"

int32_t AEffGUIEditor::knobMode = 0;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect, EditorHost* otherHost)
    : AEffEditor(effect), host(otherHost != nullptr ? otherHost : this), nextIdleTicks(VSTGUI::platform::tickCount())
{
    if (effect != nullptr) {
        effect->setEditor(this);
        effect->hasEditor(true);
    }
    VSTGUI::platform::initUiThread();
}

AEffGUIEditor::~AEffGUIEditor() { VSTGUI::platform::releaseUiThread(); }

bool AEffGUIEditor::getRect(ERect** rect)
{
    if (rect == nullptr)
        return false;
    if (frame == nullptr)
        takeScale(wantedScale()); // the size the next open will have
    *rect = &windowRect;
    return true;
}

float AEffGUIEditor::wantedScale() const
{
    if (chosenScale > 0.f)
        return chosenScale;
    if (hostScale > 0.f)
        return hostScale;
    if (rememberedScale < 0.f)
        rememberedScale = EditorScale::remembered();
    if (rememberedScale > 0.f)
        return rememberedScale;
    if (desktopScale < 0.f)
        desktopScale = EditorScale::desktop();
    return desktopScale > 0.f ? desktopScale : 1.f;
}

void AEffGUIEditor::takeScale(float newScale)
{
    scale = newScale;
    windowRect.left = 0;
    windowRect.top = 0;
    windowRect.right = static_cast<int16_t>(std::floor(kPanelWidth * scale + 0.5f));
    windowRect.bottom = static_cast<int16_t>(std::floor(kPanelHeight * scale + 0.5f));
}

void AEffGUIEditor::setHostScale(double newScale)
{
    hostScale = EditorScale::sanitize(newScale);
    const float wanted = wantedScale();
    if (wanted == scale)
        return;
    if (frame == nullptr)
        takeScale(wanted);
    else if (frame->isHandlingInput())
        pendingScale = wanted;
    else if (frame->setScale(wanted)) // the host asked: it resizes its side itself
        takeScale(wanted);
}

void AEffGUIEditor::chooseScale(float newScale)
{
    newScale = EditorScale::sanitize(newScale);
    if (newScale <= 0.f)
        return;
    EditorScale::remember(newScale);
    rememberedScale = newScale;
    if (frame == nullptr) {
        chosenScale = newScale;
        takeScale(newScale);
    } else {
        pendingScale = newScale; // the frame is busy with the menu that chose it
    }
}

void AEffGUIEditor::applyPendingScale()
{
    if (pendingScale <= 0.f || frame == nullptr || frame->isHandlingInput())
        return;
    const float wanted = pendingScale;
    pendingScale = 0.f;
    if (wanted == scale)
        return;
    const auto width = static_cast<int32_t>(std::floor(kPanelWidth * wanted + 0.5f));
    const auto height = static_cast<int32_t>(std::floor(kPanelHeight * wanted + 0.5f));
    // A host scale waiting here was asked for by the host; a choice of the
    // user's needs the host's room first.
    const bool fromHost = chosenScale <= 0.f && wanted == hostScale;
    if (!fromHost && !host->requestResize(width, height))
        return; // the host keeps the window as it is: so does the editor
    if (!frame->setScale(wanted))
        return;
    if (!fromHost)
        chosenScale = wanted;
    takeScale(wanted);
}

bool AEffGUIEditor::open(void* ptr)
{
    parentWindow = ptr;
    return true;
}

void AEffGUIEditor::idle()
{
    if (!inIdle && frame != nullptr)
        frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode)
{
    return frame != nullptr && frame->handleKeyDown(keyCode);
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode)
{
    return frame != nullptr && frame->handleKeyUp(keyCode);
}

bool AEffGUIEditor::onWheel(float distance)
{
    if (frame == nullptr)
        return false;
    VSTGUI::CPoint where;
    int32_t buttons = 0;
    if (!frame->getCurrentMouseLocation(where, buttons))
        return false;
    return frame->handleWheel(where, distance, buttons);
}

bool AEffGUIEditor::setKnobMode(int mode)
{
    knobMode = mode;
    return true;
}

void AEffGUIEditor::beginEdit(int32_t index) { host->beginGesture(index); }

void AEffGUIEditor::endEdit(int32_t index) { host->endGesture(index); }

// ------------------------------------------------------------- the VST 2.x editor host

float AEffGUIEditor::parameterValue(int32_t index) { return effect != nullptr ? effect->getParameter(index) : 0.f; }

void AEffGUIEditor::beginGesture(int32_t index)
{
    if (effect != nullptr)
        effect->beginEdit(index);
}

void AEffGUIEditor::endGesture(int32_t index)
{
    if (effect != nullptr)
        effect->endEdit(index);
}

void AEffGUIEditor::setParameterFromUser(int32_t index, float value)
{
    if (effect != nullptr)
        effect->setParameterAutomated(index, value);
}

int32_t AEffGUIEditor::program() { return effect != nullptr ? effect->getProgram() : 0; }

void AEffGUIEditor::programName(char* text)
{
    text[0] = 0;
    if (effect != nullptr)
        effect->getProgramName(text);
}

bool AEffGUIEditor::programNameAt(int32_t index, char* text)
{
    text[0] = 0;
    auto* effectX = dynamic_cast<AudioEffectX*>(effect);
    return effectX != nullptr && effectX->getProgramNameIndexed(0, index, text);
}

void AEffGUIEditor::parameterText(int32_t index, char* display, char* unit)
{
    display[0] = unit[0] = 0;
    if (effect != nullptr) {
        effect->getParameterDisplay(index, display);
        effect->getParameterLabel(index, unit);
    }
}

bool AEffGUIEditor::requestResize(int32_t width, int32_t height)
{
    auto* effectX = dynamic_cast<AudioEffectX*>(effect);
    return effectX != nullptr && effectX->sizeWindow(width, height);
}

void AEffGUIEditor::hostIdle()
{
    if (effect != nullptr)
        effect->masterIdle();
}

void AEffGUIEditor::runIdleCycle()
{
    // Unsigned 32-bit tick arithmetic throughout.
    uint32_t now = VSTGUI::platform::tickCount();
    if (now < nextIdleTicks) {
        VSTGUI::platform::sleepMilliseconds(kWaitStep);
        now += kWaitStep;
        if (now < nextIdleTicks - kEarlyAllowance)
            return;
    }
    idle();
    if (frame != nullptr)
        frame->dispatchPendingPaint();
    nextIdleTicks = now + kIdlePeriod;
    inIdle = true;
    host->hostIdle();
    inIdle = false;
}
