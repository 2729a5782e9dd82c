// Standard MIDI file reading: what a good file yields, exactly; what a
// broken one is refused with; and that no damaged input can crash it.
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace vemo::render;
using namespace vemo::render::test;

namespace {

std::vector<uint8_t> header(uint16_t format, uint16_t tracks, uint16_t division)
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, uint8_t(format >> 8), uint8_t(format),
            uint8_t(tracks >> 8), uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)};
}

void appendTrack(std::vector<uint8_t>& file, const std::vector<uint8_t>& body)
{
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    uint32_t n = uint32_t(body.size());
    file.insert(file.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    file.insert(file.end(), body.begin(), body.end());
}

// One track with running status, a text event, a system-exclusive message,
// tempo and time signature, and a two-byte delta.
std::vector<uint8_t> richTypeZero()
{
    std::vector<uint8_t> file = header(0, 1, 96);
    appendTrack(file, {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,       // 500000 us: 120 BPM
        0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, // 3/4
        0x00, 0xFF, 0x01, 0x05, 'h', 'e', 'l', 'l', 'o',  // text
        0x00, 0x90, 60, 100,                            // note on
        0x10, 64, 90,                                   // running status: another note on
        0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7,             // system exclusive
        0x81, 0x00, 0x80, 60, 0,                        // delta 128
        0x00, 64, 0,                                    // running status note off
        0x00, 0xC1, 5,                                  // program change, one data byte
        0x20, 0xE0, 0x00, 0x40,                         // pitch bend
        0x00, 0xFF, 0x2F, 0x00,
    });
    return file;
}

} // namespace

TEST(MidiFile, TypeZeroWithRunningStatusMetaAndSysex)
{
    MidiSong song = parseMidi(richTypeZero());
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.trackCount, 1);
    EXPECT_EQ(song.ticksPerQuarter, 96);
    ASSERT_EQ(song.tempos.size(), 1u);
    EXPECT_EQ(song.tempos[0].microsPerQuarter, 500000u);
    ASSERT_EQ(song.timeSignatures.size(), 1u);
    EXPECT_EQ(song.timeSignatures[0].numerator, 3);
    EXPECT_EQ(song.timeSignatures[0].denominator, 4);

    struct Expected {
        uint64_t tick;
        uint8_t b0, b1, b2, size;
    };
    const Expected expected[] = {{0, 0x90, 60, 100, 3}, {16, 0x90, 64, 90, 3}, {144, 0x80, 60, 0, 3},
                                 {144, 0x80, 64, 0, 3}, {144, 0xC1, 5, 0, 2},  {176, 0xE0, 0, 0x40, 3}};
    ASSERT_EQ(song.messages.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(song.messages[i].tick, expected[i].tick);
        EXPECT_EQ(song.messages[i].bytes[0], expected[i].b0);
        EXPECT_EQ(song.messages[i].bytes[1], expected[i].b1);
        if (expected[i].size == 3) {
            EXPECT_EQ(song.messages[i].bytes[2], expected[i].b2);
        }
        EXPECT_EQ(song.messages[i].size, expected[i].size);
    }
    EXPECT_EQ(song.lastTick, 176u);
}

TEST(MidiFile, TypeOneMergesTracksInTimeOrderKeepingTrackOrderOnTies)
{
    std::vector<uint8_t> file = header(1, 3, 480);
    appendTrack(file, {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00}); // 60 BPM
    appendTrack(file, {0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}); // 0, 480
    appendTrack(file, {0x81, 0x70, 0x91, 67, 80, 0x81, 0x70, 0x81, 67, 0, 0x00, 0xFF, 0x2F, 0x00}); // 240, 480
    // An unknown chunk between tracks is skipped.
    std::vector<uint8_t> withJunk(file.begin(), file.begin() + 14);
    appendTrack(withJunk, {});
    withJunk[14] = 'X';
    withJunk.insert(withJunk.end(), file.begin() + 14, file.end());

    for (const auto& bytes : {file, withJunk}) {
        MidiSong song = parseMidi(bytes);
        EXPECT_EQ(song.trackCount, 3);
        ASSERT_EQ(song.messages.size(), 4u);
        EXPECT_EQ(song.messages[0].tick, 0u);
        EXPECT_EQ(song.messages[1].tick, 240u);
        EXPECT_EQ(song.messages[1].bytes[0], 0x91);
        EXPECT_EQ(song.messages[2].tick, 480u);
        EXPECT_EQ(song.messages[2].track, 1); // track 1 before track 2 at the same tick
        EXPECT_EQ(song.messages[3].track, 2);
        TempoMap map(song, 120.0);
        EXPECT_DOUBLE_EQ(map.secondsAtTick(480), 1.0);
    }
}

