// .fxp/.fxb files to and from a loaded plug-in: the chunk kinds for a
// plug-in that keeps its state as chunks, the parameter kinds otherwise.
#pragma once

#include "tools/vemo-render/PresetFile.h"

#include <string>

namespace vemo::render {

class PluginHost;

// The current program (bank = false) or the whole bank as a preset file.
PresetFile capturePreset(PluginHost& host, bool bank);

// Checks that the preset fits the plug-in, then applies it: a program goes
// into the current program slot, a bank replaces the bank. Throws
// PresetFileError.
void applyPreset(PluginHost& host, const PresetFile& preset, bool bank);

// The same with files; errors start with the path.
void savePresetFile(PluginHost& host, const std::string& path, bool bank);
void loadPresetFile(PluginHost& host, const std::string& path, bool bank);

} // namespace vemo::render
