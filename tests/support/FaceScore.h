// What every plug-in face's tests play against the VST 2.x module: a score
// (MIDI at absolute frames, parameter changes between blocks), the player
// that cuts it into blocks for any host, the module's own render of it, and
// the sample-for-sample comparison. One family for every face: each suite
// only says how its host takes a block.
#pragma once

#include "support/TestHost.h"
#include "voice/ParameterBlock.h"
#include "voice/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <functional>
#include <random>
#include <vector>

namespace vemotest {

struct ScoreChange {
    int32_t frame; // applied before the block that holds it
    int32_t parameter;
    float value;
};

struct Score {
    int32_t frames = 0;
    std::vector<VstMidiEvent> midi; // deltaFrames: the absolute frame
    std::vector<ScoreChange> changes;
};

struct Take {
    std::vector<float> left, right;
};

// Plays `score` in blocks of `blockFrames`: block(start, due, events, left,
// right, n) plays one, with the changes due before it in parameter order
// (the order in which a face that reads ports takes them) and its MIDI at
// offsets within it.
template <class Block> Take playScore(const Score& score, int32_t blockFrames, Block block)
{
    Take take{std::vector<float>(size_t(score.frames)), std::vector<float>(size_t(score.frames))};
    std::vector<VstMidiEvent> midi = score.midi;
    std::stable_sort(midi.begin(), midi.end(), [](auto& a, auto& b) { return a.deltaFrames < b.deltaFrames; });
    std::vector<ScoreChange> changes = score.changes;
    std::stable_sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
    size_t nextMidi = 0, nextChange = 0;
    for (int32_t start = 0; start < score.frames;) {
        const int32_t n = std::min(blockFrames, score.frames - start);
        std::vector<ScoreChange> due;
        for (; nextChange < changes.size() && changes[nextChange].frame < start + n; ++nextChange)
            due.push_back(changes[nextChange]);
        std::stable_sort(due.begin(), due.end(), [](auto& a, auto& b) { return a.parameter < b.parameter; });
        std::vector<VstMidiEvent> events;
        for (; nextMidi < midi.size() && midi[nextMidi].deltaFrames < start + n; ++nextMidi) {
            events.push_back(midi[nextMidi]);
            events.back().deltaFrames -= start;
        }
        block(start, due, events, take.left.data() + start, take.right.data() + start, n);
        start += n;
    }
    return take;
}

// The reference: the VST 2.x module started at `rate` and `block`, `setup`
// done before the score.
inline Take renderVst(const Score& score, float rate, int32_t block,
                      const std::function<void(TestHost&)>& setup = {})
{
    TestHost host;
    EXPECT_NE(host.effect, nullptr) << host.loadError;
    host.start(rate, block);
    if (setup)
        setup(host);
    return playScore(score, block, [&](int32_t, auto& due, auto& events, float* l, float* r, int32_t n) {
        for (const ScoreChange& c : due)
            host.setParameter(c.parameter, c.value);
        host.sendMidi(events);
        host.process(l, r, n);
    });
}

// Both channels equal sample for sample, and not silent.
inline ::testing::AssertionResult sameSound(const Take& face, const Take& vst, const char* faceName)
{
    const std::vector<float>* channels[2][2] = {{&face.left, &vst.left}, {&face.right, &vst.right}};
    bool sounding = false;
    for (int c = 0; c < 2; ++c) {
        const std::vector<float>& a = *channels[c][0];
        const std::vector<float>& b = *channels[c][1];
        if (a.size() != b.size())
            return ::testing::AssertionFailure() << "lengths differ: " << a.size() << " and " << b.size();
        for (size_t f = 0; f < a.size(); ++f) {
            if (a[f] != b[f])
                return ::testing::AssertionFailure() << (c == 0 ? "left" : "right") << " channel first differs at frame "
                                                     << f << ": " << faceName << " " << a[f] << ", VST " << b[f];
            sounding = sounding || b[f] != 0.0f;
        }
    }
    if (!sounding)
        return ::testing::AssertionFailure() << "both silent: the score plays nothing";
    return ::testing::AssertionSuccess();
}

// Notes, bend, the pedal, learned controller 40, a program change with a
// note right after it, all-notes-off, over `frames`, and a random patch (from
// `seed`) set at frame 0: the played score every face renders against the
// VST 2.x module; each face adds the changes it delivers inside blocks.
inline Score playedScore(int32_t frames, uint32_t seed)
{
    Score s;
    s.frames = frames;
    auto at = [&](double part) { return int32_t(part * frames); };
    s.midi = {TestHost::noteOn(at(0.002) + 3, 48),       TestHost::noteOn(at(0.05) + 1, 55, 90),
              TestHost::noteOn(at(0.1) + 7, 60, 70),     TestHost::midi(at(0.15), 0xE0, 0, 100),
              TestHost::midi(at(0.2), 0xB0, 64, 127),    TestHost::noteOff(at(0.25), 48),
              TestHost::noteOff(at(0.3) + 5, 55),        TestHost::midi(at(0.35), 0xB0, 64, 0),
              TestHost::midi(at(0.4) + 2, 0xB0, 40, 30), TestHost::midi(at(0.5) + 9, 0xC0, 5, 0),
              TestHost::noteOn(at(0.5) + 10, 50),        TestHost::noteOff(at(0.7), 50),
              TestHost::midi(at(0.75), 0xB0, 123, 0),    TestHost::noteOn(at(0.8) + 1, 72),
              TestHost::noteOff(at(0.95), 72)};
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ::ParameterInfo& p = kParameterTable[i];
        if (i == kParamLearnAll || i == kParamLearnProgram || i == kParamVolume)
            continue; // learn stays off; the volume stays audible
        float v = p.minimum + unit(random) * (p.maximum - p.minimum);
        if (p.kind == ParameterKind::Switch || p.kind == ParameterKind::Menu)
            v = std::floor(v + 0.5f);
        s.changes.push_back(ScoreChange{0, i, v});
    }
    return s;
}

// Every parameter at a spread of its range (menus and switches on whole
// steps) with the text the VST 2.x module shows for it ("2.05 kHz"): what a
// face's own display texts are compared with.
struct DisplayCase {
    int32_t index;
    float value;
    std::string text;
};
inline std::vector<DisplayCase> vstDisplayTexts()
{
    std::vector<DisplayCase> cases;
    TestHost vst;
    vst.start(48000.0f, 512);
    for (int32_t i = 0; i < kNumParameters; ++i)
        for (float f : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
            const ::ParameterInfo& p = kParameterTable[i];
            float v = p.minimum + f * (p.maximum - p.minimum);
            if (p.kind == ParameterKind::Menu || p.kind == ParameterKind::Switch)
                v = std::floor(v);
            const float before = vst.getParameter(i);
            vst.setParameter(i, v);
            char display[64] = {}, label[64] = {};
            vst.dispatch(effGetParamDisplay, i, 0, display);
            vst.dispatch(effGetParamLabel, i, 0, label);
            cases.push_back({i, v, std::string(display) + (label[0] ? " " : "") + label});
            vst.setParameter(i, before);
        }
    return cases;
}

} // namespace vemotest
