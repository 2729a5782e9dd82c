#include "plugin/VemoVst.h"

#include "editor/EditorFactory.h"
#include "plugin/FactoryBank.h"
#include "vst/aeffeditor.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr float kMidiValueScale = 0.007874016f; // 1/127 in single precision
constexpr float kPitchBendScale = 0.015748031f; // 1/63.5 in single precision

const char* const kEffectName = "Ravelle - VEMO";
const char* const kVendorName = "VEMO - Kestrune";

template <typename T> T loadShared(const T& value)
{
    return std::atomic_ref<T>(const_cast<T&>(value)).load(std::memory_order_relaxed);
}

template <typename T> void storeShared(T& target, T value)
{
    std::atomic_ref<T>(target).store(value, std::memory_order_relaxed);
}

// Record copies between the working bank (shared with the audio thread, which
// writes values on program changes and controller maps while learning) and a
// chunk buffer. Element by element with relaxed atomics, so a host saving its
// project while notes play reads whole values and never races.
void copyRecord(ProgramRecord& dst, const ProgramRecord& src)
{
    std::memcpy(dst.name, src.name, sizeof(dst.name)); // names change on the UI thread only
    for (int i = 0; i < kNumParameters; ++i)
        storeShared(dst.parameter[i], loadShared(src.parameter[i]));
    for (int c = 0; c < kControllerMapSize; ++c)
        storeShared(dst.controllerMap[c], loadShared(src.controllerMap[c]));
}

bool recordIsFinite(const ProgramRecord& record)
{
    for (float v : record.parameter)
        if (!std::isfinite(v))
            return false;
    return true;
}

// A restored chunk may come from anywhere: a damaged project, a hand-edited
// preset, another plug-in's state under the right size. The engine is only
// safe with every value in the form it reads it in (0..1, the two menus
// their entry indices), so each restored value is brought into its range
// from the parameter table; values already in form (everything VEMO itself
// saves from its own controls) pass unchanged.
void bringIntoForm(ProgramRecord& record)
{
    for (int i = 0; i < kNumParameters; ++i)
        record.parameter[i] = bringIntoRange(i, record.parameter[i]);
}

} // namespace

VemoVst::VemoVst(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParameters)
{
    // The editor registers itself (editor pointer and effFlagsHasEditor).
    createVemoEditor(this);
    eventQueue = std::make_unique<MidiEventQueue>();
    engine = std::make_unique<SynthEngine>(sampleRate);
    lastParameterIndex = 0;
    programsAreChunks(true);
    bank = std::make_unique<ProgramRecord[]>(kNumPrograms);
    chunkBank = std::make_unique<ProgramRecord[]>(kNumPrograms);
    setUniqueID(kUniqueId);
    const ProgramRecord* factory = factoryBank();
    for (int i = 0; i < kNumPrograms; ++i)
        bank[i] = factory[i];
    curProgram = 0;
    for (int32_t i = 0; i < kNumParameters; ++i)
        setParameter(i, bank[0].parameter[i]);
    isSynth(true);
    canProcessReplacing(true);
    setNumInputs(0);
    setNumOutputs(2);
    resume();
}

VemoVst::~VemoVst()
{
    bank.reset();
    engine.reset();
    eventQueue.reset();
    chunkBank.reset();
}

// ------------------------------------------------------------- lifecycle

// Suspend and resume come on the UI thread while the audio thread may still
// run: the pedal is lifted at the start of the next block, not here.
void VemoVst::suspend() { sustainPedal.requestReset(); }

void VemoVst::resume()
{
    sustainPedal.requestReset();
    if ((cEffect.flags & effFlagsIsSynth) != 0 || canDo(const_cast<char*>("receiveVstMidiEvent")) == 1)
        wantEvents(1);
}

