// vemo-hostcheck clap-render MODULE FILE: the CLAP module, loaded as CLAP
// hosts load it, plays a fixed score into FILE (interleaved float samples):
// a program and parameter changes as CLAP parameter events, notes, bend and
// a program change as MIDI inside blocks of changing length, at 48 kHz. The
// Windows module under Wine must write the same bytes as the Linux one.
#include "clap/ClapAbi.h"
#include "support/HostModule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace clap;

struct Event {
    uint32_t frame; // absolute
    bool isParam;
    uint32_t id;
    double value;
    uint8_t midi[3];
};

struct EventList {
    std::vector<std::vector<uint8_t>> events;
    clap_input_events list{this, &EventList::count, &EventList::get};
    static uint32_t count(const clap_input_events* l) { return uint32_t(static_cast<const EventList*>(l->ctx)->events.size()); }
    static const clap_event_header* get(const clap_input_events* l, uint32_t i)
    {
        return reinterpret_cast<const clap_event_header*>(static_cast<const EventList*>(l->ctx)->events[i].data());
    }
    template <class T> void add(const T& record)
    {
        events.emplace_back(sizeof record);
        std::memcpy(events.back().data(), &record, sizeof record);
    }
};

int fail(const char* what)
{
    std::fprintf(stderr, "clap-render: %s\n", what);
    return 1;
}

} // namespace

int clapRender(const std::string& path, const std::string& out)
{
    vemotest::HostModule module;
    if (!module.open(path))
        return fail(module.error().c_str());
    const auto* entry = static_cast<const clap_plugin_entry*>(module.symbol("clap_entry"));
    if (entry == nullptr || !entry->init(path.c_str()))
        return fail("no clap_entry");
    const auto* factory = static_cast<const clap_plugin_factory*>(entry->get_factory(kPluginFactoryId));
    clap_host host{};
    host.clap_version = kVersion;
    host.name = host.vendor = host.url = host.version = "vemo-hostcheck";
    host.get_extension = [](const clap_host*, const char*) -> const void* { return nullptr; };
    host.request_restart = host.request_process = host.request_callback = [](const clap_host*) {};
    const clap_plugin* plugin =
        factory != nullptr ? factory->create_plugin(factory, &host, factory->get_plugin_descriptor(factory, 0)->id)
                           : nullptr;
    if (plugin == nullptr || !plugin->init(plugin) || !plugin->activate(plugin, 48000.0, 1, 512) ||
        !plugin->start_processing(plugin))
        return fail("the plug-in does not start");

    std::vector<Event> score = {
        {0, false, 0, 0, {0xC0, 7, 0}},     {0, true, 6, 0.3, {}},         {0, true, 13, 0.6, {}},
        {0, true, 16, 0.3, {}},             {0, true, 24, 0.5, {}},        {0, true, 27, 4.0, {}},
        {0, true, 34, 1.0, {}},             {1, false, 0, 0, {0x90, 48, 100}},
        {1200, false, 0, 0, {0x90, 55, 90}}, {2400, false, 0, 0, {0x90, 60, 80}},
        {2401, false, 0, 0, {0x90, 64, 70}}, {9000, false, 0, 0, {0xE0, 0x10, 0x48}},
        {12000, true, 12, 0.35, {}},        {15000, false, 0, 0, {0x80, 55, 0}},
        {20000, false, 0, 0, {0x90, 67, 127}}, {30000, false, 0, 0, {0xE0, 0x00, 0x40}},
        {36000, false, 0, 0, {0xC0, 12, 0}}, {40000, false, 0, 0, {0x90, 72, 100}},
        {50000, false, 0, 0, {0x80, 48, 0}}, {50001, false, 0, 0, {0x80, 60, 0}},
        {60000, false, 0, 0, {0x90, 45, 60}}, {70000, false, 0, 0, {0xB0, 123, 0}},
    };
    const uint32_t blocks[] = {512, 333, 64, 1, 200, 17, 512};
    constexpr uint32_t kFrames = 80000;
    std::vector<float> audio;
    float left[512], right[512];
    float* channels[2] = {left, right};
    clap_audio_buffer buffer{channels, nullptr, 2, 0, 0};
    clap_output_events sink{nullptr, [](const clap_output_events*, const clap_event_header*) { return true; }};
    size_t next = 0;
    for (uint32_t start = 0, b = 0; start < kFrames; ++b) {
        const uint32_t frames = std::min(blocks[b % 7], kFrames - start);
        EventList list;
        for (; next < score.size() && score[next].frame < start + frames; ++next) {
            const Event& e = score[next];
            const uint32_t time = e.frame - start;
            if (e.isParam) {
                clap_event_param_value v{};
                v.header = {sizeof v, time, kCoreEventSpace, CLAP_EVENT_PARAM_VALUE, 0};
                v.param_id = e.id;
                v.note_id = -1;
                v.port_index = v.channel = v.key = -1;
                v.value = e.value;
                list.add(v);
            } else {
                clap_event_midi m{};
                m.header = {sizeof m, time, kCoreEventSpace, CLAP_EVENT_MIDI, 0};
                std::memcpy(m.data, e.midi, 3);
                list.add(m);
            }
        }
        clap_process p{};
        p.steady_time = -1;
        p.frames_count = frames;
        p.audio_outputs = &buffer;
        p.audio_outputs_count = 1;
        p.in_events = &list.list;
        p.out_events = &sink;
        if (plugin->process(plugin, &p) == CLAP_PROCESS_ERROR)
            return fail("process failed");
        for (uint32_t i = 0; i < frames; ++i) {
            audio.push_back(left[i]);
            audio.push_back(right[i]);
        }
        start += frames;
    }
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
    entry->deinit();

    double energy = 0.0;
    for (float x : audio)
        energy += double(x) * double(x);
    if (!(energy > 0.0) || !std::isfinite(energy))
        return fail("the score played silence or non-finite samples");
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(audio.data()), std::streamsize(audio.size() * sizeof(float)));
    return file ? 0 : fail("cannot write the render");
}
