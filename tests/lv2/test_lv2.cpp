// The LV2 plug-in as LV2 hosts drive it (lilv, lv2/Lv2Host.h), held against
// the VST 2.x module as the reference: the same score gives the same samples,
// a preset is its factory program, a state saved to a folder comes back
// whole, a damaged one changes nothing; and the LV2 tools read the bundle's
// description without complaint.
//
// Each render is made by the only live instance of its module, the
// reference first and destroyed before the LV2 instance is made: every
// engine draws noise from the stream its number in its module says.
#include "core/FactoryBank.h"
#include "core/ProgramRecord.h"
#include "lv2/Lv2Host.h"
#include "support/FaceScore.h"
#include "support/TestHost.h"
#include "tools/vemo-render/Demo.h"
#include "tools/vemo-render/Renderer.h"
#include "tools/vemo-render/TempoMap.h"
#include "voice/ParameterTable.h"

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>

using vemotest::Lv2Bundle;
using vemotest::Lv2Host;
using vemotest::Lv2Property;
using vemotest::renderVst;
using vemotest::Score;
using vemotest::ScoreChange;
using vemotest::Take;
using vemotest::TestHost;

namespace {

constexpr uint32_t kProgramPort = 4;
constexpr uint32_t kFirstParameterPort = 5;
constexpr const char* kBankKey = "urn:kestrune:vemo#bank";
constexpr const char* kPortValuesKey = "urn:kestrune:vemo#portValues";
constexpr const char* kProgramKey = "urn:kestrune:vemo#program";

// ------------------------------------------------------------------ scores

// Every change in the scores sets a value other than the one written last
// to that parameter (program 0's at first), so that the LV2 face, which
// applies a port only when it moved, takes exactly the changes the
// reference takes.

void runBlock(Lv2Host& host, const std::vector<VstMidiEvent>& events, float* left, float* right, int32_t n)
{
    std::vector<vemotest::Lv2Midi> midi;
    for (const VstMidiEvent& e : events) {
        const auto status = uint8_t(e.midiData[0]);
        // Program change and channel pressure carry one data byte.
        const uint32_t size = (status & 0xE0) == 0xC0 ? 2 : 3;
        midi.push_back({uint32_t(e.deltaFrames),
                        {status, uint8_t(e.midiData[1]), uint8_t(e.midiData[2])},
                        size});
    }
    host.run(left, right, uint32_t(n), midi);
}

// Plays the score through the LV2 host in blocks of `block` frames; the
// changes due go into the ports, then `beforeBlock(start)` runs.
Take play(Lv2Host& host, const Score& score, int32_t block, const std::function<void(int32_t)>& beforeBlock = {})
{
    return vemotest::playScore(score, block, [&](int32_t start, auto& due, auto& events, float* l, float* r, int32_t n) {
        for (const ScoreChange& c : due)
            host.control(kFirstParameterPort + uint32_t(c.parameter)) = c.value;
        if (beforeBlock)
            beforeBlock(start);
        runBlock(host, events, l, r, n);
    });
}

::testing::AssertionResult sameSound(const Take& lv2, const Take& vst) { return vemotest::sameSound(lv2, vst, "LV2"); }

// A chord with notes inside blocks, a bend, the pedal holding two released
// keys, the learned controllers 40 (CUTOFF) and 42 (RESONANCE), a program
// change with a note right after it, all-notes-off, and parameters set
// before and after the program change.
Score playedScore()
{
    Score s;
    s.frames = 50000;
    s.midi = {TestHost::noteOn(100, 48),         TestHost::noteOn(1234, 55, 90),
              TestHost::noteOn(2047, 60, 70),    TestHost::noteOn(2049, 64, 127),
              TestHost::midi(5000, 0xE0, 0, 100), TestHost::midi(9000, 0xE0, 0, 64),
              TestHost::midi(10000, 0xB0, 64, 127), TestHost::noteOff(11000, 48),
              TestHost::noteOff(11001, 55),      TestHost::noteOn(12000, 67),
              TestHost::midi(16000, 0xB0, 64, 0), TestHost::midi(18000, 0xB0, 40, 20),
              TestHost::midi(19000, 0xB0, 40, 100), TestHost::midi(19500, 0xB0, 42, 90),
              TestHost::midi(22000, 0xC0, 5, 0), TestHost::noteOn(22001, 50),
              TestHost::noteOff(30000, 50),      TestHost::midi(34000, 0xB0, 123, 0),
              TestHost::noteOn(36000, 72),       TestHost::noteOff(44000, 72)};
    s.changes = {{3000, kParamCutoff, 0.31f},
                 {7000, kParamLfoRate, 0.77f},
                 {7000, kParamOscLfo, 0.42f},
                 {26000, kParamResonance, 0.66f},
                 {37000, kParamCutoff, 0.83f}};
    return s;
}

// vemo-render's demo: the tour of the factory bank, its sounds switched by
// MIDI program changes, at the frames vemo-render plays them.
Score demoScore(double rate)
{
    const vemo::render::DemoSong demo = vemo::render::buildDemo([](const std::string& name) {
        for (int p = 0; p < kNumPrograms; ++p)
            if (name == std::string(factoryBank()[p].name, strnlen(factoryBank()[p].name, kProgramNameBytes)))
                return p;
        return -1;
    });
    const vemo::render::TempoMap map(demo.song, 120.0);
    Score s;
    for (const vemo::render::TimedMessage& m : vemo::render::scheduleSong(demo.song, map, rate))
        s.midi.push_back(TestHost::midi(int32_t(m.frame), m.bytes[0], m.bytes[1], m.bytes[2]));
    s.frames = (s.midi.empty() ? 0 : s.midi.back().deltaFrames) + int32_t(rate);
    return s;
}

// A random patch (switches on or off, every other value anywhere in its
// range, the noise on) and a random score: notes, controllers (the pedal,
// the learned ones, all-notes-off among them), bends, a program change, and
// changes to the continuous values between blocks.
Score randomScore(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    auto anywhere = [&](int32_t p) {
        const ParameterInfo& info = kParameterTable[p];
        return std::uniform_real_distribution<float>(info.minimum, info.maximum)(rng);
    };
    Score s;
    s.frames = 40000;
    std::vector<float> written(factoryBank()[0].parameter, factoryBank()[0].parameter + kNumParameters);
    auto change = [&](int32_t frame, int32_t p, float value) {
        if (value != written[size_t(p)])
            s.changes.push_back({frame, p, value});
        written[size_t(p)] = value;
    };
    for (int32_t p = 0; p < kNumParameters; ++p)
        change(0, p, kParameterTable[p].kind == ParameterKind::Switch ? float(pick(2)) : anywhere(p));
    change(0, kParamNoiseVolume, std::uniform_real_distribution<float>(0.3f, 1.0f)(rng));
    change(0, kParamVolume, std::uniform_real_distribution<float>(0.5f, 1.0f)(rng));

    for (int k = 0; k < 24; ++k) {
        const int32_t on = pick(s.frames - 2000), note = 36 + pick(49);
        s.midi.push_back(TestHost::noteOn(on, note, 1 + pick(127)));
        s.midi.push_back(TestHost::noteOff(on + 1 + pick(8000), note));
    }
    const int controllers[] = {1, 40, 42, 64, 64, 7, 123};
    for (int k = 0; k < 16; ++k)
        s.midi.push_back(TestHost::midi(pick(s.frames), 0xB0, uint8_t(controllers[pick(7)]), uint8_t(pick(128))));
    for (int k = 0; k < 6; ++k)
        s.midi.push_back(TestHost::midi(pick(s.frames), 0xE0, uint8_t(pick(128)), uint8_t(pick(128))));
    s.midi.push_back(TestHost::midi(pick(s.frames), 0xC0, uint8_t(pick(kNumPrograms)), 0));

    // Later changes in frame order, so that each differs from the last.
    std::vector<int32_t> frames;
    for (int k = 0; k < 10; ++k)
        frames.push_back(1 + pick(s.frames - 1));
    std::sort(frames.begin(), frames.end());
    for (int32_t frame : frames) {
        int32_t p;
        do
            p = pick(kNumParameters);
        while (kParameterTable[p].kind == ParameterKind::Switch || p == kParamVolume || p == kParamNoiseVolume);
        change(frame, p, anywhere(p));
    }
    return s;
}

// A short chord for sounds set up before it.
Score chordScore()
{
    Score s;
    s.frames = 12288;
    s.midi = {TestHost::noteOn(0, 48), TestHost::noteOn(37, 55), TestHost::noteOn(300, 64),
              TestHost::noteOff(8000, 48), TestHost::noteOff(8000, 55), TestHost::noteOff(8000, 64)};
    return s;
}

std::vector<uint8_t> bytesOf(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

Lv2Property* property(std::vector<Lv2Property>& properties, const char* key)
{
    for (Lv2Property& p : properties)
        if (p.key == key)
            return &p;
    return nullptr;
}

std::vector<Lv2Property> stateOf(const std::vector<uint8_t>& bank, int32_t program)
{
    return {{kBankKey, LV2_ATOM__Chunk, bank}, {kProgramKey, LV2_ATOM__Int, bytesOf(&program, sizeof program)}};
}

// "" when the states are equal, else where they first part: the property,
// and in the bank the program and field with both values.
std::string stateDifference(const std::vector<Lv2Property>& got, const std::vector<Lv2Property>& want)
{
    std::ostringstream out;
    for (const Lv2Property& w : want) {
        auto g = std::find_if(got.begin(), got.end(), [&](const Lv2Property& p) { return p.key == w.key; });
        if (g == got.end()) {
            out << w.key << " missing";
        } else if (g->type != w.type || g->value.size() != w.value.size()) {
            out << w.key << ": " << g->type << " of " << g->value.size() << " bytes, not " << w.type << " of "
                << w.value.size();
        } else if (g->value != w.value) {
            const size_t at = size_t(std::mismatch(g->value.begin(), g->value.end(), w.value.begin()).first -
                                     g->value.begin());
            out << w.key << " differs at byte " << at;
            const size_t field = at % sizeof(ProgramRecord) & ~size_t(3);
            if (w.key == kBankKey && field >= offsetof(ProgramRecord, parameter) &&
                field < offsetof(ProgramRecord, controllerMap)) {
                const size_t base = at - at % sizeof(ProgramRecord) + field;
                float a, b;
                std::memcpy(&a, &g->value[base], 4);
                std::memcpy(&b, &w.value[base], 4);
                out << ": program " << at / sizeof(ProgramRecord) << ", "
                    << kParameterTable[(field - offsetof(ProgramRecord, parameter)) / 4].title << " " << a
                    << ", not " << b;
            }
        } else {
            continue;
        }
        return out.str();
    }
    // The control values the plug-in had taken from its ports may come
    // along with a saved state; nothing else may.
    auto others = [](const std::vector<Lv2Property>& ps) {
        return std::count_if(ps.begin(), ps.end(), [](const Lv2Property& p) { return p.key != kPortValuesKey; });
    };
    return others(got) == others(want) ? "" : "other properties besides";
}

std::string programName(int32_t program)
{
    const char* name = factoryBank()[program].name;
    return std::string(name, strnlen(name, kProgramNameBytes));
}

// The factory bank's empty slots, which get no preset.
bool isEmptySlot(int32_t program) { return programName(program) == "default"; }

std::vector<uint8_t> factoryBankBytes() { return bytesOf(factoryBank(), kBankChunkBytes); }

void setFloat(std::vector<uint8_t>& bank, int32_t program, int32_t parameter, float value)
{
    std::memcpy(bank.data() + size_t(program) * sizeof(ProgramRecord) + offsetof(ProgramRecord, parameter) +
                    sizeof(float) * size_t(parameter),
                &value, sizeof value);
}

// A folder of its own under the temporary folder, gone with the object.
struct TempDir {
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vemo-lv2-XXXXXX").string();
        path = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempDir()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
    std::string path;
};

// ------------------------------------------------------------------ renders

TEST(Lv2Render, EqualsTheVstModuleSampleForSample)
{
    constexpr uint32_t kDemo = ~0u;
    struct Row {
        float rate;
        int32_t block;
        uint32_t seed; // 0: the played score, kDemo: the demo, else a random patch and score
    };
    const Row rows[] = {
        {44100.0f, 1, 0},   {44100.0f, 64, 0},  {48000.0f, 4096, 0}, {96000.0f, 1, 0},
        {96000.0f, 64, 0},  {48000.0f, 64, 0},  {44100.0f, 4096, 11}, {48000.0f, 1, 12},
        {96000.0f, 64, 13}, {48000.0f, 4096, 14}, {44100.0f, 64, kDemo},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.seed == 0 ? "played score" : row.seed == kDemo ? "the demo" : "random patch and score, seed ")
                                        << (row.seed == 0 || row.seed == kDemo ? "" : std::to_string(row.seed)) << " at " << row.rate
                                        << " Hz in blocks of " << row.block);
        const Score score = row.seed == 0 ? playedScore() : row.seed == kDemo ? demoScore(row.rate) : randomScore(row.seed);
        const Take vst = renderVst(score, row.rate, row.block);
        Lv2Host lv2(row.rate, row.block);
        ASSERT_TRUE(lv2.error.empty()) << lv2.error;
        EXPECT_TRUE(sameSound(play(lv2, score, row.block), vst));
        EXPECT_TRUE(lv2.notifyWellFormed);
        if (row.seed == 0) {
            EXPECT_EQ(lv2.control(kProgramPort), 5.0f) << "the program port after MIDI program change 5";
        }
    }
}

