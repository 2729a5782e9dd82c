// One voice: pitch, oscillator mix, pulse width sources, amplifier, silence.
#include "voice/Random.h"
#include "voice/Voice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct VoiceRig {
    ParameterBlock params;
    Voice voice;
    explicit VoiceRig(float rate = 44100.0f) : voice(rate, params)
    {
        params.set(kParamMasterPitch, 0.5f);
        params.set(kParamSaw, 1.0f);
        params.set(kParamCutoff, 1.0f);
        params.set(kParamDecay, 0.5f);
        params.set(kParamSustain, 1.0f);
        params.set(kParamTranspose, 0.5f);
    }
    bool frame(float& a, float& b, float bend = 0.0f, float lfo = 0.0f, float cutoff = 1.0f)
    {
        return voice.render(a, b, 0.0f, lfo, bend, cutoff);
    }
    bool frame()
    {
        float a = 0, b = 0;
        return frame(a, b);
    }
};

} // namespace

TEST(Voice, PitchOfNote69IsA440)
{
    VoiceRig rig;
    rig.voice.startNote(69, 0.8f);
    rig.frame();
    EXPECT_EQ(rig.voice.oscFreq, 220.0f); // the oscillators run two sub-samples a frame
    EXPECT_EQ(rig.voice.pitch, 69.0f);
}

TEST(Voice, TransposeSwitchThresholds)
{
    const float expected[][2] = {{0.0f, 57}, {0.2499f, 57}, {0.25f, 69}, {1.0f / 3.0f, 69}, {0.5f, 69},
                                 {0.5001f, 81}, {2.0f / 3.0f, 81}, {1.0f, 81}};
    for (auto& e : expected) {
        VoiceRig rig;
        rig.params.set(kParamTranspose, e[0]);
        rig.voice.startNote(69, 1.0f);
        rig.frame();
        EXPECT_EQ(rig.voice.pitch, e[1]) << "transpose " << e[0];
    }
}

TEST(Voice, BendAndFineTune)
{
    VoiceRig rig;
    rig.params.set(kParamModDco, 1.0f);
    rig.voice.startNote(69, 1.0f);
    float a = 0, b = 0;
    rig.frame(a, b, -64 * 0.015748031f);
    EXPECT_NEAR(rig.voice.pitch, 69.0f - 12.0948f, 1e-3);
    rig.params.set(kParamMasterPitch, 1.0f);
    rig.frame(a, b, 0.0f);
    EXPECT_EQ(rig.voice.pitch, 70.0f);
}

TEST(Voice, FrequencyLimits)
{
    VoiceRig low;
    low.params.set(kParamTranspose, 0.0f);
    low.params.set(kParamModDco, 1.0f);
    low.voice.startNote(0, 1.0f);
    float a = 0, b = 0;
    low.frame(a, b, -1.0f);
    EXPECT_EQ(low.voice.modPitch, 0.0f);
    EXPECT_NEAR(low.voice.oscFreq, 440.0 * std::pow(2.0, -81.0 / 12.0), 1e-4);

    // Note 127 an octave up, tuned up, bent up and raised by the LFO.
    VoiceRig high;
    high.params.set(kParamTranspose, 1.0f);
    high.params.set(kParamMasterPitch, 1.0f);
    high.params.set(kParamModDco, 1.0f);
    high.params.set(kParamOscLfo, 1.0f);
    high.voice.startNote(127, 1.0f);
    high.frame(a, b, 1.0f, 1.0f);
    EXPECT_EQ(high.voice.oscFreq, 19000.0f);
    // The sub-oscillator, an octave down, is not limited.
    high.params.set(kParamSubOsc, 1.0f);
    high.params.set(kParamSubOscVolume, 1.0f);
    high.frame(a, b, 1.0f, 1.0f);
    EXPECT_GT(high.voice.oscFreq, 19000.0f);
}

