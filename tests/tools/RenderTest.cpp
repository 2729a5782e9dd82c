// The host and the renderer with the test instrument loaded as a module:
// the lifecycle hosts follow, events at their exact frames, the musical
// time a plug-in is told, tempo changes, merged tracks, tails and lengths.
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

using namespace vemo::render;
using namespace vemo::render::test;

namespace {

constexpr double kRate = 48000.0;

struct Rendered {
    MemorySink audio;
    RenderResult result;
};

Rendered render(const MidiSong& song, int block, RenderOptions options = {}, int program = 0,
                const char* module = TEST_SYNTH_CHUNKS_PATH)
{
    Rendered r;
    PluginHost host(module, kRate, block);
    host.setProgram(program);
    TempoMap map(song, 120.0);
    std::vector<TimedMessage> messages = scheduleSong(song, map, kRate);
    options.blockSize = block;
    r.result = renderSong(host, messages, &map, options, r.audio);
    return r;
}

// 480 ticks per quarter at 120 BPM: one tick is 50 frames at 48 kHz.
MidiSong scale()
{
    MidiSong song;
    song.ticksPerQuarter = 480;
    const int keys[] = {60, 64, 67, 72, 57};
    const uint64_t starts[] = {0, 481, 1000, 1447, 2000};
    for (int i = 0; i < 5; ++i)
        addNote(song, starts[i], 400, uint8_t(keys[i]), 127);
    sortSong(song);
    return song;
}

} // namespace

TEST(PluginHost, DrivesThePluginThroughTheLifecycleHostsUse)
{
    SynthLog log(TEST_SYNTH_CHUNKS_PATH);
    ASSERT_TRUE(log.ok());
    {
        PluginHost host(TEST_SYNTH_CHUNKS_PATH, kRate, 256);
        EXPECT_EQ(host.info().effectName, "Test Sine");
        EXPECT_EQ(host.info().vendor, "VEMO tests");
        EXPECT_EQ(host.info().uniqueID, kTestSynthChunkId);
        EXPECT_EQ(host.info().numOutputs, 2);
        EXPECT_EQ(host.programName(3), "Soft Pad");
        EXPECT_EQ(host.parameterName(1), "Release");
        MemorySink sink;
        MidiSong song = scale();
        TempoMap map(song, 120.0);
        renderSong(host, scheduleSong(song, map, kRate), &map, {}, sink);
        EXPECT_GE(host.callbackLog().wantMidi, 1);
    }
    EXPECT_EQ(log->hostVersion, 2400);
    EXPECT_FLOAT_EQ(log->sampleRate, 48000.0f);
    EXPECT_EQ(log->blockSize, 256);

    std::vector<std::pair<int, int64_t>> lifecycle;
    for (int i = 0; i < log->callCount; ++i) {
        int op = log->calls[i].opcode;
        if (op == effOpen || op == effClose || op == effSetSampleRate || op == effSetBlockSize ||
            op == effMainsChanged || op == effStartProcess || op == effStopProcess)
            lifecycle.push_back({op, op == effMainsChanged ? log->calls[i].value : 0});
    }
    const std::vector<std::pair<int, int64_t>> expected = {
        {effOpen, 0},         {effSetSampleRate, 0}, {effSetBlockSize, 0}, {effMainsChanged, 1},
        {effStartProcess, 0}, {effStopProcess, 0},   {effMainsChanged, 0}, {effClose, 0}};
    EXPECT_EQ(lifecycle, expected);
    EXPECT_EQ(log->largestBlock, 256);
}

