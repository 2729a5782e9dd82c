// The JACK side of the standalone: one client with two audio outputs
// (out_left, out_right) and a MIDI input (midi_in), whose process callback
// plays the hosted plug-in for each period.
//
// Threads: the process callback runs on JACK's real-time thread and does
// only what a host's audio thread does (effProcessEvents, processReplacing,
// copies): no allocation, lock or system call. Everything else is called on
// the program's UI thread. JACK's notification thread only records what
// changed (rate, buffer size, server gone) for the UI thread to act on.
#pragma once

#include "tools/vemo-standalone/BlockEvents.h"
#include "tools/vemo-standalone/MidiRing.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <jack/jack.h>

namespace vemo::render {
class PluginHost;
}

namespace vemo::standalone {

class JackAudio {
public:
    JackAudio(MidiRing& alsaMidi, uint16_t channelMask);
    ~JackAudio();
    JackAudio(const JackAudio&) = delete;
    JackAudio& operator=(const JackAudio&) = delete;

    // Opens the client and registers its ports, not yet running. The first
    // open may start a server as JACK's own settings say; a reconnection
    // never does. False with a message in `error`.
    bool open(const std::string& clientName, bool mayStartServer, std::string& error);
    bool isOpen() const { return client_ != nullptr; }
    std::string clientName() const;
    uint32_t sampleRate() const;
    uint32_t bufferSize() const;

    // Starts playing `host` (brought to the client's rate and buffer size
    // first), then connects the outputs to the system's playback ports when
    // asked. Returns notes on what could not be done.
    std::vector<std::string> start(render::PluginHost& host, bool connectOutputs);

    // Connects every JACK MIDI output whose name contains `source` to
    // midi_in; how many were connected.
    int connectMidiFrom(const std::string& source);

    // Stops the callbacks and closes the client.
    void close();

    // Set by JACK when the server shuts down or throws the client out.
    bool serverGone() const { return serverGone_.load(); }

    // Brings a rate or buffer-size change JACK reported into the plug-in,
    // with the audio paused around it (UI thread). True if anything changed.
    bool applyPendingChanges();

    // Pauses the process callback (it plays silence) and waits until it is
    // outside the plug-in; resume() lets it play again. UI thread.
    void pause();
    void resume();

    // Periods in which the plug-in could not be played (a change pending).
    uint64_t silentPeriods() const { return silentPeriods_.load(std::memory_order_relaxed); }

private:
    static int onProcess(jack_nframes_t frames, void* self);
    static int onBufferSize(jack_nframes_t frames, void* self);
    static int onSampleRate(jack_nframes_t rate, void* self);
    static void onShutdown(jack_status_t code, const char* reason, void* self);
    int process(jack_nframes_t frames);

    MidiRing& alsaMidi_;
    BlockEvents events_;
    jack_client_t* client_ = nullptr;
    jack_port_t* outLeft_ = nullptr;
    jack_port_t* outRight_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    render::PluginHost* host_ = nullptr;
    int64_t framesPlayed_ = 0; // audio thread

    std::atomic<bool> pauseRequested_{false};
    std::atomic<bool> inProcess_{false};
    std::atomic<bool> serverGone_{false};
    std::atomic<uint32_t> reportedRate_{0};
    std::atomic<uint32_t> reportedBlock_{0};
    std::atomic<uint64_t> silentPeriods_{0};
};

} // namespace vemo::standalone
