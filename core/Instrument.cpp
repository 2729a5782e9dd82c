#include "core/Instrument.h"

#include "core/FactoryBank.h"
#include "voice/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr float kMidiValueScale = 0.007874016f; // 1/127 in single precision
constexpr float kPitchBendScale = 0.015748031f; // 1/63.5 in single precision

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

// The host's program-name buffer holds 24 bytes with the terminator, so a
// stored name that fills all 24 bytes of its field (no terminator) is
// reported with its first 23 characters; the bank keeps it whole.
void copyProgramName(char* text, const char* stored)
{
    const std::size_t n = strnlen(stored, kProgramNameBytes - 1);
    std::memcpy(text, stored, n);
    text[n] = 0;
}

} // namespace

Instrument::Instrument(float sampleRate) : rate(sampleRate), requestedRate(sampleRate)
{
    queue = std::make_unique<MidiEventQueue>();
    synth = std::make_unique<SynthEngine>(sampleRate);
    bank = std::make_unique<ProgramRecord[]>(kNumPrograms);
    chunkBank = std::make_unique<ProgramRecord[]>(kNumPrograms);
    const ProgramRecord* factory = factoryBank();
    for (int i = 0; i < kNumPrograms; ++i)
        bank[i] = factory[i];
    for (int32_t i = 0; i < kNumParameters; ++i)
        synth->parameterBlock.set(i, bank[0].parameter[i]);
}

// ------------------------------------------------------------- host

bool Instrument::requestSampleRate(float newRate)
{
    if (!(newRate >= 1000.0f && newRate <= 1000000.0f))
        return false;
    rate.store(newRate, std::memory_order_relaxed); // parameter displays read it from other threads
    // The audio thread may be rendering right now: leave the rate for it to
    // pick up between blocks instead of rebuilding under its feet.
    requestedRate.store(newRate, std::memory_order_relaxed);
    rateRequests.fetch_add(1, std::memory_order_release);
    return true;
}

// ------------------------------------------------------------- audio

void Instrument::render(float* left, float* right, int32_t frames)
{
    if (frames <= 0 || left == nullptr || right == nullptr)
        return;
    applyPendingHostChanges();
    if (frames > longestBlock)
        longestBlock = frames;
    // Each stretch up to the next due event renders in one engine call: the
    // engine then reads parameters once per stretch and can run silence in
    // a tight loop. Events change the engine only at their own frame.
    for (int32_t i = 0; i < frames;) {
        applyDueEvents();
        int32_t n = frames - i;
        if (!queue->empty()) {
            const int64_t untilDue = queue->oldest().due - clock; // >= 1 here
            if (untilDue < n)
                n = untilDue > 0 ? int32_t(untilDue) : 1;
        }
        synth->render(left + i, right + i, n);
        clock += n;
        i += n;
    }
}

void Instrument::applyPendingHostChanges()
{
    const uint32_t requests = rateRequests.load(std::memory_order_acquire);
    if (requests != rateRequestsApplied) {
        rateRequestsApplied = requests;
        synth->setSampleRate(requestedRate.load(std::memory_order_relaxed));
    }
    sustainPedal.applyPendingReset([this](int32_t note) { synth->noteOff(note); });
}

void Instrument::queueMidi(const MidiMessage& message, int64_t offset)
{
    // The longest block a list can cover: the host's declared maximum, or a
    // longer block it has actually rendered. A wild offset plays at the last
    // frame of that span instead of silencing the event for hours.
    const int64_t horizon = std::max<int64_t>({declaredBlock.load(std::memory_order_relaxed), longestBlock, 1});
    if (offset < 0)
        offset = 0;
    if (offset > horizon - 1)
        offset = horizon - 1;
    queue->push(message, clock + offset);
}

void Instrument::applyDueEvents()
{
    MidiEventQueue& q = *queue;
    while (!q.empty() && q.oldest().due <= clock) {
        const MidiMessage event = q.oldest().event;
        q.popOldest();
        applyEvent(event);
    }
}

void Instrument::applyEvent(const MidiMessage& event)
{
    const int32_t status = uint8_t(event.midiData[0]) & 0xF0; // every channel alike
    const int32_t data1 = uint8_t(event.midiData[1]) & 0x7F;
    const int32_t data2 = uint8_t(event.midiData[2]) & 0x7F;

    switch (status) {
    case 0x90:
        if (data2 > 0) {
            double tempo = 0.0;
            // A tempo the LFO cannot use (not finite, negative, absurd)
            // leaves the previous one in place.
            if (listener != nullptr && listener->hostTempo(tempo) && std::isfinite(tempo) && tempo >= 0.0 &&
                tempo <= 100000.0)
                synth->tempo = float(tempo);
            sustainPedal.keyDown(data1);
            synth->noteOn(data1, float(data2) * kMidiValueScale);
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
            selectProgram(data1, InstrumentListener::Origin::Program);
            if (listener != nullptr)
                listener->programChangedByMidi(data1);
        }
        break;
    case 0xE0:
        synth->pitchBend = float(data2 - 64) * kPitchBendScale;
        break;
    default:
        break;
    }
}

