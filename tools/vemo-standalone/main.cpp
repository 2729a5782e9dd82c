// vemo-standalone: VEMO as an instrument of its own on JACK, without a DAW.
// The plug-in module is loaded through its VST 2.x entry point, exactly as a
// host loads it, and played from JACK MIDI and the ALSA sequencer into two
// JACK outputs; its editor gets a window of its own; the bank is kept
// between sessions.
//
// Threads: this file's loop is the UI thread (editor, idle calls, program
// watch, saving, JACK reconnection); JACK's process thread plays; the ALSA
// reader thread only fills the MIDI ring.
#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/NameLookup.h"
#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/PresetFile.h"
#include "tools/vemo-standalone/AlsaMidiInput.h"
#include "tools/vemo-standalone/BankStore.h"
#include "tools/vemo-standalone/EditorWindow.h"
#include "tools/vemo-standalone/JackAudio.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <poll.h>

namespace fs = std::filesystem;
using namespace vemo::render;
using namespace vemo::standalone;

namespace {

using Clock = std::chrono::steady_clock;

// The editor wants its idle calls 15 to 50 times a second.
constexpr auto kIdleInterval = std::chrono::milliseconds(25);
// Edits that come without a program change are kept this often.
constexpr auto kAutosaveInterval = std::chrono::seconds(10);
constexpr auto kReconnectInterval = std::chrono::milliseconds(500);

volatile std::sig_atomic_t g_quit = 0;

extern "C" void onQuitSignal(int) { g_quit = 1; }

struct Options {
    std::string plugin;
    std::string bank;
    std::string program;
    std::string midiConnect;
    std::string name = "vemo";
    int channel = 0; // 0: every channel
    double scale = 0.0; // the editor's size; 0: the user's choice or the desktop's
    bool noGui = false;
    bool noConnect = false;
    bool listPrograms = false;
    bool quiet = false;
};

// vemo.so beside the program (the build tree, or a folder it was copied to
// with its module), else where plug-ins are installed.
std::string defaultPluginPath()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    std::vector<fs::path> candidates;
    if (!error) {
        candidates.push_back(self.parent_path() / "vemo.so");
        candidates.push_back(self.parent_path().parent_path() / "lib" / "vst" / "vemo.so");
    }
    if (const char* home = std::getenv("HOME"))
        candidates.push_back(fs::path(home) / ".vst" / "vemo.so");
    candidates.push_back("/usr/local/lib/vst/vemo.so");
    candidates.push_back("/usr/lib/vst/vemo.so");
    for (const fs::path& p : candidates)
        if (fs::exists(p, error))
            return p.string();
    return candidates.front().string();
}

void note(const std::string& text) { std::cerr << "vemo-standalone: " << text << "\n"; }

std::string describeProgram(PluginHost& host)
{
    return std::to_string(host.currentProgram()) + " '" + host.currentProgramName() + "'";
}

void installSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Where the bank came from and where it goes.
struct BankPlan {
    std::string source = "the factory bank";
    bool saving = false;
};

BankPlan loadStartBank(PluginHost& host, const Options& o, BankStore& store)
{
    BankPlan plan;
    plan.saving = !store.path().empty();
    if (!plan.saving)
        note("warning: no home folder (HOME is not set): the bank will not be kept");
    if (!o.bank.empty()) {
        // Asked for by name: a file that cannot be played is an error, and
        // the saved bank stays as it is.
        loadBank(host, o.bank);
        plan.source = o.bank;
    } else if (plan.saving && fs::exists(store.path())) {
        try {
            loadBank(host, store.path());
            store.remember(readFileBytes(store.path(), kMaxPresetFileBytes));
            plan.source = store.path();
        } catch (const std::exception& e) {
            // The damaged file is kept for the user to look at or repair;
            // saving over it would destroy what may still be rescued.
            note(std::string("warning: ") + e.what());
            note("warning: playing the factory bank; " + store.path() +
                 " is left as it is, and this session's changes will not be saved");
            plan.saving = false;
        }
    }
    if (!o.program.empty())
        host.setProgram(resolveProgram(host, o.program));
    return plan;
}

void saveBank(PluginHost& host, BankStore& store, const BankPlan& plan)
{
    if (!plan.saving)
        return;
    try {
        store.save(host);
    } catch (const std::exception& e) {
        note(std::string("warning: ") + e.what());
    }
}

int listPrograms(const Options& o)
{
    PluginHost host(o.plugin.empty() ? defaultPluginPath() : o.plugin, 48000.0, 512);
    BankStore store(defaultBankPath(host.info().uniqueID));
    loadStartBank(host, o, store);
    const int current = host.currentProgram();
    for (int i = 0; i < host.info().numPrograms; ++i)
        std::printf("%4d%s %s\n", i, i == current ? "*" : " ", host.programName(i).c_str());
    return 0;
}

