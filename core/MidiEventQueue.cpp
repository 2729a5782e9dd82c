#include "core/MidiEventQueue.h"

#include <cstring>

namespace {
constexpr int32_t kSustainPedal = 64;

int32_t statusOf(const MidiMessage& e) { return uint8_t(e.midiData[0]) & 0xF0; }
int32_t data1Of(const MidiMessage& e) { return uint8_t(e.midiData[1]) & 0x7F; }
int32_t data2Of(const MidiMessage& e) { return uint8_t(e.midiData[2]) & 0x7F; }

bool isNoteOff(const MidiMessage& e)
{
    const int32_t status = statusOf(e);
    return status == 0x80 || (status == 0x90 && data2Of(e) == 0);
}

bool isPedal(const MidiMessage& e) { return statusOf(e) == 0xB0 && data1Of(e) == kSustainPedal; }

bool isAllNotesOff(const MidiMessage& e) { return statusOf(e) == 0xB0 && data1Of(e) >= 120; }
} // namespace

MidiEventQueue::MidiEventQueue() : entries(new QueuedMidiEvent[kCapacity])
{
    std::memset(entries.get(), 0, sizeof(QueuedMidiEvent) * kCapacity);
}

bool MidiEventQueue::isRelease(const MidiMessage& event)
{
    return isNoteOff(event) || isPedal(event) || isAllNotesOff(event);
}

int32_t MidiEventQueue::insertionPoint(int64_t due) const
{
    // Almost always the end: hosts send offsets in order.
    int32_t p = count;
    while (p > 0 && entries[head + p - 1].due > due)
        --p;
    return p;
}

void MidiEventQueue::insertAt(int32_t position, const QueuedMidiEvent& record)
{
    if (head + count == kCapacity) {
        // The records have walked to the end of the array: move them back
        // to its start (count < kCapacity here, so head > 0).
        std::memmove(&entries[0], &entries[head], sizeof(QueuedMidiEvent) * size_t(count));
        head = 0;
    }
    QueuedMidiEvent* base = &entries[head];
    std::memmove(base + position + 1, base + position, sizeof(QueuedMidiEvent) * size_t(count - position));
    base[position] = record;
    ++count;
    if (!isRelease(record.event))
        ++ordinary;
}

void MidiEventQueue::removeAt(int32_t position)
{
    QueuedMidiEvent* base = &entries[head];
    if (!isRelease(base[position].event))
        --ordinary;
    std::memmove(base + position, base + position + 1, sizeof(QueuedMidiEvent) * size_t(count - position - 1));
    --count;
    if (count == 0)
        head = 0;
}

bool MidiEventQueue::push(const MidiMessage& event, int64_t due)
{
    const bool release = isRelease(event);
    if (!release && (ordinary >= kOrdinaryCapacity || count >= kCapacity))
        return false;

    if (count >= kCapacity) {
        // Full, and the event ends sound: make room rather than lose it.
        bool roomMade = false;
        for (int32_t p = count - 1; p >= 0 && !roomMade; --p) {
            if (!isRelease(at(p).event)) {
                removeAt(p);
                roomMade = true;
            }
        }
        if (!roomMade && isNoteOff(event)) {
            // Only releases are queued, so no note-on comes between: a
            // second note-off for the same note would change nothing.
            for (int32_t p = 0; p < count; ++p)
                if (isNoteOff(at(p).event) && data1Of(at(p).event) == data1Of(event))
                    return false;
        }
        if (!roomMade && isAllNotesOff(event)) {
            removeAt(count - 1);
            roomMade = true;
        }
        if (!roomMade && isPedal(event)) {
            for (int32_t p = count - 1; p >= 0 && !roomMade; --p) {
                if (isPedal(at(p).event)) {
                    removeAt(p);
                    roomMade = true;
                }
            }
        }
        if (!roomMade)
            return false;
    }

    insertAt(insertionPoint(due), QueuedMidiEvent{event, due});
    return true;
}

void MidiEventQueue::popOldest()
{
    if (!isRelease(entries[head].event))
        --ordinary;
    ++head;
    --count;
    if (count == 0)
        head = 0;
}

void MidiEventQueue::clear()
{
    head = 0;
    count = 0;
    ordinary = 0;
}
