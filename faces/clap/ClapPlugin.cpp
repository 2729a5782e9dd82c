#include "faces/clap/ClapPlugin.h"

#include "faces/clap/ClapEditor.h"
#include "faces/clap/ClapPresets.h"

#include "core/FactoryBank.h"
#include "engine/ParameterDisplay.h"
#include "engine/ParameterEntry.h"
#include "voice/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace vemo::clapface {

using namespace clap;

namespace {

const char* const kFeatures[] = {"instrument", "synthesizer", "stereo", nullptr};

const clap_plugin_descriptor kDescriptor = {
    kVersion, kPluginId, "VEMO", "Kestrune", "", "", "", "1.0.0",
    "Six-voice virtual-analog synthesizer", kFeatures};

ClapPlugin* self(const clap_plugin* p) { return p != nullptr ? static_cast<ClapPlugin*>(p->plugin_data) : nullptr; }

// The panel's sections, as the host's parameter tree: index -> module path,
// named as the panel labels them, so the host's list reads like the editor.
const char* modulePath(int32_t index)
{
    switch (index) {
    case kParamEnvVelocity:
        return "Velocity";
    case kParamSharedFilter:
        return "VCF";
    case kParamChorus1: case kParamChorus2:
        return "Chorus";
    case kParamLfoRate: case kParamLfoDelay: case kParamLfoTrigger: case kParamLfoWaveform: case kParamLfoClock:
        return "LFO";
    case kParamOscLfo: case kParamPwIntensity: case kParamPwMode: case kParamManualPw: case kParamPulse:
    case kParamSaw: case kParamSubOsc: case kParamSubOscVolume: case kParamNoiseVolume:
        return "Oscillators";
    case kParamModDco: case kParamModVcf:
        return "Bender";
    case kParamMasterPitch: case kParamVolume: case kParamTranspose: case kParamLearnProgram: case kParamLearnAll:
        return "Master";
    case kParamHpCutoff: case kParamCutoff: case kParamResonance: case kParamContourBias: case kParamContour:
    case kParamFilterLfo: case kParamKeyFollow:
        return "Filter";
    case kParamEnvGate: case kParamEnvVolume: case kParamAttack: case kParamDecay: case kParamSustain:
    case kParamRelease:
        return "Amplifier";
    case kParamCutoffSmooth:
        return "Hidden"; // kept with the sound, no control on the panel
    default:
        return "Unused"; // stored and saved, read by nothing
    }
}

void copyText(char* target, uint32_t size, const char* text)
{
    if (size == 0)
        return;
    std::snprintf(target, size, "%s", text);
}

// ------------------------------------------------------------- trampolines
// Each checks the record it is given before reaching the plug-in.

bool pluginInit(const clap_plugin* p) { return self(p) != nullptr && self(p)->init(); }
void pluginDestroy(const clap_plugin* p) { delete self(p); }
bool pluginActivate(const clap_plugin* p, double rate, uint32_t minFrames, uint32_t maxFrames)
{
    return self(p) != nullptr && self(p)->activate(rate, minFrames, maxFrames);
}
void pluginDeactivate(const clap_plugin* p)
{
    if (self(p) != nullptr)
        self(p)->deactivate();
}
bool pluginStartProcessing(const clap_plugin* p) { return self(p) != nullptr; }
void pluginStopProcessing(const clap_plugin* p)
{
    if (self(p) != nullptr)
        self(p)->instrument().requestPedalReset();
}
void pluginReset(const clap_plugin* p)
{
    if (self(p) != nullptr)
        self(p)->reset();
}
clap_process_status pluginProcess(const clap_plugin* p, const clap_process* process)
{
    return self(p) != nullptr && process != nullptr ? self(p)->process(*process) : CLAP_PROCESS_ERROR;
}
void pluginOnMainThread(const clap_plugin* p)
{
    if (self(p) != nullptr)
        self(p)->onMainThread();
}

uint32_t audioPortCount(const clap_plugin*, bool isInput) { return isInput ? 0 : 1; }
bool audioPortGet(const clap_plugin*, uint32_t index, bool isInput, clap_audio_port_info* info)
{
    if (isInput || index != 0 || info == nullptr)
        return false;
    *info = {};
    info->id = 0;
    copyText(info->name, kNameSize, "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = kPortStereo;
    info->in_place_pair = kInvalidId;
    return true;
}
const clap_plugin_audio_ports kAudioPorts = {audioPortCount, audioPortGet};

uint32_t notePortCount(const clap_plugin*, bool isInput) { return isInput ? 1 : 0; }
bool notePortGet(const clap_plugin*, uint32_t index, bool isInput, clap_note_port_info* info)
{
    if (!isInput || index != 0 || info == nullptr)
        return false;
    *info = {};
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
    // A classic MIDI synthesizer: program changes, learned controllers, the
    // pedal and bend exist only as MIDI, so hosts are asked for MIDI.
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    copyText(info->name, kNameSize, "MIDI in");
    return true;
}
const clap_plugin_note_ports kNotePorts = {notePortCount, notePortGet};

uint32_t paramCount(const clap_plugin*) { return kNumParameters; }
bool paramGetInfo(const clap_plugin* p, uint32_t index, clap_param_info* info)
{
    return self(p) != nullptr && info != nullptr && self(p)->paramInfo(index, *info);
}
bool paramGetValue(const clap_plugin* p, clap_id id, double* value)
{
    return self(p) != nullptr && value != nullptr && self(p)->paramValue(id, *value);
}
bool paramValueToText(const clap_plugin* p, clap_id id, double value, char* display, uint32_t size)
{
    return self(p) != nullptr && display != nullptr && self(p)->valueToText(id, value, display, size);
}
bool paramTextToValue(const clap_plugin* p, clap_id id, const char* display, double* value)
{
    return self(p) != nullptr && display != nullptr && value != nullptr && self(p)->textToValue(id, display, *value);
}
void paramFlush(const clap_plugin* p, const clap_input_events* in, const clap_output_events* out)
{
    if (self(p) != nullptr)
        self(p)->flush(in, out);
}
const clap_plugin_params kParams = {paramCount, paramGetInfo, paramGetValue, paramValueToText, paramTextToValue,
                                    paramFlush};

bool stateSave(const clap_plugin* p, const clap_ostream* stream)
{
    return self(p) != nullptr && stream != nullptr && stream->write != nullptr && self(p)->save(*stream);
}
bool stateLoad(const clap_plugin* p, const clap_istream* stream)
{
    return self(p) != nullptr && stream != nullptr && stream->read != nullptr && self(p)->load(*stream);
}
const clap_plugin_state kState = {stateSave, stateLoad};

bool presetFromLocation(const clap_plugin* p, uint32_t kind, const char* location, const char* key)
{
    return self(p) != nullptr && self(p)->loadPreset(kind, location, key);
}
const clap_plugin_preset_load kPresetLoad = {presetFromLocation};

const void* pluginGetExtension(const clap_plugin*, const char* id)
{
    if (id == nullptr)
        return nullptr;
    if (std::strcmp(id, kExtAudioPorts) == 0)
        return &kAudioPorts;
    if (std::strcmp(id, kExtNotePorts) == 0)
        return &kNotePorts;
    if (std::strcmp(id, kExtParams) == 0)
        return &kParams;
    if (std::strcmp(id, kExtState) == 0)
        return &kState;
    if (std::strcmp(id, kExtPresetLoad) == 0 || std::strcmp(id, kExtPresetLoadCompat) == 0)
        return &kPresetLoad;
    if (std::strcmp(id, kExtGui) == 0)
        return ClapEditor::guiExtension();
    if (std::strcmp(id, kExtTimerSupport) == 0)
        return ClapEditor::timerExtension();
    return nullptr;
}

} // namespace

const clap_plugin_descriptor& descriptor() { return kDescriptor; }

// ------------------------------------------------------------- lifecycle

const clap_plugin* ClapPlugin::create(const clap_host* host)
{
    if (host == nullptr || host->get_extension == nullptr || !versionIsCompatible(host->clap_version))
        return nullptr;
    auto* created = new (std::nothrow) ClapPlugin(host);
    return created != nullptr ? created->record() : nullptr;
}

ClapPlugin::ClapPlugin(const clap_host* hostRecord) : host(hostRecord)
{
    plugin = {&kDescriptor,    this,           pluginInit,  pluginDestroy,      pluginActivate,
              pluginDeactivate, pluginStartProcessing, pluginStopProcessing, pluginReset, pluginProcess,
              pluginGetExtension, pluginOnMainThread};
    core.setListener(this);
    core.setProgram(0);
}

ClapPlugin::~ClapPlugin() = default;

bool ClapPlugin::loadPreset(uint32_t kind, const char* location, const char* key)
{
    const int32_t program = kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN && location == nullptr ? presetProgram(key) : -1;
    if (program < 0 || !calledOnMainThread()) {
        if (hostPresets != nullptr && hostPresets->on_error != nullptr)
            hostPresets->on_error(host, kind, location, key, 0, "no such VEMO factory sound");
        return false;
    }
    // The factory sound, into its own program slot: the sound the preset's
    // name promises, whatever was edited there since.
    core.setProgram(program);
    for (int32_t i = 0; i < kNumParameters; ++i)
        core.setParameter(i, bringIntoRange(i, factoryBank()[program].parameter[i]));
    if (hostParams != nullptr && hostParams->rescan != nullptr)
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    if (hostState != nullptr && hostState->mark_dirty != nullptr)
        hostState->mark_dirty(host);
    if (hostPresets != nullptr && hostPresets->loaded != nullptr)
        hostPresets->loaded(host, kind, location, key);
    return true;
}

ClapEditor* ClapPlugin::editorFor()
{
    if (!editor) {
        editor = std::make_unique<ClapEditor>(*this, host);
        editorShown.store(editor.get(), std::memory_order_release);
    }
    return editor.get();
}

bool ClapPlugin::init()
{
    hostParams = static_cast<const clap_host_params*>(host->get_extension(host, kExtParams));
    hostState = static_cast<const clap_host_state*>(host->get_extension(host, kExtState));
    threadCheck = static_cast<const clap_host_thread_check*>(host->get_extension(host, kExtThreadCheck));
    hostPresets = static_cast<const clap_host_preset_load*>(host->get_extension(host, kExtPresetLoad));
    if (hostPresets == nullptr)
        hostPresets = static_cast<const clap_host_preset_load*>(host->get_extension(host, kExtPresetLoadCompat));
    if (threadCheck != nullptr && threadCheck->is_main_thread == nullptr)
        threadCheck = nullptr;
    return true;
}

// Without the host's thread-check every call is taken as on its thread.
bool ClapPlugin::calledOnMainThread() const { return threadCheck == nullptr || threadCheck->is_main_thread(host); }

bool ClapPlugin::activate(double sampleRate, uint32_t /*minFrames*/, uint32_t maxFrames)
{
    if (!calledOnMainThread() || !std::isfinite(sampleRate) || !core.requestSampleRate(float(sampleRate)))
        return false;
    core.setMaxBlockSize(int32_t(std::min<uint32_t>(std::max<uint32_t>(maxFrames, 1), INT32_MAX)));
    core.requestPedalReset();
    return true;
}

void ClapPlugin::deactivate() { core.requestPedalReset(); }

// Audio thread: everything sounding stops, as when processing restarts.
void ClapPlugin::reset() { core.requestPedalReset(); }

void ClapPlugin::onMainThread()
{
    // A MIDI program change made the session differ from what was saved.
    if (programChanged.exchange(false) && hostState != nullptr && hostState->mark_dirty != nullptr)
        hostState->mark_dirty(host);
}

// ------------------------------------------------------------- audio

clap_process_status ClapPlugin::process(const clap_process& p)
{
    if (p.audio_outputs == nullptr || p.audio_outputs_count < 1 || p.audio_outputs[0].data32 == nullptr ||
        p.audio_outputs[0].channel_count < 2)
        return CLAP_PROCESS_ERROR;
    float* left = p.audio_outputs[0].data32[0];
    float* right = p.audio_outputs[0].data32[1];
    if (left == nullptr || right == nullptr)
        return CLAP_PROCESS_ERROR;
    const uint32_t frames = std::min<uint32_t>(p.frames_count, INT32_MAX);
    if (p.transport != nullptr && (p.transport->flags & CLAP_TRANSPORT_HAS_TEMPO) != 0 &&
        std::isfinite(p.transport->tempo) && p.transport->tempo >= 0.0) {
        tempo = p.transport->tempo;
        tempoKnown = true;
    }

    // Parameter changes split the block at their frames; MIDI and notes are
    // queued at their frames and the core plays them there.
    uint32_t done = 0;
    auto renderTo = [&](uint32_t end) {
        if (end > done) {
            core.render(left + done, right + done, int32_t(end - done));
            emitPending(p.out_events, end - 1);
            done = end;
        }
    };
    const clap_input_events* in = p.in_events;
    const uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header* event = in->get(in, i);
        if (event == nullptr)
            continue;
        // Out of order or past the end: at the frame reached / the last one.
        const uint32_t at = std::min(std::max(event->time, done), frames);
        if (event->space_id == kCoreEventSpace && event->type == CLAP_EVENT_PARAM_VALUE)
            renderTo(at);
        takeEvent(*event, int64_t(at) - int64_t(done));
    }
    renderTo(frames);
    emitPending(p.out_events, frames > 0 ? frames - 1 : 0);
    return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::takeEvent(const clap_event_header& event, int64_t offset)
{
    if (event.space_id != kCoreEventSpace)
        return;
    auto queue = [&](int status, int data1, int data2) {
        MidiMessage message{};
        message.midiData[0] = char(status);
        message.midiData[1] = char(data1 & 0x7F);
        message.midiData[2] = char(data2 & 0x7F);
        core.queueMidi(message, offset);
    };
    switch (event.type) {
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE: {
        if (event.size < sizeof(clap_event_note))
            return;
        clap_event_note note;
        std::memcpy(&note, &event, sizeof note);
        const int channel = note.channel >= 0 && note.channel < 16 ? note.channel : 0;
        const double velocity = std::isfinite(note.velocity) ? std::clamp(note.velocity, 0.0, 1.0) : 0.0;
        if (note.key < 0 || note.key > 127) {
            // A wildcard key: every note of the channel (all notes off).
            if (event.type != CLAP_EVENT_NOTE_ON)
                queue(0xB0 | channel, 123, 0);
            return;
        }
        if (event.type == CLAP_EVENT_NOTE_ON)
            // Velocity 0 would be a release in MIDI: the softest note is 1.
            queue(0x90 | channel, note.key, std::max(1, int(std::lround(velocity * 127.0))));
        else
            queue(0x80 | channel, note.key, int(std::lround(velocity * 127.0)));
        return;
    }
    case CLAP_EVENT_MIDI: {
        if (event.size < sizeof(clap_event_midi))
            return;
        clap_event_midi midi;
        std::memcpy(&midi, &event, sizeof midi);
        // Channel messages only; system messages have nothing for this
        // instrument.
        if (midi.data[0] < 0x80 || midi.data[0] >= 0xF0)
            return;
        queue(midi.data[0], midi.data[1], midi.data[2]);
        return;
    }
    case CLAP_EVENT_PARAM_VALUE: {
        if (event.size < sizeof(clap_event_param_value))
            return;
        clap_event_param_value change;
        std::memcpy(&change, &event, sizeof change);
        // Hosts keep values within the range each parameter declares; one
        // that does not is brought into it (a value far outside drives the
        // engine to infinity), NaN is refused.
        if (change.param_id < uint32_t(kNumParameters) && !std::isnan(change.value)) {
            const int32_t index = int32_t(change.param_id);
            const ParameterInfo& info = kParameterTable[index];
            const double inRange = std::clamp(change.value, double(info.minimum), double(info.maximum));
            core.setParameter(index, float(inRange));
        }
        return;
    }
    case CLAP_EVENT_TRANSPORT: {
        if (event.size < sizeof(clap_event_transport))
            return;
        clap_event_transport transport;
        std::memcpy(&transport, &event, sizeof transport);
        if ((transport.flags & CLAP_TRANSPORT_HAS_TEMPO) != 0 && std::isfinite(transport.tempo) &&
            transport.tempo >= 0.0) {
            tempo = transport.tempo;
            tempoKnown = true;
        }
        return;
    }
    default:
        return;
    }
}

void ClapPlugin::emitPending(const clap_output_events* out, uint32_t time)
{
    if (out == nullptr || out->try_push == nullptr)
        return;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        if (pending[i].load(std::memory_order_relaxed) == 0)
            continue;
        const uint8_t what = pending[i].exchange(0, std::memory_order_acq_rel);
        const clap_event_header base{0, time, kCoreEventSpace, 0, 0};
        if ((what & kSendBegin) != 0) {
            clap_event_param_gesture g{base, clap_id(i)};
            g.header.size = sizeof g;
            g.header.type = CLAP_EVENT_PARAM_GESTURE_BEGIN;
            out->try_push(out, &g.header);
        }
        if ((what & kSendValue) != 0) {
            clap_event_param_value v{base, clap_id(i), nullptr, -1, -1, -1, -1, core.parameter(i)};
            v.header.size = sizeof v;
            v.header.type = CLAP_EVENT_PARAM_VALUE;
            out->try_push(out, &v.header);
        }
        if ((what & kSendEnd) != 0) {
            clap_event_param_gesture g{base, clap_id(i)};
            g.header.size = sizeof g;
            g.header.type = CLAP_EVENT_PARAM_GESTURE_END;
            out->try_push(out, &g.header);
        }
    }
}

