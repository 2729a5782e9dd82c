#include "tools/vemo-render/SongFilter.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vemo::render {

namespace {

bool isNoteOn(const MidiMessage& m) { return (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0; }

int parseChannel(const std::string& text, const std::string& whole)
{
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isdigit(c);
        }))
        throw ChannelListError("'" + whole + "': write channel numbers 1 to 16, e.g. 1 or 1,2,5 or 1-4");
    int channel = std::stoi(text);
    if (channel < 1 || channel > 16)
        throw ChannelListError("'" + whole + "': channel " + text + " does not exist (MIDI has channels 1 to 16)");
    return channel;
}

std::string trimmed(const std::string& s)
{
    size_t a = s.find_first_not_of(' ');
    size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

} // namespace

ChannelSet parseChannelList(const std::string& text)
{
    ChannelSet set;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string item = trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        size_t dash = item.find('-');
        if (dash == std::string::npos) {
            set.set(size_t(parseChannel(item, text) - 1));
        } else {
            int first = parseChannel(trimmed(item.substr(0, dash)), text);
            int last = parseChannel(trimmed(item.substr(dash + 1)), text);
            if (last < first)
                throw ChannelListError("'" + text + "': the range " + item + " runs backwards");
            for (int c = first; c <= last; ++c)
                set.set(size_t(c - 1));
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return set;
}

std::string describeChannels(ChannelSet channels)
{
    std::string out;
    for (int c = 1; c <= 16;) {
        if (!channels[size_t(c - 1)]) {
            ++c;
            continue;
        }
        int end = c;
        while (end < 16 && channels[size_t(end)])
            ++end; // end: last channel of the run
        if (!out.empty())
            out += ", ";
        if (end - c >= 2)
            out += std::to_string(c) + "-" + std::to_string(end);
        else if (end > c)
            out += std::to_string(c) + ", " + std::to_string(end);
        else
            out += std::to_string(c);
        c = end + 1;
    }
    return out;
}

ChannelSet channelsWithNotes(const MidiSong& song)
{
    ChannelSet set;
    for (const MidiMessage& m : song.messages)
        if (isNoteOn(m))
            set.set(size_t(channelOf(m) - 1));
    return set;
}

int countNotes(const MidiSong& song)
{
    return int(std::count_if(song.messages.begin(), song.messages.end(), isNoteOn));
}

ChannelChoice chooseChannels(const MidiSong& song, const std::string& list, bool keepDrums)
{
    ChannelChoice choice;
    const ChannelSet present = channelsWithNotes(song);
    const size_t drums = kDrumChannel - 1;
    choice.inFile = present;
    if (!list.empty()) {
        choice.channels = parseChannelList(list);
        if (keepDrums)
            choice.channels.set(drums);
        choice.withoutNotes = choice.channels & ~present;
        return choice;
    }
    choice.channels.set();
    ChannelSet others = present;
    others.reset(drums);
    if (!keepDrums && present[drums] && others.any()) {
        choice.channels.reset(drums);
        choice.drumsLeftOut = true;
    }
    return choice;
}

void keepChannels(MidiSong& song, ChannelSet channels)
{
    std::erase_if(song.messages, [&](const MidiMessage& m) { return !channels[size_t(channelOf(m) - 1)]; });
}

std::vector<ProgramSwitch> programChanges(const MidiSong& song)
{
    std::vector<ProgramSwitch> out;
    for (const MidiMessage& m : song.messages)
        if ((m.bytes[0] & 0xF0) == 0xC0)
            out.push_back({m.tick, channelOf(m), m.bytes[1] & 0x7F});
    return out;
}

size_t removeProgramChanges(MidiSong& song)
{
    return std::erase_if(song.messages, [](const MidiMessage& m) { return (m.bytes[0] & 0xF0) == 0xC0; });
}

PolyphonyReport analysePolyphony(std::span<const TimedMessage> messages, int voices)
{
    PolyphonyReport report;
    if (voices <= 0)
        return report;
    constexpr int kInitialNote = 64; // every voice starts out holding note 64
    std::vector<int> voiceNote(size_t(voices), kInitialNote);
    std::vector<bool> gate(size_t(voices), false);
    int lastVoice = voices;
    std::array<bool, 128> pressed{}, held{};
    bool pedalDown = false;
    int meant = 0; // notes pressed or held

    auto recount = [&](int note, bool wasMeant) {
        bool now = pressed[size_t(note)] || held[size_t(note)];
        meant += int(now) - int(wasMeant);
    };
    auto release = [&](int note) {
        for (int v = 0; v < voices; ++v)
            if (voiceNote[size_t(v)] == note)
                gate[size_t(v)] = false;
    };

    for (const TimedMessage& m : messages) {
        const int status = m.bytes[0] & 0xF0;
        const int note = m.bytes[1] & 0x7F;
        const int value = m.bytes[2] & 0x7F;
        if (status == 0x90 && value > 0) {
            bool was = pressed[size_t(note)] || held[size_t(note)];
            pressed[size_t(note)] = true;
            held[size_t(note)] = false;
            recount(note, was);
            int chosen = -1;
            for (int v = 0; v < voices && chosen < 0; ++v)
                if (voiceNote[size_t(v)] == note)
                    chosen = v;
            if (chosen < 0) {
                for (int step = 0; step < voices && chosen < 0; ++step) {
                    lastVoice = lastVoice + 1 >= voices ? 0 : lastVoice + 1;
                    if (!gate[size_t(lastVoice)])
                        chosen = lastVoice;
                }
                if (chosen < 0) { // every gate open: the most recent voice is taken over
                    chosen = lastVoice;
                    ++report.cutShort;
                    if (report.firstCutFrame < 0)
                        report.firstCutFrame = m.frame;
                }
            }
            lastVoice = chosen;
            voiceNote[size_t(chosen)] = note;
            gate[size_t(chosen)] = true;
            if (meant > report.mostNotes) {
                report.mostNotes = meant;
                report.mostAtFrame = m.frame;
            }
        } else if (status == 0x80 || status == 0x90) {
            bool was = pressed[size_t(note)] || held[size_t(note)];
            pressed[size_t(note)] = false;
            if (pedalDown)
                held[size_t(note)] = true;
            else
                release(note);
            recount(note, was);
        } else if (status == 0xB0 && note == 64) {
            if (value >= 64) {
                pedalDown = true;
            } else {
                pedalDown = false;
                for (int n = 0; n < 128; ++n)
                    if (held[size_t(n)]) {
                        held[size_t(n)] = false;
                        if (!pressed[size_t(n)]) {
                            release(n);
                            --meant;
                        }
                    }
            }
        } else if (status == 0xB0 && note >= 120) {
            gate.assign(size_t(voices), false);
            pressed.fill(false);
            held.fill(false);
            pedalDown = false;
            meant = 0;
        }
    }
    return report;
}

} // namespace vemo::render
