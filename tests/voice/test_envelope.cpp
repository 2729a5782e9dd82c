#include "voice/Envelope.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr long kNever = -1;

// Frames from level 0 until the attack ends; the frame that ends it counts.
long attackFrames(float sampleRate, float attack, bool instantAttack)
{
    Envelope env(sampleRate, instantAttack);
    for (long n = 1; n <= 1000000; ++n) {
        env.tick(true, attack, 0.0f, 0.0f, 0.0f);
        if (env.attackDone)
            return n;
    }
    return kNever;
}

// Frames for a fall from 1 to exactly 0: decay (key held, sustain 0) or
// release (key up). kNever when the level has not reached 0 after `limit`.
long fallFrames(float sampleRate, bool keyHeld, float amount, long limit)
{
    Envelope env(sampleRate, false);
    env.attackDone = true;
    env.level = 1.0f;
    for (long n = 1; n <= limit; ++n) {
        const float d = keyHeld ? amount : 0.0f;
        const float r = keyHeld ? 0.0f : amount;
        if (env.tick(keyHeld, 0.0f, d, 0.0f, r) == 0.0f)
            return n;
    }
    return kNever;
}

} // namespace

TEST(Envelope, AttackZeroRampsForAMillisecondAndLandsOnOne)
{
    Envelope amp(44100.0f, false);
    EXPECT_FLOAT_EQ(amp.rate, 0.0034013607f);
    const float first[5] = {0.020487f, 0.041025f, 0.061612f, 0.082249f, 0.102937f};
    for (float expected : first)
        EXPECT_NEAR(amp.tick(true, 0.0f, 0.5f, 0.5f, 0.5f), expected, 6e-7f);
    for (int frame = 6; frame < 48; ++frame) {
        amp.tick(true, 0.0f, 0.5f, 0.5f, 0.5f);
        ASSERT_FALSE(amp.attackDone) << frame;
    }
    EXPECT_EQ(amp.tick(true, 0.0f, 0.5f, 0.5f, 0.5f), 1.0f);
    EXPECT_TRUE(amp.attackDone);

    // The filter contour jumps to 1 at once and decays from the next frame.
    Envelope contour(44100.0f, true);
    EXPECT_EQ(contour.tick(true, 0.0f, 0.5f, 0.5f, 0.5f), 1.0f);
    EXPECT_LT(contour.tick(true, 0.0f, 0.5f, 0.5f, 0.5f), 1.0f);
}

TEST(Envelope, SegmentLengthsAt44100)
{
    const float values[7] = {0.0f, 0.1f, 0.25f, 0.5f, 0.75f, 0.9f, 1.0f};
    const long attack[7] = {48, 1011, 1711, 4992, 21640, 74481, 224874};
    const long decay[5] = {994, 1515, 3141, 15904, 254444};
    const long release[5] = {866, 1321, 2739, 13872, 221969};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(attackFrames(44100.0f, values[i], false), attack[i]) << values[i];
    EXPECT_EQ(attackFrames(44100.0f, 0.0f, true), 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(fallFrames(44100.0f, true, values[i], 400000), decay[i]) << values[i];
        EXPECT_EQ(fallFrames(44100.0f, false, values[i], 400000), release[i]) << values[i];
    }
    // "About 9.87 and 8.70 million" frames at 0.9; at 1 the level never moves.
    EXPECT_NEAR(double(fallFrames(44100.0f, true, 0.9f, 12000000)), 9.87e6, 0.01e6);
    EXPECT_NEAR(double(fallFrames(44100.0f, false, 0.9f, 12000000)), 8.70e6, 0.01e6);
    EXPECT_EQ(fallFrames(44100.0f, true, 1.0f, 100000), kNever);
    EXPECT_EQ(fallFrames(44100.0f, false, 1.0f, 100000), kNever);
}

