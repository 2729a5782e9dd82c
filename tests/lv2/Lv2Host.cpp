#include "lv2/Lv2Host.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/parameters/parameters.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstring>

namespace vemotest {

// ------------------------------------------------------------------ bundle

Lv2Bundle& Lv2Bundle::get()
{
    static Lv2Bundle bundle;
    return bundle;
}

Lv2Bundle::Lv2Bundle() : world(lilv_world_new())
{
    // Only the bundle under test: nothing installed on the machine takes part.
    LilvNode* path = lilv_new_file_uri(world, nullptr, VEMO_LV2_BUNDLE "/");
    lilv_world_load_bundle(world, path);
    lilv_node_free(path);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri("urn:kestrune:vemo"));
}

Lv2Bundle::~Lv2Bundle()
{
    for (auto& [text, node] : nodes)
        lilv_node_free(node);
    lilv_world_free(world);
}

const LilvNode* Lv2Bundle::uri(const std::string& text)
{
    LilvNode*& node = nodes[text];
    if (node == nullptr)
        node = lilv_new_uri(world, text.c_str());
    return node;
}

// -------------------------------------------------------------------- host

namespace {
struct PropertySink {
    UridMap& urids;
    std::vector<Lv2Property> properties;
};

LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                       uint32_t)
{
    auto* sink = static_cast<PropertySink*>(handle);
    const char* keyUri = sink->urids.unmap(key);
    const char* typeUri = sink->urids.unmap(type);
    if (keyUri == nullptr || typeUri == nullptr || (value == nullptr && size > 0))
        return LV2_STATE_ERR_UNKNOWN;
    const auto* bytes = static_cast<const uint8_t*>(value);
    sink->properties.push_back({keyUri, typeUri, std::vector<uint8_t>(bytes, bytes + size)});
    return LV2_STATE_SUCCESS;
}

struct PropertySource {
    UridMap& urids;
    const std::vector<Lv2Property>& properties;
};

const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
    auto* source = static_cast<PropertySource*>(handle);
    const char* keyUri = source->urids.unmap(key);
    for (const Lv2Property& p : source->properties)
        if (keyUri != nullptr && p.key == keyUri) {
            *size = p.value.size();
            *type = source->urids.map(p.type);
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            // A property of no bytes still answers with a pointer.
            static const uint8_t none = 0;
            return p.value.empty() ? &none : p.value.data();
        }
    return nullptr;
}
} // namespace

