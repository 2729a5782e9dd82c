// The CLAP plug-in for the fuzzers: the face linked in and reached through
// clap_entry as hosts reach it, a host record with no extensions (every
// optional call the plug-in makes must cope), and one stereo block of
// processing whose output must stay finite. A failed check aborts with a
// message libFuzzer shows.
#pragma once

#include "clap/ClapAbi.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" const clap::clap_plugin_entry clap_entry;

namespace clapfuzz {

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::abort();
}

// Events handed to process as the host's input list, in the order given.
struct EventList {
    std::vector<std::vector<uint8_t>> events;
    clap::clap_input_events list{this, &EventList::count, &EventList::get};
    static uint32_t count(const clap::clap_input_events* l)
    {
        return uint32_t(static_cast<const EventList*>(l->ctx)->events.size());
    }
    static const clap::clap_event_header* get(const clap::clap_input_events* l, uint32_t i)
    {
        const auto& e = static_cast<const EventList*>(l->ctx)->events;
        return i < e.size() ? reinterpret_cast<const clap::clap_event_header*>(e[i].data()) : nullptr;
    }
};

class Plugin {
public:
    Plugin()
    {
        host.clap_version = clap::kVersion;
        host.host_data = this;
        host.name = host.vendor = host.url = host.version = "fuzz";
        host.get_extension = [](const clap::clap_host*, const char*) -> const void* { return nullptr; };
        host.request_restart = host.request_process = host.request_callback = [](const clap::clap_host*) {};
        clap_entry.init("");
        auto* factory = static_cast<const clap::clap_plugin_factory*>(clap_entry.get_factory(clap::kPluginFactoryId));
        plugin = factory->create_plugin(factory, &host, factory->get_plugin_descriptor(factory, 0)->id);
        if (plugin == nullptr || !plugin->init(plugin) || !plugin->activate(plugin, 48000.0, 1, kBlock) ||
            !plugin->start_processing(plugin))
            fail("the plug-in does not start");
        state = static_cast<const clap::clap_plugin_state*>(plugin->get_extension(plugin, clap::kExtState));
    }
    ~Plugin()
    {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        plugin->destroy(plugin);
        clap_entry.deinit();
    }

    // One block of `frames` (1..kBlock) with these events; the output must
    // be finite.
    void process(uint32_t frames, const EventList& events)
    {
        float* channels[2] = {left, right};
        clap::clap_audio_buffer out{channels, nullptr, 2, 0, 0};
        clap::clap_output_events sink{nullptr, [](const clap::clap_output_events*, const clap::clap_event_header*) {
                                          return true;
                                      }};
        clap::clap_process p{};
        p.frames_count = frames;
        p.audio_outputs = &out;
        p.audio_outputs_count = 1;
        p.in_events = &events.list;
        p.out_events = &sink;
        plugin->process(plugin, &p);
        for (uint32_t i = 0; i < frames; ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                fail("the output is not finite");
    }

    static constexpr uint32_t kBlock = 512;
    clap::clap_host host{};
    const clap::clap_plugin* plugin = nullptr;
    const clap::clap_plugin_state* state = nullptr;
    float left[kBlock] = {}, right[kBlock] = {};
};

} // namespace clapfuzz
