// The vemo-render command as a user runs it: files in and out, messages,
// exit status, presets through the command line, and the real module.
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>


using namespace vemo::render;
using namespace vemo::render::test;

namespace {

const std::string kSynth = std::string("--plugin '") + TEST_SYNTH_CHUNKS_PATH + "' ";

std::vector<uint8_t> fileBytes(const std::string& path) { return readFileBytes(path, 64 << 20); }

// A quarter note (0.5 s at 120 BPM) of A4 after one quarter of rest.
std::string writeTune(const TempDir& dir, int key = 69)
{
    MidiSong song;
    song.ticksPerQuarter = 480;
    addNote(song, 480, 480, uint8_t(key), 127);
    sortSong(song);
    std::string path = dir.file("tune.mid");
    writeBytes(path, writeMidi(song));
    return path;
}

// Pitch by autocorrelation, for sounds with harmonics.
double autocorrelationPitch(const std::vector<float>& x, size_t begin, size_t length, double rate,
                            double lowHz, double highHz)
{
    size_t minLag = size_t(rate / highHz), maxLag = size_t(rate / lowHz) + 1;
    double best = -1e30;
    size_t bestLag = minLag;
    std::vector<double> score(maxLag + 2, 0.0);
    for (size_t lag = minLag - 1; lag <= maxLag + 1; ++lag) {
        double s = 0.0;
        for (size_t i = begin; i < begin + length && i + lag < x.size(); ++i)
            s += double(x[i]) * x[i + lag];
        score[lag] = s;
    }
    for (size_t lag = minLag; lag <= maxLag; ++lag)
        if (score[lag] > best) {
            best = score[lag];
            bestLag = lag;
        }
    double a = score[bestLag - 1], b = score[bestLag], c = score[bestLag + 1];
    double offset = (a - c) / (2.0 * (a - 2.0 * b + c)); // parabolic peak
    return rate / (double(bestLag) + (std::isfinite(offset) ? offset : 0.0));
}

} // namespace

