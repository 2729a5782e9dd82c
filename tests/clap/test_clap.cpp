// The CLAP module as CLAP hosts drive it (clap/ClapHost.h), held against the
// VST 2.x module as the reference: the same score gives the same samples at
// every rate and block size, parameters read and typed as the VST display
// shows them, changes made inside reach the host, states come back whole
// and damaged ones change nothing.
//
// Each render is made by the only live instance of its module, the
// reference first: every engine draws noise from the stream its number in
// its module says.
#include "clap/ClapHost.h"
#include "core/FactoryBank.h"
#include "support/FaceScore.h"
#include "support/TestHost.h"
#include "voice/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>

using namespace clap;
using vemotest::ClapEvent;
using vemotest::ClapHost;
using vemotest::renderVst;
using vemotest::Score;
using vemotest::ScoreChange;
using vemotest::Take;
using vemotest::TestHost;

namespace {

// The played score, with the changes this face delivers inside blocks.
Score score(int32_t frames, uint32_t seed)
{
    Score s = vemotest::playedScore(frames, seed);
    auto at = [&](double part) { return int32_t(part * frames); };
    s.changes.push_back(ScoreChange{at(0.6), kParamCutoff, 0.8f});
    s.changes.push_back(ScoreChange{at(0.6), kParamResonance, 0.3f});
    return s;
}

// notesAsClap: note-ons and note-offs as CLAP note events, the rest as MIDI.
Take renderClap(const Score& s, float rate, int32_t block, bool notesAsClap)
{
    ClapHost host;
    EXPECT_NE(host.plugin, nullptr) << host.loadError;
    EXPECT_TRUE(host.activate(rate, uint32_t(block)));
    return vemotest::playScore(s, block, [&](int32_t, auto& due, auto& midi, float* l, float* r, int32_t n) {
        std::vector<ClapEvent> events;
        for (const ScoreChange& c : due)
            events.push_back(vemotest::clapParam(0, uint32_t(c.parameter), c.value));
        for (const VstMidiEvent& e : midi) {
            const auto status = uint8_t(e.midiData[0]), key = uint8_t(e.midiData[1]), v = uint8_t(e.midiData[2]);
            const uint32_t t = uint32_t(e.deltaFrames);
            if (notesAsClap && (status & 0xF0) == 0x90)
                events.push_back(vemotest::clapNote(t, CLAP_EVENT_NOTE_ON, key, v / 127.0));
            else if (notesAsClap && (status & 0xF0) == 0x80)
                events.push_back(vemotest::clapNote(t, CLAP_EVENT_NOTE_OFF, key, v / 127.0));
            else
                events.push_back(vemotest::clapMidi(t, status, key, v));
        }
        EXPECT_EQ(host.process(l, r, uint32_t(n), events), CLAP_PROCESS_CONTINUE);
    });
}

// ------------------------------------------------------------------ renders

struct RenderRow {
    float rate;
    int32_t block;
    int32_t frames;
    uint32_t seed;
    bool notesAsClap;
};

// The row as CTest lists it (the raw bytes would show the struct's padding).
void PrintTo(const RenderRow& r, std::ostream* os)
{
    *os << r.rate << " Hz, blocks of " << r.block << ", seed " << r.seed << (r.notesAsClap ? ", CLAP notes" : ", MIDI");
}

class ClapRender : public ::testing::TestWithParam<RenderRow> {};

TEST_P(ClapRender, EqualsTheVstModuleSampleForSample)
{
    const RenderRow& row = GetParam();
    const Score s = score(row.frames, row.seed);
    const Take vst = renderVst(s, row.rate, row.block);
    EXPECT_TRUE(vemotest::sameSound(renderClap(s, row.rate, row.block, row.notesAsClap), vst, "CLAP"));
}

INSTANTIATE_TEST_SUITE_P(Rows, ClapRender,
                         ::testing::Values(RenderRow{44100.0f, 1, 12000, 1, false},
                                           RenderRow{44100.0f, 64, 60000, 2, true},
                                           RenderRow{48000.0f, 64, 60000, 3, false},
                                           RenderRow{48000.0f, 4096, 90000, 4, true},
                                           RenderRow{96000.0f, 4096, 150000, 5, false},
                                           RenderRow{96000.0f, 1, 20000, 6, true}));

// ------------------------------------------------------------------ parameters

TEST(ClapParams, InfoFollowsTheParameterTable)
{
    ClapHost host;
    ASSERT_NE(host.params, nullptr) << host.loadError;
    ASSERT_EQ(host.params->count(host.plugin), uint32_t(kNumParameters));
    for (uint32_t i = 0; i < uint32_t(kNumParameters); ++i) {
        clap_param_info info{};
        ASSERT_TRUE(host.params->get_info(host.plugin, i, &info));
        const ParameterInfo& p = kParameterTable[i];
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, p.title);
        EXPECT_NE(info.module[0], 0);
        EXPECT_EQ(info.min_value, p.minimum);
        EXPECT_EQ(info.max_value, p.maximum);
        EXPECT_EQ(info.default_value, factoryBank()[0].parameter[i]);
        EXPECT_EQ(host.value(i), double(factoryBank()[0].parameter[i]));
        const bool stepped = p.kind == ParameterKind::Switch || p.kind == ParameterKind::Menu;
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, stepped) << p.title;
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_ENUM) != 0, p.kind == ParameterKind::Menu) << p.title;
        EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
    }
    clap_param_info info{};
    EXPECT_FALSE(host.params->get_info(host.plugin, kNumParameters, &info));
    double v = 0.0;
    EXPECT_FALSE(host.params->get_value(host.plugin, kNumParameters, &v));
    EXPECT_EQ(host.text(kNumParameters, 0.5), "(refused)");
    EXPECT_EQ(host.text(kParamCutoff, NAN), "(refused)");
}

