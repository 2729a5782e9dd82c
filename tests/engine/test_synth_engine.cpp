// The engine: note allocation, LFO timing, output stages and silence.
#include "engine/SynthEngine.h"
#include "voice/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct EngineRig {
    SynthEngine engine;
    explicit EngineRig(float rate = 44100.0f) : engine(rate)
    {
        auto& p = engine.parameterBlock;
        p.set(kParamVolume, 0.5f);
        p.set(kParamMasterPitch, 0.5f);
        p.set(kParamSaw, 1.0f);
        p.set(kParamCutoff, 1.0f);
        p.set(kParamEnvVolume, 1.0f);
        p.set(kParamDecay, 0.5f);
        p.set(kParamSustain, 1.0f);
        p.set(kParamTranspose, 0.5f);
    }
    void run(int frames, std::vector<float>* left = nullptr, std::vector<float>* right = nullptr)
    {
        for (int i = 0; i < frames; ++i) {
            float l = 0, r = 0;
            engine.renderSample(l, r);
            if (left)
                left->push_back(l);
            if (right)
                right->push_back(r);
        }
    }
    int voiceOf(int note) const
    {
        for (int i = 0; i < 6; ++i)
            if (engine.voices[i].note == note && engine.voices[i].gate)
                return i;
        return -1;
    }
};

} // namespace

TEST(VoiceAllocation, FirstNotes)
{
    EngineRig a;
    a.engine.noteOn(64, 1.0f); // every voice starts out holding 64
    EXPECT_EQ(a.voiceOf(64), 0);
    EXPECT_EQ(a.engine.lastVoice, 0);

    EngineRig b;
    b.engine.noteOn(60, 1.0f); // round robin from 6 lands on voice 0
    EXPECT_EQ(b.voiceOf(60), 0);
    b.engine.noteOn(60, 1.0f); // a held note restarts its own voice
    int holders = 0;
    for (auto& v : b.engine.voices)
        holders += v.note == 60 ? 1 : 0;
    EXPECT_EQ(holders, 1);
}

TEST(VoiceAllocation, SeventhNoteTakesOverTheNewestVoice)
{
    EngineRig rig;
    const int notes[] = {48, 52, 55, 60, 67, 72};
    for (int i = 0; i < 6; ++i) {
        rig.engine.noteOn(notes[i], 1.0f);
        EXPECT_EQ(rig.voiceOf(notes[i]), i);
    }
    EXPECT_EQ(rig.engine.lastVoice, 5);
    rig.engine.noteOn(76, 1.0f);
    EXPECT_EQ(rig.voiceOf(76), 5);
    EXPECT_EQ(rig.voiceOf(72), -1);
    EXPECT_EQ(rig.engine.lastVoice, 5);
    rig.engine.noteOff(76);
    EXPECT_FALSE(rig.engine.voices[5].gate);
    rig.engine.noteOff(72); // nothing holds it any more
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(rig.engine.voices[i].gate);
}

TEST(VoiceAllocation, ReleasedNotesReuseTheirVoiceAndOthersRotate)
{
    EngineRig rig;
    rig.engine.noteOn(60, 1.0f);
    rig.engine.noteOn(62, 1.0f);
    rig.engine.noteOff(60);
    rig.engine.noteOff(62);
    rig.engine.noteOn(60, 1.0f); // still in its release on voice 0: reused
    EXPECT_EQ(rig.voiceOf(60), 0);
    rig.engine.noteOff(60);
    rig.engine.noteOn(70, 1.0f);
    EXPECT_EQ(rig.voiceOf(70), 1);
    rig.engine.noteOn(71, 1.0f);
    EXPECT_EQ(rig.voiceOf(71), 2);
}

TEST(VoiceAllocation, NoteOffClosesEveryVoiceHoldingTheNote)
{
    EngineRig rig;
    for (auto& v : rig.engine.voices)
        v.startNote(64, 1.0f);
    rig.engine.noteOff(64);
    for (auto& v : rig.engine.voices)
        EXPECT_FALSE(v.gate);
}

