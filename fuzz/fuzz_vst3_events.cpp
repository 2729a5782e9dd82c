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
#include "fuzz/Vst3FuzzHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vst3;
using vst3fuzz::fail;
using vst3fuzz::Plugin;

namespace {

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
    ProcessData p{};
    p.inputParameterChanges = &changes;
    p.outputParameterChanges = &out;
    p.inputEvents = &events;
    if (plugin.process(p, frames) != kResultOk)
        fail("a block with buffers was refused");
    return 0;
}
