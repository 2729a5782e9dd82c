// vemo-standalone as a musician runs it, against the test JACK server (dummy
// back-end, 48000 Hz, 256 frames): notes through JACK MIDI at their pitch
// and frame, a restarted server at another rate, program changes from MIDI,
// the bank kept across quits and signals, a damaged bank, no display, and
// the editor's window under Xvfb.
#include "StandaloneFixture.h"

#include "support/Signal.h"
#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/PresetFile.h"
#include "tools/vemo-render/PresetIO.h"
#include "tools/vemo-standalone/BankStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <thread>

// After our headers: Xlib defines macros such as None and Status.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

using namespace standalonetest;
using namespace std::chrono_literals;
using vemo::render::PluginHost;

namespace {

constexpr int kDefaultProgram = 72; // "default": a plain sawtooth, filter open, no chorus
constexpr int kOrganProgram = 23;   // "14 Organ 1 Bank A": sounds an octave lower
constexpr uint8_t kNote = 69;       // A4, 440 Hz
constexpr auto kLong = 60s;         // for anything that waits on a loaded machine

// One note as the standalone played it: the recording from the note-on on.
struct Take {
    uint32_t noteOn = 0; // frame time it was sent at
    std::vector<float> left, right;
};

class StandaloneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vemo-standalone-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        // The probe and the standalone meet on the suite's server only.
        setenv("JACK_DEFAULT_SERVER", VEMO_TEST_JACK_SERVER, 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        // Every test starts with the server as the suite started it.
        if (serverRate() != 48000) {
            ASSERT_TRUE(restartServer(48000)) << "the test JACK server did not come back";
        }
        std::string error;
        ASSERT_TRUE(probe.open(error)) << error;
    }
    void TearDown() override
    {
        probe.close();
        std::error_code ignored;
        fs::remove_all(home, ignored);
    }

    std::unique_ptr<Standalone> start(const std::vector<std::string>& args, const std::string& display = "")
    {
        auto s = std::make_unique<Standalone>(home, args, display);
        EXPECT_TRUE(s->waitForPorts(probe, kLong)) << s->output();
        EXPECT_TRUE(probe.connectTo(s->name()));
        return s;
    }

    // Plays one note (0.1 s from now, held `seconds`) and records it and a
    // little more.
    Take play(uint8_t note = kNote, double seconds = 0.6)
    {
        Take take;
        const uint32_t rate = probe.rate();
        // An odd frame offset: the note falls inside a period, not on its start.
        const uint32_t at = probe.now() + rate / 10 + 77;
        const int on = probe.send(at, 0x90, note, 100);
        probe.send(at + uint32_t(seconds * rate), 0x80, note, 0);
        EXPECT_TRUE(probe.waitSent(on, kLong));
        take.noteOn = probe.sentAt(on);
        const uint32_t length = uint32_t((seconds + 0.1) * rate);
        EXPECT_TRUE(probe.waitRecorded(take.noteOn + length, kLong));
        take.left = probe.recorded(0, take.noteOn, length);
        take.right = probe.recorded(1, take.noteOn, length);
        // A silent take says when the note went out and what was recorded,
        // so that a miss can be told from a late or lost connection.
        float peak = 0.0f;
        for (float x : take.left)
            peak = std::max(peak, std::fabs(x));
        EXPECT_GT(peak, 0.0f) << "silent take: note " << int(note) << " asked for frame " << at << ", sent at "
                              << take.noteOn << ", recorded until " << probe.recordedUntil() << ", now "
                              << probe.now();
        return take;
    }

    // Sends a message now and waits until it went out.
    void sendNow(uint8_t status, uint8_t data1, uint8_t data2 = 0)
    {
        const int index = probe.send(probe.now() + probe.rate() / 20, status, data1, data2);
        ASSERT_TRUE(probe.waitSent(index, kLong));
    }

    // The pitch of the held part of a take (after the attack).
    double pitch(const Take& take) const
    {
        const double rate = probe.rate();
        return vemotest::estimatePitch(take.left, rate, size_t(0.25 * rate), size_t(0.55 * rate));
    }

    fs::path home;
    JackProbe probe;
};

// One MIDI message as the VstEvents of a block, for the module played offline.
struct OneMessage {
    OneMessage(int offset, uint8_t status, uint8_t data1, uint8_t data2)
    {
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.deltaFrames = offset;
        event.midiData[0] = char(status);
        event.midiData[1] = char(data1);
        event.midiData[2] = char(data2);
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&event);
    }
    VstEvents* events() { return reinterpret_cast<VstEvents*>(&list); }

    VstMidiEvent event{};
    struct {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[2];
    } list{};
};

