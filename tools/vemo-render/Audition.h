// Audition of a whole bank: every program plays a short phrase suited to its
// kind (guessed from its name) into its own audio file, and one contact
// sheet shows all takes side by side. Programs identical to an earlier one
// (same name and values) are listed but not rendered again.
#pragma once

#include "tools/vemo-render/AudioWriter.h"
#include "tools/vemo-render/MidiFile.h"

#include <functional>
#include <string>
#include <vector>

namespace vemo::render {

enum class SoundFamily { Bass, Lead, Pad, Keys, Percussion, Effect };

const char* familyName(SoundFamily family);
SoundFamily familyOf(const std::string& programName);

// About four seconds at 120 BPM, in a register and rhythm that suits the
// family.
MidiSong auditionPhrase(SoundFamily family);

struct AuditionOptions {
    std::string pluginPath;
    std::string directory;
    std::string bankFile; // optional .fxb loaded into every instance
    double sampleRate = 44100.0;
    int blockSize = 512;
    SampleFormat format = SampleFormat::Int24;
    double seconds = 6.0; // each take: the phrase and its release
    // Asked after every block; false abandons the audition (AuditionStopped).
    std::function<bool()> keepGoing;
};

struct AuditionStopped {};

struct AuditionTake {
    int program = 0;
    std::string name;
    SoundFamily family = SoundFamily::Lead;
    int sameAs = -1;   // >= 0: identical to that program, not rendered
    std::string file;  // the take's audio file
    double peakDb = -200.0;
    double rmsDb = -200.0;
};

// Renders the takes and the contact sheet ("contact-sheet.png") into the
// directory; onTake is told about each program as it is done. Throws on
// errors (plug-in, files).
std::vector<AuditionTake> runAudition(const AuditionOptions& options,
                                      const std::function<void(const AuditionTake&)>& onTake = {});

} // namespace vemo::render
