// MIDI timing when the host gets offsets wrong, measured in the sound through
// the entry point: onsets must land on their frames and no note may be lost
// or left hanging, whatever the offsets and however long the list.
#include "support/TestHost.h"
#include "core/MidiEventQueue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using vemotest::TestHost;

namespace {

constexpr float kRate = 44100.0f;

// Program 0 with each voice's own filter, after half a second in which the
// smoothed cutoff has opened fully: a note's first frame then shows in the
// output at once. Before the first note nothing in the sound is random, so
// the frame a note-on is applied at is exactly the first frame whose output
// differs from the same frames rendered without any note, less the one frame
// by which the ladder's output trails its input (it answers one sub-sample
// late, and the decimator shows a frame's second sub-sample five frames on,
// its first sub-sample at once).
struct Player {
    TestHost host;
    int32_t declaredBlock;
    std::vector<float> recorded; // every frame rendered so far (left)

    explicit Player(int32_t declared) : declaredBlock(declared)
    {
        host.dispatch(effOpen);
        host.dispatch(effSetSampleRate, 0, 0, nullptr, kRate);
        host.dispatch(effSetBlockSize, 0, declared);
        host.dispatch(effMainsChanged, 0, 1);
        host.setParameter(38, 0.0f); // the shared-filter switch off
        for (int i = 0; i < 344; ++i)
            block(64);
    }

    int64_t frame() const { return int64_t(recorded.size()); }

    // One block: the list first, as hosts do, then the frames.
    std::vector<float> block(int32_t frames, const std::vector<VstMidiEvent>& events = {})
    {
        if (!events.empty())
            host.sendMidi(events);
        std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
        host.process(left.data(), right.data(), frames);
        recorded.insert(recorded.end(), left.begin(), left.end());
        return left;
    }

    // Renders `frames` more frames in blocks of `size`, then answers the
    // frame the first note was applied at, or -1 if none sounded.
    int64_t onset(int32_t size, int64_t frames)
    {
        for (int64_t n = 0; n < frames; n += size)
            block(size);
        Player silent(declaredBlock);
        while (silent.recorded.size() < recorded.size())
            silent.block(64);
        for (size_t i = 0; i < recorded.size(); ++i)
            if (recorded[i] != silent.recorded[i])
                return int64_t(i) - 1;
        return -1;
    }
};

VstMidiEvent controller(int32_t offset, int number, int value)
{
    return TestHost::midi(offset, 0xB0, uint8_t(number), uint8_t(value));
}

double rms(const std::vector<float>& x)
{
    double sum = 0.0;
    for (float v : x)
        sum += double(v) * double(v);
    return x.empty() ? 0.0 : std::sqrt(sum / double(x.size()));
}

} // namespace

TEST(MidiTiming, AFarOffsetDoesNotHoldBackLaterEvents)
{
    Player p(256);
    // A controller a billion frames ahead, then ordinary playing.
    p.block(256, {controller(1000000000, 7, 100)});
    p.block(256);
    const int64_t due = p.frame() + 10;
    p.block(0); // nothing: a zero-length call renders and applies nothing
    const std::vector<float> silence = p.block(10, {TestHost::noteOn(10, 69)});
    EXPECT_LT(rms(silence), 1e-5);
    EXPECT_EQ(p.onset(64, 4096), due);
}

TEST(MidiTiming, AFarNoteOffStillEndsItsNote)
{
    // The wild offset plays at the last frame of the longest block the host
    // declared, not hours later.
    Player p(256);
    p.block(256, {TestHost::noteOn(0, 60)});
    p.block(256, {TestHost::noteOff(2000000000, 60)});
    for (int i = 0; i < 172; ++i)
        p.block(256);
    EXPECT_LT(rms(p.block(256)), 1e-4); // a second later (a held note: about 0.1)
}

TEST(MidiTiming, ANegativeOffsetPlaysAtTheBlockStartAndShiftsNothing)
{
    Player p(256);
    const int64_t start = p.frame();
    p.host.sendMidi({controller(-100, 7, 100), TestHost::noteOn(15, 69)});
    EXPECT_EQ(p.onset(256, 256), start + 15);

    // A negative note-on itself sounds from the first frame of its block.
    Player q(256);
    const int64_t qStart = q.frame();
    q.host.sendMidi({TestHost::noteOn(-100, 69)});
    EXPECT_EQ(q.onset(256, 256), qStart);
}