// Frames from a note-on to the first sample above `threshold`, rendered
// offline by the module itself (the reference for the standalone's timing).
size_t offlineOnset(double rate, double threshold)
{
    PluginHost host(VEMO_MODULE_PATH, rate, 256);
    host.setProgram(kDefaultProgram);
    host.resume();
    OneMessage on(100, 0x90, kNote, 100);
    // A second of silence first: the program's smoothed values settle as
    // they have in the standalone by the time a note comes.
    const int settle = int(rate) / 256;
    std::vector<float> out;
    for (int block = 0; block < settle + 40; ++block) {
        host.processBlock(block == settle ? on.events() : nullptr, 256);
        if (block >= settle)
            out.insert(out.end(), host.outputs()[0], host.outputs()[0] + 256);
    }
    return vemotest::firstAbove(out, threshold) - 100;
}

// How bright a sound is: the level of its slope against its level (a
// closed filter leaves the slope small).
double brightness(const std::vector<float>& x, size_t from, size_t to)
{
    std::vector<float> slope;
    for (size_t i = from + 1; i < to && i < x.size(); ++i)
        slope.push_back(x[i] - x[i - 1]);
    const double level = vemotest::rms(x, from, to);
    return level > 0.0 ? vemotest::rms(slope) / level : 0.0;
}

int32_t bankCurrentProgram(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 32)
        return -1;
    return int32_t(uint32_t(bytes[28]) << 24 | uint32_t(bytes[29]) << 16 | uint32_t(bytes[30]) << 8 | bytes[31]);
}

std::vector<uint8_t> bankChunk(const std::vector<uint8_t>& bytes)
{
    return vemo::render::parsePreset(bytes).chunk;
}

} // namespace

TEST_F(StandaloneTest, PlaysANoteAtItsPitchAndAtItsFrame)
{
    auto vemo = start({"--no-gui", "--program", std::to_string(kDefaultProgram)});
    const Take take = play();
    ASSERT_TRUE(vemotest::allFinite(take.left) && vemotest::allFinite(take.right));

    const double hz = pitch(take);
    EXPECT_NEAR(hz, 440.0, 0.44) << "pitch";
    EXPECT_NEAR(vemotest::estimatePitch(take.right, probe.rate(), 12000, 26400), 440.0, 0.44);

    // Latency: where the sound starts in the recording, against where the
    // module starts it offline, in frames from the note-on's JACK offset.
    constexpr double kThreshold = 1e-3;
    const size_t live = vemotest::firstAbove(take.left, kThreshold);
    const size_t reference = offlineOnset(48000.0, kThreshold);
    ASSERT_NE(live, size_t(-1));
    const long latency = long(live) - long(reference);
    std::printf("[ measured ] note-on to sound: %zu frames live, %zu offline: latency %ld frames "
                "(one period is 256)\n", live, reference, latency);
    RecordProperty("latency_frames", int(latency));
    EXPECT_GE(latency, -2);
    EXPECT_LE(latency, 256);

    EXPECT_EQ(vemo->stop(SIGINT), 0) << vemo->output();
}

TEST_F(StandaloneTest, FollowsTheServerToAnotherBlockSizeAndRateAndKeepsThePitch)
{
    auto vemo = start({"--no-gui", "--program", std::to_string(kDefaultProgram)});
    EXPECT_NEAR(pitch(play()), 440.0, 0.44);

    // Another period while it plays.
    ASSERT_TRUE(probe.setBufferSize(128));
    ASSERT_TRUE(vemo->waitForOutput("JACK now runs at 48000 Hz, 128 frames", kLong)) << vemo->output();
    EXPECT_NEAR(pitch(play()), 440.0, 0.44) << "pitch with 128-frame periods";

    probe.close();
    ASSERT_TRUE(restartServer(96000));
    ASSERT_TRUE(vemo->waitForOutput("JACK is back: 96000 Hz", kLong)) << vemo->output();
    std::string error;
    ASSERT_TRUE(probe.open(error)) << error;
    ASSERT_EQ(probe.rate(), 96000u);
    ASSERT_TRUE(probe.connectTo(vemo->name()));
    const Take take = play();
    EXPECT_NEAR(pitch(take), 440.0, 0.44) << "pitch at 96000 Hz";
    EXPECT_GT(vemotest::rms(take.left, 24000, 48000), 0.01);

    probe.close();
    ASSERT_TRUE(restartServer(48000));
    ASSERT_TRUE(vemo->waitForOutput("JACK is back: 48000 Hz", kLong)) << vemo->output();
    ASSERT_TRUE(probe.open(error)) << error;
    ASSERT_TRUE(probe.connectTo(vemo->name()));
    EXPECT_NEAR(pitch(play()), 440.0, 0.44) << "pitch back at 48000 Hz";
    EXPECT_EQ(vemo->stop(SIGTERM), 0) << vemo->output();
}

