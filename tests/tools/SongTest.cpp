// Real songs through vemo-render: a band of several channels with program
// changes, drums on 10, a sustain pedal, a tempo change and a chord of more
// notes than VEMO has voices. What reaches the instrument is counted by the
// recording test instrument; levels are measured in the files written.
#include "ToolsTestSupport.h"

#include "tools/vemo-render/SongFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace vemo::render;
using namespace vemo::render::test;

namespace {

constexpr double kRate = 44100.0;
constexpr uint64_t kBar = 4 * 480; // ticks of a 4/4 bar

const std::string kSynth = std::string("--plugin '") + TEST_SYNTH_CHUNKS_PATH + "' ";

void note(MidiSong& song, int channel, uint64_t tick, uint64_t length, int key, uint16_t track)
{
    const uint8_t c = uint8_t(channel - 1);
    song.messages.push_back(message(tick, uint8_t(0x90 | c), uint8_t(key), 100, track));
    song.messages.push_back(message(tick + length, uint8_t(0x80 | c), uint8_t(key), 0, track));
}

// Five bars of 4/4: 120 BPM, 90 BPM from bar 3 (4 s in). Piano on channel 1
// with the pedal down through bar 1, bass on 2, a chord of eight on 3 in
// bar 4 (6.67 s in), drums on 10 every beat; program changes on channels
// 1, 2, 3 and 10.
MidiSong band()
{
    MidiSong song;
    song.format = 1;
    song.trackCount = 5;
    song.ticksPerQuarter = 480;
    song.tempos = {{0, 500000}, {2 * kBar, 666667}};
    song.timeSignatures = {{0, 4, 4}};
    song.messages.push_back(message(0, 0xC0, 3, 0, 1));
    song.messages.push_back(message(0, 0xB0, 64, 127, 1));
    note(song, 1, 0, 240, 60, 1);
    note(song, 1, 480, 240, 64, 1);
    song.messages.push_back(message(kBar - 10, 0xB0, 64, 0, 1));
    note(song, 1, 2 * kBar, 480, 67, 1);
    song.messages.push_back(message(0, 0xC1, 5, 0, 2));
    song.messages.push_back(message(kBar, 0xC1, 1, 0, 2));
    for (uint64_t beat = 0; beat < 16; ++beat)
        note(song, 2, beat * 480, 400, 36 + int(beat % 4), 2);
    song.messages.push_back(message(3 * kBar, 0xC2, 7, 0, 3));
    for (int k = 0; k < 8; ++k)
        note(song, 3, 3 * kBar, kBar - 100, 72 + 2 * k, 3);
    song.messages.push_back(message(0, 0xC9, 0, 0, 4)); // a drum kit
    for (uint64_t beat = 0; beat < 16; ++beat)
        note(song, 10, beat * 480, 100, beat % 2 ? 38 : 36, 4);
    sortSong(song);
    return song;
}

int noteOnsOnChannel(const FileLog& log, int channel)
{
    return int(std::count_if(log.events.begin(), log.events.end(), [&](const LoggedEvent& e) {
        return (e.status & 0xF0) == 0x90 && e.data2 > 0 && (e.status & 0x0F) + 1 == channel;
    }));
}

int notesOnChannel(const MidiSong& song, int channel)
{
    return int(std::count_if(song.messages.begin(), song.messages.end(), [&](const MidiMessage& m) {
        return (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0 && channelOf(m) == channel;
    }));
}

class Band : public ::testing::Test {
protected:
    void SetUp() override
    {
        song = band();
        songPath = dir.file("band.mid");
        writeBytes(songPath, writeMidi(song));
    }

    // Renders the band with the test instrument; the log of what reached it
    // lands in `log`.
    CommandRun render(const std::string& args, const std::string& out, const std::string& midi = "")
    {
        std::string logPath = dir.file("synth.log");
        std::filesystem::remove(logPath);
        CommandRun r = vemoRender(kSynth + "'" + (midi.empty() ? songPath : midi) + "' -o '" + dir.file(out) +
                                      "' " + args,
                                  "", "TEST_SYNTH_LOG_FILE='" + logPath + "'");
        log = readSynthLog(logPath);
        return r;
    }

    TempDir dir;
    MidiSong song;
    std::string songPath;
    FileLog log;
};

} // namespace

TEST_F(Band, TheChosenSoundWinsOverTheFilesProgramChanges)
{
    MidiSong stripped = song;
    removeProgramChanges(stripped);
    std::string strippedPath = dir.file("stripped.mid");
    writeBytes(strippedPath, writeMidi(stripped));

    CommandRun four = render("--program 4 --drums --bits 32f", "four.wav");
    ASSERT_EQ(four.status, 0) << four.output;
    EXPECT_NE(four.output.find("5 program changes in the file ignored"), std::string::npos) << four.output;
    EXPECT_EQ(std::count_if(log.events.begin(), log.events.end(), [](const LoggedEvent& e) {
                  return (e.status & 0xF0) == 0xC0;
              }),
              0);
    ASSERT_EQ(render("--program 6 --drums --bits 32f", "six.wav").status, 0);
    ASSERT_EQ(render("--program 4 --drums --bits 32f", "four-stripped.wav", strippedPath).status, 0);
    ASSERT_EQ(render("--program 6 --drums --bits 32f", "six-stripped.wav", strippedPath).status, 0);
    Audio a = readAudio(dir.file("four.wav")), b = readAudio(dir.file("six.wav"));
    ASSERT_FALSE(a.left.empty());
    EXPECT_NE(a.left, b.left);
    EXPECT_EQ(a.left, readAudio(dir.file("four-stripped.wav")).left);
    EXPECT_EQ(b.left, readAudio(dir.file("six-stripped.wav")).left);

    // --set chooses the sound too.
    CommandRun set = render("--set Gain=0.5", "set.wav");
    EXPECT_NE(set.output.find("4 program changes in the file ignored"), std::string::npos) << set.output; // not 10's
}

TEST_F(Band, FollowingProgramChangesPlaysThemAsWithoutAChoice)
{
    CommandRun r = render("--program 4 --drums --follow-program-changes --bits 32f", "follow.wav");
    ASSERT_EQ(r.status, 0) << r.output;
    Audio followed = readAudio(dir.file("follow.wav"));

    // What the renderer gives when the file's every message goes through.
    PluginHost host(TEST_SYNTH_CHUNKS_PATH, kRate, 512);
    host.setProgram(4);
    TempoMap map(song, 120.0);
    MemorySink direct;
    renderSong(host, scheduleSong(song, map, kRate), &map, {}, direct);
    EXPECT_EQ(followed.left, direct.left);

    // Without a chosen sound the switches play, and the banner lists them.
    CommandRun plain = render("--drums", "plain.wav");
    ASSERT_EQ(plain.status, 0) << plain.output;
    for (const char* text : {"program changes from the file:", "0:00.0  channel 1     3 'Soft Pad'",
                             "0:02.0  channel 2     1 'Sine 2'", "0:06.6  channel 3     7 'Sine 8'",
                             "0:00.0  channel 10    0 'Sine 1'"})
        EXPECT_NE(plain.output.find(text), std::string::npos) << text << "\n" << plain.output;
    EXPECT_EQ(std::count_if(log.events.begin(), log.events.end(), [](const LoggedEvent& e) {
                  return (e.status & 0xF0) == 0xC0;
              }),
              5);
}

TEST_F(Band, ChannelsPlayExactlyTheirNotes)
{
    // By default the drums stay out, and the banner says so.
    CommandRun r = render("", "all.wav");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("channel 10 (drums) left out; --drums plays it"), std::string::npos) << r.output;
    for (int channel : {1, 2, 3})
        EXPECT_EQ(noteOnsOnChannel(log, channel), notesOnChannel(song, channel)) << channel;
    EXPECT_EQ(noteOnsOnChannel(log, 10), 0);

