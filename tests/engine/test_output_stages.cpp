#include "engine/HalfBandDecimator.h"
#include "engine/OnePoleFilter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
const float kOffset = std::ldexp(1.0f, -32);
}

TEST(OnePoleFilter, HighPassSettlesOnItsOwnOffsetInSilence)
{
    OnePoleFilter f;
    EXPECT_EQ(f.highPass(0.0f, 0.999f), 0.0f);
    EXPECT_EQ(f.highPass(0.0f, 0.999f), -kOffset);
    for (int n = 0; n < 100000; ++n)
        f.highPass(0.0f, 0.999f);
    EXPECT_NEAR(f.output / (-kOffset / (1.0f - 0.999f)), 1.0f, 1e-3f);

    // Three stages in series, as on the output: a tiny negative constant.
    OnePoleFilter stages[3];
    float y = 0.0f;
    for (int n = 0; n < 100000; ++n) {
        y = 0.0f;
        for (OnePoleFilter& s : stages)
            y = s.highPass(y, 0.999f);
    }
    EXPECT_LT(y, 0.0f);
    EXPECT_GT(y, -1e-6f);
}

TEST(OnePoleFilter, StepResponses)
{
    OnePoleFilter hp;
    const float R = 0.995f;
    EXPECT_EQ(hp.highPass(1.0f, R), 1.0f);
    EXPECT_EQ(hp.highPass(1.0f, R), R); // 1 + 2^-32 rounds to 1: pure decay
    EXPECT_EQ(hp.highPass(1.0f, R), R * R);

    OnePoleFilter lp;
    for (int k = 1; k <= 40; ++k)
        ASSERT_NEAR(lp.lowPass(1.0f), 1.0 - std::pow(0.75127465, k), 1e-6) << k;
    EXPECT_EQ(lp.previousInput, 0.0f);
    EXPECT_EQ(lp.output, 0.0f);
}

TEST(HalfBandDecimator, ImpulseResponsesAreTheTaps)
{
    HalfBandDecimator first, second;
    const float expected[10] = {first.c5, first.c4, first.c3, first.c2, first.c1,
                                first.c1, first.c2, first.c3, first.c4, first.c5};
    for (int n = 0; n < 14; ++n) {
        EXPECT_EQ(first.process(n == 0 ? 1.0f : 0.0f, 0.0f), n < 10 ? expected[n] : 0.0f) << n;
        EXPECT_EQ(second.process(0.0f, n == 0 ? 1.0f : 0.0f), n == 5 ? 0.5f : 0.0f) << n;
    }
    EXPECT_EQ(first.c1 + first.c2 + first.c3 + first.c4 + first.c5, 0.25f);
}

TEST(HalfBandDecimator, ExactUnityAtDcFromTheTenthFrame)
{
    HalfBandDecimator d;
    for (int n = 0; n < 9; ++n)
        EXPECT_NE(d.process(1.0f, 1.0f), 1.0f) << n;
    for (int n = 9; n < 200; ++n)
        ASSERT_EQ(d.process(1.0f, 1.0f), 1.0f) << n;
}

TEST(HalfBandDecimator, PassesTheAudioBandAndRejectsItsMirror)
{
    // Sub-sample rate 88200 Hz; the output runs at 44100 Hz.
    auto gain = [](double hz) {
        HalfBandDecimator d;
        double peak = 0.0;
        const double w = 2.0 * M_PI * hz / 88200.0;
        for (int n = 0; n < 20000; ++n) {
            const float y = d.process(float(std::sin(w * 2 * n)), float(std::sin(w * (2 * n + 1))));
            if (n > 100)
                peak = std::fmax(peak, std::fabs(double(y)));
        }
        return 20.0 * std::log10(peak);
    };
    EXPECT_NEAR(gain(1000.0), 0.0, 0.01);
    EXPECT_NEAR(gain(10000.0), 0.0, 0.1);
    EXPECT_LT(gain(34100.0), -50.0); // would alias to 10 kHz
    EXPECT_LT(gain(40000.0), -60.0);
}