TEST(Cli, HelpExplainsTheToolAndExitsZero)
{
    CommandRun r = vemoRender("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* text : {"MIDI file", "--program", "--set", "--fxp", "--save-fxb", "Examples", "demo"})
        EXPECT_NE(r.output.find(text), std::string::npos) << text;
}

TEST(Cli, RendersAMidiFileInEachFormat)
{
    TempDir dir;
    std::string tune = writeTune(dir);
    struct Case {
        const char* name;
        const char* bits;
        int rate;
        int format;
    };
    const Case cases[] = {{"a.wav", "24", 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                          {"b.flac", "16", 48000, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                          {"c.aiff", "32f", 22050, SF_FORMAT_AIFF | SF_FORMAT_FLOAT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out = dir.file(c.name);
        CommandRun r = vemoRender(kSynth + "'" + tune + "' -o '" + out + "' --bits " + c.bits + " --rate " +
                           std::to_string(c.rate) + " --block 100");
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find(out), std::string::npos) << r.output; // says where the file is
        Audio a = readAudio(out);
        EXPECT_EQ(a.info.format, c.format);
        EXPECT_EQ(a.info.channels, 2);
        EXPECT_EQ(a.info.samplerate, c.rate);
        // Note-off at 1 s, silent right after it, then 0.5 s of quiet.
        EXPECT_EQ(a.info.frames, c.rate + 1 + c.rate / 2);
        EXPECT_EQ(onsetAfter(a.left, 0), c.rate / 2);
        EXPECT_NEAR(measurePitch(a.left, size_t(c.rate / 2 + 10), size_t(c.rate - 10), c.rate), 440.0, 0.5);
    }
}

TEST(Cli, BrokenInputIsRefusedWithAMessageAndNoOutput)
{
    TempDir dir;
    std::string bad = dir.file("bad.mid");
    std::vector<uint8_t> bytes = fileBytes(writeTune(dir));
    bytes.resize(bytes.size() - 5);
    writeBytes(bad, bytes);
    std::string out = dir.file("never.wav");
    CommandRun r = vemoRender(kSynth + "'" + bad + "' -o '" + out + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(bad), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("truncated"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(out));

    writeBytes(bad, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!'});
    r = vemoRender(kSynth + "'" + bad + "' -o '" + out + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("not a MIDI file"), std::string::npos) << r.output;

    r = vemoRender("--plugin '" + bad + "' --info");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot load the plug-in"), std::string::npos) << r.output;
}

TEST(Cli, WrongCommandLinesAreExplained)
{
    TempDir dir;
    std::string tune = writeTune(dir);
    const std::pair<std::string, const char*> cases[] = {
        {"--bits 12", "bits"},
        {"--set Gain", "NAME=VALUE"},
        {"--set Gain=loud", "not a number"},
        {"--set Nothing=0.5", "no parameter is called 'Nothing'"},
        {"--program 99", "programs 0 to 7"},
        {"--program Sine", "matches 7 programs"},
        {"--program Trombone", "no program is called"},
        {"-o '" + dir.file("x.mp3") + "'", "unknown audio file type"},
        {"-o '" + dir.file("x.flac") + "' --bits 32f", "FLAC"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args);
        CommandRun r = vemoRender(kSynth + "'" + tune + "' " + args);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
    }
}

TEST(Cli, ListsTheProgramsParametersAndInfo)
{
    CommandRun r = vemoRender(kSynth + "--list-programs --list-params --info");
    EXPECT_EQ(r.status, 0) << r.output;
    for (const char* text : {"3  Soft Pad", "Release", "Gain", "0x56745363 ('VtSc')", "2 out", "program chunks"})
        EXPECT_NE(r.output.find(text), std::string::npos) << text << "\n" << r.output;
}

TEST(Cli, ProgramsSettingsAndPresetsShapeTheSound)
{
    TempDir dir;
    std::string tune = writeTune(dir);
    auto renderTo = [&](const std::string& name, const std::string& args) {
        CommandRun r = vemoRender(kSynth + "'" + tune + "' -q -o '" + dir.file(name) + "' " + args);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.output, ""); // --quiet
        return readAudio(dir.file(name));
    };
    Audio full = renderTo("full.wav", "--program 0");
    Audio half = renderTo("half.wav", "--program 0 --set Gain=0.5");
    Audio byIndex = renderTo("index.wav", "--program 0 --set 0=0.5");
    EXPECT_NEAR(rms(half.left, 22050, 44100) / rms(full.left, 22050, 44100), 0.5, 0.001);
    EXPECT_EQ(half.left, byIndex.left);

    // Save "Soft Pad" with an edit, then load it over program 0: the same sound.
    CommandRun save = vemoRender(kSynth + "--program 'soft pad' --set Detune=1 --save-fxp '" + dir.file("pad.fxp") +
                          "' --save-fxb '" + dir.file("all.fxb") + "'");
    ASSERT_EQ(save.status, 0) << save.output;
    Audio direct = renderTo("direct.wav", "--program 3 --set Detune=1");
    Audio loaded = renderTo("loaded.wav", "--fxp '" + dir.file("pad.fxp") + "'");
    Audio fromBank = renderTo("bank.wav", "--fxb '" + dir.file("all.fxb") + "' --program 3");
    EXPECT_GT(direct.info.frames, full.info.frames); // the pad's release lengthens the file
    EXPECT_EQ(loaded.left, direct.left);
    EXPECT_EQ(fromBank.left, direct.left);
    EXPECT_NEAR(measurePitch(direct.left, 22100, 44000, 44100), 440.0 * std::pow(2.0, 1.0 / 12.0), 0.5);

    // A program file is not a bank.
    CommandRun wrong = vemoRender(kSynth + "'" + tune + "' --fxb '" + dir.file("pad.fxp") + "'");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.output.find("load it with --fxp"), std::string::npos) << wrong.output;
}

TEST(Cli, RendersAreIdenticalRunToRun)
{
    TempDir dir;
    std::string tune = writeTune(dir);
    for (const char* name : {"one.wav", "two.wav"})
        ASSERT_EQ(vemoRender(kSynth + "'" + tune + "' -q -o '" + dir.file(name) + "'").status, 0);
    EXPECT_EQ(fileBytes(dir.file("one.wav")), fileBytes(dir.file("two.wav")));
}

TEST(Cli, WithoutAMidiFileItRendersTheDemo)
{
    TempDir dir;
    CommandRun r = vemoRender(kSynth, dir.file(""));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("out/demo.wav"), std::string::npos) << r.output;
    Audio a = readAudio(dir.file("out/demo.wav"));
    double seconds = double(a.info.frames) / a.info.samplerate;
    EXPECT_GE(seconds, 30.0);
    EXPECT_LE(seconds, 60.0);
    EXPECT_GT(rms(a.left, 0, a.left.size()), 0.01);
}

// The real instrument, once its engine sounds: a chosen program renders the
// note's pitch, and the same command twice gives the same file.
TEST(Cli, TheRealModuleRendersTheNotesPitch)
{
    TempDir dir;
    std::string tune = writeTune(dir, 57); // A3, 220 Hz
    std::string out = dir.file("vemo.wav");
    std::string args = "--plugin '" VEMO_MODULE_PATH "' '" + tune + "' --program 'Warm Pad' -o '" + out + "'";
    CommandRun r = vemoRender(args);
    if (r.status != 0)
        GTEST_SKIP() << "the module does not load yet: " << r.output;
    Audio a = readAudio(out);
    if (rms(a.left, 0, a.left.size()) < 1e-4)
        GTEST_SKIP() << "the module is silent yet";
    size_t noteStart = size_t(a.info.samplerate / 2), noteEnd = size_t(a.info.samplerate);
    EXPECT_LT(rms(a.left, 0, noteStart - 64), 1e-4); // nothing before the note
    double hz = autocorrelationPitch(a.left, noteStart + 8000, 8192, a.info.samplerate, 150.0, 300.0);
    EXPECT_NEAR(hz / 220.0, 1.0, 0.01) << hz;

    std::string again = dir.file("again.wav");
    ASSERT_EQ(vemoRender("--plugin '" VEMO_MODULE_PATH "' '" + tune + "' --program 'Warm Pad' -q -o '" + again + "'").status, 0);
    EXPECT_EQ(fileBytes(out), fileBytes(again));
    (void)noteEnd;
}

// With VEMO loaded, --list-params shows each value with its unit and what
// --set takes, and --set takes readable names, refuses values outside a
// parameter's range and accepts the shown forms: a menu entry, a switch text,
// an octave, a quantity with its unit.
TEST(Cli, VemoParametersTakeTheirShownForms)
{
    const std::string vemo = "--plugin '" VEMO_MODULE_PATH "' ";
    CommandRun list = vemoRender(vemo + "--list-params");
    ASSERT_EQ(list.status, 0) << list.output;
    for (const char* text : {"CUTOFF", "18.6 kHz", "LFO WAVE", "sin tri saw rec noise (or 0..4)", "PULSE",
                             "-12 semi", "1.09 ms", "0..1, or a frequency such as 2.5kHz"})
        EXPECT_NE(list.output.find(text), std::string::npos) << text << "\n" << list.output;

    auto valueAfter = [&](const std::string& sets, const std::string& name) {
        CommandRun r = vemoRender(vemo + "-q " + sets + " --list-params");
        EXPECT_EQ(r.status, 0) << r.output;
        const size_t line = r.output.find(" " + name + " ");
        return line == std::string::npos ? std::string() : r.output.substr(line, r.output.find('\n', line) - line);
    };
    EXPECT_NE(valueAfter("--set LFO1WAVEFORM=saw", "LFO1WAVEFORM").find(" 2 "), std::string::npos);
    EXPECT_NE(valueAfter("--set lfo_sync=1/8T", "LFO1CLOCK").find(" 8 "), std::string::npos);
    EXPECT_NE(valueAfter("--set PULSE=on", "PULSE").find(" on "), std::string::npos);
    EXPECT_NE(valueAfter("--set TRANSPOSE=+12semi", "TRANSPOSE").find("+12 semi"), std::string::npos);
    EXPECT_NE(valueAfter("--set CUTOFF=1.2kHz", "CUTOFF").find("1.20 kHz"), std::string::npos);
    EXPECT_NE(valueAfter("--set AMPRELEASE=300ms", "AMPRELEASE").find("300 ms"), std::string::npos);
    EXPECT_NE(valueAfter("--set AMPSUSTAIN=-6dB", "AMPSUSTAIN").find("-6.0 dB"), std::string::npos);
    EXPECT_NE(valueAfter("--set 24=3Hz", "LFO1RATE").find("3.00 Hz"), std::string::npos);

    for (const char* wrong : {"CUTOFF=1.5", "LFO1WAVEFORM=5", "CUTOFF=50kHz", "SAW=maybe", "CUTOFF=2dB",
                              "NOSUCH=1", "47=0.5"}) {
        CommandRun r = vemoRender(vemo + "--set " + wrong + " --list-params");
        EXPECT_EQ(r.status, 2) << wrong << ": " << r.output;
        EXPECT_NE(r.output.find(wrong), std::string::npos) << r.output;
    }
    CommandRun range = vemoRender(vemo + "--set LFO1CLOCK=13");
    EXPECT_NE(range.output.find("(or 0..12)"), std::string::npos) << range.output;
}