TEST(VoiceAllocation, TempoSyncAndRetrigger)
{
    EngineRig rig;
    auto& p = rig.engine.parameterBlock;
    p.set(kParamLfoClock, 3.0f); // "1/4"
    rig.engine.tempo = 120.0f;
    rig.run(100);
    rig.engine.lfo.phase = 17.0f;
    p.set(kParamLfoTrigger, 1.0f); // sync restarts the LFO whatever the trigger says
    rig.engine.noteOn(60, 1.0f);
    EXPECT_EQ(rig.engine.lfo.phase, 0.0f);
    EXPECT_EQ(rig.engine.lfo.increment, 120.0f * 0.016666668f / 44100.0f * 256.0f);

    // Free running with trigger on: the phase runs on.
    p.set(kParamLfoClock, 0.0f);
    rig.engine.lfo.phase = 17.0f;
    rig.engine.noteOn(62, 1.0f);
    EXPECT_EQ(rig.engine.lfo.phase, 17.0f);
    p.set(kParamLfoTrigger, 0.0f);
    rig.engine.noteOn(64, 1.0f);
    EXPECT_EQ(rig.engine.lfo.phase, 0.0f);
}

TEST(SynthEngine, LfoDelayAndFadeIn)
{
    EngineRig rig;
    auto& p = rig.engine.parameterBlock;
    p.set(kParamLfoDelay, 0.5f);
    p.set(kParamLfoWaveform, 3.0f); // square: +1 at the start of the cycle
    p.set(kParamLfoRate, 0.2f);
    rig.engine.noteOn(60, 1.0f);
    for (int i = 0; i < 22050; ++i) {
        rig.run(1);
        ASSERT_EQ(rig.engine.lfoValue, 0.0f) << "frame " << i;
    }
    rig.run(1);
    EXPECT_EQ(rig.engine.lfoValue, 0.0f); // the first faded frame is multiplied by 0
    int fadeFrames = 1;
    while (rig.engine.lfoDelayFade < 1.0f) {
        rig.run(1);
        ++fadeFrames;
        ASSERT_LT(fadeFrames, 50000);
    }
    EXPECT_EQ(fadeFrames, 45345);
    // A new note mutes the LFO again for every voice.
    rig.engine.noteOn(64, 1.0f);
    rig.run(1);
    EXPECT_EQ(rig.engine.lfoValue, 0.0f);
}

TEST(SynthEngine, RestValueBeforeAnyNoteAndAfterTheLast)
{
    for (float hp : {0.0f, 0.5f}) {
        EngineRig rig;
        rig.engine.parameterBlock.set(kParamHpCutoff, hp);
        std::vector<float> l, r;
        rig.run(60000, &l, &r);
        const float rest = l.back();
        EXPECT_EQ(l[0], 0.0f);
        EXPECT_LT(rest, 0.0f);
        EXPECT_NEAR(rest, hp == 0.0f ? -2.3e-7 : -4.6e-9, hp == 0.0f ? 0.2e-7 : 0.4e-9);
        for (size_t i = 1; i < l.size(); ++i)
            ASSERT_NE(l[i], 0.0f);
        EXPECT_EQ(l, r);

        // After a note has come and gone the output settles back, with no chorus.
        rig.engine.parameterBlock.set(kParamChorus1, 1.0f);
        rig.engine.parameterBlock.set(kParamRelease, 0.0f);
        rig.engine.noteOn(60, 1.0f);
        rig.run(2000);
        rig.engine.noteOff(60);
        rig.run(2000);
        l.clear();
        r.clear();
        rig.run(200000, &l, &r);
        EXPECT_EQ(l, r);
        EXPECT_NEAR(l.back(), rest, std::fabs(rest) * 0.01);
    }
}

