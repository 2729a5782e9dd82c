#include "tools/vemo-render/Audition.h"

#include "tools/vemo-render/ContactSheet.h"
#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/PresetIO.h"
#include "tools/vemo-render/Renderer.h"
#include "tools/vemo-render/TempoMap.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace vemo::render {

namespace {

constexpr int kQuarter = 480;
constexpr int kEighth = kQuarter / 2;

bool contains(const std::string& lowerName, std::initializer_list<const char*> words)
{
    for (const char* w : words)
        if (lowerName.find(w) != std::string::npos)
            return true;
    return false;
}

void note(MidiSong& song, uint64_t tick, uint64_t length, int key, int velocity)
{
    MidiMessage on, off;
    on.tick = tick;
    on.bytes[0] = 0x90;
    on.bytes[1] = uint8_t(key);
    on.bytes[2] = uint8_t(velocity);
    on.size = 3;
    off = on;
    off.tick = tick + length;
    off.bytes[0] = 0x80;
    off.bytes[2] = 64;
    song.messages.push_back(on);
    song.messages.push_back(off);
}

std::string fileStem(int program, const std::string& name)
{
    char number[8];
    std::snprintf(number, sizeof number, "%03d", program);
    std::string stem = number;
    bool dash = true;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (dash)
                stem += '-';
            stem += char(std::tolower(static_cast<unsigned char>(c)));
            dash = false;
        } else {
            dash = true;
        }
    }
    return stem;
}

// Writes the take and keeps a mono copy for its tile and its levels.
class TakeSink : public AudioSink {
public:
    explicit TakeSink(AudioFileSink& file) : file_(file) {}
    void write(const float* left, const float* right, int frames) override
    {
        file_.write(left, right, frames);
        for (int i = 0; i < frames; ++i) {
            mono.push_back(0.5f * (left[i] + right[i]));
            energy += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
        count += 2 * size_t(frames);
    }
    std::vector<float> mono;
    double energy = 0.0;
    size_t count = 0;

private:
    AudioFileSink& file_;
};

} // namespace

const char* familyName(SoundFamily family)
{
    switch (family) {
    case SoundFamily::Bass: return "bass";
    case SoundFamily::Lead: return "lead";
    case SoundFamily::Pad: return "pad";
    case SoundFamily::Keys: return "keys";
    case SoundFamily::Percussion: return "perc";
    case SoundFamily::Effect: return "fx";
    }
    return "?";
}

SoundFamily familyOf(const std::string& programName)
{
    std::string n = programName;
    std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    // Checked in this order: the first match decides ("Organ Lead" is a lead,
    // "Click Bass" a bass, "Brass And Strings" a pad).
    if (contains(n, {" fx", "laser", "noise", "alien", "atari", "c64", "squeep"}))
        return SoundFamily::Effect;
    if (contains(n, {"lead", "solo"}))
        return SoundFamily::Lead;
    if (contains(n, {"bass", "tuba", "acid"}))
        return SoundFamily::Bass;
    if (contains(n, {"kick", "tom", "perc", "drum", "xylophone", "glockenspiel", "celesta", "chime", "bell",
                     "pizzicato", "pluck", "marimba", "vibra"}))
        return SoundFamily::Percussion;
    if (contains(n, {"pad", "string", "choir", "voice", "jupiter"}))
        return SoundFamily::Pad;
    if (contains(n, {"piano", "harpsichord", "clavichord", "clav", "organ", "harp", "guitar", "squeezebox",
                     "accordion", "brass", "106", "poly"}))
        return SoundFamily::Keys;
    // Solo instruments (flute, trumpet, violin...) and anything unknown play a melody.
    return SoundFamily::Lead;
}

