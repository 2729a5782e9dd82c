#include "faces/vst3/Vst3Plugin.h"

#include "faces/vst3/Vst3Editor.h"
#include "faces/vst3/Vst3Text.h"

#include "core/FactoryBank.h"
#include "engine/ParameterDisplay.h"
#include "engine/ParameterEntry.h"
#include "voice/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace vemo::vst3face {

using namespace vst3;

namespace {

// Most MIDI messages and parameter points one block takes; more are dropped
// (a host sends a few dozen at most).
constexpr size_t kMaxTimedItems = 2048;

constexpr int32_t kMidiControllers = 128;
constexpr double kPitchBendSteps = 16383.0;

bool isMenu(ParamID id) { return id < ParamID(kNumParameters) && kParameterTable[id].kind == ParameterKind::Menu; }

int32_t menuSteps(ParamID id)
{
    const ::ParameterInfo& p = kParameterTable[id];
    return int32_t(p.maximum - p.minimum);
}

// Stable insertion by offset (then order): blocks arrive nearly sorted, and
// the audio thread may not allocate the buffer std::stable_sort wants.
template <class T> void sortByFrame(std::vector<T>& items)
{
    for (size_t i = 1; i < items.size(); ++i) {
        const T item = items[i];
        size_t j = i;
        while (j > 0 && (items[j - 1].offset > item.offset ||
                         (items[j - 1].offset == item.offset && items[j - 1].order > item.order))) {
            items[j] = items[j - 1];
            --j;
        }
        items[j] = item;
    }
}

// The bytes a stream gives, in as many reads as it takes; false when it
// ends first or answers nonsense.
bool readAll(IBStream* stream, void* data, int32_t size)
{
    auto* at = static_cast<uint8_t*>(data);
    while (size > 0) {
        int32_t got = 0;
        if (stream->read(at, size, &got) != kResultOk || got <= 0 || got > size)
            return false;
        at += got;
        size -= got;
    }
    return true;
}

bool writeAll(IBStream* stream, const void* data, int32_t size)
{
    auto* at = static_cast<uint8_t*>(const_cast<void*>(data));
    while (size > 0) {
        int32_t put = 0;
        if (stream->write(at, size, &put) != kResultOk || put <= 0 || put > size)
            return false;
        at += put;
        size -= put;
    }
    return true;
}

} // namespace

double toPlain(ParamID id, double normalized)
{
    const double n = std::clamp(normalized, 0.0, 1.0);
    if (id == kProgramParam)
        return std::min(double(kNumPrograms - 1), std::floor(n * kNumPrograms));
    if (id >= ParamID(kNumParameters))
        return n;
    const ::ParameterInfo& p = kParameterTable[id];
    if (isMenu(id)) {
        const int32_t steps = menuSteps(id);
        return p.minimum + std::min(double(steps), std::floor(n * (steps + 1)));
    }
    return p.minimum + n * (double(p.maximum) - p.minimum);
}

double toNormalized(ParamID id, double plain)
{
    if (id == kProgramParam)
        return std::clamp(std::floor(plain), 0.0, double(kNumPrograms - 1)) / (kNumPrograms - 1);
    if (id >= ParamID(kNumParameters))
        return std::clamp(plain, 0.0, 1.0);
    const ::ParameterInfo& p = kParameterTable[id];
    const double span = double(p.maximum) - p.minimum;
    if (isMenu(id))
        return std::clamp((std::floor(plain) - p.minimum) / span, 0.0, 1.0);
    return std::clamp((plain - p.minimum) / span, 0.0, 1.0);
}

// ------------------------------------------------------------- lifecycle

