#include "tools/vemo-standalone/JackAudio.h"

#include "tools/vemo-render/PluginHost.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <jack/midiport.h>

namespace vemo::standalone {

namespace {

// While it waits for a server to come back, every attempt would print
// libjack's complaints that there is none.
std::atomic<bool> g_quietJack{false};

void jackMessage(const char* text)
{
    if (!g_quietJack.load())
        std::fprintf(stderr, "JACK: %s\n", text);
}

} // namespace

JackAudio::JackAudio(MidiRing& alsaMidi, uint16_t channelMask) : alsaMidi_(alsaMidi), events_(channelMask)
{
    jack_set_error_function(jackMessage);
}

JackAudio::~JackAudio() { close(); }

bool JackAudio::open(const std::string& clientName, bool mayStartServer, std::string& error)
{
    close();
    serverGone_ = false;
    jack_status_t status{};
    const jack_options_t options = mayStartServer ? JackNullOption : JackNoStartServer;
    g_quietJack = !mayStartServer;
    client_ = jack_client_open(clientName.c_str(), options, &status);
    g_quietJack = false;
    if (!client_) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%X", unsigned(status));
        error = (status & JackServerFailed)
                    ? std::string("no JACK server is running (start one, e.g. with qjackctl or 'jackd -d alsa')")
                    : std::string("the JACK server refused the client (status ") + code + ")";
        return false;
    }
    outLeft_ = jack_port_register(client_, "out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    outRight_ = jack_port_register(client_, "out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    midiIn_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!outLeft_ || !outRight_ || !midiIn_) {
        error = "cannot register the JACK ports";
        close();
        return false;
    }
    reportedRate_ = jack_get_sample_rate(client_);
    reportedBlock_ = jack_get_buffer_size(client_);
    jack_set_process_callback(client_, &JackAudio::onProcess, this);
    jack_set_buffer_size_callback(client_, &JackAudio::onBufferSize, this);
    jack_set_sample_rate_callback(client_, &JackAudio::onSampleRate, this);
    jack_on_info_shutdown(client_, &JackAudio::onShutdown, this);
    return true;
}

std::string JackAudio::clientName() const { return client_ ? jack_get_client_name(client_) : ""; }

uint32_t JackAudio::sampleRate() const { return reportedRate_.load(); }

uint32_t JackAudio::bufferSize() const { return reportedBlock_.load(); }

std::vector<std::string> JackAudio::start(render::PluginHost& host, bool connectOutputs)
{
    std::vector<std::string> notes;
    host_ = &host;
    framesPlayed_ = 0;
    applyPendingChanges(); // not running yet: nothing to pause
    if (jack_activate(client_) != 0) {
        notes.push_back("JACK did not activate the client");
        return notes;
    }
    if (connectOutputs) {
        const char** playback =
            jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
        if (!playback || !playback[0]) {
            notes.push_back("no system playback ports to connect to");
        } else {
            // A mono playback device gets both sides.
            const char* right = playback[1] ? playback[1] : playback[0];
            jack_connect(client_, jack_port_name(outLeft_), playback[0]);
            jack_connect(client_, jack_port_name(outRight_), right);
        }
        if (playback)
            jack_free(playback);
    }
    return notes;
}

int JackAudio::connectMidiFrom(const std::string& source)
{
    if (!client_ || source.empty())
        return 0;
    const char** sources = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
    int connected = 0;
    for (int i = 0; sources && sources[i]; ++i)
        if (std::strstr(sources[i], source.c_str()) &&
            jack_connect(client_, sources[i], jack_port_name(midiIn_)) == 0)
            ++connected;
    if (sources)
        jack_free(sources);
    return connected;
}

void JackAudio::close()
{
    if (client_) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
    client_ = nullptr;
    outLeft_ = outRight_ = midiIn_ = nullptr;
    host_ = nullptr;
}

void JackAudio::pause()
{
    pauseRequested_.store(true);
    while (inProcess_.load())
        std::this_thread::sleep_for(std::chrono::microseconds(500));
}

void JackAudio::resume() { pauseRequested_.store(false); }

bool JackAudio::applyPendingChanges()
{
    if (!host_)
        return false;
    const double rate = double(reportedRate_.load());
    const int block = int(reportedBlock_.load());
    const bool rateChanged = rate > 0.0 && rate != host_->sampleRate();
    const bool blockChanged = block > 0 && block != host_->maxBlock();
    if (!rateChanged && !blockChanged)
        return false;
    pause();
    if (rateChanged)
        host_->setSampleRate(rate);
    if (blockChanged)
        host_->setMaxBlock(block);
    resume();
    return true;
}

int JackAudio::onProcess(jack_nframes_t frames, void* self) { return static_cast<JackAudio*>(self)->process(frames); }

int JackAudio::onBufferSize(jack_nframes_t frames, void* self)
{
    static_cast<JackAudio*>(self)->reportedBlock_.store(frames);
    return 0;
}

int JackAudio::onSampleRate(jack_nframes_t rate, void* self)
{
    static_cast<JackAudio*>(self)->reportedRate_.store(rate);
    return 0;
}

void JackAudio::onShutdown(jack_status_t, const char*, void* self)
{
    static_cast<JackAudio*>(self)->serverGone_.store(true);
}

int JackAudio::process(jack_nframes_t frames)
{
    // Announce being inside before looking at the pause request; pause()
    // does the reverse, so one of the two always sees the other.
    inProcess_.store(true);
    float* left = static_cast<float*>(jack_port_get_buffer(outLeft_, frames));
    float* right = static_cast<float*>(jack_port_get_buffer(outRight_, frames));
    void* midi = jack_port_get_buffer(midiIn_, frames);
    render::PluginHost* host = host_;
    if (pauseRequested_.load() || !host || int(frames) > host->maxBlock() ||
        double(reportedRate_.load(std::memory_order_relaxed)) != host->sampleRate()) {
        std::memset(left, 0, frames * sizeof(float));
        std::memset(right, 0, frames * sizeof(float));
        silentPeriods_.fetch_add(1, std::memory_order_relaxed);
        inProcess_.store(false);
        return 0;
    }

    events_.begin(int(frames));
    const uint32_t count = jack_midi_get_event_count(midi);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, midi, i) == 0)
            events_.add(int(event.time), event.buffer, event.size);
    }
    jack_nframes_t cycleFrames = 0;
    jack_time_t cycleUs = 0, nextUs = 0;
    float periodUs = 0.0f;
    if (jack_get_cycle_times(client_, &cycleFrames, &cycleUs, &nextUs, &periodUs) == 0)
        events_.takeDue(alsaMidi_, cycleUs, nextUs - cycleUs, host->sampleRate());

    host->setPosition(framesPlayed_);
    host->processBlock(events_.events(), int(frames));
    float* const* out = host->outputs();
    std::memcpy(left, out[0], frames * sizeof(float));
    std::memcpy(right, out[host->numOutputs() > 1 ? 1 : 0], frames * sizeof(float));
    framesPlayed_ += frames;
    inProcess_.store(false);
    return 0;
}

} // namespace vemo::standalone