// Connects --midi-connect on both MIDI inputs; a note when neither has it.
void connectMidi(const Options& o, JackAudio& jack, AlsaMidiInput* alsa)
{
    if (o.midiConnect.empty())
        return;
    int connected = jack.connectMidiFrom(o.midiConnect);
    std::string alsaError;
    if (alsa && alsa->connectFrom(o.midiConnect, alsaError))
        ++connected;
    if (connected == 0)
        note("warning: no MIDI source called '" + o.midiConnect + "' (neither a JACK MIDI port nor " +
             (alsa ? "an ALSA sequencer client" : "ALSA: this machine has no sequencer") + ")");
}

int run(const Options& o)
{
    if (o.listPrograms)
        return listPrograms(o);
    installSignalHandlers();

    MidiRing alsaRing;
    const uint16_t channelMask = o.channel == 0 ? uint16_t(0xFFFF) : uint16_t(1u << (o.channel - 1));
    JackAudio jack(alsaRing, channelMask);
    std::string error;
    if (!jack.open(o.name, true, error))
        throw std::runtime_error("JACK: " + error);

    PluginHost host(o.plugin.empty() ? defaultPluginPath() : o.plugin, double(jack.sampleRate()),
                    int(jack.bufferSize()));
    // However run() ends, the audio stops before the plug-in goes.
    struct StopAudio {
        JackAudio& jack;
        ~StopAudio() { jack.close(); }
    } stopAudio{jack};
    BankStore store(defaultBankPath(host.info().uniqueID));
    const BankPlan plan = loadStartBank(host, o, store);

    std::unique_ptr<AlsaMidiInput> alsa;
    if (AlsaMidiInput::available()) {
        alsa = std::make_unique<AlsaMidiInput>(alsaRing);
        if (!alsa->start(o.name, error)) {
            note("warning: " + error + "; JACK MIDI only");
            alsa.reset();
        }
    }

    host.resume();
    for (const std::string& n : jack.start(host, !o.noConnect))
        note("warning: " + n);
    connectMidi(o, jack, alsa.get());

    std::unique_ptr<EditorWindow> editor;
    if (!o.noGui) {
        try {
            editor = std::make_unique<EditorWindow>(host, o.scale);
        } catch (const std::exception& e) {
            note(std::string("warning: ") + e.what() + "; playing without the editor (--no-gui)");
        }
    }

    if (!o.quiet) {
        const double ms = 1000.0 * double(jack.bufferSize()) / double(jack.sampleRate());
        std::printf("VEMO plays on JACK as '%s' at %u Hz, %u frames (%.1f ms)\n", jack.clientName().c_str(),
                    jack.sampleRate(), jack.bufferSize(), ms);
        std::printf("MIDI in: %s:midi_in%s%s\n", jack.clientName().c_str(), alsa ? ", ALSA sequencer " : "",
                    alsa ? alsa->address().c_str() : "");
        std::printf("Program %s, from %s\n", describeProgram(host).c_str(), plan.source.c_str());
        if (plan.saving)
            std::printf("The bank is kept in %s\n", store.path().c_str());
        std::printf("%s\n", editor ? "Close the window or press Ctrl-C to quit." : "Press Ctrl-C to quit.");
        std::fflush(stdout);
    }

    int program = host.currentProgram();
    Clock::time_point lastIdle{}, lastSave = Clock::now(), nextReconnect{};
    while (!g_quit) {
        pollfd wait{editor ? editor->fd() : -1, POLLIN, 0};
        poll(&wait, editor ? 1 : 0, 10);
        const Clock::time_point now = Clock::now();
        if (editor) {
            if (!editor->handleEvents())
                break;
            if (now - lastIdle >= kIdleInterval) {
                editor->idle();
                lastIdle = now;
            }
        }

        if (jack.isOpen() && jack.serverGone()) {
            jack.close();
            note("the JACK server stopped; waiting for it to come back");
            nextReconnect = now;
        }
        if (!jack.isOpen() && now >= nextReconnect) {
            nextReconnect = now + kReconnectInterval;
            if (jack.open(o.name, false, error)) {
                for (const std::string& n : jack.start(host, !o.noConnect))
                    note("warning: " + n);
                connectMidi(o, jack, alsa.get());
                if (!o.quiet)
                    note("JACK is back: " + std::to_string(jack.sampleRate()) + " Hz, " +
                         std::to_string(jack.bufferSize()) + " frames");
            }
        }
        if (jack.isOpen() && jack.applyPendingChanges() && !o.quiet)
            note("JACK now runs at " + std::to_string(jack.sampleRate()) + " Hz, " +
                 std::to_string(jack.bufferSize()) + " frames");

        // A program change (from MIDI or the editor) is kept at once.
        const int current = host.currentProgram();
        if (current != program) {
            program = current;
            saveBank(host, store, plan);
            lastSave = now;
            if (!o.quiet) {
                std::printf("Program %s\n", describeProgram(host).c_str());
                std::fflush(stdout);
            }
        } else if (now - lastSave >= kAutosaveInterval) {
            saveBank(host, store, plan);
            lastSave = now;
        }
        if (editor)
            editor->setTitle("VEMO - " + host.currentProgramName());
    }

    // The audio stops first, so that what is saved is the final bank.
    jack.close();
    if (alsa)
        alsa->stop();
    editor.reset();
    host.suspend();
    saveBank(host, store, plan);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    CLI::App app{"vemo-standalone: plays VEMO as an instrument of its own on JACK: MIDI from JACK and the\n"
                 "ALSA sequencer, two audio outputs, the editor in a window, and the bank kept from one\n"
                 "session to the next.",
                 "vemo-standalone"};
    app.get_formatter()->column_width(34);
    app.add_option("-p,--plugin", o.plugin,
                   "VEMO's module (default: vemo.so next to vemo-standalone, else ../lib/vst, ~/.vst, "
                   "/usr/local/lib/vst, /usr/lib/vst)")
        ->type_name("FILE");
    app.add_option("--bank", o.bank, "Start from this bank (.fxb) instead of the kept one")
        ->check(CLI::ExistingFile.description(""))
        ->type_name("FILE");
    app.add_option("--program", o.program, "Start with this program: its number, or (part of) its name")
        ->type_name("N|NAME");
    app.add_option("--scale", o.scale, "Draw the editor at this size, 1 to 3 (default: the size chosen in its menu, else the desktop's)")
        ->check(CLI::Range(1.0, 3.0))
        ->type_name("S");
    app.add_flag("--no-gui", o.noGui, "Run without the editor window (headless; Ctrl-C or SIGTERM quits)");
    app.add_flag("--no-connect", o.noConnect, "Leave the outputs unconnected (default: the system playback ports)");
    app.add_option("--midi-connect", o.midiConnect,
                   "Connect this MIDI source: an ALSA sequencer client (name, part of it, or client:port) "
                   "and JACK MIDI outputs whose name contains it")
        ->type_name("NAME");
    app.add_option("--channel", o.channel, "Play only this MIDI channel, 1 to 16 (default: all)")
        ->check(CLI::Range(1, 16).description(""))
        ->type_name("N");
    app.add_option("--name", o.name, "JACK and ALSA client name")->type_name("NAME")->capture_default_str();
    app.add_flag("--list-programs", o.listPrograms, "List the programs of the bank it would start with, and quit");
    app.add_flag("-q,--quiet", o.quiet, "Print nothing but warnings and errors");
    app.set_version_flag("--version", "vemo-standalone 1.0");
    app.footer(
        "The bank (every program with its name and MIDI learn bindings) is saved on quit, on every\n"
        "program change and every 10 s after edits, to $XDG_CONFIG_HOME/vemo/bank.fxb (default\n"
        "~/.config/vemo/bank.fxb), and loaded on start. A damaged file is left alone: the factory bank\n"
        "plays instead and nothing is saved over it. --bank and --program choose another start; what\n"
        "is played is still kept in the usual place.\n"
        "JACK: the server's rate and buffer size, followed when they change; if the server stops,\n"
        "vemo-standalone waits for it and reconnects. ALSA MIDI plays one JACK period after it\n"
        "arrives (5.3 ms at 48 kHz, 256 frames), keeping its timing.\n\n"
        "Examples:\n"
        "  vemo-standalone                                   the editor, the kept bank, system playback\n"
        "  vemo-standalone --midi-connect \"Keystation\"       with a USB keyboard (ALSA or JACK MIDI)\n"
        "  vemo-standalone --no-gui --program \"Warm Pad\"     headless, e.g. a Raspberry Pi in a rack\n"
        "  vemo-standalone --bank live.fxb --program 12\n\n"
        "Exit status: 0 on success, 1 on an error, 2 for a wrong command line.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    try {
        return run(o);
    } catch (const UsageError& e) {
        note(e.what());
        return 2;
    } catch (const std::exception& e) {
        note(std::string("error: ") + e.what());
        return 1;
    }
}
