#include "editor/AEffGUIEditor.h"

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
    *rect = &windowRect;
    return true;
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
