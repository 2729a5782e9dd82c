// The CLAP 1.x binary interface as far as VEMO uses it: the entry, the
// plug-in factory, the plug-in and host records, events, the process call,
// and the extensions audio-ports, note-ports, params, state, gui,
// timer-support and thread-check.
//
// Written from the public description of the interface. The records keep
// the interface's own names (inside namespace clap, so that a test can hold
// them beside another copy); every size and offset a host depends on is
// pinned by a static_assert below, for x86-64 Linux and Windows (no `long`
// except the X11 window id, which LP64 and LLP64 both pass as a 64-bit
// integer in the window union). Calls are plain C calling convention.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clap {

static_assert(sizeof(void*) == 8, "the CLAP layout here is written for 64-bit targets");

struct clap_version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
// What this plug-in declares it was written for; hosts accept any 1.x.
inline constexpr clap_version kVersion{1, 1, 1};
constexpr bool versionIsCompatible(const clap_version& v) { return v.major >= 1; }

using clap_id = uint32_t;
inline constexpr clap_id kInvalidId = UINT32_MAX;

inline constexpr uint32_t kNameSize = 256;  // CLAP_NAME_SIZE: names, terminator included
inline constexpr uint32_t kPathSize = 1024; // CLAP_PATH_SIZE: module paths

// ------------------------------------------------------------- host

struct clap_host {
    ::clap::clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    void (*request_restart)(const clap_host* host);
    void (*request_process)(const clap_host* host);
    void (*request_callback)(const clap_host* host);
};

// ------------------------------------------------------------- events

struct clap_event_header {
    uint32_t size;     // bytes of the whole event, header included
    uint32_t time;     // frame within the block
    uint16_t space_id; // kCoreEventSpace for everything below
    uint16_t type;
    uint32_t flags;
};

inline constexpr uint16_t kCoreEventSpace = 0;

enum : uint32_t {
    CLAP_EVENT_IS_LIVE = 1u << 0,
    CLAP_EVENT_DONT_RECORD = 1u << 1,
};

enum : uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

struct clap_event_note {
    clap_event_header header;
    int32_t note_id; // -1 for none
    int16_t port_index;
    int16_t channel; // 0..15, -1 for all
    int16_t key;     // 0..127, -1 for all
    double velocity; // 0..1
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

enum : uint32_t { CLAP_TRANSPORT_HAS_TEMPO = 1u << 0 };

struct clap_event_transport {
    clap_event_header header;
    uint32_t flags;
    int64_t song_pos_beats;   // beats * 2^31
    int64_t song_pos_seconds; // seconds * 2^31
    double tempo;             // bpm
    double tempo_inc;
    int64_t loop_start_beats;
    int64_t loop_end_beats;
    int64_t loop_start_seconds;
    int64_t loop_end_seconds;
    int64_t bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};

struct clap_event_midi {
    clap_event_header header;
    uint16_t port_index;
    uint8_t data[3];
};

struct clap_input_events {
    void* ctx;
    uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ------------------------------------------------------------- process

struct clap_audio_buffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

using clap_process_status = int32_t;
enum : int32_t {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

struct clap_process {
    int64_t steady_time;
    uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// ------------------------------------------------------------- plug-in

struct clap_plugin_descriptor {
    ::clap::clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin* plugin);
    void (*destroy)(const clap_plugin* plugin);
    bool (*activate)(const clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                     uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin* plugin);
    bool (*start_processing)(const clap_plugin* plugin);
    void (*stop_processing)(const clap_plugin* plugin);
    void (*reset)(const clap_plugin* plugin);
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin* plugin);
};

inline constexpr char kPluginFactoryId[] = "clap.plugin-factory";

struct clap_plugin_factory {
    uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory, uint32_t index);
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

struct clap_plugin_entry {
    ::clap::clap_version clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

// ------------------------------------------------------------- audio-ports

inline constexpr char kExtAudioPorts[] = "clap.audio-ports";
inline constexpr char kPortStereo[] = "stereo";
enum : uint32_t { CLAP_AUDIO_PORT_IS_MAIN = 1u << 0 };

struct clap_audio_port_info {
    clap_id id;
    char name[kNameSize];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_audio_port_info* info);
};

// ------------------------------------------------------------- note-ports

inline constexpr char kExtNotePorts[] = "clap.note-ports";
enum : uint32_t {
    CLAP_NOTE_DIALECT_CLAP = 1u << 0,
    CLAP_NOTE_DIALECT_MIDI = 1u << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1u << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1u << 3,
};

struct clap_note_port_info {
    clap_id id;
    uint32_t supported_dialects;
    uint32_t preferred_dialect;
    char name[kNameSize];
};

struct clap_plugin_note_ports {
    uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_note_port_info* info);
};

// ------------------------------------------------------------- params

inline constexpr char kExtParams[] = "clap.params";
enum : uint32_t {
    CLAP_PARAM_IS_STEPPED = 1u << 0,
    CLAP_PARAM_IS_PERIODIC = 1u << 1,
    CLAP_PARAM_IS_HIDDEN = 1u << 2,
    CLAP_PARAM_IS_READONLY = 1u << 3,
    CLAP_PARAM_IS_BYPASS = 1u << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1u << 5,
    CLAP_PARAM_IS_MODULATABLE = 1u << 10,
    CLAP_PARAM_REQUIRES_PROCESS = 1u << 15,
    CLAP_PARAM_IS_ENUM = 1u << 16, // 1.2: a menu whose entries value_to_text names
};

struct clap_param_info {
    clap_id id;
    uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    uint32_t (*count)(const clap_plugin* plugin);
    bool (*get_info)(const clap_plugin* plugin, uint32_t param_index, clap_param_info* param_info);
    bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* value);
    bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* display,
                          uint32_t size);
    bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* display, double* value);
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

