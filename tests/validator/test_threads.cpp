// The plug-in under the threads a host runs it on: the audio thread plays
// (notes, program changes, learned controllers) while the UI thread calls
// the dispatcher, opens and closes the editor and pumps its idle, and a third
// thread automates every parameter. Built with -DVEMO_TSAN=ON these tests
// also prove the shared values free of data races.
#include "support/ValidatorHost.h"
#include "support/Xvfb.h"
#include "support/Signal.h"
#include "voice/ParameterBlock.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <random>
#include <thread>

// After our headers: Xlib defines macros such as None and Status.
#include <X11/Xlib.h>

using namespace validator;

namespace {

// The host's audio thread: random playing in blocks of `block` frames until
// stopped. Every sample is checked.
class AudioThread {
public:
    AudioThread(Host& host, uint32_t seed, PerformanceMix mix = {}, int32_t block = 64)
        : host(host), player(seed, mix), block(block)
    {
    }
    ~AudioThread() { stop(); }
    void start()
    {
        thread = std::thread([this] { run(); });
        // The other threads start their work once audio is really running.
        while (blocks.load() < 4)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void stop()
    {
        running.store(false);
        if (thread.joinable())
            thread.join();
    }
    int64_t blockCount() const { return blocks.load(); }
    OutputCheck check; // read after stop()
    int64_t noteOns() const { return player.noteOns; }

private:
    void run()
    {
        EventList list;
        std::vector<float> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
        while (running.load()) {
            player.fill(list, block);
            host.processEvents(list);
            host.process(left.data(), right.data(), block);
            check.add(left.data(), block);
            check.add(right.data(), block);
            blocks.fetch_add(1);
        }
    }

    Host& host;
    RandomPerformer player;
    int32_t block;
    std::thread thread;
    std::atomic<bool> running{true};
    std::atomic<int64_t> blocks{0};
};

int openDescriptors()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d) != nullptr)
            ++n;
        closedir(d);
    }
    return n;
}

std::atomic<int> xErrors{0};
int recordXError(Display*, XErrorEvent*)
{
    xErrors.fetch_add(1);
    return 0;
}

// A host's top-level window on our own X server, like the one a host gives
// the editor to live in.
class HostWindow {
public:
    bool open()
    {
        vemotest::Xvfb* server = vemotest::sharedXvfb();
        if (server == nullptr)
            return false;
        if (const char* d = std::getenv("DISPLAY"))
            savedDisplay = d;
        setenv("DISPLAY", server->display().c_str(), 1);
        display = XOpenDisplay(nullptr);
        if (display == nullptr)
            return false;
        XSetErrorHandler(recordXError);
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 695, 350, 0,
                                     BlackPixel(display, 0), BlackPixel(display, 0));
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify && e.xmap.window == window)
                break;
        }
        return true;
    }
    ~HostWindow()
    {
        if (display != nullptr) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
        if (savedDisplay)
            setenv("DISPLAY", savedDisplay->c_str(), 1);
        else
            unsetenv("DISPLAY");
    }
    void* parent() const { return reinterpret_cast<void*>(window); }
    int children()
    {
        ::Window root = 0, up = 0;
        ::Window* list = nullptr;
        unsigned int n = 0;
        XQueryTree(display, window, &root, &up, &list, &n);
        if (list != nullptr)
            XFree(list);
        return int(n);
    }
    void sync() { XSync(display, False); }

    Display* display = nullptr;
    ::Window window = 0;

private:
    std::optional<std::string> savedDisplay;
};

#define REQUIRE_X_SERVER(window)                                                                   \
    do {                                                                                           \
        if (vemotest::sharedXvfb() == nullptr)                                                               \
            GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";                         \
        ASSERT_TRUE((window).open()) << "cannot open the test display";                           \
    } while (0)

} // namespace