void VemoVst::setSampleRate(float rate)
{
    // A rate the engine cannot be built for (zero, negative, not finite,
    // absurd) is refused; the engine keeps the rate it has.
    if (!(rate >= 1000.0f && rate <= 1000000.0f))
        return;
    storeShared(sampleRate, rate); // parameter displays read it from other threads
    // The audio thread may be rendering right now: leave the rate for it to
    // pick up between blocks instead of rebuilding under its feet.
    requestedRate.store(rate, std::memory_order_relaxed);
    rateRequests.fetch_add(1, std::memory_order_release);
}

// Nothing depends on the block size: blocks of any length are rendered frame
// by frame. Stored whole, since the audio thread may be running.
void VemoVst::setBlockSize(int32_t size) { storeShared(blockSize, size); }

// ------------------------------------------------------------- audio

void VemoVst::processReplacing(float** /*inputs*/, float** outputs, int32_t sampleFrames)
{
    if (sampleFrames <= 0 || outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr)
        return;
    applyPendingHostChanges();
    if (sampleFrames > longestBlock)
        longestBlock = sampleFrames;
    float* outLeft = outputs[0];
    float* outRight = outputs[1];
    // Each stretch up to the next due event renders in one engine call: the
    // engine then reads parameters once per stretch and can run silence in
    // a tight loop. Events change the engine only at their own frame.
    for (int32_t i = 0; i < sampleFrames;) {
        applyDueEvents();
        int32_t frames = sampleFrames - i;
        if (!eventQueue->empty()) {
            const int64_t untilDue = eventQueue->oldest().due - frameClock; // >= 1 here
            if (untilDue < frames)
                frames = untilDue > 0 ? int32_t(untilDue) : 1;
        }
        engine->render(outLeft + i, outRight + i, frames);
        frameClock += frames;
        i += frames;
    }
}

void VemoVst::applyPendingHostChanges()
{
    const uint32_t requests = rateRequests.load(std::memory_order_acquire);
    if (requests != rateRequestsApplied) {
        rateRequestsApplied = requests;
        engine->setSampleRate(requestedRate.load(std::memory_order_relaxed));
    }
    sustainPedal.applyPendingReset([this](int32_t note) { engine->noteOff(note); });
}

int32_t VemoVst::processEvents(VstEvents* events)
{
    if (events == nullptr || events->numEvents < 0)
        return 1;
    // The longest block a list can cover: the host's declared maximum, or a
    // longer block it has actually rendered.
    const int32_t declared = loadShared(blockSize);
    const int64_t horizon = std::max<int64_t>({declared, longestBlock, 1});
    // The host allocates as many pointers as it passes; the declared array
    // length of the record means nothing.
    VstEvent* const* list = events->events;
    for (int32_t n = 0; n < events->numEvents; ++n) {
        const VstEvent* event = list[n];
        if (event == nullptr || event->type != kVstMidiType)
            continue;
        VstMidiEvent record;
        std::memcpy(&record, event, sizeof(record));
        // Offsets count from the start of the coming block. One before the
        // block (negative) plays at its start. One past the end of the block
        // keeps counting into the next blocks (a host may render the list's
        // block in several shorter calls), but never beyond the longest block
        // the host can send: a wild offset plays at the last frame of that
        // span instead of silencing the event for hours.
        int64_t offset = record.deltaFrames > 0 ? record.deltaFrames : 0;
        if (offset > horizon - 1)
            offset = horizon - 1;
        eventQueue->push(record, frameClock + offset); // a full queue may drop it
    }
    return 1;
}

void VemoVst::applyDueEvents()
{
    MidiEventQueue& queue = *eventQueue;
    while (!queue.empty() && queue.oldest().due <= frameClock) {
        const VstMidiEvent event = queue.oldest().event;
        queue.popOldest();
        applyEvent(event);
    }
}