enum : uint32_t {
    CLAP_PARAM_RESCAN_VALUES = 1u << 0,
    CLAP_PARAM_RESCAN_TEXT = 1u << 1,
    CLAP_PARAM_RESCAN_INFO = 1u << 2,
    CLAP_PARAM_RESCAN_ALL = 1u << 3,
};

struct clap_host_params {
    void (*rescan)(const clap_host* host, uint32_t flags);
    void (*clear)(const clap_host* host, clap_id param_id, uint32_t flags);
    void (*request_flush)(const clap_host* host);
};

// ------------------------------------------------------------- state

inline constexpr char kExtState[] = "clap.state";

struct clap_istream {
    void* ctx;
    // Bytes read (0 at the end, negative on error).
    int64_t (*read)(const clap_istream* stream, void* buffer, uint64_t size);
};

struct clap_ostream {
    void* ctx;
    // Bytes written (negative on error).
    int64_t (*write)(const clap_ostream* stream, const void* buffer, uint64_t size);
};

struct clap_plugin_state {
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state {
    void (*mark_dirty)(const clap_host* host);
};

// ------------------------------------------------------------- gui

inline constexpr char kExtGui[] = "clap.gui";
inline constexpr char kWindowApiX11[] = "x11";
inline constexpr char kWindowApiWin32[] = "win32";

struct clap_window {
    const char* api;
    union {
        void* cocoa;
        uint64_t x11; // an X11 Window id (unsigned long on LP64)
        void* win32;
        void* ptr;
        uintptr_t uptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale);
    bool (*get_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, uint32_t width, uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title)(const clap_plugin* plugin, const char* title);
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
    void (*resize_hints_changed)(const clap_host* host);
    bool (*request_resize)(const clap_host* host, uint32_t width, uint32_t height);
    bool (*request_show)(const clap_host* host);
    bool (*request_hide)(const clap_host* host);
    void (*closed)(const clap_host* host, bool was_destroyed);
};

// ------------------------------------------------------------- timer-support

inline constexpr char kExtTimerSupport[] = "clap.timer-support";

struct clap_plugin_timer_support {
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
    bool (*register_timer)(const clap_host* host, uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);
};

// ------------------------------------------------------------- thread-check

inline constexpr char kExtThreadCheck[] = "clap.thread-check";

struct clap_host_thread_check {
    bool (*is_main_thread)(const clap_host* host);
    bool (*is_audio_thread)(const clap_host* host);
};

// ------------------------------------------------------------- layout

static_assert(sizeof(clap_version) == 12);
static_assert(sizeof(clap_host) == 88 && offsetof(clap_host, host_data) == 16 &&
              offsetof(clap_host, get_extension) == 56 && offsetof(clap_host, request_callback) == 80);
static_assert(sizeof(clap_event_header) == 16 && offsetof(clap_event_header, space_id) == 8 &&
              offsetof(clap_event_header, type) == 10 && offsetof(clap_event_header, flags) == 12);
static_assert(sizeof(clap_event_note) == 40 && offsetof(clap_event_note, note_id) == 16 &&
              offsetof(clap_event_note, port_index) == 20 && offsetof(clap_event_note, channel) == 22 &&
              offsetof(clap_event_note, key) == 24 && offsetof(clap_event_note, velocity) == 32);
static_assert(sizeof(clap_event_param_value) == 56 && offsetof(clap_event_param_value, param_id) == 16 &&
              offsetof(clap_event_param_value, cookie) == 24 && offsetof(clap_event_param_value, note_id) == 32 &&
              offsetof(clap_event_param_value, key) == 40 && offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(sizeof(clap_event_transport) == 104 && offsetof(clap_event_transport, tempo) == 40 &&
              offsetof(clap_event_transport, bar_number) == 96 && offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_event_midi) == 24 && offsetof(clap_event_midi, port_index) == 16 &&
              offsetof(clap_event_midi, data) == 18);
static_assert(sizeof(clap_input_events) == 24 && sizeof(clap_output_events) == 16);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, channel_count) == 16 &&
              offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(sizeof(clap_process) == 64 && offsetof(clap_process, frames_count) == 8 &&
              offsetof(clap_process, transport) == 16 && offsetof(clap_process, audio_outputs) == 32 &&
              offsetof(clap_process, audio_inputs_count) == 40 && offsetof(clap_process, in_events) == 48 &&
              offsetof(clap_process, out_events) == 56);
