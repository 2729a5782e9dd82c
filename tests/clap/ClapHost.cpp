#include "clap/ClapHost.h"

#include <algorithm>
#include <cstring>

using namespace clap;

namespace vemotest {

ClapEvent clapMidi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2)
{
    clap_event_midi e{{sizeof(clap_event_midi), time, kCoreEventSpace, CLAP_EVENT_MIDI, 0}, 0, {status, data1, data2}};
    return ClapEvent::of(e);
}

ClapEvent clapNote(uint32_t time, uint16_t type, int16_t key, double velocity, int16_t channel)
{
    clap_event_note e{{sizeof(clap_event_note), time, kCoreEventSpace, type, 0}, -1, 0, channel, key, velocity};
    return ClapEvent::of(e);
}

ClapEvent clapParam(uint32_t time, uint32_t id, double value)
{
    clap_event_param_value e{{sizeof(clap_event_param_value), time, kCoreEventSpace, CLAP_EVENT_PARAM_VALUE, 0},
                             id, nullptr, -1, -1, -1, -1, value};
    return ClapEvent::of(e);
}

namespace {

struct EventLists {
    const std::vector<ClapEvent>* in;
    std::vector<ClapEvent>* out;
};

uint32_t listSize(const clap_input_events* list) { return uint32_t(static_cast<EventLists*>(list->ctx)->in->size()); }
const clap_event_header* listGet(const clap_input_events* list, uint32_t i)
{
    const auto& in = *static_cast<EventLists*>(list->ctx)->in;
    return i < in.size() ? &in[i].header() : nullptr;
}
bool listPush(const clap_output_events* list, const clap_event_header* event)
{
    ClapEvent e;
    e.bytes.assign(reinterpret_cast<const uint8_t*>(event), reinterpret_cast<const uint8_t*>(event) + event->size);
    static_cast<EventLists*>(list->ctx)->out->push_back(std::move(e));
    return true;
}

} // namespace

ClapHost::ClapHost(const std::string& modulePath)
{
    host.clap_version = kVersion;
    host.host_data = this;
    host.name = "VEMO test host";
    host.vendor = host.url = host.version = "";
    host.get_extension = hostExtension;
    host.request_restart = [](const clap_host*) {};
    host.request_process = [](const clap_host*) {};
    host.request_callback = [](const clap_host* h) { ++of(h).callbacks; };
    if (!module.open(modulePath)) {
        loadError = module.error();
        return;
    }
    entry = static_cast<const clap_plugin_entry*>(module.symbol("clap_entry"));
    if (entry == nullptr || !entry->init(modulePath.c_str())) {
        loadError = "no clap_entry";
        entry = nullptr;
        return;
    }
    factory = static_cast<const clap_plugin_factory*>(entry->get_factory(kPluginFactoryId));
    const clap_plugin_descriptor* d = factory != nullptr ? factory->get_plugin_descriptor(factory, 0) : nullptr;
    plugin = d != nullptr ? factory->create_plugin(factory, &host, d->id) : nullptr;
    if (plugin == nullptr || !plugin->init(plugin)) {
        loadError = "no plug-in";
        return;
    }
    params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, kExtParams));
    state = static_cast<const clap_plugin_state*>(plugin->get_extension(plugin, kExtState));
    gui = static_cast<const clap_plugin_gui*>(plugin->get_extension(plugin, kExtGui));
    timerSupport = static_cast<const clap_plugin_timer_support*>(plugin->get_extension(plugin, kExtTimerSupport));
}

void ClapHost::fireTimers()
{
    for (const clap_id id : std::vector<clap_id>(timers))
        timerSupport->on_timer(plugin, id);
}

