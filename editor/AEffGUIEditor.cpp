#include "editor/AEffGUIEditor.h"

#include "gui/Platform.h"
#include "vst/audioeffect.h"

int32_t AEffGUIEditor::knobMode = 0;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect)
    : AEffEditor(effect), nextIdleTicks(VSTGUI::platform::tickCount())
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

void AEffGUIEditor::beginEdit(int32_t index)
{
    if (effect != nullptr)
        effect->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index)
{
    if (effect != nullptr)
        effect->endEdit(index);
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
    if (effect != nullptr)
        effect->masterIdle();
    inIdle = false;
}
