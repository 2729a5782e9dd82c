#include "engine/ParameterEntry.h"

#include "engine/ParameterDisplay.h"
#include "voice/ParameterTable.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vemo {

namespace {

std::string trimmed(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

std::string lowered(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string number(double x)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", x);
    return text;
}

// A quantity typed with its unit, in the units readings use (semitones for
// both cents and semitones, so the two compare).
struct Quantity {
    vemo::Unit unit = vemo::Unit::None;
    double value = 0.0;
};

bool parseQuantity(const std::string& text, Quantity& q)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const double x = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(x))
        return false;
    const std::string unit = lowered(trimmed(end));
    using vemo::Unit;
    struct Known {
        const char* name;
        Unit unit;
        double scale;
    };
    static const Known known[] = {
        {"hz", Unit::Hertz, 1.0},      {"khz", Unit::Hertz, 1000.0},  {"ms", Unit::Second, 0.001},
        {"s", Unit::Second, 1.0},      {"sec", Unit::Second, 1.0},    {"min", Unit::Second, 60.0},
        {"db", Unit::Decibel, 1.0},    {"%", Unit::Percent, 1.0},     {"cents", Unit::Semitone, 0.01},
        {"cent", Unit::Semitone, 0.01}, {"ct", Unit::Semitone, 0.01}, {"semi", Unit::Semitone, 1.0},
        {"st", Unit::Semitone, 1.0},   {"semitones", Unit::Semitone, 1.0},
    };
    for (const Known& k : known) {
        if (unit == k.name) {
            q.unit = k.unit;
            q.value = x * k.scale;
            return true;
        }
    }
    return false;
}

// The reading of `index` at `v`, as a number in the units of Quantity;
// NaN where the reading is a text (a synced LFO rate), +inf for "hold".
double quantityAt(int index, float v, const float* values, float rate, vemo::Unit& unit)
{
    vemo::ParameterReading r = vemo::readParameter(index, v, values, rate);
    unit = r.unit == vemo::Unit::Cent ? vemo::Unit::Semitone : r.unit;
    if (r.text != nullptr) {
        unit = vemo::Unit::None;
        return std::string(r.text) == "hold" ? INFINITY : NAN;
    }
    return r.unit == vemo::Unit::Cent ? r.quantity / 100.0 : r.quantity;
}

// What the parameter shows at `v`, the other values as they are.
std::string shownAt(int index, float v, const float* values, float rate)
{
    float at[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i)
        at[i] = values[i];
    at[index] = v;
    const vemo::ParameterText t = vemo::formatParameter(index, at, rate);
    return std::string(t.display) + (t.label[0] ? " " : "") + t.label;
}

const char* unitExample(vemo::Unit unit)
{
    switch (unit) {
    case vemo::Unit::Hertz: return "a frequency such as 2.5kHz";
    case vemo::Unit::Second: return "a time such as 250ms";
    case vemo::Unit::Decibel: return "a level such as -6dB";
    case vemo::Unit::Percent: return "a percentage such as 40%";
    case vemo::Unit::Semitone:
    case vemo::Unit::Cent: return "an interval such as +25cents";
    case vemo::Unit::None: break;
    }
    return nullptr;
}

} // namespace

std::string vemoParameterName(int index)
{
    const ParameterInfo* p = parameterInfo(index);
    if (p == nullptr)
        return "?";
    return std::string(p->hostName) != "Param" ? p->hostName : p->title;
}