// ------------------------------------------------------------------ presets

TEST(Lv2Presets, EachIsItsFactoryProgram)
{
    Lv2Bundle& bundle = Lv2Bundle::get();
    ASSERT_NE(bundle.plugin, nullptr);
    const std::string prefix = "urn:kestrune:vemo:preset:";
    const LilvNode* label = bundle.uri("http://www.w3.org/2000/01/rdf-schema#label");
    LilvNodes* presets = lilv_plugin_get_related(bundle.plugin, bundle.uri(LV2_PRESETS__Preset));
    std::multiset<int32_t> found;
    const Score chord = chordScore();
    LILV_FOREACH (nodes, it, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, it);
        const std::string uri = lilv_node_as_uri(preset);
        SCOPED_TRACE(uri);
        const std::string number = uri.substr(std::min(uri.size(), prefix.size()));
        ASSERT_TRUE(uri.rfind(prefix, 0) == 0 && number.size() == 3 &&
                    std::all_of(number.begin(), number.end(), [](char c) { return std::isdigit(c); }));
        const int32_t program = std::stoi(number);
        ASSERT_LT(program, kNumPrograms);
        found.insert(program);

        Take lv2Take;
        {
            Lv2Host lv2(44100.0, 256);
            ASSERT_TRUE(lv2.applyPreset(preset));
            ASSERT_TRUE(lv2.error.empty()) << lv2.error;
            LilvNode* name = lilv_world_get(bundle.world, preset, label, nullptr);
            EXPECT_EQ(name != nullptr ? std::string(lilv_node_as_string(name)) : "(none)", programName(program));
            lilv_node_free(name);
            for (int32_t p = 0; p < kNumParameters; ++p)
                EXPECT_EQ(lv2.control(kFirstParameterPort + uint32_t(p)), factoryBank()[program].parameter[p])
                    << kParameterTable[p].title;
            lv2Take = play(lv2, chord, 256);
        }
        EXPECT_TRUE(sameSound(lv2Take, renderVst(chord, 44100.0f, 256, [&](TestHost& host) {
            host.dispatch(effSetProgram, 0, program);
        })));
    }
    lilv_nodes_free(presets);
    std::multiset<int32_t> expected;
    for (int32_t p = 0; p < kNumPrograms; ++p)
        if (!isEmptySlot(p))
            expected.insert(p);
    EXPECT_EQ(found, expected) << "one preset for every program but the empty slots";
}