static_assert(sizeof(clap_plugin_descriptor) == 88 && offsetof(clap_plugin_descriptor, id) == 16 &&
              offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin) == 96 && offsetof(clap_plugin, init) == 16 &&
              offsetof(clap_plugin, process) == 72 && offsetof(clap_plugin, on_main_thread) == 88);
static_assert(sizeof(clap_plugin_factory) == 24);
static_assert(sizeof(clap_plugin_entry) == 40 && offsetof(clap_plugin_entry, init) == 16 &&
              offsetof(clap_plugin_entry, get_factory) == 32);
static_assert(sizeof(clap_audio_port_info) == 288 && offsetof(clap_audio_port_info, flags) == 260 &&
              offsetof(clap_audio_port_info, port_type) == 272 && offsetof(clap_audio_port_info, in_place_pair) == 280);
static_assert(sizeof(clap_note_port_info) == 268 && offsetof(clap_note_port_info, name) == 12);
static_assert(sizeof(clap_param_info) == 1320 && offsetof(clap_param_info, cookie) == 8 &&
              offsetof(clap_param_info, name) == 16 && offsetof(clap_param_info, module) == 272 &&
              offsetof(clap_param_info, min_value) == 1296 &&
              offsetof(clap_param_info, default_value) == 1312);
static_assert(sizeof(clap_plugin_params) == 48 && sizeof(clap_host_params) == 24);
static_assert(sizeof(clap_istream) == 16 && sizeof(clap_ostream) == 16 && sizeof(clap_plugin_state) == 16);
static_assert(sizeof(clap_window) == 16 && offsetof(clap_window, x11) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12);
static_assert(sizeof(clap_plugin_gui) == 15 * 8 && sizeof(clap_host_gui) == 40);
static_assert(sizeof(clap_plugin_timer_support) == 8 && sizeof(clap_host_timer_support) == 16);
static_assert(sizeof(clap_host_thread_check) == 16);


// ------------------------------------------------------------- preset discovery (CLAP 1.2)
// A host of CLAP 1.2 or later asks the entry for this factory to list the
// sounds a plug-in carries inside itself, and loads one through the
// plug-in's preset-load extension. Older hosts never ask.

inline constexpr char kPresetDiscoveryFactoryId[] = "clap.preset-discovery-factory/2";
inline constexpr char kPresetDiscoveryFactoryIdCompat[] = "clap.preset-discovery-factory/draft-2";
inline constexpr char kExtPresetLoad[] = "clap.preset-load/2";
inline constexpr char kExtPresetLoadCompat[] = "clap.preset-load.draft/2";

enum : uint32_t {
    CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1, // the presets live in the plug-in itself; location null
};

enum : uint32_t {
    CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1u << 0,
    CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1u << 1,
};

struct clap_universal_plugin_id {
    const char* abi; // "clap"
    const char* id;  // the plug-in's descriptor id
};

