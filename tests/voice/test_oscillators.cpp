// Band-limited saw and pulse: exact waveform values, duty cycles, aliasing,
// and safety for inputs far outside the musical range.
#include "voice/MinBlepTable.h"
#include "voice/PulseOscillator.h"
#include "voice/SawOscillator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
// The table follows the reference step within this (see test_minblep.cpp).
constexpr float kTableTolerance = 1.5e-4f;

// Amplitude of the component at bin k of x (k cycles over x.size()).
double binAmplitude(const std::vector<float>& x, int k)
{
    double re = 0.0, im = 0.0;
    const double n = double(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double a = -2.0 * M_PI * double(k) * double(i) / n;
        re += x[i] * std::cos(a);
        im += x[i] * std::sin(a);
    }
    return 2.0 * std::sqrt(re * re + im * im) / n;
}

// Fraction of the samples above zero.
double highFraction(const std::vector<float>& x)
{
    size_t high = 0;
    for (float v : x)
        high += v > 0.0f ? 1 : 0;
    return double(high) / double(x.size());
}

TEST(SawOscillator, WrapAtExactlyOneCycleGivesTheStepOnTheTableGrid)
{
    // 128 sub-samples per cycle: the ramp is exact, and the wrap on call 128
    // lands with d = 0, so the correction reads entries 32, 64, 96, ...
    SawOscillator saw(kRate);
    saw.phase = 0.0f;
    const float freq = kRate / 128.0f;
    for (int n = 1; n <= 127; ++n)
        ASSERT_EQ(saw.next(freq), float(n) / 128.0f - 0.5f) << "call " << n;

    const float* t = minBlepTable();
    const float reference[9] = {0.49996871f, 0.50635409f,   0.49947822f,
                                0.43722928f, 0.24923277f,   -0.090563118f,
                                -0.46554291f, -0.65536284f, -0.56078255f};
    for (int k = 0; k <= 8; ++k) {
        const float out = saw.next(freq);
        // Exactly the table's own values in the oscillator's order ...
        const float expected = (1.0f - t[32 * (k + 1)]) + float(k) / 128.0f - 0.5f;
        EXPECT_EQ(out, expected) << "call " << 128 + k;
        // ... which follow the reference step: the downward jump is spread
        // over several sub-samples and undershoots.
        EXPECT_NEAR(out, reference[k], kTableTolerance) << "call " << 128 + k;
    }
}

TEST(SawOscillator, CorrectionEndsExactlyWhereTheStepHasSettled)
{
    // 256 sub-samples per cycle, wrapped half a sub-sample late: term i of
    // the correction reads entry (i + 0.5) * 32 + 0.5, i.e. 32 i + 16. The
    // wrapping call plays term 1, each later call the next. From term 63
    // (entry 2032) the step is exactly 1, so the saw plays its naive ramp
    // bit for bit; term 62 (entry 2000) still corrects.
    SawOscillator saw(kRate);
    const float freq = kRate / 256.0f;
    saw.phase = 1.0f - 0.5f / 256.0f;
    saw.next(freq); // the wrap, phase 0.5 / 256: term 1
    float out = 0.0f;
    for (int term = 2; term <= 62; ++term)
        out = saw.next(freq);
    EXPECT_NE(out, saw.phase - 0.5f);
    for (int term = 63; term <= 120; ++term) {
        out = saw.next(freq);
        ASSERT_EQ(out, saw.phase - 0.5f) << "term " << term;
    }
}

