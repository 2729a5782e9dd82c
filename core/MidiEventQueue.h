// MIDI events waiting for the frame they fall on.
//
// Each record carries the absolute frame it is due at (frames counted since
// the plug-in was built), and the queue is kept in order of due frame, events
// due at the same frame in the order they arrived. So an event that waits
// longer than the others (a few frames past the end of its block, or sent
// out of order) never holds back the events behind it: each one waits for
// its own frame only.
//
// Room: at most kOrdinaryCapacity events of any kind; beyond that only the
// events that end sound (note-offs, note-ons with velocity 0, the sustain
// pedal and the all-notes-off controllers 120..127) are taken, up to
// kCapacity, and when even that is full they make room as described at
// push(). A flood of events in one block may lose notes, never a release.
//
// Audio thread only (the format's MIDI intake fills it, the per-frame loop
// drains it).
// Allocated once at construction; never grows.
#pragma once

#include <cstdint>
#include <memory>

// One short MIDI message as every plug-in format delivers it: status and two
// data bytes (a message of fewer bytes leaves the rest 0).
struct MidiMessage {
    char midiData[3];
};

struct QueuedMidiEvent {
    MidiMessage event; // the host's bytes, copied verbatim
    int64_t due;       // frame at which it is applied
};

class MidiEventQueue {
public:
    static constexpr int32_t kOrdinaryCapacity = 500;
    static constexpr int32_t kCapacity = 2048;

    MidiEventQueue();

    // Whether the event ends sound: a note-off, a note-on with velocity 0,
    // the sustain pedal (controller 64) or controllers 120..127.
    static bool isRelease(const MidiMessage& event);

    // Inserts in order of due frame, after events due at the same frame.
    // When the queue has no room for it, an ordinary event is dropped; a
    // release takes the place of the latest-due ordinary event, or else
    // proves redundant (a note-off whose note already has a note-off queued
    // while no note-on is queued), or else an all-notes-off replaces the
    // latest-due event (it silences that event's notes anyway) and a pedal
    // message the latest-due pedal message (the newest pedal state wins).
    // Answers whether the event was queued.
    bool push(const MidiMessage& event, int64_t due);

    // Removes all records.
    void clear();


    bool empty() const { return count == 0; }
    int32_t size() const { return count; }
    const QueuedMidiEvent& oldest() const { return entries[head]; }
    const QueuedMidiEvent& at(int32_t i) const { return entries[head + i]; } // 0 = next due
    void popOldest();

private:
    void insertAt(int32_t position, const QueuedMidiEvent& record);
    void removeAt(int32_t position);
    int32_t insertionPoint(int64_t due) const;

    std::unique_ptr<QueuedMidiEvent[]> entries;
    int32_t head = 0;  // index of the next due record
    int32_t count = 0; // records held, from head on
    int32_t ordinary = 0; // how many of them are not releases
};
