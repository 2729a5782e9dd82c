// What vemo-render knows about VEMO's own parameters beyond what any VST
// host can ask: the parameter table (names, kinds, ranges, menu entries) and
// the readings behind the values shown. With VEMO loaded, --set takes a
// parameter's readable name as well as its host name, refuses values outside
// its range, and takes a value in the form it is shown in: a menu entry or
// switch text ("saw", "1/8", "on"), an octave ("+12"), or a quantity with its
// unit ("1.2kHz", "250 ms", "-6 dB"), turned into the parameter value that
// reads so. Other plug-ins get the plain VST treatment.
#pragma once

#include "engine/ParameterEntry.h"
#include "tools/vemo-render/PluginHost.h"
#include "voice/ParameterBlock.h"

#include <stdexcept>
#include <string>

namespace vemo::render {

// Whether the loaded plug-in is VEMO (its unique ID and parameter count).
bool isVemo(const PluginInfo& info);

// The readings' parser lives with the engine (the CLAP face takes typed
// values through it too).
using vemo::ValueError;
using vemo::vemoParameterName;
using vemo::vemoValueForms;
using vemo::vemoValueOf;

} // namespace vemo::render
