// Fixed first-in first-out queue of MIDI events waiting for their frame.
//
// entries[0] is the newest record, entries[count-1] the oldest. Only the
// oldest record is counted down; every other record's deltaFrames holds its
// distance in frames from the event queued just before it.
//
// Audio thread only (processEvents fills it, the per-frame loop drains it).
// Allocated once at construction; never grows.
#pragma once

#include "vst/aeffect.h"

#include <cstdint>
#include <memory>

class MidiEventQueue {
public:
    static constexpr int32_t kCapacity = 500;

    MidiEventQueue();

    // Inserts at the newest end. Answers false (and drops the record) when full.
    bool push(const VstMidiEvent& record);
    // Removes all records.
    void clear();

    bool empty() const { return count == 0; }
    VstMidiEvent& oldest() { return entries[count - 1]; }
    void popOldest() { --count; }

    int32_t count = 0;
    std::unique_ptr<VstMidiEvent[]> entries;
    int32_t capacity = kCapacity;
};