TEST(MidiTiming, AnEventPastTheBlockEndDelaysNothingBehindIt)
{
    // Declared blocks of 256: a controller at 300 is kept inside the span a
    // list can cover, and the next block's note starts on its own frame.
    {
        Player p(256);
        p.block(256, {controller(300, 7, 100)});
        const int64_t start = p.frame();
        p.host.sendMidi({TestHost::noteOn(0, 69)});
        EXPECT_EQ(p.onset(256, 256), start);
    }
    // Declared blocks of 1024, rendered in 256s: the controller counts on
    // into the next block, the note still starts at that block's frame 0.
    {
        Player p(1024);
        p.block(256, {controller(300, 7, 100)});
        const int64_t start = p.frame();
        p.host.sendMidi({TestHost::noteOn(0, 69)});
        EXPECT_EQ(p.onset(256, 256), start);
    }
    // A note a few frames past the end of a block that ended early keeps
    // its frame in the next one.
    {
        Player p(512);
        const int64_t start = p.frame();
        p.block(256, {TestHost::noteOn(300, 69)});
        EXPECT_EQ(p.onset(256, 512), start + 300);
    }
}

TEST(MidiTiming, SortedOffsetsKeepTheirFramesAndOrder)
{
    // Events out of order in the list play at their own frames.
    Player p(512);
    const int64_t start = p.frame();
    p.host.sendMidi({TestHost::noteOn(40, 69), controller(10, 7, 1)});
    EXPECT_EQ(p.onset(512, 512), start + 40);

    // Events at the same frame keep their list order: a note-off then a
    // note-on leaves the note sounding, a note-on then a note-off never
    // lets it sound (released before its first frame is rendered).
    Player q(512);
    const int64_t qStart = q.frame();
    q.host.sendMidi({TestHost::noteOff(5, 69), controller(5, 7, 1), TestHost::noteOn(5, 69)});
    EXPECT_EQ(q.onset(512, 512), qStart + 5);
    Player r(512);
    r.host.sendMidi({TestHost::noteOn(5, 69), controller(5, 7, 1), TestHost::noteOff(5, 69)});
    EXPECT_EQ(r.onset(512, 512), -1);
}

TEST(MidiTiming, AFloodOfEventsNeverLosesTheNoteOff)
{
    for (int flood : {600, 2000, 5000}) {
        SCOPED_TRACE(std::to_string(flood) + " events before the note-off");
        for (bool releases : {false, true}) {
            SCOPED_TRACE(releases ? "the flood is note-offs and pedal messages" : "the flood is controllers and bends");
            Player p(4096);
            std::vector<VstMidiEvent> list{TestHost::noteOn(0, 60)};
            for (int i = 0; i < flood; ++i) {
                const int32_t at = 1 + i * 3000 / flood;
                if (releases)
                    list.push_back(i % 2 ? TestHost::noteOff(at, 61 + i % 60) : controller(at, 64, 0));
                else
                    list.push_back(i % 2 ? controller(at, 1, i % 128) : TestHost::midi(at, 0xE0, 0, uint8_t(i % 128)));
            }
            list.push_back(TestHost::noteOff(3500, 60));
            p.block(4096, list);
            for (int i = 0; i < 172; ++i)
                p.block(256);
            EXPECT_LT(rms(p.block(256)), 1e-4); // a second later: silence
        }
    }
}

TEST(MidiTiming, TheQueueMakesRoomForReleasesOnly)
{
    MidiEventQueue q;
    auto note = [](int status, int n, int v) {
        MidiMessage e{};
        e.midiData[0] = char(status);
        e.midiData[1] = char(n);
        e.midiData[2] = char(v);
        return e;
    };
    for (int i = 0; i < MidiEventQueue::kOrdinaryCapacity; ++i)
        ASSERT_TRUE(q.push(note(0x90, i % 128, 100), i));
    EXPECT_FALSE(q.push(note(0xB0, 1, 1), 600));   // the 501st ordinary event is dropped
    EXPECT_TRUE(q.push(note(0x80, 5, 0), 601));    // a note-off is not
    EXPECT_TRUE(q.push(note(0x90, 6, 0), 602));    // nor a note-on with velocity 0
    EXPECT_TRUE(q.push(note(0xB0, 64, 0), 603));   // nor the pedal
    EXPECT_TRUE(q.push(note(0xB7, 123, 0), 604));  // nor all-notes-off on any channel
    EXPECT_EQ(q.size(), MidiEventQueue::kOrdinaryCapacity + 4);

    // Full to the last slot: a release takes the place of the latest-due
    // ordinary event.
    while (q.size() < MidiEventQueue::kCapacity)
        ASSERT_TRUE(q.push(note(0x80, 7, 0), 700));
    EXPECT_TRUE(q.push(note(0x80, 8, 0), 800));
    EXPECT_EQ(q.size(), MidiEventQueue::kCapacity);
    int noteOns = 0;
    for (int i = 0; i < q.size(); ++i)
        noteOns += (q.at(i).event.midiData[0] & 0xF0) == 0x90 && q.at(i).event.midiData[2] != 0;
    EXPECT_EQ(noteOns, MidiEventQueue::kOrdinaryCapacity - 1);
    EXPECT_EQ(q.at(q.size() - 1).due, 800);

    // In order of due frame, ties in arrival order.
    for (int i = 1; i < q.size(); ++i)
        EXPECT_LE(q.at(i - 1).due, q.at(i).due);
}
