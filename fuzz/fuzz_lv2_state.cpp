// Fuzzes the LV2 face's state restore: whatever property set a session file
// or a host hands over (a bank of any length and bytes, a program of any
// value, either missing or of another type) must neither crash the plug-in,
// nor read past a value, nor make its output non-finite. A refused state
// changes nothing; a taken one reads back as given, values brought into
// their ranges. The face is linked in and reached through lv2_descriptor(0)
// as hosts reach it.
//
// Input: an 8-byte header, then the body.
//   [0] bit 0: a bank property; bit 1: a program property; bits 2-3: the
//       bank's type (atom:Chunk, atom:Int, atom:String, atom:Vector); bits
//       4-5: the program's (atom:Int, atom:Long, atom:Float, atom:Chunk);
//       bit 6: patch mode (else raw)
//   [1..4] the program's value, int32 little-endian: its bytes for every
//       type but atom:Long, which takes it sign-extended
//   [5] with bit 7 set, the program property cut to its low 3 bits of bytes
//   [6..7] patch mode: the bank lengthened or cut by this int16
// Raw mode: the body is the bank. Patch mode: the instance's own bank,
// overwritten by 7-byte patches of the body (3-byte offset, 4 bytes).
#include "core/FactoryBank.h"
#include "core/ProgramRecord.h"
#include "tests/lv2/UridMap.h"
#include "voice/ParameterTable.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fuzzFail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

constexpr const char* kBankKey = "urn:kestrune:vemo#bank";
constexpr const char* kProgramKey = "urn:kestrune:vemo#program";
constexpr uint32_t kPorts = 5 + kNumParameters;
constexpr uint32_t kBlock = 256;
constexpr uint32_t kAtomBytes = 1 << 14;

vemotest::UridMap urids;

struct Property {
    std::string key, type;
    std::vector<uint8_t> value;
    bool operator==(const Property&) const = default;
};

LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                       uint32_t)
{
    auto* out = static_cast<std::vector<Property>*>(handle);
    const char* keyUri = urids.unmap(key);
    const char* typeUri = urids.unmap(type);
    if (keyUri == nullptr || typeUri == nullptr || (value == nullptr && size > 0))
        fuzzFail("save stored a property with an unknown key or type, or no value");
    const auto* bytes = static_cast<const uint8_t*>(value);
    out->push_back({keyUri, typeUri, std::vector<uint8_t>(bytes, bytes + size)});
    return LV2_STATE_SUCCESS;
}

// Each value is handed over in a heap block of exactly its size, so that a
// read past it is caught.
struct Given {
    Property property;
    std::unique_ptr<uint8_t[]> block;
};

const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
    auto* given = static_cast<std::vector<Given>*>(handle);
    const char* keyUri = urids.unmap(key);
    for (Given& g : *given)
        if (keyUri != nullptr && g.property.key == keyUri) {
            *size = g.property.value.size();
            *type = urids.map(g.property.type);
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            return g.block.get();
        }
    return nullptr;
}

const Property* find(const std::vector<Property>& properties, const char* key)
{
    for (const Property& p : properties)
        if (p.key == key)
            return &p;
    return nullptr;
}

// One instance with every port connected: control inputs at program 0's
// values, as a host starts them.
class Instance {
public:
    Instance()
    {
        const LV2_Feature* features[] = {&urids.mapFeature, &urids.unmapFeature, nullptr};
        descriptor = lv2_descriptor(0);
        if (descriptor == nullptr || lv2_descriptor(1) != nullptr)
            fuzzFail("lv2_descriptor answers other than one plug-in");
        handle = descriptor->instantiate(descriptor, 44100.0, "", features);
        if (handle == nullptr)
            fuzzFail("instantiate failed");
        state = static_cast<const LV2_State_Interface*>(descriptor->extension_data(LV2_STATE__interface));
        if (state == nullptr || state->save == nullptr || state->restore == nullptr)
            fuzzFail("no state interface");
        std::copy_n(factoryBank()[0].parameter, kNumParameters, controls + 5);
        descriptor->connect_port(handle, 0, midi);
        descriptor->connect_port(handle, 1, left);
        descriptor->connect_port(handle, 2, right);
        descriptor->connect_port(handle, 3, notify);
        for (uint32_t p = 4; p < kPorts; ++p)
            descriptor->connect_port(handle, p, &controls[p]);
        lv2_atom_forge_init(&forge, &urids.mapData);
        descriptor->activate(handle);
    }
    ~Instance()
    {
        descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }

