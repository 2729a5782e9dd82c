// What a host shows for each parameter (effGetParamDisplay, effGetParamLabel),
// read through the loaded module, checked against what the sound does: the
// cutoff shown is the -3 dB point measured in a render, an envelope time shown
// is the segment length measured in a render, the LFO rate shown is the rate
// the pitch swings at, the octave and tuning shown are the pitch ratios heard.
#include "support/Signal.h"
#include "support/TestHost.h"
#include "engine/HalfBandDecimator.h"
#include "voice/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using vemotest::TestHost;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string hostText(TestHost& host, int32_t opcode, int32_t index)
{
    char buffer[64];
    std::memset(buffer, 0, sizeof buffer);
    host.dispatch(opcode, index, 0, buffer);
    return buffer;
}

std::string display(TestHost& host, int32_t index) { return hostText(host, effGetParamDisplay, index); }
std::string label(TestHost& host, int32_t index) { return hostText(host, effGetParamLabel, index); }

// The quantity a display and label stand for, in Hz or seconds (or the plain
// number for other units); NaN when the display is not a number.
double shownQuantity(TestHost& host, int32_t index)
{
    const std::string text = display(host, index);
    char* end = nullptr;
    const double x = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != 0)
        return std::numeric_limits<double>::quiet_NaN();
    const std::string unit = label(host, index);
    if (unit == "kHz")
        return x * 1000.0;
    if (unit == "ms")
        return x / 1000.0;
    if (unit == "min")
        return x * 60.0;
    return x;
}

// A plain held saw: every parameter 0 except what makes a clean, open,
// unmodulated tone at full gain (volume 1, level 1, sustain 1). Notes of an
// earlier measurement are stopped and rendered out first.
void plainSaw(TestHost& host)
{
    host.setParameter(kParamRelease, 0.0f);
    host.setParameter(kParamEnvGate, 0.0f);
    std::vector<float> left, right;
    host.render(left, right, 4096, 512, {TestHost::midi(0, 0xB0, 123, 0)});
    for (int32_t i = 0; i < kNumParameters; ++i)
        host.setParameter(i, 0.0f);
    host.setParameter(kParamVolume, 1.0f);
    host.setParameter(kParamEnvVolume, 1.0f);
    host.setParameter(kParamMasterPitch, 0.5f);
    host.setParameter(kParamTranspose, 0.5f);
    host.setParameter(kParamSaw, 1.0f);
    host.setParameter(kParamCutoff, 1.0f);
    host.setParameter(kParamSustain, 1.0f);
}

void startAt(TestHost& host, float rate)
{
    host.hostSampleRate = rate;
    host.timeInfo.sampleRate = rate;
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    host.dispatch(effSetBlockSize, 0, 512);
    host.dispatch(effMainsChanged, 0, 1);
}

// Amplitude of the component at `hz` in x[from, from + n), Hann-windowed.
double amplitudeAt(const std::vector<float>& x, size_t from, size_t n, double hz, double rate)
{
    double re = 0.0, im = 0.0, windowSum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * double(i) / double(n));
        const double phase = 2.0 * kPi * hz * double(i) / rate;
        re += w * double(x[from + i]) * std::cos(phase);
        im += w * double(x[from + i]) * std::sin(phase);
        windowSum += w;
    }
    return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

// Gain of the output path that is not the ladder filter, at `hz`: the
// half-band decimator's taps and the three output high-pass stages (pole at
// HPCUTOFF 0), both known exactly.
double knownPathGain(double hz, double rate)
{
    const HalfBandDecimator decimator;
    const double taps[5] = {decimator.c1, decimator.c2, decimator.c3, decimator.c4, decimator.c5};
    const double w = 2.0 * kPi * hz / (2.0 * rate); // at the voices' rate
    double h = 0.5;
    for (int k = 0; k < 5; ++k)
        h += 2.0 * taps[k] * std::cos(double(2 * k + 1) * w);
    const double R = double(0.999f);
    const double v = 2.0 * kPi * hz / rate;
    const double stage2 = (2.0 - 2.0 * std::cos(v)) / (1.0 + R * R - 2.0 * R * std::cos(v));
    return std::fabs(h) * std::pow(stage2, 1.5);
}