TEST(SynthEngine, HighPassCoefficientRange)
{
    // R = 0.999 - 0.4 v^3: 0.999 at 0, 0.599 at 1.
    EXPECT_EQ(0.999f - 0.4f * (1.0f * 1.0f * 1.0f), 0.599f);
}

TEST(SynthEngine, ChorusMakesTheSidesDifferOnlyWhileVoicesSound)
{
    EngineRig rig;
    rig.engine.parameterBlock.set(kParamChorus1, 1.0f);
    rig.engine.noteOn(57, 1.0f);
    std::vector<float> l, r;
    rig.run(4000, &l, &r);
    EXPECT_NE(l, r);
}

TEST(SynthEngine, SampleRateChangeRebuildsTheLfoAt1Hz)
{
    EngineRig rig;
    rig.engine.parameterBlock.set(kParamLfoClock, 3.0f);
    rig.engine.tempo = 120.0f;
    rig.engine.noteOn(60, 1.0f);
    rig.engine.setSampleRate(48000.0f);
    EXPECT_EQ(rig.engine.lfo.increment, 256.0f / 48000.0f);
    rig.run(10);
    EXPECT_EQ(rig.engine.pwmLfo.increment, rig.engine.lfo.increment);
    EXPECT_TRUE(rig.engine.voices[0].gate); // the note stays held
    EXPECT_EQ(rig.engine.lastVoice, 0);
}

TEST(SynthEngine, SharedFilterModeSumsThroughOneFilter)
{
    EngineRig rig;
    auto& p = rig.engine.parameterBlock;
    p.set(kParamSharedFilter, 1.0f);
    p.set(kParamCutoff, 0.5f);
    p.set(kParamResonance, 0.3f);
    for (int n : {48, 52, 55, 60})
        rig.engine.noteOn(n, 1.0f);
    std::vector<float> l;
    rig.run(5000, &l);
    for (auto& v : rig.engine.voices)
        EXPECT_EQ(v.filter.s1, 0.0f);
    EXPECT_NE(rig.engine.sharedFilter.s1, 0.0f);
    double peak = 0.0;
    for (float v : l) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, double(std::fabs(v)));
    }
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(peak, 2.0); // the level factor is clamped at 1
}

// The rates and corners the displays show are the engine's: the LFO increment
// it sets for LFO1RATE (bit for bit), the rate that increment sounds at, and
// the corner of its three high-pass stages measured with a sine.
TEST(SynthEngine, RatesAndCornersShownAreTheEngines)
{
    for (float rate : {44100.0f, 96000.0f}) {
        EngineRig rig(rate);
        for (float value : {0.0f, 0.05f, 0.2f, 0.3f, 0.5f, 0.73f, 1.0f}) {
            rig.engine.parameterBlock.set(kParamLfoRate, value);
            rig.run(1);
            EXPECT_EQ(rig.engine.lfo.increment, lfoFreeRunningRate(value) / rate * 256.0f) << value;
            // 255 table steps make a cycle.
            Lfo probe(rate);
            probe.increment = rig.engine.lfo.increment;
            probe.phase = 0.0f;
            int frames = 0;
            float previous = 0.0f;
            int wraps = 0;
            while (value > 0.1f && wraps < 3 && frames < 100000000) {
                previous = probe.phase;
                probe.tick(0);
                ++frames;
                if (probe.phase < previous) // wrapped at the start of this tick
                    ++wraps;
            }
            if (value > 0.1f) {
                const double sounding = lfoSoundingRate(lfoFreeRunningRate(value), rate);
                EXPECT_NEAR(double(frames - 1) / rate * sounding, 3.0, 0.003) << value;
            }
            if (value == 0.05f) { // so slow that the phase cannot move at all
                EXPECT_EQ(lfoSoundingRate(lfoFreeRunningRate(value), rate), 0.0);
            }
        }
        for (float value : {0.0f, 0.3f, 0.6f, 1.0f}) {
            const float R = SynthEngine::highPassPole(value);
            const double corner = OnePoleFilter::highPassCorner(R, SynthEngine::kHighPassStages, rate);
            auto gainAt = [&](double hz) {
                OnePoleFilter stages[3];
                double re = 0.0, im = 0.0;
                const int n = int(rate * 2.0f);
                for (int k = 0; k < 2 * n; ++k) {
                    float x = float(0.1 * std::sin(2.0 * M_PI * hz * k / rate));
                    for (auto& s : stages)
                        x = s.highPass(x, R);
                    if (k >= n) {
                        re += x * std::sin(2.0 * M_PI * hz * k / rate);
                        im += x * std::cos(2.0 * M_PI * hz * k / rate);
                    }
                }
                return 2.0 * std::sqrt(re * re + im * im) / n / 0.1;
            };
            EXPECT_NEAR(gainAt(corner), std::sqrt(0.5), 0.005) << "HPCUTOFF " << value << " at " << rate;
        }
    }
}

