// The audio path allocates nothing: operator new and malloc-backed
// allocations are counted around processEvents/processReplacing.
#include "PluginFixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
// Every form the plug-in may use must come from here, so that each delete
// below frees memory this file allocated.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using vemotest::PluginFixture;
using NoAllocation = PluginFixture;

TEST_F(NoAllocation, OnTheAudioPath)
{
    plugin->setSampleRate(48000.0f); // may allocate: outside the counted window
    std::vector<VstMidiEvent> events;
    for (int i = 0; i < 12; ++i)
        events.push_back(midi(i * 7, 0x90 | (i & 15), 48 + i, 100));
    events.push_back(midi(90, 0xE0, 0, 100));
    events.push_back(midi(91, 0xB0, 40, 64));
    events.push_back(midi(92, 0xC0, 14, 0));
    events.push_back(midi(93, 0xB0, 123, 0));
    std::vector<unsigned char> storage(sizeof(VstEvents) + sizeof(VstEvent*) * events.size());
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = int32_t(events.size());
    VstEvent** slots = list->events;
    for (size_t i = 0; i < events.size(); ++i)
        slots[i] = reinterpret_cast<VstEvent*>(&events[i]);
    std::vector<float> left(512), right(512);
    float* outs[2] = {left.data(), right.data()};
    plugin->setParameter(34, 1.0f);
    plugin->setParameter(35, 1.0f);

    calls.reserve(100000); // the test host's own call log must not count
    allocations = 0;
    counting = true;
    for (int block = 0; block < 20; ++block) {
        plugin->processEvents(list);
        plugin->processReplacing(nullptr, outs, 512);
        plugin->setParameter(12, float(block) / 20.0f);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}