TEST(Threads, HostUiCallsWhileAudioPlays)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(48000.0f, 64);
    void* data = nullptr;
    const intptr_t size = host.dispatch(effGetChunk, 0, 0, &data);
    ASSERT_GT(size, 0);
    const std::vector<unsigned char> bank(static_cast<unsigned char*>(data),
                                          static_cast<unsigned char*>(data) + size);

    AudioThread audio(host, 21);
    audio.start();
    std::mt19937 rng(3);
    char text[256];
    // At least 400 calls, and on until the audio thread has played 300
    // blocks alongside them.
    const int64_t startBlocks = audio.blockCount();
    for (int i = 0; i < 400 || audio.blockCount() < startBlocks + 300; ++i) {
        switch (rng() % 9u) {
        case 0:
            host.dispatch(effSetProgram, 0, intptr_t(rng() % 120u));
            break;
        case 1:
            host.dispatch(effGetProgramName, 0, 0, text);
            host.dispatch(effGetProgramNameIndexed, int32_t(rng() % 120u), 0, text);
            break;
        case 2:
            host.dispatch(effGetChunk, int32_t(rng() & 1u), 0, &data);
            break;
        case 3:
            host.dispatch(effSetChunk, 0, intptr_t(bank.size()), const_cast<unsigned char*>(bank.data()));
            break;
        case 4:
            for (int32_t p = 0; p < 47; ++p)
                (void)host.getParameter(p);
            break;
        case 5: {
            char name[] = "renamed";
            host.dispatch(effSetProgramName, 0, 0, name);
            break;
        }
        case 6:
            host.dispatch(effGetParamName, int32_t(rng() % 47u), 0, text);
            host.dispatch(effGetParamDisplay, int32_t(rng() % 47u), 0, text);
            host.dispatch(effGetParamLabel, int32_t(rng() % 47u), 0, text);
            host.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstTimeInfo"));
            break;
        case 7: {
            const int32_t p = int32_t(rng() % 47u);
            host.setParameter(p, randomValue(p, rng));
            break;
        }
        default: {
            ERect* rect = nullptr;
            host.dispatch(effEditGetRect, 0, 0, &rect);
            host.dispatch(effEditIdle); // no window open: nothing to do
            break;
        }
        }
        if (i % 50 == 0)
            std::this_thread::yield();
    }
    audio.stop();
    EXPECT_TRUE(audio.check.clean()) << audio.check.describe();
    EXPECT_GT(audio.noteOns(), 0);
}

// Some hosts change the sample rate, the block size or switch processing off
// and on from their UI thread while the audio thread is inside
// processReplacing (for instance when the user picks another audio device).
// The rebuild must never happen under the audio thread's feet.
TEST(Threads, RateBlockSizeAndMainsChangesWhileAudioPlays)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 64);
    AudioThread audio(host, 77);
    audio.start();
    // A generic parameter view on a third thread, reading every value's text
    // while the rate changes under it.
    std::atomic<bool> viewing{true};
    std::atomic<int64_t> longTexts{0};
    std::thread view([&] {
        char text[64];
        while (viewing.load()) {
            for (int32_t p = 0; p < kNumParameters; ++p)
                for (int32_t opcode : {effGetParamDisplay, effGetParamLabel}) {
                    std::memset(text, 0x7f, sizeof text);
                    host.dispatch(opcode, p, 0, text);
                    if (strnlen(text, sizeof text) >= 8 || text[8] != 0x7f)
                        longTexts.fetch_add(1);
                }
        }
    });
    const float rates[] = {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f};
    std::mt19937 rng(5);
    const int64_t startBlocks = audio.blockCount();
    for (int i = 0; i < 2000 || audio.blockCount() < startBlocks + 3000; ++i) {
        switch (rng() % 4u) {
        case 0:
        case 1:
            host.dispatch(effSetSampleRate, 0, 0, nullptr, rates[rng() % 7u]);
            break;
        case 2:
            host.dispatch(effSetBlockSize, 0, intptr_t(1u << (rng() % 13u)));
            break;
        default:
            host.dispatch(effMainsChanged, 0, intptr_t(rng() & 1u));
            break;
        }
        if (i % 4 == 0)
            std::this_thread::yield();
    }
    viewing.store(false);
    view.join();
    audio.stop();
    EXPECT_TRUE(audio.check.clean()) << audio.check.describe();
    EXPECT_GT(audio.noteOns(), 0);
    EXPECT_EQ(longTexts.load(), 0);
}