TEST_F(StandaloneTest, AProgramChangeFromMidiChangesTheSoundAndIsKeptAtOnce)
{
    auto vemo = start({"--no-gui", "--program", std::to_string(kDefaultProgram)});
    const Take before = play();
    sendNow(0xC0, kOrganProgram);
    ASSERT_TRUE(vemo->waitForOutput("Program 23 '14 Organ 1 Bank A'", kLong)) << vemo->output();
    // Saved on the change, while it plays on.
    const fs::path bank = bankFile(home);
    ASSERT_TRUE(fs::exists(bank));
    EXPECT_EQ(bankCurrentProgram(fileBytes(bank)), kOrganProgram);

    const Take after = play();
    EXPECT_NEAR(pitch(before), 440.0, 0.44);
    EXPECT_NEAR(pitch(after), 220.0, 0.22); // the organ's register
    EXPECT_EQ(vemo->stop(SIGTERM), 0) << vemo->output();
}

TEST_F(StandaloneTest, KeepsTheBankByteForByteAcrossQuitsAndSignals)
{
    // A bank of our own: a renamed program, a changed sound and a MIDI learn
    // binding (controller 21 on CUTOFF) in the current program.
    const fs::path mine = home / "mine.fxb";
    {
        PluginHost host(VEMO_MODULE_PATH, 48000.0, 256);
        host.setProgram(kDefaultProgram);
        host.setCurrentProgramName("My Sound");
        host.setParameter(46, 1.0f); // learn into this program
        host.setParameter(12, 0.3f); // the control touched last: CUTOFF
        host.resume();
        OneMessage cc(0, 0xB0, 21, 50);
        host.processBlock(cc.events(), 256);
        host.setParameter(46, 0.0f);
        vemo::render::savePresetFile(host, mine.string(), true);
    }
    const std::vector<uint8_t> mineBytes = fileBytes(mine);

    const fs::path bank = bankFile(home);
    {
        auto vemo = start({"--no-gui", "--bank", mine.string()});
        EXPECT_TRUE(vemo->waitForOutput("Program 72 'My Sound', from " + mine.string(), kLong)) << vemo->output();
        EXPECT_EQ(vemo->stop(SIGTERM), 0) << vemo->output();
    }
    const std::vector<uint8_t> first = fileBytes(bank);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(bankChunk(first), bankChunk(mineBytes)) << "names, sounds and bindings as loaded";
    EXPECT_EQ(bankCurrentProgram(first), kDefaultProgram);

    // Restarted without --bank: the kept bank, and quitting keeps it as it was.
    for (int signal : {SIGINT, SIGTERM}) {
        auto vemo = start({"--no-gui"});
        EXPECT_TRUE(vemo->waitForOutput("Program 72 'My Sound', from " + bank.string(), kLong)) << vemo->output();
        EXPECT_EQ(vemo->stop(signal), 0) << vemo->output();
        EXPECT_EQ(fileBytes(bank), first) << "after signal " << signal;
    }

    // The learned controller still works from the kept bank: controller 21
    // opens and closes the filter.
    {
        auto vemo = start({"--no-gui"});
        sendNow(0xB0, 21, 127);
        const double open = brightness(play().left, 4800, 24000);
        sendNow(0xB0, 21, 20);
        const double closed = brightness(play().left, 4800, 24000);
        EXPECT_LT(closed, 0.7 * open);
        EXPECT_EQ(vemo->stop(SIGTERM), 0) << vemo->output();
    }
}