    ASSERT_EQ(render("--drums", "drums.wav").status, 0);
    EXPECT_EQ(noteOnsOnChannel(log, 10), 16);

    // --channel 2: the bass alone; not even the piano's pedal or program change comes through.
    r = render("--channel 2", "bass.wav");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(noteOnsOnChannel(log, 2), 16);
    EXPECT_TRUE(std::all_of(log.events.begin(), log.events.end(), [](const LoggedEvent& e) { return (e.status & 0x0F) == 1; }));
    EXPECT_NE(r.output.find("16 of 43 notes"), std::string::npos) << r.output;

    r = render("--channel 1,10,12", "mix.wav");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(noteOnsOnChannel(log, 1), 3);
    EXPECT_EQ(noteOnsOnChannel(log, 10), 16);
    EXPECT_EQ(int(log.events.size()), 2 * 3 + 2 + 1 + 2 * 16 + 1); // notes, pedal, program changes, drums
    EXPECT_NE(r.output.find("channel 12 holds no notes"), std::string::npos) << r.output;

    // A file of drums alone plays them.
    MidiSong drums;
    drums.ticksPerQuarter = 480;
    note(drums, 10, 0, 100, 36, 0);
    note(drums, 10, 480, 100, 38, 0);
    sortSong(drums);
    writeBytes(dir.file("drums.mid"), writeMidi(drums));
    ASSERT_EQ(render("", "only-drums.wav", dir.file("drums.mid")).status, 0);
    EXPECT_EQ(noteOnsOnChannel(log, 10), 2);

