// The sustain pedal through the host interface: MIDI by effProcessEvents,
// audio by processReplacing, suspend/resume by effMainsChanged; the voices'
// gates show what the engine was told and at which frame.
#include "PluginFixture.h"

#include <atomic>
#include <cstring>
#include <thread>

using vemotest::PluginFixture;

namespace {

class SustainPedalTest : public PluginFixture {
protected:
    void send(std::vector<VstMidiEvent> events)
    {
        std::vector<unsigned char> storage(sizeof(VstEvents) + sizeof(VstEvent*) * events.size());
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = int32_t(events.size());
        for (size_t i = 0; i < events.size(); ++i)
            list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
        dispatch(effProcessEvents, 0, 0, list);
    }

    void process(int32_t frames)
    {
        std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
        float* outs[2] = {l.data(), r.data()};
        AEffect* e = plugin->getAeffect();
        e->processReplacing(e, nullptr, outs, frames);
    }

    // Gates open for the note (the engine has not been told to release it).
    int gatesOf(int note)
    {
        int n = 0;
        for (auto& v : plugin->getEngine().voices)
            n += v.note == note && v.gate ? 1 : 0;
        return n;
    }

    static VstMidiEvent pedal(int32_t offset, int value, int channel = 0)
    {
        return midi(offset, 0xB0 | channel, 64, value);
    }
};

} // namespace

TEST_F(SustainPedalTest, HoldsReleasedNotesUntilLiftedAtTheExactFrame)
{
    send({midi(0, 0x90, 60, 100), pedal(10, 127), midi(20, 0x80, 60, 0), midi(30, 0x90, 64, 100),
          midi(40, 0x90, 64, 0), midi(50, 0x90, 67, 100), pedal(100, 0)});
    process(100);
    // Released while the pedal is down: still sounding, as is the key still pressed.
    EXPECT_EQ(gatesOf(60), 1);
    EXPECT_EQ(gatesOf(64), 1);
    EXPECT_EQ(gatesOf(67), 1);
    EXPECT_TRUE(plugin->getSustainPedal().isDown());
    process(1); // the pedal comes up before frame 100
    EXPECT_EQ(gatesOf(60), 0);
    EXPECT_EQ(gatesOf(64), 0);
    EXPECT_EQ(gatesOf(67), 1); // still pressed
    EXPECT_FALSE(plugin->getSustainPedal().isDown());

    // With the pedal up, a note-off releases at once again.
    send({midi(5, 0x80, 67, 0)});
    process(5);
    EXPECT_EQ(gatesOf(67), 1);
    process(1);
    EXPECT_EQ(gatesOf(67), 0);
}

TEST_F(SustainPedalTest, ValuesFromSixtyFourUpPressOnAnyChannel)
{
    send({pedal(0, 63, 3), midi(0, 0x90, 60, 100), midi(1, 0x80, 60, 0)});
    process(2);
    EXPECT_EQ(gatesOf(60), 0); // 63 is up
    send({pedal(0, 64, 15), midi(0, 0x93, 62, 100), midi(1, 0x83, 62, 0)});
    process(2);
    EXPECT_EQ(gatesOf(62), 1);
    send({pedal(0, 1, 9)});
    process(1);
    EXPECT_EQ(gatesOf(62), 0);
}

TEST_F(SustainPedalTest, ANoteStruckAgainWhileHeldRetriggersItsVoice)
{
    send({pedal(0, 127), midi(0, 0x90, 60, 100), midi(10, 0x80, 60, 0)});
    process(20);
    auto& voices = plugin->getEngine().voices;
    int voice = -1;
    for (int i = 0; i < SynthEngine::kNumVoices; ++i)
        if (voices[i].note == 60)
            voice = i;
    ASSERT_GE(voice, 0);
    EXPECT_TRUE(voices[voice].gate);

    // Struck again: the same voice restarts; no second voice sounds the note.
    send({midi(0, 0x90, 60, 50)});
    process(1);
    EXPECT_EQ(gatesOf(60), 1);
    EXPECT_EQ(voices[voice].velocity, 50 * 0.007874016f);
    EXPECT_EQ(plugin->getEngine().lastVoice, voice);

    // The key is down when the pedal comes up: the note goes on until its key-up.
    send({pedal(0, 0), midi(10, 0x80, 60, 0)});
    process(10);
    EXPECT_EQ(gatesOf(60), 1);
    process(1);
    EXPECT_EQ(gatesOf(60), 0);

    // Released again under the pedal: held again, and let go by the next lift.
    send({pedal(0, 100), midi(0, 0x90, 60, 100), midi(1, 0x80, 60, 0), midi(2, 0x90, 60, 90),
          midi(3, 0x80, 60, 0), pedal(5, 0)});
    process(5);
    EXPECT_EQ(gatesOf(60), 1);
    process(1);
    EXPECT_EQ(gatesOf(60), 0);
}