// Every parameter at a spread of values shows what the VST module shows,
// and its text typed back gives a value that shows the same.
TEST(ClapParams, TextsAreTheVstDisplayAndTypeBack)
{
    ClapHost host;
    ASSERT_TRUE(host.activate(48000.0, 512));
    float l[16], r[16];
    host.process(l, r, 16); // the rate takes effect with the first block
    for (const vemotest::DisplayCase& c : vemotest::vstDisplayTexts()) {
        const char* title = kParameterTable[c.index].title;
        const std::string text = host.text(uint32_t(c.index), c.value);
        EXPECT_EQ(text, c.text) << title << " at " << c.value;
        double typed = -1.0;
        ASSERT_TRUE(host.params->text_to_value(host.plugin, uint32_t(c.index), text.c_str(), &typed))
            << title << ": '" << text << "'";
        EXPECT_EQ(host.text(uint32_t(c.index), typed), text) << title;
    }
}

TEST(ClapParams, TypedValuesInTheirUnits)
{
    struct Row {
        int32_t parameter;
        const char* typed;
        const char* shown; // the start of what the value then shows; null: refused
    };
    const Row rows[] = {{kParamCutoff, "1.2 kHz", "1.2"},   {kParamAttack, "300 ms", "30"},
                        {kParamLfoWaveform, "saw", "saw"},  {kParamSaw, "on", "on"},
                        {kParamCutoff, "banana", nullptr}, {kParamAttack, "3 kHz", nullptr},
                        {kParamVolume, "", nullptr}};
    ClapHost host;
    ASSERT_TRUE(host.activate(44100.0, 256));
    for (const Row& row : rows) {
        double v = -1.0;
        const bool taken = host.params->text_to_value(host.plugin, uint32_t(row.parameter), row.typed, &v);
        ASSERT_EQ(taken, row.shown != nullptr) << row.typed;
        if (taken) {
            EXPECT_EQ(host.text(uint32_t(row.parameter), v).rfind(row.shown, 0), 0u)
                << row.typed << " shows " << host.text(uint32_t(row.parameter), v);
        }
    }
}