std::string vemoValueForms(int index)
{
    const ParameterInfo* p = parameterInfo(index);
    if (p == nullptr)
        return "";
    std::string forms;
    switch (p->kind) {
    case ParameterKind::Switch:
    case ParameterKind::Menu:
        for (int32_t i = 0; i < p->textCount; ++i) {
            if (i > 0)
                forms += ' ';
            forms += p->texts[i];
        }
        return forms + " (or " + number(p->minimum) + ".." + number(p->maximum) + ")";
    case ParameterKind::Stepped:
        return "-12 0 +12 semi (or 0..1)";
    case ParameterKind::Continuous:
        break;
    }
    forms = "0..1";
    float values[kNumParameters] = {};
    vemo::Unit unit = vemo::Unit::None;
    quantityAt(index, 0.5f, values, 44100.0f, unit);
    if (const char* example = unitExample(unit))
        forms += ", or " + std::string(example);
    return forms;
}

float vemoValueOf(int index, const std::string& typed, const float* values, float sampleRate)
{
    const ParameterInfo* p = parameterInfo(index);
    if (p == nullptr)
        throw ValueError("no such parameter");
    const std::string text = trimmed(typed);
    const std::string takes = vemoParameterName(index) + " takes " + vemoValueForms(index);

    float value = 0.0f;
    if (parameterValueOfText(index, text, value))
        return value;

    // A plain number is the parameter's own value.
    {
        char* end = nullptr;
        const float x = std::strtof(text.c_str(), &end);
        if (!text.empty() && end != text.c_str() && *end == 0) {
            if (!std::isfinite(x) || x < p->minimum || x > p->maximum)
                throw ValueError("'" + text + "' is outside the range: " + takes);
            return x;
        }
    }

    Quantity wanted;
    if (!parseQuantity(text, wanted))
        throw ValueError("'" + text + "' is not a value of this parameter: " + takes);

    if (p->kind == ParameterKind::Stepped) {
        // The octave switch, as the editor and the factory bank set it.
        if (wanted.unit == vemo::Unit::Semitone && wanted.value == -12.0)
            return 0.0f;
        if (wanted.unit == vemo::Unit::Semitone && wanted.value == 0.0)
            return 0.5f;
        if (wanted.unit == vemo::Unit::Semitone && wanted.value == 12.0)
            return 2.0f / 3.0f;
        throw ValueError("'" + text + "': " + takes);
    }
    if (p->kind != ParameterKind::Continuous)
        throw ValueError("'" + text + "': " + takes);

    // The value whose reading is the quantity asked for: every reading rises
    // or falls steadily with its value, so halve the interval until the two
    // ends meet.
    vemo::Unit unit = vemo::Unit::None;
    double low = quantityAt(index, 0.0f, values, sampleRate, unit);
    vemo::Unit topUnit = vemo::Unit::None;
    double high = quantityAt(index, 1.0f, values, sampleRate, topUnit);
    if (unit == vemo::Unit::None)
        unit = topUnit;
    if (unit != wanted.unit || std::isnan(low) || std::isnan(high))
        throw ValueError("'" + text + "' is not a value of this parameter now: " + takes);
    const bool rising = high >= low;
    const double lo = rising ? low : high, hi = rising ? high : low;
    if (!(wanted.value >= lo && wanted.value <= hi))
        throw ValueError("'" + text + "' is outside what " + vemoParameterName(index) + " reaches: " +
                         shownAt(index, rising ? 0.0f : 1.0f, values, sampleRate) + " to " +
                         shownAt(index, rising ? 1.0f : 0.0f, values, sampleRate));
    float v0 = 0.0f, v1 = 1.0f;
    for (int i = 0; i < 64 && v1 - v0 > 1e-7f; ++i) {
        const float mid = 0.5f * (v0 + v1);
        vemo::Unit u;
        const double q = quantityAt(index, mid, values, sampleRate, u);
        if ((q < wanted.value) == rising)
            v0 = mid;
        else
            v1 = mid;
    }
    // The nearer end of the last interval.
    vemo::Unit u;
    const double q0 = quantityAt(index, v0, values, sampleRate, u);
    const double q1 = quantityAt(index, v1, values, sampleRate, u);
    return std::fabs(q0 - wanted.value) <= std::fabs(q1 - wanted.value) ? v0 : v1;
}

} // namespace vemo
