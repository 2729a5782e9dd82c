// The built-in demo: a short tour of the factory bank, a few bars for each
// kind of sound (bass, lead, pad, keys, brass, flute, effects, acid), about
// 45 seconds in all. Sounds are picked by program name and switched with
// MIDI program changes, so the tour plays through the plug-in's own MIDI
// path exactly as a sequencer would.
#pragma once

#include "tools/vemo-render/MidiFile.h"

#include <functional>
#include <string>
#include <vector>

namespace vemo::render {

struct DemoSection {
    std::string programName;
    std::string role;      // "bass", "lead", ...
    int programIndex = -1; // -1: not found, the previous sound goes on
    uint64_t startTick = 0;
};

struct DemoSong {
    MidiSong song;
    std::vector<DemoSection> sections;
};

// findProgram maps a program name to its index, or -1.
DemoSong buildDemo(const std::function<int(const std::string&)>& findProgram);

} // namespace vemo::render