TEST(MidiFile, WrittenSongsReadBackIdentically)
{
    std::mt19937 random(7);
    for (int format : {0, 1}) {
        MidiSong song;
        song.format = format;
        song.trackCount = format ? 4 : 1;
        song.ticksPerQuarter = 960;
        song.tempos = {{0, 400000}, {5000, 700000}};
        song.timeSignatures = {{0, 6, 8}};
        for (int i = 0; i < 300; ++i) {
            uint8_t statuses[] = {0x90, 0x80, 0xB3, 0xC5, 0xE0, 0xD2, 0xAF};
            uint8_t status = statuses[random() % 7];
            song.messages.push_back(message(random() % 200000, status, uint8_t(random() % 128),
                                            uint8_t(random() % 128), uint16_t(format ? random() % 4 : 0)));
            if ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0)
                song.messages.back().bytes[2] = 0;
        }
        sortSong(song);
        MidiSong back = parseMidi(writeMidi(song));
        ASSERT_EQ(back.messages.size(), song.messages.size());
        // Type 1 regroups by track; compare as multisets per tick.
        auto key = [](const MidiMessage& m) {
            return std::make_tuple(m.tick, m.track, m.bytes[0], m.bytes[1], m.bytes[2], m.size);
        };
        std::vector<decltype(key(song.messages[0]))> a, b;
        for (auto& m : song.messages)
            a.push_back(key(m));
        for (auto& m : back.messages)
            b.push_back(key(m));
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
        EXPECT_EQ(back.tempos.size(), 2u);
        EXPECT_EQ(back.timeSignatures[0].numerator, 6);
        EXPECT_EQ(back.timeSignatures[0].denominator, 8);
    }
}

TEST(MidiFile, GapsLongerThanOneDeltaAreWrittenExactly)
{
    MidiSong song;
    song.format = 1;
    song.trackCount = 2;
    song.tempos = {{0, 500000}, {(1ull << 30) + 5, 600000}};
    song.messages = {message(1, 0x90, 60, 1, 1), message((1ull << 29) + 3, 0x90, 61, 1, 1),
                     message((1ull << 29) + 4, 0x90, 62, 1, 1)};
    MidiSong back = parseMidi(writeMidi(song));
    ASSERT_EQ(back.messages.size(), 3u);
    EXPECT_EQ(back.messages[1].tick, (1ull << 29) + 3);
    EXPECT_EQ(back.messages[2].tick, (1ull << 29) + 4);
    EXPECT_EQ(back.messages[2].bytes[1], 62); // running status after the bridging events
    ASSERT_EQ(back.tempos.size(), 2u);
    EXPECT_EQ(back.tempos[1].tick, (1ull << 30) + 5);
}