// A stretch rendered in one call leaves the same samples and the same engine
// state as frame-by-frame rendering, through silences long and short (the
// resting loop), a random LFO drawing during them, the LFO delay counting,
// a bend moving the cutoff target, and notes falling silent mid-stretch.
TEST(SynthEngine, StretchesRenderAsFramesDo)
{
    for (float waveform : {0.0f, 4.0f, 5.0f}) {
        EngineRig frames, stretches;
        stretches.engine.lanes.path = VoiceLanes::bestPath();
        frames.engine.lanes.path = VoiceLanes::Path::Scalar;
        for (SynthEngine* e : {&frames.engine, &stretches.engine}) {
            e->parameterBlock.set(kParamLfoWaveform, waveform);
            e->parameterBlock.set(kParamLfoRate, 0.9f);
            e->parameterBlock.set(kParamLfoDelay, 0.001f);
            e->parameterBlock.set(kParamFilterLfo, 0.4f);
            e->parameterBlock.set(kParamRelease, 0.1f);
            e->parameterBlock.set(kParamSharedFilter, 0.0f);
            e->parameterBlock.set(kParamModVcf, 1.0f);
        }
        frames.engine.random.seed(5);
        std::vector<float> expected;
        std::vector<float> got;
        // Stretch lengths; a note starts before every other stretch and
        // stops before the next one, the bend moves now and then.
        const int lengths[] = {1, 700, 3, 2000, 19, 21, 1, 1500, 64, 4000};
        auto act = [](SynthEngine& e, int k) {
            if (k % 2 == 0)
                e.noteOn(60 + k, 0.8f);
            else
                e.noteOff(60 + k - 1);
            if (k % 3 == 0)
                e.pitchBend = 0.1f * float(k) - 0.4f;
        };
        for (int k = 0; k < 10; ++k) {
            act(frames.engine, k);
            frames.run(lengths[k], &expected);
        }
        stretches.engine.random.seed(5);
        for (int k = 0; k < 10; ++k) {
            act(stretches.engine, k);
            std::vector<float> left(size_t(lengths[k])), right(size_t(lengths[k]));
            stretches.engine.render(left.data(), right.data(), lengths[k]);
            got.insert(got.end(), left.begin(), left.end());
        }
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], expected[i]) << "waveform " << waveform << " frame " << i;
        const SynthEngine& a = frames.engine;
        const SynthEngine& b = stretches.engine;
        EXPECT_EQ(b.lfoValue, a.lfoValue);
        EXPECT_EQ(b.pwmLfoValue, a.pwmLfoValue);
        EXPECT_EQ(b.smoothedCutoff, a.smoothedCutoff);
        EXPECT_EQ(b.lfoDelayCounter, a.lfoDelayCounter);
        EXPECT_EQ(b.lfoDelayFade, a.lfoDelayFade);
        EXPECT_EQ(b.lfo.phase, a.lfo.phase);
        EXPECT_EQ(b.outputSample, a.outputSample);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(b.highPass[i].previousOutput, a.highPass[i].previousOutput);
    }
}