void VemoVst::applyEvent(const VstMidiEvent& event)
{
    const int32_t status = uint8_t(event.midiData[0]) & 0xF0; // every channel alike
    const int32_t data1 = uint8_t(event.midiData[1]) & 0x7F;
    const int32_t data2 = uint8_t(event.midiData[2]) & 0x7F;

    switch (status) {
    case 0x90:
        if (data2 > 0) {
            if (const VstTimeInfo* time = getTimeInfo(kVstPpqPosValid | kVstTempoValid)) {
                // A tempo the LFO cannot use (not finite, negative, absurd)
                // leaves the previous one in place.
                const double tempo = time->tempo;
                if (std::isfinite(tempo) && tempo >= 0.0 && tempo <= 100000.0)
                    engine->tempo = float(tempo);
            }
            sustainPedal.keyDown(data1);
            engine->noteOn(data1, float(data2) * kMidiValueScale);
        } else {
            releaseKey(data1);
        }
        break;
    case 0x80:
        releaseKey(data1);
        break;
    case 0xB0:
        controlChange(data1, data2);
        break;
    case 0xC0:
        if (data1 < kNumPrograms) {
            setProgram(data1);
            updateDisplay();
        }
        break;
    case 0xE0:
        engine->pitchBend = float(data2 - 64) * kPitchBendScale;
        break;
    default:
        break;
    }
}

void VemoVst::controlChange(int32_t controller, int32_t value)
{
    const int32_t program = loadShared(curProgram);
    const int32_t learned = loadShared(lastParameterIndex);
    if (engine->parameterBlock.get(kParamLearnProgram) > 0.0f)
        storeShared(bank[program].controllerMap[controller], learned);
    if (engine->parameterBlock.get(kParamLearnAll) > 0.0f)
        for (int k = 0; k < kNumPrograms; ++k)
            storeShared(bank[k].controllerMap[controller], learned);

    const int32_t target = loadShared(bank[program].controllerMap[controller]);
    if (target > 0)
        setParameter(target, float(value) * kMidiValueScale);

    if (controller == SustainPedal::kController) {
        auto release = [this](int32_t note) { engine->noteOff(note); };
        // A learned binding of the pedal's controller wins. A pedal already
        // down when the binding came (a program change or learning while it
        // was held) still lifts, so that no note is left hanging.
        if (target <= 0)
            sustainPedal.controller(value, release);
        else if (value < SustainPedal::kDownThreshold && sustainPedal.isDown())
            sustainPedal.lift(release);
    }

    if (controller >= 120) {
        engine->allNotesOff();
        engine->pitchBend = 0.0f;
        eventQueue->clear();
        sustainPedal.clear();
    }
}

// A key came up: the engine releases the note unless the pedal holds it.
void VemoVst::releaseKey(int32_t note)
{
    if (sustainPedal.keyUp(note))
        engine->noteOff(note);
}

// ------------------------------------------------------------- parameters

void VemoVst::setParameter(int32_t index, float value)
{
    if (index < 0 || index >= kNumParameters)
        return;
    // One bad automation value must not silence the instrument until the
    // sound is reloaded: NaN and infinity are refused outright.
    if (!std::isfinite(value))
        return;
    storeShared(bank[loadShared(curProgram)].parameter[index], value);
    engine->parameterBlock.set(index, value);
    storeShared(lastParameterIndex, index);
    if (editor != nullptr)
        editor->setParameter(index, value);
}

float VemoVst::getParameter(int32_t index)
{
    if (index < 0 || index >= kNumParameters || !engine)
        return 0.0f;
    return engine->parameterBlock.get(index);
}

void VemoVst::getParameterName(int32_t index, char* text)
{
    std::strcpy(text, parameterHostName(index)); // at most 18 bytes
}

vemo::ParameterText VemoVst::describeParameter(int32_t index)
{
    if (index < 0 || index >= kNumParameters)
        return {};
    // One snapshot of every value: a few parameters read another one.
    float values[kNumParameters];
    for (int32_t i = 0; i < kNumParameters; ++i)
        values[i] = engine->parameterBlock.get(i);
    return vemo::formatParameter(index, values, loadShared(sampleRate));
}