TEST(MidiFile, BrokenFilesAreRefusedWithAReason)
{
    auto withTrack = [](std::vector<uint8_t> body, uint16_t format = 0, uint16_t tracks = 1) {
        std::vector<uint8_t> f = header(format, tracks, 96);
        appendTrack(f, body);
        return f;
    };
    std::vector<uint8_t> truncated = richTypeZero();
    truncated.resize(truncated.size() - 10);
    std::vector<uint8_t> shortHeader = header(0, 1, 96);
    shortHeader[7] = 2; // header length 2

    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {{}, "too short"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 0, 0}, "RIFF"},
        {{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "no 'MThd'"},
        {shortHeader, "header declares a length"},
        {header(2, 1, 96), "format 2"},
        {header(0, 0, 96), "no tracks"},
        {header(0, 2, 96), "exactly one track"},
        {header(0, 1, 0), "0 ticks"},
        {header(0, 1, 96), "ends after 0"},
        {truncated, "truncated"},
        {withTrack({0x00, 0x40, 0x40}), "without a status byte"},
        {withTrack({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1}), "longer than four bytes"},
        {withTrack({0x00, 0xF3, 0x01}), "does not belong"},
        {withTrack({0x00, 0x90, 60}), "ends in the middle of a channel message"},
        {withTrack({0x00, 0x90, 60, 0x80, 60, 0}), "cut short"},
        {withTrack({0x00, 0xFF, 0x51, 0x03, 0, 0, 0}), "tempo of 0"},
        {withTrack({0x00, 0xFF, 0x01, 0x7F, 'a'}), "ends in the middle of a meta event"},
        {withTrack({0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F}), "system-exclusive"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        try {
            parseMidi(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const MidiFileError& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
}

TEST(MidiFile, DamagedFilesNeverCrashTheReader)
{
    std::vector<uint8_t> good = richTypeZero();
    auto tryParse = [](const std::vector<uint8_t>& bytes) {
        try {
            MidiSong song = parseMidi(bytes);
            for (const MidiMessage& m : song.messages)
                EXPECT_TRUE(m.size == 2 || m.size == 3);
        } catch (const MidiFileError&) {
        }
    };
    for (size_t n = 0; n < good.size(); ++n)
        tryParse(std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
    for (size_t i = 0; i < good.size(); ++i)
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[i] ^= flip;
            tryParse(bad);
        }
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = header(1, uint16_t(1 + random() % 3), 96);
        std::vector<uint8_t> body(random() % 64);
        for (auto& b : body)
            b = uint8_t(random());
        appendTrack(bytes, body);
        tryParse(bytes);
    }
}

TEST(MidiFile, ReadingAFileNamesItInErrors)
{
    TempDir dir;
    std::string path = dir.file("broken.mid");
    writeBytes(path, {'M', 'T', 'h', 'd', 0, 0});
    try {
        readMidiFile(path);
        FAIL();
    } catch (const MidiFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_THROW(readMidiFile(dir.file("missing.mid")), MidiFileError);
}

TEST(TempoMap, TicksSecondsAndBarsFollowTheMap)
{
    MidiSong song;
    song.ticksPerQuarter = 100;
    song.tempos = {{0, 500000}, {400, 250000}};   // 120 BPM, then 240 BPM from beat 4
    song.timeSignatures = {{0, 4, 4}, {800, 3, 4}}; // 3/4 from quarter 8 (tick 800)
    TempoMap map(song, 90.0);
    EXPECT_DOUBLE_EQ(map.secondsAtTick(400), 2.0);
    EXPECT_DOUBLE_EQ(map.secondsAtTick(600), 2.5);
    EXPECT_DOUBLE_EQ(map.secondsAtTick(800), 3.0);

    TempoMap::Position p = map.positionAtSeconds(1.0);
    EXPECT_DOUBLE_EQ(p.quarters, 2.0);
    EXPECT_DOUBLE_EQ(p.bpm, 120.0);
    EXPECT_DOUBLE_EQ(p.barStart, 0.0);
    p = map.positionAtSeconds(2.75); // quarter 7 at 240 BPM
    EXPECT_DOUBLE_EQ(p.quarters, 7.0);
    EXPECT_DOUBLE_EQ(p.bpm, 240.0);
    EXPECT_DOUBLE_EQ(p.barStart, 4.0);
    p = map.positionAtSeconds(4.0); // quarter 12: second bar of 3/4 starts at 11
    EXPECT_DOUBLE_EQ(p.quarters, 12.0);
    EXPECT_DOUBLE_EQ(p.barStart, 11.0);
    EXPECT_EQ(p.numerator, 3);

    MidiSong none;
    none.ticksPerQuarter = 480;
    EXPECT_DOUBLE_EQ(TempoMap(none, 90.0).secondsAtTick(480 * 3), 2.0); // --tempo where the file has none

    MidiSong smpte = parseMidi([] {
        std::vector<uint8_t> f = header(0, 1, uint16_t(0xE728)); // -25 fps, 40 ticks per frame
        appendTrack(f, {0x00, 0xFF, 0x2F, 0x00});
        return f;
    }());
    EXPECT_DOUBLE_EQ(TempoMap(smpte, 120.0).secondsAtTick(1000), 1.0);
}
