#include "tools/vemo-render/Demo.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <vector>

namespace vemo::render {

namespace {

constexpr int kQuarter = 480;
constexpr int kStep = kQuarter / 4; // a sixteenth
constexpr int kBar = 4 * kQuarter;
constexpr uint32_t kMicrosPerQuarter = 535714; // 112 BPM

class Composer {
public:
    explicit Composer(MidiSong& song) : song_(song) {}

    void note(uint64_t tick, uint64_t length, int key, int velocity)
    {
        add(tick, {uint8_t(0x90), uint8_t(key), uint8_t(velocity)});
        add(tick + length, {uint8_t(0x80), uint8_t(key), uint8_t(64)});
    }

    void chord(uint64_t tick, uint64_t length, const std::vector<int>& keys, int velocity)
    {
        for (int key : keys)
            note(tick, length, key, velocity);
    }

    void program(uint64_t tick, int index) { add(tick, {uint8_t(0xC0), uint8_t(index), 0}, 2); }

private:
    void add(uint64_t tick, std::initializer_list<uint8_t> bytes, uint8_t size = 3)
    {
        MidiMessage m;
        m.tick = tick;
        int i = 0;
        for (uint8_t b : bytes)
            m.bytes[i++] = b;
        m.size = size;
        song_.messages.push_back(m);
    }

    MidiSong& song_;
};

struct Step {
    int step;
    int key;
    int length; // sixteenths
};

} // namespace

DemoSong buildDemo(const std::function<int(const std::string&)>& findProgram)
{
    DemoSong demo;
    MidiSong& song = demo.song;
    song.format = 0;
    song.trackCount = 1;
    song.ticksPerQuarter = kQuarter;
    song.tempos.push_back({0, kMicrosPerQuarter});
    song.timeSignatures.push_back({0, 4, 4});
    Composer c(song);
    uint64_t t = 0;

    auto section = [&](const char* name, const char* role) {
        DemoSection s;
        s.programName = name;
        s.role = role;
        s.programIndex = findProgram(name);
        s.startTick = t;
        // Program numbers above 127 cannot travel as MIDI: such a sound is skipped.
        if (s.programIndex > 127)
            s.programIndex = -1;
        if (s.programIndex >= 0)
            c.program(t, s.programIndex);
        demo.sections.push_back(s);
    };

    // Bass: a syncopated sixteenth line in A.
    section("Funky Bass", "bass");
    for (int bar = 0; bar < 2; ++bar) {
        uint64_t b = t + uint64_t(bar) * kBar;
        const Step first[] = {{0, 33, 2}, {3, 33, 1}, {4, 45, 1}, {6, 43, 1}, {7, 45, 1},
                              {8, 33, 2}, {10, 36, 1}, {11, 38, 1}, {12, 40, 2}, {14, 43, 1}, {15, 45, 1}};
        const Step second[] = {{0, 33, 2}, {3, 33, 1}, {4, 45, 1}, {6, 43, 1}, {7, 45, 1},
                               {8, 29, 2}, {10, 41, 1}, {11, 29, 1}, {12, 38, 1}, {13, 36, 1}, {14, 35, 1}, {15, 31, 1}};
        for (const Step& s : bar == 0 ? std::span<const Step>(first) : std::span<const Step>(second))
            c.note(b + uint64_t(s.step) * kStep, uint64_t(s.length) * kStep - 20, s.key, s.step % 4 == 0 ? 112 : 92);
    }
    t += 2 * kBar + kBar / 2;

    // Lead: a sixteenth arpeggio over Am, F and G.
    section("Arp Lead", "lead");
    {
        const int am[] = {57, 60, 64, 69, 72, 69, 64, 60};
        const int f[] = {53, 57, 60, 65, 69, 65, 60, 57};
        const int g[] = {55, 59, 62, 67, 71, 67, 62, 59};
        const int* halves[] = {am, am, f, g};
        for (int h = 0; h < 4; ++h)
            for (int i = 0; i < 8; ++i)
                c.note(t + uint64_t(h * 8 + i) * kStep, kStep - 20, halves[h][i], i == 0 ? 110 : 90);
    }
    t += 2 * kBar + kBar / 2;

    // Pad: three sustained chords.
    section("Warm Pad", "pad");
    c.chord(t, kBar - 40, {57, 60, 64, 69}, 90);
    c.chord(t + kBar, kBar - 40, {53, 57, 60, 65}, 90);
    c.chord(t + 2 * kBar, kBar - 40, {55, 59, 62, 67}, 90);
    t += 4 * kBar;

    // Keys: chords on the beat under a little melody.
    section("21 Piano 1 Bank A", "keys");
    {
        const int melody[] = {76, 74, 72, 71, 72, 74, 76, 79, 77, 76, 74, 72, 71, 72, 74, 71};
        for (int i = 0; i < 16; ++i)
            c.note(t + uint64_t(i) * 2 * kStep, 2 * kStep - 30, melody[i], 100);
        c.chord(t, kQuarter * 2 - 30, {57, 60, 64}, 80);
        c.chord(t + 2 * kQuarter, kQuarter * 2 - 30, {57, 60, 64}, 72);
        c.chord(t + kBar, kQuarter * 2 - 30, {53, 57, 60}, 80);
        c.chord(t + kBar + 2 * kQuarter, kQuarter * 2 - 30, {55, 59, 62}, 72);
    }
    t += 2 * kBar + kBar / 2;

    // Brass: syncopated stabs.
    section("17 Brass Bank A", "brass");
    for (int bar = 0; bar < 2; ++bar) {
        uint64_t b = t + uint64_t(bar) * kBar;
        std::vector<int> keys = bar == 0 ? std::vector<int>{57, 60, 64, 69} : std::vector<int>{55, 59, 62, 67};
        c.chord(b, 2 * kStep, keys, 110);
        c.chord(b + 6 * kStep, 2 * kStep, keys, 100);
        c.chord(b + 12 * kStep, 4 * kStep - 30, keys, 115);
    }
    t += 2 * kBar + kBar / 2;

    // Flute: a legato phrase.
    section("Fluet", "flute");
    {
        const Step phrase[] = {{0, 69, 4}, {4, 72, 2}, {6, 71, 2}, {8, 69, 4}, {12, 67, 4},
                               {16, 64, 8}, {24, 69, 8}};
        for (const Step& s : phrase)
            c.note(t + uint64_t(s.step) * kStep, uint64_t(s.length) * kStep - 10, s.key, 96);
    }
    t += 2 * kBar + kBar / 2;

    // Effects: three shots.
    section("Laser Gun FX", "effects");
    c.note(t, kQuarter, 72, 120);
    c.note(t + kQuarter, kQuarter, 67, 120);
    c.note(t + 2 * kQuarter, 2 * kQuarter, 60, 120);
    t += kBar + kBar / 2;

    // Acid: a resonant sixteenth line to close.
    section("Too much acid", "acid");
    {
        const int line[] = {33, 45, 33, 43, 33, 45, 48, 33, 36, 33, 45, 33, 43, 40, 38, 36};
        for (int bar = 0; bar < 2; ++bar)
            for (int i = 0; i < 16; ++i)
                c.note(t + uint64_t(bar * 16 + i) * kStep, kStep - 30, line[i] + (bar == 1 && i >= 8 ? 5 : 0),
                       i % 4 == 0 ? 120 : 85);
    }
    t += 2 * kBar;

    std::stable_sort(song.messages.begin(), song.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    for (const MidiMessage& m : song.messages)
        song.lastTick = std::max(song.lastTick, m.tick);
    song.endTick = t;
    return demo;
}

} // namespace vemo::render
