// An hour of audio per program with random playing and automation: every
// sample stays finite and normal, and the last minute costs no more than 1.5
// times the first (no slowdown from subnormal numbers creeping into the
// states over time).
//
// Each minute is 40 s of random notes, bends, controllers and automation of
// the continuous parameters (the program keeps its switches and menus),
// then the program is restored from its saved chunk and 20 s of silence let
// the tails decay. The first and the last minute play the same pattern from
// the same restored program, so their costs compare like for like; the
// minutes between explore other patterns. Cost is the audio thread's CPU
// time inside the plug-in's calls.
//
// VEMO_LONG_RUN_MINUTES shortens the run for a quick local check.
#include "support/ValidatorHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace validator;

namespace {

constexpr float kRate = 44100.0f;
constexpr int32_t kBlock = 512;
constexpr int64_t kPlayingFrames = int64_t(kRate) * 40;
constexpr int64_t kSilentFrames = int64_t(kRate) * 20;
constexpr uint32_t kMeasuredSeed = 4242;

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

int minutesToRun()
{
    if (const char* text = std::getenv("VEMO_LONG_RUN_MINUTES")) {
        const int n = std::atoi(text);
        if (n >= 2)
            return n;
    }
    return 60;
}

class LongRun : public ::testing::TestWithParam<int32_t> {
protected:
    struct Minute {
        double cpuSeconds = 0.0;
        OutputCheck check;
    };

    // One minute of the pattern of `seed`, starting from the saved program.
    Minute playMinute(uint32_t seed)
    {
        Minute minute;
        PerformanceMix mix;
        mix.programChanges = false; // the program under test stays
        mix.learn = false;
        mix.allControllers = false;
        mix.eventsPerBlock = 0.6;
        mix.automateEverything = false;
        RandomPerformer player(seed, mix);
        for (int64_t done = 0; done < kPlayingFrames; done += kBlock) {
            player.fill(list, kBlock);
            const double t0 = threadSeconds();
            host->processEvents(list);
            host->process(left.data(), right.data(), kBlock);
            if (player.rng() % 4u == 0)
                player.automate(*host, 1);
            minute.cpuSeconds += threadSeconds() - t0;
            minute.check.add(left.data(), kBlock);
            minute.check.add(right.data(), kBlock);
        }
        const double t0 = threadSeconds();
        list.clear();
        list.add(midiEvent(0, 0xB0, 123, 0));
        list.add(midiEvent(0, 0xE0, 0, 64));
        host->processEvents(list);
        restoreProgram();
        minute.cpuSeconds += threadSeconds() - t0;
        for (int64_t done = 0; done < kSilentFrames; done += kBlock) {
            const double t1 = threadSeconds();
            host->process(left.data(), right.data(), kBlock);
            minute.cpuSeconds += threadSeconds() - t1;
            minute.check.add(left.data(), kBlock);
            minute.check.add(right.data(), kBlock);
        }
        return minute;
    }

    void restoreProgram()
    {
        host->dispatch(effSetChunk, 1, intptr_t(saved.size()), saved.data());
    }

    std::unique_ptr<Host> host;
    std::vector<unsigned char> saved;
    EventList list;
    std::vector<float> left = std::vector<float>(kBlock), right = std::vector<float>(kBlock);
};

} // namespace

TEST_P(LongRun, AnHourStaysCleanAndTheLastMinuteCostsNoMoreThanTheFirst)
{
    const int32_t program = GetParam();
    const int minutes = minutesToRun();
    host = std::make_unique<Host>();
    ASSERT_NE(host->effect, nullptr) << host->error;
    host->start(kRate, kBlock);
    host->dispatch(effSetProgram, 0, program);
    void* data = nullptr;
    const intptr_t size = host->dispatch(effGetChunk, 1, 0, &data);
    ASSERT_GT(size, 0);
    saved.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    const auto wallStart = std::chrono::steady_clock::now();
    OutputCheck all;
    double first = 0.0, last = 0.0;
    double firstPeak = 0.0;
    for (int m = 0; m < minutes; ++m) {
        const bool measured = m == 0 || m == minutes - 1;
        const Minute minute = playMinute(measured ? kMeasuredSeed : kMeasuredSeed + uint32_t(m));
        all.merge(minute.check);
        if (!minute.check.clean()) {
            ADD_FAILURE() << "minute " << m << ": " << minute.check.describe();
            break;
        }
        if (m == 0) {
            first = minute.cpuSeconds;
            firstPeak = minute.check.peak;
        }
        if (m == minutes - 1)
            last = minute.cpuSeconds;
    }
    ASSERT_TRUE(all.clean()) << all.describe();
    EXPECT_GT(firstPeak, 1e-3) << "the program made no sound";

    // A busy machine can slow one minute down; a subnormal slowdown stays.
    // Up to two more plays of the measured pattern, the cheapest counts.
    for (int retry = 0; retry < 2 && last > 1.5 * first; ++retry)
        last = std::min(last, playMinute(kMeasuredSeed).cpuSeconds);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("program %d: %d minutes of audio in %.1f s; CPU per minute first %.3f s, last %.3f s "
                "(%.2fx); peak %.3f\n",
                program, minutes, wall, first, last, last / first, all.peak);
    RecordProperty("wall_seconds", std::to_string(wall));
    RecordProperty("first_minute_cpu", std::to_string(first));
    RecordProperty("last_minute_cpu", std::to_string(last));
    EXPECT_LE(last, 1.5 * first) << "the last minute costs " << last / first << " times the first";
}

// A pad with chorus and long tails ("Warm Pad") and a resonant noise effect
// ("Noise Fall"). An hour of audio costs about four minutes of CPU per
// program here, so two programs keep the run affordable.
INSTANTIATE_TEST_SUITE_P(Programs, LongRun, ::testing::Values(14, 69),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return "program" + std::to_string(info.param);
                         });