// ------------------------------------------------------------- news from the core

void ClapPlugin::parameterChanged(int32_t index, float value, Origin origin)
{
    // The editor follows every change, the host's automation included.
    if (ClapEditor* shown = editorShown.load(std::memory_order_acquire))
        shown->show(index, value);
    // The host's own changes need no echo; a program change or a learned
    // controller moved a value the host must follow.
    if (origin != Origin::Host && index >= 0 && index < kNumParameters)
        pending[index].fetch_or(kSendValue, std::memory_order_acq_rel);
}

void ClapPlugin::programChangedByMidi(int32_t /*program*/)
{
    // Audio thread: the session is marked dirty from the main thread.
    programChanged.store(true);
    if (host->request_callback != nullptr)
        host->request_callback(host);
}

bool ClapPlugin::hostTempo(double& bpm)
{
    if (!tempoKnown)
        return false;
    bpm = tempo;
    return true;
}

void ClapPlugin::reportUserChange(int32_t index, bool beginGesture, bool endGesture)
{
    if (index < 0 || index >= kNumParameters)
        return;
    pending[index].fetch_or(uint8_t(kSendValue | (beginGesture ? kSendBegin : 0) | (endGesture ? kSendEnd : 0)),
                            std::memory_order_acq_rel);
    if (hostParams != nullptr && hostParams->request_flush != nullptr)
        hostParams->request_flush(host);
}

