// The factory bank as a musician meets it: every program plays, none clips,
// the designed sounds (1..71) sit at one loudness and differ from each other,
// and each family behaves like its name (pads swell, organs stop with the key,
// struck sounds fade, brass brightens when played harder).
#include "support/Signal.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace vemotest;

namespace {

constexpr int kPrograms = 120;
constexpr int kDesigned = 72; // 0 and the designed sounds 1..71; the rest are default records
constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kNote = 60;
constexpr int kHeld = 26460;           // 0.6 s with the key down
constexpr int kFrames = kHeld + 6615;  // then 0.15 s of release
constexpr int kShortFrames = 2205;     // 50 ms: enough to show finite output
constexpr size_t kWindow = 4410; // 100 ms: loudness and level windows

struct Take {
    std::vector<float> left, right;
};

std::string programName(TestHost& host, int program)
{
    char name[kVstMaxProgNameLen + 8] = {};
    host.dispatch(effGetProgramNameIndexed, program, 0, name);
    return name;
}

// A fresh instance per take: nothing rings over from the take before.
Take play(int program, const std::vector<int>& notes, int velocity, int held, int frames)
{
    TestHost host;
    Take take;
    if (host.effect == nullptr) {
        ADD_FAILURE() << host.loadError;
        return take;
    }
    host.dispatch(effSetSampleRate, 0, 0, nullptr, float(kRate));
    host.dispatch(effSetBlockSize, 0, kBlock);
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effSetProgram, 0, program);
    std::vector<VstMidiEvent> events;
    for (int n : notes) {
        events.push_back(TestHost::noteOn(0, n, velocity));
        events.push_back(TestHost::noteOff(held, n));
    }
    host.render(take.left, take.right, frames, kBlock, events);
    return take;
}

double stereoPeak(const Take& t) { return std::max(peak(t.left), peak(t.right)); }

// RMS of both channels over [from, to).
double stereoRms(const Take& t, size_t from, size_t to)
{
    const double l = rms(t.left, from, to), r = rms(t.right, from, to);
    return std::sqrt(0.5 * (l * l + r * r));
}

// Loudness of a held note: the loudest 100 ms while the key is down (right
// after the strike for struck sounds, after the swell for pads).
double heldLoudness(const Take& t)
{
    double loudest = 0.0;
    for (size_t at = 0; at + kWindow <= size_t(kHeld); at += 441)
        loudest = std::max(loudest, stereoRms(t, at, at + kWindow));
    return loudest;
}

// Time in seconds until the 10 ms level first comes within 3 dB of its
// maximum while the key is down.
double attackSeconds(const Take& t)
{
    std::vector<double> level;
    for (size_t at = 0; at + 441 <= size_t(kHeld); at += 441)
        level.push_back(stereoRms(t, at, at + 441));
    const double top = *std::max_element(level.begin(), level.end());
    for (size_t i = 0; i < level.size(); ++i)
        if (level[i] >= top * 0.7079)
            return double(i) * 441.0 / kRate;
    return 0.0;
}

// Brightness as the RMS of the slope over the RMS of the signal: for a sine
// of frequency f it is 2 sin(pi f / rate), so it grows with the spectral
// centroid without needing a transform.
double brightness(const std::vector<float>& x, size_t from, size_t to)
{
    double slope = 0.0, level = 0.0;
    for (size_t i = from + 1; i < to && i < x.size(); ++i) {
        const double d = double(x[i]) - double(x[i - 1]);
        slope += d * d;
        level += double(x[i]) * double(x[i]);
    }
    return level > 0.0 ? std::sqrt(slope / level) : 0.0;
}

// One single note and one wide six-note chord per program, rendered once for
// all the tests below.
class FactoryBank : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        names.clear();
        single.clear();
        chord.clear();
        {
            TestHost host;
            ASSERT_NE(host.effect, nullptr) << host.loadError;
            for (int p = 0; p < kPrograms; ++p)
                names.push_back(programName(host, p));
        }
        const std::vector<int> sixNotes = {48, 55, 60, 64, 67, 72};
        for (int p = 0; p < kPrograms; ++p) {
            if (p >= kDesigned) {
                // The default records 72..119 are one and the same sound: short takes.
                single.push_back(play(p, {kNote}, 100, kShortFrames, kShortFrames));
                chord.push_back(play(p, sixNotes, 100, kShortFrames, kShortFrames));
                continue;
            }
            single.push_back(play(p, {kNote}, 100, kHeld, kFrames));
            // A chord peaks with the strike or at the end of the swell, never in
            // the release: play it until a little after the single note's attack.
            const double seconds = std::clamp(attackSeconds(single.back()) + 0.15, 0.3, 0.6);
            const int frames = int(seconds * kRate);
            chord.push_back(play(p, sixNotes, 100, frames, frames));
        }
    }
    static void TearDownTestSuite()
    {
        single.clear();
        chord.clear();
    }

    static std::vector<std::string> names;
    static std::vector<Take> single, chord;
};

std::vector<std::string> FactoryBank::names;
std::vector<Take> FactoryBank::single;
std::vector<Take> FactoryBank::chord;

