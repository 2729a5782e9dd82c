// Fuzzes the VST 3 face's process input: events of any type, bus, offset and
// fields, and parameter points for any id (the instrument's, the program,
// the hidden MIDI ones, none) at any offset with any value (NaN, infinite,
// far out of 0..1), in blocks of any length including none. Nothing may
// crash or read past what it was given, and the output stays finite.
//
// Input: a byte for the block length (0: a block that only takes
// parameters), then records: a byte choosing an event (even) or a
// parameter point (odd), then the event's bytes, or 16 bytes of id, offset
// and value.
#include "vst3/Vst3Abi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vst3;

extern "C" IPluginFactory* GetPluginFactory();

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::abort();
}

template <class I> class Plain : public I {
public:
    tresult queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
};

class Queue final : public Plain<IParamValueQueue> {
public:
    ParamID getParameterId() override { return id; }
    int32 getPointCount() override { return int32(points.size()); }
    tresult getPoint(int32 index, int32& offset, ParamValue& value) override
    {
        if (index < 0 || index >= getPointCount())
            return kInvalidArgument;
        offset = points[size_t(index)].first;
        value = points[size_t(index)].second;
        return kResultOk;
    }
    tresult addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
    ParamID id = 0;
    std::vector<std::pair<int32, double>> points;
};

class Changes final : public Plain<IParameterChanges> {
public:
    int32 getParameterCount() override { return int32(queues.size()); }
    IParamValueQueue* getParameterData(int32 index) override
    {
        return index >= 0 && index < getParameterCount() ? &queues[size_t(index)] : nullptr;
    }
    // Output: taken and dropped.
    IParamValueQueue* addParameterData(const ParamID& id, int32& index) override
    {
        sink.id = id;
        sink.points.clear();
        index = 0;
        return &sink;
    }
    std::vector<Queue> queues;
    Queue sink;
};

class Events final : public Plain<IEventList> {
public:
    int32 getEventCount() override { return int32(list.size()); }
    tresult getEvent(int32 index, Event& e) override
    {
        if (index < 0 || index >= getEventCount())
            return kInvalidArgument;
        e = list[size_t(index)];
        return kResultOk;
    }
    tresult addEvent(Event&) override { return kResultFalse; }
    std::vector<Event> list;
};

struct Plugin {
    static constexpr int32 kBlock = 512;
    Plugin()
    {
        IPluginFactory* factory = GetPluginFactory();
        PClassInfo info{};
        void* made = nullptr;
        if (factory == nullptr || factory->getClassInfo(0, &info) != kResultOk ||
            factory->createInstance(info.cid, IComponent::iid.data(), &made) != kResultOk)
            fail("no component");
        component = static_cast<IComponent*>(made);
        if (component->initialize(nullptr) != kResultOk ||
            component->queryInterface(IAudioProcessor::iid.data(), &made) != kResultOk)
            fail("no processor");
        processor = static_cast<IAudioProcessor*>(made);
        SpeakerArrangement stereo = kSpeakerStereo;
        ProcessSetup setup{kRealtime, kSample32, kBlock, 48000.0};
        if (processor->setBusArrangements(nullptr, 0, &stereo, 1) != kResultTrue ||
            processor->setupProcessing(setup) != kResultOk || component->setActive(1) != kResultOk ||
            processor->setProcessing(1) != kResultOk)
            fail("the plug-in does not start");
    }
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    float left[kBlock] = {}, right[kBlock] = {};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static Plugin plugin;
    const int32 frames = int32(data[0]) * Plugin::kBlock / 255;
    Events events;
    Changes changes;
    size_t at = 1;
    while (at < size) {
        const bool isEvent = data[at++] % 2 == 0;
        if (isEvent) {
            Event e{};
            const size_t n = std::min(size - at, sizeof e);
            std::memcpy(&e, data + at, n);
            at += n;
            events.list.push_back(e);
            continue;
        }
        uint8_t point[16] = {};
        const size_t n = std::min(size - at, sizeof point);
        std::memcpy(point, data + at, n);
        at += n;
        uint32_t id = 0;
        int32_t offset = 0;
        double value = 0.0;
        std::memcpy(&id, point, 4);
        std::memcpy(&offset, point + 4, 4);
        std::memcpy(&value, point + 8, 8);
        // Mostly ids the plug-in has, sometimes any.
        if ((id & 0x80000000u) == 0)
            id %= 200;
        auto queue = std::find_if(changes.queues.begin(), changes.queues.end(), [&](Queue& q) { return q.id == id; });
        if (queue == changes.queues.end()) {
            changes.queues.emplace_back();
            queue = changes.queues.end() - 1;
            queue->id = id;
        }
        queue->points.emplace_back(offset, value);
    }
    Changes out;
    float* channels[2] = {plugin.left, plugin.right};
    AudioBusBuffers bus{};
    bus.numChannels = 2;
    bus.channelBuffers32 = channels;
    ProcessData p{};
    p.symbolicSampleSize = kSample32;
    p.numSamples = frames;
    p.numOutputs = 1;
    p.outputs = &bus;
    p.inputParameterChanges = &changes;
    p.outputParameterChanges = &out;
    p.inputEvents = &events;
    if (plugin.processor->process(p) != kResultOk)
        fail("a block with buffers was refused");
    for (int32 i = 0; i < frames; ++i)
        if (!std::isfinite(plugin.left[i]) || !std::isfinite(plugin.right[i]))
            fail("the output is not finite");
    return 0;
}
