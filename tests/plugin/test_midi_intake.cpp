// Sample-accurate MIDI: events are queued with their distances and applied
// before the frame they fall on.
#include "PluginFixture.h"

#include <cmath>

using vemotest::PluginFixture;

namespace {
bool anyGate(VemoVst& p)
{
    for (auto& v : p.getEngine().voices)
        if (v.gate)
            return true;
    return false;
}
} // namespace

using MidiIntake = PluginFixture;

TEST_F(MidiIntake, EventsAreQueuedAtTheirFrames)
{
    sendEvents({midi(10, 0x90, 60, 100), midi(15, 0x90, 64, 100)});
    MidiEventQueue& q = plugin->getEventQueue();
    ASSERT_EQ(q.size(), 2);
    EXPECT_EQ(q.at(0).due, plugin->getFrameClock() + 10);
    EXPECT_EQ(q.at(1).due, plugin->getFrameClock() + 15);

    // Frames 0..9 count A down; A applies before frame 10, B before frame 15.
    renderFrames(10);
    EXPECT_FALSE(anyGate(*plugin));
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().voices[0].note, 60);
    EXPECT_TRUE(plugin->getEngine().voices[0].gate);
    EXPECT_EQ(q.size(), 1);
    renderFrames(4);
    EXPECT_EQ(q.size(), 1);
    renderFrames(1);
    EXPECT_EQ(q.size(), 0);
}

TEST_F(MidiIntake, NoteOnAtFrameZeroAndAtTheLastFrameOfTheBlock)
{
    std::vector<float> l;
    sendEvents({midi(0, 0x90, 69, 100)});
    renderFrames(64, &l);
    EXPECT_TRUE(plugin->getEngine().voices[0].gate);

    // The voice's own sub-samples show the note from the frame it starts on.
    plugin->getEngine().allNotesOff();
    sendEvents({midi(63, 0x90, 72, 100)});
    renderFrames(63);
    bool started = false;
    for (auto& v : plugin->getEngine().voices) {
        started |= v.note == 72;
    }
    EXPECT_FALSE(started);
    renderFrames(1);
    for (auto& v : plugin->getEngine().voices)
        started |= (v.note == 72 && v.gate);
    EXPECT_TRUE(started);
}

TEST_F(MidiIntake, EventsBeyondTheBlockCarryOver)
{
    sendEvents({midi(100, 0x90, 60, 100)});
    renderFrames(64);
    EXPECT_FALSE(anyGate(*plugin));
    sendEvents({});
    renderFrames(36);
    EXPECT_FALSE(anyGate(*plugin));
    renderFrames(1);
    EXPECT_TRUE(anyGate(*plugin));
}

TEST_F(MidiIntake, NoteOnAndOffInTheSameFrame)
{
    sendEvents({midi(3, 0x90, 60, 100), midi(3, 0x80, 60, 0)});
    renderFrames(4);
    EXPECT_EQ(plugin->getEngine().voices[0].note, 60);
    EXPECT_FALSE(plugin->getEngine().voices[0].gate);
}

TEST_F(MidiIntake, VelocityZeroReleasesAndVelocityIsScaled)
{
    sendEvents({midi(0, 0x90, 60, 127)});
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().voices[0].velocity, 127 * 0.007874016f);
    sendEvents({midi(0, 0x9F, 60, 0)});
    renderFrames(1);
    EXPECT_FALSE(plugin->getEngine().voices[0].gate);
}

TEST_F(MidiIntake, TempoIsAskedAtEveryNoteOn)
{
    timeInfo.tempo = 133.0;
    sendEvents({midi(0, 0x90, 60, 100), midi(1, 0x90, 62, 100)});
    renderFrames(2);
    EXPECT_EQ(countCalls(audioMasterGetTime), 2);
    for (auto& c : calls) {
        if (c.opcode == audioMasterGetTime) {
            EXPECT_EQ(c.value, 0x600);
        }
    }
    EXPECT_EQ(plugin->getEngine().tempo, 133.0f);

    // No answer, or a nonsense answer, keeps the previous tempo.
    answerTime = false;
    sendEvents({midi(0, 0x90, 64, 100)});
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().tempo, 133.0f);
    answerTime = true;
    timeInfo.tempo = std::nan("");
    sendEvents({midi(0, 0x90, 65, 100)});
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().tempo, 133.0f);
}