TEST(SawOscillator, LevelPitchAndAliasing)
{
    // 3 cycles per 32 sub-samples (4134.375 Hz, sounding at 8268.75 Hz): over
    // 4096 sub-samples the harmonics sit on multiples of bin 384, and every
    // alias of a naive saw lands on another multiple of bin 128.
    const float freq = kRate * 3.0f / 32.0f;
    SawOscillator saw(kRate);
    saw.phase = 0.0f;
    float naivePhase = 0.0f;
    std::vector<float> out, naive;
    for (int i = 0; i < 200 + 4096; ++i) {
        const float v = saw.next(freq);
        naivePhase += freq / kRate;
        if (naivePhase >= 1.0f)
            naivePhase -= 1.0f;
        if (i >= 200) {
            out.push_back(v);
            naive.push_back(naivePhase - 0.5f);
        }
    }
    // A saw of 1 peak to peak: harmonic m has amplitude 1 / (pi m).
    EXPECT_NEAR(binAmplitude(out, 384), 1.0 / M_PI, 0.01 / M_PI);
    EXPECT_NEAR(binAmplitude(out, 768), 0.5 / M_PI, 0.01 / M_PI);

    // Aliases that would fall below the host Nyquist (bin 1024).
    double worstBandLimited = 0.0, worstNaive = 0.0;
    for (int k : {128, 256, 512, 640, 896}) {
        worstBandLimited = std::fmax(worstBandLimited, binAmplitude(out, k));
        worstNaive = std::fmax(worstNaive, binAmplitude(naive, k));
    }
    const double aliasDb = 20.0 * std::log10(worstBandLimited / (1.0 / M_PI));
    const double naiveDb = 20.0 * std::log10(worstNaive / (1.0 / M_PI));
    RecordProperty("alias_db", std::to_string(aliasDb));
    RecordProperty("naive_alias_db", std::to_string(naiveDb));
    EXPECT_LT(aliasDb, naiveDb - 25.0);
    EXPECT_LT(aliasDb, -45.0);
}

TEST(OscillatorsBothKinds, StayBoundedOverTheMusicalRange)
{
    // The voice limits the main oscillators to 19000 Hz: up to 0.43 cycles
    // per sub-sample at 44100 Hz. The saw's corrections lag its ramp by the
    // step's delay (about 5 sub-samples), which shows as a DC offset growing
    // with pitch (about 2 at the top; the engine's high-pass removes it). The
    // pulse's two opposite steps cancel that offset.
    for (float freq = 20.0f; freq <= 19000.0f; freq *= 1.25f) {
        SawOscillator saw(kRate);
        PulseOscillator pulse(kRate);
        saw.phase = 0.0f;
        pulse.ramp1 = 0.1f;
        pulse.ramp2 = 0.1f;
        for (int i = 0; i < 3000; ++i) {
            const float width = 0.5f + 0.5f * std::sin(float(i) * 0.01f);
            ASSERT_LT(std::fabs(saw.next(freq)), 2.2f) << freq << " Hz, sub-sample " << i;
            ASSERT_LT(std::fabs(pulse.next(freq, width)), 1.0f) << freq << " Hz, sub-sample " << i;
        }
    }
}

TEST(PulseOscillator, DutyCycleFollowsTheWidth)
{
    // 1024 sub-samples per cycle, ramps started as at a note start.
    const float freq = kRate / 1024.0f;
    struct Case {
        float width;
        double high;
    };
    for (const Case c : {Case{0.5f, 0.5}, Case{0.48f, 0.516}, Case{1.0f, 0.1}, Case{0.0f, 0.9}}) {
        PulseOscillator osc(kRate);
        osc.ramp1 = 0.1f;
        osc.ramp2 = 0.1f;
        // The first sub-sample of a note is in the low part (width 0 puts
        // the threshold at the start value 0.1: it goes high at once).
        const float first = osc.next(freq, c.width);
        if (c.width > 0.0f) {
            EXPECT_EQ(first, -0.5f);
        }
        for (int i = 1; i < 1024; ++i)
            osc.next(freq, c.width);
        std::vector<float> out;
        for (int i = 0; i < 4 * 1024; ++i)
            out.push_back(osc.next(freq, c.width));
        EXPECT_NEAR(highFraction(out), c.high, 1.0 / 1024.0) << "width " << c.width;
        // Overshoot of the step, as sampled at this pitch (about 21 % at best).
        EXPECT_GT(*std::max_element(out.begin(), out.end()), 0.6f);
        EXPECT_LT(*std::max_element(out.begin(), out.end()), 0.72f);
        EXPECT_LT(*std::min_element(out.begin(), out.end()), -0.6f);
        EXPECT_GT(*std::min_element(out.begin(), out.end()), -0.72f);
    }
}

