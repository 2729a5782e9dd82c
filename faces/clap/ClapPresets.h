// The factory sounds as CLAP presets: the preset-discovery factory a host of
// CLAP 1.2 or later asks the entry for (it lists the named programs of the
// factory bank, held inside the plug-in), and the plug-in's preset-load
// extension, which a host calls with one of them.
//
// Threads: the factory's calls on any thread (it reads only constant data);
// a provider belongs to the thread of the host's indexer; loading on the
// main thread.
#pragma once

#include "clap/ClapAbi.h"

namespace vemo::clapface {

const clap::clap_preset_discovery_factory* presetDiscoveryFactory();

// The load key of factory program `program` ("0".."119"), and back: -1 for
// a key that names no factory sound.
int32_t presetProgram(const char* loadKey);

} // namespace vemo::clapface