// ------------------------------------------------------------- params

bool ClapPlugin::paramInfo(uint32_t index, clap_param_info& info) const
{
    const ParameterInfo* p = parameterInfo(index < uint32_t(kNumParameters) ? int32_t(index) : -1);
    if (p == nullptr)
        return false;
    info = {};
    info.id = index; // the parameter's index: never renumbered
    info.flags = CLAP_PARAM_IS_AUTOMATABLE;
    if (p->kind == ParameterKind::Switch || p->kind == ParameterKind::Menu)
        info.flags |= CLAP_PARAM_IS_STEPPED;
    if (p->kind == ParameterKind::Menu)
        info.flags |= CLAP_PARAM_IS_ENUM;
    copyText(info.name, kNameSize, p->title);
    copyText(info.module, kPathSize, modulePath(int32_t(index)));
    info.min_value = p->minimum;
    info.max_value = p->maximum;
    // What a new instance starts with: the first factory program.
    info.default_value = factoryBank()[0].parameter[index];
    return true;
}

bool ClapPlugin::paramValue(clap_id id, double& value) const
{
    if (id >= uint32_t(kNumParameters))
        return false;
    value = core.parameter(int32_t(id));
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* display, uint32_t size) const
{
    if (id >= uint32_t(kNumParameters) || size == 0 || !std::isfinite(value))
        return false;
    // The VST 2.x display and label of that value, the others as they are.
    float values[kNumParameters];
    for (int32_t i = 0; i < kNumParameters; ++i)
        values[i] = core.parameter(i);
    values[id] = float(value);
    const ParameterText t = formatParameter(int32_t(id), values, core.sampleRate());
    std::snprintf(display, size, "%s%s%s", t.display, t.label[0] != 0 ? " " : "", t.label);
    return true;
}

