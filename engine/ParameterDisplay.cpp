#include "engine/ParameterDisplay.h"

#include "engine/Lfo.h"
#include "engine/OnePoleFilter.h"
#include "engine/SynthEngine.h"
#include "voice/Envelope.h"
#include "voice/LadderFilter.h"
#include "voice/Voice.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vemo {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

ParameterReading reading(Unit unit, double quantity, const char* label = nullptr)
{
    ParameterReading r;
    r.unit = unit;
    r.quantity = quantity;
    r.label = label;
    return r;
}

ParameterReading signedReading(Unit unit, double quantity, int8_t decimals = -1)
{
    ParameterReading r = reading(unit, quantity);
    r.signedQuantity = true;
    r.decimals = decimals;
    return r;
}

ParameterReading textReading(const char* text, const char* label = nullptr)
{
    ParameterReading r;
    r.text = text;
    r.label = label;
    return r;
}

double decibels(double gain)
{
    const double g = std::fabs(gain);
    return g > 0.0 ? 20.0 * std::log10(g) : -kInfinity;
}

// A menu index as the engine reads it: truncated; values beyond the int
// range count as 0.
int32_t menuIndex(float value)
{
    if (!(value > -2147483648.0f && value < 2147483648.0f))
        return 0;
    return int32_t(value);
}

ParameterReading segmentTime(Envelope::Segment segment, float value, float sampleRate)
{
    const double frames = Envelope::segmentFrames(segment, value, sampleRate);
    if (!std::isfinite(frames))
        return textReading("hold");
    return reading(Unit::Second, frames / double(sampleRate));
}

// ---------------------------------------------------------------- texts

// Writes x with `significant` digits, but at most `maxDecimals` decimals and
// no more characters than fit in `cap` bytes with the terminator.
void writeNumber(double x, int significant, int maxDecimals, bool plusSign, char* out, int cap)
{
    if (std::isnan(x)) {
        std::strcpy(out, "?");
        return;
    }
    if (std::isinf(x)) {
        std::strcpy(out, x < 0 ? "-inf" : "inf");
        return;
    }
    if (x == 0.0) {
        std::strcpy(out, "0");
        return;
    }
    const bool negative = x < 0.0;
    const double a = std::fabs(x);
    int decimals = maxDecimals < significant - 1 ? maxDecimals : significant - 1;
    if (a > 0.0) {
        const int exponent = int(std::floor(std::log10(a)));
        decimals = significant - 1 - exponent;
        if (decimals < 0)
            decimals = 0;
        if (decimals > maxDecimals)
            decimals = maxDecimals;
    }
    // Room for the sign, the point and the digits.
    char digits[32];
    for (;; --decimals) {
        double scaled = a;
        for (int i = 0; i < decimals; ++i)
            scaled *= 10.0;
        const double n = std::round(scaled);
        // A carry into a new digit (9.995 -> 10.00) drops one decimal.
        double limit = 1.0;
        for (int i = 0; i < significant; ++i)
            limit *= 10.0;
        if (decimals > 0 && a > 0.0 && n >= limit)
            continue;
        if (n >= 1e15) {
            std::strcpy(out, negative ? "-big" : "big");
            return;
        }
        // Digits of n, most significant first, at least decimals + 1 of them.
        auto whole = static_cast<unsigned long long>(n);
        int count = 0;
        char reversed[24];
        do {
            reversed[count++] = char('0' + whole % 10);
            whole /= 10;
        } while (whole != 0 || count < decimals + 1);
        int length = 0;
        if (negative && n != 0.0)
            digits[length++] = '-';
        else if (plusSign && n != 0.0)
            digits[length++] = '+';
        for (int i = count - 1; i >= 0; --i) {
            digits[length++] = reversed[i];
            if (i == decimals && decimals > 0)
                digits[length++] = '.';
        }
        digits[length] = 0;
        if (length < cap || decimals == 0)
            break;
    }
    if (int(std::strlen(digits)) >= cap) {
        std::strcpy(out, negative ? "-big" : "big");
        return;
    }
    std::strcpy(out, digits);
}

void copyText(char* out, const char* text)
{
    std::strncpy(out, text, kParameterTextBytes - 1);
    out[kParameterTextBytes - 1] = 0;
}

} // namespace