// ------------------------------------------------------------------ state

// A session: parameters set, a MIDI program change (which leaves the host's
// ports behind), a value set in the new program; saved with lilv to a folder
// and loaded into a new instance, which must hold the same bank and program
// and sound as the reference given that bank and program.
TEST(Lv2State, ComesBackWholeFromAFolder)
{
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    constexpr int32_t kProgram = 7;
    Score session;
    session.frames = 4096;
    session.midi = {TestHost::midi(1000, 0xC0, kProgram, 0), TestHost::noteOn(1100, 60)};
    session.changes = {{0, kParamCutoff, 0.2f}, {0, kParamSpare40, 0.6f}, {3000, kParamResonance, 0.45f}};
    std::vector<Lv2Property> saved;
    {
        Lv2Host a(48000.0, 256);
        ASSERT_TRUE(a.error.empty()) << a.error;
        play(a, session, 256);
        saved = a.properties();
        ASSERT_TRUE(a.saveState(dir.path));
    }
    const Lv2Property* bank = property(saved, kBankKey);
    const Lv2Property* program = property(saved, kProgramKey);
    ASSERT_TRUE(bank != nullptr && program != nullptr);
    EXPECT_EQ(bank->type, LV2_ATOM__Chunk);
    ASSERT_EQ(bank->value.size(), size_t(kBankChunkBytes));
    EXPECT_EQ(program->type, LV2_ATOM__Int);
    EXPECT_EQ(program->value, bytesOf(&kProgram, sizeof kProgram));

    Take restored;
    {
        Lv2Host b(48000.0, 256);
        ASSERT_TRUE(b.loadState(dir.path));
        ASSERT_TRUE(b.error.empty()) << b.error;
        EXPECT_EQ(stateDifference(b.properties(), saved), "") << "as restored";
        restored = play(b, chordScore(), 256);
        EXPECT_EQ(stateDifference(b.properties(), saved), "") << "after running with the host's restored port values";
        EXPECT_EQ(b.control(kProgramPort), float(kProgram));
    }
    EXPECT_TRUE(sameSound(restored, renderVst(chordScore(), 48000.0f, 256, [&](TestHost& host) {
        host.dispatch(effSetChunk, 0, kBankChunkBytes, const_cast<uint8_t*>(bank->value.data()));
        host.dispatch(effSetProgram, 0, kProgram);
    })));
}

