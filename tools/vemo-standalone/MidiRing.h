// A lock-free single-producer/single-consumer ring of timed MIDI messages:
// how MIDI from a thread of our own (the ALSA sequencer reader) reaches the
// JACK process callback without a lock, an allocation or a system call on
// the audio side. Capacity is fixed at construction of the type; a full ring
// refuses the newest message (the producer counts what it dropped).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vemo::standalone {

// One channel message, stamped by the producer with the JACK clock
// (jack_get_time(), microseconds).
struct TimedMidi {
    uint64_t timeUs = 0;
    uint8_t size = 0; // 1..3
    uint8_t bytes[3] = {};
};

template <size_t Capacity>
class SpscRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    // Producer thread only.
    bool push(const TimedMidi& message)
    {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity)
            return false;
        slots_[tail & (Capacity - 1)] = message;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer thread only: the oldest message, left in the ring.
    const TimedMidi* front() const
    {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return nullptr;
        return &slots_[head & (Capacity - 1)];
    }

    // Consumer thread only: removes what front() gave.
    void pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

private:
    std::array<TimedMidi, Capacity> slots_{};
    alignas(64) std::atomic<size_t> head_{0}; // next slot to read
    alignas(64) std::atomic<size_t> tail_{0}; // next slot to write
};

// 1024 messages: more than a second of the densest controller stream a
// keyboard sends, against a consumer that empties the ring every period.
using MidiRing = SpscRing<1024>;

} // namespace vemo::standalone
