#include "engine/ChorusLine.h"
#include "engine/StereoChorus.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ChorusLine, LengthsAndSweep)
{
    EXPECT_EQ(ChorusLine(44100.0f, 0.0f, 0.5f).length, 2309);
    EXPECT_EQ(ChorusLine(48000.0f, 0.0f, 0.5f).length, 2337);
    EXPECT_EQ(ChorusLine(96000.0f, 0.0f, 0.5f).length, 2673);

    ChorusLine right(44100.0f, 1.0f, 0.5f), left(44100.0f, 0.0f, 0.5f);
    right.process(0.0f);
    left.process(0.0f);
    EXPECT_EQ(right.triangle, 1.0f - 0.5f / 44100.0f * 4.0f);
    EXPECT_EQ(left.triangle, -1.0f + 0.5f / 44100.0f * 4.0f);

    // Two full sweeps: 0.7 ms .. 4.9 ms, plus at most one step of overshoot.
    float lo = 1e9f, hi = 0.0f;
    for (int n = 0; n < 4 * 44100; ++n) {
        right.process(0.0f);
        lo = std::fmin(lo, right.delay);
        hi = std::fmax(hi, right.delay);
    }
    EXPECT_NEAR(lo, 30.87f, 0.01f);
    EXPECT_NEAR(hi, 216.09f, 0.01f);
}

TEST(ChorusLine, DelaysAnImpulseByTheSweptDelay)
{
    ChorusLine line(44100.0f, 0.0f, 0.5f); // starts near 30.9 samples
    int peakAt = -1;
    float peak = 0.0f;
    for (int n = 0; n < 200; ++n) {
        const float y = line.process(n == 0 ? 1.0f : 0.0f);
        if (y > peak) {
            peak = y;
            peakAt = n;
        }
    }
    EXPECT_GE(peakAt, 31);
    EXPECT_LE(peakAt, 34); // plus the smoothing low-pass's own delay
}

TEST(ChorusLine, NonsenseRatesStayInsideTheBuffer)
{
    for (float rate : {0.0f, -48000.0f, 1.0f, 7.0f, NAN, INFINITY, 1e9f}) {
        ChorusLine line(rate, 1.0f, 0.83f);
        for (int n = 0; n < 5000; ++n) {
            const float y = line.process(std::sin(0.01f * float(n)));
            ASSERT_GE(line.readPosition, 0);
            ASSERT_LT(line.readPosition, line.length);
            ASSERT_GE(line.previousPosition, 0);
            ASSERT_LT(line.previousPosition, line.length);
            ASSERT_FALSE(std::isnan(y)) << rate;
        }
    }
}

TEST(StereoChorus, ModesOffLeaveSignalAndLinesAlone)
{
    float parameters[47] = {};
    StereoChorus chorus(parameters, 44100.0f);
    float left = 0.25f, right = -0.5f;
    chorus.process(left, right);
    EXPECT_EQ(left, 0.25f);
    EXPECT_EQ(right, -0.5f);
    for (const ChorusLine& line : chorus.lines) {
        EXPECT_EQ(line.writePosition, line.length - 1);
        EXPECT_EQ(std::fabs(line.triangle), 1.0f);
    }
    // Mode 2 alone advances only its own lines.
    parameters[StereoChorus::kChorus2] = 1.0f;
    chorus.process(left, right);
    EXPECT_EQ(chorus.lines[0].writePosition, chorus.lines[0].length - 1);
    EXPECT_EQ(chorus.lines[2].writePosition, 0);
    EXPECT_EQ(chorus.lines[2].triangle, -1.0f + 0.83f / 44100.0f * 4.0f);
}

TEST(StereoChorus, ConstantInputReturnsToDryAndSweepsDiffer)
{
    float parameters[47] = {};
    parameters[StereoChorus::kChorus1] = 1.0f;
    StereoChorus chorus(parameters, 44100.0f);
    float maxWet = 0.0f, maxSpread = 0.0f, left = 0.0f, right = 0.0f;
    for (int n = 0; n < 8000; ++n) {
        left = 1.0f;
        right = 1.0f;
        chorus.process(left, right);
        maxWet = std::fmax(maxWet, right - 1.0f);
        maxSpread = std::fmax(maxSpread, std::fabs(left - right));
    }
    EXPECT_GT(maxWet, 0.5f);     // the wet step arrives after the delay
    EXPECT_GT(maxSpread, 0.01f); // the two sides see different delays
    EXPECT_NEAR(left, 1.0f, 1e-4f);
    EXPECT_NEAR(right, 1.0f, 1e-4f);

    // Both modes: a mono tone comes out wider and finite.
    parameters[StereoChorus::kChorus2] = 1.0f;
    for (int n = 0; n < 44100; ++n) {
        left = right = std::sin(0.05f * float(n));
        chorus.process(left, right);
        ASSERT_TRUE(std::isfinite(left) && std::isfinite(right));
    }
}
