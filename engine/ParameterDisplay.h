// What a parameter's value means in the sound, as a number with its unit and
// as the short texts a host shows beside the parameter's name: "2.05" "kHz",
// "388" "ms", "-6.0" "dB", "saw", "1/8" "sync".
//
// Every figure comes from the formulas the engine and the voices run with,
// taken from beside the code they describe: the ladder's corner from its own
// stage gain (LadderFilter::cornerFrequency), envelope times from the
// envelope's steps (Envelope::segmentFrames), the LFO rate from the
// increment the engine sets (lfoSoundingRate), the high-pass corner from the
// pole the engine gives its three stages. Times and frequencies are for the
// given sample rate.
//
// Pure functions of their arguments: any thread, no allocation, no state,
// a few dozen floating-point operations per call.
#pragma once

#include "voice/ParameterTable.h"

#include <cstdint>

namespace vemo {

enum class Unit : uint8_t { None, Percent, Decibel, Cent, Semitone, Hertz, Second };

// A parameter's value read as the sound uses it.
struct ParameterReading {
    Unit unit = Unit::None;
    double quantity = 0.0;    // in `unit` (seconds, Hz, dB ...); +-inf where unbounded
    const char* text = nullptr; // switch and menu values, the synced LFO division, "hold"
    const char* label = nullptr; // a label other than the unit's own ("sync", "% mod")
    bool signedQuantity = false; // shown with its sign (tuning, octave)
    int8_t decimals = -1;        // most decimals shown; -1 for the unit's own
};

// Reads parameter `index` at `value`. `values` holds all 47 current values:
// a few parameters mean something different depending on another one (the
// LFO rate on LFO1CLOCK, the pulse width on the manual and envelope
// switches). sampleRate: the host rate in Hz.
ParameterReading readParameter(int32_t index, float value, const float* values, float sampleRate);

// Both host texts are at most this long with their terminator: the
// interface's limit for effGetParamDisplay and effGetParamLabel.
inline constexpr int kParameterTextBytes = 8;

struct ParameterText {
    char display[kParameterTextBytes] = {}; // "2.05", "saw", "-inf"
    char label[kParameterTextBytes] = {};   // "kHz", "dB", "" for texts
};

// The display and label texts of parameter `index` at its current value
// values[index]. An index outside 0..46 gives two empty texts.
ParameterText formatParameter(int32_t index, const float* values, float sampleRate);

// Formats a reading into the two texts (used by formatParameter, and by
// anything that reads a value it does not hold in a parameter array).
ParameterText formatReading(const ParameterReading& reading);

} // namespace vemo