Vst3Plugin* Vst3Plugin::create()
{
    try {
        return new Vst3Plugin();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Vst3Plugin::Vst3Plugin()
{
    midiItems.reserve(kMaxTimedItems);
    paramItems.reserve(kMaxTimedItems);
    core.setListener(this);
    core.setProgram(0);
    // A new instance starts with nothing to tell the host.
    for (auto& p : pending)
        p.store(false, std::memory_order_relaxed);
}

Vst3Plugin::~Vst3Plugin()
{
    editorShown.store(nullptr, std::memory_order_release);
    editor.reset();
    setComponentHandler(nullptr);
}

tresult Vst3Plugin::queryInterface(const TUID iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    *obj = nullptr;
    if (FUnknown::iid.is(iid) || IPluginBase::iid.is(iid) || IComponent::iid.is(iid))
        *obj = static_cast<IComponent*>(this);
    else if (IAudioProcessor::iid.is(iid))
        *obj = static_cast<IAudioProcessor*>(this);
    else if (IEditController::iid.is(iid))
        *obj = static_cast<IEditController*>(this);
    else if (IMidiMapping::iid.is(iid))
        *obj = static_cast<IMidiMapping*>(this);
    else if (IUnitInfo::iid.is(iid))
        *obj = static_cast<IUnitInfo*>(this);
    else if (IProcessContextRequirements::iid.is(iid))
        *obj = static_cast<IProcessContextRequirements*>(this);
    if (*obj == nullptr)
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32 Vst3Plugin::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 Vst3Plugin::release()
{
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

tresult Vst3Plugin::initialize(FUnknown*) { return kResultOk; }

// The host may free its handler once the plug-in is terminated.
tresult Vst3Plugin::terminate()
{
    setComponentHandler(nullptr);
    return kResultOk;
}

// One object is both: the host finds the controller by asking this one.
tresult Vst3Plugin::getControllerClassId(TUID) { return kResultFalse; }

tresult Vst3Plugin::setIoMode(int32) { return kResultOk; }

int32 Vst3Plugin::getBusCount(int32 type, int32 dir)
{
    if (type == kAudio)
        return dir == kOutput ? 1 : 0;
    if (type == kEvent)
        return dir == kInput ? 1 : 0;
    return 0;
}

tresult Vst3Plugin::getBusInfo(int32 type, int32 dir, int32 index, BusInfo& bus)
{
    if (index != 0 || getBusCount(type, dir) == 0)
        return kInvalidArgument;
    bus = {};
    bus.mediaType = type;
    bus.direction = dir;
    bus.busType = kMain;
    bus.flags = kDefaultActive;
    if (type == kAudio) {
        bus.channelCount = 2;
        toString128(bus.name, "Output");
    } else {
        bus.channelCount = 16;
        toString128(bus.name, "MIDI in");
    }
    return kResultOk;
}

tresult Vst3Plugin::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult Vst3Plugin::activateBus(int32 type, int32 dir, int32 index, TBool)
{
    return index == 0 && getBusCount(type, dir) == 1 ? kResultOk : kInvalidArgument;
}

tresult Vst3Plugin::setActive(TBool)
{
    core.requestPedalReset();
    return kResultOk;
}

// ------------------------------------------------------------- state

tresult Vst3Plugin::getComponentStream(IBStream* stream)
{
    if (stream == nullptr)
        return kInvalidArgument;
    void* bank = nullptr;
    const int32_t bytes = core.getChunk(&bank, false);
    const StateHeader header{{'V', 'E', 'M', 'O'}, kStateVersion, core.program(), uint32_t(bytes)};
    return writeAll(stream, &header, sizeof header) && writeAll(stream, bank, bytes) ? kResultOk : kResultFalse;
}

tresult Vst3Plugin::setComponentStream(IBStream* stream)
{
    if (stream == nullptr)
        return kInvalidArgument;
    StateHeader header{};
    if (!readAll(stream, &header, sizeof header) || std::memcmp(header.magic, "VEMO", 4) != 0 ||
        header.version != kStateVersion || header.bankBytes != uint32_t(kBankChunkBytes) || header.program < 0 ||
        header.program >= kNumPrograms)
        return kResultFalse;
    std::unique_ptr<uint8_t[]> bank(new (std::nothrow) uint8_t[kBankChunkBytes]);
    if (bank == nullptr)
        return kOutOfMemory;
    if (!readAll(stream, bank.get(), kBankChunkBytes) || !core.setChunk(bank.get(), kBankChunkBytes, false))
        return kResultFalse;
    core.setProgram(header.program);
    // The host rereads every value after a state; no changes to report.
    for (auto& p : pending)
        p.store(false, std::memory_order_relaxed);
    return kResultOk;
}

// The controller holds nothing of its own: the component's state is the
// whole sound, and it is this same object.
tresult Vst3Plugin::setComponentState(IBStream* stream) { return stream != nullptr ? kResultOk : kInvalidArgument; }
tresult Vst3Plugin::setControllerStream(IBStream* stream) { return stream != nullptr ? kResultOk : kInvalidArgument; }
tresult Vst3Plugin::getControllerStream(IBStream* stream) { return stream != nullptr ? kResultOk : kInvalidArgument; }

// ------------------------------------------------------------- processing

tresult Vst3Plugin::setBusArrangements(SpeakerArrangement*, int32 numIns, SpeakerArrangement* outputs, int32 numOuts)
{
    return numIns == 0 && numOuts == 1 && outputs != nullptr && outputs[0] == kSpeakerStereo ? kResultTrue
                                                                                               : kResultFalse;
}

tresult Vst3Plugin::getBusArrangement(int32 dir, int32 index, SpeakerArrangement& arr)
{
    if (dir != kOutput || index != 0)
        return kInvalidArgument;
    arr = kSpeakerStereo;
    return kResultOk;
}

tresult Vst3Plugin::canProcessSampleSize(int32 size) { return size == kSample32 ? kResultTrue : kResultFalse; }

tresult Vst3Plugin::setupProcessing(ProcessSetup& setup)
{
    if (setup.symbolicSampleSize != kSample32 || !std::isfinite(setup.sampleRate) ||
        !core.requestSampleRate(float(setup.sampleRate)))
        return kResultFalse;
    core.setMaxBlockSize(std::max<int32_t>(setup.maxSamplesPerBlock, 1));
    return kResultOk;
}

tresult Vst3Plugin::setProcessing(TBool)
{
    core.requestPedalReset();
    return kResultOk;
}

void Vst3Plugin::collectParameters(IParameterChanges* in, int32_t frames)
{
    paramItems.clear();
    const int32_t queues = in != nullptr ? in->getParameterCount() : 0;
    for (int32_t q = 0; q < queues; ++q) {
        IParamValueQueue* queue = in->getParameterData(q);
        if (queue == nullptr)
            continue;
        const ParamID id = queue->getParameterId();
        if (id >= ParamID(kParamCount))
            continue;
        const int32_t points = queue->getPointCount();
        for (int32_t i = 0; i < points; ++i) {
            int32_t offset = 0;
            double value = 0.0;
            if (queue->getPoint(i, offset, value) != kResultOk || std::isnan(value))
                continue;
            // Out of the block: at its first or last frame.
            offset = std::clamp(offset, 0, std::max(frames - 1, 0));
            value = std::clamp(value, 0.0, 1.0);
            if (id < ParamID(kNumParameters)) {
                if (paramItems.size() < kMaxTimedItems)
                    paramItems.push_back(Timed{offset, 0, {}, id, float(toPlain(id, value))});
                continue;
            }
            // The program and the MIDI parameters go to the core as the MIDI
            // messages they stand for.
            Timed m{offset, 0, {}, id, 0.0f};
            if (id == kProgramParam) {
                m.bytes[0] = 0xC0;
                m.bytes[1] = uint8_t(toPlain(id, value));
            } else if (id == kPitchBendParam) {
                const int32_t bend = int32_t(std::lround(value * kPitchBendSteps));
                m.bytes[0] = 0xE0;
                m.bytes[1] = uint8_t(bend & 0x7F);
                m.bytes[2] = uint8_t(bend >> 7);
            } else if (id == kAftertouchParam) {
                m.bytes[0] = 0xD0;
                m.bytes[1] = uint8_t(std::lround(value * 127.0));
            } else {
                m.bytes[0] = 0xB0;
                m.bytes[1] = uint8_t(id - kFirstMidiParam);
                m.bytes[2] = uint8_t(std::lround(value * 127.0));
            }
            midiValues[id].store(value, std::memory_order_relaxed);
            if (midiItems.size() < kMaxTimedItems)
                midiItems.push_back(m);
        }
    }
}

void Vst3Plugin::collectEvents(IEventList* in, int32_t frames)
{
    const int32_t count = in != nullptr ? in->getEventCount() : 0;
    for (int32_t i = 0; i < count && midiItems.size() < kMaxTimedItems; ++i) {
        Event e{};
        if (in->getEvent(i, e) != kResultOk || e.busIndex != 0)
            continue;
        Timed m{std::clamp(e.sampleOffset, 0, std::max(frames - 1, 0)), 1, {}, 0, 0.0f};
        if (e.type == Event::kNoteOnEvent) {
            if (e.noteOn.pitch < 0 || e.noteOn.pitch > 127)
                continue;
            const float v = std::isfinite(e.noteOn.velocity) ? std::clamp(e.noteOn.velocity, 0.0f, 1.0f) : 0.0f;
            m.bytes[0] = uint8_t(0x90 | (e.noteOn.channel & 0x0F));
            m.bytes[1] = uint8_t(e.noteOn.pitch);
            // Velocity 0 would be a release in MIDI: the softest note is 1.
            m.bytes[2] = uint8_t(std::max(1L, std::lround(v * 127.0f)));
        } else if (e.type == Event::kNoteOffEvent) {
            if (e.noteOff.pitch < 0 || e.noteOff.pitch > 127)
                continue;
            const float v = std::isfinite(e.noteOff.velocity) ? std::clamp(e.noteOff.velocity, 0.0f, 1.0f) : 0.0f;
            m.bytes[0] = uint8_t(0x80 | (e.noteOff.channel & 0x0F));
            m.bytes[1] = uint8_t(e.noteOff.pitch);
            m.bytes[2] = uint8_t(std::lround(v * 127.0f));
        } else {
            continue;
        }
        midiItems.push_back(m);
    }
}

tresult Vst3Plugin::process(ProcessData& data)
{
    const int32_t frames = std::max(data.numSamples, 0);
    float* left = nullptr;
    float* right = nullptr;
    if (frames > 0) {
        if (data.symbolicSampleSize != kSample32 || data.numOutputs < 1 || data.outputs == nullptr ||
            data.outputs[0].numChannels < 2 || data.outputs[0].channelBuffers32 == nullptr)
            return kInvalidArgument;
        left = data.outputs[0].channelBuffers32[0];
        right = data.outputs[0].channelBuffers32[1];
        if (left == nullptr || right == nullptr)
            return kInvalidArgument;
        data.outputs[0].silenceFlags = 0;
    }
    if (const ProcessContext* context = data.processContext;
        context != nullptr && (context->state & ProcessContext::kTempoValid) != 0 && std::isfinite(context->tempo) &&
        context->tempo >= 0.0) {
        tempo = context->tempo;
        tempoKnown = true;
    }

    // MIDI (notes, and the parameters that stand for MIDI) is queued at its
    // frames and the core plays it there; the instrument's own parameters
    // split the block at theirs.
    midiItems.clear();
    collectParameters(data.inputParameterChanges, frames);
    collectEvents(data.inputEvents, frames);
    sortByFrame(midiItems);
    sortByFrame(paramItems);
    for (const Timed& m : midiItems) {
        MidiMessage message{};
        std::memcpy(message.midiData, m.bytes, 3);
        core.queueMidi(message, m.offset);
    }
    int32_t done = 0;
    for (const Timed& change : paramItems) {
        if (change.offset > done) {
            core.render(left + done, right + done, change.offset - done);
            done = change.offset;
        }
        core.setParameter(int32_t(change.id), change.value);
    }
    if (frames > done)
        core.render(left + done, right + done, frames - done);
    emitPending(data.outputParameterChanges, frames > 0 ? frames - 1 : 0);
    return kResultOk;
}

void Vst3Plugin::emitPending(IParameterChanges* out, int32_t offset)
{
    if (out == nullptr)
        return;
    for (int32_t id = 0; id <= int32_t(kProgramParam); ++id) {
        if (!pending[id].load(std::memory_order_relaxed) || !pending[id].exchange(false, std::memory_order_acq_rel))
            continue;
        int32_t index = 0;
        const ParamID paramId = ParamID(id);
        if (IParamValueQueue* queue = out->addParameterData(paramId, index))
            queue->addPoint(offset, currentNormalized(paramId), index);
    }
}

// ------------------------------------------------------------- news from the core

void Vst3Plugin::parameterChanged(int32_t index, float value, Origin origin)
{
    // The editor follows every change, the host's automation included.
    if (Vst3Editor* shown = editorShown.load(std::memory_order_acquire))
        shown->show(index, value);
    // The host's own changes need no echo.
    if (origin != Origin::Host && index >= 0 && index < kNumParameters)
        pending[index].store(true, std::memory_order_release);
}

void Vst3Plugin::programChangedByMidi(int32_t)
{
    pending[kProgramParam].store(true, std::memory_order_release);
    programChanged.store(true, std::memory_order_release);
}

bool Vst3Plugin::hostTempo(double& bpm)
{
    if (!tempoKnown)
        return false;
    bpm = tempo;
    return true;
}

void Vst3Plugin::onUiTimer()
{
    if (!programChanged.exchange(false))
        return;
    if (componentHandler != nullptr)
        componentHandler->restartComponent(kParamValuesChanged);
    if (componentHandler2 != nullptr)
        componentHandler2->setDirty(1);
}

void Vst3Plugin::userEdit(int32_t index, float value)
{
    if (index < 0 || index >= kNumParameters)
        return;
    core.setParameter(index, value);
    if (componentHandler == nullptr)
        return;
    // A control without a gesture of its own (a menu, a switch) is one
    // complete edit.
    const bool alone = !gestureOpen[index];
    if (alone)
        componentHandler->beginEdit(ParamID(index));
    componentHandler->performEdit(ParamID(index), toNormalized(ParamID(index), value));
    if (alone)
        componentHandler->endEdit(ParamID(index));
}

void Vst3Plugin::userGesture(int32_t index, bool begin)
{
    if (index < 0 || index >= kNumParameters || gestureOpen[index] == begin)
        return;
    gestureOpen[index] = begin;
    if (componentHandler == nullptr)
        return;
    if (begin)
        componentHandler->beginEdit(ParamID(index));
    else
        componentHandler->endEdit(ParamID(index));
}

// ------------------------------------------------------------- parameters

double Vst3Plugin::currentNormalized(ParamID id) const
{
    if (id == kProgramParam)
        return toNormalized(id, core.program());
    if (id < ParamID(kNumParameters))
        return toNormalized(id, core.parameter(int32_t(id)));
    return id < ParamID(kParamCount) ? midiValues[id].load(std::memory_order_relaxed) : 0.0;
}

tresult Vst3Plugin::getParameterInfo(int32 paramIndex, vst3::ParameterInfo& info)
{
    if (paramIndex < 0 || paramIndex >= kParamCount)
        return kInvalidArgument;
    const ParamID id = ParamID(paramIndex); // ids are the indices
    info = {};
    info.id = id;
    info.unitId = kRootUnitId;
    if (id < ParamID(kNumParameters)) {
        const ::ParameterInfo& p = kParameterTable[id];
        toString128(info.title, p.title);
        toString128(info.shortTitle, p.title);
        // The unit changes with the value ("Hz", "kHz"): it is part of the
        // value's text instead.
        info.flags = vst3::ParameterInfo::kCanAutomate;
        if (p.kind == ParameterKind::Switch)
            info.stepCount = 1;
        if (p.kind == ParameterKind::Menu) {
            info.stepCount = menuSteps(id);
            info.flags |= vst3::ParameterInfo::kIsList;
        }
        // What a new instance starts with: the first factory program.
        info.defaultNormalizedValue = toNormalized(id, factoryBank()[0].parameter[id]);
        return kResultOk;
    }
    if (id == kProgramParam) {
        toString128(info.title, "Program");
        toString128(info.shortTitle, "Program");
        info.stepCount = kNumPrograms - 1;
        info.flags = vst3::ParameterInfo::kIsProgramChange | vst3::ParameterInfo::kIsList;
        return kResultOk;
    }
    char title[32];
    if (id == kAftertouchParam)
        std::snprintf(title, sizeof title, "MIDI aftertouch");
    else if (id == kPitchBendParam)
        std::snprintf(title, sizeof title, "MIDI pitch bend");
    else
        std::snprintf(title, sizeof title, "MIDI CC %d", int(id - kFirstMidiParam));
    toString128(info.title, title);
    toString128(info.shortTitle, title);
    info.stepCount = id == kPitchBendParam ? int32_t(kPitchBendSteps) : 127;
    info.defaultNormalizedValue = id == kPitchBendParam ? 8192.0 / kPitchBendSteps : 0.0;
    info.flags = vst3::ParameterInfo::kIsHidden;
    return kResultOk;
}

tresult Vst3Plugin::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
    if (string == nullptr || id >= ParamID(kParamCount) || !std::isfinite(valueNormalized))
        return kInvalidArgument;
    char text[128];
    if (id < ParamID(kNumParameters)) {
        // The VST 2.x display and label of that value, the others as they are.
        float values[kNumParameters];
        for (int32_t i = 0; i < kNumParameters; ++i)
            values[i] = core.parameter(i);
        values[id] = float(toPlain(id, valueNormalized));
        const ParameterText t = formatParameter(int32_t(id), values, core.sampleRate());
        std::snprintf(text, sizeof text, "%s%s%s", t.display, t.label[0] != 0 ? " " : "", t.label);
    } else if (id == kProgramParam) {
        if (!core.programName(int32_t(toPlain(id, valueNormalized)), text))
            return kResultFalse;
    } else {
        std::snprintf(text, sizeof text, "%d", int(std::lround(toPlain(id, valueNormalized) *
                                                              (id == kPitchBendParam ? kPitchBendSteps : 127.0))));
    }
    toString128(string, text);
    return kResultOk;
}

tresult Vst3Plugin::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized)
{
    if (string == nullptr || id >= ParamID(kNumParameters))
        return kResultFalse;
    float values[kNumParameters];
    for (int32_t i = 0; i < kNumParameters; ++i)
        values[i] = core.parameter(i);
    try {
        const std::string typed = fromString128(string);
        float plain = 0.0f;
        try {
            plain = vemoValueOf(int32_t(id), typed, values, core.sampleRate());
        } catch (const ValueError&) {
            // A display with a label after its unit ("13.0 % mod"): the
            // quantity without the label's last word.
            const size_t space = typed.find_last_of(' ');
            if (space == std::string::npos || space == 0)
                throw;
            plain = vemoValueOf(int32_t(id), typed.substr(0, space), values, core.sampleRate());
        }
        valueNormalized = toNormalized(id, plain);
        return kResultOk;
    } catch (const std::exception&) {
        // Not a value of this parameter, or no memory. What the display
        // shows at either end must still read back, though the end's own
        // reading lies beyond the rounded text ("-0.9 dB" for -0.915) or no
        // quantity reaches it ("-inf dB").
        for (const double end : {0.0, 1.0}) {
            String128 shown;
            if (getParamStringByValue(id, end, shown) == kResultOk && sameString128(shown, string)) {
                valueNormalized = end;
                return kResultOk;
            }
        }
        return kResultFalse;
    }
}

ParamValue Vst3Plugin::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
    return std::isnan(valueNormalized) ? 0.0 : toPlain(id, valueNormalized);
}

ParamValue Vst3Plugin::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
    return std::isnan(plainValue) ? 0.0 : toNormalized(id, plainValue);
}