// A MIDI program change and a learned controller move values inside: the
// host hears of each as an output event, and the session is marked dirty
// from the main thread, never from the audio thread.
TEST(ClapParams, ChangesMadeInsideReachTheHost)
{
    ClapHost host;
    ASSERT_TRUE(host.activate(44100.0, 256));
    std::vector<float> l(256), r(256);
    host.process(l.data(), r.data(), 256, {vemotest::clapMidi(17, 0xC0, 5, 0)});
    std::vector<double> seen(kNumParameters, -1.0);
    for (const ClapEvent& e : host.output)
        if (e.header().type == CLAP_EVENT_PARAM_VALUE) {
            clap_event_param_value v;
            std::memcpy(&v, e.bytes.data(), sizeof v);
            ASSERT_LT(v.param_id, uint32_t(kNumParameters));
            EXPECT_LT(e.header().time, 256u);
            seen[v.param_id] = v.value;
        }
    for (int32_t i = 0; i < kNumParameters; ++i)
        EXPECT_EQ(seen[i], double(factoryBank()[5].parameter[i])) << i;
    EXPECT_GT(host.callbacks.load(), 0);
    host.plugin->on_main_thread(host.plugin);
    EXPECT_EQ(host.dirtyMarks.load(), 1);

    // Controller 40 is learned to CUTOFF in every factory program.
    host.output.clear();
    host.process(l.data(), r.data(), 256, {vemotest::clapMidi(3, 0xB0, 40, 64)});
    ASSERT_EQ(host.output.size(), 1u);
    clap_event_param_value v;
    std::memcpy(&v, host.output[0].bytes.data(), sizeof v);
    EXPECT_EQ(v.param_id, uint32_t(kParamCutoff));
    EXPECT_EQ(v.value, host.value(kParamCutoff));

    // Host changes are not echoed; a flush without processing takes them.
    host.output.clear();
    host.flush({vemotest::clapParam(0, kParamResonance, 0.25)});
    EXPECT_EQ(host.value(kParamResonance), 0.25);
    EXPECT_TRUE(host.output.empty());
    // Values outside a parameter's range come into it (far outside, they
    // drove the output to infinity); NaN changes nothing.
    host.flush({vemotest::clapParam(0, kParamCutoff, 1e30), vemotest::clapParam(0, kParamLfoWaveform, -7.0),
                vemotest::clapParam(0, kParamResonance, std::nan(""))});
    EXPECT_EQ(host.value(kParamCutoff), 1.0);
    EXPECT_EQ(host.value(kParamLfoWaveform), 0.0);
    EXPECT_EQ(host.value(kParamResonance), 0.25);
    EXPECT_EQ(host.wrongThreadCalls.load(), 0);
}

// ------------------------------------------------------------------ state

TEST(ClapState, RoundTripsByteForByte)
{
    std::vector<uint8_t> saved;
    {
        ClapHost host;
        ASSERT_TRUE(host.activate(44100.0, 256));
        std::vector<float> l(256), r(256);
        host.process(l.data(), r.data(), 256,
                     {vemotest::clapMidi(0, 0xC0, 9, 0), vemotest::clapParam(0, kParamCutoff, 0.123)});
        host.flush({vemotest::clapParam(0, kParamCutoff, 0.123)});
        saved = host.save();
        ASSERT_EQ(saved.size(), 16u + size_t(kBankChunkBytes));
    }
    ClapHost other;
    ASSERT_TRUE(other.load(saved, 7)); // a stream that hands out 7 bytes a read
    EXPECT_EQ(other.rescans.load(), 1);
    EXPECT_EQ(other.value(kParamCutoff), double(0.123f));
    EXPECT_EQ(other.save(), saved);
}