namespace {
// The host's audio thread holding one note of a plain sawtooth and keeping
// every block it renders, so that the UI thread can measure the pitch of the
// blocks that began after its rate change.
class RecordingAudioThread {
public:
    static constexpr int32_t kBlock = 128;
    static constexpr int64_t kMaxBlocks = 40000; // about 27 s at 192 kHz, allocated up front

    explicit RecordingAudioThread(Host& host) : host(host), samples(size_t(kMaxBlocks * kBlock)) {}
    ~RecordingAudioThread() { stop(); }
    void start()
    {
        thread = std::thread([this] { run(); });
    }
    void stop()
    {
        running.store(false);
        if (thread.joinable())
            thread.join();
    }
    int64_t blockCount() const { return blocks.load(std::memory_order_acquire); }
    // Blocks first..first+count-1, once they are rendered; empty if the
    // recording ran out.
    std::vector<float> blocksFrom(int64_t first, int64_t count) const
    {
        if (first + count > kMaxBlocks)
            return {};
        while (blockCount() < first + count && running.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::vector<float>(samples.begin() + first * kBlock,
                                  samples.begin() + (first + count) * kBlock);
    }
    OutputCheck check; // read after stop()

private:
    void run()
    {
        EventList list;
        list.add(midiEvent(0, 0x90, 57, 100));
        host.processEvents(list);
        std::vector<float> right(static_cast<size_t>(kBlock));
        while (running.load()) {
            const int64_t b = blocks.load(std::memory_order_relaxed);
            if (b >= kMaxBlocks)
                break;
            float* left = samples.data() + b * kBlock;
            host.process(left, right.data(), kBlock);
            check.add(left, kBlock);
            check.add(right.data(), kBlock);
            blocks.store(b + 1, std::memory_order_release);
        }
        running.store(false);
    }

    Host& host;
    std::vector<float> samples;
    std::thread thread;
    std::atomic<bool> running{true};
    std::atomic<int64_t> blocks{0};
};
} // namespace

TEST(Threads, PitchIsRightFromTheBlockAfterARateChangeWhileAudioPlays)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, RecordingAudioThread::kBlock);
    host.dispatch(effSetProgram, 0, 0);
    host.setParameter(4, 0.0f);  // no sub-oscillator, no noise, no LFO on the pitch,
    host.setParameter(6, 0.0f);  // no chorus: a plain sawtooth an octave of 220 Hz
    host.setParameter(10, 0.0f);
    host.setParameter(34, 0.0f);
    host.setParameter(35, 0.0f);
    RecordingAudioThread audio(host);
    audio.start();

    double reference = 0.0;
    for (float rate : {44100.0f, 96000.0f, 22050.0f, 192000.0f, 48000.0f, 88200.0f, 44100.0f}) {
        SCOPED_TRACE("after a change to " + std::to_string(int(rate)) + " Hz");
        host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        // The block under way when the call returned may still run at the
        // old rate; every later one runs at the new rate.
        const int64_t first = audio.blockCount() + 1;
        const int64_t count = int64_t(rate * 0.4f) / RecordingAudioThread::kBlock;
        const std::vector<float> x = audio.blocksFrom(first, count);
        ASSERT_FALSE(x.empty()) << "the recording ran out";
        const double pitch = vemotest::estimatePitch(x, rate, size_t(rate * 0.1f), x.size(), 50.0, 2000.0);
        ASSERT_GT(pitch, 0.0) << "no clear pitch";
        if (reference == 0.0) {
            reference = pitch;
            const double octaves = std::log2(reference / 220.0);
            EXPECT_NEAR(octaves, std::round(octaves), 0.01) << reference << " Hz for note 57";
        }
        EXPECT_NEAR(1200.0 * std::log2(pitch / reference), 0.0, 5.0) << pitch << " Hz, was " << reference;
    }
    audio.stop();
    EXPECT_TRUE(audio.check.clean()) << audio.check.describe();
}