// The ladder's -3 dB point measured from a render. The source is the square
// sub-oscillator at a tenth of its level, so the filter's output shaper stays
// in its linear range (a full-level saw is squeezed by about 3 % there). Each
// odd harmonic is compared with the square's own amplitude 4 A / (pi n) times
// the filter's DC gain of 0.875 and the known rest of the path; the crossing
// of 1/sqrt 2 is interpolated between the two harmonics around it.
double measuredCorner(TestHost& host, float cutoff, float rate, double expectedHz)
{
    plainSaw(host);
    host.setParameter(kParamSaw, 0.0f);
    host.setParameter(kParamSubOsc, 1.0f);
    host.setParameter(kParamSubOscVolume, 0.1f);
    host.setParameter(kParamCutoff, cutoff);
    // About ten odd harmonics below the corner. The sub-oscillator sounds at
    // twice 440 * 2^((note - 12 - 81) / 12).
    const double f0Wanted = std::max(expectedHz / 20.0, 9.0);
    const int note = std::clamp(int(std::lround(81.0 + 12.0 * std::log2(f0Wanted / 440.0))), 1, 110);
    const double f0 =
        2.0 * double(float(440.0 * std::pow(2.0, double((float(note) - 12.0f - 36.0f - 45.0f) * 0.0833333358f))));
    const double amplitude = 0.5 * 0.9 * double(0.1f);
    const auto settle = int32_t(rate * 0.4f);
    const auto span = int32_t(rate);
    std::vector<float> left, right;
    host.render(left, right, settle + span, 512, {TestHost::noteOn(0, note, 100)});
    double previousHz = 0.0, previousGain = 1.0;
    for (int n = 1; n * f0 < 0.42 * rate; n += 2) {
        const double hz = n * f0;
        const double expected = 4.0 * amplitude / (kPi * n) * 0.875 * knownPathGain(hz, rate);
        const double gain = amplitudeAt(left, size_t(settle), size_t(span), hz, rate) / expected;
        if (gain < std::sqrt(0.5)) {
            if (n == 1)
                return hz;
            // Straight line in dB over log frequency between the two harmonics.
            const double a = 20.0 * std::log10(previousGain), b = 20.0 * std::log10(gain);
            const double t = (-3.0103 - a) / (b - a);
            return std::exp(std::log(previousHz) + t * (std::log(hz) - std::log(previousHz)));
        }
        previousHz = hz;
        previousGain = gain;
    }
    return std::numeric_limits<double>::infinity();
}

// The level of a high tone over time, one value per `period` frames: the RMS
// of the frame-to-frame differences, which follows the tone and ignores the
// slow swing the output high-pass leaves when the level changes.
std::vector<double> levelCurve(const std::vector<float>& x, size_t period)
{
    std::vector<float> d(x.size(), 0.0f);
    for (size_t i = 1; i < x.size(); ++i)
        d[i] = x[i] - x[i - 1];
    std::vector<double> curve;
    for (size_t at = 0; at + period <= d.size(); at += period)
        curve.push_back(vemotest::rms(d, at, at + period));
    return curve;
}

} // namespace

// -------------------------------------------------------------- the texts

TEST(ParameterDisplay, TextsFitTheirEightBytesForAnyIndexAndValue)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    const float values[] = {0.0f, 1e-30f, 0.001f, 0.0049f, 0.25f, 0.5f, 0.7f, 0.9999f, 1.0f, 1.5f,
                            -0.5f, -3.0f, 2.0f, 4.0f, 4.99f, 7.0f, 12.0f, 13.0f, 1e30f, -1e30f,
                            std::numeric_limits<float>::denorm_min()};
    for (float rate : {8000.0f, 44100.0f, 192000.0f, 1000000.0f}) {
        host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        for (int32_t index : {-1, 0, 1, 9, 12, 20, 21, 23, 24, 25, 27, 28, 33, 46, 47, 1000, -100000})
            for (int32_t other = -1; other < kNumParameters; ++other)
                for (float value : values) {
                    if (other >= 0) {
                        host.setParameter(other, value); // the displays that read another value
                    }
                    host.setParameter(index, value);
                    for (int32_t opcode : {effGetParamDisplay, effGetParamLabel}) {
                        char canary[64];
                        std::memset(canary, 0x7f, sizeof canary);
                        host.dispatch(opcode, index, 0, canary);
                        const size_t length = strnlen(canary, sizeof canary);
                        ASSERT_LT(length, 8u) << "opcode " << opcode << " index " << index << " value " << value;
                        for (size_t i = length + 1; i < sizeof canary; ++i) {
                            ASSERT_EQ(canary[i], 0x7f) << "written past the text: opcode " << opcode
                                                       << " index " << index << " value " << value;
                        }
                        for (size_t i = 0; i < length; ++i) {
                            ASSERT_TRUE(canary[i] > ' ' - 1 && canary[i] < 127) << int(canary[i]);
                        }
                    }
                    if (other < 0 && index >= 0 && index < kNumParameters) {
                        EXPECT_FALSE(display(host, index).empty()) << index << " at " << value;
                    }
                }
    }
}

