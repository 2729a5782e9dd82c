// Fuzzes the host interface as a whole: sequences of dispatcher calls with
// arbitrary opcodes, indices, values and floats, parameter writes and reads
// through the trampolines, and rendering in between. Pointers are always
// valid, as from a real host: a zeroed 4 KiB buffer (with a short
// terminated text in front for opcodes that read text), a bank-sized buffer
// for effSetChunk, a real VstEvents for effProcessEvents, a pointer slot for
// the opcodes that take a pointer in their value argument.
//
// Checks beyond the sanitizers: every output sample is finite as long as
// every parameter value sent was within its form; no text written for the
// host runs past 256 bytes; effGetChunk and effEditGetRect hand out memory
// that can be read in full.
#include "fuzz/FuzzHost.h"
#include "core/ProgramRecord.h"
#include "voice/ParameterTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

using namespace vemo::fuzz;

namespace {

constexpr size_t kTextBuffer = 4096;
constexpr size_t kTextLimit = 256; // the largest text buffer hosts are known to pass
constexpr int kMaxSteps = 256;

volatile uint8_t sink;

void touch(const void* p, size_t n)
{
    const auto* bytes = static_cast<const uint8_t*>(p);
    uint8_t x = 0;
    for (size_t i = 0; i < n; ++i)
        x ^= bytes[i];
    sink = x;
}

int32_t pickOpcode(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0:
        return in.ConsumeIntegral<int32_t>();
    case 1:
        return in.ConsumeIntegralInRange<int32_t>(-4, 130);
    default:
        return in.ConsumeIntegralInRange<int32_t>(0, 79);
    }
}

int32_t pickIndex(FuzzedDataProvider& in)
{
    if (in.ConsumeBool())
        return in.ConsumeIntegralInRange<int32_t>(-2, 130);
    return in.ConsumeIntegral<int32_t>();
}

intptr_t pickValue(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return in.ConsumeIntegralInRange<intptr_t>(-2, 130);
    case 1:
        return in.ConsumeIntegralInRange<intptr_t>(0, 200000);
    default:
        return in.ConsumeIntegral<intptr_t>();
    }
}

