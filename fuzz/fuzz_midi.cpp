// Fuzzes the MIDI path: arbitrary event lists (any type, size field and
// offset, negative and far beyond the block included, any bytes) through
// effProcessEvents, then processReplacing with arbitrary block sizes. Hosts
// have been seen sending offsets far outside the block and malformed
// events; none of it may crash the plug-in, overrun the event queue or make
// an output sample non-finite.
#include "fuzz/FuzzHost.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <limits>

using namespace vemo::fuzz;

namespace {

constexpr int64_t kMaxFramesPerInput = 16384; // bounds the work one input can ask for

float pickSampleRate(FuzzedDataProvider& in)
{
    static const float kRates[] = {44100.0f, 48000.0f, 22050.0f, 96000.0f, 192000.0f,
                                   8000.0f,  1000.0f,  11025.0f, 88200.0f};
    if (in.ConsumeBool())
        return in.PickValueInArray(kRates);
    return in.ConsumeFloatingPoint<float>();
}

double pickTempo(FuzzedDataProvider& in)
{
    static const double kTempos[] = {120.0,
                                     0.0,
                                     -90.0,
                                     1e300,
                                     999.0,
                                     std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(),
                                     1.0e-300};
    if (in.ConsumeBool())
        return in.PickValueInArray(kTempos);
    return in.ConsumeFloatingPoint<double>();
}

int32_t pickOffset(FuzzedDataProvider& in, int32_t blockSize)
{
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
    case 1:
    case 2:
        return in.ConsumeIntegralInRange<int32_t>(0, blockSize > 0 ? blockSize - 1 : 0);
    case 3:
        return in.ConsumeIntegralInRange<int32_t>(-4096, 20000);
    default:
        return in.ConsumeIntegral<int32_t>(); // far out either way
    }
}

int32_t pickType(FuzzedDataProvider& in)
{
    if (in.ConsumeIntegralInRange<int>(0, 7) != 0)
        return kVstMidiType;
    static const int32_t kTypes[] = {kVstSysExType, 0, 2, 3, 4, 5, -1, 0x7FFFFFFF};
    return in.PickValueInArray(kTypes);
}

MidiEventSpec pickEvent(FuzzedDataProvider& in, int32_t blockSize)
{
    MidiEventSpec e;
    e.type = pickType(in);
    e.byteSize = in.ConsumeBool() ? int32_t(sizeof(VstMidiEvent)) : in.ConsumeIntegral<int32_t>();
    e.deltaFrames = pickOffset(in, blockSize);
    e.flags = in.ConsumeIntegral<uint8_t>();
    // Mostly sensible status bytes so the messages reach the engine; raw
    // bytes otherwise (data bytes with the top bit set included).
    static const uint8_t kStatus[] = {0x90, 0x80, 0xB0, 0xC0, 0xE0, 0xA0, 0xD0, 0xF0};
    e.data[0] = in.ConsumeBool() ? uint8_t(in.PickValueInArray(kStatus) | (in.ConsumeIntegral<uint8_t>() & 0x0F))
                                 : in.ConsumeIntegral<uint8_t>();
    e.data[1] = in.ConsumeIntegral<uint8_t>();
    e.data[2] = in.ConsumeIntegral<uint8_t>();
    e.data[3] = in.ConsumeIntegral<uint8_t>();
    return e;
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

    p.dispatch(effSetSampleRate, 0, 0, nullptr, pickSampleRate(in));
    p.host().timeInfo.tempo = pickTempo(in);
    p.host().answerTime = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    p.dispatch(effSetProgram, 0, in.ConsumeIntegralInRange<int>(0, 127));

    int64_t framesLeft = kMaxFramesPerInput;
    while (in.remaining_bytes() > 0 && framesLeft > 0) {
        int32_t blockSize = 0;
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            blockSize = in.ConsumeIntegralInRange<int32_t>(-2, 1);
            break;
        case 1:
            blockSize = in.ConsumeIntegralInRange<int32_t>(1, 64);
            break;
        default:
            blockSize = in.ConsumeIntegralInRange<int32_t>(1, 4096);
            break;
        }
        if (blockSize > framesLeft)
            blockSize = int32_t(framesLeft);

        // Up to a little more than the queue holds, so overflow is reached (500 of
        // any kind, 2048 with note-offs and pedal messages).
        const int count = in.ConsumeIntegralInRange<int>(0, in.ConsumeBool() ? 8 : 2100);
        std::vector<MidiEventSpec> events;
        events.reserve(size_t(count));
        for (int n = 0; n < count && in.remaining_bytes() > 0; ++n)
            events.push_back(pickEvent(in, blockSize));
        if (in.ConsumeIntegralInRange<int>(0, 3) != 0) // hosts call it every cycle, events or not
            p.sendEvents(events);

        if (p.object().getEventQueue().size() < 0 ||
            p.object().getEventQueue().size() > MidiEventQueue::kCapacity)
            fuzzFail("event queue count out of range");

        p.render(blockSize);
        if (blockSize > 0)
            framesLeft -= blockSize;
        else
            framesLeft -= 1;
    }
    return 0;
}
