// Parameter automation for a render: a parameter ramps linearly from point
// to point. Written NAME=T:V[,T:V...] with T in seconds ("12.5", "12.5s")
// or as bar:beat of the song's tempo map and time signatures ("5:1" is the
// first beat of bar 5, "5:2.5" half way through its second beat), and V the
// parameter's value. Before its first point a parameter keeps the value the
// sound gives it; after its last point it stays at the last value. Two
// points at the same time make a jump.
//
// The renderer sends the values between blocks: exactly at every point's
// frame, and every kAutomationStep frames while a ramp moves, whatever the
// block size (blocks are split there).
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

class TempoMap;

constexpr int kAutomationStep = 32; // frames between values on a ramp (0.73 ms at 44.1 kHz)

class AutomationError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct AutomationTime {
    bool musical = false; // bar:beat rather than seconds
    double seconds = 0.0;
    int64_t bar = 1;      // 1-based
    double beat = 1.0;    // 1-based, fractions allowed
};

struct AutomationRequest {
    std::string parameter; // name or index as written
    std::vector<AutomationTime> times;
    std::vector<double> values;
};

// Parses NAME=T:V[,T:V...]. Throws AutomationError saying what is wrong.
AutomationRequest parseAutomation(const std::string& text);

// Song seconds of a time; throws AutomationError when a beat lies outside
// its bar.
double automationSeconds(const AutomationTime& time, const TempoMap& map);

struct AutomationPoint {
    int64_t frame = 0;
    float value = 0.0f;
};

struct ParameterAutomation {
    int index = 0;
    std::vector<AutomationPoint> points; // frame order, at least one

    // Value at a frame at or after the first point.
    float valueAt(int64_t frame) const;
    // The next frame after `frame` at which a new value is due, or -1.
    int64_t nextChange(int64_t frame) const;
};

} // namespace vemo::render