TEST_F(MidiIntake, PitchBendFromTheCoarseByte)
{
    sendEvents({midi(0, 0xE0, 127, 64)});
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().pitchBend, 0.0f);
    sendEvents({midi(0, 0xE5, 0, 0)});
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().pitchBend, -64 * 0.015748031f);
    sendEvents({midi(0, 0xE0, 0, 127)});
    renderFrames(1);
    EXPECT_EQ(plugin->getEngine().pitchBend, 63 * 0.015748031f);
}

TEST_F(MidiIntake, ProgramChange)
{
    sendEvents({midi(0, 0xC0, 119, 0)});
    renderFrames(1);
    EXPECT_EQ(plugin->getProgram(), 119);
    EXPECT_EQ(countCalls(audioMasterUpdateDisplay), 1);
    sendEvents({midi(0, 0xC0, 120, 0)});
    renderFrames(1);
    EXPECT_EQ(plugin->getProgram(), 119);
    EXPECT_EQ(countCalls(audioMasterUpdateDisplay), 1);
}

TEST_F(MidiIntake, AllNotesOffEmptiesTheQueueAndResetsBend)
{
    sendEvents({midi(0, 0x90, 60, 100), midi(0, 0xE0, 0, 100), midi(5, 0xB0, 123, 0),
                midi(20, 0x90, 62, 100)});
    renderFrames(64);
    EXPECT_TRUE(plugin->getEventQueue().empty());
    EXPECT_EQ(plugin->getEngine().pitchBend, 0.0f);
    EXPECT_FALSE(anyGate(*plugin));
    for (auto& v : plugin->getEngine().voices)
        EXPECT_NE(v.note, 62);
}

TEST_F(MidiIntake, QueueHoldsFiveHundredEvents)
{
    std::vector<VstMidiEvent> events;
    for (int i = 0; i < 501; ++i)
        events.push_back(midi(i, 0xA0, 1, 1));
    sendEvents(events);
    const MidiEventQueue& q = plugin->getEventQueue();
    EXPECT_EQ(q.size(), 500);
    EXPECT_EQ(q.at(499).due, plugin->getFrameClock() + 499); // the 501st was dropped
}

TEST_F(MidiIntake, OnlyMidiEventsAreQueuedAndMeasured)
{
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(sysex);
    sysex.deltaFrames = 7;
    VstMidiEvent a = midi(4, 0x90, 60, 100);
    VstMidiEvent b = midi(9, 0x90, 61, 100);
    std::vector<unsigned char> storage(sizeof(VstEvents) + 4 * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = 4;
    VstEvent** slots = list->events;
    slots[0] = reinterpret_cast<VstEvent*>(&a);
    slots[1] = reinterpret_cast<VstEvent*>(&sysex);
    slots[2] = nullptr; // skipped
    slots[3] = reinterpret_cast<VstEvent*>(&b);
    EXPECT_EQ(plugin->processEvents(list), 1);
    ASSERT_EQ(plugin->getEventQueue().size(), 2);
    EXPECT_EQ(plugin->getEventQueue().at(1).due - plugin->getEventQueue().at(0).due, 5);
}

TEST_F(MidiIntake, BadListsAreIgnored)
{
    EXPECT_EQ(plugin->processEvents(nullptr), 1);
    VstEvents list{};
    list.numEvents = -4;
    EXPECT_EQ(plugin->processEvents(&list), 1);
    EXPECT_TRUE(plugin->getEventQueue().empty());

    // Offsets far apart or out of order are all queued.
    sendEvents({midi(2147483647, 0x90, 60, 1), midi(0, 0x90, 61, 1), midi(-5, 0x90, 62, 1)});
    EXPECT_EQ(plugin->getEventQueue().size(), 3);
    renderFrames(8);
}

TEST_F(MidiIntake, SuspendAndResumeLeaveNotesAndQueue)
{
    sendEvents({midi(0, 0x90, 60, 100), midi(500, 0x90, 62, 100)});
    renderFrames(10);
    dispatch(effMainsChanged, 0, 0);
    dispatch(effMainsChanged, 0, 1);
    EXPECT_TRUE(plugin->getEngine().voices[0].gate);
    EXPECT_EQ(plugin->getEventQueue().size(), 1);
}
