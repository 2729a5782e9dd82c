// The whole instrument played through its entry point, measured from the
// rendered audio.
#include "support/Signal.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vemotest;

namespace {
constexpr double kRate = 44100.0;

// Pitch of note `note` on the plain default program (saw, filter open).
double measuredPitch(TestHost& host, int note, std::vector<VstMidiEvent> extra = {})
{
    std::vector<float> l, r;
    extra.push_back(TestHost::noteOn(0, note, 100));
    host.render(l, r, 16384, 256, extra);
    return estimatePitch(l, kRate, 4096, 16384);
}
} // namespace

TEST(Instrument, StartupProgramPlaysAndFallsBackToRest)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    host.dispatch(effSetSampleRate, 0, 0, nullptr, float(kRate));
    host.dispatch(effSetBlockSize, 0, 512);
    host.dispatch(effMainsChanged, 0, 1);
    std::vector<float> l, r;
    host.render(l, r, 44100, 512, {TestHost::noteOn(100, 69, 100), TestHost::noteOff(22050, 69)});
    EXPECT_TRUE(allFinite(l));
    EXPECT_TRUE(allFinite(r));
    EXPECT_LT(peak(l, 0, 100), 1e-5); // nothing before the note
    EXPECT_GT(dbfs(peak(l, 100, 22050)), -30.0);
    EXPECT_LE(peak(l), 1.0);
    // "Startup" plays an octave down with the sub-oscillator another octave
    // below: the fundamental of note 69 is 110 Hz.
    EXPECT_NEAR(estimatePitch(l, kRate, 4410, 22050), 110.0, 1.0);
    // The gate envelope releases at once; the output returns to the tiny rest value.
    EXPECT_LT(std::fabs(l.back()), 1e-5);
    EXPECT_EQ(l.back(), r.back());
}

TEST(Instrument, PitchFollowsNoteTransposeAndBend)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    host.dispatch(effSetProgram, 0, 119); // plain saw, filter open
    EXPECT_NEAR(measuredPitch(host, 69), 440.0, 1.0);

    host.setParameter(33, 0.2f);
    EXPECT_NEAR(measuredPitch(host, 69), 220.0, 0.5);
    host.setParameter(33, 0.6f);
    EXPECT_NEAR(measuredPitch(host, 69), 880.0, 2.0);
    host.setParameter(33, 0.5f);

    // Full bend with MODDCO 1 moves about an octave each way.
    host.setParameter(31, 1.0f);
    const double up = measuredPitch(host, 57, {TestHost::midi(0, 0xE0, 0, 127)});
    EXPECT_NEAR(12.0 * std::log2(up / 220.0), 63.0 / 63.5 * 12.0, 0.05);
    const double down = measuredPitch(host, 57, {TestHost::midi(0, 0xE0, 0, 0)});
    EXPECT_NEAR(12.0 * std::log2(down / 220.0), -64.0 / 63.5 * 12.0, 0.05);
}

TEST(Instrument, PitchStaysRightAfterASampleRateChange)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    host.dispatch(effSetProgram, 0, 119);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    std::vector<float> l, r;
    host.render(l, r, 32768, 512, {TestHost::noteOn(0, 69, 100)});
    EXPECT_NEAR(estimatePitch(l, 96000.0, 8192, 32768), 440.0, 1.0);
}

TEST(Instrument, RenderIsRepeatableForTheSameInput)
{
    auto once = [] {
        TestHost host;
        std::vector<float> l, r;
        host.dispatch(effSetProgram, 0, 14);
        host.render(l, r, 8192, 333, {TestHost::noteOn(5, 60), TestHost::noteOn(900, 64)});
        return l;
    };
    // Each module load starts its own random stream the same way.
    EXPECT_EQ(once(), once());
}