// Values out of their ranges are brought into them as the reference's
// chunk restore brings them, and the program into 0..119.
TEST(Lv2State, RestoreBringsValuesIntoRange)
{
    std::vector<uint8_t> bank = factoryBankBytes();
    setFloat(bank, 3, kParamCutoff, 7.5f);
    setFloat(bank, 3, kParamResonance, -2.0f);
    setFloat(bank, 3, kParamLfoWaveform, 9.0f);
    setFloat(bank, 3, kParamLfoClock, -1.0f);
    setFloat(bank, 119, kParamLfoClock, 40.0f);
    setFloat(bank, 0, kParamVolume, 1e30f);
    std::vector<uint8_t> expected;
    {
        TestHost host;
        host.start(44100.0f, 256);
        ASSERT_EQ(host.dispatch(effSetChunk, 0, kBankChunkBytes, bank.data()), 1);
        void* data = nullptr;
        ASSERT_EQ(host.dispatch(effGetChunk, 0, 0, &data), kBankChunkBytes);
        expected = bytesOf(data, kBankChunkBytes);
    }
    ASSERT_NE(expected, bank);

    const int32_t rows[][2] = {{3, 3}, {-5, 0}, {1000, 119}}; // given, taken
    for (const auto& [given, taken] : rows) {
        SCOPED_TRACE(testing::Message() << "program " << given);
        Take lv2Take;
        {
            Lv2Host lv2(44100.0, 256);
            EXPECT_EQ(lv2.restore(stateOf(bank, given)), LV2_STATE_SUCCESS);
            EXPECT_EQ(stateDifference(lv2.properties(), stateOf(expected, taken)), "");
            lv2Take = play(lv2, chordScore(), 256);
            EXPECT_EQ(lv2.control(kProgramPort), float(taken));
        }
        EXPECT_TRUE(sameSound(lv2Take, renderVst(chordScore(), 44100.0f, 256, [&](TestHost& host) {
            host.dispatch(effSetChunk, 0, kBankChunkBytes, bank.data());
            host.dispatch(effSetProgram, 0, taken);
        })));
    }
}