TEST(ClapState, DamagedOrForeignStatesChangeNothing)
{
    ClapHost host;
    const std::vector<uint8_t> good = host.save();
    ASSERT_FALSE(good.empty());
    auto with = [&](auto change) {
        std::vector<uint8_t> b = good;
        change(b);
        return b;
    };
    const float nan = NAN;
    const std::vector<std::vector<uint8_t>> damaged = {
        {},
        std::vector<uint8_t>(good.begin(), good.begin() + 10),             // cut in the header
        std::vector<uint8_t>(good.begin(), good.end() - 1),                // cut in the bank
        with([](auto& b) { b[0] = 'X'; }),                                  // another format
        with([](auto& b) { b[4] = 2; }),                                    // a later version
        with([](auto& b) { b[8] = 120; }),                                  // program 120
        with([](auto& b) { b[12] ^= 1; }),                                  // wrong bank size
        with([&](auto& b) { std::memcpy(&b[16 + 24], &nan, sizeof nan); }), // NaN in program 0
    };
    // The instrument's own state first changed, so that "nothing changed"
    // is not the factory state by chance.
    host.flush({vemotest::clapParam(0, kParamCutoff, 0.5)});
    const std::vector<uint8_t> before = host.save();
    for (size_t i = 0; i < damaged.size(); ++i) {
        EXPECT_FALSE(host.load(damaged[i])) << "row " << i;
        EXPECT_EQ(host.save(), before) << "row " << i;
    }
    EXPECT_EQ(host.rescans.load(), 0);
}

// State is the main thread's: asked from another thread, the plug-in checks
// with the host (which reports the wrong thread) and refuses.
TEST(ClapThreads, StateFromAnotherThreadIsReportedAndRefused)
{
    ClapHost host;
    const std::vector<uint8_t> saved = host.save();
    bool loaded = true;
    std::thread([&] { loaded = host.load(saved); }).join();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(host.wrongThreadCalls.load(), 1);
    EXPECT_TRUE(host.load(saved));
    EXPECT_EQ(host.wrongThreadCalls.load(), 1);
}

// ------------------------------------------------------------------ ports, entry

TEST(ClapEntry, OneInstrumentWithAStereoOutputAndAMidiPort)
{
    ClapHost host;
    ASSERT_NE(host.plugin, nullptr) << host.loadError;
    const clap_plugin_descriptor& d = *host.plugin->desc;
    EXPECT_STREQ(d.id, "com.kestrune.vemo");
    EXPECT_STREQ(d.name, "VEMO");
    EXPECT_STREQ(d.vendor, "Kestrune");
    std::vector<std::string> features;
    for (const char* const* f = d.features; *f != nullptr; ++f)
        features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"instrument", "synthesizer", "stereo"}));
    EXPECT_EQ(host.factory->get_plugin_count(host.factory), 1u);
    EXPECT_EQ(host.factory->get_plugin_descriptor(host.factory, 1), nullptr);
    EXPECT_EQ(host.factory->create_plugin(host.factory, nullptr, d.id), nullptr);

    const auto* audio = static_cast<const clap_plugin_audio_ports*>(host.plugin->get_extension(host.plugin, kExtAudioPorts));
    const auto* notes = static_cast<const clap_plugin_note_ports*>(host.plugin->get_extension(host.plugin, kExtNotePorts));
    ASSERT_TRUE(audio != nullptr && notes != nullptr);
    EXPECT_EQ(audio->count(host.plugin, true), 0u);
    ASSERT_EQ(audio->count(host.plugin, false), 1u);
    clap_audio_port_info a{};
    ASSERT_TRUE(audio->get(host.plugin, 0, false, &a));
    EXPECT_EQ(a.channel_count, 2u);
    EXPECT_STREQ(a.port_type, "stereo");
    ASSERT_EQ(notes->count(host.plugin, true), 1u);
    EXPECT_EQ(notes->count(host.plugin, false), 0u);
    clap_note_port_info n{};
    ASSERT_TRUE(notes->get(host.plugin, 0, true, &n));
    EXPECT_EQ(n.preferred_dialect, uint32_t(CLAP_NOTE_DIALECT_MIDI));
    EXPECT_NE(n.supported_dialects & CLAP_NOTE_DIALECT_CLAP, 0u);
    EXPECT_FALSE(notes->get(host.plugin, 1, true, &n));

    // Unusable rates are refused; short, odd and late events are safe.
    EXPECT_FALSE(host.activate(0.0, 64));
    EXPECT_FALSE(host.activate(NAN, 64));
    ASSERT_TRUE(host.activate(44100.0, 64));
    clap_event_header cut{8, 3, 0, CLAP_EVENT_NOTE_ON, 0}; // shorter than a note
    ClapEvent shortNote;
    shortNote.bytes.assign(reinterpret_cast<uint8_t*>(&cut), reinterpret_cast<uint8_t*>(&cut) + sizeof cut);
    float l[64], r[64];
    EXPECT_EQ(host.process(l, r, 64,
                           {vemotest::clapNote(60, CLAP_EVENT_NOTE_ON, 60, 1.0), shortNote,
                            vemotest::clapNote(1000, CLAP_EVENT_NOTE_ON, -1, 1.0),
                            vemotest::clapParam(5, 9999, 1.0), vemotest::clapMidi(2, 0xF0, 1, 2)}),
              CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(host.process(nullptr, r, 64), CLAP_PROCESS_ERROR);
}

} // namespace

