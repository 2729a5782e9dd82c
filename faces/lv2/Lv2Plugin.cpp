#include "faces/lv2/Lv2Plugin.h"

#include "voice/ParameterTable.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstring>
#include <new>

namespace vemo::lv2 {

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f)
        if (std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    return nullptr;
}

} // namespace

Lv2Plugin* Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features)
{
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
    if (map == nullptr || map->map == nullptr)
        return nullptr;
    const float rate = float(sampleRate);
    if (!(rate >= 1000.0f && rate <= 1000000.0f))
        return nullptr;
    return new (std::nothrow) Lv2Plugin(rate, map);
}

Lv2Plugin::Lv2Plugin(float sampleRate, LV2_URID_Map* map) : core(sampleRate)
{
    auto m = [map](const char* uri) { return map->map(map->handle, uri); };
    uris = {m(LV2_ATOM__Blank),       m(LV2_ATOM__Object),         m(LV2_ATOM__Sequence), m(LV2_ATOM__Chunk),
            m(LV2_ATOM__Int),         m(LV2_ATOM__Float),          m(LV2_ATOM__Double),   m(LV2_ATOM__Long),
            m(LV2_ATOM__Vector),      m(LV2_ATOM__String),         m(LV2_MIDI__MidiEvent), m(LV2_TIME__Position),
            m(LV2_TIME__beatsPerMinute), m(LV2_PATCH__Get),        m(kBankUri),           m(kProgramUri),
            m(kSoundUri),             m(kValuesUri),               m(kProgramNameUri),    m(kPortValuesUri)};
    lv2_atom_forge_init(&forge, map);
    // The ports' defaults are program 0's values, the values the instrument
    // starts with: a host that leaves them changes nothing.
    for (int32_t i = 0; i < kNumParameters; ++i)
        lastSeen[i] = core.parameter(i);
    core.setListener(this);
}

void Lv2Plugin::connectPort(uint32_t port, void* data)
{
    switch (port) {
    case kMidiIn: midiIn = static_cast<const LV2_Atom_Sequence*>(data); break;
    case kOutLeft: outLeft = static_cast<float*>(data); break;
    case kOutRight: outRight = static_cast<float*>(data); break;
    case kNotify: notify = static_cast<LV2_Atom_Sequence*>(data); break;
    case kProgramOut: programOut = static_cast<float*>(data); break;
    default:
        if (port >= kFirstParameterPort && port < kFirstParameterPort + uint32_t(kNumParameters))
            parameterPorts[port - kFirstParameterPort] = static_cast<const float*>(data);
        break;
    }
}

// Processing on or off: the pedal lifts (a host that stops its transport
// must not leave notes held), as the VST 2.x face does on resume/suspend.
void Lv2Plugin::activate() { core.requestPedalReset(); }
void Lv2Plugin::deactivate() { core.requestPedalReset(); }

void Lv2Plugin::run(uint32_t frames)
{
    // A control port the host changed since the last block applies at the
    // block's start, before its MIDI, as a VST 2.x host's setParameter
    // between blocks does. Ports carry no order of their own: the two learn
    // switches go first, so that a control moved in the same block as learn
    // came on is the one a controller binds to (not the switch).
    static constexpr int32_t kOrder[kNumParameters] = {
        kParamLearnProgram, kParamLearnAll, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
        14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36,
        38, 39, 40, 41, 42, 43, 44, 45};
    static_assert(kParamLearnAll == 37 && kParamLearnProgram == 46, "the order lists the others by number");
    for (const int32_t i : kOrder) {
        const float* port = parameterPorts[i];
        if (port == nullptr)
            continue;
        const float v = *port;
        if (!(v == lastSeen[i])) {
            lastSeen[i] = v;
            // A port moved to the value the sound already has (the UI
            // echoing a program change to the host) changes nothing, not
            // even which parameter MIDI learn binds next.
            // A value outside the port's declared range is brought into it
            // (far outside, it would drive the engine to infinity); NaN is
            // refused.
            const float inRange = std::isnan(v) ? v : bringIntoRange(i, v);
            if (!std::isnan(v) && !(inRange == core.parameter(i)))
                core.setParameter(i, inRange);
        }
    }

    // Every event of this block lies within it.
    const int32_t length = frames > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(frames);
    core.setMaxBlockSize(length);
    readSequence(frames);

    if (outLeft != nullptr && outRight != nullptr)
        core.render(outLeft, outRight, length);
    writeNews();
    if (programOut != nullptr)
        *programOut = float(core.program());
}

