// What the program knows about each of the 47 parameters, in one place: the
// name the host sees, a readable name for the editor's display and for
// vemo-render, the kind of value, the range a restored value is brought
// into, how a switch tests "on", whether the editor has a control for it,
// its menu entries or switch texts, and the rule that turns its value into
// the musical quantity shown to the player (engine/ParameterDisplay.h).
//
// The indices are the kParam* names of voice/ParameterBlock.h. Everything
// else that needs a parameter fact (the host names, restoring chunks, the
// factory bank, the chorus switches, the editor's tags, vemo-render) reads
// it from here.
//
// Plain constant data: any thread may read it at any time.
#pragma once

#include "voice/ParameterBlock.h"

#include <cstdint>
#include <string_view>

enum class ParameterKind : uint8_t {
    Continuous, // 0..1, read as a number
    Switch,     // 0.0 off, 1.0 on
    Menu,       // the entry index as a float, read by truncation
    Stepped,    // 0..1 read in a few steps (the octave switch)
};

// How the sound uses the value, and so how it is shown.
enum class ParameterShow : uint8_t {
    Percent,        // a plain amount, 0..100 %
    Unused,         // stored and saved, read by nothing: shown as a percentage
    OnOff,          // a switch: its two texts
    MenuEntry,      // a menu: the entry text
    OutputGainSquared, // dB of v * v (VOLUME)
    Gain,           // dB of v (ENVVOLUME, NOISEVOLUME)
    SustainLevel,   // dB of v; below 0.005 the decay runs on to silence
    SubLevel,       // dB of 0.9 * v (SUBOSCVOLUME)
    FineTune,       // cents: (v - 0.5) * 200
    PitchLfoDepth,  // semitones or cents at full LFO swing: 12 * v^3
    BendDepth,      // semitones at full bend: 12 * v
    Octave,         // semitones: -12, 0 or +12
    PulseWidth,     // duty cycle (manual width) or its swing, %
    LowPassCutoff,  // Hz: the ladder's corner for the tapered value
    HighPassCutoff, // Hz: the corner of the three output high-pass stages
    CutoffDepth,    // % of the cutoff range (FILTERLFO: 0.5 * v^3)
    Attack,         // time of the attack segment
    Decay,          // time of a full decay
    Release,        // time of a full release
    LfoRate,        // Hz, or the tempo division when LFO1CLOCK syncs it
    LfoDelay,       // time: v seconds
};

struct ParameterInfo {
    const char* hostName;   // what getParameterName answers ("Param" where none)
    const char* title;      // readable name, unique, at most 16 characters
    ParameterKind kind;
    ParameterShow show;
    float minimum;          // a restored value is brought into minimum..maximum
    float maximum;
    bool onWhenPositive;    // switches: on when > 0 (else when not 0)
    bool editorControl;     // the editor has a control for it
    const char* const* texts; // Menu: the entries; Switch: "off" and "on" texts
    int32_t textCount;
};

// The table, indexed by parameter 0..46.
extern const ParameterInfo kParameterTable[kNumParameters];

// The entry for `index`, or null outside 0..46.
const ParameterInfo* parameterInfo(int32_t index);

// The host name for any index ("Param" outside 0..46).
const char* parameterHostName(int32_t index);

// Longest host name plus terminator: what getParameterName may write.
inline constexpr int kMaxParameterNameBytes = 18;

// Whether a switch value counts as on, by the parameter's own test.
bool parameterIsOn(int32_t index, float value);

// The entry (Menu) or switch text a value selects, by the engine's reading
// (truncation for menus); null when the value selects none of them.
const char* parameterText(int32_t index, float value);

// The index whose title or host name is `name`, ignoring case ("Param"
// matches none); -1 when there is none.
int32_t findParameter(std::string_view name);

// The value a switch or menu text stands for, ignoring case; false when
// `text` is none of the parameter's texts (or it has none).
bool parameterValueOfText(int32_t index, std::string_view text, float& value);

// A value brought into the parameter's range (NaN becomes the minimum).
float bringIntoRange(int32_t index, float value);
