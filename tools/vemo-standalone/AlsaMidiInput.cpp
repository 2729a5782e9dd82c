#include "tools/vemo-standalone/AlsaMidiInput.h"

#include <jack/jack.h>

#include <cstring>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace vemo::standalone {

int sequencerEventToMidi(const snd_seq_event_t& event, uint8_t out[3])
{
    auto data = [](int value) { return uint8_t(value < 0 ? 0 : value > 127 ? 127 : value); };
    const snd_seq_ev_note_t& note = event.data.note;
    const snd_seq_ev_ctrl_t& control = event.data.control;
    auto noteMessage = [&](uint8_t kind) {
        out[0] = uint8_t(kind | (note.channel & 0x0F));
        out[1] = data(note.note);
        out[2] = data(note.velocity);
        return 3;
    };
    auto controlMessage = [&](uint8_t kind, int first, int second) {
        out[0] = uint8_t(kind | (control.channel & 0x0F));
        out[1] = data(first);
        out[2] = data(second);
        return second < 0 ? 2 : 3;
    };
    switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
        return noteMessage(0x90);
    case SND_SEQ_EVENT_NOTEOFF:
        return noteMessage(0x80);
    case SND_SEQ_EVENT_KEYPRESS:
        return noteMessage(0xA0);
    case SND_SEQ_EVENT_CONTROLLER:
        return controlMessage(0xB0, int(control.param), control.value);
    case SND_SEQ_EVENT_PGMCHANGE:
        return controlMessage(0xC0, control.value, -1);
    case SND_SEQ_EVENT_CHANPRESS:
        return controlMessage(0xD0, control.value, -1);
    case SND_SEQ_EVENT_PITCHBEND: {
        // -8192..8191 around the centre 0x2000, as two 7-bit halves
        int value = control.value + 8192;
        value = value < 0 ? 0 : value > 16383 ? 16383 : value;
        return controlMessage(0xE0, value & 0x7F, value >> 7);
    }
    default:
        return 0;
    }
}

bool AlsaMidiInput::available() { return access("/dev/snd/seq", R_OK | W_OK) == 0; }

AlsaMidiInput::~AlsaMidiInput() { stop(); }

bool AlsaMidiInput::start(const std::string& clientName, std::string& error)
{
    stop();
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        error = "cannot open the ALSA sequencer";
        return false;
    }
    snd_seq_set_client_name(seq_, clientName.c_str());
    port_ = snd_seq_create_simple_port(seq_, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTHESIZER |
                                           SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0) {
        error = "cannot create the ALSA sequencer port";
        stop();
        return false;
    }
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void AlsaMidiInput::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (seq_)
        snd_seq_close(seq_);
    seq_ = nullptr;
    port_ = -1;
}

std::string AlsaMidiInput::address() const
{
    if (!seq_)
        return "";
    return std::to_string(snd_seq_client_id(seq_)) + ":" + std::to_string(port_);
}

bool AlsaMidiInput::connectFrom(const std::string& source, std::string& error)
{
    if (!seq_) {
        error = "the ALSA sequencer is not open";
        return false;
    }
    // "24:0", "24" or an exact client or port name: what ALSA itself parses.
    snd_seq_addr_t address{};
    if (snd_seq_parse_address(seq_, &address, source.c_str()) == 0 &&
        snd_seq_connect_from(seq_, port_, address.client, address.port) == 0)
        return true;

    // Otherwise every readable port of the clients whose name contains it.
    int connected = 0;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_malloc(&client);
    snd_seq_port_info_malloc(&port);
    snd_seq_client_info_set_client(client, -1);
    const int self = snd_seq_client_id(seq_);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == self || !std::strstr(snd_seq_client_info_get_name(client), source.c_str()))
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            if ((caps & SND_SEQ_PORT_CAP_READ) && (caps & SND_SEQ_PORT_CAP_SUBS_READ) &&
                snd_seq_connect_from(seq_, port_, id, snd_seq_port_info_get_port(port)) == 0)
                ++connected;
        }
    }
    snd_seq_port_info_free(port);
    snd_seq_client_info_free(client);
    if (connected == 0)
        error = "no ALSA sequencer client is called '" + source + "'";
    return connected > 0;
}

void AlsaMidiInput::run()
{
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(size_t(count > 0 ? count : 1));
    snd_seq_poll_descriptors(seq_, fds.data(), unsigned(fds.size()), POLLIN);
    while (!stopping_.load()) {
        // A short timeout: stop() needs no wake-up channel of its own.
        if (poll(fds.data(), nfds_t(fds.size()), 100) <= 0)
            continue;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(seq_, &event) >= 0 && event) {
            TimedMidi message;
            message.timeUs = jack_get_time();
            message.size = uint8_t(sequencerEventToMidi(*event, message.bytes));
            if (message.size > 0 && !ring_.push(message))
                dropped_.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

} // namespace vemo::standalone
