// Standard MIDI files (type 0 and 1) read into one time-ordered list of
// channel messages plus the tempo map and the time signatures.
//
// The reader trusts nothing in the file: every length is checked against the
// bytes that are really there before anything is read or allocated, and a
// broken file is refused with a MidiFileError that says what is wrong and
// where (byte offset, track number).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

class MidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One channel message (note on/off, controller, program change, pressure,
// pitch bend); system-exclusive and meta events never appear here.
struct MidiMessage {
    uint64_t tick = 0;
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;   // 2 or 3
    uint16_t track = 0; // track it came from, 0-based
};

struct TempoChange {
    uint64_t tick = 0;
    uint32_t microsPerQuarter = 500000; // 120 BPM
};

struct TimeSignature {
    uint64_t tick = 0;
    int numerator = 4;
    int denominator = 4; // 1, 2, 4, 8, ...
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;
    // Metrical timing: ticks per quarter note (> 0). Zero when the file uses
    // SMPTE timing, where smpteTicksPerSecond is set instead.
    int ticksPerQuarter = 480;
    double smpteTicksPerSecond = 0.0;
    std::vector<MidiMessage> messages;          // all tracks, stable time order
    std::vector<TempoChange> tempos;            // time order
    std::vector<TimeSignature> timeSignatures;  // time order
    uint64_t lastTick = 0;                      // tick of the last channel message
    uint64_t endTick = 0;                       // latest end-of-track
};

// Largest file read, and the longest delta accepted (the format's own limit:
// four bytes of variable-length quantity).
constexpr size_t kMaxMidiFileBytes = 16u << 20;

// Parses a whole file image. Throws MidiFileError with a message that does
// not include a file name.
MidiSong parseMidi(std::span<const uint8_t> data);

// Reads and parses a file. Throws MidiFileError whose message starts with the
// path.
MidiSong readMidiFile(const std::string& path);

// Reads a whole (small) file; refuses files above maxBytes. Throws
// std::runtime_error naming the path.
std::vector<uint8_t> readFileBytes(const std::string& path, size_t maxBytes);

// Writes a type 0 or type 1 file (used by the tests and for the demo export).
// Every track gets its end-of-track; tempos and time signatures go into the
// first track.
std::vector<uint8_t> writeMidi(const MidiSong& song);

} // namespace vemo::render
