// What vemo-render knows about VEMO's own parameters beyond what any VST
// host can ask: the parameter table (names, kinds, ranges, menu entries) and
// the readings behind the values shown. With VEMO loaded, --set takes a
// parameter's readable name as well as its host name, refuses values outside
// its range, and takes a value in the form it is shown in: a menu entry or
// switch text ("saw", "1/8", "on"), an octave ("+12"), or a quantity with its
// unit ("1.2kHz", "250 ms", "-6 dB"), turned into the parameter value that
// reads so. Other plug-ins get the plain VST treatment.
#pragma once

#include "tools/vemo-render/PluginHost.h"

#include <stdexcept>
#include <string>

namespace vemo::render {

// Whether the loaded plug-in is VEMO (its unique ID and parameter count).
bool isVemo(const PluginInfo& info);

class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of VEMO parameter `index` that `text` stands for; `values` are
// the 47 current values (some readings depend on another parameter) and
// `sampleRate` the render's rate. Throws ValueError saying what the
// parameter takes.
float vemoValueOf(int index, const std::string& text, const float* values, float sampleRate);

// The parameter's name for messages: its host name, or its readable name
// where the host sees only "Param".
std::string vemoParameterName(int index);

// What the parameter takes, for messages and --list-params: "0..1",
// "sin tri saw rec noise", "off on".
std::string vemoValueForms(int index);

} // namespace vemo::render
