#include "voice/ParameterTable.h"

#include <cmath>

namespace {

const char* const kOffOn[] = {"off", "on"};
// SQUAREPWMODE: the pulse width follows the LFO (0) or the amplitude envelope.
const char* const kPwSource[] = {"LFO", "env"};
// FILTERCONTOURBIAS: the contour opens the filter, or closes it.
const char* const kPolarity[] = {"normal", "invert"};
// ENVGATE: the amplifier follows the ADSR, or a plain gate.
const char* const kAmpMode[] = {"ADSR", "gate"};
// LFO1TRIGGER: 0 restarts the LFO at every note, anything else lets it run on.
const char* const kLfoTrigger[] = {"retrig", "free"};

const char* const kWaveEntries[] = {"sin", "tri", "saw", "rec", "noise"};
const char* const kClockEntries[] = {"----", "1/16", "1/8",   "1/4",  "1/2",  "1/1", "2/1",
                                     "1/16T", "1/8T", "1/4T", "1/2T", "1/1T", "2/1T"};

using K = ParameterKind;
using S = ParameterShow;

constexpr ParameterInfo continuous(const char* host, const char* title, S show, bool control = true)
{
    return {host, title, K::Continuous, show, 0.0f, 1.0f, false, control, nullptr, 0};
}

constexpr ParameterInfo onOff(const char* host, const char* title, const char* const* texts = kOffOn,
                              bool positive = false, bool control = true)
{
    return {host, title, K::Switch, S::OnOff, 0.0f, 1.0f, positive, control, texts, 2};
}

constexpr ParameterInfo spare(const char* title)
{
    return continuous("Param", title, S::Unused, false);
}

} // namespace

const ParameterInfo kParameterTable[kNumParameters] = {
    /*  0 */ spare("SPARE 0"),
    /*  1 */ continuous("VOLUME", "VOLUME", S::OutputGainSquared),
    /*  2 */ continuous("MASTERPITCH", "TUNE", S::FineTune),
    /*  3 */ onOff("SAW", "SAW"),
    /*  4 */ onOff("SUBOSC", "SUB OSC", kOffOn, true),
    /*  5 */ continuous("SUBOSCVOLUME", "SUB LEVEL", S::SubLevel),
    /*  6 */ continuous("NOISEVOLUME", "NOISE", S::Gain),
    /*  7 */ onOff("Param", "PULSE"),
    /*  8 */ onOff("SQUAREPWMODE", "PW SOURCE", kPwSource),
    /*  9 */ continuous("SQUAREPWINTENSITY", "PULSE WIDTH", S::PulseWidth),
    /* 10 */ continuous("OSCLFOINTENSITY", "PITCH LFO", S::PitchLfoDepth),
    /* 11 */ continuous("HPCUTOFF", "HIGH PASS", S::HighPassCutoff),
    /* 12 */ continuous("CUTOFF", "CUTOFF", S::LowPassCutoff),
    /* 13 */ continuous("RESONANCE", "RESONANCE", S::Percent),
    /* 14 */ onOff("FILTERCONTOURBIAS", "ENV POLARITY", kPolarity),
    /* 15 */ continuous("FILTERCONTOUR", "CONTOUR", S::Percent),
    /* 16 */ continuous("FILTERLFO", "FILTER LFO", S::CutoffDepth),
    /* 17 */ continuous("KEYFOLLOW", "KEY FOLLOW", S::Percent),
    /* 18 */ onOff("ENVGATE", "AMP MODE", kAmpMode),
    /* 19 */ continuous("ENVVOLUME", "AMP LEVEL", S::Gain),
    /* 20 */ continuous("AMPATTACK", "ATTACK", S::Attack),
    /* 21 */ continuous("AMPDECAY", "DECAY", S::Decay),
    /* 22 */ continuous("AMPSUSTAIN", "SUSTAIN", S::SustainLevel),
    /* 23 */ continuous("AMPRELEASE", "RELEASE", S::Release),
    /* 24 */ continuous("LFO1RATE", "LFO RATE", S::LfoRate),
    /* 25 */ continuous("LFO1DELAY", "LFO DELAY", S::LfoDelay),
    /* 26 */ onOff("LFO1TRIGGER", "LFO TRIGGER", kLfoTrigger),
    /* 27 */ {"LFO1WAVEFORM", "LFO WAVE", K::Menu, S::MenuEntry, 0.0f, 4.0f, false, true,
              kWaveEntries, 5},
    /* 28 */ {"LFO1CLOCK", "LFO SYNC", K::Menu, S::MenuEntry, 0.0f, 12.0f, false, true,
              kClockEntries, 13},
    /* 29 */ continuous("ENVVELOCITY", "VELOCITY", S::Percent),
    /* 30 */ onOff("CUTOFFSMOOTH", "CUTOFF SMOOTH", kOffOn, false, false),
    /* 31 */ continuous("MODDCO", "BEND PITCH", S::BendDepth),
    /* 32 */ continuous("MODVCF", "BEND CUTOFF", S::Percent),
    /* 33 */ {"TRANSPOSE", "OCTAVE", K::Stepped, S::Octave, 0.0f, 1.0f, false, true, nullptr, 0},
    /* 34 */ onOff("CHORUS1", "CHORUS I"),
    /* 35 */ onOff("CHORUS2", "CHORUS II"),
    /* 36 */ onOff("Param", "MANUAL PW"),
    /* 37 */ onOff("Param", "LEARN ALL", kOffOn, true),
    /* 38 */ onOff("Param", "SHARED FILTER"),
    /* 39 */ spare("SPARE 39"),
    /* 40 */ spare("SPARE 40"),
    /* 41 */ spare("SPARE 41"),
    /* 42 */ spare("SPARE 42"),
    /* 43 */ spare("SPARE 43"),
    /* 44 */ spare("SPARE 44"),
    /* 45 */ spare("SPARE 45"),
    /* 46 */ onOff("Param", "LEARN", kOffOn, true),
};