TEST_F(StandaloneTest, ADamagedBankIsRefusedAndLeftAsItIs)
{
    // A real bank cut short, and one of another plug-in.
    std::vector<uint8_t> good;
    {
        PluginHost host(VEMO_MODULE_PATH, 48000.0, 256);
        good = vemo::render::writePreset(vemo::render::capturePreset(host, true));
    }
    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    std::vector<uint8_t> foreign = good;
    foreign[16] ^= 0x55; // fxID

    const fs::path bank = bankFile(home);
    for (const auto& damaged : {truncated, foreign}) {
        fs::create_directories(bank.parent_path());
        vemo::standalone::writeFileAtomically(bank.string(), damaged);
        auto vemo = start({"--no-gui"});
        EXPECT_TRUE(vemo->waitForOutput("from the factory bank", kLong)) << vemo->output();
        const std::string said = vemo->output();
        EXPECT_NE(said.find("warning: " + bank.string() + ": "), std::string::npos) << said;
        EXPECT_NE(said.find("left as it is"), std::string::npos) << said;
        // A program change and a quit, which would normally save.
        sendNow(0xC0, 3);
        EXPECT_TRUE(vemo->waitForOutput("Program 3", kLong));
        EXPECT_EQ(vemo->stop(SIGTERM), 0) << said;
        EXPECT_EQ(fileBytes(bank), damaged);
    }

    // Asked for by name, a damaged bank is an error; the kept one is not touched.
    vemo::standalone::writeFileAtomically(bank.string(), good);
    const fs::path broken = home / "broken.fxb";
    vemo::standalone::writeFileAtomically(broken.string(), truncated);
    Standalone refused(home, {"--no-gui", "--bank", broken.string()});
    EXPECT_EQ(refused.wait(kLong), 1);
    EXPECT_NE(refused.output().find(broken.string() + ": "), std::string::npos) << refused.output();
    EXPECT_EQ(fileBytes(bank), good);
}

TEST_F(StandaloneTest, WithoutADisplayItPlaysHeadless)
{
    // No DISPLAY and no --no-gui: it says so and plays on.
    auto vemo = start({"--program", std::to_string(kDefaultProgram)});
    EXPECT_NE(vemo->output().find("no X display"), std::string::npos) << vemo->output();
    EXPECT_NEAR(pitch(play()), 440.0, 0.44) << vemo->output();
    EXPECT_EQ(vemo->stop(SIGTERM), 0) << vemo->output();
}

// ------------------------------------------------------------ the editor

namespace {

std::string displayName()
{
    std::ifstream in(fs::path(VEMO_TEST_SERVICES_DIR) / "display");
    std::string name;
    std::getline(in, name);
    return name;
}

// The top-level window whose title starts with `prefix`; 0 if none.
Window findWindow(Display* display, const std::string& prefix, std::string* title = nullptr)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::string(name).rfind(prefix, 0) == 0) {
                found = children[i];
                if (title)
                    *title = name;
            }
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace

TEST_F(StandaloneTest, TheEditorWindowOpensAndAClickOnAControlChangesTheSound)
{
    const std::string name = displayName();
    ASSERT_FALSE(name.empty()) << "the suite's Xvfb did not start";
    Display* display = XOpenDisplay(name.c_str());
    ASSERT_NE(display, nullptr) << name;
    auto vemo = start({"--program", std::to_string(kDefaultProgram)}, name);

    Window window = 0;
    std::string title;
    ASSERT_TRUE(waitFor([&] { return (window = findWindow(display, "VEMO - ", &title)) != 0; }, kLong))
        << vemo->output();
    EXPECT_EQ(title, "VEMO - default");
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    EXPECT_EQ(attributes.width, 695);
    EXPECT_EQ(attributes.height, 350);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, window, &hints, &supplied));
    EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize)) << "not resizable";
    EXPECT_EQ(hints.min_width, 695);
    EXPECT_EQ(hints.max_width, 695);
    EXPECT_EQ(hints.min_height, 350);
    EXPECT_EQ(hints.max_height, 350);

    const Take open = play();
    const double openBrightness = brightness(open.left, 4800, 24000);

    // A click on the cutoff slider where its handle shows 0.25. The editor
    // reads the click at its next idle call: the sound is played again
    // until it shows (a few tries at most).
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 296, 304, &x, &y, &child);
    double darkBrightness = openBrightness;
    for (int attempt = 0; attempt < 5 && darkBrightness > 0.7 * openBrightness; ++attempt) {
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XTestFakeButtonEvent(display, 1, False, 0);
        XSync(display, False);
        std::this_thread::sleep_for(200ms);
        darkBrightness = brightness(play().left, 4800, 24000);
    }
    std::printf("[ measured ] brightness %.4f before the click, %.4f after\n", openBrightness, darkBrightness);
    EXPECT_LT(darkBrightness, 0.7 * openBrightness);

    // The title follows the program.
    sendNow(0xC0, kOrganProgram);
    EXPECT_TRUE(waitFor(
        [&] {
            std::string now;
            findWindow(display, "VEMO - ", &now);
            return now == "VEMO - 14 Organ 1 Bank A";
        },
        kLong));

    // Closing the window quits, and the bank keeps the click.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &close);
    XSync(display, False);
    EXPECT_EQ(vemo->wait(kLong), 0) << vemo->output();
    XCloseDisplay(display);

    PluginHost host(VEMO_MODULE_PATH, 48000.0, 256);
    vemo::standalone::loadBank(host, bankFile(home).string());
    EXPECT_EQ(host.currentProgram(), kOrganProgram);
    host.setProgram(kDefaultProgram);
    EXPECT_FLOAT_EQ(host.getParameter(12), 0.25f);
}