void VemoVst::getParameterDisplay(int32_t index, char* text)
{
    const vemo::ParameterText t = describeParameter(index);
    std::memcpy(text, t.display, std::strlen(t.display) + 1); // at most 8 bytes
}

void VemoVst::getParameterLabel(int32_t index, char* label)
{
    const vemo::ParameterText t = describeParameter(index);
    std::memcpy(label, t.label, std::strlen(t.label) + 1); // at most 8 bytes
}

int32_t VemoVst::getLastParameterIndex() const { return loadShared(lastParameterIndex); }

// ------------------------------------------------------------- programs

void VemoVst::setProgram(int32_t program)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    storeShared(curProgram, program);
    for (int32_t i = 0; i < kNumParameters; ++i)
        setParameter(i, loadShared(bank[program].parameter[i]));
}

int32_t VemoVst::getProgram() { return loadShared(curProgram); }

void VemoVst::setProgramName(char* name)
{
    char* target = bank[loadShared(curProgram)].name;
    std::size_t n = 0;
    while (n < kProgramNameBytes - 1 && name[n] != 0) {
        target[n] = name[n];
        ++n;
    }
    target[n] = 0;
}

namespace {
// The host's program-name buffer holds 24 bytes with the terminator, so a
// stored name that fills all 24 bytes of its field (no terminator) is
// reported with its first 23 characters; the bank keeps it whole.
void copyProgramNameForHost(char* text, const char* stored)
{
    const std::size_t n = strnlen(stored, kProgramNameBytes - 1);
    std::memcpy(text, stored, n);
    text[n] = 0;
}
} // namespace

void VemoVst::getProgramName(char* name)
{
    const int32_t program = loadShared(curProgram);
    const ProgramRecord& record = bank[program];
    if (std::strncmp(record.name, "Init", 5) == 0) {
        std::snprintf(name, kProgramNameBytes, "%s %d", "Init", int(program + 1));
        return;
    }
    copyProgramNameForHost(name, record.name);
}

bool VemoVst::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
    if (index < 0 || index >= kNumPrograms)
        return false;
    copyProgramNameForHost(text, bank[index].name);
    return true;
}

// ------------------------------------------------------------- chunks

int32_t VemoVst::getChunk(void** data, bool isPreset)
{
    if (data == nullptr)
        return 0;
    if (isPreset) {
        const int32_t program = loadShared(curProgram);
        copyRecord(chunkBank[program], bank[program]);
        *data = &chunkBank[program];
        return kProgramChunkBytes;
    }
    for (int k = 0; k < kNumPrograms; ++k)
        copyRecord(chunkBank[k], bank[k]);
    *data = chunkBank.get();
    return kBankChunkBytes;
}

int32_t VemoVst::setChunk(void* data, int32_t byteSize, bool isPreset)
{
    if (data == nullptr)
        return 0;
    // A chunk must be exactly one program or exactly the bank; anything else
    // (truncated, padded, another plug-in's) is refused without a change.
    const int32_t expected = isPreset ? kProgramChunkBytes : kBankChunkBytes;
    if (byteSize != expected)
        return 0;
    const int count = isPreset ? 1 : kNumPrograms;
    // Validate a copy first: a value that is NaN or infinite refuses the
    // whole chunk and leaves the working bank as it was.
    for (int k = 0; k < count; ++k) {
        ProgramRecord incoming;
        std::memcpy(&incoming, static_cast<const char*>(data) + std::size_t(k) * sizeof(ProgramRecord),
                    sizeof(ProgramRecord));
        if (!recordIsFinite(incoming))
            return 0;
    }
    const int32_t program = loadShared(curProgram);
    for (int k = 0; k < count; ++k) {
        ProgramRecord incoming;
        std::memcpy(&incoming, static_cast<const char*>(data) + std::size_t(k) * sizeof(ProgramRecord),
                    sizeof(ProgramRecord));
        bringIntoForm(incoming);
        copyRecord(bank[isPreset ? program : k], incoming);
    }
    setProgram(program);
    return 1;
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
