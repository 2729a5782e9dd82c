// vemo-render: plays a MIDI file (or the built-in demo) through a VST 2.x
// instrument and writes the result to an audio file, faster than real time.
#include "tools/vemo-render/Audition.h"
#include "tools/vemo-render/AudioWriter.h"
#include "tools/vemo-render/Demo.h"
#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/NameLookup.h"
#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/PresetIO.h"
#include "tools/vemo-render/Renderer.h"
#include "tools/vemo-render/SongFilter.h"
#include "tools/vemo-render/TempoMap.h"
#include "tools/vemo-render/VemoParameters.h"
#include "voice/ParameterTable.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace vemo::render;

namespace {

constexpr double kLongestSongSeconds = 6 * 3600.0;

// VEMO's identity and the voices its engine has (for the polyphony warning).
constexpr int32_t kVemoUniqueId = vstFourCC('8', '8', '2', '5');
constexpr int kVemoVoices = 6;

// Set by Ctrl-C: the render stops after its current block and the
// unfinished file is removed.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

struct Interrupted {};

struct Options {
    std::string midiFile;
    std::string output;
    std::string plugin;
    std::string program;
    std::vector<std::string> sets;
    std::vector<std::string> automations;
    std::string channels;
    bool drums = false;
    bool followProgramChanges = false;
    double gainDb = 0.0;
    bool gainGiven = false;
    std::string normalize;
    bool normalizeGiven = false;
    bool mkdir = false;
    std::string fxp, fxb, saveFxp, saveFxb;
    std::string audition;
    int rate = 44100;
    int block = 512;
    std::string bits = "24";
    double tail = 10.0;
    double duration = 0.0;
    double tempo = 120.0;
    bool demo = false;
    bool info = false;
    bool listPrograms = false;
    bool listParams = false;
    bool quiet = false;
    bool stats = false;
};

std::string defaultPluginPath()
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return "vemo.so";
    return (self.parent_path() / "vemo.so").string();
}

