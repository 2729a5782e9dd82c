#include "tools/vemo-standalone/BlockEvents.h"

#include <algorithm>
#include <cstring>

namespace vemo::standalone {

static_assert(offsetof(VstEvents, numEvents) == 0);
static_assert(offsetof(VstEvents, events) == 16);

int channelMessageSize(uint8_t status)
{
    switch (status & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
        return 3;
    case 0xC0:
    case 0xD0:
        return 2;
    default:
        return 0;
    }
}

BlockEvents::BlockEvents(uint16_t channelMask) : channelMask_(channelMask)
{
    for (int i = 0; i < kMaxEvents; ++i) {
        storage_[i].type = kVstMidiType;
        storage_[i].byteSize = int32_t(sizeof(VstMidiEvent));
    }
}

void BlockEvents::begin(int frames)
{
    frames_ = std::max(frames, 1);
    list_.numEvents = 0;
}

bool BlockEvents::add(int offset, const uint8_t* bytes, size_t size)
{
    if (size == 0 || bytes == nullptr)
        return false;
    const int needed = channelMessageSize(bytes[0]);
    if (needed == 0 || size < size_t(needed) || !(channelMask_ & (1u << (bytes[0] & 0x0F))))
        return false;
    for (int i = 1; i < needed; ++i)
        if (bytes[i] & 0x80)
            return false; // a status byte where data belongs: a broken message
    const int n = list_.numEvents;
    if (n == kMaxEvents)
        return false;
    offset = std::clamp(offset, 0, frames_ - 1);

    // The storage slots stay in arrival order; the pointer list is kept
    // sorted by offset (insertion from the end: the messages of a period
    // mostly arrive in order already).
    VstMidiEvent& e = storage_[n];
    e.deltaFrames = offset;
    e.flags = 1; // kVstMidiEventIsRealtime: played live, not from a sequencer track
    std::memset(e.midiData, 0, sizeof e.midiData);
    std::memcpy(e.midiData, bytes, size_t(needed));
    int at = n;
    while (at > 0 && reinterpret_cast<VstMidiEvent*>(list_.events[at - 1])->deltaFrames > offset) {
        list_.events[at] = list_.events[at - 1];
        --at;
    }
    list_.events[at] = reinterpret_cast<VstEvent*>(&e);
    list_.numEvents = n + 1;
    return true;
}

} // namespace vemo::standalone
