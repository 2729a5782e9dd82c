// The engine reproduces its frozen reference renders sample for sample, on
// every voice path this processor can take, and the loaded module gives the
// same samples whatever block size the host uses.
//
// To refreeze after a deliberate change of the sound (never to make a
// failing optimisation pass), see tests/engine/reference/README.md.
#include "ReferenceScenarios.h"

#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

using vemotest::Fingerprint;

const char* const kFrozenPath = VEMO_REFERENCE_RENDERS;

const VoiceLanes::Path kPaths[] = {VoiceLanes::Path::Scalar, VoiceLanes::Path::Sse2, VoiceLanes::Path::Avx2,
                                   VoiceLanes::Path::Neon, VoiceLanes::Path::Plain};

const char* pathName(VoiceLanes::Path path)
{
    switch (path) {
    case VoiceLanes::Path::Scalar: return "scalar";
    case VoiceLanes::Path::Sse2: return "sse2";
    case VoiceLanes::Path::Avx2: return "avx2";
    case VoiceLanes::Path::Neon: return "neon";
    case VoiceLanes::Path::Plain: return "plain";
    }
    return "?";
}

std::map<std::string, Fingerprint> readFrozen()
{
    std::map<std::string, Fingerprint> frozen;
    std::ifstream in(kFrozenPath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name;
        Fingerprint f;
        fields >> name >> std::hex >> f.hash;
        for (uint32_t& p : f.probes)
            fields >> p;
        if (fields)
            frozen[name] = f;
    }
    return frozen;
}

std::string describe(const Fingerprint& f)
{
    std::string text;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%016" PRIx64, f.hash);
    text += buffer;
    for (uint32_t p : f.probes) {
        std::snprintf(buffer, sizeof buffer, " %08" PRIx32, p);
        text += buffer;
    }
    return text;
}

// The module scenario: a phrase through the host interface, with MIDI
// program change, bend, a learned-free controller and all-notes-off.
std::vector<VstMidiEvent> modulePhrase()
{
    using vemotest::TestHost;
    std::vector<VstMidiEvent> events;
    const int notes[] = {48, 55, 60, 64, 67, 72, 76};
    for (int i = 0; i < 7; ++i)
        events.push_back(TestHost::noteOn(37 * i + 3, notes[i], 60 + 9 * i));
    events.push_back(TestHost::midi(900, 0xE0, 0, 90));
    events.push_back(TestHost::midi(1500, 0xC0, 9, 0));
    events.push_back(TestHost::midi(2100, 0xE0, 0, 30));
    for (int i = 0; i < 7; ++i)
        events.push_back(TestHost::noteOff(2500 + 53 * i, notes[i]));
    events.push_back(TestHost::noteOn(3300, 50, 127));
    events.push_back(TestHost::midi(3900, 0xB0, 123, 0));
    return events;
}

constexpr int32_t kModuleFrames = 4600;

Fingerprint renderModule(int32_t blockSize)
{
    vemotest::TestHost host;
    EXPECT_NE(host.effect, nullptr) << host.loadError;
    Fingerprint f;
    if (host.effect == nullptr)
        return f;
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.dispatch(effSetBlockSize, 0, 4096);
    host.dispatch(effMainsChanged, 0, 1);
    host.setParameter(kParamChorus1, 1.0f);
    std::vector<float> left, right;
    host.render(left, right, kModuleFrames, blockSize, modulePhrase());
    vemotest::SampleHash hash;
    for (int32_t i = 0; i < kModuleFrames; ++i) {
        hash.add(left[size_t(i)]);
        hash.add(right[size_t(i)]);
    }
    f.hash = hash.value;
    for (int p = 0; p < Fingerprint::kProbes; ++p)
        std::memcpy(&f.probes[p], &left[size_t((p + 1) * (kModuleFrames / Fingerprint::kProbes) - 1)],
                    sizeof(float));
    return f;
}

} // namespace

TEST(ReferenceRenders, EveryScenarioMatchesItsFrozenRender)
{
    const auto frozen = readFrozen();
    ASSERT_FALSE(frozen.empty()) << "no frozen renders in " << kFrozenPath;
    const auto scenarios = vemotest::referenceScenarios();
    int compared = 0;
    // Frame by frame on the scalar voices (the reference itself), then in
    // stretches on every path the processor offers.
    struct Way {
        VoiceLanes::Path path;
        bool stretches;
    };
    std::vector<Way> ways = {{VoiceLanes::Path::Scalar, false}};
    for (auto path : kPaths)
        ways.push_back({path, true});
    for (const Way& way : ways) {
        if (!VoiceLanes::supported(way.path)) {
            std::printf("voice path %s: not offered by this processor\n", pathName(way.path));
            continue;
        }
        for (const auto& s : scenarios) {
            auto engine = std::make_unique<SynthEngine>(s.rate);
            engine->lanes.path = way.path;
            const Fingerprint got = vemotest::renderScenario(s, *engine, way.stretches);
            const auto it = frozen.find(s.name);
            if (it == frozen.end()) {
                ADD_FAILURE() << s.name << ": not frozen";
                continue;
            }
            ++compared;
            EXPECT_EQ(describe(got), describe(it->second))
                << s.name << " on path " << pathName(way.path)
                << (way.stretches ? " in stretches" : " frame by frame");
        }
    }
    EXPECT_GE(compared, 3 * int(scenarios.size()));
    RecordProperty("renders", compared);
}

TEST(ReferenceRenders, ModuleGivesTheSameSamplesForEveryBlockSize)
{
    const auto frozen = readFrozen();
    const auto it = frozen.find("module-phrase");
    ASSERT_NE(it, frozen.end()) << "module-phrase is not frozen";
    for (int32_t block : {1, 17, 256, 4096})
        EXPECT_EQ(describe(renderModule(block)), describe(it->second)) << "block size " << block;
}

