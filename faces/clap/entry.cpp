// The CLAP entry and its one factory: the only symbol the module exports.
// init and deinit may be called by a scanner many times, from its main
// thread; nothing global is kept between them.
#include "faces/clap/ClapPlugin.h"
#include "faces/clap/ClapPresets.h"

#include <cstring>

using namespace clap;

namespace {

uint32_t pluginCount(const clap_plugin_factory*) { return 1; }

const clap_plugin_descriptor* pluginDescriptor(const clap_plugin_factory*, uint32_t index)
{
    return index == 0 ? &vemo::clapface::descriptor() : nullptr;
}

const clap_plugin* createPlugin(const clap_plugin_factory*, const clap_host* host, const char* id)
{
    if (id == nullptr || std::strcmp(id, vemo::clapface::kPluginId) != 0)
        return nullptr;
    return vemo::clapface::ClapPlugin::create(host);
}

const clap_plugin_factory kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* entryFactory(const char* id)
{
    if (id == nullptr)
        return nullptr;
    if (std::strcmp(id, kPluginFactoryId) == 0)
        return &kFactory;
    if (std::strcmp(id, kPresetDiscoveryFactoryId) == 0 || std::strcmp(id, kPresetDiscoveryFactoryIdCompat) == 0)
        return vemo::clapface::presetDiscoveryFactory();
    return nullptr;
}

} // namespace

extern "C" {
#if defined(_WIN32)
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
extern const clap_plugin_entry clap_entry = {kVersion, entryInit, entryDeinit, entryFactory};
}