// A damaged state handed to restore while notes sound is refused with an
// error, leaves the state as it was and the sound exactly as if it had
// never come.
TEST(Lv2State, DamagedStatesAreRefusedAndChangeNothing)
{
    using Damage = std::function<void(std::vector<Lv2Property>&)>;
    auto bankOf = [](std::vector<Lv2Property>& state) -> Lv2Property& { return *property(state, kBankKey); };
    auto poison = [](int32_t program, int32_t parameter, float value) -> Damage {
        return [=](std::vector<Lv2Property>& state) {
            setFloat(property(state, kBankKey)->value, program, parameter, value);
        };
    };
    const std::pair<const char*, Damage> damages[] = {
        {"bank one byte short", [&](auto& s) { bankOf(s).value.pop_back(); }},
        {"bank one byte long", [&](auto& s) { bankOf(s).value.push_back(0); }},
        {"bank of one program", [&](auto& s) { bankOf(s).value.resize(kProgramChunkBytes); }},
        {"bank of no bytes", [&](auto& s) { bankOf(s).value.clear(); }},
        {"bank typed atom:String", [&](auto& s) { bankOf(s).type = LV2_ATOM__String; }},
        {"bank typed atom:Int", [&](auto& s) { bankOf(s).type = LV2_ATOM__Int; }},
        {"NaN in program 17's CUTOFF", poison(17, kParamCutoff, std::numeric_limits<float>::quiet_NaN())},
        {"NaN in the current program", poison(9, kParamVolume, std::numeric_limits<float>::quiet_NaN())},
        {"infinity in program 119's last value", poison(119, kNumParameters - 1, INFINITY)},
        {"minus infinity in program 0", poison(0, kParamAttack, -INFINITY)},
        {"no bank", [](auto& s) { s.erase(s.begin() + (property(s, kBankKey) - s.data())); }},
        {"no properties at all", [](auto& s) { s.clear(); }},
    };

    // Program 9 by MIDI, a value set by port, notes held across the restore.
    Score score;
    score.frames = 12288;
    score.midi = {TestHost::midi(100, 0xC0, 9, 0), TestHost::noteOn(200, 52), TestHost::noteOn(3000, 59),
                  TestHost::noteOff(9000, 52)};
    score.changes = {{0, kParamCutoff, 0.4f}, {6000, kParamResonance, 0.35f}};
    constexpr int32_t kRestoreAt = 4096;
    const Take vst = renderVst(score, 44100.0f, 256);

    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        Lv2Host lv2(44100.0, 256);
        ASSERT_TRUE(lv2.error.empty()) << lv2.error;
        LV2_State_Status status = LV2_STATE_SUCCESS;
        const Take take = play(lv2, score, 256, [&](int32_t start) {
            if (start != kRestoreAt)
                return;
            const std::vector<Lv2Property> before = lv2.properties();
            std::vector<Lv2Property> damaged = before;
            ASSERT_NE(property(damaged, kBankKey), nullptr);
            damage(damaged);
            status = lv2.restore(damaged);
            EXPECT_EQ(stateDifference(lv2.properties(), before), "");
        });
        EXPECT_NE(status, LV2_STATE_SUCCESS);
        EXPECT_TRUE(sameSound(take, vst));
    }
}