void Instrument::controlChange(int32_t controller, int32_t value)
{
    const int32_t current = loadShared(currentProgram);
    const int32_t learned = loadShared(lastParameter);
    if (synth->parameterBlock.get(kParamLearnProgram) > 0.0f)
        storeShared(bank[current].controllerMap[controller], learned);
    if (synth->parameterBlock.get(kParamLearnAll) > 0.0f)
        for (int k = 0; k < kNumPrograms; ++k)
            storeShared(bank[k].controllerMap[controller], learned);

    const int32_t target = loadShared(bank[current].controllerMap[controller]);
    if (target > 0)
        applyParameter(target, float(value) * kMidiValueScale, InstrumentListener::Origin::Controller);

    if (controller == SustainPedal::kController) {
        auto release = [this](int32_t note) { synth->noteOff(note); };
        // A learned binding of the pedal's controller wins. A pedal already
        // down when the binding came (a program change or learning while it
        // was held) still lifts, so that no note is left hanging.
        if (target <= 0)
            sustainPedal.controller(value, release);
        else if (value < SustainPedal::kDownThreshold && sustainPedal.isDown())
            sustainPedal.lift(release);
    }

    if (controller >= 120) {
        synth->allNotesOff();
        synth->pitchBend = 0.0f;
        queue->clear();
        sustainPedal.clear();
    }
}

// A key came up: the engine releases the note unless the pedal holds it.
void Instrument::releaseKey(int32_t note)
{
    if (sustainPedal.keyUp(note))
        synth->noteOff(note);
}

// ------------------------------------------------------------- parameters

void Instrument::applyParameter(int32_t index, float value, InstrumentListener::Origin origin)
{
    if (index < 0 || index >= kNumParameters)
        return;
    // One bad automation value must not silence the instrument until the
    // sound is reloaded: NaN and infinity are refused outright.
    if (!std::isfinite(value))
        return;
    storeShared(bank[loadShared(currentProgram)].parameter[index], value);
    synth->parameterBlock.set(index, value);
    storeShared(lastParameter, index);
    if (listener != nullptr)
        listener->parameterChanged(index, value, origin);
}

float Instrument::parameter(int32_t index) const
{
    if (index < 0 || index >= kNumParameters)
        return 0.0f;
    return synth->parameterBlock.get(index);
}

vemo::ParameterText Instrument::describeParameter(int32_t index) const
{
    if (index < 0 || index >= kNumParameters)
        return {};
    // One snapshot of every value: a few parameters read another one.
    float values[kNumParameters];
    for (int32_t i = 0; i < kNumParameters; ++i)
        values[i] = synth->parameterBlock.get(i);
    return vemo::formatParameter(index, values, sampleRate());
}

int32_t Instrument::lastParameterIndex() const { return loadShared(lastParameter); }

// ------------------------------------------------------------- programs

void Instrument::setProgram(int32_t program) { selectProgram(program, InstrumentListener::Origin::Program); }

void Instrument::selectProgram(int32_t program, InstrumentListener::Origin origin)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    storeShared(currentProgram, program);
    for (int32_t i = 0; i < kNumParameters; ++i)
        applyParameter(i, loadShared(bank[program].parameter[i]), origin);
}

int32_t Instrument::program() const { return loadShared(currentProgram); }

void Instrument::setProgramName(const char* name)
{
    if (name == nullptr)
        return;
    char* target = bank[loadShared(currentProgram)].name;
    std::size_t n = 0;
    while (n < kProgramNameBytes - 1 && name[n] != 0) {
        target[n] = name[n];
        ++n;
    }
    target[n] = 0;
}

void Instrument::currentProgramName(char* text) const
{
    const int32_t current = loadShared(currentProgram);
    const ProgramRecord& record = bank[current];
    if (std::strncmp(record.name, "Init", 5) == 0) {
        std::snprintf(text, kProgramNameBytes, "%s %d", "Init", int(current + 1));
        return;
    }
    copyProgramName(text, record.name);
}

bool Instrument::programName(int32_t index, char* text) const
{
    if (index < 0 || index >= kNumPrograms)
        return false;
    copyProgramName(text, bank[index].name);
    return true;
}

// ------------------------------------------------------------- chunks

int32_t Instrument::getChunk(void** data, bool isPreset)
{
    if (data == nullptr)
        return 0;
    if (isPreset) {
        const int32_t current = loadShared(currentProgram);
        copyRecord(chunkBank[current], bank[current]);
        *data = &chunkBank[current];
        return kProgramChunkBytes;
    }
    for (int k = 0; k < kNumPrograms; ++k)
        copyRecord(chunkBank[k], bank[k]);
    *data = chunkBank.get();
    return kBankChunkBytes;
}

bool Instrument::setChunk(const void* data, int32_t byteSize, bool isPreset)
{
    if (data == nullptr)
        return false;
    // A chunk must be exactly one program or exactly the bank; anything else
    // (truncated, padded, another plug-in's) is refused without a change.
    const int32_t expected = isPreset ? kProgramChunkBytes : kBankChunkBytes;
    if (byteSize != expected)
        return false;
    const int count = isPreset ? 1 : kNumPrograms;
    // Validate a copy first: a value that is NaN or infinite refuses the
    // whole chunk and leaves the working bank as it was.
    for (int k = 0; k < count; ++k) {
        ProgramRecord incoming;
        std::memcpy(&incoming, static_cast<const char*>(data) + std::size_t(k) * sizeof(ProgramRecord),
                    sizeof(ProgramRecord));
        if (!recordIsFinite(incoming))
            return false;
    }
    const int32_t current = loadShared(currentProgram);
    for (int k = 0; k < count; ++k) {
        ProgramRecord incoming;
        std::memcpy(&incoming, static_cast<const char*>(data) + std::size_t(k) * sizeof(ProgramRecord),
                    sizeof(ProgramRecord));
        bringIntoForm(incoming);
        copyRecord(bank[isPreset ? current : k], incoming);
    }
    setProgram(current);
    return true;
}