// Each voice's own filter runs while the next frame is prepared; the lanes
// take one filter alone, some of the six, or all six, and voices ring out
// after their release. Scores that pass through each of those, with
// ordinary and long stretches, give on every lane path exactly the samples
// of the voice-by-voice reference.
TEST(ReferenceRenders, OwnFiltersOfOneSomeOrAllVoicesMatchTheReference)
{
    using vemotest::ScoreAction;
    std::vector<vemotest::Scenario> scenarios;
    for (int variant = 0; variant < 6; ++variant) {
        vemotest::Scenario s;
        s.name = "own-filters-" + std::to_string(variant);
        s.rate = variant % 3 == 2 ? 96000.0f : 44100.0f;
        s.frames = 40000;
        s.seed = 1000u + uint64_t(variant);
        for (float& value : s.parameters)
            value = 0.0f;
        auto set = [&s](int index, float value) { s.parameters[index] = value; };
        set(kParamVolume, 0.8f);
        set(kParamEnvVolume, 0.8f);
        set(kParamMasterPitch, 0.5f);
        set(kParamSaw, 1.0f);
        set(kParamPulse, variant % 2 ? 1.0f : 0.0f);
        set(kParamPwIntensity, 0.7f);
        set(kParamSubOsc, 1.0f);
        set(kParamSubOscVolume, 0.5f);
        set(kParamNoiseVolume, variant == 1 ? 0.0f : 0.2f);
        set(kParamKeyFollow, variant < 3 ? 0.7f : 0.0f);
        set(kParamFilterLfo, 0.5f);
        set(kParamLfoRate, 0.5f);
        set(kParamCutoff, 0.6f);
        set(kParamResonance, 0.5f);
        set(kParamContour, 0.8f);
        set(kParamEnvGate, variant == 4 ? 1.0f : 0.0f);
        set(kParamAttack, 0.1f);
        set(kParamDecay, 0.5f);
        set(kParamSustain, 0.8f);
        set(kParamRelease, variant == 5 ? 0.0f : 0.3f);
        set(kParamHpCutoff, 0.2f);
        set(kParamChorus1, variant % 2 ? 1.0f : 0.0f);
        set(kParamSharedFilter, 0.0f);
        // One voice, a second, one released while others come in, all
        // six, releases one by one (voices ringing out beside sounding
        // ones), all off, then one voice alone again; events now close
        // together (short stretches), now far apart.
        auto at = [&s](int32_t frame, ScoreAction::Kind kind, int32_t a = 0, float b = 0.0f) {
            s.score.push_back({frame, kind, a, b});
        };
        const int32_t shift = variant * 37;
        at(0, ScoreAction::NoteOn, 48, 0.9f);
        at(3000 + shift, ScoreAction::NoteOn, 55, 0.7f);
        at(5000, ScoreAction::NoteOff, 48);
        at(6000, ScoreAction::NoteOn, 60, 0.8f);
        at(6003, ScoreAction::NoteOn, 64, 0.6f);
        at(6010, ScoreAction::NoteOn, 67, 1.0f);
        at(6500 + shift, ScoreAction::NoteOn, 72, 0.5f);
        at(7000, ScoreAction::NoteOn, 76, 0.9f);
        at(9000, ScoreAction::NoteOff, 55);
        at(9400, ScoreAction::NoteOff, 60);
        at(9405, ScoreAction::NoteOff, 64);
        at(12000, ScoreAction::NoteOff, 67);
        at(15000 + shift, ScoreAction::AllNotesOff);
        at(20000, ScoreAction::NoteOn, 45, 1.0f);
        at(26000, ScoreAction::NoteOff, 45);
        at(30000, ScoreAction::NoteOn, 81, 0.4f);
        at(30019, ScoreAction::NoteOff, 81);
        std::stable_sort(s.score.begin(), s.score.end(),
                         [](const ScoreAction& x, const ScoreAction& y) { return x.frame < y.frame; });
        scenarios.push_back(s);
    }
    for (const auto& s : scenarios) {
        auto reference = std::make_unique<SynthEngine>(s.rate);
        reference->lanes.path = VoiceLanes::Path::Scalar;
        const Fingerprint expected = vemotest::renderScenario(s, *reference, false);
        for (auto path : kPaths) {
            if (path == VoiceLanes::Path::Scalar)
                continue;
            if (!VoiceLanes::supported(path))
                continue;
            auto engine = std::make_unique<SynthEngine>(s.rate);
            engine->lanes.path = path;
            EXPECT_EQ(describe(vemotest::renderScenario(s, *engine, true)), describe(expected))
                << s.name << " on path " << pathName(path);
        }
    }
}

// Writes the frozen renders. Run only on purpose, after a change that is
// meant to change the sound (see tests/engine/reference/README.md).
TEST(ReferenceRenders, DISABLED_Refreeze)
{
    std::ofstream out(kFrozenPath);
    ASSERT_TRUE(out) << kFrozenPath;
    out << "# Frozen reference renders of tests/engine/ReferenceScenarios.cpp: name, FNV-1a 64 hash\n"
           "# over the bits of every left and right sample, the bits of eight left samples.\n"
           "# Written by test_engine --gtest_also_run_disabled_tests "
           "--gtest_filter=ReferenceRenders.DISABLED_Refreeze\n";
    for (const auto& s : vemotest::referenceScenarios()) {
        auto engine = std::make_unique<SynthEngine>(s.rate);
        engine->lanes.path = VoiceLanes::Path::Scalar; // the reference defines the sound
        out << s.name << ' ' << describe(vemotest::renderScenario(s, *engine, false)) << '\n';
    }
    out << "module-phrase " << describe(renderModule(256)) << '\n';
}