ClapHost::~ClapHost()
{
    if (plugin != nullptr) {
        if (active)
            plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
    if (entry != nullptr)
        entry->deinit();
}

const void* ClapHost::hostExtension(const clap_host*, const char* id)
{
    static const clap_host_thread_check threads = {
        [](const clap_host* h) {
            const bool main = std::this_thread::get_id() == of(h).mainThread;
            if (!main)
                ++of(h).wrongThreadCalls;
            return main;
        },
        [](const clap_host* h) { return std::this_thread::get_id() != of(h).mainThread; }};
    // Rescans and dirty marks belong to the main thread: elsewhere they are
    // wrong-thread calls.
    static const clap_host_params params = {
        [](const clap_host* h, uint32_t) { ++of(h).rescans; of(h).onMain(); },
        [](const clap_host* h, clap_id, uint32_t) { of(h).onMain(); },
        [](const clap_host* h) { ++of(h).flushRequests; }};
    static const clap_host_state state = {[](const clap_host* h) { ++of(h).dirtyMarks; of(h).onMain(); }};
    static const clap_host_timer_support timers = {
        [](const clap_host* h, uint32_t, clap_id* id) {
            of(h).onMain();
            static clap_id next = 1;
            *id = next++;
            of(h).timers.push_back(*id);
            return true;
        },
        [](const clap_host* h, clap_id id) {
            of(h).onMain();
            auto& t = of(h).timers;
            const auto at = std::find(t.begin(), t.end(), id);
            if (at == t.end())
                return false;
            t.erase(at);
            return true;
        }};
    if (std::strcmp(id, kExtTimerSupport) == 0)
        return &timers;
    if (std::strcmp(id, kExtThreadCheck) == 0)
        return &threads;
    if (std::strcmp(id, kExtParams) == 0)
        return &params;
    if (std::strcmp(id, kExtState) == 0)
        return &state;
    return nullptr;
}

void ClapHost::onMain()
{
    if (std::this_thread::get_id() != mainThread)
        ++wrongThreadCalls;
}

bool ClapHost::activate(double rate, uint32_t maxFrames)
{
    if (active)
        plugin->deactivate(plugin);
    active = plugin->activate(plugin, rate, 1, maxFrames);
    return active && plugin->start_processing(plugin);
}

clap_process_status ClapHost::process(float* left, float* right, uint32_t frames, const std::vector<ClapEvent>& events)
{
    EventLists lists{&events, &output};
    const clap_input_events in{&lists, listSize, listGet};
    const clap_output_events out{&lists, listPush};
    float* channels[2] = {left, right};
    clap_audio_buffer buffer{channels, nullptr, 2, 0, 0};
    // A steady 120 bpm, as the VST 2.x test host's time info says.
    clap_event_transport transport{};
    transport.header = {sizeof transport, 0, kCoreEventSpace, CLAP_EVENT_TRANSPORT, 0};
    transport.flags = CLAP_TRANSPORT_HAS_TEMPO;
    transport.tempo = 120.0;
    const clap_process p{-1, frames, &transport, nullptr, &buffer, 0, 1, &in, &out};
    return plugin->process(plugin, &p);
}

void ClapHost::flush(const std::vector<ClapEvent>& events)
{
    EventLists lists{&events, &output};
    const clap_input_events in{&lists, listSize, listGet};
    const clap_output_events out{&lists, listPush};
    params->flush(plugin, &in, &out);
}

double ClapHost::value(uint32_t id)
{
    double v = -1.0;
    params->get_value(plugin, id, &v);
    return v;
}

std::string ClapHost::text(uint32_t id, double value)
{
    char display[64] = {};
    return params->value_to_text(plugin, id, value, display, sizeof display) ? display : "(refused)";
}

std::vector<uint8_t> ClapHost::save()
{
    std::vector<uint8_t> bytes;
    const clap_ostream stream{&bytes, [](const clap_ostream* s, const void* data, uint64_t size) -> int64_t {
                                  auto* b = static_cast<std::vector<uint8_t>*>(s->ctx);
                                  b->insert(b->end(), static_cast<const uint8_t*>(data),
                                            static_cast<const uint8_t*>(data) + size);
                                  return int64_t(size);
                              }};
    if (!state->save(plugin, &stream))
        bytes.clear();
    return bytes;
}

bool ClapHost::load(const std::vector<uint8_t>& bytes, size_t piece)
{
    struct Reader {
        const std::vector<uint8_t>* bytes;
        size_t at, piece;
    } reader{&bytes, 0, piece};
    const clap_istream stream{&reader, [](const clap_istream* s, void* data, uint64_t size) -> int64_t {
                                  auto& r = *static_cast<Reader*>(s->ctx);
                                  const size_t n = std::min({size_t(size), r.piece, r.bytes->size() - r.at});
                                  if (n > 0) // an empty stream has no data pointer to copy from
                                      std::memcpy(data, r.bytes->data() + r.at, n);
                                  r.at += n;
                                  return int64_t(n);
                              }};
    return state->load(plugin, &stream);
}

} // namespace vemotest