bool ClapPlugin::textToValue(clap_id id, const char* display, double& value) const
{
    if (id >= uint32_t(kNumParameters))
        return false;
    float values[kNumParameters];
    for (int32_t i = 0; i < kNumParameters; ++i)
        values[i] = core.parameter(i);
    try {
        const std::string typed = display;
        try {
            value = vemoValueOf(int32_t(id), typed, values, core.sampleRate());
        } catch (const ValueError&) {
            // A display with a label after its unit ("13.0 % mod"): the
            // quantity without the label's last word.
            const size_t space = typed.find_last_of(' ');
            if (space == std::string::npos || space == 0)
                throw;
            value = vemoValueOf(int32_t(id), typed.substr(0, space), values, core.sampleRate());
        }
        return true;
    } catch (const std::exception&) {
        // Not a value of this parameter (ValueError), or no memory. What
        // value_to_text shows at either end must still type back, though
        // the end's own reading lies beyond the rounded text ("-0.9 dB" for
        // -0.915) or no quantity reaches it ("-inf dB").
        const ParameterInfo* p = parameterInfo(int32_t(id));
        for (const float end : {p->minimum, p->maximum}) {
            char shown[64];
            if (valueToText(id, end, shown, sizeof shown) && std::strcmp(shown, display) == 0) {
                value = end;
                return true;
            }
        }
        return false;
    }
}

