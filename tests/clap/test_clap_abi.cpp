// Our CLAP definitions (clap/ClapAbi.h) against another copy of the
// interface: the CLAP 1.1 headers of Debian's dpf-source, where installed.
#include "clap/ClapAbi.h"

#include <gtest/gtest.h>

#ifdef VEMO_DPF_CLAP_DIR
#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>

#include <cstring>

// Each record's size and the offset of the members the face reads.
#define SAME_SIZE(T) static_assert(sizeof(clap::T) == sizeof(::T), #T)
#define SAME_AT(T, m) static_assert(offsetof(clap::T, m) == offsetof(::T, m), #T "." #m)
SAME_SIZE(clap_version); SAME_SIZE(clap_host); SAME_SIZE(clap_event_header); SAME_SIZE(clap_event_note);
SAME_SIZE(clap_event_param_value); SAME_SIZE(clap_event_param_gesture); SAME_SIZE(clap_event_transport);
SAME_SIZE(clap_event_midi); SAME_SIZE(clap_input_events); SAME_SIZE(clap_output_events);
SAME_SIZE(clap_audio_buffer); SAME_SIZE(clap_process); SAME_SIZE(clap_plugin_descriptor); SAME_SIZE(clap_plugin);
SAME_SIZE(clap_plugin_factory); SAME_SIZE(clap_plugin_entry); SAME_SIZE(clap_audio_port_info);
SAME_SIZE(clap_plugin_audio_ports); SAME_SIZE(clap_note_port_info); SAME_SIZE(clap_plugin_note_ports);
SAME_SIZE(clap_param_info); SAME_SIZE(clap_plugin_params); SAME_SIZE(clap_host_params); SAME_SIZE(clap_istream);
SAME_SIZE(clap_ostream); SAME_SIZE(clap_plugin_state); SAME_SIZE(clap_host_state); SAME_SIZE(clap_window);
SAME_SIZE(clap_gui_resize_hints); SAME_SIZE(clap_plugin_gui); SAME_SIZE(clap_host_gui);
SAME_SIZE(clap_plugin_timer_support); SAME_SIZE(clap_host_timer_support); SAME_SIZE(clap_host_thread_check);
SAME_AT(clap_host, get_extension); SAME_AT(clap_host, request_callback); SAME_AT(clap_event_header, type);
SAME_AT(clap_event_header, time); SAME_AT(clap_event_note, key); SAME_AT(clap_event_note, velocity);
SAME_AT(clap_event_param_value, param_id); SAME_AT(clap_event_param_value, value);
SAME_AT(clap_event_transport, tempo); SAME_AT(clap_event_transport, flags); SAME_AT(clap_event_midi, data);
SAME_AT(clap_process, frames_count); SAME_AT(clap_process, transport); SAME_AT(clap_process, audio_outputs);
SAME_AT(clap_process, in_events); SAME_AT(clap_process, out_events); SAME_AT(clap_plugin, process);
SAME_AT(clap_plugin, get_extension); SAME_AT(clap_plugin, on_main_thread); SAME_AT(clap_plugin_descriptor, features);
SAME_AT(clap_plugin_entry, get_factory); SAME_AT(clap_audio_port_info, port_type);
SAME_AT(clap_audio_port_info, in_place_pair); SAME_AT(clap_note_port_info, name); SAME_AT(clap_param_info, module);
SAME_AT(clap_param_info, default_value); SAME_AT(clap_plugin_params, flush); SAME_AT(clap_plugin_gui, hide);
SAME_AT(clap_window, x11);

TEST(ClapAbi, IdsAndNumbersMatchTheOtherCopy)
{
    struct Id {
        const char* ours;
        const char* theirs;
    };
    const Id ids[] = {{clap::kPluginFactoryId, CLAP_PLUGIN_FACTORY_ID}, {clap::kExtAudioPorts, CLAP_EXT_AUDIO_PORTS},
                      {clap::kExtNotePorts, CLAP_EXT_NOTE_PORTS},       {clap::kExtParams, CLAP_EXT_PARAMS},
                      {clap::kExtState, CLAP_EXT_STATE},                {clap::kExtGui, CLAP_EXT_GUI},
                      {clap::kExtTimerSupport, CLAP_EXT_TIMER_SUPPORT}, {clap::kExtThreadCheck, CLAP_EXT_THREAD_CHECK},
                      {clap::kWindowApiX11, CLAP_WINDOW_API_X11},       {clap::kWindowApiWin32, CLAP_WINDOW_API_WIN32},
                      {clap::kPortStereo, CLAP_PORT_STEREO}};
    for (const Id& id : ids)
        EXPECT_STREQ(id.ours, id.theirs);
    const uint32_t numbers[][2] = {
        {clap::CLAP_EVENT_NOTE_ON, CLAP_EVENT_NOTE_ON}, {clap::CLAP_EVENT_NOTE_OFF, CLAP_EVENT_NOTE_OFF},
        {clap::CLAP_EVENT_NOTE_CHOKE, CLAP_EVENT_NOTE_CHOKE}, {clap::CLAP_EVENT_PARAM_VALUE, CLAP_EVENT_PARAM_VALUE},
        {clap::CLAP_EVENT_PARAM_GESTURE_BEGIN, CLAP_EVENT_PARAM_GESTURE_BEGIN},
        {clap::CLAP_EVENT_PARAM_GESTURE_END, CLAP_EVENT_PARAM_GESTURE_END},
        {clap::CLAP_EVENT_TRANSPORT, CLAP_EVENT_TRANSPORT}, {clap::CLAP_EVENT_MIDI, CLAP_EVENT_MIDI},
        {clap::CLAP_NOTE_DIALECT_CLAP, CLAP_NOTE_DIALECT_CLAP}, {clap::CLAP_NOTE_DIALECT_MIDI, CLAP_NOTE_DIALECT_MIDI},
        {clap::CLAP_PARAM_IS_STEPPED, CLAP_PARAM_IS_STEPPED}, {clap::CLAP_PARAM_IS_AUTOMATABLE, CLAP_PARAM_IS_AUTOMATABLE},
        {clap::CLAP_PARAM_RESCAN_VALUES, CLAP_PARAM_RESCAN_VALUES}, {clap::CLAP_PARAM_RESCAN_TEXT, CLAP_PARAM_RESCAN_TEXT},
        {clap::CLAP_AUDIO_PORT_IS_MAIN, CLAP_AUDIO_PORT_IS_MAIN}, {clap::CLAP_PROCESS_CONTINUE, CLAP_PROCESS_CONTINUE},
        {clap::CLAP_TRANSPORT_HAS_TEMPO, CLAP_TRANSPORT_HAS_TEMPO}, {clap::kNameSize, CLAP_NAME_SIZE},
        {clap::kPathSize, CLAP_PATH_SIZE}};
    for (const auto& n : numbers)
        EXPECT_EQ(n[0], n[1]);
}
#else
TEST(ClapAbi, IdsAndNumbersMatchTheOtherCopy) { GTEST_SKIP() << "dpf-source's CLAP headers are not installed"; }
#endif