void Lv2Plugin::readSequence(uint32_t frames)
{
    if (midiIn == nullptr)
        return;
    // Sizes come from the host: every event is checked against the
    // sequence's end before its body is read.
    const uint32_t total = midiIn->atom.size;
    if (total < sizeof(LV2_Atom_Sequence_Body))
        return;
    const auto* begin = reinterpret_cast<const uint8_t*>(&midiIn->body);
    const uint8_t* end = begin + total;
    LV2_ATOM_SEQUENCE_FOREACH(midiIn, ev)
    {
        const auto* body = reinterpret_cast<const uint8_t*>(ev + 1);
        if (body > end || ev->body.size > uint32_t(end - body))
            break;
        const int64_t at = ev->time.frames;
        if (ev->body.type == uris.midiEvent) {
            const uint32_t size = ev->body.size;
            if (size == 0)
                continue;
            const uint8_t status = body[0];
            // Channel messages only; system messages (clock, sysex) have
            // nothing for this instrument.
            if (status < 0x80 || status >= 0xF0)
                continue;
            MidiMessage message{};
            for (uint32_t k = 0; k < 3 && k < size; ++k)
                message.midiData[k] = char(body[k]);
            core.queueMidi(message, at < 0 ? 0 : (at >= int64_t(frames) ? int64_t(frames) - 1 : at));
        } else if ((ev->body.type == uris.atomObject || ev->body.type == uris.atomBlank) &&
                   ev->body.size >= sizeof(LV2_Atom_Object_Body)) {
            readObject(reinterpret_cast<const LV2_Atom_Object*>(&ev->body));
        }
    }
}

void Lv2Plugin::readObject(const LV2_Atom_Object* object)
{
    if (object->body.otype == uris.patchGet) {
        newsPending.store(true, std::memory_order_relaxed);
        return;
    }
    if (object->body.otype != uris.timePosition)
        return;
    const LV2_Atom* bpm = nullptr;
    lv2_atom_object_get(object, uris.timeBeatsPerMinute, &bpm, 0);
    if (bpm == nullptr)
        return;
    double value = NAN;
    if (bpm->type == uris.atomFloat && bpm->size >= sizeof(float))
        value = reinterpret_cast<const LV2_Atom_Float*>(bpm)->body;
    else if (bpm->type == uris.atomDouble && bpm->size >= sizeof(double))
        value = reinterpret_cast<const LV2_Atom_Double*>(bpm)->body;
    else if (bpm->type == uris.atomInt && bpm->size >= sizeof(int32_t))
        value = reinterpret_cast<const LV2_Atom_Int*>(bpm)->body;
    else if (bpm->type == uris.atomLong && bpm->size >= sizeof(int64_t))
        value = double(reinterpret_cast<const LV2_Atom_Long*>(bpm)->body);
    if (std::isfinite(value) && value >= 0.0) {
        tempo = value;
        tempoKnown = true;
    }
}

void Lv2Plugin::writeNews()
{
    if (notify == nullptr)
        return;
    // The host says how much room the port has in its atom's size.
    const uint32_t capacity = notify->atom.size;
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(notify), capacity);
    LV2_Atom_Forge_Frame sequence;
    if (!lv2_atom_forge_sequence_head(&forge, &sequence, 0)) {
        notify->atom.size = 0;
        return;
    }
    if (newsPending.exchange(false, std::memory_order_relaxed)) {
        float values[kNumParameters];
        for (int32_t i = 0; i < kNumParameters; ++i)
            values[i] = core.parameter(i);
        char name[kProgramNameBytes];
        core.currentProgramName(name);
        LV2_Atom_Forge_Frame object;
        // A message that does not fit is dropped whole (the forge answers 0
        // from then on); the UI asks again when it opens.
        if (lv2_atom_forge_frame_time(&forge, 0) && lv2_atom_forge_object(&forge, &object, 0, uris.sound)) {
            lv2_atom_forge_key(&forge, uris.program);
            lv2_atom_forge_int(&forge, core.program());
            lv2_atom_forge_key(&forge, uris.programName);
            lv2_atom_forge_string(&forge, name, uint32_t(std::strlen(name)));
            lv2_atom_forge_key(&forge, uris.values);
            lv2_atom_forge_vector(&forge, sizeof(float), uris.atomFloat, kNumParameters, values);
            lv2_atom_forge_pop(&forge, &object);
        }
    }
    lv2_atom_forge_pop(&forge, &sequence);
}

