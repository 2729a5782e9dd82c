#include "ReferenceScenarios.h"

#include "core/FactoryBank.h"
#include "voice/Random.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vemotest {

void SampleHash::add(float sample)
{
    uint32_t bits;
    std::memcpy(&bits, &sample, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        value ^= (bits >> (8 * i)) & 0xFFu;
        value *= 1099511628211ull;
    }
}

Fingerprint renderScenario(const Scenario& s, SynthEngine& engine, bool stretches)
{
    engine.random.seed(s.seed);
    for (int i = 0; i < kNumParameters; ++i)
        engine.parameterBlock.set(i, s.parameters[i]);
    engine.tempo = 120.0f;

    // Stretches between the score's actions render in one call, as the
    // module renders the stretches between its events.
    std::vector<float> left(size_t(s.frames)), right(size_t(s.frames));
    size_t next = 0;
    int32_t frame = 0;
    while (frame < s.frames) {
        for (; next < s.score.size() && s.score[next].frame <= frame; ++next) {
            const ScoreAction& a = s.score[next];
            switch (a.kind) {
            case ScoreAction::NoteOn: engine.noteOn(a.a, a.b); break;
            case ScoreAction::NoteOff: engine.noteOff(a.a); break;
            case ScoreAction::AllNotesOff:
                engine.allNotesOff();
                engine.pitchBend = 0.0f;
                break;
            case ScoreAction::Bend: engine.pitchBend = a.b; break;
            case ScoreAction::Parameter: engine.parameterBlock.set(a.a, a.b); break;
            case ScoreAction::Program:
                for (int i = 0; i < kNumParameters; ++i)
                    engine.parameterBlock.set(i, factoryBank()[a.a].parameter[i]);
                break;
            case ScoreAction::Rate: engine.setSampleRate(a.b); break;
            case ScoreAction::Tempo: engine.tempo = a.b; break;
            }
        }
        const int32_t end = next < s.score.size() ? std::min(s.score[next].frame, s.frames) : s.frames;
        if (stretches)
            engine.render(&left[size_t(frame)], &right[size_t(frame)], end - frame);
        else
            for (int32_t i = frame; i < end; ++i)
                engine.renderSample(left[size_t(i)], right[size_t(i)]);
        frame = end;
    }

    Fingerprint print;
    SampleHash hash;
    for (int32_t i = 0; i < s.frames; ++i) {
        hash.add(left[size_t(i)]);
        hash.add(right[size_t(i)]);
    }
    const int32_t probeEvery = s.frames / Fingerprint::kProbes;
    if (probeEvery > 0)
        for (int p = 0; p < Fingerprint::kProbes; ++p)
            std::memcpy(&print.probes[p], &left[size_t((p + 1) * probeEvery - 1)], sizeof(float));
    print.hash = hash.value;
    return print;
}

