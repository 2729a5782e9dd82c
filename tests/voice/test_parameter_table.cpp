// The parameter table: the facts everything else reads about the 47
// parameters, checked against what the host, the chunks, the editor and the
// engine rely on.
#include "voice/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <set>
#include <string>

TEST(ParameterTable, HostNamesKindsAndRanges)
{
    const char* const named[36] = {
        "Param", "VOLUME", "MASTERPITCH", "SAW", "SUBOSC", "SUBOSCVOLUME", "NOISEVOLUME", "Param",
        "SQUAREPWMODE", "SQUAREPWINTENSITY", "OSCLFOINTENSITY", "HPCUTOFF", "CUTOFF", "RESONANCE",
        "FILTERCONTOURBIAS", "FILTERCONTOUR", "FILTERLFO", "KEYFOLLOW", "ENVGATE", "ENVVOLUME",
        "AMPATTACK", "AMPDECAY", "AMPSUSTAIN", "AMPRELEASE", "LFO1RATE", "LFO1DELAY", "LFO1TRIGGER",
        "LFO1WAVEFORM", "LFO1CLOCK", "ENVVELOCITY", "CUTOFFSMOOTH", "MODDCO", "MODVCF", "TRANSPOSE",
        "CHORUS1", "CHORUS2"};
    size_t longest = 0;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        EXPECT_STREQ(parameterHostName(i), i < 36 ? named[i] : "Param") << i;
        longest = std::max(longest, std::strlen(parameterHostName(i)));
    }
    EXPECT_EQ(longest + 1, size_t(kMaxParameterNameBytes));
    for (int32_t i : {-1, 47, 1000})
        EXPECT_STREQ(parameterHostName(i), "Param");
    EXPECT_EQ(parameterInfo(47), nullptr);

    const std::set<int32_t> switches = {3, 4, 7, 8, 14, 18, 26, 30, 34, 35, 36, 37, 38, 46};
    int32_t controls = 0;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ParameterInfo& p = kParameterTable[i];
        EXPECT_EQ(p.kind == ParameterKind::Switch, switches.count(i) == 1) << i;
        EXPECT_EQ(p.minimum, 0.0f);
        EXPECT_EQ(p.maximum, i == kParamLfoWaveform ? 4.0f : i == kParamLfoClock ? 12.0f : 1.0f) << i;
        controls += p.editorControl ? 1 : 0;
        EXPECT_EQ(p.editorControl, !(i == 0 || i == 30 || (i >= 39 && i <= 45))) << i;
        EXPECT_LE(std::strlen(p.title), 16u);
        for (int32_t t = 0; t < p.textCount; ++t) {
            EXPECT_LT(std::strlen(p.texts[t]), 8u) << i; // they are host display texts too
        }
    }
    EXPECT_EQ(controls, 38);
    EXPECT_EQ(kParameterTable[kParamTranspose].kind, ParameterKind::Stepped);
    EXPECT_EQ(kParameterTable[kParamLfoWaveform].textCount, 5);
    EXPECT_EQ(kParameterTable[kParamLfoClock].textCount, 13);
    EXPECT_STREQ(kParameterTable[kParamLfoClock].texts[12], "2/1T");
    EXPECT_STREQ(kParameterTable[kParamLfoWaveform].texts[4], "noise");
}

TEST(ParameterTable, SwitchTestsAndTextsReadLikeTheEngine)
{
    // SUBOSC and the two learn switches are on above 0, the rest when not 0.
    EXPECT_FALSE(parameterIsOn(kParamSubOsc, -1.0f));
    EXPECT_TRUE(parameterIsOn(kParamSaw, -1.0f));
    EXPECT_FALSE(parameterIsOn(kParamLearnAll, -0.5f));
    EXPECT_FALSE(parameterIsOn(kParamLearnProgram, 0.0f));
    EXPECT_STREQ(parameterText(kParamPwMode, 1.0f), "env");
    EXPECT_STREQ(parameterText(kParamLfoTrigger, 0.0f), "retrig");
    // Menus truncate.
    EXPECT_STREQ(parameterText(kParamLfoWaveform, 2.9f), "saw");
    EXPECT_STREQ(parameterText(kParamLfoWaveform, -0.5f), "sin");
    EXPECT_EQ(parameterText(kParamLfoWaveform, 5.0f), nullptr);
    EXPECT_EQ(parameterText(kParamLfoWaveform, -1.0f), nullptr);
    EXPECT_STREQ(parameterText(kParamLfoClock, 12.5f), "2/1T");
    EXPECT_EQ(parameterText(kParamCutoff, 0.5f), nullptr);

    float value = -1.0f;
    EXPECT_TRUE(parameterValueOfText(kParamLfoWaveform, "SAW", value));
    EXPECT_EQ(value, 2.0f);
    EXPECT_TRUE(parameterValueOfText(kParamLfoClock, "1/8t", value));
    EXPECT_EQ(value, 8.0f);
    EXPECT_TRUE(parameterValueOfText(kParamChorus1, "on", value));
    EXPECT_EQ(value, 1.0f);
    EXPECT_FALSE(parameterValueOfText(kParamCutoff, "on", value));

    EXPECT_EQ(bringIntoRange(kParamLfoClock, 15.0f), 12.0f);
    EXPECT_EQ(bringIntoRange(kParamCutoff, -2.0f), 0.0f);
    EXPECT_EQ(bringIntoRange(kParamCutoff, 0.25f), 0.25f);
    EXPECT_EQ(bringIntoRange(kParamLfoWaveform, std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(ParameterTable, EveryNameFindsItsOwnParameter)
{
    std::set<std::string> titles;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ParameterInfo& p = kParameterTable[i];
        EXPECT_TRUE(titles.insert(p.title).second) << p.title;
        EXPECT_EQ(findParameter(p.title), i) << p.title;
        if (std::string(p.hostName) != "Param") {
            EXPECT_EQ(findParameter(p.hostName), i) << p.hostName;
        }
    }
    EXPECT_EQ(findParameter("pulse_width"), kParamPwIntensity);
    EXPECT_EQ(findParameter("PulseWidth"), kParamPwIntensity);
    EXPECT_EQ(findParameter("cutoff"), kParamCutoff);
    EXPECT_EQ(findParameter("Param"), -1);
    EXPECT_EQ(findParameter(""), -1);
    EXPECT_EQ(findParameter("NOSUCH"), -1);
}