    for (const char* list : {"0", "17", "1-", "two", "3-1", "1,,2"}) {
        SCOPED_TRACE(list);
        CommandRun bad = render(std::string("--channel '") + list + "'", "bad.wav");
        EXPECT_EQ(bad.status, 2);
        EXPECT_NE(bad.output.find("--channel"), std::string::npos) << bad.output;
        EXPECT_FALSE(std::filesystem::exists(dir.file("bad.wav")));
    }
}

TEST_F(Band, AutomationReachesThePluginAtTheTimesGiven)
{
    // Gain from 0.5 s to 1.5 s; Detune from bar 3 beat 1 (4 s, where the
    // tempo drops to 90 BPM) to bar 3 beat 3 (two beats of 2/3 s later).
    CommandRun r = render("--drums --block 300 --automate Gain=0.5:0.2,1.5s:0.8 --automate Detune=3:1:0.25,3:3:0.75",
                          "automated.wav");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("automation: Gain from 0:00.5 to 0:01.5 (2 points)"), std::string::npos) << r.output;
    struct Ramp {
        int index;
        int64_t from, to;
        float start, end;
    };
    const Ramp ramps[] = {{0, 22050, 66150, 0.2f, 0.8f}, {2, 176400, 235200, 0.25f, 0.75f}};
    for (const Ramp& ramp : ramps) {
        SCOPED_TRACE(ramp.index);
        std::vector<LoggedParameter> sent;
        for (const LoggedParameter& p : log.parameters)
            if (p.index == ramp.index)
                sent.push_back(p);
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent.front().frame, ramp.from);
        EXPECT_FLOAT_EQ(sent.front().value, ramp.start);
        int64_t previous = sent.front().frame;
        bool reachedEnd = false;
        for (const LoggedParameter& p : sent) {
            if (p.frame > ramp.to) {
                // After the ramp only a program change's reload sends the value again.
                EXPECT_FLOAT_EQ(p.value, ramp.end);
                continue;
            }
            double expected = ramp.start + (ramp.end - ramp.start) * double(p.frame - ramp.from) / double(ramp.to - ramp.from);
            EXPECT_NEAR(p.value, expected, 1e-6) << p.frame;
            EXPECT_LE(p.frame - previous, kAutomationStep);
            previous = p.frame;
            reachedEnd |= p.frame == ramp.to && p.value == ramp.end;
        }
        EXPECT_TRUE(reachedEnd);
    }
    // The program change on channel 2 at 2 s reloads the sound: Gain is sent
    // again on the next frame.
    EXPECT_TRUE(std::any_of(log.parameters.begin(), log.parameters.end(), [](const LoggedParameter& p) {
        return p.index == 0 && p.frame == 88201 && p.value == 0.8f;
    }));
    // Splitting blocks at automation points delays no event.
    ASSERT_EQ(log.events.size(), song.messages.size());
    for (size_t i = 0; i < log.events.size(); ++i)
        EXPECT_EQ(log.events[i].frame, std::llround(TempoMap(song, 120.0).secondsAtTick(song.messages[i].tick) * kRate)) << i;

    const std::pair<const char*, const char*> wrong[] = {
        {"Gain=1:1.5", "Gain takes 0..1"},
        {"Gain=2:0.5,1:0.5", "time order"},
        {"Gain=1:5:0.5", "bar 1 has 4 beats"},
        {"Gain=0:1:0.5", "bars and beats count from 1"},
        {"Gain=soon:0.5", "is not a time"},
        {"Gain=1", "is not TIME:VALUE"},
        {"Nothing=1:0.5", "no parameter is called 'Nothing'"},
    };
    for (const auto& [automation, message] : wrong) {
        SCOPED_TRACE(automation);
        CommandRun bad = render(std::string("--automate '") + automation + "'", "bad.wav");
        EXPECT_EQ(bad.status, 2);
        EXPECT_NE(bad.output.find(message), std::string::npos) << bad.output;
    }
    CommandRun twice = render("--automate Gain=0:0.5 --automate 0=1:0.5", "bad.wav");
    EXPECT_NE(twice.output.find("automated twice"), std::string::npos) << twice.output;
}