TEST(Threads, EditorOpensAndClosesRepeatedlyWhileAudioPlays)
{
    HostWindow window;
    REQUIRE_X_SERVER(window);
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 64);
    const int descriptors = openDescriptors();
    xErrors = 0;

    // Program changes from MIDI move the editor's controls from the audio
    // thread while the UI thread builds and tears the window down.
    AudioThread audio(host, 33);
    audio.start();
    for (int cycle = 0; cycle < 24; ++cycle) {
        ERect* rect = nullptr;
        ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 695);
        EXPECT_EQ(rect->bottom - rect->top, 350);
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, window.parent()), 1) << "cycle " << cycle;
        if (cycle % 5 == 4) { // some hosts open again without closing
            ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, window.parent()), 1);
        }
        for (int i = 0; i < 4; ++i) {
            window.sync();
            host.dispatch(effEditIdle);
        }
        EXPECT_EQ(window.children(), 1) << "cycle " << cycle;
        host.dispatch(effEditClose);
        window.sync();
        EXPECT_EQ(window.children(), 0) << "cycle " << cycle;
    }
    audio.stop();
    EXPECT_TRUE(audio.check.clean()) << audio.check.describe();
    EXPECT_EQ(xErrors.load(), 0);
    EXPECT_EQ(openDescriptors(), descriptors) << "display connections left open";
}

TEST(Threads, AutomationOfEveryParameterWhileTheEditorShows)
{
    HostWindow window;
    REQUIRE_X_SERVER(window);
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 64);
    xErrors = 0;
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, window.parent()), 1);

    AudioThread audio(host, 45);
    audio.start();
    std::atomic<bool> automating{true};
    const int64_t startBlocks = audio.blockCount();
    std::thread automation([&] {
        std::mt19937 rng(8);
        for (int round = 0; round < 60 || audio.blockCount() < startBlocks + 300; ++round) {
            for (int32_t p = 0; p < 47; ++p) {
                host.setParameter(p, randomValue(p, rng));
                (void)host.getParameter(p);
            }
            std::this_thread::yield();
        }
        automating.store(false);
    });
    int idles = 0;
    while (automating.load() || idles < 10) {
        window.sync();
        host.dispatch(effEditIdle);
        ++idles;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    automation.join();
    audio.stop();

    // Last word from an automation thread once audio has stopped: exactly
    // these values stay.
    std::vector<float> last(47);
    std::thread lastWriter([&] {
        std::mt19937 rng(9);
        for (int32_t p = 0; p < 47; ++p) {
            last[size_t(p)] = randomValue(p, rng);
            host.setParameter(p, last[size_t(p)]);
        }
    });
    lastWriter.join();
    for (int i = 0; i < 4; ++i) {
        window.sync();
        host.dispatch(effEditIdle);
    }
    for (int32_t p = 0; p < 47; ++p)
        EXPECT_EQ(host.getParameter(p), last[size_t(p)]) << "parameter " << p;
    host.dispatch(effEditClose);
    EXPECT_TRUE(audio.check.clean()) << audio.check.describe();
    EXPECT_EQ(xErrors.load(), 0);
}

// Instances of one module, each with its own random stream: what one
// renders does not depend on whether another renders at the same time on
// another core, and two instances playing the same notes do not play the
// same noise. (Together they once shared one stream: the renders depended
// on how the threads interleaved.)
TEST(Threads, InstancesRenderTheSameAloneOrTogetherAndNeverAlike)
{
    constexpr int32_t kFrames = 44100, kBlock = 256;
    const std::vector<VstMidiEvent> notes = {vemotest::TestHost::noteOn(0, 48), vemotest::TestHost::noteOn(17, 55),
                                             vemotest::TestHost::noteOn(300, 64),
                                             vemotest::TestHost::noteOff(30000, 55)};
    struct Take {
        std::vector<float> left, right;
    };
    // Both instances live during a pass, as tracks of a session do; the
    // first made in the process plays the first stream.
    auto pass = [&](bool together) {
        Host a, b;
        Take takes[2];
        Host* hosts[2] = {&a, &b};
        for (Host* h : hosts) {
            h->start(44100.0f, kBlock);
            h->setParameter(kParamNoiseVolume, 0.6f);
            h->setParameter(kParamLfoWaveform, 4.0f); // the random LFO draws too
            h->setParameter(kParamFilterLfo, 0.5f);
        }
        auto render = [&](int i) { hosts[i]->render(takes[i].left, takes[i].right, kFrames, kBlock, notes); };
        if (together) {
            std::thread other(render, 1);
            render(0);
            other.join();
        } else {
            render(0);
            render(1);
        }
        return std::array<Take, 2>{takes[0], takes[1]};
    };
    const auto apart = pass(false);
    const auto together = pass(true);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(apart[size_t(i)].left, together[size_t(i)].left) << "instance " << i;
        EXPECT_EQ(apart[size_t(i)].right, together[size_t(i)].right) << "instance " << i;
    }
    // Layered, the two must not phase-lock their noise: their difference
    // carries about as much as either alone.
    double difference = 0.0, level = 0.0;
    for (size_t f = 0; f < size_t(kFrames); ++f) {
        const double d = double(apart[0].left[f]) - double(apart[1].left[f]);
        difference += d * d;
        level += double(apart[0].left[f]) * double(apart[0].left[f]);
    }
    EXPECT_GT(level, 0.0);
    EXPECT_GT(difference, 0.01 * level);
}

