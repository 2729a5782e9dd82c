#include "engine/Lfo.h"
#include "voice/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
float valueAt(Lfo& lfo, float phase, int waveform)
{
    lfo.phase = phase;
    lfo.increment = 0.0f;
    return lfo.tick(waveform);
}
} // namespace

TEST(Lfo, TablesAndInterpolation)
{
    Lfo lfo(44100.0f);
    EXPECT_EQ(lfo.phase, 0.0f);
    EXPECT_EQ(lfo.increment, 256.0f / 44100.0f);
    EXPECT_EQ(valueAt(lfo, 64.0f, 0), 1.0f);
    EXPECT_EQ(valueAt(lfo, 64.0f, 1), 1.0f);
    EXPECT_EQ(valueAt(lfo, 32.0f, 1), 0.5f);
    EXPECT_EQ(valueAt(lfo, 127.5f, 3), 0.0f);
    EXPECT_EQ(valueAt(lfo, 96.0f, 0), float(std::sin(2.0 * M_PI * 96.0 / 256.0)));
    const float exact[][2] = {{lfo.sine[0], 0.0f},      {lfo.sine[128], 0.0f},     {lfo.sine[192], -1.0f},
                              {lfo.sine[256], 0.0f},    {lfo.triangle[192], -1.0f}, {lfo.triangle[256], 0.0f},
                              {lfo.sawtooth[0], -1.0f}, {lfo.sawtooth[255], 1.0f}, {lfo.sawtooth[256], -1.0f},
                              {lfo.square[255], -1.0f}, {lfo.square[256], 1.0f}};
    for (const auto& e : exact)
        EXPECT_EQ(e[0], e[1]);
    for (int t = 1; t < 128; ++t)
        ASSERT_EQ(lfo.sine[t + 128], -lfo.sine[t]) << t;
}

TEST(Lfo, WrapsByOneCycleOf255Steps)
{
    Lfo lfo(44100.0f);
    lfo.increment = 0.5f;
    lfo.phase = 255.0f; // not wrapped: table[255], wrapped on the next call
    EXPECT_EQ(lfo.tick(2), lfo.sawtooth[255]);
    EXPECT_EQ(lfo.phase, 255.5f);
    lfo.phase = 255.25f;
    lfo.tick(0);
    EXPECT_EQ(lfo.lastIndex, 0);
    EXPECT_EQ(lfo.lastFraction, 0.25f);

    Lfo fast(44100.0f);
    fast.increment = 128.0f;
    EXPECT_EQ(fast.tick(0), fast.sine[0]);
    EXPECT_EQ(fast.phase, 128.0f);
    EXPECT_EQ(fast.tick(0), fast.sine[128]);
    EXPECT_EQ(fast.phase, 256.0f);
    EXPECT_EQ(fast.tick(0), fast.sine[1]);

    // 1 Hz nominal: one cycle of 255 steps lasts 255 / 256 s.
    Lfo slow(44100.0f);
    int wraps = 0;
    float previous = slow.tick(2);
    for (int n = 1; n < 44100 * 10; ++n) {
        const float v = slow.tick(2);
        wraps += v < previous;
        previous = v;
    }
    EXPECT_EQ(wraps, 10); // 10 s at 256/255 Hz: 10.04 cycles
}

TEST(Lfo, RandomWaves)
{
    vemo::seedRandom(3);
    Lfo lfo(44100.0f);
    lfo.increment = 0.0f; // phase 0 forever: a new value on every call
    float previous = lfo.tick(4);
    int changes = 0;
    for (int n = 0; n < 10000; ++n) {
        const float v = lfo.tick(4);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
        changes += v != previous;
        previous = v;
    }
    EXPECT_GT(changes, 9900);

    // The delayed variant returns the value drawn on the call before.
    const float before = lfo.randomValue;
    EXPECT_EQ(lfo.tick(5), before);
    EXPECT_EQ(lfo.heldRandomValue, before);
    // Away from integer phase 0 both hold their value.
    lfo.phase = 10.0f;
    EXPECT_EQ(lfo.tick(4), lfo.randomValue);
    EXPECT_EQ(lfo.tick(5), before);
}

TEST(Lfo, AnyPhaseOrIncrementStaysInTheTables)
{
    const float increments[] = {300.0f, 1000.0f, 1e7f, -0.3f, -1000.0f, 1e38f, INFINITY, NAN};
    for (float inc : increments) {
        Lfo lfo(44100.0f);
        lfo.increment = inc;
        for (int n = 0; n < 1000; ++n) {
            const float v = lfo.tick(n % 6);
            ASSERT_GE(lfo.lastIndex, 0) << inc;
            ASSERT_LE(lfo.lastIndex, 255) << inc;
            ASSERT_TRUE(v >= -1.0f && v <= 1.0f) << inc;
        }
    }
    Lfo lfo(44100.0f);
    lfo.increment = 0.0f;
    lfo.phase = 600.0f; // as repeated wrapping would leave it
    lfo.tick(0);
    EXPECT_EQ(lfo.lastIndex, 90);
    lfo.phase = -10.0f;
    lfo.tick(0);
    EXPECT_EQ(lfo.lastIndex, 245);
    Lfo still(0.0f);
    EXPECT_EQ(still.increment, 0.0f);
}

TEST(Lfo, ClockFactors)
{
    EXPECT_EQ(lfoClockFactor(1), 0.083333336f);
    EXPECT_EQ(lfoClockFactor(6), 0.0020833334f);
    EXPECT_EQ(lfoClockFactor(7), 0.125f);
    EXPECT_EQ(lfoClockFactor(12), 0.003125f);
    EXPECT_EQ(lfoClockFactor(0), 0.0f);
    EXPECT_EQ(lfoClockFactor(13), 0.0f);
    EXPECT_EQ(lfoClockFactor(-1), 0.0f);
}

// advance() is tick() without the value: the same phase, the same draws from
// the shared random stream, for every waveform number a host may leave.
TEST(Lfo, AdvanceStepsAndDrawsAsTickDoes)
{
    for (int waveform : {-3, 0, 1, 2, 3, 4, 5, 9}) {
        for (float increment : {0.0f, 7.3f, 254.9f, 300.0f, -3.0f}) {
            Lfo ticked(44100.0f), advanced(44100.0f);
            ticked.increment = advanced.increment = increment;
            vemo::seedRandom(99);
            for (int n = 0; n < 200; ++n)
                ticked.tick(waveform);
            const int32_t nextAfterTicks = vemo::randomInt();
            vemo::seedRandom(99);
            for (int n = 0; n < 200; ++n)
                advanced.advance(waveform);
            ASSERT_EQ(vemo::randomInt(), nextAfterTicks) << waveform << " " << increment;
            EXPECT_EQ(advanced.phase, ticked.phase);
            EXPECT_EQ(advanced.lastIndex, ticked.lastIndex);
            EXPECT_EQ(advanced.lastFraction, ticked.lastFraction);
            EXPECT_EQ(advanced.randomValue, ticked.randomValue);
            EXPECT_EQ(advanced.heldRandomValue, ticked.heldRandomValue);
            vemo::seedRandom(7);
            const float tickedValue = ticked.tick(waveform);
            vemo::seedRandom(7);
            EXPECT_EQ(advanced.tick(waveform), tickedValue);
        }
    }
}