// ------------------------------------------------------------ the LV2 plug-in in jalv

namespace {

// A window of exactly width x height anywhere under `window`; 0 if none.
Window findBySize(Display* display, Window window, int width, int height)
{
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, window, &a) && a.width == width && a.height == height &&
        a.map_state == IsViewable)
        return window;
    Window root = 0, parent = 0, found = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i)
        found = findBySize(display, children[i], width, height);
    if (children)
        XFree(children);
    return found;
}

} // namespace

// jalv, the reference JACK host of LV2 plug-ins, loads the bundle of this
// build, shows the editor embedded in its window, and plays a JACK MIDI note
// at its pitch (the sound set through its own control options).
// --scale 2: the window and the editor in it at twice the panel's size, of
// one size only; the size chosen in the editor's menu resizes the window
// (the standalone agrees to every size its editor asks for).
TEST_F(StandaloneTest, TheEditorOpensAtTheScaleAskedForAndFollowsTheSizeMenu)
{
    const std::string name = displayName();
    ASSERT_FALSE(name.empty()) << "the suite's Xvfb did not start";
    Display* display = XOpenDisplay(name.c_str());
    ASSERT_NE(display, nullptr) << name;
    auto vemo = start({"--scale", "2"}, name);
    Window window = 0;
    ASSERT_TRUE(waitFor([&] { return (window = findWindow(display, "VEMO - ", nullptr)) != 0; }, kLong))
        << vemo->output();
    auto sizeIs = [&](int w, int h) {
        XWindowAttributes a{};
        XSizeHints hints{};
        long supplied = 0;
        return XGetWindowAttributes(display, window, &a) && a.width == w && a.height == h &&
               XGetWMNormalHints(display, window, &hints, &supplied) && hints.min_width == w && hints.max_width == w;
    };
    EXPECT_TRUE(waitFor([&] { return sizeIs(1390, 700); }, kLong));
    EXPECT_TRUE(waitFor([&] { return findBySize(display, window, 1390, 700) != 0; }, kLong)) << "the editor inside";

    // Right click on the panel's background at (20, 200), then "Size 150 %",
    // the third entry of the list that opens below the pointer.
    auto clickAt = [&](int panelX, int panelY, unsigned button) {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 2 * panelX, 2 * panelY, &x, &y, &child);
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, 0);
        XTestFakeButtonEvent(display, button, True, 0);
        XTestFakeButtonEvent(display, button, False, 0);
        XSync(display, False);
        std::this_thread::sleep_for(300ms);
    };
    clickAt(20, 200, 3);
    clickAt(30, 200 + 2 + 2 * 11 + 5, 1);
    EXPECT_TRUE(waitFor([&] { return sizeIs(1043, 525); }, kLong)) << "the window follows the chosen size";
    EXPECT_TRUE(waitFor([&] { return findBySize(display, window, 1043, 525) != 0; }, kLong));
    XCloseDisplay(display);
}

TEST_F(StandaloneTest, TheLv2PluginPlaysInJalvWithItsEditorEmbedded)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "jalv is not built with the sanitizer this bundle needs";
#endif
    const std::string name = displayName();
    ASSERT_FALSE(name.empty()) << "the suite's Xvfb did not start";
    auto jalv = std::make_unique<Standalone>(
        home, std::vector<std::string>{"-c", "octave=0.5", "-c", "sub_osc=0", "urn:kestrune:vemo"}, name,
        Standalone::Host::Jalv);
    ASSERT_TRUE(jalv->waitForPorts(probe, kLong)) << jalv->output();
    ASSERT_TRUE(probe.connectTo(jalv->name()));

    const Take take = play();
    ASSERT_TRUE(vemotest::allFinite(take.left) && vemotest::allFinite(take.right));
    EXPECT_NEAR(pitch(take), 440.0, 0.44) << jalv->output();
    EXPECT_GT(vemotest::rms(take.left, size_t(0.2 * probe.rate()), size_t(0.5 * probe.rate())), 0.01);

    Display* display = XOpenDisplay(name.c_str());
    ASSERT_NE(display, nullptr) << name;
    EXPECT_TRUE(waitFor([&] { return findBySize(display, DefaultRootWindow(display), 695, 350) != 0; }, kLong))
        << "no 695 x 350 editor window in jalv's window\n" << jalv->output();
    XCloseDisplay(display);
    EXPECT_EQ(jalv->stop(SIGTERM), 0) << jalv->output();
}