// ------------------------------------------------------------- news from the core

void Lv2Plugin::parameterChanged(int32_t /*index*/, float /*value*/, Origin origin)
{
    if (origin != Origin::Host)
        newsPending.store(true, std::memory_order_relaxed);
}

void Lv2Plugin::programChangedByMidi(int32_t /*program*/) { newsPending.store(true, std::memory_order_relaxed); }

bool Lv2Plugin::hostTempo(double& bpm)
{
    if (!tempoKnown)
        return false;
    bpm = tempo;
    return true;
}

// ------------------------------------------------------------- state

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    if (store == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    void* bank = nullptr;
    const int32_t bytes = core.getChunk(&bank, false);
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(handle, uris.bank, bank, size_t(bytes), uris.atomChunk, flags);
    if (status != LV2_STATE_SUCCESS)
        return status;
    const int32_t program = core.program();
    status = store(handle, uris.program, &program, sizeof program, uris.atomInt, flags);
    if (status != LV2_STATE_SUCCESS)
        return status;
    // The vector's body: its child size and type, then the values.
    struct {
        LV2_Atom_Vector_Body head;
        float values[kNumParameters];
    } seen{{sizeof(float), uris.atomFloat}, {}};
    std::memcpy(seen.values, lastSeen, sizeof seen.values);
    return store(handle, uris.portValues, &seen, sizeof seen, uris.atomVector, flags);
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    if (retrieve == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    // Both properties are checked before anything changes: a damaged or
    // foreign state leaves the instrument as it was.
    const void* bank = retrieve(handle, uris.bank, &size, &type, &flags);
    if (bank == nullptr)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != uris.atomChunk || size != size_t(kBankChunkBytes))
        return LV2_STATE_ERR_BAD_TYPE;
    size_t programSize = 0;
    uint32_t programType = 0;
    const void* programData = retrieve(handle, uris.program, &programSize, &programType, &flags);
    int32_t program = 0;
    if (programData != nullptr) {
        if (programType != uris.atomInt || programSize != sizeof(int32_t))
            return LV2_STATE_ERR_BAD_TYPE;
        std::memcpy(&program, programData, sizeof program);
        program = program < 0 ? 0 : (program >= kNumPrograms ? kNumPrograms - 1 : program);
    }
    // Optional (states from before it was kept have none): the control
    // values taken when saved, each finite or the whole vector ignored.
    size_t seenSize = 0;
    uint32_t seenType = 0;
    const void* seenData = retrieve(handle, uris.portValues, &seenSize, &seenType, &flags);
    float seen[kNumParameters];
    bool seenValid = false;
    if (seenData != nullptr && seenType == uris.atomVector &&
        seenSize == sizeof(LV2_Atom_Vector_Body) + sizeof seen) {
        LV2_Atom_Vector_Body head;
        std::memcpy(&head, seenData, sizeof head);
        std::memcpy(seen, static_cast<const uint8_t*>(seenData) + sizeof head, sizeof seen);
        seenValid = head.child_size == sizeof(float) && head.child_type == uris.atomFloat;
        for (float v : seen)
            seenValid = seenValid && std::isfinite(v);
    }
    // The host's copy may sit at any alignment: setChunk reads it bytewise.
    if (!core.setChunk(bank, kBankChunkBytes, false))
        return LV2_STATE_ERR_UNKNOWN;
    core.setProgram(program);
    if (seenValid)
        std::memcpy(lastSeen, seen, sizeof lastSeen);
    newsPending.store(true, std::memory_order_relaxed);
    return LV2_STATE_SUCCESS;
}

} // namespace vemo::lv2
