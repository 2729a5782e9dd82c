// The texts a reading turns into: units chosen by size, three significant
// digits, carries into a new digit, signs where a quantity has one, and never
// more than seven characters.
#include "engine/ParameterDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using vemo::ParameterReading;
using vemo::Unit;

namespace {
std::string shown(Unit unit, double quantity)
{
    ParameterReading r;
    r.unit = unit;
    r.quantity = quantity;
    const vemo::ParameterText t = vemo::formatReading(r);
    return std::string(t.display) + " " + t.label;
}
} // namespace

TEST(ParameterText, UnitsDigitsAndCarries)
{
    EXPECT_EQ(shown(Unit::Hertz, 0.0), "0 Hz");
    EXPECT_EQ(shown(Unit::Hertz, 13.737), "13.7 Hz");
    EXPECT_EQ(shown(Unit::Hertz, 999.4), "999 Hz");
    EXPECT_EQ(shown(Unit::Hertz, 999.6), "1.00 kHz");
    EXPECT_EQ(shown(Unit::Hertz, 9996.0), "10.0 kHz");
    EXPECT_EQ(shown(Unit::Hertz, 18553.6), "18.6 kHz");
    EXPECT_EQ(shown(Unit::Hertz, 0.0020104), "0.00201 Hz");
    EXPECT_EQ(shown(Unit::Hertz, 0.0000123), "0.00001 Hz"); // as many digits as seven characters hold
    EXPECT_EQ(shown(Unit::Second, 48.0 / 44100.0), "1.09 ms");
    EXPECT_EQ(shown(Unit::Second, 0.9996), "1.00 s");
    EXPECT_EQ(shown(Unit::Second, 223.7), "224 s");
    EXPECT_EQ(shown(Unit::Second, 1234.0), "20.6 min");
    EXPECT_EQ(shown(Unit::Decibel, -15.2543), "-15.3 dB");
    EXPECT_EQ(shown(Unit::Decibel, -std::numeric_limits<double>::infinity()), "-inf dB");
    EXPECT_EQ(shown(Unit::Percent, 99.97), "100 %");
    EXPECT_EQ(shown(Unit::Percent, 5.25), "5.3 %");
    EXPECT_EQ(shown(Unit::Percent, 1e20), "big %");
    EXPECT_EQ(shown(Unit::Semitone, 2.0004), "2.00 semi");
    EXPECT_EQ(shown(Unit::Percent, std::numeric_limits<double>::quiet_NaN()), "? %");

    ParameterReading tuning;
    tuning.unit = Unit::Cent;
    tuning.quantity = 25.0;
    tuning.signedQuantity = true;
    EXPECT_STREQ(vemo::formatReading(tuning).display, "+25.0");
    tuning.quantity = -100.0;
    EXPECT_STREQ(vemo::formatReading(tuning).display, "-100");
    tuning.quantity = 0.0;
    EXPECT_STREQ(vemo::formatReading(tuning).display, "0");
}

TEST(ParameterText, EveryParameterFitsAtAnyValueAndRate)
{
    float values[kNumParameters] = {};
    for (float rate : {1000.0f, 44100.0f, 1000000.0f})
        for (float v : {0.0f, 1e-38f, 0.001f, 0.3f, 0.999f, 1.0f, -1.0f, 3.0f, 100.0f, -1e30f, 1e30f}) {
            for (float& x : values)
                x = v;
            for (int32_t i = -1; i <= kNumParameters; ++i) {
                const vemo::ParameterText t = vemo::formatParameter(i, values, rate);
                EXPECT_LT(strnlen(t.display, sizeof t.display), sizeof t.display);
                EXPECT_LT(strnlen(t.label, sizeof t.label), sizeof t.label);
                EXPECT_EQ(t.display[0] != 0, i >= 0 && i < kNumParameters) << i << " at " << v;
            }
        }
}