TEST(Voice, PulseWidthSources)
{
    VoiceRig rig;
    rig.params.set(kParamSaw, 0.0f);
    rig.params.set(kParamPulse, 1.0f);
    rig.voice.startNote(60, 1.0f);
    rig.frame();
    EXPECT_EQ(rig.voice.width, 0.48f); // no depth: the fixed, slightly off-square width

    rig.params.set(kParamPwIntensity, 0.6f);
    float a = 0, b = 0;
    rig.voice.render(a, b, 0.5f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(rig.voice.width, (0.6f * 0.5f + 1.0f) * 0.5f);

    rig.params.set(kParamManualPw, 1.0f);
    rig.frame();
    EXPECT_EQ(rig.voice.width, (0.6f + 1.0f) * 0.5f);
}

TEST(Voice, EnvelopeWidthHoldsTheOvershootAtOne)
{
    VoiceRig rig;
    rig.params.set(kParamSaw, 0.0f);
    rig.params.set(kParamPulse, 1.0f);
    rig.params.set(kParamPwMode, 1.0f);
    rig.params.set(kParamPwIntensity, 1.0f);
    rig.params.set(kParamAttack, 0.5f);
    rig.voice.startNote(60, 1.0f);
    for (int i = 0; i < 4991; ++i)
        rig.frame();
    EXPECT_LT(rig.voice.ampEnv.level, 1.0f);
    rig.frame(); // frame 4992 ends the attack above 1
    EXPECT_GT(rig.voice.ampEnv.level, 1.0f);
    EXPECT_EQ(rig.voice.ampLevel, 1.0f);
    EXPECT_EQ(rig.voice.width, 1.0f);
}

TEST(Voice, VelocityDoesNotChangeTheLevel)
{
    std::vector<float> out[2];
    for (int pass = 0; pass < 2; ++pass) {
        vemo::seedRandom(99);
        VoiceRig rig;
        rig.params.set(kParamCutoff, 0.6f);
        rig.params.set(kParamContour, 0.8f);
        rig.voice.startNote(57, pass == 0 ? 0.1f : 1.0f);
        for (int i = 0; i < 2000; ++i) {
            float a = 0, b = 0;
            rig.frame(a, b, 0.0f, 0.0f, 0.6f);
            out[pass].push_back(a);
            out[pass].push_back(b);
        }
    }
    EXPECT_EQ(out[0], out[1]);
}

TEST(Voice, GateEnvelopeDrivesTheAmplifier)
{
    VoiceRig rig;
    rig.params.set(kParamEnvGate, 1.0f);
    rig.params.set(kParamAttack, 1.0f); // ampEnv crawls; the gate envelope does not
    rig.voice.startNote(60, 1.0f);
    for (int i = 0; i < 60; ++i)
        rig.frame();
    EXPECT_EQ(rig.voice.ampLevel, 1.0f);
    EXPECT_LT(rig.voice.ampEnv.level, 0.1f);
    rig.voice.releaseNote();
    int frames = 0;
    while (rig.frame() && frames < 1000000)
        ++frames;
    // ampEnv is released with release 0 while the gate is on, so the voice ends.
    EXPECT_LT(frames, 1000000);
}

TEST(Voice, SilentVoiceFlushesItsFilterBrieflyThenRests)
{
    VoiceRig rig;
    EXPECT_FALSE(rig.frame()); // never played: no flush
    EXPECT_EQ(rig.voice.filter.s1, 0.0f);

    rig.voice.startNote(60, 1.0f);
    rig.frame();
    rig.voice.forceRelease();
    int frames = 0;
    while (rig.frame())
        ++frames;
    float a = 0, b = 0;
    for (int i = 1; i < 20; ++i) {
        const float before = rig.voice.filter.s1;
        EXPECT_FALSE(rig.frame(a, b));
        EXPECT_NE(rig.voice.filter.s1, before) << "silent frame " << i;
    }
    const float settled = rig.voice.filter.s1;
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(rig.frame(a, b));
    EXPECT_EQ(rig.voice.filter.s1, settled);
    EXPECT_EQ(a, 0.0f);
    EXPECT_EQ(b, 0.0f);
}

TEST(Voice, SharedFilterModeNeverRunsTheOwnFilter)
{
    VoiceRig rig;
    rig.params.set(kParamSharedFilter, 1.0f);
    rig.voice.startNote(60, 1.0f);
    for (int i = 0; i < 200; ++i)
        rig.frame();
    rig.voice.forceRelease();
    for (int i = 0; i < 3000; ++i)
        rig.frame();
    EXPECT_EQ(rig.voice.filter.s1, 0.0f);
    EXPECT_EQ(rig.voice.filter.output, 0.0f);
}

TEST(Voice, ForcedReleaseStopsALongAttackAtOnce)
{
    VoiceRig rig;
    rig.params.set(kParamAttack, 0.9f);
    rig.params.set(kParamRelease, 0.0f);
    rig.voice.startNote(60, 1.0f);
    for (int i = 0; i < 100; ++i)
        rig.frame();
    const float level = rig.voice.ampEnv.level;
    rig.voice.forceRelease();
    rig.frame();
    EXPECT_LT(rig.voice.ampEnv.level, level);
}

TEST(Voice, RetriggerRisesFromTheCurrentLevel)
{
    VoiceRig rig;
    rig.voice.startNote(60, 1.0f);
    for (int i = 0; i < 200; ++i)
        rig.frame();
    rig.voice.releaseNote();
    for (int i = 0; i < 100; ++i)
        rig.frame();
    const float level = rig.voice.ampEnv.level;
    ASSERT_GT(level, 0.0f);
    rig.voice.startNote(62, 1.0f);
    EXPECT_EQ(rig.voice.ampEnv.level, level);
    EXPECT_EQ(rig.voice.filterEnv.level, 0.0f);
    EXPECT_EQ(rig.voice.sawOsc.phase, 0.0f);
    EXPECT_EQ(rig.voice.pulseOsc.ramp1, 0.1f);
    EXPECT_EQ(rig.voice.subOsc.ramp2, 0.25f);
}

TEST(Voice, ExtremeButValidSettingsStayFinite)
{
    for (float cutoff : {0.0f, 0.3f, 1.0f}) {
        VoiceRig rig;
        for (int i = 0; i < kNumParameters; ++i)
            rig.params.set(i, 1.0f);
        rig.params.set(kParamDecay, 0.0f);
        rig.params.set(kParamLfoWaveform, 0.0f);
        rig.params.set(kParamLfoClock, 0.0f);
        rig.params.set(kParamSharedFilter, 0.0f);
        rig.voice.startNote(127, 1.0f);
        for (int i = 0; i < 20000; ++i) {
            float a = 0, b = 0;
            rig.voice.render(a, b, 1.0f, (i % 200) < 100 ? 1.0f : -1.0f, 1.0f, cutoff);
            ASSERT_TRUE(std::isfinite(a) && std::isfinite(b)) << "frame " << i;
        }
    }
}

// The taper the displays use is the one the filter stage puts on the cutoff:
// with nothing modulating it, the filter receives the cube of the value (up
// to the slow jitter, which scales with the fourth power and is tiny here).
TEST(Voice, CutoffTaperIsWhatTheFilterReceives)
{
    for (float cutoff : {0.0f, 0.1f, 0.3f, 0.45f}) {
        VoiceRig rig;
        rig.params.set(kParamCutoff, cutoff);
        rig.voice.startNote(60, 1.0f);
        float a = 0.0f, b = 0.0f;
        rig.frame(a, b, 0.0f, 0.0f, cutoff);
        const float received = rig.voice.filter.fc * 2.0f / rig.voice.filter.rateScale;
        EXPECT_NEAR(received, Voice::taperedCutoff(cutoff), 1e-5f + 1e-3f * Voice::taperedCutoff(cutoff))
            << cutoff;
    }
    EXPECT_EQ(Voice::taperedCutoff(-0.5f), 0.0f);
    EXPECT_EQ(Voice::taperedCutoff(0.5f), 0.125f);
}
