#include "plugin/MidiEventQueue.h"

#include <cstring>

MidiEventQueue::MidiEventQueue() : entries(new VstMidiEvent[kCapacity])
{
    std::memset(entries.get(), 0, sizeof(VstMidiEvent) * kCapacity);
}

bool MidiEventQueue::push(const VstMidiEvent& record)
{
    if (count >= capacity)
        return false;
    // Move every held record one place toward the old end (at most 499 moves
    // of 32 bytes), then write the new one at the newest end.
    std::memmove(&entries[1], &entries[0], sizeof(VstMidiEvent) * size_t(count));
    entries[0] = record;
    ++count;
    return true;
}

void MidiEventQueue::clear()
{
    for (int32_t i = 0; i < capacity; ++i)
        entries[i].deltaFrames = 0;
    count = 0;
}