// ------------------------------------------------------------------ bundle

std::string symbolOf(const char* title)
{
    std::string symbol;
    for (const char* c = title; *c != '\0'; ++c)
        symbol += std::isalnum(static_cast<unsigned char>(*c)) ? char(std::tolower(static_cast<unsigned char>(*c)))
                                                                : '_';
    return symbol;
}

TEST(Lv2Bundle, PortsFollowTheParameterTable)
{
    Lv2Bundle& bundle = Lv2Bundle::get();
    ASSERT_NE(bundle.plugin, nullptr) << "no urn:kestrune:vemo in " VEMO_LV2_BUNDLE;
    const LilvPlugin* plugin = bundle.plugin;
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), kFirstParameterPort + kNumParameters);
    LilvNode* name = lilv_plugin_get_name(plugin);
    EXPECT_STREQ(lilv_node_as_string(name), "VEMO");
    lilv_node_free(name);
    // lilv learns the class hierarchy from the LV2 vocabularies installed on
    // the machine, which this world leaves out: ask for the type itself.
    LilvNodes* types = lilv_plugin_get_value(plugin, bundle.uri(LILV_NS_RDF "type"));
    EXPECT_TRUE(lilv_nodes_contains(types, bundle.uri(LV2_CORE__InstrumentPlugin)));
    lilv_nodes_free(types);

    auto port = [&](uint32_t i) { return lilv_plugin_get_port_by_index(plugin, i); };
    auto symbol = [&](uint32_t i) { return std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port(i)))); };
    auto is = [&](uint32_t i, const char* kind) { return lilv_port_is_a(plugin, port(i), bundle.uri(kind)); };
    const char* fixed[] = {"midi_in", "out_left", "out_right", "notify", "program"};
    for (uint32_t i = 0; i < kFirstParameterPort; ++i)
        EXPECT_EQ(symbol(i), fixed[i]) << "port " << i;
    // The kinds of ports 0..4 are what Lv2Host connects them as (it says
    // when they are not); the MIDI input must say it takes MIDI.
    EXPECT_TRUE(lilv_port_supports_event(plugin, port(0), bundle.uri(LV2_MIDI__MidiEvent)));

    std::vector<float> minimum(kFirstParameterPort + kNumParameters), maximum(minimum.size()), initial(minimum.size());
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), initial.data());
    for (int32_t p = 0; p < kNumParameters; ++p) {
        const uint32_t i = kFirstParameterPort + uint32_t(p);
        const ParameterInfo& info = kParameterTable[p];
        SCOPED_TRACE(testing::Message() << "port " << i << ", " << info.title);
        EXPECT_EQ(symbol(i), symbolOf(info.title));
        EXPECT_TRUE(is(i, LV2_CORE__ControlPort) && is(i, LV2_CORE__InputPort));
        EXPECT_EQ(minimum[i], info.minimum);
        EXPECT_EQ(maximum[i], info.maximum);
        EXPECT_EQ(initial[i], factoryBank()[0].parameter[p]);
    }
}