ParameterReading readParameter(int32_t index, float value, const float* values, float sampleRate)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info == nullptr)
        return {};
    switch (info->show) {
    case ParameterShow::Percent:
    case ParameterShow::Unused:
        return reading(Unit::Percent, double(value) * 100.0);
    case ParameterShow::OnOff:
    case ParameterShow::MenuEntry: {
        if (const char* text = parameterText(index, value))
            return textReading(text);
        // Numbers no menu entry has: the wave menu's other numbers give the
        // random wave held one step (sample and hold of the previous draw);
        // the clock menu's other numbers leave the rate as the last note set it.
        return textReading(index == kParamLfoWaveform ? "S&H" : "hold");
    }
    case ParameterShow::OutputGainSquared:
        return reading(Unit::Decibel, decibels(double(value) * double(value)));
    case ParameterShow::Gain:
        return reading(Unit::Decibel, decibels(value));
    case ParameterShow::SustainLevel:
        // The level a decay stops at; the envelope turns levels below 0.005
        // into 0, so a lower sustain decays on to silence.
        return reading(Unit::Decibel, value < 0.005f ? -kInfinity : decibels(value));
    case ParameterShow::SubLevel:
        return reading(Unit::Decibel, decibels(0.9 * double(value)));
    case ParameterShow::FineTune:
        return signedReading(Unit::Cent, (double(value) - 0.5) * 2.0 * 100.0);
    case ParameterShow::PitchLfoDepth: {
        const double semitones = double(value) * double(value) * double(value) * 12.0;
        if (std::fabs(semitones) < 1.0)
            return reading(Unit::Cent, semitones * 100.0);
        return reading(Unit::Semitone, semitones);
    }
    case ParameterShow::BendDepth:
        return reading(Unit::Semitone, double(value) * 12.0);
    case ParameterShow::Octave:
        return signedReading(Unit::Semitone, value < 0.25f ? -12.0 : value > 0.5f ? 12.0 : 0.0, 0);
    case ParameterShow::PulseWidth:
        if (values != nullptr && values[kParamManualPw] != 0.0f) {
            // Width value (v + 1) / 2; the high part of the cycle is 0.9 - 0.8 * width.
            const double width = (double(value) + 1.0) * 0.5;
            return reading(Unit::Percent, (0.9 - 0.8 * width) * 100.0);
        }
        // LFO or envelope: the depth of the sweep.
        return reading(Unit::Percent, double(value) * 100.0, "% mod");
    case ParameterShow::LowPassCutoff:
        return reading(Unit::Hertz,
                       LadderFilter::cornerFrequency(Voice::taperedCutoff(value), sampleRate));
    case ParameterShow::HighPassCutoff:
        return reading(Unit::Hertz,
                       OnePoleFilter::highPassCorner(SynthEngine::highPassPole(value),
                                                     SynthEngine::kHighPassStages, sampleRate));
    case ParameterShow::CutoffDepth:
        return reading(Unit::Percent, 0.5 * double(value) * double(value) * double(value) * 100.0);
    case ParameterShow::Attack:
        return segmentTime(Envelope::Segment::Attack, value, sampleRate);
    case ParameterShow::Decay:
        return segmentTime(Envelope::Segment::Decay, value, sampleRate);
    case ParameterShow::Release:
        return segmentTime(Envelope::Segment::Release, value, sampleRate);
    case ParameterShow::LfoRate: {
        const int32_t clock = values != nullptr ? menuIndex(values[kParamLfoClock]) : 0;
        if (clock != 0) {
            if (const char* division = parameterText(kParamLfoClock, float(clock)))
                return textReading(division, "sync");
            return textReading("hold");
        }
        return reading(Unit::Hertz, lfoSoundingRate(lfoFreeRunningRate(value), sampleRate));
    }
    case ParameterShow::LfoDelay: {
        // Held for every frame whose count is below rate * value.
        const double frames = value > 0.0f ? std::ceil(double(sampleRate * value)) : 0.0;
        return reading(Unit::Second, frames / double(sampleRate));
    }
    }
    return {};
}

namespace {

ParameterText formatQuantity(const ParameterReading& r)
{
    ParameterText t;
    constexpr int cap = kParameterTextBytes;
    if (r.text != nullptr) {
        copyText(t.display, r.text);
        return t;
    }
    const double q = r.quantity;
    const bool sign = r.signedQuantity;
    auto number = [&](double x, int unitDecimals) {
        const int decimals = r.decimals >= 0 ? r.decimals : unitDecimals;
        writeNumber(x, 3, decimals, sign, t.display, cap);
    };
    switch (r.unit) {
    case Unit::None:
        number(q, 3);
        break;
    case Unit::Percent:
        number(q, 1);
        copyText(t.label, "%");
        break;
    case Unit::Decibel:
        number(q, 1);
        copyText(t.label, "dB");
        break;
    case Unit::Cent:
        number(q, 1);
        copyText(t.label, "cents");
        break;
    case Unit::Semitone:
        number(q, 2);
        copyText(t.label, "semi");
        break;
    case Unit::Hertz:
        if (std::fabs(q) >= 999.5) {
            number(q / 1000.0, 2);
            copyText(t.label, "kHz");
        } else {
            number(q, 5);
            copyText(t.label, "Hz");
        }
        break;
    case Unit::Second:
        if (std::fabs(q) < 0.9995) {
            number(q * 1000.0, 2);
            copyText(t.label, "ms");
        } else if (std::fabs(q) < 999.5) {
            number(q, 2);
            copyText(t.label, "s");
        } else {
            number(q / 60.0, 1);
            copyText(t.label, "min");
        }
        break;
    }
    return t;
}

} // namespace

ParameterText formatReading(const ParameterReading& r)
{
    ParameterText t = formatQuantity(r);
    if (r.label != nullptr)
        copyText(t.label, r.label);
    return t;
}

ParameterText formatParameter(int32_t index, const float* values, float sampleRate)
{
    if (parameterInfo(index) == nullptr || values == nullptr)
        return {};
    return formatReading(readParameter(index, values[index], values, sampleRate));
}

} // namespace vemo