    std::vector<Property> save()
    {
        std::vector<Property> out;
        if (state->save(handle, store, &out, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr) != LV2_STATE_SUCCESS)
            fuzzFail("save failed");
        return out;
    }

    LV2_State_Status restore(std::vector<Given>& given)
    {
        return state->restore(handle, retrieve, &given, 0, nullptr);
    }

    // One block with these 3-byte messages at their frames; every sample
    // and the program port checked.
    void run(const std::vector<std::pair<uint32_t, std::array<uint8_t, 3>>>& messages)
    {
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(midi), sizeof midi);
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
        for (const auto& [frame, bytes] : messages) {
            const uint32_t size = (bytes[0] & 0xE0) == 0xC0 ? 2 : 3;
            lv2_atom_forge_frame_time(&forge, frame);
            lv2_atom_forge_atom(&forge, size, urids.map(LV2_MIDI__MidiEvent));
            lv2_atom_forge_write(&forge, bytes.data(), size);
        }
        lv2_atom_forge_pop(&forge, &sequence);
        auto* out = reinterpret_cast<LV2_Atom*>(notify);
        out->type = urids.map(LV2_ATOM__Chunk);
        out->size = sizeof notify - sizeof(LV2_Atom);
        descriptor->run(handle, kBlock);
        for (uint32_t i = 0; i < kBlock; ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                fuzzFail("non-finite output sample");
        if (out->type != urids.map(LV2_ATOM__Sequence) || out->size > sizeof notify - sizeof(LV2_Atom))
            fuzzFail("notify is not a sequence within its buffer");
        if (!(controls[4] >= 0.0f && controls[4] < float(kNumPrograms)))
            fuzzFail("program port outside 0..119");
    }

private:
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle handle = nullptr;
    const LV2_State_Interface* state = nullptr;
    LV2_Atom_Forge forge{};
    uint64_t midi[kAtomBytes / 8]{};
    uint64_t notify[kAtomBytes / 8]{};
    float left[kBlock]{}, right[kBlock]{};
    float controls[kPorts]{};
};

int32_t readInt32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// The bank as the plug-in must keep it: every value brought into its range.
std::vector<uint8_t> inRange(std::vector<uint8_t> bank)
{
    for (size_t base = 0; base + sizeof(ProgramRecord) <= bank.size(); base += sizeof(ProgramRecord))
        for (int32_t i = 0; i < kNumParameters; ++i) {
            float v;
            uint8_t* at = &bank[base + offsetof(ProgramRecord, parameter) + sizeof(float) * size_t(i)];
            std::memcpy(&v, at, sizeof v);
            v = std::clamp(v, kParameterTable[i].minimum, kParameterTable[i].maximum);
            std::memcpy(at, &v, sizeof v);
        }
    return bank;
}

