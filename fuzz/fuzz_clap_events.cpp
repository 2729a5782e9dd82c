// Fuzzes the CLAP face's event input: lists of note, note-off, choke,
// expression, parameter, MIDI, sysex and transport events with any fields,
// sizes, times (in or out of order, past the block) and spaces, in blocks of
// any length. Nothing may crash or read past an event, and the output stays
// finite.
//
// Input: a byte for the block length, then per event a byte choosing its
// type and a byte its size (the record's own or cut short), and the
// record's bytes.
#include "fuzz/ClapFuzzHost.h"

#include <algorithm>

namespace {

// The record sizes hosts send, by event type 0..12 (note on, off, choke,
// end, expression, param value, mod, gesture begin and end, transport,
// MIDI, sysex, MIDI 2). The kinds the plug-in takes no record of (note
// expression, param mod, sysex, MIDI 2) come as a header and 40 bytes
// more: the plug-in must look at no more than their type.
constexpr uint32_t kOther = uint32_t(sizeof(clap::clap_event_header)) + 40;
constexpr uint32_t kRecordSize[] = {
    sizeof(clap::clap_event_note),          sizeof(clap::clap_event_note),          sizeof(clap::clap_event_note),
    sizeof(clap::clap_event_note),          kOther,
    sizeof(clap::clap_event_param_value),   kOther,
    sizeof(clap::clap_event_param_gesture), sizeof(clap::clap_event_param_gesture),
    sizeof(clap::clap_event_transport),     sizeof(clap::clap_event_midi),          kOther,
    kOther};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static clapfuzz::Plugin plugin;
    const uint32_t frames = uint32_t(data[0]) % clapfuzz::Plugin::kBlock + 1;
    clapfuzz::EventList list;
    size_t at = 1;
    while (at + 2 <= size) {
        const uint16_t type = data[at] % 14; // 13: an unknown type
        const uint32_t full = type < 13 ? kRecordSize[type] : uint32_t(sizeof(clap::clap_event_header));
        // A size byte of 0 keeps the record whole; others cut it short.
        const uint32_t length = data[at + 1] == 0 ? full : std::min<uint32_t>(full, data[at + 1]);
        at += 2;
        std::vector<uint8_t> event(std::max<size_t>(length, sizeof(clap::clap_event_header)), 0);
        const size_t n = std::min(size - at, size_t(length));
        std::memcpy(event.data(), data + at, n);
        at += n;
        clap::clap_event_header header;
        std::memcpy(&header, event.data(), sizeof header);
        header.size = length;
        header.type = type;
        std::memcpy(event.data(), &header, sizeof header);
        list.events.push_back(std::move(event));
    }
    plugin.process(frames, list);
    return 0;
}