std::string clock(double seconds)
{
    int whole = int(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

// m:ss.s, for events inside a song.
std::string clockTenths(double seconds)
{
    int tenths = int(std::floor(seconds * 10.0 + 1e-9));
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

bool parseDouble(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(out);
}

int resolveParameter(PluginHost& host, const std::string& key, const std::string& option)
{
    int count = host.info().numParams;
    if (isIndex(key)) {
        int index = std::stoi(key);
        if (index >= count)
            throw UsageError(option + ": the plug-in has parameters 0 to " + std::to_string(count - 1));
        return index;
    }
    if (isVemo(host.info())) {
        // VEMO's parameters by their host names or their readable names.
        const int index = findParameter(key);
        if (index < 0)
            throw UsageError(option + ": no parameter is called '" + key + "' (see --list-params)");
        return index;
    }
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(host.parameterName(i));
    return findByName(names, key, "parameter", false);
}

// The values a parameter takes: 0..1 as VST has it; VEMO's from its
// parameter table (its two menus hold the index of their entry).
struct ValueRange {
    float low = 0.0f;
    float high = 1.0f;
    bool menu = false;
};

ValueRange parameterRange(PluginHost& host, int index)
{
    if (isVemo(host.info()) && index >= 0 && index < kNumParameters) {
        const ParameterInfo& p = kParameterTable[index];
        return {p.minimum, p.maximum, p.kind == ParameterKind::Menu};
    }
    return {};
}

std::string describeRange(PluginHost& host, int index)
{
    if (isVemo(host.info()) && index >= 0 && index < kNumParameters)
        return vemoParameterName(index) + " takes " + vemoValueForms(index);
    ValueRange r = parameterRange(host, index);
    char text[96];
    std::snprintf(text, sizeof text, "%s takes %s%g..%g", host.parameterName(index).c_str(),
                  r.menu ? "a menu entry " : "", double(r.low), double(r.high));
    return text;
}

bool inRange(PluginHost& host, int index, double value)
{
    ValueRange r = parameterRange(host, index);
    return value >= double(r.low) && value <= double(r.high);
}

// VEMO's own parameters also take the form they are shown in (see
// VemoParameters.h); its table's ranges refuse the rest.
void applyVemoSet(PluginHost& host, const std::string& assignment, int index, const std::string& valueText,
                  bool quiet)
{
    float values[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i)
        values[i] = host.getParameter(i);
    float value = 0.0f;
    try {
        value = vemoValueOf(index, valueText, values, float(host.sampleRate()));
    } catch (const ValueError& e) {
        throw UsageError("--set " + assignment + ": " + e.what());
    }
    host.setParameter(index, value);
    char* end = nullptr;
    std::strtof(valueText.c_str(), &end);
    if (!quiet && (end == valueText.c_str() || *end != 0))
        std::cerr << "vemo-render: " << assignment << " sets " << vemoParameterName(index) << " to "
                  << value << " (" << host.parameterDisplay(index) << ")\n";
}

void applySet(PluginHost& host, const std::string& assignment, bool quiet)
{
    size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == assignment.size())
        throw UsageError("--set '" + assignment + "': write NAME=VALUE or INDEX=VALUE, e.g. CUTOFF=0.4");
    std::string key = assignment.substr(0, eq);
    std::string valueText = assignment.substr(eq + 1);
    int index = resolveParameter(host, key, "--set " + assignment);
    if (isVemo(host.info()))
        return applyVemoSet(host, assignment, index, valueText, quiet);
    char* end = nullptr;
    float value = std::strtof(valueText.c_str(), &end);
    if (!end || *end != 0 || !std::isfinite(value))
        throw UsageError("--set " + assignment + ": '" + valueText + "' is not a number");
    if (!inRange(host, index, value))
        throw UsageError("--set " + assignment + ": out of range; " + describeRange(host, index));
    host.setParameter(index, value);
}

// --automate requests turned into frames of the song at the render's rate.
std::vector<ParameterAutomation> resolveAutomation(PluginHost& host, const std::vector<AutomationRequest>& requests,
                                                   const std::vector<std::string>& texts, const TempoMap& map,
                                                   double rate)
{
    std::vector<ParameterAutomation> out;
    std::set<int> seen;
    for (size_t r = 0; r < requests.size(); ++r) {
        const AutomationRequest& request = requests[r];
        const std::string option = "--automate " + texts[r];
        ParameterAutomation a;
        a.index = resolveParameter(host, request.parameter, option);
        if (!seen.insert(a.index).second)
            throw UsageError(option + ": " + host.parameterName(a.index) +
                             " is automated twice; give all its points in one --automate");
        for (size_t i = 0; i < request.times.size(); ++i) {
            double seconds;
            try {
                seconds = automationSeconds(request.times[i], map);
            } catch (const AutomationError& e) {
                throw UsageError(option + ": " + e.what());
            }
            if (!inRange(host, a.index, request.values[i]))
                throw UsageError(option + ": " + std::to_string(request.values[i]).substr(0, 8) +
                                 " is out of range; " + describeRange(host, a.index));
            AutomationPoint p{int64_t(std::llround(seconds * rate)), float(request.values[i])};
            if (!a.points.empty() && p.frame < a.points.back().frame)
                throw UsageError(option + ": the points must come in time order (point " + std::to_string(i + 1) +
                                 " lies before the one ahead of it)");
            a.points.push_back(p);
        }
        out.push_back(std::move(a));
    }
    return out;
}

void listParameters(PluginHost& host)
{
    const bool vemo = isVemo(host.info());
    if (vemo)
        std::printf("%4s  %-18s %-14s %-9s %-11s %s\n", "", "host name", "name", "value", "shown", "takes");
    for (int i = 0; i < host.info().numParams; ++i) {
        std::string display = host.parameterDisplay(i);
        if (vemo) {
            char value[32];
            std::snprintf(value, sizeof value, "%.6g", double(host.getParameter(i)));
            std::printf("%4d  %-18s %-14s %-9s %-11s %s\n", i, host.parameterName(i).c_str(),
                        kParameterTable[i].title, value, display.c_str(), vemoValueForms(i).c_str());
            continue;
        }
        std::printf("%4d  %-24s %.6g%s%s\n", i, host.parameterName(i).c_str(), double(host.getParameter(i)),
                    display.empty() ? "" : "  ", display.c_str());
    }
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void printInfo(PluginHost& host)
{
    const PluginInfo& i = host.info();
    std::printf("File:            %s\n", i.path.c_str());
    std::printf("Name:            %s\n", i.effectName.c_str());
    std::printf("Product:         %s\n", i.productName.c_str());
    std::printf("Vendor:          %s\n", i.vendor.c_str());
    std::printf("Vendor version:  %d\n", i.vendorVersion);
    std::printf("VST version:     %d\n", i.vstVersion);
    std::printf("Unique ID:       %s\n", describeId(i.uniqueID).c_str());
    std::printf("Plug-in version: %d\n", i.version);
    std::printf("Inputs/outputs:  %d in, %d out\n", i.numInputs, i.numOutputs);
    std::printf("Parameters:      %d\n", i.numParams);
    std::printf("Programs:        %d (current: %d)\n", i.numPrograms, host.currentProgram());
    std::printf("Latency:         %d frames\n", i.initialDelay);
    std::string flags;
    const std::pair<int, const char*> known[] = {
        {effFlagsHasEditor, "editor"},          {effFlagsCanReplacing, "processReplacing"},
        {effFlagsProgramChunks, "program chunks"}, {effFlagsIsSynth, "instrument"},
        {effFlagsNoSoundInStop, "no sound in stop"}, {effFlagsCanDoubleReplacing, "double precision"}};
    for (auto [bit, name] : known)
        if (i.flags & bit)
            flags += std::string(flags.empty() ? "" : ", ") + name;
    std::printf("Flags:           0x%X (%s)\n", unsigned(i.flags), flags.c_str());
}

class Progress {
public:
    Progress(bool enabled, double rate) : enabled_(enabled), rate_(rate), start_(Clock::now()) {}

    void operator()(int64_t done, int64_t expected)
    {
        if (!enabled_)
            return;
        Clock::time_point now = Clock::now();
        if (now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        draw(done, expected, now);
    }

    void finish(int64_t done)
    {
        if (!enabled_)
            return;
        draw(done, done, Clock::now());
        std::fputc('\n', stderr);
    }

private:
    using Clock = std::chrono::steady_clock;

    void draw(int64_t done, int64_t expected, Clock::time_point now)
    {
        constexpr int kWidth = 30;
        double fraction = expected > 0 ? std::min(1.0, double(done) / double(expected)) : 1.0;
        int filled = int(fraction * kWidth);
        double seconds = double(done) / rate_;
        double elapsed = std::chrono::duration<double>(now - start_).count();
        std::string bar(size_t(filled), '#');
        bar.resize(kWidth, '-');
        std::fprintf(stderr, "\r  [%s] %7.1f s  %6.0fx real time ", bar.c_str(), seconds,
                     elapsed > 0 ? seconds / elapsed : 0.0);
        std::fflush(stderr);
    }

    bool enabled_;
    double rate_;
    Clock::time_point start_;
    Clock::time_point last_{};
};

int runAudition(const Options& o, SampleFormat format)
{
    if (!o.midiFile.empty() || o.demo || !o.program.empty() || !o.fxp.empty() || !o.sets.empty() ||
        !o.saveFxp.empty() || !o.saveFxb.empty() || !o.output.empty() || o.duration > 0.0 ||
        !o.automations.empty() || !o.channels.empty() || o.drums || o.followProgramChanges || o.gainGiven ||
        o.normalizeGiven || o.mkdir)
        throw UsageError("--audition plays every program by itself; it takes only --plugin, --fxb, --rate, "
                         "--block, --bits and --quiet");
    AuditionOptions options;
    options.pluginPath = o.plugin.empty() ? defaultPluginPath() : o.plugin;
    options.directory = o.audition;
    options.bankFile = o.fxb;
    options.sampleRate = double(o.rate);
    options.blockSize = o.block;
    options.format = format;
    options.keepGoing = [] { return g_interrupted == 0; };
    std::vector<AuditionTake> takes = runAudition(options, [&](const AuditionTake& t) {
        if (o.quiet)
            return;
        if (t.sameAs >= 0)
            std::printf("%4d  %-24s same as %d\n", t.program, t.name.c_str(), t.sameAs);
        else
            std::printf("%4d  %-24s %-5s peak %+6.1f dBFS  rms %+6.1f dBFS  %s\n", t.program, t.name.c_str(),
                        familyName(t.family), t.peakDb, t.rmsDb, t.file.c_str());
        std::fflush(stdout);
    });
    if (!o.quiet)
        std::printf("Wrote %zu takes and %s\n",
                    size_t(std::count_if(takes.begin(), takes.end(), [](const AuditionTake& t) { return t.sameAs < 0; })),
                    (fs::path(o.audition) / "contact-sheet.png").string().c_str());
    return 0;
}

// What of the file plays: channels, drums, program changes.
void printSongChoices(PluginHost& host, const MidiSong& song, const TempoMap& map, const ChannelChoice& channels,
                      bool listGiven, size_t programChangesIgnored)
{
    if (listGiven)
        std::fprintf(stderr, "  channel%s %s (the file has notes on %s)\n", channels.channels.count() == 1 ? "" : "s",
                     describeChannels(channels.channels).c_str(),
                     channels.inFile.any() ? describeChannels(channels.inFile).c_str() : "none");
    if (channels.drumsLeftOut)
        std::fprintf(stderr, "  channel 10 (drums) left out; --drums plays it\n");
    if (channels.withoutNotes.any())
        std::fprintf(stderr, "  note: channel%s %s hold%s no notes in this file\n",
                     channels.withoutNotes.count() == 1 ? "" : "s", describeChannels(channels.withoutNotes).c_str(),
                     channels.withoutNotes.count() == 1 ? "s" : "");
    if (programChangesIgnored > 0)
        std::fprintf(stderr,
                     "  %zu program change%s in the file ignored: the chosen sound plays throughout "
                     "(--follow-program-changes lets them through)\n",
                     programChangesIgnored, programChangesIgnored == 1 ? "" : "s");
    std::vector<ProgramSwitch> switches = programChanges(song);
    if (switches.empty())
        return;
    constexpr size_t kShown = 12;
    std::fprintf(stderr, "  program changes from the file:\n");
    for (size_t i = 0; i < switches.size() && i < kShown; ++i) {
        const ProgramSwitch& p = switches[i];
        std::string name = p.program < host.info().numPrograms
                               ? "'" + host.programName(p.program) + "'"
                               : "(no such program: ignored)";
        std::fprintf(stderr, "    %s  channel %-2d  %3d %s\n", clockTenths(map.secondsAtTick(p.tick)).c_str(),
                     p.channel, p.program, name.c_str());
    }
    if (switches.size() > kShown)
        std::fprintf(stderr, "    ... and %zu more\n", switches.size() - kShown);
}

// Refuses an output path that cannot work, before any rendering.
void checkOutput(const std::string& output, SampleFormat format, bool mayCreateFolder)
{
    fs::path path(output);
    if (fs::is_directory(path))
        throw std::runtime_error(output + ": is a folder; give the audio file's name, e.g. -o " +
                                 (path / "song.wav").string());
    if (!path.has_filename())
        throw std::runtime_error(output + ": ends in a folder name; give the audio file's name, e.g. -o " +
                                 (path / "song.wav").string());
    containerFor(output, format);
    fs::path folder = path.parent_path();
    if (folder.empty())
        return;
    std::error_code error;
    if (!fs::exists(folder, error)) {
        if (!mayCreateFolder)
            throw std::runtime_error(output + ": the folder " + folder.string() +
                                     " does not exist (create it, or add --mkdir)");
    } else if (!fs::is_directory(folder, error)) {
        throw std::runtime_error(output + ": " + folder.string() + " is not a folder");
    }
}

int run(Options o)
{
    SampleFormat format = parseSampleFormat(o.bits);
    // "--normalize song.mid": the option's level is optional, so the file
    // name may have landed there.
    double normalizeDb = -1.0;
    if (o.normalizeGiven && !o.normalize.empty() && !parseDouble(o.normalize, normalizeDb)) {
        if (o.midiFile.empty() && fs::is_regular_file(o.normalize)) {
            o.midiFile = o.normalize;
            normalizeDb = -1.0;
        } else {
            throw UsageError("--normalize " + o.normalize + ": give the peak level in dBFS, e.g. --normalize -1");
        }
    }
    if (o.normalizeGiven && !(normalizeDb >= -60.0 && normalizeDb <= 0.0))
        throw UsageError("--normalize " + o.normalize + ": the peak level goes from -60 to 0 dBFS");
    if (o.normalizeGiven && o.gainGiven)
        throw UsageError("--gain and --normalize both set the level; give one of them");
    if (!o.audition.empty())
        return runAudition(o, format);
    const bool listing = o.info || o.listPrograms || o.listParams;
    const bool saving = !o.saveFxp.empty() || !o.saveFxb.empty();
    const bool useDemo = o.demo || (o.midiFile.empty() && !listing && !saving);
    const bool rendering = useDemo || !o.midiFile.empty();
    if (o.demo && !o.midiFile.empty())
        throw UsageError("give either a MIDI file or --demo, not both");
    if (useDemo && (!o.channels.empty() || o.drums || o.followProgramChanges))
        throw UsageError("--channel, --drums and --follow-program-changes choose what of a MIDI file plays; "
                         "the demo has one part");
    // A sound chosen on the command line: the file's program changes would
    // replace it at their first occurrence.
    const bool ownSound = !o.program.empty() || !o.fxp.empty() || !o.sets.empty();

    std::string output = o.output;
    if (output.empty())
        output = useDemo ? "out/demo.wav" : (fs::path("out") / fs::path(o.midiFile).stem()).string() + ".wav";
    if (rendering) // refuse a bad output before any work; the default folder out/ is made when missing
        checkOutput(output, format, o.output.empty() || o.mkdir);

    std::vector<AutomationRequest> automationRequests;
    for (const std::string& text : o.automations) {
        try {
            automationRequests.push_back(parseAutomation(text));
        } catch (const AutomationError& e) {
            throw UsageError(e.what());
        }
    }

    // Read the song before loading the plug-in: a broken file is reported at once.
    std::optional<MidiSong> song;
    ChannelChoice channels;
    int notesInFile = 0;
    size_t programChangesIgnored = 0;
    if (!o.midiFile.empty()) {
        song = readMidiFile(o.midiFile);
        notesInFile = countNotes(*song);
        try {
            channels = chooseChannels(*song, o.channels, o.drums);
        } catch (const ChannelListError& e) {
            throw UsageError(std::string("--channel ") + e.what());
        }
        if (!channels.channels.all())
            keepChannels(*song, channels.channels);
        if (ownSound && !o.followProgramChanges)
            programChangesIgnored = removeProgramChanges(*song);
    }

    PluginHost host(o.plugin.empty() ? defaultPluginPath() : o.plugin, double(o.rate), o.block);

    if (o.info)
        printInfo(host);

    if (!o.fxb.empty())
        loadPresetFile(host, o.fxb, true);
    std::string chosen;
    if (!o.program.empty()) {
        int index = resolveProgram(host, o.program);
        host.setProgram(index);
        chosen = std::to_string(index) + " '" + host.programName(index) + "'";
    }
    if (!o.fxp.empty()) {
        loadPresetFile(host, o.fxp, false);
        chosen = "'" + o.fxp + "'";
    }
    for (const std::string& s : o.sets)
        applySet(host, s, o.quiet);

    // Lists show the state after the changes above (a loaded bank's names).
    if (o.listPrograms) {
        int current = host.currentProgram();
        for (int i = 0; i < host.info().numPrograms; ++i)
            std::printf("%4d%s %s\n", i, i == current ? "*" : " ", host.programName(i).c_str());
    }
    if (o.listParams)
        listParameters(host);
    if (!o.saveFxp.empty()) {
        savePresetFile(host, o.saveFxp, false);
        if (!o.quiet)
            std::fprintf(stderr, "Saved the current program to %s\n", o.saveFxp.c_str());
    }
    if (!o.saveFxb.empty()) {
        savePresetFile(host, o.saveFxb, true);
        if (!o.quiet)
            std::fprintf(stderr, "Saved the bank to %s\n", o.saveFxb.c_str());
    }
    if (!rendering)
        return 0;

    // The song and the sounds.
    std::vector<DemoSection> sections;
    if (useDemo) {
        // A sound chosen on the command line plays the whole tour; otherwise
        // the tour switches through the bank by name.
        std::vector<std::string> names = ownSound ? std::vector<std::string>{} : programNames(host);
        DemoSong demo = buildDemo([&](const std::string& name) {
            auto it = std::find(names.begin(), names.end(), name);
            return it == names.end() ? -1 : int(it - names.begin());
        });
        song = std::move(demo.song);
        sections = std::move(demo.sections);
    }
    TempoMap map(*song, o.tempo);
    std::vector<TimedMessage> messages = scheduleSong(*song, map, double(o.rate));
    std::vector<ParameterAutomation> automation =
        resolveAutomation(host, automationRequests, o.automations, map, double(o.rate));
    double songSeconds = messages.empty() ? 0.0 : double(messages.back().frame) / o.rate;
    if (songSeconds > kLongestSongSeconds && o.duration <= 0.0)
        throw std::runtime_error(o.midiFile + ": the last event comes at " + clock(songSeconds) +
                         "; vemo-render renders at most 6 hours (use --duration to cut it)");

    if (!o.quiet) {
        if (useDemo) {
            std::fprintf(stderr, "Rendering the demo with %s%s%s\n", host.info().effectName.c_str(),
                         chosen.empty() ? "" : ", program ", chosen.c_str());
            for (const DemoSection& s : sections) {
                double at = map.secondsAtTick(s.startTick);
                if (!chosen.empty())
                    std::fprintf(stderr, "  %s  %s\n", clock(at).c_str(), s.role.c_str());
                else if (s.programIndex >= 0)
                    std::fprintf(stderr, "  %s  %-8s %3d %s\n", clock(at).c_str(), s.role.c_str(), s.programIndex,
                                 s.programName.c_str());
                else
                    std::fprintf(stderr, "  %s  %-8s (no program '%s': the previous sound plays on)\n",
                                 clock(at).c_str(), s.role.c_str(), s.programName.c_str());
            }
        } else {
            const int notes = countNotes(*song);
            std::string of = notes == notesInFile ? "" : " of " + std::to_string(notesInFile);
            std::fprintf(stderr, "Rendering %s (type %d, %d track%s, %d%s notes, %s) with %s%s%s\n",
                         o.midiFile.c_str(), song->format, song->trackCount, song->trackCount == 1 ? "" : "s",
                         notes, of.c_str(), clock(songSeconds).c_str(), host.info().effectName.c_str(),
                         chosen.empty() ? "" : ", program ", chosen.c_str());
            printSongChoices(host, *song, map, channels, !o.channels.empty(), programChangesIgnored);
        }
        for (const ParameterAutomation& a : automation)
            std::fprintf(stderr, "  automation: %s from %s to %s (%zu point%s)\n",
                         host.parameterName(a.index).c_str(), clockTenths(double(a.points.front().frame) / o.rate).c_str(),
                         clockTenths(double(a.points.back().frame) / o.rate).c_str(), a.points.size(),
                         a.points.size() == 1 ? "" : "s");
        if (!useDemo && notesInFile == 0)
            std::fprintf(stderr, "vemo-render: warning: %s holds no notes\n", o.midiFile.c_str());
        else if (!useDemo && countNotes(*song) == 0)
            std::fprintf(stderr, "vemo-render: warning: no notes on the chosen channels\n");
        if (host.info().uniqueID == kVemoUniqueId) {
            // Only what is rendered: --duration may cut the song.
            size_t heard = messages.size();
            if (o.duration > 0.0) {
                const int64_t end = int64_t(std::llround(o.duration * o.rate));
                heard = size_t(std::partition_point(messages.begin(), messages.end(),
                                                    [&](const TimedMessage& m) { return m.frame < end; }) -
                               messages.begin());
            }
            PolyphonyReport voices = analysePolyphony(std::span(messages).first(heard), kVemoVoices);
            if (voices.mostNotes > kVemoVoices)
                std::fprintf(stderr,
                             "vemo-render: warning: up to %d notes sound at once (first at %s), but VEMO has six "
                             "voices: %d note%s cut short%s\n",
                             voices.mostNotes, clockTenths(double(voices.mostAtFrame) / o.rate).c_str(),
                             voices.cutShort, voices.cutShort == 1 ? " is" : "s are",
                             useDemo ? "" : " (--channel picks fewer parts)");
        }
    }

    RenderOptions options;
    options.blockSize = o.block;
    options.tailSeconds = o.tail;
    options.durationSeconds = o.duration;
    options.measurePlugin = o.stats;
    options.gain = o.gainGiven ? float(std::pow(10.0, o.gainDb / 20.0)) : 1.0f;
    options.automation = automation;

    AudioFileSink sink(output, o.rate, format, o.block);
    // Normalising needs the peak of the whole render before the first
    // sample is written: the render goes to a spool first.
    std::optional<FloatSpool> spool;
    if (o.normalizeGiven)
        spool.emplace(fs::path(output).parent_path().string());
    Progress progress(!o.quiet && isatty(STDERR_FILENO), double(o.rate));
    auto wallStart = std::chrono::steady_clock::now();
    RenderResult result = renderSong(host, messages, &map, options, spool ? static_cast<AudioSink&>(*spool) : sink,
                                     [&](int64_t done, int64_t expected) {
                                         progress(done, expected);
                                         return g_interrupted == 0;
                                     });
    progress.finish(result.frames);
    if (result.stopped)
        throw Interrupted();
    double normalizedBy = 0.0;
    if (spool) {
        float gain = 1.0f;
        // Below the level the tail counts as silence there is only the
        // plug-in's noise floor, which no one wants raised to full scale.
        if (result.peak >= options.silenceLevel) {
            gain = float(std::pow(10.0, normalizeDb / 20.0) / double(result.peak));
            normalizedBy = 20.0 * std::log10(double(gain));
        } else if (!o.quiet) {
            std::fprintf(stderr, "vemo-render: note: the render is silent (peak below -90 dBFS); it is not "
                                 "normalised\n");
        }
        spool->replay(sink, gain);
        spool.reset();
        result.peak *= gain;
        result.overFullScale = 0; // the peak is now at most 0 dBFS
    }
    sink.finish();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    double seconds = double(result.frames) / o.rate;
    if (!o.quiet) {
        if (result.nonFinite > 0)
            std::fprintf(stderr, "vemo-render: warning: the plug-in produced %lld samples that were not numbers; "
                                 "they were written as silence\n", (long long)result.nonFinite);
        if (result.overFullScale > 0 && format != SampleFormat::Float32) {
            const double peakDb = 20.0 * std::log10(double(result.peak));
            // A gain that leaves a decibel of room under full scale.
            const double suggested = (o.gainGiven ? o.gainDb : 0.0) - std::ceil((peakDb + 1.0) * 10.0) / 10.0;
            std::fprintf(stderr, "vemo-render: warning: %lld samples were above full scale and were clipped "
                                 "(peak %+.1f dBFS); --gain %.1f or --normalize brings the sound under full scale, "
                                 "--bits 32f keeps them\n",
                         (long long)result.overFullScale, peakDb, suggested);
        }
        if (result.tailHitLimit)
            std::fprintf(stderr, "note: the sound was still ringing after the %.1f s tail limit (--tail)\n", o.tail);
        const char* type = fs::path(output).extension() == ".flac" ? "FLAC"
                           : lower(fs::path(output).extension().string()).starts_with(".aif") ? "AIFF" : "WAV";
        char level[48] = "";
        if (o.normalizeGiven && normalizedBy != 0.0)
            std::snprintf(level, sizeof level, ", normalised by %+.1f dB", normalizedBy);
        else if (o.gainGiven)
            std::snprintf(level, sizeof level, " with %+.1f dB gain", o.gainDb);
        std::printf("Wrote %s (%s, %d Hz, %s %s, peak %.1f dBFS%s), %.0fx real time\n", output.c_str(),
                    clock(seconds).c_str(), o.rate, o.bits == "16" ? "16-bit" : o.bits == "24" ? "24-bit" : "32-bit float",
                    type, result.peak > 0 ? 20.0 * std::log10(double(result.peak)) : -INFINITY, level,
                    wall > 0 ? seconds / wall : 0.0);
    }
    if (o.stats) {
        double cpu = processCpuSeconds();
        std::fprintf(stderr,
                     "CPU: whole run %.3f s, inside the plug-in %.3f s, host overhead %.2f%% "
                     "(%.1f s of audio)\n",
                     cpu, result.pluginSeconds,
                     result.pluginSeconds > 0 ? 100.0 * (cpu - result.pluginSeconds) / result.pluginSeconds : 0.0,
                     seconds);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    CLI::App app{"vemo-render: plays a MIDI file through a VST 2.x instrument (VEMO by default) and writes\n"
                 "the sound to an audio file. With no MIDI file it plays a built-in tour of the factory\n"
                 "sounds to out/demo.wav.",
                 "vemo-render"};
    app.get_formatter()->column_width(34);
    app.add_option("midi-file", o.midiFile, "Standard MIDI file (type 0 or 1) to render")
        ->check(CLI::ExistingFile.description(""))
        ->type_name("FILE");
    app.add_option("-o,--output", o.output,
                   "Audio file to write; .wav, .flac, .aif or .aiff (default: out/<midi-file name>.wav, "
                   "or out/demo.wav)")
        ->type_name("FILE");
    app.add_option("-p,--plugin", o.plugin, "VST 2.x instrument module (default: vemo.so next to vemo-render)")
        ->type_name("FILE");
    app.add_option("--program", o.program,
                   "Sound to play: a program number from --list-programs, or (part of) its name. With --program, "
                   "--fxp or --set the file's program changes are ignored")
        ->type_name("N|NAME");
    app.add_option("--set", o.sets,
                   "Set one parameter after the program is chosen: NAME=VALUE or INDEX=VALUE, values 0..1 "
                   "(VEMO's menus LFO1WAVEFORM 0..4 and LFO1CLOCK 0..12); VEMO's parameters also take their "
                   "shown form, e.g. LFO1WAVEFORM=saw, CUTOFF=1.2kHz, AMPRELEASE=300ms (repeatable; see --list-params)")
        ->type_name("NAME=VALUE");
    app.add_flag("--follow-program-changes", o.followProgramChanges,
                 "Let the file's program changes switch the sound even with --program, --fxp or --set");
    app.add_option("--channel", o.channels,
                   "Play only these MIDI channels (1-16), e.g. 1 or 1,2,5 or 1-4; without it every channel "
                   "plays except drums on 10 when other channels have notes")
        ->type_name("LIST");
    app.add_flag("--drums", o.drums, "Play channel 10 (General MIDI drums) too");
    app.add_option("--automate", o.automations,
                   "Ramp a parameter linearly through points: NAME=T:V[,T:V...], T in seconds (12.5) or "
                   "bar:beat (5:1), V as for --set; values are sent every 32 frames on a ramp and exactly at "
                   "each point (repeatable)")
        ->type_name("NAME=T:V,...");
    app.add_option("--gain", o.gainDb, "Scale the output by this many decibels")
        ->check(CLI::Range(-96.0, 48.0))
        ->type_name("DB");
    app.add_option("--normalize", o.normalize,
                   "After the render, scale the whole file so that its peak is at this level (default -1 dBFS)")
        ->expected(0, 1)
        ->type_name("[DBFS]");
    app.add_flag("--mkdir", o.mkdir, "Create the output's folder when it does not exist");
    app.add_option("--fxp", o.fxp, "Load a program preset (.fxp) into the current program")
        ->check(CLI::ExistingFile.description(""))
        ->type_name("FILE");
    app.add_option("--fxb", o.fxb, "Load a bank preset (.fxb) before anything else")
        ->check(CLI::ExistingFile.description(""))
        ->type_name("FILE");
    app.add_option("--save-fxp", o.saveFxp, "Save the current program as an .fxp preset")->type_name("FILE");
    app.add_option("--save-fxb", o.saveFxb, "Save the whole bank as an .fxb preset")->type_name("FILE");
    app.add_option("--rate", o.rate, "Sample rate in Hz")->check(CLI::Range(8000, 384000))->capture_default_str();
    app.add_option("--block", o.block, "Frames per processing block")->check(CLI::Range(1, 8192))->capture_default_str();
    app.add_option("--bits", o.bits, "Sample format: 16, 24 or 32f (32-bit float, also written 32)")
        ->check(CLI::IsMember({"16", "24", "32f", "32"}))
        ->capture_default_str();
    app.add_option("--tail", o.tail,
                   "Longest tail in seconds after the last MIDI event; rendering stops earlier once the "
                   "sound stays below -90 dBFS for 0.5 s")
        ->check(CLI::Range(0.0, 600.0))
        ->capture_default_str();
    app.add_option("--duration", o.duration, "Render exactly this many seconds (no tail detection)")
        ->check(CLI::Range(0.001, 6 * 3600.0));
    app.add_option("--tempo", o.tempo, "Tempo in BPM for a MIDI file that sets none")
        ->check(CLI::Range(10.0, 1000.0))
        ->capture_default_str();
    app.add_option("--audition", o.audition,
                   "Play every program a short phrase suited to its kind into this folder, one audio file each, "
                   "plus contact-sheet.png with a spectrogram and level curve per program")
        ->type_name("DIR");
    app.add_flag("--demo", o.demo, "Render the built-in demo (what happens when no MIDI file is given)");
    app.add_flag("--info", o.info, "Show the plug-in's name, vendor, version, ID, inputs/outputs and flags");
    app.add_flag("--list-programs", o.listPrograms, "List the programs (sounds) with their numbers");
    app.add_flag("--list-params", o.listParams,
                 "List the parameters: index, name, current value, the value with its unit, and what --set takes");
    app.add_flag("-q,--quiet", o.quiet, "Print nothing but errors");
    app.add_flag("--stats", o.stats, "Measure the CPU time spent in the plug-in and in the host");
    app.set_version_flag("--version", "vemo-render 1.0");
    app.footer(
        "Listing and saving (--info, --list-*, --save-*) do not render unless a MIDI file or --demo is given.\n"
        "Order of changes: --fxb, then --program, then --fxp, then each --set; --automate during the render.\n"
        "A MIDI-learn binding of controller 64 in the program wins over the sustain pedal.\n\n"
        "Examples:\n"
        "  vemo-render                                   render the demo to out/demo.wav\n"
        "  vemo-render song.mid --program \"Warm Pad\"     song.mid with the Warm Pad sound -> out/song.wav\n"
        "  vemo-render song.mid --program 5 -o arp.flac --bits 16\n"
        "  vemo-render song.mid --fxp lead.fxp --set CUTOFF=0.35 --set RESONANCE=0.6\n"
        "  vemo-render song.mid --program \"Warm Pad\" --channel 2 --automate CUTOFF=1:1:0.1,9:1:0.8 --normalize\n"
        "  vemo-render song.mid --set CUTOFF=800Hz --set LFO1WAVEFORM=tri --set PULSE=on\n"
        "  vemo-render --list-programs\n"
        "  vemo-render --program \"Funky Bass\" --set CUTOFF=0.2 --save-fxp mybass.fxp\n"
        "  vemo-render --audition out/bank                 every program, and a contact sheet\n\n"
        "Exit status: 0 on success, 1 on an error, 2 for a wrong command line, 130 when interrupted.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    o.gainGiven = app.count("--gain") > 0;
    o.normalizeGiven = app.count("--normalize") > 0;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    try {
        return run(o);
    } catch (const AuditionStopped&) {
        std::cerr << "vemo-render: interrupted; the audition is incomplete\n";
        return 130;
    } catch (const Interrupted&) {
        std::cerr << "vemo-render: interrupted; no file was written\n";
        return 130;
    } catch (const UsageError& e) {
        std::cerr << "vemo-render: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "vemo-render: error: " << e.what() << "\n";
        return 1;
    }
}