void ClapPlugin::flush(const clap_input_events* in, const clap_output_events* out)
{
    const uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const clap_event_header* event = in->get(in, i);
            event != nullptr && event->space_id == kCoreEventSpace && event->type == CLAP_EVENT_PARAM_VALUE)
            takeEvent(*event, 0);
    emitPending(out, 0);
}

// ------------------------------------------------------------- state

bool ClapPlugin::save(const clap_ostream& stream)
{
    if (!calledOnMainThread())
        return false;
    void* bank = nullptr;
    const int32_t bytes = core.getChunk(&bank, false);
    StateHeader header{{'V', 'E', 'M', 'O'}, kStateVersion, core.program(), uint32_t(bytes)};
    auto writeAll = [&](const void* data, uint64_t size) {
        const auto* at = static_cast<const uint8_t*>(data);
        while (size > 0) {
            const int64_t n = stream.write(&stream, at, size);
            if (n <= 0 || uint64_t(n) > size)
                return false;
            at += n;
            size -= uint64_t(n);
        }
        return true;
    };
    return writeAll(&header, sizeof header) && writeAll(bank, uint64_t(bytes));
}

bool ClapPlugin::load(const clap_istream& stream)
{
    if (!calledOnMainThread())
        return false;
    // Streams may deliver in pieces; a short read before the end is a
    // damaged state.
    auto readAll = [&](void* data, uint64_t size) {
        auto* at = static_cast<uint8_t*>(data);
        while (size > 0) {
            const int64_t n = stream.read(&stream, at, size);
            if (n <= 0 || uint64_t(n) > size)
                return false;
            at += n;
            size -= uint64_t(n);
        }
        return true;
    };
    StateHeader header{};
    if (!readAll(&header, sizeof header) || std::memcmp(header.magic, "VEMO", 4) != 0 ||
        header.version != kStateVersion || header.bankBytes != uint32_t(kBankChunkBytes) || header.program < 0 ||
        header.program >= kNumPrograms)
        return false;
    std::unique_ptr<uint8_t[]> bank(new (std::nothrow) uint8_t[kBankChunkBytes]);
    if (bank == nullptr || !readAll(bank.get(), uint64_t(kBankChunkBytes)))
        return false;
    if (!core.setChunk(bank.get(), kBankChunkBytes, false))
        return false;
    core.setProgram(header.program);
    // The host knows the new values from its rescan; no events for them.
    for (auto& p : pending)
        p.store(0, std::memory_order_relaxed);
    if (hostParams != nullptr && hostParams->rescan != nullptr)
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
    return true;
}

} // namespace vemo::clapface
