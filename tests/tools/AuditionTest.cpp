// Bank audition: phrases by kind of sound, one take per distinct program,
// and a contact sheet that really is a picture of the takes.
#include "ToolsTestSupport.h"
#include "tools/vemo-render/Audition.h"
#include "tools/vemo-render/ContactSheet.h"
#include "tools/vemo-render/PixelText.h"

#include <gtest/gtest.h>

using namespace vemo::render;
using namespace vemo::render::test;

TEST(Audition, ProgramNamesChooseAFittingPhrase)
{
    const std::pair<const char*, SoundFamily> names[] = {
        {"Funky Bass", SoundFamily::Bass},       {"Too much acid", SoundFamily::Bass},
        {"Laser Gun FX", SoundFamily::Effect},   {"Disco tom FX", SoundFamily::Effect},
        {"Warm Pad", SoundFamily::Pad},          {"11 Strings 1 Bank A", SoundFamily::Pad},
        {"21 Piano 1 Bank A", SoundFamily::Keys}, {"Old Organ", SoundFamily::Keys},
        {"37 Xylophone Bank A", SoundFamily::Percussion}, {"Arp Lead", SoundFamily::Lead},
        {"Fluet", SoundFamily::Lead},            {"Organ Lead", SoundFamily::Lead},
        {"41 Violine Bank A", SoundFamily::Lead}, {"Click Bass", SoundFamily::Bass},
        {"Brass And Strings", SoundFamily::Pad},  {"17 Brass Bank A", SoundFamily::Keys},
        {"Saving For Jupiter", SoundFamily::Pad}, {"I Love Orvane-106", SoundFamily::Keys},
        {"Clock Chimes", SoundFamily::Percussion}, {"The Circus", SoundFamily::Lead}};
    for (const auto& [name, family] : names)
        EXPECT_EQ(familyOf(name), family) << name;

    for (SoundFamily f : {SoundFamily::Bass, SoundFamily::Lead, SoundFamily::Pad, SoundFamily::Keys,
                          SoundFamily::Percussion, SoundFamily::Effect}) {
        MidiSong phrase = auditionPhrase(f);
        TempoMap map(phrase, 120.0);
        ASSERT_FALSE(phrase.messages.empty());
        EXPECT_LE(map.secondsAtTick(phrase.lastTick), 4.0) << familyName(f); // leaves room for the release
        int held = 0, most = 0;
        for (const MidiMessage& m : phrase.messages) {
            held += (m.bytes[0] & 0xF0) == 0x90 ? 1 : -1;
            most = std::max(most, held);
        }
        EXPECT_EQ(held, 0);
        EXPECT_LE(most, 6) << familyName(f); // within a six-voice instrument
    }
}

TEST(Audition, EveryFactoryNameCanBeLettered)
{
    for (const char* name : {"C64 :-) FX", "I Love Orvane-106", "35 Pizzicato Sound 1 Ban", "pk -3.1 rms +0.5"})
        for (const char* c = name; *c; ++c) {
            if (*c == ' ')
                continue;
            EXPECT_NE(glyph5x7(*c), nullptr) << "'" << *c << "' in " << name;
        }
}

TEST(Audition, RendersEachProgramAndAContactSheet)
{
    TempDir dir;
    AuditionOptions options;
    options.pluginPath = TEST_SYNTH_CHUNKS_PATH;
    options.directory = dir.file("bank");
    options.seconds = 5.0;
    std::vector<AuditionTake> takes = runAudition(options);
    ASSERT_EQ(takes.size(), 8u);
    EXPECT_EQ(takes[3].name, "Soft Pad");
    EXPECT_EQ(takes[3].family, SoundFamily::Pad);
    for (const AuditionTake& t : takes) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.sameAs, -1);
        EXPECT_TRUE(std::filesystem::exists(t.file));
        EXPECT_GT(t.peakDb, -40.0);
        EXPECT_LE(t.peakDb, 0.0);
    }
    EXPECT_EQ(std::filesystem::path(takes[3].file).filename(), "003-soft-pad.wav");

    std::vector<uint8_t> png = readFileBytes(dir.file("bank/contact-sheet.png"), 16 << 20);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    auto be32 = [&](size_t at) { return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3]; };
    EXPECT_EQ(be32(16), kTileGap + 6 * (kTileWidth + kTileGap)); // six tiles across
    EXPECT_EQ(be32(20), 30 + 2 * (kTileLabelHeight + kTileSpectrumHeight + kTileGap) + kTileGap); // two rows
}

TEST(ContactSheet, TheSpectrogramShowsATonesPitchAndLevel)
{
    // One second of 1 kHz at -6 dBFS, then silence.
    SheetTile tile;
    tile.title = "TONE";
    tile.sampleRate = 48000.0;
    tile.mono.assign(96000, 0.0f);
    for (size_t i = 0; i < 48000; ++i)
        tile.mono[i] = 0.5f * float(std::sin(2.0 * M_PI * 1000.0 * double(i) / 48000.0));
    Image image = drawContactSheet("", {tile}, 1);
    const int top = 30 + kTileGap + kTileLabelHeight, left = kTileGap;
    auto brightness = [&](int col, int row) {
        Rgb c = image.get(left + col, top + row);
        return c.r + c.g + c.b;
    };
    // The brightest row in the tone's first half is the 1 kHz band (log scale 30 Hz..16 kHz).
    int expectedRow = kTileSpectrumHeight - 1 -
                      int(std::log(1000.0 / 30.0) / std::log(16000.0 / 30.0) * kTileSpectrumHeight);
    int brightest = 0;
    for (int row = 0; row < kTileSpectrumHeight; ++row)
        if (brightness(60, row) > brightness(60, brightest) && image.get(left + 60, top + row).g != 255)
            brightest = row;
    EXPECT_NEAR(brightest, expectedRow, 1);
    // The silent half is dark.
    EXPECT_LT(brightness(200, expectedRow), 60);
}