// Two instances playing on two audio threads while a third thread automates
// both: the per-instance state is touched by its own audio thread alone
// (ThreadSanitizer proves it in its build), and both stay clean.
TEST(Threads, TwoInstancesOnTwoAudioThreadsWhileAThirdAutomatesBoth)
{
    Host a, b;
    ASSERT_NE(a.effect, nullptr) << a.error;
    ASSERT_NE(b.effect, nullptr) << b.error;
    a.start(44100.0f, 64);
    b.start(48000.0f, 128);
    AudioThread audioA(a, 51), audioB(b, 52, {}, 128);
    audioA.start();
    audioB.start();
    const int64_t startBlocks = audioA.blockCount();
    std::thread automation([&] {
        std::mt19937 rng(10);
        for (int round = 0; round < 40 || audioA.blockCount() < startBlocks + 300; ++round) {
            for (int32_t p = 0; p < 47; ++p) {
                a.setParameter(p, randomValue(p, rng));
                b.setParameter(p, randomValue(p, rng));
            }
            std::this_thread::yield();
        }
    });
    automation.join();
    audioA.stop();
    audioB.stop();
    EXPECT_TRUE(audioA.check.clean()) << audioA.check.describe();
    EXPECT_TRUE(audioB.check.clean()) << audioB.check.describe();
}

TEST(Editor, PluginClosedWithItsEditorStillOpen)
{
    // A host that destroys the plug-in without effEditClose: the window goes
    // with it, and nothing on the display is left behind or misused.
    HostWindow window;
    REQUIRE_X_SERVER(window);
    xErrors = 0;
    {
        Host host;
        ASSERT_NE(host.effect, nullptr) << host.error;
        host.start(44100.0f, 64);
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, window.parent()), 1);
        window.sync();
        host.dispatch(effEditIdle);
        EXPECT_EQ(window.children(), 1);
        host.dispatch(effMainsChanged, 0, 0);
        EXPECT_EQ(host.close(), 1);
    }
    window.sync();
    EXPECT_EQ(window.children(), 0);
    EXPECT_EQ(xErrors.load(), 0);
}

TEST(Editor, SurvivesWhatHostsDoToItsWindow)
{
    HostWindow window;
    REQUIRE_X_SERVER(window);
    xErrors = 0;
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 64);

    // No parent, or a window id that does not exist: no editor, and no X
    // error reaches the host's own handler.
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(0x3FFFFFF))), 0);
    host.dispatch(effEditIdle);
    host.dispatch(effEditClose);

    // The host destroys its window (and with it ours) before closing the
    // editor: idle and close must not touch the dead window.
    ::Window doomed = XCreateSimpleWindow(window.display, DefaultRootWindow(window.display), 0, 0,
                                          695, 350, 0, 0, 0);
    XMapWindow(window.display, doomed);
    window.sync();
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(doomed)), 1);
    host.dispatch(effEditIdle);
    XDestroyWindow(window.display, doomed);
    window.sync();
    for (int i = 0; i < 3; ++i)
        host.dispatch(effEditIdle);
    host.dispatch(effEditClose);

    // And the editor still opens normally afterwards.
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, window.parent()), 1);
    window.sync();
    host.dispatch(effEditIdle);
    EXPECT_EQ(window.children(), 1);
    host.dispatch(effEditClose);
    window.sync();
    EXPECT_EQ(window.children(), 0);
    EXPECT_EQ(xErrors.load(), 0);
}