struct clap_preset_discovery_metadata_receiver {
    void* receiver_data;
    void (*on_error)(const clap_preset_discovery_metadata_receiver* receiver, int32_t os_error, const char* message);
    bool (*begin_preset)(const clap_preset_discovery_metadata_receiver* receiver, const char* name,
                         const char* load_key);
    void (*add_plugin_id)(const clap_preset_discovery_metadata_receiver* receiver, const clap_universal_plugin_id* id);
    void (*set_soundpack_id)(const clap_preset_discovery_metadata_receiver* receiver, const char* id);
    void (*set_flags)(const clap_preset_discovery_metadata_receiver* receiver, uint32_t flags);
    void (*add_creator)(const clap_preset_discovery_metadata_receiver* receiver, const char* creator);
    void (*set_description)(const clap_preset_discovery_metadata_receiver* receiver, const char* description);
    void (*set_timestamps)(const clap_preset_discovery_metadata_receiver* receiver, uint64_t created, uint64_t modified);
    void (*add_feature)(const clap_preset_discovery_metadata_receiver* receiver, const char* feature);
    void (*add_extra_info)(const clap_preset_discovery_metadata_receiver* receiver, const char* key, const char* value);
};

struct clap_preset_discovery_filetype {
    const char* name;
    const char* description;
    const char* file_extension;
};

struct clap_preset_discovery_location {
    uint32_t flags;
    const char* name;
    uint32_t kind;
    const char* location;
};

struct clap_preset_discovery_provider_descriptor {
    ::clap::clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
};

struct clap_preset_discovery_provider {
    const clap_preset_discovery_provider_descriptor* desc;
    void* provider_data;
    bool (*init)(const clap_preset_discovery_provider* provider);
    void (*destroy)(const clap_preset_discovery_provider* provider);
    bool (*get_metadata)(const clap_preset_discovery_provider* provider, uint32_t location_kind,
                         const char* location, const clap_preset_discovery_metadata_receiver* receiver);
    const void* (*get_extension)(const clap_preset_discovery_provider* provider, const char* id);
};

struct clap_preset_discovery_indexer {
    ::clap::clap_version clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool (*declare_filetype)(const clap_preset_discovery_indexer* indexer, const clap_preset_discovery_filetype* t);
    bool (*declare_location)(const clap_preset_discovery_indexer* indexer, const clap_preset_discovery_location* l);
    bool (*declare_soundpack)(const clap_preset_discovery_indexer* indexer, const void* soundpack);
    const void* (*get_extension)(const clap_preset_discovery_indexer* indexer, const char* id);
};

struct clap_preset_discovery_factory {
    uint32_t (*count)(const clap_preset_discovery_factory* factory);
    const clap_preset_discovery_provider_descriptor* (*get_descriptor)(const clap_preset_discovery_factory* factory,
                                                                       uint32_t index);
    const clap_preset_discovery_provider* (*create)(const clap_preset_discovery_factory* factory,
                                                    const clap_preset_discovery_indexer* indexer,
                                                    const char* provider_id);
};

struct clap_plugin_preset_load {
    bool (*from_location)(const clap_plugin* plugin, uint32_t location_kind, const char* location,
                          const char* load_key);
};

struct clap_host_preset_load {
    void (*on_error)(const clap_host* host, uint32_t location_kind, const char* location, const char* load_key,
                     int32_t os_error, const char* message);
    void (*loaded)(const clap_host* host, uint32_t location_kind, const char* location, const char* load_key);
};

static_assert(sizeof(clap_universal_plugin_id) == 16);
static_assert(sizeof(clap_preset_discovery_metadata_receiver) == 11 * 8);
static_assert(sizeof(clap_preset_discovery_location) == 32 && offsetof(clap_preset_discovery_location, kind) == 16 &&
              offsetof(clap_preset_discovery_location, location) == 24);
static_assert(sizeof(clap_preset_discovery_provider_descriptor) == 40 &&
              offsetof(clap_preset_discovery_provider_descriptor, id) == 16);
static_assert(sizeof(clap_preset_discovery_provider) == 48 &&
              offsetof(clap_preset_discovery_provider, get_metadata) == 32);
static_assert(sizeof(clap_preset_discovery_indexer) == 88 &&
              offsetof(clap_preset_discovery_indexer, indexer_data) == 48);
static_assert(sizeof(clap_preset_discovery_factory) == 24 && sizeof(clap_plugin_preset_load) == 8 &&
              sizeof(clap_host_preset_load) == 16);

} // namespace clap
