// The VST 3 bundle as VST 3 hosts drive it (vst3/Vst3Host.h), held against
// the VST 2.x module as the reference: the same score gives the same samples
// at every rate and block size with MIDI turned into mapped parameters as a
// host does, parameters read and typed as the VST display shows them,
// changes made inside reach the host, the program list names the bank,
// states come back whole and damaged ones change nothing.
//
// Each render is made by the only live instance of its module, the
// reference first: every engine draws noise from the stream its number in
// its module says.
#include "vst3/Vst3Host.h"
#include "core/FactoryBank.h"
#include "support/FaceScore.h"
#include "support/TestHost.h"
#include "voice/ParameterTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

using namespace vst3;
using vemotest::renderVst;
using vemotest::Score;
using vemotest::ScoreChange;
using vemotest::Take;
using vemotest::TestHost;
using vemotest::Vst3Change;
using vemotest::Vst3Host;

namespace {

constexpr ParamID kProgramId = 47;
constexpr int32_t kCount = 178; // 47, the program, 128 controllers, aftertouch, bend

// The played score, with the changes this face delivers inside blocks.
Score score(int32_t frames, uint32_t seed)
{
    Score s = vemotest::playedScore(frames, seed);
    auto at = [&](double part) { return int32_t(part * frames); };
    s.changes.push_back(ScoreChange{at(0.6) + 3, kParamCutoff, 0.8f});
    s.changes.push_back(ScoreChange{at(0.6) + 3, kParamResonance, 0.3f});
    s.changes.push_back(ScoreChange{at(0.65) + 11, kParamLfoWaveform, 2.0f});
    return s;
}

// MIDI as a VST 3 host delivers it: notes as events, the rest as changes of
// the parameters the plug-in maps the controllers to. inBlock: parameter
// changes at their own frames, else at the start of the block that holds
// them.
Take renderVst3(const Score& s, float rate, int32_t block, bool inBlock)
{
    Vst3Host host;
    EXPECT_NE(host.processor, nullptr) << host.loadError;
    EXPECT_TRUE(host.activate(rate, block));
    return vemotest::playScore(s, block, [&](int32_t start, auto& due, auto& midi, float* l, float* r, int32_t n) {
        std::vector<Vst3Change> changes;
        for (const ScoreChange& c : due) {
            const ParamID id = ParamID(c.parameter);
            changes.push_back({id, inBlock ? std::max(c.frame - start, 0) : 0,
                               host.controller->plainParamToNormalized(id, c.value)});
        }
        std::vector<Event> events;
        for (const VstMidiEvent& e : midi) {
            const int status = uint8_t(e.midiData[0]) & 0xF0, d1 = uint8_t(e.midiData[1]), d2 = uint8_t(e.midiData[2]);
            const int32_t t = e.deltaFrames;
            if (status == 0x90)
                events.push_back(vemotest::vst3NoteOn(t, int16_t(d1), float(d2) / 127.0f));
            else if (status == 0x80)
                events.push_back(vemotest::vst3NoteOff(t, int16_t(d1), float(d2) / 127.0f));
            else if (status == 0xB0)
                changes.push_back({host.mapped(int16_t(d1)), t, d2 / 127.0});
            else if (status == 0xE0)
                changes.push_back({host.mapped(kPitchBend), t, ((d2 << 7) | d1) / 16383.0});
            else if (status == 0xC0)
                changes.push_back({host.mapped(kCtrlProgramChange), t, d1 / 119.0});
        }
        EXPECT_EQ(host.process(l, r, n, events, changes), kResultOk);
    });
}

// ------------------------------------------------------------------ renders

struct RenderRow {
    float rate;
    int32_t block;
    int32_t frames;
    uint32_t seed;
    int32_t referenceBlock; // the VST 2.x module's blocks
    bool inBlock;
};

void PrintTo(const RenderRow& r, std::ostream* os)
{
    *os << r.rate << " Hz, blocks of " << r.block << ", seed " << r.seed
        << (r.inBlock ? ", changes at their frames" : ", changes between blocks");
}

class Vst3Render : public ::testing::TestWithParam<RenderRow> {};

TEST_P(Vst3Render, EqualsTheVstModuleSampleForSample)
{
    const RenderRow& row = GetParam();
    const Score s = score(row.frames, row.seed);
    const Take vst = renderVst(s, row.rate, row.referenceBlock);
    EXPECT_TRUE(vemotest::sameSound(renderVst3(s, row.rate, row.block, row.inBlock), vst, "VST 3"));
}

// The VST 2.x module takes parameters between blocks only: against changes
// inside a block it plays blocks of one frame. (Its renders in blocks of one
// and of 4096 frames differ where an all-notes-off and a later note share a
// long block, so those rows keep short blocks.)
INSTANTIATE_TEST_SUITE_P(Rows, Vst3Render,
                         ::testing::Values(RenderRow{44100.0f, 1, 12000, 1, 1, false},
                                           RenderRow{44100.0f, 64, 60000, 2, 64, false},
                                           RenderRow{48000.0f, 4096, 90000, 3, 4096, false},
                                           RenderRow{48000.0f, 64, 30000, 4, 1, true},
                                           RenderRow{96000.0f, 4096, 150000, 5, 4096, false},
                                           RenderRow{96000.0f, 64, 40000, 6, 1, true},
                                           RenderRow{96000.0f, 1, 20000, 7, 1, true}));

// ------------------------------------------------------------------ factory, buses

TEST(Vst3Factory, OneInstrumentClassWithAStableId)
{
    Vst3Host host;
    ASSERT_NE(host.factory, nullptr) << host.loadError;
    PFactoryInfo f{};
    ASSERT_EQ(host.factory->getFactoryInfo(&f), kResultOk);
    EXPECT_STREQ(f.vendor, "Kestrune");
    ASSERT_EQ(host.factory->countClasses(), 1);
    void* v = nullptr;
    ASSERT_EQ(host.factory->queryInterface(IPluginFactory2::iid.data(), &v), kResultOk);
    PClassInfo2 info{};
    ASSERT_EQ(static_cast<IPluginFactory2*>(v)->getClassInfo2(0, &info), kResultOk);
    EXPECT_EQ(static_cast<IPluginFactory2*>(v)->getClassInfo2(1, &info), kInvalidArgument);
    // Sessions name the plug-in by this id: it never changes.
    const uint8_t id[16] = {0x33, 0x43, 0x40, 0x10, 0x6D, 0x86, 0x4B, 0x47,
                            0xAE, 0xA2, 0x44, 0x42, 0x41, 0xBA, 0xBD, 0x43};
    EXPECT_EQ(std::memcmp(info.cid, id, 16), 0);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "VEMO");
    EXPECT_STREQ(info.subCategories, "Instrument|Synth");
    EXPECT_STREQ(info.vendor, "Kestrune");
    EXPECT_STREQ(info.version, "1.0.0");
    ASSERT_EQ(host.factory->queryInterface(IPluginFactory3::iid.data(), &v), kResultOk);
    PClassInfoW wide{};
    ASSERT_EQ(static_cast<IPluginFactory3*>(v)->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(std::u16string(wide.name), u"VEMO");
    EXPECT_EQ(std::u16string(wide.vendor), u"Kestrune");
    // The bundle's moduleinfo.json, which hosts read instead of loading the
    // module, says what the factory says.
    std::string path = VEMO_VST3_PATH;
    path = path.substr(0, path.rfind("/x86_64-linux/")) + "/Resources/moduleinfo.json";
    std::ifstream file(path);
    const std::string json((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    char cid[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(cid + 2 * i, 3, "%02X", unsigned(uint8_t(info.cid[i])));
    for (const std::string& fact : {"\"CID\": \"" + std::string(cid) + "\"", std::string("\"Category\": \"Audio Module Class\""),
                                    std::string("\"Name\": \"VEMO\""), std::string("\"Vendor\": \"Kestrune\""),
                                    std::string("\"Version\": \"1.0.0\""), std::string("\"Instrument\""),
                                    std::string("\"Synth\"")})
        EXPECT_NE(json.find(fact), std::string::npos) << path << " lacks " << fact;
    // Another class id makes nothing.
    void* none = nullptr;
    char other[16] = {};
    EXPECT_NE(host.factory->createInstance(other, IComponent::iid.data(), &none), kResultOk);
    EXPECT_EQ(none, nullptr);
}

TEST(Vst3Factory, NoAudioInOneStereoOutOneMidiBusOfSixteenChannels)
{
    Vst3Host host;
    ASSERT_NE(host.component, nullptr) << host.loadError;
    EXPECT_EQ(host.component->getBusCount(kAudio, kInput), 0);
    ASSERT_EQ(host.component->getBusCount(kAudio, kOutput), 1);
    ASSERT_EQ(host.component->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(host.component->getBusCount(kEvent, kOutput), 0);
    BusInfo bus{};
    ASSERT_EQ(host.component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    ASSERT_EQ(host.component->getBusInfo(kEvent, kInput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 16);
    EXPECT_NE(host.component->getBusInfo(kEvent, kInput, 1, bus), kResultOk);
    SpeakerArrangement mono = 0x1, stereo = kSpeakerStereo;
    EXPECT_EQ(host.processor->setBusArrangements(nullptr, 0, &mono, 1), kResultFalse);
    EXPECT_EQ(host.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(host.processor->canProcessSampleSize(kSample64), kResultFalse);
    ProcessSetup bad{kRealtime, kSample32, 512, 0.0};
    EXPECT_EQ(host.processor->setupProcessing(bad), kResultFalse);

    // Odd events, unknown parameters and missing buffers are safe.
    ASSERT_TRUE(host.activate(44100.0, 64));
    float l[64], r[64];
    Event odd = vemotest::vst3NoteOn(1000, 200, 2.0f);
    Event otherBus = vemotest::vst3NoteOn(0, 60, 1.0f);
    otherBus.busIndex = 3;
    EXPECT_EQ(host.process(l, r, 64, {odd, otherBus, vemotest::vst3NoteOn(-5, 60, NAN)},
                           {{9999, 0, 1.0}, {kParamCutoff, 5000, NAN}, {kParamCutoff, -3, 7.0}}),
              kResultOk);
    EXPECT_EQ(host.controller->getParamNormalized(kParamCutoff), 1.0);
    EXPECT_NE(host.process(nullptr, nullptr, 64), kResultOk);
    // A block of no frames only takes parameters.
    EXPECT_EQ(host.process(nullptr, nullptr, 0, {}, {{kParamResonance, 0, 0.25}}), kResultOk);
    EXPECT_EQ(host.controller->getParamNormalized(kParamResonance), 0.25);
}

// ------------------------------------------------------------------ parameters

TEST(Vst3Params, InfoFollowsTheParameterTable)
{
    Vst3Host host;
    ASSERT_NE(host.controller, nullptr) << host.loadError;
    ASSERT_EQ(host.controller->getParameterCount(), kCount);
    for (int32_t i = 0; i < kCount; ++i) {
        vst3::ParameterInfo info{};
        ASSERT_EQ(host.controller->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, ParamID(i));
        if (i < kNumParameters) {
            const ::ParameterInfo& p = kParameterTable[i];
            EXPECT_EQ(std::u16string(info.title), std::u16string(p.title, p.title + std::strlen(p.title)));
            EXPECT_EQ(info.flags & vst3::ParameterInfo::kCanAutomate, vst3::ParameterInfo::kCanAutomate);
            const int32_t steps = p.kind == ParameterKind::Switch ? 1 : p.kind == ParameterKind::Menu ? p.textCount - 1 : 0;
            EXPECT_EQ(info.stepCount, steps) << p.title;
            const double start = host.controller->getParamNormalized(ParamID(i));
            EXPECT_EQ(info.defaultNormalizedValue, start) << p.title;
            EXPECT_EQ(host.controller->normalizedParamToPlain(ParamID(i), start),
                      double(factoryBank()[0].parameter[i]));
        } else if (i == int32_t(kProgramId)) {
            EXPECT_EQ(info.flags & vst3::ParameterInfo::kIsProgramChange, vst3::ParameterInfo::kIsProgramChange);
            EXPECT_EQ(info.stepCount, kNumPrograms - 1);
        } else {
            EXPECT_EQ(info.flags, vst3::ParameterInfo::kIsHidden) << i;
        }
    }
    vst3::ParameterInfo info{};
    EXPECT_NE(host.controller->getParameterInfo(kCount, info), kResultOk);
    EXPECT_NE(host.controller->getParameterInfo(-1, info), kResultOk);
    EXPECT_EQ(host.text(kCount, 0.5), "(refused)");
    EXPECT_EQ(host.text(kParamCutoff, NAN), "(refused)");
    // Menus: each entry owns an equal share of 0..1.
    EXPECT_EQ(host.controller->normalizedParamToPlain(kParamLfoClock, 0.999), 12.0);
    EXPECT_EQ(host.controller->normalizedParamToPlain(kParamLfoClock, 1.0 / 12.0), 1.0);
    EXPECT_EQ(host.controller->plainParamToNormalized(kParamLfoWaveform, 2.0), 0.5);
}

// Every parameter at a spread of values shows what the VST module shows,
// and its text typed back gives a value that shows the same.
TEST(Vst3Params, TextsAreTheVstDisplayAndTypeBack)
{
    Vst3Host host;
    ASSERT_TRUE(host.activate(48000.0, 512));
    float l[16], r[16];
    host.process(l, r, 16); // the rate takes effect with the first block
    for (const vemotest::DisplayCase& c : vemotest::vstDisplayTexts()) {
        const char* title = kParameterTable[c.index].title;
        const double n = host.controller->plainParamToNormalized(ParamID(c.index), c.value);
        const std::string text = host.text(ParamID(c.index), n);
        EXPECT_EQ(text, c.text) << title << " at " << c.value;
        double typed = -1.0;
        ASSERT_TRUE(host.valueOf(ParamID(c.index), text, typed)) << title << ": '" << text << "'";
        EXPECT_EQ(host.text(ParamID(c.index), typed), text) << title;
    }
    // Typed in their units, or refused.
    struct Row {
        int32_t parameter;
        const char* typed;
        const char* shown; // the start of what the value then shows; null: refused
    };
    const Row rows[] = {{kParamCutoff, "1.2 kHz", "1.2"},   {kParamAttack, "300 ms", "30"},
                        {kParamLfoWaveform, "saw", "saw"},  {kParamSaw, "on", "on"},
                        {kParamCutoff, "banana", nullptr}, {kParamAttack, "3 kHz", nullptr},
                        {kParamVolume, "", nullptr}};
    for (const Row& row : rows) {
        double v = -1.0;
        const bool taken = host.valueOf(ParamID(row.parameter), row.typed, v);
        ASSERT_EQ(taken, row.shown != nullptr) << row.typed;
        if (taken) {
            EXPECT_EQ(host.text(ParamID(row.parameter), v).rfind(row.shown, 0), 0u) << row.typed;
        }
    }
    EXPECT_EQ(host.text(kProgramId, 5.0 / 119.0), host.programName(5));
}

// ------------------------------------------------------------------ MIDI mapping, programs

TEST(Vst3Midi, EveryChannelsControllersBendAndProgramChangeAreMapped)
{
    Vst3Host host;
    ASSERT_NE(host.midiMapping, nullptr) << host.loadError;
    std::vector<ParamID> seen;
    for (int16_t channel : {0, 9, 15})
        for (int16_t cc = 0; cc < 131; ++cc) {
            const ParamID id = host.mapped(cc, channel);
            ASSERT_NE(id, UINT32_MAX) << cc;
            EXPECT_EQ(id, host.mapped(cc, 0)); // the core plays every channel alike
            if (channel == 0)
                seen.push_back(id);
        }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
    EXPECT_EQ(host.mapped(kCtrlProgramChange), kProgramId);
    EXPECT_EQ(host.mapped(131), UINT32_MAX);
    EXPECT_EQ(host.mapped(7, 16), UINT32_MAX);
    ParamID id = 0;
    EXPECT_EQ(host.midiMapping->getMidiControllerAssignment(1, 0, 7, id), kResultFalse);
}

// A MIDI program change and a learned controller move values inside: the
// host hears of each as an output parameter change within the block.
TEST(Vst3Midi, ChangesMadeInsideReachTheHost)
{
    Vst3Host host;
    ASSERT_TRUE(host.activate(44100.0, 256));
    std::vector<float> l(256), r(256);
    host.process(l.data(), r.data(), 256, {}, {{host.mapped(kCtrlProgramChange), 17, 5.0 / 119.0}});
    std::vector<double> seen(kProgramId + 1, -1.0);
    for (const Vst3Change& c : host.output) {
        ASSERT_LE(c.id, kProgramId);
        EXPECT_TRUE(c.offset >= 0 && c.offset < 256);
        seen[c.id] = c.value;
    }
    for (int32_t i = 0; i < kNumParameters; ++i)
        EXPECT_EQ(host.controller->normalizedParamToPlain(ParamID(i), seen[size_t(i)]),
                  double(factoryBank()[5].parameter[i]))
            << i;
    EXPECT_EQ(seen[kProgramId], 5.0 / 119.0);
    EXPECT_EQ(host.controller->getParamNormalized(kProgramId), 5.0 / 119.0);
    EXPECT_EQ(host.restarts.load(), 0); // never from the audio thread

    // Controller 40 is learned to CUTOFF in every factory program.
    host.process(l.data(), r.data(), 256, {}, {{host.mapped(40), 3, 64 / 127.0}});
    ASSERT_EQ(host.output.size(), 1u);
    EXPECT_EQ(host.output[0].id, ParamID(kParamCutoff));
    EXPECT_EQ(host.output[0].value, host.controller->getParamNormalized(kParamCutoff));
    EXPECT_EQ(float(host.output[0].value), 64.0f / 127.0f);

    // The host's own changes are not echoed.
    host.process(l.data(), r.data(), 256, {}, {{kParamResonance, 0, 0.25}});
    EXPECT_TRUE(host.output.empty());
    EXPECT_EQ(host.wrongThreadCalls.load(), 0);
}

TEST(Vst3Programs, TheProgramListNamesTheBank)
{
    Vst3Host host;
    ASSERT_NE(host.units, nullptr) << host.loadError;
    ASSERT_EQ(host.units->getUnitCount(), 1);
    UnitInfo unit{};
    ASSERT_EQ(host.units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, kRootUnitId);
    ASSERT_EQ(host.units->getProgramListCount(), 1);
    ProgramListInfo list{};
    ASSERT_EQ(host.units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(unit.programListId, list.id);
    EXPECT_EQ(list.programCount, kNumPrograms);
    for (int32_t p = 0; p < kNumPrograms; ++p)
        EXPECT_EQ(host.programName(p), std::string(factoryBank()[p].name, strnlen(factoryBank()[p].name, 23))) << p;
    EXPECT_EQ(host.programName(kNumPrograms), "(refused)");
    EXPECT_EQ(host.programName(-1), "(refused)");
    String128 name{};
    EXPECT_NE(host.units->getProgramName(list.id + 1, 0, name), kResultOk);
}

// ------------------------------------------------------------------ state

TEST(Vst3State, RoundTripsByteForByte)
{
    std::vector<uint8_t> saved;
    {
        Vst3Host host;
        ASSERT_TRUE(host.activate(44100.0, 256));
        std::vector<float> l(256), r(256);
        host.process(l.data(), r.data(), 256, {},
                     {{host.mapped(kCtrlProgramChange), 0, 9.0 / 119.0}, {kParamCutoff, 10, 0.123}});
        saved = host.save();
        ASSERT_EQ(saved.size(), 16u + size_t(kBankChunkBytes));
    }
    Vst3Host other;
    ASSERT_TRUE(other.load(saved, 7)); // a stream that hands out 7 bytes a read
    EXPECT_EQ(other.controller->getParamNormalized(kParamCutoff), double(0.123f));
    EXPECT_EQ(other.controller->getParamNormalized(kProgramId), 9.0 / 119.0);
    EXPECT_EQ(other.save(), saved);
    EXPECT_EQ(other.restarts.load(), 0);
}

TEST(Vst3State, DamagedOrForeignStatesChangeNothing)
{
    Vst3Host host;
    ASSERT_TRUE(host.activate(44100.0, 64));
    float l[64], r[64];
    // The instrument's own state first changed, so that "nothing changed"
    // is not the factory state by chance.
    host.process(l, r, 64, {}, {{kParamCutoff, 0, 0.5}});
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
        with([](auto& b) { b[11] = 0x80; }),                                // a negative program
        with([](auto& b) { b[12] ^= 1; }),                                  // wrong bank size
        with([&](auto& b) { std::memcpy(&b[16 + 24], &nan, sizeof nan); }), // NaN in program 0
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        EXPECT_FALSE(host.load(damaged[i])) << "row " << i;
        EXPECT_EQ(host.save(), good) << "row " << i;
    }
    EXPECT_NE(host.component->setState(nullptr), kResultOk);
    EXPECT_EQ(host.save(), good);
}

} // namespace
