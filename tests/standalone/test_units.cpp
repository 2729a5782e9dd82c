// The standalone's parts that need no server: the MIDI of one period (JACK
// offsets, the ALSA ring's timing, order, what is let through), the ring
// between two threads, sequencer events as MIDI bytes, and the bank file's
// place and atomic replacement.
#include "tools/vemo-standalone/AlsaMidiInput.h"
#include "tools/vemo-standalone/BankStore.h"
#include "tools/vemo-standalone/BlockEvents.h"
#include "tools/vemo-standalone/MidiRing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace vemo::standalone;
namespace fs = std::filesystem;

namespace {

const uint8_t kNoteOn[3] = {0x90, 60, 100};

std::vector<int> offsets(const BlockEvents& list)
{
    std::vector<int> out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(list.event(i).deltaFrames);
    return out;
}

TimedMidi message(uint64_t timeUs, uint8_t status, uint8_t data1, uint8_t data2 = 0)
{
    TimedMidi m;
    m.timeUs = timeUs;
    m.size = uint8_t(channelMessageSize(status));
    m.bytes[0] = status;
    m.bytes[1] = data1;
    m.bytes[2] = data2;
    return m;
}

} // namespace

TEST(BlockEvents, KeepsTimeOrderAndArrivalOrderAtTheSameFrame)
{
    BlockEvents list;
    list.begin(256);
    EXPECT_EQ(list.events(), nullptr);
    const uint8_t a[3] = {0x90, 60, 100}, b[3] = {0x80, 60, 0}, c[3] = {0xB0, 7, 90}, d[2] = {0xC0, 5};
    ASSERT_TRUE(list.add(100, a, 3));
    ASSERT_TRUE(list.add(10, b, 3));
    ASSERT_TRUE(list.add(100, c, 3));
    ASSERT_TRUE(list.add(300, d, 2)); // past the period: its last frame
    ASSERT_TRUE(list.add(-5, a, 3));  // before it: its first
    EXPECT_EQ(offsets(list), (std::vector<int>{0, 10, 100, 100, 255}));
    EXPECT_EQ(uint8_t(list.event(2).midiData[0]), 0x90);
    EXPECT_EQ(uint8_t(list.event(3).midiData[0]), 0xB0);
    EXPECT_EQ(uint8_t(list.event(4).midiData[1]), 5);
    EXPECT_EQ(list.event(4).midiData[2], 0); // a two-byte message is padded
    VstEvents* events = list.events();
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(events->numEvents, 5);
    EXPECT_EQ(events->events[0]->type, kVstMidiType);

    list.begin(64); // a new period starts empty
    EXPECT_EQ(list.count(), 0);
}

TEST(BlockEvents, LetsThroughOnlyWholeChannelMessagesOfItsChannels)
{
    BlockEvents list(uint16_t(1u << 2)); // channel 3 only
    list.begin(128);
    const uint8_t onChannel3[3] = {0x92, 60, 100}, onChannel1[3] = {0x90, 60, 100};
    const uint8_t clock[1] = {0xF8}, sysex[4] = {0xF0, 0x7E, 0x01, 0xF7}, broken[3] = {0x92, 0x90, 100};
    EXPECT_TRUE(list.add(0, onChannel3, 3));
    EXPECT_FALSE(list.add(0, onChannel1, 3));
    EXPECT_FALSE(list.add(0, clock, 1));
    EXPECT_FALSE(list.add(0, sysex, 4));
    EXPECT_FALSE(list.add(0, broken, 3));
    EXPECT_FALSE(list.add(0, onChannel3, 2)); // cut short
    EXPECT_FALSE(list.add(0, nullptr, 3));
    EXPECT_EQ(list.count(), 1);

    BlockEvents all;
    all.begin(16);
    for (int i = 0; i < BlockEvents::kMaxEvents; ++i)
        ASSERT_TRUE(all.add(i % 16, kNoteOn, 3));
    EXPECT_FALSE(all.add(0, kNoteOn, 3)); // full: dropped, nothing overwritten
    EXPECT_EQ(all.count(), BlockEvents::kMaxEvents);
    std::vector<int> o = offsets(all);
    EXPECT_TRUE(std::is_sorted(o.begin(), o.end()));
}

// Messages play one period after they arrive: one that arrived 1 ms into
// the previous period lands 1 ms (48 frames) into this one; late ones at 0;
// ones due later stay in the ring for their own period.
TEST(BlockEvents, RingMessagesPlayOnePeriodAfterTheyArrive)
{
    constexpr double kRate = 48000.0;
    constexpr uint64_t kPeriodUs = 5333; // 256 frames
    constexpr uint64_t kCycle = 1'000'000'000;
    MidiRing ring;
    ASSERT_TRUE(ring.push(message(kCycle - kPeriodUs - 2000, 0x90, 60, 100))); // late
    ASSERT_TRUE(ring.push(message(kCycle - kPeriodUs + 1000, 0x90, 62, 100)));
    ASSERT_TRUE(ring.push(message(kCycle - kPeriodUs + 5000, 0x90, 64, 100)));
    ASSERT_TRUE(ring.push(message(kCycle - kPeriodUs + 6000, 0x90, 65, 100))); // next period
    ASSERT_TRUE(ring.push(message(kCycle - kPeriodUs + 5100, 0xF8, 0)));       // not for us (and after 65)

    BlockEvents list;
    list.begin(256);
    const uint8_t fromJack[3] = {0x80, 50, 0};
    list.add(48, fromJack, 3);
    list.takeDue(ring, kCycle, kPeriodUs, kRate);
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(offsets(list), (std::vector<int>{0, 48, 48, 240}));
    EXPECT_EQ(uint8_t(list.event(1).midiData[0]), 0x80); // JACK's message came first at 48
    EXPECT_EQ(list.event(2).midiData[1], 62);
    EXPECT_EQ(list.event(3).midiData[1], 64);

    list.begin(256);
    list.takeDue(ring, kCycle + kPeriodUs, kPeriodUs, kRate);
    ASSERT_EQ(list.count(), 1); // the clock message is dropped on the way
    EXPECT_EQ(list.event(0).midiData[1], 65);
    EXPECT_EQ(list.event(0).deltaFrames, 32); // 6000 - 5333 us = 667 us
    EXPECT_EQ(ring.front(), nullptr);
}

