// The ALSA sequencer as a second MIDI input (keyboards and programs that
// speak ALSA MIDI rather than JACK MIDI): a client with one writable port
// "midi_in" whose events a thread of its own turns into channel messages,
// stamps with the JACK clock and pushes into the ring the process callback
// reads.
//
// Latency: a message is played one JACK period after it arrived (at 48 kHz
// and 256 frames, 5.3 ms). That keeps the spacing of the messages as they
// arrived, instead of piling every message of a period onto its first frame.
#pragma once

#include "tools/vemo-standalone/MidiRing.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace vemo::standalone {

// The channel message for a sequencer event, in out[0..2]; its length, or 0
// for events that are not channel messages (clock, port announcements, SysEx).
int sequencerEventToMidi(const snd_seq_event_t& event, uint8_t out[3]);

class AlsaMidiInput {
public:
    // Whether this machine has a sequencer at all (/dev/snd/seq).
    static bool available();

    explicit AlsaMidiInput(MidiRing& ring) : ring_(ring) {}
    ~AlsaMidiInput();
    AlsaMidiInput(const AlsaMidiInput&) = delete;
    AlsaMidiInput& operator=(const AlsaMidiInput&) = delete;

    // Opens the client `clientName` with its port and starts the reader
    // thread. False with a message.
    bool start(const std::string& clientName, std::string& error);
    void stop();

    // Connects a source to our port: "client:port", a client number, or a
    // client whose name contains `source` (all its readable ports). False
    // with a message when none could be.
    bool connectFrom(const std::string& source, std::string& error);

    // "128:0": where other programs find us.
    std::string address() const;
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    void run();

    MidiRing& ring_;
    snd_seq_t* seq_ = nullptr;
    int port_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<uint64_t> dropped_{0};
};

} // namespace vemo::standalone