TEST(Envelope, HalfTheRateTakesHalfTheFramesButTheRampDoesNotScale)
{
    EXPECT_EQ(attackFrames(22050.0f, 0.5f, false), 2497);
    EXPECT_EQ(fallFrames(22050.0f, false, 0.0f, 100000), 433);
    // The 0.02 ramp step is per frame, so attack 0 ends sooner than half.
    EXPECT_LT(attackFrames(22050.0f, 0.0f, false), 48);
}

TEST(Envelope, AttackOvershootIsKeptAndDecayStartsFromIt)
{
    Envelope env(44100.0f, false);
    float level = 0.0f;
    for (int n = 0; n < 4992; ++n)
        level = env.tick(true, 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_FLOAT_EQ(level, 1.0003412f);
    EXPECT_TRUE(env.attackDone);
    const float next = env.tick(true, 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_LT(next, level);
    EXPECT_GT(next, 1.0f);
}

TEST(Envelope, SustainReleaseAndHoldRules)
{
    // Sustain below the 0.005 floor decays to exactly 0 with the key held.
    Envelope env(44100.0f, false);
    env.attackDone = true;
    env.level = 1.0f;
    for (int n = 0; n < 5000; ++n)
        env.tick(true, 0.0f, 0.0f, 0.004f, 0.0f);
    EXPECT_EQ(env.level, 0.0f);

    // Raising the sustain above the level does not lift it; lowering resumes.
    env.level = 0.5f;
    EXPECT_EQ(env.tick(true, 0.0f, 0.0f, 0.8f, 0.0f), 0.5f);
    EXPECT_LT(env.tick(true, 0.0f, 0.0f, 0.2f, 0.0f), 0.5f);
    // Decay 1 holds with the key down, release 1 holds with it up.
    EXPECT_EQ(env.tick(true, 0.0f, 1.0f, 0.0f, 0.0f), env.level);
    const float held = env.level;
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(env.tick(false, 0.0f, 0.0f, 0.0f, 1.0f), held);

    // The filter contour with release 0 keeps its level after the key.
    Envelope contour(44100.0f, true);
    contour.attackDone = true;
    contour.level = 0.7f;
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(contour.tick(false, 0.3f, 0.3f, 0.0f, 0.0f), 0.7f);
}

TEST(Envelope, KeyReleasedDuringAttackFinishesThatStepThenReleases)
{
    Envelope env(44100.0f, false);
    float level = 0.0f;
    for (int n = 0; n < 3000; ++n)
        level = env.tick(true, 0.5f, 0.0f, 0.2f, 0.3f);
    const float afterRelease = env.tick(false, 0.5f, 0.0f, 0.2f, 0.3f);
    EXPECT_GT(afterRelease, level); // the attack step of that frame happens
    EXPECT_TRUE(env.attackDone);
    EXPECT_GT(afterRelease, 0.2f);
    EXPECT_LT(env.tick(false, 0.5f, 0.0f, 0.2f, 0.3f), afterRelease);
}

TEST(Envelope, HostileValuesNeverProduceNaN)
{
    const float hostile[] = {NAN, INFINITY, -INFINITY, -1.0f, 2.0f, 1e30f};
    for (float rate : {0.0f, -44100.0f, 1.0f, NAN, 1e9f}) {
        for (float v : hostile) {
            Envelope env(rate, false);
            for (int n = 0; n < 3000; ++n) {
                const bool gate = n < 1500;
                const float level = env.tick(gate, v, v, v, v);
                ASSERT_TRUE(std::isfinite(level)) << rate << " " << v << " frame " << n;
            }
        }
    }
}

TEST(Envelope, DecayAndReleaseFactorIsFormedFirst)
{
    // L - ((L^4 + 0.2) * rate) * (1 - D)^4 and L - ((L + 0.05) * rate) *
    // (1 - R)^4, the fourth power one factor formed first. Whole falls from
    // 1 to 0, checked frame by frame; multiplying (1 - D) in four times
    // rounds differently on some of these frames.
    const float rate = 1000.0f / 44100.0f * 0.15f;
    int differ = 0;
    for (float amount : {0.0f, 0.1f, 0.25f, 0.33f, 0.5f, 0.6f, 0.75f}) {
        const float d = 1.0f - amount;
        const float d4 = ((d * d) * d) * d;
        for (bool keyHeld : {true, false}) {
            Envelope env(44100.0f, false);
            env.attackDone = true;
            env.level = 1.0f;
            while (env.level > 0.0f) {
                const float L = env.level;
                const float step = keyHeld ? (L * L * L * L + 0.2f) * rate : (L + 0.05f) * rate;
                float expected = L - step * d4;
                float other = L - step * d * d * d * d;
                expected = expected < 0.005f ? 0.0f : expected;
                other = other < 0.005f ? 0.0f : other;
                const float got = keyHeld ? env.tick(true, 0.0f, amount, 0.0f, 0.0f)
                                          : env.tick(false, 0.0f, 0.0f, 0.0f, amount);
                ASSERT_EQ(got, expected) << "level " << L << ", amount " << amount;
                differ += expected != other ? 1 : 0;
            }
        }
    }
    EXPECT_GT(differ, 0);
}

// The segment lengths the editor and the host are shown follow the envelope's
// own steps: at every rate and setting within 0.5 %, the fixed ramp of attack
// 0 exactly, and "never" exactly where single precision stops the level.
TEST(Envelope, SegmentLengthsShownFollowTheSteps)
{
    using Segment = Envelope::Segment;
    for (float rate : {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (float v : {0.0f, 0.001f, 0.05f, 0.1f, 0.25f, 0.4f, 0.5f, 0.63f, 0.75f, 0.82f, 0.9f, 1.0f}) {
            const double attack = Envelope::segmentFrames(Segment::Attack, v, rate);
            EXPECT_NEAR(attack / double(attackFrames(rate, v, false)), 1.0, 0.005) << v << " at " << rate;
            if (v < 0.85f) { // beyond that the loop would run for millions of frames
                const double decay = Envelope::segmentFrames(Segment::Decay, v, rate);
                EXPECT_NEAR(decay / double(fallFrames(rate, true, v, 50000000)), 1.0, 0.005) << v << " at " << rate;
                const double release = Envelope::segmentFrames(Segment::Release, v, rate);
                EXPECT_NEAR(release / double(fallFrames(rate, false, v, 50000000)), 1.0, 0.005) << v << " at " << rate;
            }
        }
        EXPECT_EQ(Envelope::segmentFrames(Segment::Attack, 0.0f, rate), double(attackFrames(rate, 0.0f, false)));
        EXPECT_EQ(Envelope::segmentFrames(Segment::Attack, 0.0f, rate, true), 1.0);
    }
    EXPECT_EQ(Envelope::segmentFrames(Segment::Attack, 0.0f, 44100.0f), 48.0);
    EXPECT_EQ(Envelope::segmentFrames(Segment::Attack, 0.5f, 44100.0f), 4992.0);
    EXPECT_TRUE(std::isinf(Envelope::segmentFrames(Segment::Decay, 1.0f, 44100.0f)));
    EXPECT_TRUE(std::isinf(Envelope::segmentFrames(Segment::Release, 1.0f, 44100.0f)));
    EXPECT_TRUE(std::isinf(Envelope::segmentFrames(Segment::Release, 0.0f, 44100.0f, true)));

    // Near 1 the step falls below half the spacing of floats somewhere on the
    // way down: the level stops there for good, and the length is infinite.
    for (float v : {0.935f, 0.95f, 0.99f}) {
        EXPECT_TRUE(std::isinf(Envelope::segmentFrames(Segment::Decay, v, 44100.0f))) << v;
        Envelope env(44100.0f, false);
        env.attackDone = true;
        env.level = 1.0f;
        float previous = 2.0f;
        long frames = 0;
        while (env.level != previous && frames < 100000000) {
            previous = env.level;
            env.tick(true, 0.0f, v, 0.0f, 0.0f);
            ++frames;
        }
        EXPECT_GT(env.level, 0.0f) << v; // stuck above 0
    }
    EXPECT_TRUE(std::isfinite(Envelope::segmentFrames(Segment::Decay, 0.9f, 44100.0f)));
}