ParamValue Vst3Plugin::getParamNormalized(ParamID id) { return currentNormalized(id); }

// The controller's copy of a value: the sound takes the change when the
// host passes it to process, at its frame. Nothing here may call back into
// the host (a host may hold a lock across this call).
tresult Vst3Plugin::setParamNormalized(ParamID id, ParamValue value)
{
    if (id >= ParamID(kParamCount) || std::isnan(value))
        return kInvalidArgument;
    if (id >= kFirstMidiParam)
        midiValues[id].store(std::clamp(value, 0.0, 1.0), std::memory_order_relaxed);
    return kResultOk;
}

tresult Vst3Plugin::setComponentHandler(IComponentHandler* handler)
{
    if (handler == componentHandler)
        return kResultOk;
    if (componentHandler2 != nullptr)
        componentHandler2->release();
    if (componentHandler != nullptr)
        componentHandler->release();
    componentHandler = handler;
    componentHandler2 = nullptr;
    if (handler != nullptr) {
        handler->addRef();
        void* second = nullptr;
        if (handler->queryInterface(IComponentHandler2::iid.data(), &second) == kResultOk && second != nullptr)
            componentHandler2 = static_cast<IComponentHandler2*>(second);
    }
    return kResultOk;
}

// ------------------------------------------------------------- MIDI mapping, programs