TEST(ParameterDisplay, EveryParameterShowsItsValueWithItsUnit)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    // The start-up sound, as the factory bank has it.
    EXPECT_EQ(display(host, kParamVolume) + " " + label(host, kParamVolume), "-15.3 dB"); // 0.414^2
    EXPECT_EQ(display(host, kParamMasterPitch) + label(host, kParamMasterPitch), "0cents");
    EXPECT_EQ(display(host, kParamSaw), "on");
    EXPECT_EQ(label(host, kParamSaw), "");
    EXPECT_EQ(display(host, kParamSubOscVolume) + " " + label(host, kParamSubOscVolume), "-0.9 dB");
    EXPECT_EQ(display(host, kParamNoiseVolume), "-inf");
    EXPECT_EQ(display(host, kParamEnvGate), "gate");
    EXPECT_EQ(display(host, kParamAttack) + " " + label(host, kParamAttack), "1.09 ms"); // 48 frames
    EXPECT_EQ(display(host, kParamTranspose) + " " + label(host, kParamTranspose), "-12 semi");
    EXPECT_EQ(display(host, kParamLfoWaveform), "sin");
    EXPECT_EQ(display(host, kParamLfoClock), "----");
    EXPECT_EQ(display(host, kParamModDco) + " " + label(host, kParamModDco), "12.0 semi");
    EXPECT_EQ(display(host, kParamSharedFilter), "on");

    // Each form at other values.
    host.setParameter(kParamLfoWaveform, 2.0f);
    host.setParameter(kParamLfoClock, 2.0f);
    EXPECT_EQ(display(host, kParamLfoWaveform), "saw");
    EXPECT_EQ(display(host, kParamLfoClock), "1/8");
    EXPECT_EQ(display(host, kParamLfoRate) + " " + label(host, kParamLfoRate), "1/8 sync");
    host.setParameter(kParamLfoClock, 0.0f);
    // 20 * 0.5^4 = 1.25 Hz nominal; a cycle of 255 table steps, and the
    // float phase rounding each step, make it 1.26 Hz heard.
    host.setParameter(kParamLfoRate, 0.5f);
    EXPECT_EQ(display(host, kParamLfoRate) + " " + label(host, kParamLfoRate), "1.26 Hz");
    host.setParameter(kParamMasterPitch, 0.625f);
    EXPECT_EQ(display(host, kParamMasterPitch) + " " + label(host, kParamMasterPitch), "+25.0 cents");
    host.setParameter(kParamOscLfo, 0.5f); // 1.5 semitones at full swing
    EXPECT_EQ(display(host, kParamOscLfo) + " " + label(host, kParamOscLfo), "1.50 semi");
    host.setParameter(kParamOscLfo, 0.25f); // 0.1875 semitones
    EXPECT_EQ(display(host, kParamOscLfo) + " " + label(host, kParamOscLfo), "18.8 cents");
    host.setParameter(kParamResonance, 0.925f);
    EXPECT_EQ(display(host, kParamResonance) + " " + label(host, kParamResonance), "92.5 %");
    host.setParameter(kParamSustain, 0.5f);
    EXPECT_EQ(display(host, kParamSustain) + " " + label(host, kParamSustain), "-6.0 dB");
    host.setParameter(kParamDecay, 1.0f);
    EXPECT_EQ(display(host, kParamDecay), "hold"); // a decay of 1 never moves
    host.setParameter(kParamLfoDelay, 0.25f);
    EXPECT_EQ(display(host, kParamLfoDelay) + " " + label(host, kParamLfoDelay), "250 ms");
    host.setParameter(kParamTranspose, 1.0f);
    EXPECT_EQ(display(host, kParamTranspose), "+12");
    host.setParameter(kParamManualPw, 1.0f);
    host.setParameter(kParamPwIntensity, 0.0f); // a square
    EXPECT_EQ(display(host, kParamPwIntensity) + " " + label(host, kParamPwIntensity), "50.0 %");
    host.setParameter(kParamPwMode, 1.0f);
    EXPECT_EQ(display(host, kParamPwMode), "env");
    host.setParameter(kParamLearnProgram, 1.0f);
    EXPECT_EQ(display(host, kParamLearnProgram), "on");

    // Frequencies switch to kHz, times to seconds, at the current rate.
    host.setParameter(kParamCutoff, 1.0f);
    EXPECT_EQ(label(host, kParamCutoff), "kHz");
    host.setParameter(kParamCutoff, 0.3f);
    EXPECT_EQ(label(host, kParamCutoff), "Hz");
    host.setParameter(kParamRelease, 0.75f);
    EXPECT_EQ(label(host, kParamRelease), "s");
    const double at44 = shownQuantity(host, kParamRelease);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
    const double at22 = shownQuantity(host, kParamRelease);
    EXPECT_NEAR(at22 / at44, 1.0, 0.01); // the rate unit keeps times nearly the same
    host.setParameter(kParamCutoff, 0.5f);
    const double corner22 = shownQuantity(host, kParamCutoff);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    EXPECT_NEAR(shownQuantity(host, kParamCutoff) / corner22, 2.0, 0.02); // scales with the rate up to 44.1 kHz
}

