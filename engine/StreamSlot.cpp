#include "engine/StreamSlot.h"

#include <bitset>
#include <mutex>

namespace {
constexpr uint32_t kSlots = 65536;

struct Slots {
    std::mutex lock;
    std::bitset<kSlots> taken;
};

Slots& slots()
{
    static Slots s;
    return s;
}
} // namespace

StreamSlot::StreamSlot()
{
    Slots& s = slots();
    std::lock_guard<std::mutex> guard(s.lock);
    number = 0;
    while (number < kSlots && s.taken[number])
        ++number;
    held = number < kSlots;
    if (held)
        s.taken[number] = true;
    else
        number = 0; // past 65536 living engines: a start state shared, nothing else
}

StreamSlot::~StreamSlot()
{
    Slots& s = slots();
    std::lock_guard<std::mutex> guard(s.lock);
    if (held)
        s.taken[number] = false;
}
