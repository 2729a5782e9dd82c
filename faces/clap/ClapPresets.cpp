#include "faces/clap/ClapPresets.h"

#include "core/FactoryBank.h"
#include "faces/clap/ClapPlugin.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace vemo::clapface {

using namespace clap;

namespace {

constexpr char kProviderId[] = "com.kestrune.vemo.factory";

const clap_preset_discovery_provider_descriptor kProvider = {kVersion, kProviderId, "VEMO factory sounds",
                                                             "Kestrune"};

// Slots of the factory bank that hold no sound of their own keep the
// neutral record's name.
bool isFactorySound(int32_t program)
{
    return std::strncmp(factoryBank()[program].name, "default", kProgramNameBytes) != 0;
}

struct Provider {
    clap_preset_discovery_provider record;
    const clap_preset_discovery_indexer* indexer;
};

bool providerInit(const clap_preset_discovery_provider* p)
{
    const auto* self = static_cast<const Provider*>(p->provider_data);
    if (self->indexer->declare_location == nullptr)
        return false;
    const clap_preset_discovery_location location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "VEMO factory sounds",
                                                     CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return self->indexer->declare_location(self->indexer, &location);
}

void providerDestroy(const clap_preset_discovery_provider* p) { delete static_cast<const Provider*>(p->provider_data); }

bool providerMetadata(const clap_preset_discovery_provider*, uint32_t kind, const char* location,
                      const clap_preset_discovery_metadata_receiver* receiver)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr || receiver == nullptr ||
        receiver->begin_preset == nullptr)
        return false;
    const clap_universal_plugin_id id = {"clap", kPluginId};
    for (int32_t program = 0; program < kNumPrograms; ++program) {
        if (!isFactorySound(program))
            continue;
        // A 24-character name fills its field without a terminator.
        char name[kProgramNameBytes + 1] = {};
        std::memcpy(name, factoryBank()[program].name, kProgramNameBytes);
        char key[8];
        std::snprintf(key, sizeof key, "%d", int(program));
        if (!receiver->begin_preset(receiver, name, key))
            return true; // the host has seen enough
        if (receiver->add_plugin_id != nullptr)
            receiver->add_plugin_id(receiver, &id);
        if (receiver->set_flags != nullptr)
            receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        if (receiver->add_creator != nullptr)
            receiver->add_creator(receiver, "Kestrune");
    }
    return true;
}

const void* providerExtension(const clap_preset_discovery_provider*, const char*) { return nullptr; }

uint32_t factoryCount(const clap_preset_discovery_factory*) { return 1; }

const clap_preset_discovery_provider_descriptor* factoryDescriptor(const clap_preset_discovery_factory*,
                                                                   uint32_t index)
{
    return index == 0 ? &kProvider : nullptr;
}

const clap_preset_discovery_provider* factoryCreate(const clap_preset_discovery_factory*,
                                                    const clap_preset_discovery_indexer* indexer, const char* id)
{
    if (indexer == nullptr || id == nullptr || std::strcmp(id, kProviderId) != 0)
        return nullptr;
    auto* provider = new (std::nothrow) Provider{};
    if (provider == nullptr)
        return nullptr;
    provider->indexer = indexer;
    provider->record = {&kProvider, provider, providerInit, providerDestroy, providerMetadata, providerExtension};
    return &provider->record;
}

const clap_preset_discovery_factory kFactory = {factoryCount, factoryDescriptor, factoryCreate};

} // namespace

const clap_preset_discovery_factory* presetDiscoveryFactory() { return &kFactory; }

int32_t presetProgram(const char* loadKey)
{
    if (loadKey == nullptr || loadKey[0] == 0 || std::strlen(loadKey) > 3)
        return -1;
    int32_t program = 0;
    for (const char* c = loadKey; *c != 0; ++c) {
        if (*c < '0' || *c > '9')
            return -1;
        program = program * 10 + (*c - '0');
    }
    return program < kNumPrograms && isFactorySound(program) ? program : -1;
}

} // namespace vemo::clapface