TEST(MidiRing, CarriesEveryMessageInOrderBetweenTwoThreads)
{
    static SpscRing<64> ring; // small: the producer often finds it full
    constexpr uint64_t kCount = 200000;
    std::thread producer([] {
        for (uint64_t i = 0; i < kCount;) {
            TimedMidi m;
            m.timeUs = i;
            if (ring.push(m))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    uint64_t expected = 0;
    while (expected < kCount) {
        if (const TimedMidi* m = ring.front()) {
            ASSERT_EQ(m->timeUs, expected);
            ring.pop();
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(ring.front(), nullptr);
}

TEST(AlsaMidiInput, SequencerEventsBecomeChannelMessages)
{
    uint8_t out[3] = {};
    snd_seq_event_t e{};
    e.type = SND_SEQ_EVENT_NOTEON;
    e.data.note.channel = 3;
    e.data.note.note = 64;
    e.data.note.velocity = 0; // a note-on of velocity 0 stays one: the instrument releases on it
    ASSERT_EQ(sequencerEventToMidi(e, out), 3);
    EXPECT_EQ(out[0], 0x93);
    EXPECT_EQ(out[1], 64);
    EXPECT_EQ(out[2], 0);

    e = {};
    e.type = SND_SEQ_EVENT_PITCHBEND;
    e.data.control.channel = 0;
    e.data.control.value = -8192;
    ASSERT_EQ(sequencerEventToMidi(e, out), 3);
    EXPECT_EQ(out[0], 0xE0);
    EXPECT_EQ(out[1] | out[2] << 7, 0);
    e.data.control.value = 8191;
    sequencerEventToMidi(e, out);
    EXPECT_EQ(out[1] | out[2] << 7, 16383);
    e.data.control.value = 100000; // out of range: held to the end
    sequencerEventToMidi(e, out);
    EXPECT_EQ(out[1] | out[2] << 7, 16383);

    e = {};
    e.type = SND_SEQ_EVENT_CONTROLLER;
    e.data.control.channel = 15;
    e.data.control.param = 74;
    e.data.control.value = 300;
    ASSERT_EQ(sequencerEventToMidi(e, out), 3);
    EXPECT_EQ(out[0], 0xBF);
    EXPECT_EQ(out[1], 74);
    EXPECT_EQ(out[2], 127);

    e = {};
    e.type = SND_SEQ_EVENT_PGMCHANGE;
    e.data.control.value = 23;
    ASSERT_EQ(sequencerEventToMidi(e, out), 2);
    EXPECT_EQ(out[0], 0xC0);
    EXPECT_EQ(out[1], 23);

    for (auto type : {SND_SEQ_EVENT_CLOCK, SND_SEQ_EVENT_SYSEX, SND_SEQ_EVENT_PORT_START, SND_SEQ_EVENT_START}) {
        e = {};
        e.type = type;
        EXPECT_EQ(sequencerEventToMidi(e, out), 0) << int(type);
    }
}

class BankFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vemo-bankstore-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"})
            if (const char* v = std::getenv(name))
                saved.emplace_back(name, v);
    }
    void TearDown() override
    {
        unsetenv("XDG_CONFIG_HOME");
        for (auto& [name, value] : saved)
            setenv(name.c_str(), value.c_str(), 1);
        fs::remove_all(dir);
    }
    static std::string read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir;
    std::vector<std::pair<std::string, std::string>> saved;
};

TEST_F(BankFileTest, LivesInTheXdgConfigFolderElseUnderHome)
{
    setenv("HOME", (dir / "home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultBankPath(), (dir / "home/.config/vemo/bank.fxb").string());
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    EXPECT_EQ(defaultBankPath(), (dir / "config/vemo/bank.fxb").string());
    setenv("XDG_CONFIG_HOME", "relative/config", 1); // not absolute: ignored, as the XDG rules say
    EXPECT_EQ(defaultBankPath(), (dir / "home/.config/vemo/bank.fxb").string());
    // Another module's bank never takes VEMO's place.
    EXPECT_EQ(defaultBankPath(0x41424344), (dir / "home/.config/vemo/bank-41424344.fxb").string());
}

TEST_F(BankFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    const fs::path target = dir / "new/folder/bank.fxb";
    writeFileAtomically(target.string(), std::vector<uint8_t>(1000, 'a'));
    EXPECT_EQ(read(target), std::string(1000, 'a'));
    writeFileAtomically(target.string(), std::vector<uint8_t>(10, 'b'));
    EXPECT_EQ(read(target), std::string(10, 'b'));
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(BankFileTest, AFailedWriteKeepsTheOldFileAndSaysWhy)
{
    // The target is a folder that cannot be replaced by a file.
    const fs::path target = dir / "bank.fxb";
    fs::create_directories(target / "inside");
    try {
        writeFileAtomically(target.string(), std::vector<uint8_t>(10, 'x'));
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A folder that cannot be made (a file stands where it should be).
    std::ofstream(dir / "plain") << "x";
    EXPECT_THROW(writeFileAtomically((dir / "plain/bank.fxb").string(), {1, 2, 3}), std::runtime_error);
    EXPECT_EQ(read(dir / "plain"), "x");
}
