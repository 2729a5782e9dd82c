// Rendering at every common sample rate and block size with random notes,
// pitch bend, controllers and automation between blocks: every output sample
// finite and never subnormal. Rate changes while notes sound, with and
// without the host switching processing off around them.
#include "support/ValidatorHost.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace validator;

namespace {

const float kRates[] = {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f};
const int32_t kBlockSizes[] = {1, 17, 64, 512, 4096};

// Renders `frames` frames in blocks of `block` with random events in every
// block and automation between blocks; every sample goes into `check`.
void perform(Host& host, RandomPerformer& player, OutputCheck& check, int64_t frames, int32_t block,
             bool automation = true)
{
    EventList list;
    std::vector<float> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
    for (int64_t done = 0; done < frames; done += block) {
        const int32_t n = int32_t(std::min<int64_t>(block, frames - done));
        player.fill(list, n);
        host.processEvents(list);
        host.process(left.data(), right.data(), n);
        const int64_t before = check.nans + check.infinities + check.subnormals;
        check.add(left.data(), n);
        check.add(right.data(), n);
        if (check.nans + check.infinities + check.subnormals != before) {
            ADD_FAILURE() << "bad sample in the block at frame " << done << " (block " << block
                          << "): " << check.describe();
            return;
        }
        if (automation) {
            // Small blocks: a change every few blocks, as hosts send them.
            if (block >= 64)
                player.automate(host, 2);
            else if (player.rng() % 8u == 0)
                player.automate(host, 1);
        }
    }
}

// Silence after everything is released: the tails decay cleanly too.
void releaseAndDecay(Host& host, OutputCheck& check, int64_t frames, int32_t block)
{
    EventList list;
    list.add(midiEvent(0, 0xB0, 123, 0));
    list.add(midiEvent(0, 0xE0, 0, 64));
    host.processEvents(list);
    std::vector<float> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
    for (int64_t done = 0; done < frames; done += block) {
        const int32_t n = int32_t(std::min<int64_t>(block, frames - done));
        host.process(left.data(), right.data(), n);
        check.add(left.data(), n);
        check.add(right.data(), n);
    }
}

class EveryRate : public ::testing::TestWithParam<float> {};

} // namespace

TEST_P(EveryRate, EveryBlockSizeWithRandomPlayingStaysClean)
{
    const float rate = GetParam();
    for (int32_t block : kBlockSizes) {
        SCOPED_TRACE("rate " + std::to_string(int(rate)) + " Hz, block " + std::to_string(block));
        Host host;
        ASSERT_NE(host.effect, nullptr) << host.error;
        host.start(rate, block);
        RandomPerformer player(uint32_t(rate) * 31u + uint32_t(block));
        OutputCheck playing, tail;
        const int64_t frames = std::max<int64_t>(int64_t(rate * 0.25f), 6 * int64_t(block));
        perform(host, player, playing, frames, block);
        releaseAndDecay(host, tail, int64_t(rate * 0.15f), block);
        EXPECT_TRUE(playing.clean()) << playing.describe();
        EXPECT_TRUE(tail.clean()) << tail.describe();
        EXPECT_GT(playing.peak, 0.0) << "random playing made no sound";
        EXPECT_GT(player.noteOns, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Processing, EveryRate, ::testing::ValuesIn(kRates),
                         [](const ::testing::TestParamInfo<float>& info) {
                             return std::to_string(int(info.param)) + "Hz";
                         });

TEST(Processing, IrregularBlocksAndOddEventListsStayClean)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(48000.0f, 4096);
    RandomPerformer player(7);
    OutputCheck check;
    EventList list;
    std::vector<float> left(4096), right(4096);
    for (int call = 0; call < 300; ++call) {
        // Hosts split blocks at loop points and automation: any length up to
        // the maximum, zero included, mostly short.
        const int32_t n = int32_t(player.rng() % (call % 4 == 0 ? 4097u : 600u));
        const uint32_t shape = player.rng() % 10u;
        if (shape == 0) {
            // Events far beyond the block (seen from real hosts): they wait.
            list.clear();
            list.add(midiEvent(n + int32_t(player.rng() % 100000u), 0x90, int(player.rng() % 128u), 90));
            host.processEvents(list);
        } else if (shape == 1) {
            // Two event lists before one block.
            player.fill(list, std::max(n, 1));
            host.processEvents(list);
            player.fill(list, std::max(n, 1));
            host.processEvents(list);
        } else if (shape != 2) {
            // (shape 2: a block without an event list at all)
            player.fill(list, std::max(n, 1));
            host.processEvents(list);
        }
        host.process(left.data(), right.data(), n);
        check.add(left.data(), n);
        check.add(right.data(), n);
        player.automate(host, 1);
    }
    releaseAndDecay(host, check, 48000, 512);
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_GT(check.peak, 0.0);
}

namespace {

// Program 0 reduced to a plain sawtooth (sub-oscillator off) so the pitch
// is unambiguous.
void plainSaw(Host& host)
{
    host.dispatch(effSetProgram, 0, 0);
    host.setParameter(4, 0.0f);  // SUBOSC
    host.setParameter(6, 0.0f);  // NOISEVOLUME
    host.setParameter(10, 0.0f); // OSCLFOINTENSITY
    host.setParameter(34, 0.0f); // CHORUS1
    host.setParameter(35, 0.0f); // CHORUS2
}

// Pitch in Hz of the held sound over a quarter of a second, after a quarter
// of a second of settling.
double heldPitch(Host& host, float rate, OutputCheck& check)
{
    const int32_t frames = int32_t(rate * 0.5f);
    Rendered r = render(host, frames, 512);
    check.add(r.left.data(), frames);
    check.add(r.right.data(), frames);
    return vemotest::estimatePitch(r.left, rate, size_t(rate * 0.25f), size_t(frames), 50.0, 2000.0);
}

// Distance in cents between two frequencies.
double cents(double a, double b) { return 1200.0 * std::log2(a / b); }

} // namespace

TEST(Processing, RateChangeWithMainsOffKeepsNotesSoundingInTune)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 512);
    plainSaw(host);
    EventList list;
    list.add(midiEvent(0, 0x90, 57, 100)); // A below middle C: 220 Hz, or an octave of it
    host.processEvents(list);
    OutputCheck check;
    const double reference = heldPitch(host, 44100.0f, check);
    ASSERT_GT(reference, 0.0) << "no clear pitch at 44100 Hz";
    const double octaves = std::log2(reference / 220.0);
    EXPECT_NEAR(octaves, std::round(octaves), 0.01) << reference << " Hz for note 57";

    for (float rate : {96000.0f, 22050.0f, 192000.0f, 48000.0f, 88200.0f, 44100.0f}) {
        SCOPED_TRACE("after a change to " + std::to_string(int(rate)) + " Hz");
        host.changeRate(rate, 512);
        const double pitch = heldPitch(host, rate, check);
        EXPECT_NEAR(cents(pitch, reference), 0.0, 5.0) << pitch << " Hz, was " << reference;
    }
    // A new note after all the changes: an octave above the held one.
    list.clear();
    list.add(midiEvent(0, 0x80, 57, 0));
    list.add(midiEvent(0, 0x90, 69, 100));
    host.processEvents(list);
    const double octaveUp = heldPitch(host, 44100.0f, check);
    EXPECT_NEAR(cents(octaveUp, 2.0 * reference), 0.0, 5.0);
    EXPECT_TRUE(check.clean()) << check.describe();
}

