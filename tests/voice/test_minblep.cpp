// The shared band-limited step: reference rows, shape, bounds and band limit.
#include "voice/MinBlepTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

// Reference step rows (entry, value). The generated table follows them
// within kRowTolerance: its minimum-phase reconstruction depends on how the
// FFT grid samples the windowed sinc's stopband zeros, so the fine ringing
// differs by up to about 1.3e-4 from the reference.
const std::pair<int, float> kRows[] = {
    {0, -1.3265257e-09f}, {3, -4.1961541e-09f}, {32, 3.1275631e-05f},
    {64, 0.0014583661f},  {96, 0.016146792f},   {128, 0.086208232f},
    {160, 0.28201723f},   {182, 0.50839108f},   {192, 0.62962562f},
    {224, 1.0124179f},    {256, 1.2100503f},    {261, 1.2139803f},
    {288, 1.1232826f},    {320, 0.92638218f},   {352, 0.88066411f},
    {384, 1.0078171f},    {416, 1.0921456f},    {512, 0.96987569f},
    {1024, 0.99170983f},  {1536, 0.99982697f},  {2024, 0.99999994f},
};
constexpr float kRowTolerance = 1.5e-4f;

TEST(MinBlepTable, FollowsTheReferenceRows)
{
    const float* t = minBlepTable();
    float worst = 0.0f;
    for (const auto& [j, value] : kRows) {
        EXPECT_NEAR(t[j], value, kRowTolerance) << "entry " << j;
        worst = std::fmax(worst, std::fabs(t[j] - value));
    }
    RecordProperty("worst_row_error", std::to_string(worst));
}

TEST(MinBlepTable, StepShape)
{
    const float* t = minBlepTable();
    int argMax = 0;
    int firstHalf = -1;
    float lowest = t[0];
    for (int j = 0; j < kMinBlepTableSize; ++j) {
        ASSERT_TRUE(std::isfinite(t[j])) << j;
        if (t[j] > t[argMax])
            argMax = j;
        if (firstHalf < 0 && t[j] >= 0.5f)
            firstHalf = j;
        lowest = std::fmin(lowest, t[j]);
    }
    // Quiet onset, steep rise, ~21 % overshoot at entry 261.
    EXPECT_EQ(argMax, 261);
    EXPECT_NEAR(t[argMax], 1.2139803f, kRowTolerance);
    EXPECT_EQ(firstHalf, 182);
    EXPECT_GT(lowest, -1e-6f);
    EXPECT_LT(lowest, 1e-6f);
    for (int j = 0; j < 32; ++j)
        EXPECT_LT(std::fabs(t[j]), 1e-4f) << "entry " << j;
    for (int j = 64; j < 224; ++j)
        EXPECT_LT(t[j], t[j + 1]) << "rise not monotonic at " << j;

    // Settling: last entry outside 0.05 / 0.01 / 0.001 / 0.0001 of 1.
    const float bands[] = {0.05f, 0.01f, 0.001f, 0.0001f};
    const int settled[] = {565, 964, 1347, 1648};
    for (int b = 0; b < 4; ++b) {
        int last = -1;
        for (int j = 0; j < kMinBlepTableSize; ++j)
            if (std::fabs(t[j] - 1.0f) >= bands[b])
                last = j;
        EXPECT_NEAR(last + 1, settled[b], 1) << "band " << bands[b];
    }
}

TEST(MinBlepTable, EndsExactlyAtOneAndIsShared)
{
    const float* t = minBlepTable();
    EXPECT_EQ(minBlepTable(), t);
    // Everything an oscillator can read from the settled entry on (the saw
    // reaches entry 2112) must add exactly nothing; the entry before is the
    // float just below 1.
    EXPECT_EQ(t[kMinBlepSettled - 1], 0.99999994f);
    EXPECT_EQ(t[kMinBlepSettled - 1], std::nextafter(1.0f, 0.0f));
    for (int j = kMinBlepSettled; j < kMinBlepTableSize; ++j)
        ASSERT_EQ(t[j], 1.0f) << "entry " << j;
    for (int j = 2000; j < kMinBlepSettled; ++j)
        EXPECT_NEAR(t[j], 1.0f, 1e-6f) << "entry " << j;
}

TEST(MinBlepTable, StepIsBandLimitedToTheHostNyquist)
{
    // The step's derivative is the band-limiting impulse, sampled 64 times
    // per host sample. Over 2048 entries bin k is k/2048 cycles per entry,
    // so the host Nyquist (1/128 cycles per entry) is bin 16.
    const float* t = minBlepTable();
    std::vector<double> h(kMinBlepShapeSize);
    double prev = 0.0;
    for (int j = 0; j < kMinBlepShapeSize; ++j) {
        h[j] = double(t[j]) - prev;
        prev = t[j];
    }
    auto magnitude = [&](int k) {
        double re = 0.0, im = 0.0;
        for (int j = 0; j < kMinBlepShapeSize; ++j) {
            const double a = -2.0 * M_PI * double(k) * double(j) / kMinBlepShapeSize;
            re += h[j] * std::cos(a);
            im += h[j] * std::sin(a);
        }
        return std::sqrt(re * re + im * im);
    };
    const double dc = magnitude(0);
    EXPECT_NEAR(dc, 1.0, 1e-6);
    // Flat within 0.1 dB over the lower half of the host band.
    for (int k = 1; k <= 8; ++k)
        EXPECT_NEAR(20.0 * std::log10(magnitude(k) / dc), 0.0, 0.1) << "bin " << k;
    // Far below the band edge from 1.5 times the host Nyquist on (-90 dB measured).
    double worstStop = 0.0;
    for (int k = 24; k <= 1024; ++k)
        worstStop = std::fmax(worstStop, magnitude(k) / dc);
    EXPECT_LT(20.0 * std::log10(worstStop), -80.0);
}

} // namespace