TEST_F(SustainPedalTest, AllNotesOffLiftsThePedal)
{
    for (int controller : {120, 123, 127}) {
        SCOPED_TRACE(controller);
        send({pedal(0, 127), midi(0, 0x90, 60, 100), midi(1, 0x80, 60, 0), midi(2, 0xB0, controller, 0)});
        process(3);
        EXPECT_EQ(gatesOf(60), 0);
        EXPECT_FALSE(plugin->getSustainPedal().isDown());
        send({midi(0, 0x90, 62, 100), midi(1, 0x80, 62, 0)});
        process(2);
        EXPECT_EQ(gatesOf(62), 0); // not held: the pedal is up
    }
}

TEST_F(SustainPedalTest, ALearnedBindingOfControllerSixtyFourWins)
{
    // Learn controller 64 onto CUTOFF in the current program (0).
    plugin->setParameter(kParamLearnProgram, 1.0f);
    plugin->setParameter(12, 0.3f);
    send({pedal(0, 0)});
    process(1);
    plugin->setParameter(kParamLearnProgram, 0.0f);
    ASSERT_EQ(plugin->program(0).controllerMap[64], 12);

    send({pedal(0, 127), midi(0, 0x90, 60, 100), midi(1, 0x80, 60, 0)});
    process(2);
    EXPECT_EQ(plugin->getParameter(12), 1.0f); // the controller moved CUTOFF
    EXPECT_FALSE(plugin->getSustainPedal().isDown());
    EXPECT_EQ(gatesOf(60), 0); // and held nothing

    // Another program has no such binding: there it is the pedal.
    send({midi(0, 0xC0, 1, 0), pedal(0, 127), midi(0, 0x90, 62, 100), midi(1, 0x80, 62, 0)});
    process(2);
    EXPECT_EQ(gatesOf(62), 1);
    // Back to the bound program while held: lifting still lets the notes go
    // (the binding gets the value too), so nothing hangs.
    send({midi(0, 0xC0, 0, 0), pedal(1, 0)});
    process(1);
    EXPECT_EQ(gatesOf(62), 1); // a program change does not lift the pedal
    process(1);
    EXPECT_EQ(gatesOf(62), 0);
    EXPECT_EQ(plugin->getParameter(12), 0.0f);
}

TEST_F(SustainPedalTest, SuspendAndResumeLiftThePedalAtTheNextBlock)
{
    for (int mains : {0, 1}) {
        SCOPED_TRACE(mains);
        send({pedal(0, 127), midi(0, 0x90, 60, 100), midi(1, 0x80, 60, 0), midi(1, 0x90, 64, 100)});
        process(4);
        ASSERT_EQ(gatesOf(60), 1);
        dispatch(effMainsChanged, 0, mains);
        EXPECT_EQ(gatesOf(60), 1); // nothing touched from the host's thread
        process(1);
        EXPECT_EQ(gatesOf(60), 0);
        EXPECT_EQ(gatesOf(64), 1); // a pressed key keeps its note
        EXPECT_FALSE(plugin->getSustainPedal().isDown());
        send({midi(0, 0x80, 64, 0)});
        process(1);
        EXPECT_EQ(gatesOf(64), 0);
    }
}

TEST_F(SustainPedalTest, PedalStateIsNotPartOfTheState)
{
    void* data = nullptr;
    const int32_t size = int32_t(dispatch(effGetChunk, 0, 0, &data));
    std::vector<unsigned char> up(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    send({pedal(0, 127), midi(0, 0x90, 60, 100), midi(1, 0x80, 60, 0)});
    process(2);
    dispatch(effGetChunk, 0, 0, &data);
    EXPECT_EQ(std::memcmp(data, up.data(), up.size()), 0);
    // Restoring a chunk reloads the sound and leaves the performance alone.
    EXPECT_EQ(dispatch(effSetChunk, 0, size, up.data()), 1);
    EXPECT_TRUE(plugin->getSustainPedal().isDown());
    EXPECT_EQ(gatesOf(60), 1);
}

// Suspend and resume from the UI thread while the audio thread plays pedal
// events: no data race (run under ThreadSanitizer), and once both stop the
// pedal is up and no released note hangs.
TEST_F(SustainPedalTest, HostThreadResetsWhileAudioRuns)
{
    // The fixture's call recorder is not made for two threads: the host
    // answers nothing while both run (the plug-in keeps its tempo).
    PluginFixture* const recorder = current;
    current = nullptr;
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int i = 0; i < 400 && !done.load(); ++i) {
            dispatch(effMainsChanged, 0, i & 1);
            std::this_thread::yield();
        }
    });
    for (int block = 0; block < 400; ++block) {
        const int note = 48 + block % 24;
        send({pedal(0, 127), midi(1, 0x90, note, 100), midi(2, 0x80, note, 0), pedal(30, block % 3 ? 127 : 0)});
        process(32);
    }
    done.store(true);
    host.join();
    current = recorder;
    send({pedal(0, 0)});
    process(1);
    for (int note = 48; note < 72; ++note)
        EXPECT_EQ(gatesOf(note), 0) << note;
}