TEST(PulseOscillator, SubOscillatorStartsLowAsASquare)
{
    PulseOscillator sub(kRate);
    sub.ramp1 = 0.25f;
    sub.ramp2 = 0.25f;
    const float freq = kRate / 512.0f;
    EXPECT_EQ(sub.next(freq, 0.5f), -0.5f);
    std::vector<float> out;
    for (int i = 1; i < 512 * 5; ++i) {
        const float v = sub.next(freq, 0.5f);
        if (i >= 512)
            out.push_back(v);
    }
    EXPECT_NEAR(highFraction(out), 0.5, 1.0 / 512.0);
}

TEST(PulseOscillator, ConstructionWrapsBothRampsAtOnce)
{
    // Built with both ramps at 1.0: the first call wraps both, inserting the
    // falling edge one sub-sample back and the rising edge (ramp2 passed the
    // 0.5 threshold half a cycle earlier) 51 sub-samples back.
    const float* t = minBlepTable();
    PulseOscillator osc(kRate);
    const float freq = 441.0f; // 0.01 cycles per sub-sample
    std::vector<float> out;
    for (int i = 0; i < 400; ++i)
        out.push_back(osc.next(freq, 0.5f));
    EXPECT_EQ(osc.stepSign, -1);
    // The falling edge plays out from +0.5; what is left of the old rising
    // edge is below 1e-3.
    for (int k = 0; k < 40; ++k)
        EXPECT_NEAR(out[k], 0.5f - t[32 * (k + 2)], 1e-3f) << "call " << k + 1;
    // From then on a square of 100 sub-samples.
    EXPECT_NEAR(highFraction(std::vector<float>(out.begin() + 100, out.end())), 0.5, 0.01);
}

TEST(PulseOscillator, WidthDropPlacesTheEdgeInThePast)
{
    const float* t = minBlepTable();
    {
        // 0.01 cycles per sub-sample; at ramp 0.5 (low part at width 0.9,
        // threshold 0.82) the width drops to 0.1 (threshold 0.18): ramp2
        // wraps at once and the rising edge is 33 sub-samples old.
        PulseOscillator osc(kRate);
        osc.ramp1 = 0.1f;
        osc.ramp2 = 0.1f;
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(osc.next(441.0f, 0.9f), -0.5f);
        const float jumped = osc.next(441.0f, 0.1f);
        EXPECT_EQ(osc.stepSign, -1);
        EXPECT_NEAR(jumped, 0.5f - (1.0f - t[32 * (1 + 33)]), 1e-5f);
        // High until ramp1 wraps, then the new duty cycle (0.82 high).
        std::vector<float> out;
        for (int i = 0; i < 600; ++i)
            out.push_back(osc.next(441.0f, 0.1f));
        for (int i = 0; i < 45; ++i)
            EXPECT_GT(out[i], 0.4f) << i;
        EXPECT_NEAR(highFraction(std::vector<float>(out.begin() + 100, out.begin() + 500)), 0.82,
                    0.01);
    }
    {
        // At 0.001 cycles per sub-sample the same drop puts the edge 330
        // sub-samples back: beyond the 64 sub-samples of the table, so no
        // correction at all and the naive value plays.
        PulseOscillator osc(kRate);
        osc.ramp1 = 0.1f;
        osc.ramp2 = 0.1f;
        for (int i = 0; i < 400; ++i)
            ASSERT_EQ(osc.next(44.1f, 0.9f), -0.5f);
        EXPECT_NEAR(osc.next(44.1f, 0.1f), 0.5f, 1e-6f);
        for (float c : osc.ring)
            EXPECT_EQ(c, 0.0f);
    }
}

