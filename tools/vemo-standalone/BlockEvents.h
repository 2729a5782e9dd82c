// The MIDI of one JACK period as the plug-in's VstEvents: JACK MIDI at its
// own frame offsets, then the ALSA sequencer's messages from the ring at the
// offsets their arrival times give, merged in time order. Fixed storage:
// everything here runs in the JACK process callback and never allocates.
#pragma once

#include "tools/vemo-standalone/MidiRing.h"
#include "vst/aeffect.h"

#include <cstddef>
#include <cstdint>

namespace vemo::standalone {

// Length of a channel message by its status byte; 0 for anything else
// (data bytes, system common and real-time messages, SysEx), which the
// instrument does not take.
int channelMessageSize(uint8_t status);

class BlockEvents {
public:
    // More than the plug-in's queue holds in one block: what is beyond is
    // dropped, the newest first.
    static constexpr int kMaxEvents = 1024;

    // channelMask: bit n set = MIDI channel n+1 is played.
    explicit BlockEvents(uint16_t channelMask = 0xFFFF);

    // Starts a period of `frames` frames (1..).
    void begin(int frames);

    // Adds a message at a frame offset (clamped into the period); keeps the
    // list in time order, later arrivals after earlier ones at the same
    // offset. False when it is not a channel message for us or the list is full.
    bool add(int offset, const uint8_t* bytes, size_t size);

    // Moves the ring's messages that fall due in this period into the list.
    // A message plays `latencyUs` after its stamp; cycleStartUs and
    // sampleRate place that in the period (jack_get_cycle_times). Messages
    // due later stay in the ring; late ones play at offset 0.
    template <size_t N>
    void takeDue(SpscRing<N>& ring, uint64_t cycleStartUs, uint64_t latencyUs, double sampleRate)
    {
        while (const TimedMidi* m = ring.front()) {
            const int64_t dueUs = int64_t(m->timeUs + latencyUs) - int64_t(cycleStartUs);
            const double offset = double(dueUs) * sampleRate * 1e-6;
            if (offset >= double(frames_))
                break;
            add(offset < 0.0 ? 0 : int(offset), m->bytes, m->size);
            ring.pop();
        }
    }

    int count() const { return list_.numEvents; }
    // The list to hand to effProcessEvents; null when empty.
    VstEvents* events() { return list_.numEvents > 0 ? reinterpret_cast<VstEvents*>(&list_) : nullptr; }
    const VstMidiEvent& event(int i) const { return *reinterpret_cast<const VstMidiEvent*>(list_.events[i]); }

private:
    // The layout of VstEvents with room for every event.
    struct List {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[kMaxEvents];
    };

    uint16_t channelMask_;
    int frames_ = 0;
    List list_{};
    VstMidiEvent storage_[kMaxEvents]{};
};

} // namespace vemo::standalone
