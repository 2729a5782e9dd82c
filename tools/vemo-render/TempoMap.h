// Musical time of a song: ticks to seconds through the tempo map, and the
// reverse (quarter notes, tempo, bar start) for the VstTimeInfo a plug-in
// asks for while it renders.
#pragma once

#include "tools/vemo-render/MidiFile.h"

#include <cstdint>
#include <vector>

namespace vemo::render {

class TempoMap {
public:
    // defaultBpm applies before the song's first tempo change (all through a
    // file that has none). SMPTE-timed songs run at their fixed tick rate;
    // their quarter notes are counted at defaultBpm.
    TempoMap(const MidiSong& song, double defaultBpm);

    double secondsAtTick(uint64_t tick) const;

    struct Position {
        double quarters;     // ppq position
        double bpm;          // tempo in force
        double barStart;     // ppq position of the bar's first beat
        int numerator;
        int denominator;
    };
    Position positionAtSeconds(double seconds) const;

    // Song time in seconds of a position in quarter notes from the start.
    double secondsAtQuarters(double quarters) const;

    // Bar number n (1-based, counted through every time signature; a bar
    // cut short by a change of signature counts as a bar) and its meter.
    struct Bar {
        double startQuarters;
        int numerator;   // beats in the bar
        int denominator; // a beat is 4/denominator quarters
    };
    Bar bar(int64_t number) const;

private:
    struct Segment {
        uint64_t tick;
        double seconds;
        double quarters;
        double secondsPerTick;
        double bpm;
    };
    struct Meter {
        double quarters;
        int numerator;
        int denominator;
    };
    std::vector<Segment> segments_; // at least one, starting at tick 0
    std::vector<Meter> meters_;     // at least one, starting at 0
    double ticksPerQuarter_;
    bool smpte_;
    double smpteSecondsPerTick_ = 0.0;
    double defaultBpm_;
};

} // namespace vemo::render