// A parameter value inside its form: 0..1 (switches 0 or 1), a menu index.
float formValue(FuzzedDataProvider& in, int32_t index)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info != nullptr && info->kind == ParameterKind::Menu)
        return float(in.ConsumeIntegralInRange<int>(0, info->textCount - 1));
    return float(in.ConsumeIntegral<uint16_t>()) / 65535.0f;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzInitialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    FuzzPlugin p;
    p.noteOn(60, 100);

    auto text = std::make_unique<uint8_t[]>(kTextBuffer);
    auto chunkBuffer = std::make_unique<uint8_t[]>(size_t(kBankChunkBytes));
    {
        void* bank = nullptr;
        p.dispatch(effGetChunk, 0, 0, &bank);
        std::memcpy(chunkBuffer.get(), bank, size_t(kBankChunkBytes));
    }
    bool valuesInForm = true; // non-finite output only counts as a fault while this holds

    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0 && p.isOpen(); ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
        case 0: { // parameter write: inside the form, or anything at all
            const int32_t index = pickIndex(in);
            float value;
            if (in.ConsumeIntegralInRange<int>(0, 7) != 0) {
                value = formValue(in, index);
            } else {
                value = in.ConsumeFloatingPoint<float>();
                if (index >= 0 && index < kNumParameters && std::isfinite(value))
                    valuesInForm = false; // NaN and infinity are refused; other values are taken
            }
            p.setParameter(index, value);
            break;
        }
        case 1: {
            const float v = p.getParameter(pickIndex(in));
            if (valuesInForm && !std::isfinite(v))
                fuzzFail("getParameter answered a non-finite value");
            break;
        }
        case 2:
        case 3:
            p.render(in.ConsumeIntegralInRange<int32_t>(-1, 600), valuesInForm);
            break;
        case 4: { // a note or a controller
            MidiEventSpec e;
            static const uint8_t kStatus[] = {0x90, 0x80, 0xB0, 0xC0, 0xE0};
            e.data[0] = in.PickValueInArray(kStatus);
            e.data[1] = in.ConsumeIntegral<uint8_t>();
            e.data[2] = in.ConsumeIntegral<uint8_t>();
            e.deltaFrames = in.ConsumeIntegralInRange<int32_t>(-1, 700);
            p.sendEvents({e});
            break;
        }
        default: { // a dispatcher call
            const int32_t opcode = pickOpcode(in);
            const int32_t index = pickIndex(in);
            intptr_t value = pickValue(in);
            const float opt = in.ConsumeBool() ? float(in.ConsumeIntegralInRange<int>(0, 200000))
                                               : in.ConsumeFloatingPoint<float>();
            const std::string payload = in.ConsumeRandomLengthString(64);
            std::memset(text.get(), 0, kTextBuffer);
            std::memcpy(text.get(), payload.data(), payload.size());

            void* ptr = text.get();
            void* slots[2] = {nullptr, nullptr}; // pointer slots for value-as-pointer opcodes
            std::vector<MidiEventSpec> events;
            switch (opcode) {
            case effSetChunk: {
                // Patch the bank at a chosen place with the payload; a size
                // claim never beyond the buffer.
                const size_t at = in.ConsumeIntegralInRange<size_t>(0, size_t(kBankChunkBytes) - 1);
                for (size_t k = 0; k < payload.size() && at + k < size_t(kBankChunkBytes); ++k)
                    chunkBuffer[at + k] = uint8_t(payload[k]);
                if (value > kBankChunkBytes)
                    value = in.ConsumeBool() ? kBankChunkBytes : kProgramChunkBytes;
                // A restored chunk's values are brought into their ranges,
                // so the sound must stay finite whatever the bytes.
                ptr = chunkBuffer.get();
                break;
            }
            case effProcessEvents: {
                for (size_t k = 0; k + 3 <= payload.size(); k += 3) {
                    MidiEventSpec e;
                    std::memcpy(e.data, payload.data() + k, 3);
                    e.deltaFrames = int32_t(uint8_t(payload[k])) - 8;
                    events.push_back(e);
                }
                p.sendEvents(events);
                continue;
            }
            case effGetSpeakerArrangement:
            case effSetSpeakerArrangement:
                value = reinterpret_cast<intptr_t>(&slots[0]);
                ptr = &slots[1];
                break;
            case effEditOpen:
                // The parent window id; without a display the editor refuses it.
                ptr = in.ConsumeBool() ? nullptr : reinterpret_cast<void*>(intptr_t(0x1234567));
                break;
            case effClose:
                p.close();
                continue;
            default:
                if (in.ConsumeIntegralInRange<int>(0, 15) == 0)
                    ptr = nullptr;
                break;
            }

            const intptr_t answer = p.dispatch(opcode, index, value, ptr, opt);

            if (ptr == text.get()) {
                for (size_t k = kTextLimit; k < kTextBuffer; ++k)
                    if (text[k] != 0)
                        fuzzFail("a text written for the host ran past 256 bytes");
            }
            if (ptr == text.get() && (opcode == effGetParamDisplay || opcode == effGetParamLabel)) {
                // The interface's limit for these two: 8 bytes with the terminator.
                if (strnlen(reinterpret_cast<const char*>(text.get()), 8) >= 8)
                    fuzzFail("a parameter text has no terminator within 8 bytes");
                for (size_t k = 8; k < kTextBuffer; ++k)
                    if (text[k] != (k < payload.size() ? uint8_t(payload[k]) : 0))
                        fuzzFail("a parameter text was written past 8 bytes");
            }
            if (opcode == effGetChunk && ptr != nullptr) {
                void* handed = *static_cast<void**>(ptr);
                if (answer < 0 || (answer > 0 && handed == nullptr))
                    fuzzFail("effGetChunk answered a size without data");
                if (answer > 0)
                    touch(handed, size_t(answer));
            }
            if (opcode == effEditGetRect && ptr != nullptr && answer != 0) {
                const ERect* rect = *static_cast<ERect**>(ptr);
                if (rect == nullptr)
                    fuzzFail("effEditGetRect answered 1 without a rectangle");
                touch(rect, sizeof(ERect));
            }
            break;
        }
        }
    }
    if (p.isOpen())
        p.render(64, valuesInForm);
    return 0;
}