bool allFinite(const std::vector<uint8_t>& bank)
{
    for (size_t base = 0; base + sizeof(ProgramRecord) <= bank.size(); base += sizeof(ProgramRecord))
        for (int32_t i = 0; i < kNumParameters; ++i) {
            float v;
            std::memcpy(&v, &bank[base + offsetof(ProgramRecord, parameter) + sizeof(float) * size_t(i)], sizeof v);
            if (!std::isfinite(v))
                return false;
        }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    const uint8_t flags = data[0];
    static const char* const bankTypes[] = {LV2_ATOM__Chunk, LV2_ATOM__Int, LV2_ATOM__String, LV2_ATOM__Vector};
    static const char* const programTypes[] = {LV2_ATOM__Int, LV2_ATOM__Long, LV2_ATOM__Float, LV2_ATOM__Chunk};
    const int32_t programValue = readInt32(data + 1);
    const uint8_t* body = data + 8;
    const size_t bodySize = size - 8;

    Instance plugin;
    plugin.run({{0, {0x90, 60, 100}}});
    const std::vector<Property> before = plugin.save();
    const Property* ownBank = find(before, kBankKey);
    if (ownBank == nullptr || ownBank->type != LV2_ATOM__Chunk || ownBank->value.size() != size_t(kBankChunkBytes) ||
        find(before, kProgramKey) == nullptr)
        fuzzFail("save gave no bank chunk or no program");

    std::vector<Property> state;
    if (flags & 1) {
        std::vector<uint8_t> bank;
        if (flags & 0x40) {
            bank = ownBank->value;
            for (size_t at = 0; at + 7 <= bodySize; at += 7) {
                const size_t offset =
                    (size_t(body[at]) | size_t(body[at + 1]) << 8 | size_t(body[at + 2]) << 16) % bank.size();
                for (size_t k = 0; k < 4 && offset + k < bank.size(); ++k)
                    bank[offset + k] = body[at + 3 + k];
            }
            const int delta = int16_t(uint16_t(data[6] | data[7] << 8));
            bank.resize(size_t(std::max<int64_t>(0, int64_t(bank.size()) + delta)), 0);
        } else {
            bank.assign(body, body + bodySize);
        }
        state.push_back({kBankKey, bankTypes[(flags >> 2) & 3], bank});
    }
    if (flags & 2) {
        const char* type = programTypes[(flags >> 4) & 3];
        std::vector<uint8_t> value(data + 1, data + 5);
        if (std::strcmp(type, LV2_ATOM__Long) == 0) {
            const int64_t wide = programValue;
            value.assign(reinterpret_cast<const uint8_t*>(&wide), reinterpret_cast<const uint8_t*>(&wide) + 8);
        }
        if (data[5] & 0x80)
            value.resize(std::min<size_t>(value.size(), data[5] & 7));
        state.push_back({kProgramKey, type, value});
    }

    std::vector<Given> given;
    for (const Property& p : state) {
        given.push_back({p, std::make_unique<uint8_t[]>(std::max<size_t>(p.value.size(), 1))});
        std::copy(p.value.begin(), p.value.end(), given.back().block.get());
    }
    const LV2_State_Status status = plugin.restore(given);

    const Property* bank = find(state, kBankKey);
    const Property* program = find(state, kProgramKey);
    const bool bankIsGood = bank != nullptr && bank->type == LV2_ATOM__Chunk &&
                            bank->value.size() == size_t(kBankChunkBytes) && allFinite(bank->value);
    const bool programIsGood = program != nullptr && program->type == LV2_ATOM__Int && program->value.size() == 4;
    const std::vector<Property> after = plugin.save();
    if (status == LV2_STATE_SUCCESS) {
        if (!bankIsGood)
            fuzzFail("a missing, damaged or mistyped bank was taken");
        if (find(after, kBankKey) == nullptr || find(after, kBankKey)->value != inRange(bank->value))
            fuzzFail("the taken bank does not read back as given, brought into range");
    } else {
        if (bankIsGood && programIsGood)
            fuzzFail("a whole state was refused");
        if (after != before)
            fuzzFail("a refused state changed what save stores");
    }

    // The restored programs played: every controller (the restored maps may
    // bind anything), a note, then a program change and the release.
    std::vector<std::pair<uint32_t, std::array<uint8_t, 3>>> messages;
    for (uint8_t c = 0; c < 120; ++c)
        messages.push_back({c, {0xB0, c, uint8_t((c * 37u + uint32_t(programValue)) & 0x7F)}});
    messages.push_back({130, {0x90, uint8_t(programValue & 0x7F), 90}});
    plugin.run(messages);
    plugin.run({{0, {0xC0, uint8_t(uint32_t(programValue) % kNumPrograms), 0}}, {3, {0x90, 64, 80}}});
    plugin.run({{10, {0x80, 64, 0}}, {11, {0x80, uint8_t(programValue & 0x7F), 0}}});
    return 0;
}
