#include "vst/audioeffect.h"

#include "vst/aeffeditor.h"

#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams)
{
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffect;
    cEffect.process = processClbk;
    cEffect.setParameter = setParameterClbk;
    cEffect.getParameter = getParameterClbk;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingClbk;
    cEffect.processDoubleReplacing = processDoubleReplacingClbk;
    canProcessReplacing();
}

AudioEffect::~AudioEffect()
{
    delete editor;
    editor = nullptr;
}

// ------------------------------------------------------------ trampolines
// Each checks the record before touching the object: a host that passes a
// null or foreign record gets a harmless answer instead of a crash.

AudioEffect* AudioEffect::fromEffect(AEffect* e)
{
    if (e == nullptr || e->magic != kEffectMagic)
        return nullptr;
    return static_cast<AudioEffect*>(e->object);
}

intptr_t AudioEffect::dispatchEffect(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                     void* ptr, float opt)
{
    AudioEffect* self = fromEffect(e);
    if (self == nullptr)
        return 0;
    intptr_t result = self->dispatcher(opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        // The record lives inside the object and goes with it.
        e->object = nullptr;
        delete self;
        return 1;
    }
    return result;
}

void AudioEffect::processClbk(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames)
{
    if (AudioEffect* self = fromEffect(e))
        self->process(inputs, outputs, sampleFrames);
}

void AudioEffect::processReplacingClbk(AEffect* e, float** inputs, float** outputs,
                                       int32_t sampleFrames)
{
    if (AudioEffect* self = fromEffect(e))
        self->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::processDoubleReplacingClbk(AEffect* e, double** inputs, double** outputs,
                                             int32_t sampleFrames)
{
    if (AudioEffect* self = fromEffect(e))
        self->processDoubleReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::setParameterClbk(AEffect* e, int32_t index, float value)
{
    if (AudioEffect* self = fromEffect(e))
        self->setParameter(index, value);
}

float AudioEffect::getParameterClbk(AEffect* e, int32_t index)
{
    if (AudioEffect* self = fromEffect(e))
        return self->getParameter(index);
    return 0.0f;
}

// ------------------------------------------------------------- dispatcher

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt)
{
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(int32_t(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr != nullptr)
            setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr != nullptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr != nullptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr != nullptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr != nullptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(int32_t(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        if (editor != nullptr && ptr != nullptr)
            return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        return 0;
    case effEditOpen:
        if (editor != nullptr)
            return editor->open(ptr) ? 1 : 0;
        return 0;
    case effEditClose:
        if (editor != nullptr)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor != nullptr)
            editor->idle();
        return 0;
    case effIdentify:
        return vstFourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        if (ptr == nullptr)
            return 0;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        if (ptr == nullptr)
            return 0;
        return setChunk(ptr, int32_t(value), index != 0);
    default:
        return 0;
    }
}

// ---------------------------------------------------------- default operations

void AudioEffect::process(float**, float**, int32_t) {}
void AudioEffect::processReplacing(float**, float**, int32_t) {}
void AudioEffect::processDoubleReplacing(double**, double**, int32_t) {}
void AudioEffect::setParameter(int32_t, float) {}
float AudioEffect::getParameter(int32_t) { return 0.0f; }

void AudioEffect::setParameterAutomated(int32_t index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::getParameterLabel(int32_t, char*) {}
void AudioEffect::getParameterDisplay(int32_t, char*) {}
void AudioEffect::getParameterName(int32_t, char*) {}
void AudioEffect::setProgramName(char*) {}

void AudioEffect::getProgramName(char* name)
{
    if (name != nullptr)
        name[0] = 0;
}

int32_t AudioEffect::getChunk(void**, bool) { return 0; }
int32_t AudioEffect::setChunk(void*, int32_t, bool) { return 0; }

// ---------------------------------------------------------- host callback

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (audioMaster == nullptr)
        return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

int32_t AudioEffect::getMasterVersion() { return int32_t(callHost(audioMasterVersion)); }
void AudioEffect::beginEdit(int32_t index) { callHost(audioMasterBeginEdit, index); }
void AudioEffect::endEdit(int32_t index) { callHost(audioMasterEndEdit, index); }
void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

void AudioEffect::programsAreChunks(bool state)
{
    if (state)
        cEffect.flags |= effFlagsProgramChunks;
    else
        cEffect.flags &= ~effFlagsProgramChunks;
}

void AudioEffect::isSynth(bool state)
{
    if (state)
        cEffect.flags |= effFlagsIsSynth;
    else
        cEffect.flags &= ~effFlagsIsSynth;
}

void AudioEffect::canProcessReplacing(bool state)
{
    if (state)
        cEffect.flags |= effFlagsCanReplacing;
    else
        cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::hasEditor(bool state)
{
    if (state)
        cEffect.flags |= effFlagsHasEditor;
    else
        cEffect.flags &= ~effFlagsHasEditor;
}