// ------------------------------------------------------- against the sound

TEST(ParameterDisplay, CutoffShownIsTheMeasuredMinus3dBPoint)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    for (float rate : {44100.0f, 96000.0f}) {
        startAt(host, rate);
        for (float cutoff : {0.3f, 0.45f, 0.6f, 0.75f, 0.9f}) {
            plainSaw(host);
            host.setParameter(kParamCutoff, cutoff);
            const double shown = shownQuantity(host, kParamCutoff);
            ASSERT_TRUE(std::isfinite(shown)) << display(host, kParamCutoff);
            const double measured = measuredCorner(host, cutoff, rate, shown);
            EXPECT_NEAR(measured / shown, 1.0, 0.03)
                << "cutoff " << cutoff << " at " << rate << " Hz: shown " << display(host, kParamCutoff)
                << " " << label(host, kParamCutoff) << ", measured " << measured << " Hz";
        }
    }
}

TEST(ParameterDisplay, EnvelopeTimesShownAreTheMeasuredSegments)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    for (float rate : {44100.0f, 96000.0f}) {
        startAt(host, rate);
        // A high saw: short periods give the level curve a fine grain.
        const int note = 105;                         // about 3.5 kHz
        const size_t period = size_t(rate / 3520.0 * 2.0 + 0.5); // two cycles per point
        for (float value : {0.2f, 0.45f, 0.6f}) {
            // Attack: the level rises to its peak, then decays towards the sustain of 0.
            plainSaw(host);
            host.setParameter(kParamSustain, 0.0f);
            host.setParameter(kParamAttack, value);
            const double attackShown = shownQuantity(host, kParamAttack);
            std::vector<float> left, right;
            const auto frames = int32_t(attackShown * rate * 1.5) + 4096;
            host.render(left, right, frames, 256, {TestHost::noteOn(0, note, 100)});
            const std::vector<double> curve = levelCurve(left, period);
            const size_t top = size_t(std::max_element(curve.begin(), curve.end()) - curve.begin());
            const double attackMeasured = (double(top) + 0.5) * double(period) / rate;
            EXPECT_NEAR(attackMeasured / attackShown, 1.0, 0.03)
                << "attack " << value << " at " << rate << ": shown " << attackShown << " s";

            // Release: from full level until the voice falls silent (the
            // level curve drops under the envelope's last step of 0.005).
            plainSaw(host);
            host.setParameter(kParamRelease, value);
            const double releaseShown = shownQuantity(host, kParamRelease);
            const auto hold = int32_t(rate * 0.2f);
            host.render(left, right, hold + int32_t(releaseShown * rate * 1.3) + 4096, 256,
                        {TestHost::noteOn(0, note, 100), TestHost::noteOff(hold, note)});
            const std::vector<double> released = levelCurve(left, period);
            const double full = released[size_t(hold) / period - 2];
            size_t end = released.size() - 1;
            while (end > 0 && released[end] < full * 0.0025)
                --end;
            const double releaseMeasured = (double(end + 1) * double(period) - double(hold)) / rate;
            EXPECT_NEAR(releaseMeasured / releaseShown, 1.0, 0.03)
                << "release " << value << " at " << rate << ": shown " << releaseShown << " s";
        }
    }
}

