// What of a MIDI file reaches the instrument: the channels chosen, the
// file's program changes or not, and what a song asks of a six-voice
// instrument.
//
// Channels are numbered 1 to 16, as musicians and sequencers count them;
// channel 10 carries the drums in General MIDI files.
#pragma once

#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/Renderer.h"

#include <bitset>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

constexpr int kDrumChannel = 10;

// Bit c-1 stands for channel c.
using ChannelSet = std::bitset<16>;

class ChannelListError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// "1", "1,2,5", "1-4,9"; spaces allowed. Throws ChannelListError saying
// what is wrong.
ChannelSet parseChannelList(const std::string& text);

// "1, 2, 5", "1-4, 10" (runs of three or more as ranges).
std::string describeChannels(ChannelSet channels);

inline int channelOf(const MidiMessage& m) { return (m.bytes[0] & 0x0F) + 1; }

// Channels that hold at least one note-on with velocity above 0.
ChannelSet channelsWithNotes(const MidiSong& song);

int countNotes(const MidiSong& song);

// Which channels play. An explicit list plays exactly those (plus channel
// 10 with keepDrums). Without one every channel plays, except that channel
// 10 is left out when other channels have notes too and keepDrums is false.
struct ChannelChoice {
    ChannelSet channels;
    bool drumsLeftOut = false; // channel 10 has notes but was left out by default
    ChannelSet withoutNotes;   // chosen explicitly but silent in this file
    ChannelSet inFile;         // channels with notes in the whole file
};
ChannelChoice chooseChannels(const MidiSong& song, const std::string& list, bool keepDrums);

// Removes every channel message of the channels not in the set.
void keepChannels(MidiSong& song, ChannelSet channels);

struct ProgramSwitch {
    uint64_t tick = 0;
    int channel = 1; // 1..16
    int program = 0; // 0..127
};
std::vector<ProgramSwitch> programChanges(const MidiSong& song);

// Removes the program changes; answers how many there were.
size_t removeProgramChanges(MidiSong& song);

// How a song fits an instrument with `voices` voices that allocates them as
// VEMO does (a note already on a voice takes that voice again, others go
// round robin to a voice whose gate is closed, and when every gate is open
// the most recently started voice is taken over) and holds notes with the
// sustain pedal (controller 64) until it comes up. Controllers 120 to 127
// release everything.
struct PolyphonyReport {
    int mostNotes = 0;        // most distinct notes meant to sound at once (keys down or held)
    int64_t mostAtFrame = 0;  // where that many first sounded
    int cutShort = 0;         // notes whose voice was taken while they were meant to sound
    int64_t firstCutFrame = -1;
};
PolyphonyReport analysePolyphony(std::span<const TimedMessage> messages, int voices);

} // namespace vemo::render
