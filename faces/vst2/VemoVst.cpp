#include "faces/vst2/VemoVst.h"

#include "editor/EditorFactory.h"
#include "voice/ParameterTable.h"
#include "vst/aeffeditor.h"

#include <atomic>
#include <cstring>

namespace {

const char* const kEffectName = "Ravelle - VEMO";
const char* const kVendorName = "VEMO - Kestrune";

template <typename T> void storeShared(T& target, T value)
{
    std::atomic_ref<T>(target).store(value, std::memory_order_relaxed);
}

} // namespace

VemoVst::VemoVst(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParameters), instrument(sampleRate)
{
    // The editor registers itself (editor pointer and effFlagsHasEditor).
    createVemoEditor(this);
    instrument.setListener(this);
    programsAreChunks(true);
    setUniqueID(kUniqueId);
    // Program 0 into the engine, the editor and the parameter learn binds.
    instrument.setProgram(0);
    isSynth(true);
    canProcessReplacing(true);
    setNumInputs(0);
    setNumOutputs(2);
    resume();
}

VemoVst::~VemoVst() = default;

// ------------------------------------------------------------- news from the core

void VemoVst::parameterChanged(int32_t index, float value, Origin /*origin*/)
{
    if (editor != nullptr)
        editor->setParameter(index, value);
}

void VemoVst::programChangedByMidi(int32_t /*program*/) { updateDisplay(); }

bool VemoVst::hostTempo(double& bpm)
{
    const VstTimeInfo* time = getTimeInfo(kVstPpqPosValid | kVstTempoValid);
    if (time == nullptr)
        return false;
    bpm = time->tempo;
    return true;
}

// ------------------------------------------------------------- lifecycle

// Suspend and resume come on the UI thread while the audio thread may still
// run: the pedal is lifted at the start of the next block, not here.
void VemoVst::suspend() { instrument.requestPedalReset(); }

void VemoVst::resume()
{
    instrument.requestPedalReset();
    if ((cEffect.flags & effFlagsIsSynth) != 0 || canDo(const_cast<char*>("receiveVstMidiEvent")) == 1)
        wantEvents(1);
}

void VemoVst::setSampleRate(float rate)
{
    // The instrument refuses a rate it cannot be built for and keeps its own.
    if (instrument.requestSampleRate(rate))
        storeShared(sampleRate, rate);
}

// Nothing depends on the block size but how far ahead a MIDI offset may
// reach. Stored whole, since the audio thread may be running.
void VemoVst::setBlockSize(int32_t size)
{
    storeShared(blockSize, size);
    instrument.setMaxBlockSize(size);
}

// ------------------------------------------------------------- audio

void VemoVst::processReplacing(float** /*inputs*/, float** outputs, int32_t sampleFrames)
{
    if (sampleFrames <= 0 || outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr)
        return;
    instrument.render(outputs[0], outputs[1], sampleFrames);
}

int32_t VemoVst::processEvents(VstEvents* events)
{
    if (events == nullptr || events->numEvents < 0)
        return 1;
    // The host allocates as many pointers as it passes; the declared array
    // length of the record means nothing.
    VstEvent* const* list = events->events;
    for (int32_t n = 0; n < events->numEvents; ++n) {
        const VstEvent* event = list[n];
        if (event == nullptr || event->type != kVstMidiType)
            continue;
        VstMidiEvent record;
        std::memcpy(&record, event, sizeof(record));
        MidiMessage message;
        std::memcpy(message.midiData, record.midiData, sizeof(message.midiData));
        instrument.queueMidi(message, record.deltaFrames);
    }
    return 1;
}

// ------------------------------------------------------------- parameters

void VemoVst::setParameter(int32_t index, float value) { instrument.setParameter(index, value); }

float VemoVst::getParameter(int32_t index) { return instrument.parameter(index); }

void VemoVst::getParameterName(int32_t index, char* text)
{
    std::strcpy(text, parameterHostName(index)); // at most 18 bytes
}

void VemoVst::getParameterDisplay(int32_t index, char* text)
{
    const vemo::ParameterText t = instrument.describeParameter(index);
    std::memcpy(text, t.display, std::strlen(t.display) + 1); // at most 8 bytes
}

void VemoVst::getParameterLabel(int32_t index, char* label)
{
    const vemo::ParameterText t = instrument.describeParameter(index);
    std::memcpy(label, t.label, std::strlen(t.label) + 1); // at most 8 bytes
}

// ------------------------------------------------------------- programs

void VemoVst::setProgram(int32_t program)
{
    instrument.setProgram(program); // refuses a number outside 0..119
}

int32_t VemoVst::getProgram() { return instrument.program(); }

void VemoVst::setProgramName(char* name) { instrument.setProgramName(name); }

void VemoVst::getProgramName(char* name) { instrument.currentProgramName(name); }

bool VemoVst::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
    return instrument.programName(index, text);
}

// ------------------------------------------------------------- chunks

int32_t VemoVst::getChunk(void** data, bool isPreset) { return instrument.getChunk(data, isPreset); }

int32_t VemoVst::setChunk(void* data, int32_t byteSize, bool isPreset)
{
    return instrument.setChunk(data, byteSize, isPreset) ? 1 : 0;
}

// ------------------------------------------------------------- identity

bool VemoVst::getEffectName(char* name)
{
    std::strcpy(name, kEffectName);
    return true;
}

bool VemoVst::getVendorString(char* text)
{
    std::strcpy(text, kVendorName);
    return true;
}

bool VemoVst::getProductString(char* text)
{
    std::strcpy(text, kEffectName);
    return true;
}

int32_t VemoVst::canDo(char* text)
{
    static const char* const kCapabilities[] = {"receiveVstEvents", "receiveVstMidiEvent",
                                                "receiveVstMidiEvents", "receiveVstTimeInfo"};
    for (const char* capability : kCapabilities)
        if (std::strcmp(text, capability) == 0)
            return 1;
    return -1;
}

intptr_t VemoVst::vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt)
{
    (void)ptr;
    if (index == vstFourCC('P', 'r', 'e', 'S') && value == vstFourCC('A', 'e', 'C', 's'))
        return setEditorHostScale(editor, opt) ? 1 : 0;
    return 0;
}
