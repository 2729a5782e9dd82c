// What the tests of vemo-standalone play against: the test JACK server
// (dummy back-end, started by services.sh for the suite), a probe of two
// JACK clients (one sends MIDI into the standalone's midi_in at chosen
// frames, one records its out_left/out_right by frame time), and the
// standalone itself as a child process with a home folder of its own.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace standalonetest {

namespace fs = std::filesystem;

// Polls pred every 10 ms until it holds or the time is up.
bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

// Restarts the test server at a rate (services.sh); true when it answers.
bool restartServer(uint32_t rate);
// The test server's rate, 0 when it does not answer.
uint32_t serverRate();

class JackProbe {
public:
    static constexpr uint32_t kRecordFrames = 1u << 21; // 21 s at 96 kHz
    static constexpr int kMaxMessages = 256;

    JackProbe() = default;
    ~JackProbe() { close(); }
    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;

    bool open(std::string& error);
    void close();
    // Connects our MIDI output to client:midi_in and its outputs to our inputs.
    bool connectTo(const std::string& client);

    uint32_t rate() const { return rate_; }
    // Asks the server for another period (frames); true when it took it.
    bool setBufferSize(uint32_t frames) { return jack_set_buffer_size(recorder_, frames) == 0; }
    uint32_t now() const { return jack_frame_time(recorder_); }
    uint32_t recordedUntil() const { return recordedUntil_.load(); }

    // Sends a message at an absolute frame time (later than the last one
    // sent); sentAt(i) gives the frame it really went out at.
    int send(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2 = 0);
    bool waitSent(int index, std::chrono::seconds timeout);
    uint32_t sentAt(int index) const { return messages_[size_t(index)].sentAt; }

    // Waits until every frame before `frame` is recorded.
    bool waitRecorded(uint32_t frame, std::chrono::seconds timeout) const;
    // Recorded frames [from, from + count) of one channel (0 left, 1 right).
    std::vector<float> recorded(int channel, uint32_t from, uint32_t count) const;

private:
    struct Message {
        uint32_t frame;
        uint8_t bytes[3];
        uint8_t size;
        uint32_t sentAt;
    };
    static int onSend(jack_nframes_t frames, void* self);
    static int onRecord(jack_nframes_t frames, void* self);

    jack_client_t* sender_ = nullptr;
    jack_client_t* recorder_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    jack_port_t* in_[2] = {};
    uint32_t rate_ = 0;

    std::array<Message, kMaxMessages> messages_{};
    std::atomic<int> published_{0}; // written by the test thread
    std::atomic<int> sent_{0};      // written by the sender's process thread
    std::vector<float> tape_[2];
    std::atomic<uint32_t> recordedUntil_{0};
    std::atomic<bool> recording_{false};
};

// vemo-standalone (or another JACK host of VEMO: jalv with the LV2 bundle)
// running as a child process.
class Standalone {
public:
    enum class Host {
        Standalone, // vemo-standalone with the module of this build
        Jalv,       // jalv.gtk3 with this build's LV2 bundle; args: the plug-in URI
    };
    // Starts it with a home folder of its own (created when missing), the
    // test server, and these arguments; DISPLAY is passed only when given.
    Standalone(const fs::path& home, const std::vector<std::string>& args, const std::string& display = "",
               Host host = Host::Standalone);
    ~Standalone();

    const std::string& name() const { return name_; }
    // Waits until its JACK ports exist (then it plays).
    bool waitForPorts(JackProbe& probe, std::chrono::seconds timeout);
    // Waits until its output contains `text`.
    bool waitForOutput(const std::string& text, std::chrono::seconds timeout) const;
    // Sends a signal and waits for the exit; the exit status, or -1 (killed).
    int stop(int signal, std::chrono::seconds timeout = std::chrono::seconds(60));
    // Waits for it to exit by itself.
    int wait(std::chrono::seconds timeout);
    bool running();
    std::string output() const; // stdout and stderr together

private:
    std::string name_;
    std::string readyText_; // what it prints once it plays
    fs::path log_;
    int pid_ = -1;
    int status_ = -1;
};

// The standalone's bank file under a home folder.
fs::path bankFile(const fs::path& home);
std::vector<uint8_t> fileBytes(const fs::path& path);

} // namespace standalonetest