namespace {

// SplitMix64, so the random patches are the same with every standard library.
struct PatchRandom {
    uint64_t state;
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float unit() { return float(next() >> 40) * (1.0f / 16777216.0f); } // 0..1
    int below(int n) { return int(next() % uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
};

// A neutral playable patch: saw through an open filter, quick envelope.
void basePatch(float* p)
{
    for (int i = 0; i < kNumParameters; ++i)
        p[i] = 0.0f;
    p[kParamVolume] = 0.6f;
    p[kParamMasterPitch] = 0.5f;
    p[kParamSaw] = 1.0f;
    p[kParamCutoff] = 0.7f;
    p[kParamResonance] = 0.3f;
    p[kParamEnvVolume] = 1.0f;
    p[kParamDecay] = 0.4f;
    p[kParamSustain] = 0.7f;
    p[kParamRelease] = 0.1f;
    p[kParamTranspose] = 0.5f;
    p[kParamLfoRate] = 0.5f;
    p[kParamContour] = 0.5f;
}

// Any value a host may set: switches 0/1, menus in range, the octave
// switch's four positions, continuous values with their ends 0 and 1.
void randomPatch(float* p, PatchRandom& r)
{
    for (int i = 0; i < kNumParameters; ++i) {
        switch (i) {
        case kParamSaw: case kParamPulse: case kParamPwMode: case kParamContourBias:
        case kParamEnvGate: case kParamLfoTrigger: case kParamChorus1: case kParamChorus2:
        case kParamManualPw: case kParamSharedFilter:
            p[i] = r.chance(50) ? 1.0f : 0.0f;
            break;
        case kParamLfoWaveform: p[i] = float(r.below(5)); break;
        case kParamLfoClock: p[i] = r.chance(50) ? 0.0f : float(r.below(13)); break;
        case kParamTranspose: p[i] = float(r.below(4)) / 3.0f; break;
        case kParamLearnAll: case kParamLearnProgram: p[i] = 0.0f; break;
        default: {
            const int pick = r.below(10);
            p[i] = pick == 0 ? 0.0f : pick == 1 ? 1.0f : r.unit();
        }
        }
    }
    // Keep the patch audible and its envelopes moving.
    if (p[kParamSaw] == 0.0f && p[kParamPulse] == 0.0f && p[kParamSubOsc] <= 0.0f)
        p[kParamSaw] = 1.0f;
    p[kParamVolume] = 0.4f + 0.6f * p[kParamVolume];
    p[kParamEnvVolume] = 0.5f + 0.5f * p[kParamEnvVolume];
    p[kParamAttack] *= 0.6f;
    p[kParamDecay] *= 0.8f;
    p[kParamRelease] *= 0.5f;
}

ScoreAction on(int32_t frame, int note, float velocity = 0.8f)
{
    return {frame, ScoreAction::NoteOn, note, velocity};
}
ScoreAction off(int32_t frame, int note) { return {frame, ScoreAction::NoteOff, note, 0.0f}; }
ScoreAction param(int32_t frame, int index, float value)
{
    return {frame, ScoreAction::Parameter, index, value};
}

// A chord held, then released, long enough to reach silence with a quick
// release and to run the idle voices' filter flush.
void chord(std::vector<ScoreAction>& score, int32_t start, int32_t hold, const std::vector<int>& notes)
{
    for (size_t i = 0; i < notes.size(); ++i)
        score.push_back(on(start + int32_t(i) * 7, notes[i], 0.5f + 0.07f * float(i)));
    for (int note : notes)
        score.push_back(off(start + hold, note));
}

void sortScore(Scenario& s)
{
    std::stable_sort(s.score.begin(), s.score.end(),
                     [](const ScoreAction& x, const ScoreAction& y) { return x.frame < y.frame; });
}

} // namespace

std::vector<Scenario> referenceScenarios()
{
    std::vector<Scenario> all;
    char name[64];

    // Every factory program: a three-note chord in its register, released.
    for (int k = 0; k < kNumPrograms; ++k) {
        Scenario s;
        std::snprintf(name, sizeof name, "program-%03d", k);
        s.name = name;
        s.frames = 1600;
        s.seed = 1000 + uint64_t(k);
        std::memcpy(s.parameters, factoryBank()[k].parameter, sizeof s.parameters);
        chord(s.score, 0, 1100, {48 + k % 12, 55 + k % 12, 64 + k % 5});
        all.push_back(s);
    }

    // Random patches over every parameter form, with a bend and a
    // parameter change each while the notes sound.
    PatchRandom r{20240614};
    for (int n = 0; n < 40; ++n) {
        Scenario s;
        std::snprintf(name, sizeof name, "random-%02d", n);
        s.name = name;
        s.frames = 2400;
        s.seed = 5000 + uint64_t(n);
        randomPatch(s.parameters, r);
        const int root = 36 + r.below(36);
        chord(s.score, 3, 1500, {root, root + 4 + r.below(4), root + 10 + r.below(6)});
        s.score.push_back({400 + r.below(400), ScoreAction::Bend, 0, r.unit() * 2.0f - 1.0f});
        const int index = 1 + r.below(38);
        if (index != kParamLfoWaveform && index != kParamLfoClock && index != kParamTranspose) {
            // The value is drawn before the frame. These renders were frozen
            // from param(700 + r.below(400), index, r.unit()), whose
            // arguments C++ evaluates in no fixed order: GCC on x86-64 called
            // r.unit() first, GCC on aarch64 r.below() first, so 18 random
            // patches got another change on ARM. Drawn in statements, the
            // order is x86-64's everywhere.
            const float value = r.unit();
            const int32_t frame = 700 + r.below(400);
            s.score.push_back(param(frame, index, value));
        }
        sortScore(s);
        all.push_back(s);
    }

    // One feature at a time on the neutral patch, six notes held.
    struct Feature {
        const char* name;
        std::vector<std::pair<int, float>> set;
    };
    const Feature features[] = {
        {"noise", {{kParamNoiseVolume, 0.6f}, {kParamSaw, 0.0f}}},
        {"pwm-lfo", {{kParamSaw, 0.0f}, {kParamPulse, 1.0f}, {kParamPwIntensity, 0.8f}, {kParamLfoRate, 0.8f}}},
        {"pwm-fixed-048", {{kParamSaw, 0.0f}, {kParamPulse, 1.0f}}},
        {"pwm-manual", {{kParamPulse, 1.0f}, {kParamManualPw, 1.0f}, {kParamPwIntensity, 0.3f}}},
        {"pwm-envelope", {{kParamPulse, 1.0f}, {kParamPwMode, 1.0f}, {kParamPwIntensity, 1.0f}, {kParamAttack, 0.3f}}},
        {"sub", {{kParamSubOsc, 1.0f}, {kParamSubOscVolume, 0.8f}}},
        {"key-follow", {{kParamKeyFollow, 0.7f}, {kParamCutoff, 0.4f}}},
        {"filter-lfo", {{kParamFilterLfo, 0.8f}, {kParamLfoRate, 0.7f}, {kParamResonance, 0.8f}}},
        {"pitch-lfo", {{kParamOscLfo, 0.6f}, {kParamLfoRate, 0.6f}, {kParamSubOsc, 1.0f}}},
        {"shared-filter", {{kParamSharedFilter, 1.0f}, {kParamResonance, 0.7f}}},
        {"chorus-1", {{kParamChorus1, 1.0f}}},
        {"chorus-2", {{kParamChorus2, 1.0f}}},
        {"chorus-both", {{kParamChorus1, 1.0f}, {kParamChorus2, 1.0f}}},
        {"gate-envelope", {{kParamEnvGate, 1.0f}, {kParamAttack, 0.5f}}},
        {"contour-inverted", {{kParamContourBias, 1.0f}, {kParamContour, 0.9f}, {kParamEnvVelocity, 0.5f}}},
        {"self-oscillation", {{kParamResonance, 1.0f}, {kParamCutoff, 0.3f}, {kParamSaw, 0.0f}, {kParamNoiseVolume, 0.01f}}},
        {"lfo-random-delay", {{kParamOscLfo, 0.4f}, {kParamLfoWaveform, 4.0f}, {kParamLfoDelay, 0.02f}, {kParamLfoRate, 0.9f}}},
        {"lfo-tempo-sync", {{kParamFilterLfo, 0.7f}, {kParamLfoClock, 7.0f}, {kParamLfoWaveform, 2.0f}}},
        {"heavy", {{kParamPulse, 1.0f}, {kParamPwIntensity, 0.7f}, {kParamSubOsc, 1.0f}, {kParamSubOscVolume, 0.5f},
                   {kParamNoiseVolume, 0.2f}, {kParamKeyFollow, 0.7f}, {kParamFilterLfo, 0.5f}, {kParamCutoff, 0.6f},
                   {kParamResonance, 0.5f}, {kParamContour, 0.8f}, {kParamChorus1, 1.0f}, {kParamChorus2, 1.0f}}},
    };
    for (const Feature& f : features) {
        Scenario s;
        s.name = std::string("feature-") + f.name;
        s.frames = 3000;
        s.seed = 7000 + all.size();
        basePatch(s.parameters);
        for (auto [index, value] : f.set)
            s.parameters[index] = value;
        chord(s.score, 0, 2000, {48, 52, 55, 60, 64, 67});
        all.push_back(s);
    }

    // Voice stealing: nine held notes, then releases in another order.
    {
        Scenario s;
        s.name = "stealing";
        s.frames = 4000;
        s.seed = 8001;
        basePatch(s.parameters);
        s.parameters[kParamRelease] = 0.3f;
        const int notes[] = {40, 47, 52, 56, 59, 64, 68, 71, 76};
        for (int i = 0; i < 9; ++i)
            s.score.push_back(on(100 * i, notes[i], 0.3f + 0.07f * float(i)));
        for (int i = 0; i < 9; ++i)
            s.score.push_back(off(1200 + 90 * i, notes[(i * 4) % 9]));
        s.score.push_back(on(2200, 47)); // a released voice's own note comes back
        s.score.push_back(on(2300, 80));
        s.score.push_back({3000, ScoreAction::AllNotesOff});
        sortScore(s);
        all.push_back(s);
    }

    // Pitch bend sweeping pitch and cutoff, down and up.
    {
        Scenario s;
        s.name = "bend-sweep";
        s.frames = 3000;
        s.seed = 8002;
        basePatch(s.parameters);
        s.parameters[kParamModDco] = 1.0f;
        s.parameters[kParamModVcf] = 0.8f;
        s.parameters[kParamSubOsc] = 1.0f;
        s.parameters[kParamKeyFollow] = 0.5f;
        chord(s.score, 0, 2600, {45, 57, 64});
        for (int i = 0; i < 40; ++i)
            s.score.push_back({50 + 60 * i, ScoreAction::Bend, 0, float((i * 9) % 128 - 64) * 0.015748031f});
        sortScore(s);
        all.push_back(s);
    }

    // Parameters moving under held notes: cutoff sweep, switches flipped,
    // the shared filter turned on and off, transpose, both choruses.
    {
        Scenario s;
        s.name = "parameter-changes";
        s.frames = 4000;
        s.seed = 8003;
        basePatch(s.parameters);
        chord(s.score, 0, 3500, {50, 53, 57, 62});
        for (int i = 0; i < 60; ++i)
            s.score.push_back(param(20 + 50 * i, kParamCutoff, float((i * 37) % 60) / 60.0f));
        s.score.push_back(param(500, kParamPulse, 1.0f));
        s.score.push_back(param(800, kParamSharedFilter, 1.0f));
        s.score.push_back(param(1300, kParamSharedFilter, 0.0f));
        s.score.push_back(param(1500, kParamTranspose, 1.0f));
        s.score.push_back(param(1700, kParamChorus1, 1.0f));
        s.score.push_back(param(1900, kParamNoiseVolume, 0.4f));
        s.score.push_back(param(2100, kParamEnvGate, 1.0f));
        s.score.push_back(param(2300, kParamResonance, 0.95f));
        s.score.push_back(param(2500, kParamSaw, 0.0f));
        s.score.push_back(param(2700, kParamPwMode, 1.0f));
        s.score.push_back(param(2900, kParamKeyFollow, 0.9f));
        sortScore(s);
        all.push_back(s);
    }

    // Program changes while notes sound (the plug-in loads all 47 values).
    {
        Scenario s;
        s.name = "program-changes";
        s.frames = 4000;
        s.seed = 8004;
        std::memcpy(s.parameters, factoryBank()[0].parameter, sizeof s.parameters);
        chord(s.score, 0, 3000, {48, 55, 60, 67});
        const int programs[] = {5, 17, 33, 0, 64, 90, 110};
        for (int i = 0; i < 7; ++i)
            s.score.push_back({300 + 400 * i, ScoreAction::Program, programs[i], 0.0f});
        s.score.push_back(on(1500, 72));
        sortScore(s);
        all.push_back(s);
    }

    // The heavy patch and program 0 at every common rate, and a rate change
    // while a note is held.
    for (float rate : {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (int program : {-1, 0}) {
            Scenario s;
            std::snprintf(name, sizeof name, "rate-%d-%s", int(rate), program < 0 ? "heavy" : "program-0");
            s.name = name;
            s.rate = rate;
            s.frames = 3000;
            s.seed = 9000 + uint64_t(rate) + uint64_t(program + 1);
            if (program < 0) {
                basePatch(s.parameters);
                for (auto [index, value] : features[sizeof features / sizeof features[0] - 1].set)
                    s.parameters[index] = value;
            } else {
                std::memcpy(s.parameters, factoryBank()[program].parameter, sizeof s.parameters);
            }
            chord(s.score, 0, 2200, {48, 52, 55, 60, 64, 67});
            all.push_back(s);
        }
    }
    {
        Scenario s;
        s.name = "rate-change-mid-note";
        s.frames = 3000;
        s.seed = 9500;
        basePatch(s.parameters);
        s.parameters[kParamChorus2] = 1.0f;
        s.parameters[kParamLfoClock] = 3.0f;
        s.parameters[kParamFilterLfo] = 0.6f;
        chord(s.score, 0, 2500, {55, 62});
        s.score.push_back({1000, ScoreAction::Rate, 0, 96000.0f});
        s.score.push_back({2000, ScoreAction::Rate, 0, 48000.0f});
        sortScore(s);
        all.push_back(s);
    }
    return all;
}

} // namespace vemotest
