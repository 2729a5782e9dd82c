// The CLAP face of the instrument: the plug-in record, its extensions
// (audio-ports, note-ports, params, state) and the host's events translated
// into the core's calls (core/Instrument.h), and the core's news (a MIDI
// program change, a learned controller) back into output parameter events.
//
// Threads, as CLAP assigns them: create, init, destroy, activate,
// deactivate, the port and parameter queries, value/text conversion and
// state on the host's main thread; start/stop_processing, reset and process
// on its audio thread; flush on the audio thread while active, else on the
// main thread. Nothing on the audio thread allocates or locks: changes made
// on the main thread (the editor, a program chosen there) reach the audio
// thread as per-parameter atomic flags.
#pragma once

#include "clap/ClapAbi.h"
#include "core/Instrument.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace vemo::clapface {

class ClapEditor;

// Never changes: sessions and preset files refer to the plug-in by it. A
// reverse-domain name of the maker, which needs no web address to exist.
inline constexpr char kPluginId[] = "com.kestrune.vemo";

// The state stream: this header, then the bank chunk (kBankChunkBytes of
// program records, core/ProgramRecord.h), all little-endian.
struct StateHeader {
    char magic[4];        // "VEMO"
    uint32_t version;     // kStateVersion
    int32_t program;      // current program, 0..119
    uint32_t bankBytes;   // kBankChunkBytes
};
static_assert(sizeof(StateHeader) == 16);
inline constexpr uint32_t kStateVersion = 1;

const clap::clap_plugin_descriptor& descriptor();

class ClapPlugin final : private InstrumentListener {
public:
    // Null when the host record is unusable.
    static const clap::clap_plugin* create(const clap::clap_host* host);

    const clap::clap_plugin* record() const { return &plugin; }
    Instrument& instrument() { return core; }
    ~ClapPlugin();

    // The editor: made on the gui extension's first create and kept until
    // the plug-in goes (main thread); openEditor() is null before that.
    ClapEditor* editorFor();
    ClapEditor* openEditor() const { return editorShown.load(std::memory_order_acquire); }

    // The host's extensions, looked up in init (main thread).
    bool init();
    bool activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
    void deactivate();
    void reset();
    clap::clap_process_status process(const clap::clap_process& process);
    void onMainThread();

    // params
    bool paramInfo(uint32_t index, clap::clap_param_info& info) const;
    bool paramValue(clap::clap_id id, double& value) const;
    bool valueToText(clap::clap_id id, double value, char* display, uint32_t size) const;
    bool textToValue(clap::clap_id id, const char* display, double& value) const;
    void flush(const clap::clap_input_events* in, const clap::clap_output_events* out);

    // preset-load: a factory sound by its discovery load key (main thread).
    bool loadPreset(uint32_t kind, const char* location, const char* key);

    // state: main thread; a damaged or foreign stream changes nothing.
    bool save(const clap::clap_ostream& stream);
    bool load(const clap::clap_istream& stream);

    // A change the user made outside the audio path (the editor, main
    // thread): the host hears of it at the next process or flush.
    void reportUserChange(int32_t index, bool beginGesture, bool endGesture);

private:
    explicit ClapPlugin(const clap::clap_host* host);

    void parameterChanged(int32_t index, float value, Origin origin) override;
    void programChangedByMidi(int32_t program) override;
    bool hostTempo(double& bpm) override;

    bool calledOnMainThread() const;
    // One input event at `offset` frames into what is left of the block.
    void takeEvent(const clap::clap_event_header& event, int64_t offset);
    // Output events for every flagged parameter, at `time` (audio thread,
    // or main thread in a flush while inactive).
    void emitPending(const clap::clap_output_events* out, uint32_t time);

    enum : uint8_t { kSendValue = 1, kSendBegin = 2, kSendEnd = 4 };

    clap::clap_plugin plugin{};
    const clap::clap_host* host;
    const clap::clap_host_params* hostParams = nullptr;
    const clap::clap_host_state* hostState = nullptr;
    const clap::clap_host_thread_check* threadCheck = nullptr;
    const clap::clap_host_preset_load* hostPresets = nullptr;

    Instrument core;
    std::atomic<uint8_t> pending[kNumParameters] = {};
    std::atomic<bool> programChanged{false}; // a MIDI program change: the session is dirty
    double tempo = 0.0;                      // bpm of the latest transport (audio thread)
    bool tempoKnown = false;
    // After the core: the editor goes first. editorShown lets the audio
    // thread reach it without a lock; it is set once and never cleared
    // while the plug-in lives.
    std::unique_ptr<ClapEditor> editor;
    std::atomic<ClapEditor*> editorShown{nullptr};
};

} // namespace vemo::clapface