MidiSong auditionPhrase(SoundFamily family)
{
    MidiSong song;
    song.ticksPerQuarter = kQuarter;
    song.tempos.push_back({0, 500000});
    song.timeSignatures.push_back({0, 4, 4});
    switch (family) {
    case SoundFamily::Bass: {
        // Eighths between E2 and A3, accents on the beat; an instrument that
        // plays an octave down sounds in the real bass register.
        const int line[] = {45, 45, 57, 45, 43, 55, 48, 50, 45, 45, 57, 45, 40, 52, 43, 44};
        for (int i = 0; i < 16; ++i)
            note(song, uint64_t(i) * kEighth, kEighth - 40, line[i], i % 2 ? 90 : 115);
        break;
    }
    case SoundFamily::Lead: {
        const int line[] = {69, 72, 76, 74, 72, 71, 72, 69};
        for (int i = 0; i < 7; ++i)
            note(song, uint64_t(i) * kQuarter, kQuarter - 30, line[i], 100);
        note(song, 7 * kQuarter, kQuarter, line[7], 100);
        break;
    }
    case SoundFamily::Pad:
        for (int key : {57, 60, 64, 69})
            note(song, 0, 4 * kQuarter - 40, key, 90);
        for (int key : {53, 57, 60, 65})
            note(song, 4 * kQuarter, 3 * kQuarter, key, 90);
        break;
    case SoundFamily::Keys: {
        for (int key : {57, 60, 64})
            note(song, 0, 2 * kQuarter - 30, key, 80);
        for (int key : {53, 57, 60})
            note(song, 4 * kQuarter, 2 * kQuarter - 30, key, 80);
        const int melody[] = {76, 74, 72, 71, 72, 74, 76, 72};
        for (int i = 0; i < 8; ++i)
            note(song, uint64_t(i) * kQuarter, kQuarter - 30, melody[i], 100);
        break;
    }
    case SoundFamily::Percussion: {
        const int keys[] = {60, 64, 67, 72, 76, 79, 84, 72};
        for (int i = 0; i < 8; ++i)
            note(song, uint64_t(i) * kEighth * 2, kEighth, keys[i], 110);
        break;
    }
    case SoundFamily::Effect:
        note(song, 0, 3 * kQuarter, 60, 120);
        note(song, 4 * kQuarter, kQuarter, 72, 120);
        break;
    }
    std::stable_sort(song.messages.begin(), song.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    for (const MidiMessage& m : song.messages)
        song.lastTick = std::max(song.lastTick, m.tick);
    song.endTick = song.lastTick;
    return song;
}

std::vector<AuditionTake> runAudition(const AuditionOptions& options,
                                      const std::function<void(const AuditionTake&)>& onTake)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(options.directory, error);
    if (error)
        throw std::runtime_error(options.directory + ": cannot create the folder (" + error.message() + ")");

    // First pass: names and values, to find programs that repeat an earlier one.
    std::vector<AuditionTake> takes;
    std::string heading;
    {
        PluginHost host(options.pluginPath, options.sampleRate, options.blockSize);
        if (!options.bankFile.empty())
            loadPresetFile(host, options.bankFile, true);
        heading = host.info().effectName + " - " + std::to_string(host.info().numPrograms) + " programs";
        std::vector<std::vector<float>> values;
        for (int p = 0; p < host.info().numPrograms; ++p) {
            host.setProgram(p);
            AuditionTake take;
            take.program = p;
            take.name = host.currentProgramName();
            take.family = familyOf(take.name);
            std::vector<float> v;
            for (int i = 0; i < host.info().numParams; ++i)
                v.push_back(host.getParameter(i));
            for (size_t q = 0; q < takes.size(); ++q)
                if (takes[q].sameAs < 0 && takes[q].name == take.name && values[q] == v) {
                    take.sameAs = int(q);
                    break;
                }
            values.push_back(std::move(v));
            takes.push_back(take);
        }
    }
    if (takes.empty())
        throw std::runtime_error(options.pluginPath + ": the plug-in has no programs to audition");

    std::vector<SheetTile> tiles;
    for (AuditionTake& take : takes) {
        if (take.sameAs >= 0) {
            if (onTake)
                onTake(take);
            continue;
        }
        // A fresh instance per take: nothing rings over from the one before.
        PluginHost host(options.pluginPath, options.sampleRate, options.blockSize);
        if (!options.bankFile.empty())
            loadPresetFile(host, options.bankFile, true);
        host.setProgram(take.program);
        MidiSong song = auditionPhrase(take.family);
        TempoMap map(song, 120.0);
        std::vector<TimedMessage> messages = scheduleSong(song, map, options.sampleRate);
        take.file = (fs::path(options.directory) / (fileStem(take.program, take.name) + ".wav")).string();
        AudioFileSink file(take.file, int(options.sampleRate), options.format, options.blockSize);
        TakeSink sink(file);
        RenderOptions render;
        render.blockSize = options.blockSize;
        render.durationSeconds = options.seconds;
        RenderResult result = renderSong(host, messages, &map, render, sink, [&](int64_t, int64_t) {
            return !options.keepGoing || options.keepGoing();
        });
        if (result.stopped)
            throw AuditionStopped();
        file.finish();
        take.peakDb = result.peak > 0.0f ? 20.0 * std::log10(double(result.peak)) : -200.0;
        take.rmsDb = sink.count ? 10.0 * std::log10(sink.energy / double(sink.count) + 1e-20) : -200.0;

        char subtitle[64];
        std::snprintf(subtitle, sizeof subtitle, "%-5s pk %+.1f rms %+.1f", familyName(take.family), take.peakDb,
                      take.rmsDb);
        char title[64];
        std::snprintf(title, sizeof title, "%03d %s", take.program, take.name.c_str());
        tiles.push_back({title, subtitle, std::move(sink.mono), options.sampleRate});
        if (onTake)
            onTake(take);
    }

    // Repeats are named on the sheet so that nothing seems missing.
    int repeats = int(std::count_if(takes.begin(), takes.end(), [](const AuditionTake& t) { return t.sameAs >= 0; }));
    if (repeats > 0)
        heading += ", " + std::to_string(repeats) + " repeats not shown";
    Image sheet = drawContactSheet(heading, tiles, 6);
    writePng(sheet, (fs::path(options.directory) / "contact-sheet.png").string());
    return takes;
}

} // namespace vemo::render
