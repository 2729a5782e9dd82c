#include "vst/audioeffectx.h"

#include "vst/aeffeditor.h"

#include <cmath>

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms,
                           int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams)
{
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt)
{
    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        if (ptr == nullptr)
            return 0;
        return string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
        if (ptr == nullptr)
            return 0;
        return getProgramNameIndexed(int32_t(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetEffectName:
        if (ptr == nullptr)
            return 0;
        return getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        if (ptr == nullptr)
            return 0;
        return getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        if (ptr == nullptr)
            return 0;
        return getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effCanDo:
        if (ptr == nullptr)
            return 0;
        return canDo(static_cast<char*>(ptr));
    case effGetParameterProperties:
        return getParameterProperties(index, ptr) ? 1 : 0;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (editor == nullptr)
            return 0;
        VstKeyCode key{};
        key.character = index;
        key.virt = uint8_t(value & 0xFF);
        // opt truncated toward zero; out-of-range floats must not reach the
        // conversion (undefined behaviour), so they give no modifier.
        int32_t mod = 0;
        if (std::isfinite(opt) && opt > -2147483648.0f && opt < 2147483648.0f)
            mod = int32_t(opt);
        key.modifier = uint8_t(mod & 0xFF);
        bool used = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        return used ? 1 : 0;
    }
    case effSetEditKnobMode:
        if (editor == nullptr)
            return 0;
        return editor->setKnobMode(int32_t(value)) ? 1 : 0;
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram();
    case effGetSpeakerArrangement:
        // value and ptr each point at the host's arrangement pointer.
        if (value != 0)
            *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
        if (ptr != nullptr)
            *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
        return 0;
    case effSetTotalSampleToProcess:
        return value;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    default:
        break;
    }
    if (opcode >= effProcessEvents)
        return 0;
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
}

int32_t AudioEffectX::processEvents(VstEvents*) { return 1; }
bool AudioEffectX::canParameterBeAutomated(int32_t) { return true; }
bool AudioEffectX::string2parameter(int32_t, char*) { return false; }
bool AudioEffectX::getParameterProperties(int32_t, void*) { return false; }
bool AudioEffectX::getProgramNameIndexed(int32_t, int32_t, char*) { return false; }
bool AudioEffectX::getEffectName(char*) { return false; }
bool AudioEffectX::getVendorString(char*) { return false; }
bool AudioEffectX::getProductString(char*) { return false; }
int32_t AudioEffectX::getVendorVersion() { return 0; }
int32_t AudioEffectX::canDo(char*) { return -1; }
int32_t AudioEffectX::getPlugCategory() { return kPlugCategEffect; }

bool AudioEffectX::wantEvents(int32_t filter)
{
    return callHost(audioMasterWantMidi, 0, filter) != 0;
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}