// Inputs no voice should produce, but which must never index outside the
// table or the ring (AddressSanitizer builds check the accesses) nor leave
// the oscillator broken for the next note.
const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kWildFreqs[] = {0.0f,    -0.0f, -500.0f, 1e-30f, 1e-45f, 44100.0f, 60000.0f,
                            1.0e5f,  1e30f, kInf,    -kInf,  kNaN,   -1e30f};

TEST(SawOscillator, WildFrequenciesStayInBoundsAndRecover)
{
    for (float freq : kWildFreqs) {
        SawOscillator saw(kRate);
        for (int i = 0; i < 300; ++i) {
            const float v = saw.next(freq);
            ASSERT_TRUE(std::isfinite(v)) << freq;
            ASSERT_GE(saw.phase, 0.0f) << freq;
            ASSERT_LT(saw.phase, 1.0f) << freq;
            // A step every sub-sample piles up at most the step's delay
            // (about 5) in the ring.
            ASSERT_LT(std::fabs(v), 8.0f) << freq;
        }
        saw.phase = 0.0f;
        for (int i = 0; i < 300; ++i)
            saw.next(440.0f);
        for (int i = 0; i < 300; ++i)
            ASSERT_LT(std::fabs(saw.next(440.0f)), 0.8f) << "after " << freq;
    }
    // A phase far from its range (written from outside) gives a correction
    // many cycles back: every read lands on the table's last entry.
    SawOscillator saw(kRate);
    saw.phase = 1.5f;
    const float v = saw.next(1.0f);
    EXPECT_NEAR(v, saw.phase - 0.5f, 1e-6f);
}

TEST(PulseOscillator, WildFrequenciesAndWidthsStayInBoundsAndRecover)
{
    const float widths[] = {0.5f, -3.0f, 5.0f, -1e30f, 1e30f, kInf, -kInf, kNaN};
    for (float freq : kWildFreqs) {
        for (float width : widths) {
            PulseOscillator osc(kRate);
            for (int i = 0; i < 300; ++i) {
                const float v = osc.next(freq, width);
                if (std::isfinite(width)) {
                    ASSERT_TRUE(std::isfinite(v)) << freq << " Hz, width " << width;
                }
            }
            osc.ramp1 = 0.1f;
            osc.ramp2 = 0.1f;
            for (int i = 0; i < 300; ++i)
                osc.next(440.0f, 0.5f);
            for (int i = 0; i < 300; ++i)
                ASSERT_LT(std::fabs(osc.next(440.0f, 0.5f)), 0.8f)
                    << "after " << freq << " Hz, width " << width;
        }
    }
}

TEST(PulseOscillator, WidthsOutsideTheRangeShiftTheThresholdUnlimited)
{
    // Width 1.25 puts the threshold at 1.1: ramp2 now wraps a cycle after
    // ramp1 in part of the cycle, so the output is a pulse between -1.5 and
    // -0.5; nothing clamps the width.
    PulseOscillator osc(kRate);
    osc.ramp1 = 0.1f;
    osc.ramp2 = 0.1f;
    const float freq = kRate / 1000.0f;
    std::vector<float> out;
    for (int i = 0; i < 5000; ++i) {
        const float v = osc.next(freq, 1.25f);
        if (i >= 2000)
            out.push_back(v);
    }
    size_t low = 0;
    for (float v : out)
        low += v < -1.0f ? 1 : 0;
    EXPECT_NEAR(double(low) / double(out.size()), 0.1, 0.005);
    EXPECT_GT(*std::min_element(out.begin(), out.end()), -1.8f);
    EXPECT_LT(*std::max_element(out.begin(), out.end()), -0.2f);
}

} // namespace
