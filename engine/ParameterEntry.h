// A parameter's value from what a user types: a menu entry or switch text
// ("saw", "1/8", "on"), an octave ("+12"), a plain value, or a quantity with
// its unit ("1.2kHz", "250 ms", "-6 dB"), turned into the parameter value
// that reads so (engine/ParameterDisplay.h). vemo-render's --set and the
// CLAP face's text_to_value take values through it.
//
// Any thread but the audio thread: it allocates (strings, exceptions).
#pragma once

#include <stdexcept>
#include <string>

namespace vemo {

class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of parameter `index` that `text` stands for; `values` are the
// 47 current values (some readings depend on another parameter) and
// `sampleRate` the host's rate. Throws ValueError saying what the
// parameter takes.
float vemoValueOf(int index, const std::string& text, const float* values, float sampleRate);

// The parameter's name for messages: its host name, or its readable name
// where the host sees only "Param".
std::string vemoParameterName(int index);

// What the parameter takes, for messages and --list-params: "0..1",
// "sin tri saw rec noise", "off on".
std::string vemoValueForms(int index);

} // namespace vemo