Lv2Host::Lv2Host(double rate, int32_t maxBlock)
    : bundle(Lv2Bundle::get()), maxBlockLength(maxBlock), sampleRate(float(rate))
{
    if (bundle.plugin == nullptr) {
        error = "no plug-in urn:kestrune:vemo in " VEMO_LV2_BUNDLE;
        return;
    }
    UridMap& u = bundle.urids;
    const LilvPlugin* plugin = bundle.plugin;
    lv2_atom_forge_init(&forge, &u.mapData);

    const LV2_URID atomInt = u.map(LV2_ATOM__Int);
    options = {
        {LV2_OPTIONS_INSTANCE, 0, u.map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), atomInt, &maxBlockLength},
        {LV2_OPTIONS_INSTANCE, 0, u.map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), atomInt, &minBlockLength},
        {LV2_OPTIONS_INSTANCE, 0, u.map(LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), atomInt,
         &maxBlockLength},
        {LV2_OPTIONS_INSTANCE, 0, u.map(LV2_PARAMETERS__sampleRate), sizeof(float), u.map(LV2_ATOM__Float),
         &sampleRate},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    optionsFeature = {LV2_OPTIONS__options, options.data()};
    boundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    features = {&u.mapFeature, &u.unmapFeature, &optionsFeature, &boundedFeature, nullptr};

    // Control inputs start where the description says, as hosts start them.
    const uint32_t n = lilv_plugin_get_num_ports(plugin);
    controls.assign(n, 0.0f);
    std::vector<float> defaults(n);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    midiBuffer.assign(kMaxMidiBytes / 8, 0);
    notifyBuffer.assign(kNotifyBytes / 8, 0);

    instance = lilv_plugin_instantiate(plugin, rate, features.data());
    if (instance == nullptr) {
        error = "lilv_plugin_instantiate failed";
        return;
    }
    const LilvNode* input = bundle.uri(LV2_CORE__InputPort);
    const LilvNode* controlPort = bundle.uri(LV2_CORE__ControlPort);
    const LilvNode* audioPort = bundle.uri(LV2_CORE__AudioPort);
    const LilvNode* atomPort = bundle.uri(LV2_ATOM__AtomPort);
    for (uint32_t i = 0; i < n; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool isInput = lilv_port_is_a(plugin, port, input);
        if (lilv_port_is_a(plugin, port, controlPort)) {
            controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            lilv_instance_connect_port(instance, i, &controls[i]);
        } else if (lilv_port_is_a(plugin, port, atomPort)) {
            (isInput ? midiPort : notifyPort) = i;
            lilv_instance_connect_port(instance, i, isInput ? midiBuffer.data() : notifyBuffer.data());
        } else if (lilv_port_is_a(plugin, port, audioPort) && !isInput) {
            audioOutputs.push_back(i);
        } else {
            error = "port " + std::to_string(i) + " is of a kind this host does not connect";
        }
        symbols[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = i;
    }
    if (audioOutputs.size() != 2 || midiPort == UINT32_MAX || notifyPort == UINT32_MAX)
        error = "expected two audio outputs, a MIDI input and a notify output";
    lilv_instance_activate(instance);
}

Lv2Host::~Lv2Host()
{
    if (instance != nullptr) {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
}

void Lv2Host::run(float* left, float* right, uint32_t frames, const std::vector<Lv2Midi>& midi)
{
    if (instance == nullptr || audioOutputs.size() != 2)
        return;
    UridMap& u = bundle.urids;
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(midiBuffer.data()), kMaxMidiBytes);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    if (!tempoSent) {
        LV2_Atom_Forge_Frame position;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &position, 0, u.map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, u.map(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, 120.0f);
        lv2_atom_forge_key(&forge, u.map(LV2_TIME__speed));
        lv2_atom_forge_float(&forge, 1.0f);
        lv2_atom_forge_pop(&forge, &position);
        tempoSent = true;
    }
    const LV2_URID midiEvent = u.map(LV2_MIDI__MidiEvent);
    for (const Lv2Midi& m : midi) {
        lv2_atom_forge_frame_time(&forge, m.frame);
        lv2_atom_forge_atom(&forge, m.size, midiEvent);
        lv2_atom_forge_write(&forge, m.bytes, m.size);
    }
    lv2_atom_forge_pop(&forge, &sequence);

    // An output sequence's buffer goes in as a chunk of its capacity.
    auto* notify = reinterpret_cast<LV2_Atom*>(notifyBuffer.data());
    notify->type = u.map(LV2_ATOM__Chunk);
    notify->size = kNotifyBytes - sizeof(LV2_Atom);

    lilv_instance_connect_port(instance, audioOutputs[0], left);
    lilv_instance_connect_port(instance, audioOutputs[1], right);
    lilv_instance_run(instance, frames);

    if (notify->type != u.map(LV2_ATOM__Sequence) || notify->size > kNotifyBytes - sizeof(LV2_Atom)) {
        notifyWellFormed = false;
        return;
    }
    const auto* body = reinterpret_cast<const LV2_Atom_Sequence*>(notify);
    LV2_ATOM_SEQUENCE_FOREACH (body, event) {
        if (event->time.frames < 0 || event->time.frames > int64_t(frames) ||
            reinterpret_cast<const uint8_t*>(&event->body) + sizeof(LV2_Atom) + event->body.size >
                reinterpret_cast<const uint8_t*>(notifyBuffer.data()) + kNotifyBytes)
            notifyWellFormed = false;
    }
}