tresult Vst3Plugin::getMidiControllerAssignment(int32 busIndex, int16 channel, int16 controller, ParamID& id)
{
    if (busIndex != 0 || channel < 0 || channel > 15)
        return kResultFalse;
    if (controller >= 0 && controller < kMidiControllers)
        id = kFirstMidiParam + ParamID(controller);
    else if (controller == kAfterTouch)
        id = kAftertouchParam;
    else if (controller == kPitchBend)
        id = kPitchBendParam;
    else if (controller == kCtrlProgramChange)
        id = kProgramParam;
    else
        return kResultFalse;
    return kResultTrue;
}

tresult Vst3Plugin::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
    if (unitIndex != 0)
        return kInvalidArgument;
    info = {};
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    toString128(info.name, "VEMO");
    info.programListId = kProgramListId;
    return kResultOk;
}

tresult Vst3Plugin::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
    if (listIndex != 0)
        return kInvalidArgument;
    info = {};
    info.id = kProgramListId;
    toString128(info.name, "Programs");
    info.programCount = kNumPrograms;
    return kResultOk;
}

tresult Vst3Plugin::getProgramName(int32 listId, int32 programIndex, String128 name)
{
    char text[kProgramNameBytes];
    if (listId != kProgramListId || name == nullptr || !core.programName(programIndex, text))
        return kInvalidArgument;
    toString128(name, text);
    return kResultOk;
}

tresult Vst3Plugin::getUnitByBus(int32 type, int32 dir, int32 busIndex, int32, int32& unitId)
{
    if (busIndex != 0 || getBusCount(type, dir) == 0)
        return kResultFalse;
    unitId = kRootUnitId;
    return kResultOk;
}

// ------------------------------------------------------------- view

IPlugView* Vst3Plugin::createView(FIDString name)
{
    if (name == nullptr || std::strcmp(name, "editor") != 0 || viewOpen)
        return nullptr;
    if (!editor) {
        editor.reset(new (std::nothrow) Vst3Editor(*this));
        if (!editor)
            return nullptr;
        editorShown.store(editor.get(), std::memory_order_release);
    }
    IPlugView* view = editor->makeView();
    viewOpen = view != nullptr;
    return view;
}

void Vst3Plugin::viewClosed() { viewOpen = false; }

} // namespace vemo::vst3face