TEST(PluginHost, RefusesModulesThatAreNotInstruments)
{
    TempDir dir;
    std::string fake = dir.file("fake.so");
    writeBytes(fake, {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    for (const std::string& path : {fake, dir.file("missing.so")}) {
        try {
            PluginHost host(path, kRate, 64);
            ADD_FAILURE() << path << " loaded";
        } catch (const PluginError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

TEST(Render, NotesArriveAtTheirFramesWithTheirPitch)
{
    SynthLog log(TEST_SYNTH_CHUNKS_PATH);
    Rendered r = render(scale(), 256);
    const int keys[] = {60, 64, 67, 72, 57};
    const int64_t onsets[] = {0, 24050, 50000, 72350, 100000};
    ASSERT_EQ(log->eventCount, 10);
    EXPECT_EQ(log->eventsOutsideBlock, 0);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log->events[2 * i].frame, onsets[i]);             // note on
        EXPECT_EQ(log->events[2 * i + 1].frame, onsets[i] + 20000); // note off 400 ticks later
        EXPECT_EQ(log->events[2 * i].deltaFrames, onsets[i] % 256);
        // The sound starts on that very frame and has the note's pitch.
        EXPECT_EQ(onsetAfter(r.audio.left, onsets[i] - 100), onsets[i]);
        double hz = measurePitch(r.audio.left, size_t(onsets[i]) + 100, size_t(onsets[i]) + 19000, kRate);
        EXPECT_NEAR(hz / noteHz(keys[i]), 1.0, 0.001) << hz;
    }
}

TEST(Render, BlockSizeDoesNotChangeTheSound)
{
    MidiSong song = scale();
    Rendered reference = render(song, 256);
    for (int block : {1, 37, 1000, 4096}) {
        SCOPED_TRACE(block);
        Rendered r = render(song, block);
        EXPECT_EQ(r.audio.left, reference.audio.left);
    }
}

TEST(Render, RenderingIsDeterministic)
{
    MidiSong song = scale();
    Rendered a = render(song, 512);
    Rendered b = render(song, 512);
    EXPECT_EQ(a.audio.left, b.audio.left);
    EXPECT_EQ(a.audio.right, b.audio.right);
    EXPECT_EQ(a.result.frames, b.result.frames);
}

TEST(Render, TempoChangesMoveEventsAndThePluginIsToldTheTime)
{
    SynthLog log(TEST_SYNTH_CHUNKS_PATH);
    MidiSong song;
    song.ticksPerQuarter = 480;
    song.tempos = {{0, 500000}, {960, 1000000}}; // 120 BPM, 60 BPM from beat 2
    song.timeSignatures = {{0, 3, 4}};
    addNote(song, 480, 100, 69);  // 0.5 s
    addNote(song, 1920, 100, 69); // 1.0 s + 2 beats at 60 BPM = 3.0 s
    addNote(song, 2400, 100, 69); // 4.0 s
    sortSong(song);
    Rendered r = render(song, 512);
    const int64_t onsets[] = {24000, 144000, 192000};
    const double quarters[] = {1.0, 4.0, 5.0};
    const double bpm[] = {120.0, 60.0, 60.0};
    const double barStart[] = {0.0, 3.0, 3.0};
    ASSERT_EQ(log->timeCount, 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(onsetAfter(r.audio.left, onsets[i] - 10), onsets[i]);
        const VstTimeInfo& t = log->times[i].info;
        // Time info describes the start of the block the note falls in.
        int64_t blockStart = onsets[i] / 512 * 512;
        EXPECT_EQ(t.samplePos, double(blockStart));
        EXPECT_EQ(t.sampleRate, kRate);
        double blockSeconds = double(blockStart) / kRate;
        double noteSeconds = double(onsets[i]) / kRate;
        EXPECT_NEAR(t.ppqPos, quarters[i] - (noteSeconds - blockSeconds) * bpm[i] / 60.0, 1e-9);
        EXPECT_EQ(t.tempo, bpm[i]);
        EXPECT_EQ(t.barStartPos, barStart[i]);
        EXPECT_EQ(t.timeSigNumerator, 3);
        EXPECT_EQ(t.timeSigDenominator, 4);
        const int32_t valid = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
        EXPECT_EQ(t.flags & valid, valid);
    }
}

TEST(Render, TypeOneTracksPlayTogether)
{
    SynthLog log(TEST_SYNTH_CHUNKS_PATH);
    MidiSong song;
    song.format = 1;
    song.trackCount = 3;
    song.ticksPerQuarter = 96;
    song.tempos = {{0, 500000}};
    addNote(song, 0, 90, 60, 100, 1);
    addNote(song, 96, 90, 72, 100, 2);
    addNote(song, 192, 90, 64, 100, 1);
    addNote(song, 288, 90, 76, 100, 2);
    sortSong(song);
    TempDir dir;
    writeBytes(dir.file("two.mid"), writeMidi(song));
    MidiSong read = readMidiFile(dir.file("two.mid"));
    Rendered r = render(read, 512);
    const int keys[] = {60, 72, 64, 76};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        size_t start = size_t(i) * 24000; // a quarter is 0.5 s
        EXPECT_EQ(onsetAfter(r.audio.left, int64_t(start) - 10), int64_t(start));
        EXPECT_NEAR(measurePitch(r.audio.left, start + 100, start + 22000, kRate) / noteHz(keys[i]), 1.0, 0.001);
    }
}

TEST(Render, LengthIsTheLastEventPlusTheTail)
{
    MidiSong song;
    song.ticksPerQuarter = 480;
    addNote(song, 0, 480, 69); // off at 0.5 s = frame 24000
    sortSong(song);

    // No release: silent from the frame after the note-off; 0.5 s of quiet ends the file.
    Rendered dry = render(song, 512);
    EXPECT_EQ(dry.result.frames, 24000 + 1 + 24000);
    EXPECT_FALSE(dry.result.tailHitLimit);

    // "Soft Pad" releases over 0.5 s: the file ends about 0.5 s after it has died away.
    Rendered pad = render(song, 512, {}, 3);
    EXPECT_NEAR(double(pad.result.frames), 24000 + 24000 + 24000, 480.0);
    EXPECT_LT(rms(pad.audio.left, pad.audio.left.size() - 24000, pad.audio.left.size()), 3.2e-5);

    RenderOptions shortTail;
    shortTail.tailSeconds = 0.2;
    Rendered cut = render(song, 512, shortTail, 3);
    EXPECT_EQ(cut.result.frames, 24000 + 9600);
    EXPECT_TRUE(cut.result.tailHitLimit);

    RenderOptions fixed;
    fixed.durationSeconds = 0.25; // before the note-off: cut mid-note
    Rendered forced = render(song, 512, fixed);
    EXPECT_EQ(forced.result.frames, 12000);
    EXPECT_EQ(forced.audio.left.size(), 12000u);
    EXPECT_GT(rms(forced.audio.left, 11000, 12000), 0.1);
}

// Automation splits blocks where its values are due, so a block may start
// anywhere: events bunched across a block boundary must still all fit.
TEST(Render, AutomationSplitsBlocksWithoutLosingEvents)
{
    SynthLog log(TEST_SYNTH_CHUNKS_PATH);
    PluginHost host(TEST_SYNTH_CHUNKS_PATH, kRate, 64);
    std::vector<TimedMessage> messages;
    for (int i = 0; i < 8; ++i) { // frames 60..67: four in each aligned block of 64
        TimedMessage m;
        m.frame = 60 + i;
        m.bytes[0] = 0x90;
        m.bytes[1] = uint8_t(60 + i);
        m.bytes[2] = 100;
        m.size = 3;
        messages.push_back(m);
    }
    ParameterAutomation gain{0, {{42, 0.5f}}};
    RenderOptions options;
    options.blockSize = 64;
    options.automation = std::span<const ParameterAutomation>(&gain, 1);
    MemorySink sink;
    RenderResult result = renderSong(host, messages, nullptr, options, sink);
    EXPECT_EQ(result.automationValues, 1);
    ASSERT_EQ(log->eventCount, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(log->events[i].frame, 60 + i);
    EXPECT_EQ(log->eventsOutsideBlock, 0);
    ASSERT_GE(log->parameterCount, 1);
    EXPECT_EQ(log->parameters[log->parameterCount - 1].frame, 42);
}
