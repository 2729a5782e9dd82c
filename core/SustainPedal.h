// The sustain pedal (MIDI controller 64) in front of the engine's note
// operations.
//
// While the pedal is down a released key does not reach the engine: its note
// is only marked as held, so the voice keeps its gate open and the sound goes
// on as long as the pedal stays down. Lifting the pedal sends the engine the
// note-offs of every held note whose key is not pressed again by then. A key
// struck again while its note is held goes to the engine's noteOn as usual
// (the engine's allocation retriggers the voice that holds it).
//
// Pedal state is performance state: it is not part of a program or a chunk.
// A reset asked for from another thread (suspend and resume come on the
// host's UI thread) is picked up by the audio thread at the start of its next
// block, where the held notes are released.
//
// Threads: everything but requestReset belongs to the audio thread. No
// method allocates; lift and applyPendingReset visit at most 128 notes.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

class SustainPedal {
public:
    static constexpr int32_t kController = 64;
    static constexpr int32_t kDownThreshold = 64; // controller values 64..127 press the pedal
    static constexpr int32_t kNumNotes = 128;

    bool isDown() const { return down; }
    bool isHeld(int32_t note) const { return inRange(note) && held[note]; }
    bool isPressed(int32_t note) const { return inRange(note) && pressed[note]; }

    // A key went down (note-on with velocity > 0). The note is no longer
    // held by the pedal alone.
    void keyDown(int32_t note);

    // A key came up (note-off, or note-on with velocity 0). Answers true when
    // the engine is to release the note now, false when the pedal holds it.
    bool keyUp(int32_t note);

    // Controller 64 with value 0..127: down at 64 and above. On the way up,
    // release(note) is called for each held note that is not pressed, in
    // ascending note order.
    template <typename Release> void controller(int32_t value, Release&& release)
    {
        if (value >= kDownThreshold)
            down = true;
        else
            lift(release);
    }

    // Lifts the pedal and releases the held notes that are not pressed.
    template <typename Release> void lift(Release&& release)
    {
        down = false;
        if (heldCount == 0)
            return;
        for (int32_t note = 0; note < kNumNotes; ++note) {
            if (!held[note])
                continue;
            held[note] = false;
            if (!pressed[note])
                release(note);
        }
        heldCount = 0;
    }

    // The engine has released every voice by itself (all-notes-off): the
    // pedal is up and nothing is held or pressed any more.
    void clear();

    // Any thread: asks the audio thread to lift the pedal at its next block.
    void requestReset() { resetRequested.store(true, std::memory_order_release); }

    // Audio thread, at the start of a block: carries out a requested reset
    // by lifting the pedal (release as for lift).
    template <typename Release> void applyPendingReset(Release&& release)
    {
        if (resetRequested.exchange(false, std::memory_order_acquire))
            lift(release);
    }

private:
    static bool inRange(int32_t note) { return note >= 0 && note < kNumNotes; }

    bool down = false;
    int32_t heldCount = 0;           // notes with held set; lets lift skip the scan
    std::array<bool, kNumNotes> pressed{}; // key down now
    std::array<bool, kNumNotes> held{};    // released while the pedal was down, still sounding
    std::atomic<bool> resetRequested{false};
};