// ---------------------------------------------------------- presets, state

void Lv2Host::setPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type)
{
    auto* host = static_cast<Lv2Host*>(self);
    UridMap& u = host->bundle.urids;
    const auto at = host->symbols.find(symbol);
    if (at == host->symbols.end() || value == nullptr) {
        host->error = std::string("lilv set a port value for unknown port ") + symbol;
        return;
    }
    float v;
    if (type == u.map(LV2_ATOM__Float) && size == sizeof(float))
        std::memcpy(&v, value, sizeof v);
    else if (type == u.map(LV2_ATOM__Double) && size == sizeof(double))
        v = float(*static_cast<const double*>(value));
    else if (type == u.map(LV2_ATOM__Int) && size == sizeof(int32_t))
        v = float(*static_cast<const int32_t*>(value));
    else {
        host->error = std::string("port ") + symbol + " set with a value of type " +
                      (u.unmap(type) != nullptr ? u.unmap(type) : "?");
        return;
    }
    host->controls[at->second] = v;
}

const void* Lv2Host::getPortValue(const char* symbol, void* self, uint32_t* size, uint32_t* type)
{
    auto* host = static_cast<Lv2Host*>(self);
    const auto at = host->symbols.find(symbol);
    if (at == host->symbols.end())
        return nullptr;
    *size = sizeof(float);
    *type = host->bundle.urids.map(LV2_ATOM__Float);
    return &host->controls[at->second];
}

bool Lv2Host::applyPreset(const LilvNode* preset)
{
    if (instance == nullptr || lilv_world_load_resource(bundle.world, preset) < 0)
        return false;
    LilvState* state = lilv_state_new_from_world(bundle.world, &bundle.urids.mapData, preset);
    if (state == nullptr)
        return false;
    lilv_state_restore(state, instance, &Lv2Host::setPortValue, this, 0, features.data());
    lilv_state_free(state);
    return true;
}

bool Lv2Host::saveState(const std::string& dir)
{
    if (instance == nullptr)
        return false;
    LilvState* state = lilv_state_new_from_instance(bundle.plugin, instance, &bundle.urids.mapData, nullptr,
                                                    dir.c_str(), dir.c_str(), dir.c_str(),
                                                    &Lv2Host::getPortValue, this,
                                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
    if (state == nullptr)
        return false;
    const int status = lilv_state_save(bundle.world, &bundle.urids.mapData, &bundle.urids.unmapData, state,
                                       nullptr, dir.c_str(), "state.ttl");
    lilv_state_free(state);
    return status == 0;
}

bool Lv2Host::loadState(const std::string& dir)
{
    if (instance == nullptr)
        return false;
    LilvState* state =
        lilv_state_new_from_file(bundle.world, &bundle.urids.mapData, nullptr, (dir + "/state.ttl").c_str());
    if (state == nullptr)
        return false;
    lilv_state_restore(state, instance, &Lv2Host::setPortValue, this, 0, features.data());
    lilv_state_free(state);
    return true;
}

const LV2_State_Interface* Lv2Host::stateInterface()
{
    return instance != nullptr
               ? static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface))
               : nullptr;
}

std::vector<Lv2Property> Lv2Host::properties()
{
    PropertySink sink{bundle.urids, {}};
    if (const LV2_State_Interface* state = stateInterface())
        state->save(lilv_instance_get_handle(instance), store, &sink, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                    features.data());
    return sink.properties;
}

LV2_State_Status Lv2Host::restore(const std::vector<Lv2Property>& properties)
{
    const LV2_State_Interface* state = stateInterface();
    if (state == nullptr)
        return LV2_STATE_ERR_NO_FEATURE;
    PropertySource source{bundle.urids, properties};
    return state->restore(lilv_instance_get_handle(instance), retrieve, &source, 0, features.data());
}

} // namespace vemotest