// ------------------------------------------------------------------ presets

// A host of CLAP 1.2 or later finds the named factory sounds through the
// preset-discovery factory, as presets held inside the plug-in, and loads
// one through preset-load: the sound's 47 values, the host told to rescan.
TEST(ClapPresets, FactorySoundsAreDiscoveredAndLoad)
{
    ClapHost host;
    ASSERT_TRUE(host.activate(48000.0, 256));
    const auto* factory =
        static_cast<const clap_preset_discovery_factory*>(host.entry->get_factory(kPresetDiscoveryFactoryId));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(host.entry->get_factory(kPresetDiscoveryFactoryIdCompat), factory);
    ASSERT_EQ(factory->count(factory), 1u);
    const clap_preset_discovery_provider_descriptor* d = factory->get_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);

    struct Found {
        std::vector<clap_preset_discovery_location> locations;
        std::vector<std::pair<std::string, std::string>> presets; // name, load key
        std::vector<std::string> pluginIds;
    } found;
    clap_preset_discovery_indexer indexer{};
    indexer.clap_version = kVersion;
    indexer.name = "test indexer";
    indexer.indexer_data = &found;
    indexer.declare_location = [](const clap_preset_discovery_indexer* i, const clap_preset_discovery_location* l) {
        static_cast<Found*>(i->indexer_data)->locations.push_back(*l);
        return true;
    };
    const clap_preset_discovery_provider* provider = factory->create(factory, &indexer, d->id);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(found.locations.size(), 1u);
    EXPECT_EQ(found.locations[0].kind, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN);
    EXPECT_EQ(found.locations[0].location, nullptr);
    EXPECT_EQ(found.locations[0].flags, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

    clap_preset_discovery_metadata_receiver receiver{};
    receiver.receiver_data = &found;
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver* r, const char* name, const char* key) {
        static_cast<Found*>(r->receiver_data)->presets.emplace_back(name, key);
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver* r, const clap_universal_plugin_id* id) {
        static_cast<Found*>(r->receiver_data)->pluginIds.push_back(std::string(id->abi) + ":" + id->id);
    };
    ASSERT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver));
    provider->destroy(provider);
    ASSERT_EQ(found.presets.size(), 72u); // programs 0..71, the named ones
    for (size_t p = 0; p < found.presets.size(); ++p) {
        EXPECT_EQ(found.presets[p].first, std::string(factoryBank()[p].name, strnlen(factoryBank()[p].name, 24)));
        EXPECT_EQ(found.presets[p].second, std::to_string(p));
        EXPECT_EQ(found.pluginIds[p], "clap:com.kestrune.vemo");
    }

    const auto* load = static_cast<const clap_plugin_preset_load*>(host.plugin->get_extension(host.plugin, kExtPresetLoad));
    ASSERT_NE(load, nullptr);
    for (const char* bad : {"", "72", "120", "-1", "1x", "0001"})
        EXPECT_FALSE(load->from_location(host.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, bad)) << bad;
    EXPECT_FALSE(load->from_location(host.plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x", "1"));
    const int rescans = host.rescans.load();
    ASSERT_TRUE(load->from_location(host.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "1"));
    for (int32_t i = 0; i < kNumParameters; ++i)
        EXPECT_EQ(host.value(uint32_t(i)), double(factoryBank()[1].parameter[i])) << i;
    EXPECT_GT(host.rescans.load(), rescans);
    EXPECT_EQ(host.wrongThreadCalls.load(), 0);
}