TEST_F(FactoryBank, EveryProgramPlaysFiniteSoundAndNoneClips)
{
    ASSERT_EQ(single.size(), size_t(kPrograms));
    for (int p = 0; p < kPrograms; ++p) {
        SCOPED_TRACE(std::to_string(p) + " " + names[size_t(p)]);
        const Take& one = single[size_t(p)];
        const Take& six = chord[size_t(p)];
        EXPECT_TRUE(allFinite(one.left) && allFinite(one.right));
        EXPECT_TRUE(allFinite(six.left) && allFinite(six.right));
        if (p < kDesigned) {
            EXPECT_GT(dbfs(stereoPeak(one)), -30.0) << "a single note is barely audible";
        }
        EXPECT_LE(dbfs(stereoPeak(six)), 0.0) << "a six-note chord clips";
    }
}

TEST_F(FactoryBank, DesignedProgramsShareOneLoudness)
{
    std::vector<double> loudness;
    for (int p = 1; p < kDesigned; ++p)
        loudness.push_back(dbfs(heldLoudness(single[size_t(p)])));
    std::vector<double> sorted = loudness;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    EXPECT_GT(median, -32.0);
    EXPECT_LT(median, -20.0);
    for (int p = 1; p < kDesigned; ++p)
        EXPECT_NEAR(loudness[size_t(p - 1)], median, 6.0) << p << " " << names[size_t(p)];
}

TEST_F(FactoryBank, ValuesKeepTheirFormsAndNoTwoDesignsAreAlike)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    const int switches[] = {3, 4, 7, 8, 14, 18, 26, 30, 34, 35, 36, 37, 38, 46};
    const float transposes[] = {0.0f, 1.0f / 3.0f, 0.5f, 2.0f / 3.0f, 1.0f};
    std::vector<std::vector<float>> values;
    for (int p = 0; p < kPrograms; ++p) {
        SCOPED_TRACE(std::to_string(p) + " " + names[size_t(p)]);
        host.dispatch(effSetProgram, 0, p);
        std::vector<float> v;
        for (int i = 0; i < 47; ++i)
            v.push_back(host.getParameter(i));
        for (int i = 0; i < 47; ++i) {
            if (i == 27 || i == 28) {
                // Menu entries: whole numbers, 0..4 waveforms and 0..12 clock divisions.
                EXPECT_EQ(v[size_t(i)], std::floor(v[size_t(i)])) << i;
                EXPECT_GE(v[size_t(i)], 0.0f) << i;
                EXPECT_LE(v[size_t(i)], i == 27 ? 4.0f : 12.0f) << i;
            } else {
                EXPECT_GE(v[size_t(i)], 0.0f) << i;
                EXPECT_LE(v[size_t(i)], 1.0f) << i;
            }
        }
        for (int i : switches)
            EXPECT_TRUE(v[size_t(i)] == 0.0f || v[size_t(i)] == 1.0f) << i;
        EXPECT_NE(std::find(std::begin(transposes), std::end(transposes), v[33]), std::end(transposes));
        values.push_back(v);
    }
    for (int a = 1; a < kDesigned; ++a)
        for (int b = a + 1; b < kDesigned; ++b)
            EXPECT_NE(values[size_t(a)], values[size_t(b)]) << names[size_t(a)] << " and " << names[size_t(b)];
}

TEST_F(FactoryBank, PadsAndStringsSwellSlowly)
{
    for (int p : {14, 20, 21, 22, 56, 63, 64}) {
        SCOPED_TRACE(names[size_t(p)]);
        EXPECT_GT(attackSeconds(single[size_t(p)]), 0.1);
    }
    // Struck, plucked and blown sounds speak at once.
    for (int p : {1, 28, 32, 38, 42, 43})
        EXPECT_LT(attackSeconds(single[size_t(p)]), 0.05) << names[size_t(p)];
}

TEST_F(FactoryBank, OrgansStopWithTheKeyAndStruckSoundsFadeWhileHeld)
{
    // A keyed organ is silent 30 ms after the key comes up.
    for (int p : {6, 16, 23, 24, 25, 58, 60}) {
        SCOPED_TRACE(names[size_t(p)]);
        const Take& t = single[size_t(p)];
        const double held = stereoRms(t, size_t(kHeld) - kWindow, size_t(kHeld));
        const double after = stereoRms(t, size_t(kHeld) + 1323, size_t(kHeld) + 1323 + kWindow);
        EXPECT_LT(dbfs(after), dbfs(held) - 40.0);
    }
    // Pianos, harpsichords, plucks and mallets die away with the key still
    // down; the shortest ones (clavichord, pizzicato, xylophone) almost at once.
    for (int p : {28, 29, 30, 31, 32, 33, 34, 35, 38, 40, 41, 42, 43, 57}) {
        SCOPED_TRACE(names[size_t(p)]);
        const Take& t = single[size_t(p)];
        const double fade = dbfs(stereoRms(t, size_t(kHeld) - kWindow, size_t(kHeld))) - dbfs(heldLoudness(t));
        EXPECT_LT(fade, -4.0);
        if (p == 38 || p == 40 || p == 41 || p == 42) {
            EXPECT_LT(fade, -30.0);
        }
    }
}

TEST_F(FactoryBank, BrassBrightensWhenPlayedHarder)
{
    for (int p : {26, 45, 46, 47, 66}) {
        SCOPED_TRACE(names[size_t(p)]);
        const Take soft = play(p, {kNote}, 40, 13230, 13230);
        const Take hard = play(p, {kNote}, 127, 13230, 13230);
        // Over the swell, after the attack has begun.
        const double b40 = brightness(soft.left, 2205, 13230), b127 = brightness(hard.left, 2205, 13230);
        EXPECT_GT(b127, 1.2 * b40);
    }
}

} // namespace