const ParameterInfo* parameterInfo(int32_t index)
{
    if (index < 0 || index >= kNumParameters)
        return nullptr;
    return &kParameterTable[index];
}

const char* parameterHostName(int32_t index)
{
    const ParameterInfo* info = parameterInfo(index);
    return info != nullptr ? info->hostName : "Param";
}

bool parameterIsOn(int32_t index, float value)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info != nullptr && info->onWhenPositive)
        return value > 0.0f;
    return value != 0.0f;
}

const char* parameterText(int32_t index, float value)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info == nullptr || info->texts == nullptr)
        return nullptr;
    if (info->kind == ParameterKind::Switch)
        return info->texts[parameterIsOn(index, value) ? 1 : 0];
    // Menus are read by truncation, as the engine reads them.
    if (!(value > -1.0f && value < float(info->textCount)))
        return nullptr;
    return info->texts[int32_t(value)];
}

namespace {

char folded(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Names compare ignoring case, spaces, underscores and hyphens, so that
// "PULSE WIDTH", "pulse_width" and "PulseWidth" all find parameter 9.
bool sameName(std::string_view a, std::string_view b)
{
    auto skip = [](std::string_view s, size_t i) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '_' || s[i] == '-'))
            ++i;
        return i;
    };
    size_t i = skip(a, 0), j = skip(b, 0);
    while (i < a.size() && j < b.size()) {
        if (folded(a[i]) != folded(b[j]))
            return false;
        i = skip(a, i + 1);
        j = skip(b, j + 1);
    }
    return i == a.size() && j == b.size();
}

bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i]))
            return false;
    return true;
}

} // namespace

int32_t findParameter(std::string_view name)
{
    if (name.empty())
        return -1;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ParameterInfo& p = kParameterTable[i];
        if (sameName(name, p.title))
            return i;
        if (std::string_view(p.hostName) != "Param" && sameName(name, p.hostName))
            return i;
    }
    return -1;
}

bool parameterValueOfText(int32_t index, std::string_view text, float& value)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info == nullptr || info->texts == nullptr)
        return false;
    for (int32_t i = 0; i < info->textCount; ++i) {
        if (sameText(text, info->texts[i])) {
            value = float(i);
            return true;
        }
    }
    return false;
}

float bringIntoRange(int32_t index, float value)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info == nullptr)
        return value;
    if (!(value >= info->minimum)) // NaN too
        return info->minimum;
    return value > info->maximum ? info->maximum : value;
}