TEST(Processing, RateChangesWhileNotesSoundStayClean)
{
    // With the host rule (mains off around the change) and, separately,
    // without it: either way nothing breaks and every sample stays clean.
    for (bool mainsAround : {true, false}) {
        SCOPED_TRACE(mainsAround ? "mains off around each change" : "rate changed while mains on");
        Host host;
        ASSERT_NE(host.effect, nullptr) << host.error;
        host.start(44100.0f, 256);
        PerformanceMix mix;
        mix.eventsPerBlock = 6.0;
        RandomPerformer player(mainsAround ? 11u : 12u, mix);
        OutputCheck check;
        std::mt19937 order(5);
        for (int change = 0; change < 24; ++change) {
            const float rate = kRates[order() % 6u];
            const int32_t block = kBlockSizes[order() % 5u];
            if (mainsAround) {
                host.changeRate(rate, block);
            } else {
                host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
                host.dispatch(effSetBlockSize, 0, block);
            }
            perform(host, player, check, std::max<int64_t>(int64_t(rate * 0.05f), block), block);
        }
        releaseAndDecay(host, check, 44100, 256);
        EXPECT_TRUE(check.clean()) << check.describe();
        EXPECT_GT(check.peak, 0.0);
    }
}

TEST(Processing, ParameterCornersWithExtremeNotesStayClean)
{
    // Every parameter at an end of its range (continuous 0 or 1, menus at
    // their first or last entry), the lowest and highest notes at full
    // velocity, bends to both ends: the corners where filters blow up.
    std::mt19937 rng(31337);
    for (float rate : {22050.0f, 192000.0f}) {
        Host host;
        ASSERT_NE(host.effect, nullptr) << host.error;
        host.start(rate, 256);
        OutputCheck check;
        for (int corner = 0; corner < 24; ++corner) {
            for (int32_t i = 0; i < 47; ++i) {
                if (i == 37 || i == 46)
                    continue;
                const bool high = corner == 1 || (corner > 1 && (rng() & 1u));
                float v = high ? 1.0f : 0.0f;
                if (parameterForm(i) == Form::WaveMenu)
                    v = high ? 4.0f : 0.0f;
                if (parameterForm(i) == Form::ClockMenu)
                    v = high ? 12.0f : 0.0f;
                host.setParameter(i, v);
            }
            const Rendered r = render(host, int32_t(rate * 0.1f), 256,
                                      {midiEvent(0, 0x90, 0, 127), midiEvent(0, 0x90, 127, 127),
                                       midiEvent(0, 0xE0, 0, corner & 1 ? 127 : 0),
                                       midiEvent(int32_t(rate * 0.05f), 0x90, 64, 1),
                                       midiEvent(int32_t(rate * 0.07f), 0xB0, 123, 0)});
            check.merge(r.check);
            if (!r.check.clean()) {
                ADD_FAILURE() << "rate " << rate << ", corner " << corner << ": " << r.check.describe();
                break;
            }
        }
        EXPECT_TRUE(check.clean()) << check.describe();
    }
}