TEST_F(Band, GainAndPeakNormalisation)
{
    auto peakDb = [](const Audio& a) {
        float peak = 0.0f;
        for (const std::vector<float>* channel : {&a.left, &a.right})
            for (float v : *channel)
                peak = std::max(peak, std::fabs(v));
        return 20.0 * std::log10(double(peak));
    };
    ASSERT_EQ(render("--drums --bits 32f", "reference.wav").status, 0);
    Audio reference = readAudio(dir.file("reference.wav"));
    ASSERT_EQ(render("--drums --bits 32f --gain -6", "quieter.wav").status, 0);
    Audio quieter = readAudio(dir.file("quieter.wav"));
    ASSERT_EQ(quieter.left.size(), reference.left.size()); // the tail hears the plug-in, not the gain
    const float factor = float(std::pow(10.0, -6.0 / 20.0));
    for (size_t i = 0; i < reference.left.size(); ++i)
        ASSERT_EQ(quieter.left[i], reference.left[i] * factor) << i;

    struct Case {
        std::string args;
        double target;
    };
    const Case cases[] = {{"--normalize", -1.0}, {"--normalize -6 --bits 16", -6.0}, {"--normalize=-0.5 --bits 32f", -0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        CommandRun r = render("--drums " + c.args, "normalised.wav");
        ASSERT_EQ(r.status, 0) << r.output;
        Audio a = readAudio(dir.file("normalised.wav"));
        EXPECT_NEAR(peakDb(a), c.target, 0.01);
        EXPECT_EQ(a.left.size(), reference.left.size());
        EXPECT_NE(r.output.find("normalised by"), std::string::npos) << r.output;
    }
    // The level is optional, so the MIDI file may follow the option.
    CommandRun after = vemoRender(kSynth + "-o '" + dir.file("after.wav") + "' --normalize '" + songPath + "'");
    ASSERT_EQ(after.status, 0) << after.output;
    EXPECT_NEAR(peakDb(readAudio(dir.file("after.wav"))), -1.0, 0.01);

    // Too loud: the clip warning says how to bring it down.
    CommandRun loud = render("--drums --gain 24", "loud.wav");
    EXPECT_NE(loud.output.find("clipped"), std::string::npos) << loud.output;
    EXPECT_NE(loud.output.find("--normalize"), std::string::npos) << loud.output;
    EXPECT_NE(loud.output.find("--gain "), std::string::npos) << loud.output;

    EXPECT_EQ(render("--gain -3 --normalize", "both.wav").status, 2);
    EXPECT_EQ(render("--normalize 3", "over.wav").status, 2);
}

TEST_F(Band, OutputPathsAndValuesAreCheckedBeforeRendering)
{
    CommandRun folder = vemoRender(kSynth + "'" + songPath + "' -o '" + dir.file("") + "'");
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.output.find("is a folder; give the audio file's name"), std::string::npos) << folder.output;

    std::string missing = dir.file("new/deeper/song.wav");
    CommandRun refused = vemoRender(kSynth + "'" + songPath + "' -o '" + missing + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("the folder " + dir.file("new/deeper") + " does not exist"), std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find("--mkdir"), std::string::npos) << refused.output;
    EXPECT_FALSE(std::filesystem::exists(dir.file("new")));
    CommandRun made = vemoRender(kSynth + "'" + songPath + "' -q --mkdir -o '" + missing + "'");
    EXPECT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(std::filesystem::exists(missing));

    CommandRun range = vemoRender(kSynth + "'" + songPath + "' --set Gain=1.5 -o '" + dir.file("x.wav") + "'");
    EXPECT_EQ(range.status, 2);
    EXPECT_NE(range.output.find("Gain takes 0..1"), std::string::npos) << range.output;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav")));

    // --help's formats are the ones taken.
    CommandRun help = vemoRender("--help");
    EXPECT_NE(help.output.find("16, 24 or 32f (32-bit float, also written 32)"), std::string::npos) << help.output;
    EXPECT_EQ(vemoRender(kSynth + "'" + songPath + "' -q --bits 32 -o '" + dir.file("f.wav") + "'").status, 0);
    EXPECT_EQ(readAudio(dir.file("f.wav")).info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
}

// VEMO's own ranges: its two menus hold entry indices.
TEST(Cli, VemoParametersAreRefusedOutsideTheirRange)
{
    const std::string vemo = "--plugin '" VEMO_MODULE_PATH "' --list-params ";
    CommandRun menus = vemoRender(vemo + "--set LFO1WAVEFORM=4 --set LFO1CLOCK=12 --set CUTOFF=1");
    if (menus.output.find("cannot load") != std::string::npos)
        GTEST_SKIP() << menus.output;
    EXPECT_EQ(menus.status, 0) << menus.output;
    const std::pair<const char*, const char*> wrong[] = {
        {"LFO1WAVEFORM=5", "LFO1WAVEFORM takes sin tri saw rec noise (or 0..4)"},
        {"LFO1CLOCK=13", "LFO1CLOCK takes ---- 1/16 1/8 1/4 1/2 1/1 2/1 1/16T 1/8T 1/4T 1/2T 1/1T 2/1T (or 0..12)"},
        {"CUTOFF=1.5", "CUTOFF takes 0..1"},
        {"CUTOFF=-0.1", "CUTOFF takes 0..1"},
    };
    for (const auto& [set, message] : wrong) {
        CommandRun r = vemoRender(vemo + "--set " + set);
        EXPECT_EQ(r.status, 2) << set;
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
    }
}

// The polyphony warning with the real instrument: the band's eight-note
// chord, and notes the pedal keeps sounding.
TEST(Cli, VemoWarnsWhenMoreNotesSoundThanItHasVoices)
{
    TempDir dir;
    writeBytes(dir.file("band.mid"), writeMidi(band()));
    CommandRun r = vemoRender("--plugin '" VEMO_MODULE_PATH "' '" + dir.file("band.mid") + "' --duration 8 -o '" +
                              dir.file("band.wav") + "'");
    if (r.output.find("cannot load") != std::string::npos)
        GTEST_SKIP() << r.output;
    ASSERT_EQ(r.status, 0) << r.output;
    // In bar 4 the chord of eight meets the bass: nine notes, three cut short.
    EXPECT_NE(r.output.find("up to 9 notes sound at once (first at 0:06.6), but VEMO has six voices: 3 notes are cut short"),
              std::string::npos)
        << r.output;

    MidiSong calm;
    calm.ticksPerQuarter = 480;
    for (int k = 0; k < 6; ++k)
        note(calm, 1, uint64_t(k) * 100, 50, 60 + k, 0);
    sortSong(calm);
    writeBytes(dir.file("calm.mid"), writeMidi(calm));
    r = vemoRender("--plugin '" VEMO_MODULE_PATH "' '" + dir.file("calm.mid") + "' -o '" + dir.file("calm.wav") + "'");
    EXPECT_EQ(r.output.find("voices"), std::string::npos) << r.output;
}

TEST(Polyphony, CountsWhatTheSustainPedalKeepsAndWhatIsTakenOver)
{
    auto at = [](int64_t frame, uint8_t status, uint8_t a, uint8_t b) {
        TimedMessage m;
        m.frame = frame;
        m.bytes[0] = status;
        m.bytes[1] = a;
        m.bytes[2] = b;
        m.size = 3;
        return m;
    };
    // Four short notes under the pedal, then three more: seven sound.
    std::vector<TimedMessage> song = {at(0, 0xB0, 64, 127)};
    for (int k = 0; k < 4; ++k) {
        song.push_back(at(10 * k, 0x90, uint8_t(60 + k), 100));
        song.push_back(at(10 * k + 5, 0x80, uint8_t(60 + k), 0));
    }
    for (int k = 0; k < 3; ++k)
        song.push_back(at(100 + k, 0x90, uint8_t(70 + k), 100));
    PolyphonyReport held = analysePolyphony(song, 6);
    EXPECT_EQ(held.mostNotes, 7);
    EXPECT_EQ(held.mostAtFrame, 102);
    EXPECT_EQ(held.cutShort, 1);
    EXPECT_EQ(held.firstCutFrame, 102);

    // The pedal up before the late notes: nothing is cut.
    std::vector<TimedMessage> lifted = song;
    lifted.insert(lifted.end() - 3, at(50, 0xB0, 64, 0));
    PolyphonyReport free = analysePolyphony(lifted, 6);
    EXPECT_EQ(free.mostNotes, 4);
    EXPECT_EQ(free.cutShort, 0);

    // Striking a sounding note again takes its own voice; all-notes-off frees everything.
    std::vector<TimedMessage> again;
    for (int k = 0; k < 6; ++k)
        again.push_back(at(k, 0x90, uint8_t(50 + k), 100));
    again.push_back(at(10, 0x90, 50, 90));
    again.push_back(at(20, 0xB0, 123, 0));
    for (int k = 0; k < 6; ++k)
        again.push_back(at(30 + k, 0x90, uint8_t(80 + k), 100));
    PolyphonyReport report = analysePolyphony(again, 6);
    EXPECT_EQ(report.mostNotes, 6);
    EXPECT_EQ(report.cutShort, 0);
    again.push_back(at(40, 0x91, 90, 100));
    EXPECT_EQ(analysePolyphony(again, 6).cutShort, 1);
}