// The exit status of `command` run by the shell, its output and errors in
// `output`.
int runCommand(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveCommand(const std::string& name) { return std::system(("command -v " + name + " >/dev/null").c_str()) == 0; }

TEST(Lv2Tools, Lv2ValidateFindsNoError)
{
    // lv2_validate is a script around sord_validate, which Debian ships apart.
    if (!haveCommand("lv2_validate") || !haveCommand("sord_validate"))
        GTEST_SKIP() << "lv2_validate and sord_validate are not installed (Debian packages lv2-dev, sordi)";
    std::string output;
    EXPECT_EQ(runCommand("lv2_validate '" VEMO_LV2_BUNDLE "'/*.ttl", output), 0) << output;
    EXPECT_EQ(output.find("error:"), std::string::npos) << output;
}

TEST(Lv2Tools, Lv2infoShowsTheNamePortsAndPresets)
{
    if (!haveCommand("lv2info"))
        GTEST_SKIP() << "lv2info is not installed (Debian package lilv-utils)";
    // LV2_PATH holds only the bundle: lilv takes every entry of a folder on
    // it for a bundle, and the build folder has many more.
    TempDir path;
    ASSERT_FALSE(path.path.empty());
    std::filesystem::create_directory_symlink(VEMO_LV2_BUNDLE, path.path + "/vemo.lv2");
    std::string output;
    ASSERT_EQ(runCommand("LV2_PATH='" + path.path + "' lv2info urn:kestrune:vemo", output), 0) << output;

    // "\tName:  VEMO", "\tPort N:" per port, "\tPresets: " then one
    // "\t         label" line per preset.
    std::string name;
    int ports = 0;
    std::multiset<std::string> presets, expected;
    bool inPresets = false;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("\tName:", 0) == 0 && name.empty())
            name = line.substr(line.find_first_not_of(" \t", 6));
        ports += line.rfind("\tPort ", 0) == 0 ? 1 : 0;
        if (inPresets && line.rfind("\t         ", 0) == 0)
            presets.insert(line.substr(10));
        else
            inPresets = line.rfind("\tPresets:", 0) == 0;
    }
    for (int32_t p = 0; p < kNumPrograms; ++p)
        if (!isEmptySlot(p))
            expected.insert(programName(p));
    EXPECT_EQ(name, "VEMO") << output;
    EXPECT_EQ(ports, 52) << output;
    EXPECT_EQ(presets, expected) << output;
}

} // namespace