TEST(ParameterDisplay, LfoRateShownIsTheRateThePitchSwingsAt)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    const float rate = 48000.0f;
    startAt(host, rate);
    for (float value : {0.55f, 0.7f, 0.85f}) {
        // A square LFO throws the pitch an octave up and down.
        plainSaw(host);
        host.setParameter(kParamOscLfo, 1.0f);
        host.setParameter(kParamLfoWaveform, 3.0f);
        host.setParameter(kParamLfoRate, value);
        const double shown = shownQuantity(host, kParamLfoRate);
        ASSERT_EQ(label(host, kParamLfoRate), "Hz");
        std::vector<float> left, right;
        const auto frames = int32_t(rate * 10.0 / shown) + 2048; // ten cycles
        host.render(left, right, frames, 512, {TestHost::noteOn(0, 57, 100)});
        // The saw falls sharply once per period: the gaps between falls are
        // short while the pitch is up (a period of 109 frames), long while it
        // is down (436 frames). The switches from short to long gaps mark
        // one LFO cycle each.
        std::vector<size_t> falls;
        for (size_t i = 1; i < left.size(); ++i)
            if (left[i] - left[i - 1] < -0.2f && (falls.empty() || i - falls.back() > 16))
                falls.push_back(i); // one per fall: a band-limited step takes a few frames
        ASSERT_GT(falls.size(), 20u);
        const double between = std::sqrt(double(rate / 440.0f) * double(rate / 110.0f));
        std::vector<size_t> downSwitches;
        for (size_t k = 2; k < falls.size(); ++k) {
            const double gap = double(falls[k] - falls[k - 1]), before = double(falls[k - 1] - falls[k - 2]);
            if (before < between && gap >= between)
                downSwitches.push_back(falls[k - 1]);
        }
        ASSERT_GE(downSwitches.size(), 5u);
        const double cycles = double(downSwitches.size() - 1);
        const double measured = cycles * rate / double(downSwitches.back() - downSwitches.front());
        EXPECT_NEAR(measured / shown, 1.0, 0.02) << "LFO1RATE " << value << ": shown " << shown << " Hz";
    }
}

TEST(ParameterDisplay, OctaveAndTuningShownAreThePitchesHeard)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    const float rate = 44100.0f;
    startAt(host, rate);
    auto pitchWith = [&](int32_t index, float value) {
        plainSaw(host);
        host.setParameter(index, value);
        std::vector<float> left, right;
        host.render(left, right, 22050, 512, {TestHost::noteOn(0, 69, 100)});
        return vemotest::estimatePitch(left, rate, 4410, left.size(), 50.0, 3000.0);
    };
    const double reference = pitchWith(kParamTranspose, 0.5f);
    ASSERT_NEAR(reference, 440.0, 1.0);
    for (float value : {0.0f, 0.2f, 0.3f, 0.5f, 0.6f, 1.0f}) {
        const double heard = pitchWith(kParamTranspose, value);
        const double shown = shownQuantity(host, kParamTranspose);
        EXPECT_NEAR(12.0 * std::log2(heard / reference), shown, 0.05) << "TRANSPOSE " << value;
    }
    for (float value : {0.0f, 0.3f, 0.75f, 1.0f}) {
        const double heard = pitchWith(kParamMasterPitch, value);
        const double shown = shownQuantity(host, kParamMasterPitch);
        EXPECT_EQ(label(host, kParamMasterPitch), "cents");
        EXPECT_NEAR(1200.0 * std::log2(heard / reference), shown, 3.0) << "MASTERPITCH " << value;
    }
}
