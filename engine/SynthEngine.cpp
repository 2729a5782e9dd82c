#include "engine/SynthEngine.h"

#include <cmath>

namespace {
// Menu indices are stored as floats; values outside the int range (never
// produced by the editor, but a host may send anything) count as index 0.
// Converting such a value, or NaN, to int is undefined and differs between
// processors (x86-64 gives INT_MIN, aarch64 saturates and makes NaN 0): the
// guard gives every architecture the same index.
inline int truncateIndex(float value)
{
    if (!(value > -2147483648.0f && value < 2147483648.0f))
        return 0;
    return int(value);
}
} // namespace

SynthEngine::SynthEngine(float rate)
    : random(vemo::Random::streamStart(streamSlot.index())),
      parameters(parameterBlock.data()),
      sampleRate(rate),
      sharedFilter(rate),
      voices{Voice(rate, parameterBlock, random), Voice(rate, parameterBlock, random),
             Voice(rate, parameterBlock, random), Voice(rate, parameterBlock, random),
             Voice(rate, parameterBlock, random), Voice(rate, parameterBlock, random)},
      lfo(rate),
      pwmLfo(rate),
      chorus(parameters, rate)
{
}

void SynthEngine::setSampleRate(float rate)
{
    for (auto& voice : voices)
        voice.setSampleRate(rate);
    sharedFilter = LadderFilter(rate);
    lfo.setSampleRate(rate);
    pwmLfo.setSampleRate(rate);
    chorus.setSampleRate(rate);
    sampleRate = rate;
}

// The per-frame modulation ahead of the voices: the LFOs with their rate,
// delay and fade, and the smoothed cutoff. `param` gives a parameter value:
// read live by the reference frame, from the stretch's values by the lanes.
template <typename ParameterRead> void SynthEngine::advanceModulation(ParameterRead param)
{
    outputSample = 0.0f;

    // Main LFO rate: free running follows LFO1RATE every frame; a tempo-synced
    // rate is set at note-on and left alone here.
    if (truncateIndex(param(kParamLfoClock)) == 0) {
        const float r = param(kParamLfoRate);
        outputSample = 20.0f * (r * r * r * r);
        lfo.increment = outputSample / lfo.sampleRate * 256.0f;
        pwmLfo.increment = outputSample / pwmLfo.sampleRate * 256.0f;
    }
    lfoValue = lfo.tick(truncateIndex(param(kParamLfoWaveform)), random);
    pwmLfo.increment = lfo.increment;
    pwmLfoValue = pwmLfo.tick(1, random);

    // LFO delay after each note-on, then a linear fade-in.
    delayLfo(param(kParamLfoDelay));

    smoothedCutoff =
        (param(kParamModVcf) * pitchBend + param(kParamCutoff) + smoothedCutoff * 1199.0f) * 0.00083333335f +
        1e-9f;
}

template <typename ParameterRead>
void SynthEngine::outputStages(ParameterRead param, bool active, float& left, float& right)
{
    // The voices' sums through the decimator and the two gains, when a voice
    // sounded.
    outputSample = 0.0f;
    if (active) {
        outputSample = decimator.process(firstHalfSum, secondHalfSum);
        const float volume = param(kParamVolume);
        outputSample = param(kParamEnvVolume) * volume * volume * outputSample;
    }

    // The high-pass runs on every frame so it decays on silence too.
    const float R = highPassPole(param(kParamHpCutoff));
    for (auto& stage : highPass)
        outputSample = stage.highPass(outputSample, R);

    left = outputSample;
    right = outputSample;
    if (active)
        chorus.process(left, right);
}

void SynthEngine::renderSample(float& left, float& right)
{
    advanceModulation([this](int index) { return P(index); });

    firstHalfSum = 0.0f;
    secondHalfSum = 0.0f;
    bool active = false;
    for (auto& voice : voices)
        if (voice.render(firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue, pitchBend, smoothedCutoff))
            active = true;

    if (active && P(kParamSharedFilter) != 0.0f) {
        // One filter for the summed voices, set up like the newest voice.
        firstHalfSum *= 0.5f;
        secondHalfSum *= 0.5f;
        const int v = lastVoice < kNumVoices ? lastVoice : 0;
        voices[v].runFilter(sharedFilter, firstHalfSum, secondHalfSum, smoothedCutoff, lfoValue);
        float level = 0.0f;
        for (auto& voice : voices)
            level += voice.ampLevel;
        if (level > 1.0f)
            level = 1.0f;
        firstHalfSum = firstHalfSum * 2.0f * level;
        secondHalfSum = secondHalfSum * 2.0f * level;
    }
    outputStages([this](int index) { return P(index); }, active, left, right);
}

void SynthEngine::render(float* left, float* right, int32_t frames)
{
    if (lanes.path == VoiceLanes::Path::Scalar) {
        // The reference renders every frame in full.
        for (int32_t i = 0; i < frames; ++i)
            renderSample(left[i], right[i]);
        return;
    }
    if (frames <= 0)
        return;
    if (frames < kShortStretch) {
        // Moving six voices into the lanes and back (or taking a stretch's
        // parameters for the silent loop) costs more than a few frames voice
        // by voice (tiny host blocks, events every frame or so): the
        // reference path gives the same samples cheaper here.
        for (int32_t i = 0; i < frames; ++i)
            renderSample(left[i], right[i]);
        return;
    }
    float p[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i)
        p[i] = P(i);
    int32_t i = 0;
    if (!voicesResting()) {
        lanes.begin(voices, p, pitchBend, sharedFilter);
        if (p[kParamSharedFilter] != 0.0f) {
            // The shared filter follows the frame's own modulation: frame by frame.
            for (; i < frames && !lanes.resting(); ++i)
                renderLaneFrame(p, left[i], right[i]);
        } else if (!lanes.resting()) {
            // Each frame's filters run while the next frame is prepared and
            // the frame before it goes through the output stages; the
            // modulation, draws and outputs keep their order.
            struct Output {
                SynthEngine* engine;
                const float* p;
                bool active;
                float first, second; // the voices' sums of the frame
                float* left;
                float* right;
                static void run(void* context)
                {
                    auto* o = static_cast<Output*>(context);
                    o->engine->firstHalfSum = o->first;
                    o->engine->secondHalfSum = o->second;
                    o->engine->finishLaneFrame(o->p, o->active, *o->left, *o->right);
                }
            } output{this, p, false, 0.0f, 0.0f, nullptr, nullptr};
            advanceModulation([p](int index) { return p[index]; });
            lanes.prepare(pwmLfoValue, lfoValue, smoothedCutoff);
            for (;;) {
                // Frame i is prepared, its filters pending; frame i - 1 waits
                // for its output stages.
                const bool more = i + 1 < frames && !lanes.resting();
                void (*alongside)(void*) = output.left ? &Output::run : nullptr;
                if (more) {
                    advanceModulation([p](int index) { return p[index]; });
                    lanes.prepare(pwmLfoValue, lfoValue, smoothedCutoff, alongside, &output);
                } else {
                    lanes.settle(alongside, &output);
                }
                output.first = 0.0f;
                output.second = 0.0f;
                output.active = lanes.finish(output.first, output.second);
                output.left = left + i;
                output.right = right + i;
                ++i;
                if (!more)
                    break;
            }
            Output::run(&output);
        }
        lanes.end(voices, sharedFilter);
    }
    if (i < frames)
        renderResting(p, left + i, right + i, frames - i);
}

void SynthEngine::renderLaneFrame(const float* p, float& left, float& right)
{
    // renderSample with the stretch's parameter values and the voices in
    // lanes.
    advanceModulation([p](int index) { return p[index]; });

    firstHalfSum = 0.0f;
    secondHalfSum = 0.0f;
    const bool active = lanes.frame(firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue, smoothedCutoff);
    finishLaneFrame(p, active, left, right);
}

void SynthEngine::finishLaneFrame(const float* p, bool active, float& left, float& right)
{
    // From the voices' sums to the output, as renderSample ends.
    if (active && p[kParamSharedFilter] != 0.0f) {
        firstHalfSum *= 0.5f;
        secondHalfSum *= 0.5f;
        const int v = lastVoice < kNumVoices ? lastVoice : 0;
        lanes.sharedFilterFrame(v, firstHalfSum, secondHalfSum, smoothedCutoff, lfoValue);
        float level = lanes.ampLevelSum();
        if (level > 1.0f)
            level = 1.0f;
        firstHalfSum = firstHalfSum * 2.0f * level;
        secondHalfSum = secondHalfSum * 2.0f * level;
    }
    outputStages([p](int index) { return p[index]; }, active, left, right);
}

bool SynthEngine::voicesResting() const
{
    for (const auto& voice : voices)
        if (!voice.isSilent() || voice.idleCount < 20)
            return false;
    return true;
}

void SynthEngine::renderResting(const float* p, float* left, float* right, int32_t frames)
{
    // renderSample with every voice returning at once and the frame
    // inactive: no decimator, no gain, no chorus, and outputSample 0 into
    // the high-pass. The parameters hold for the stretch, so what depends on
    // them alone is formed once, by the same operations.
    const int clock = truncateIndex(p[kParamLfoClock]);
    const int waveform = truncateIndex(p[kParamLfoWaveform]);
    if (clock == 0) {
        const float r = p[kParamLfoRate];
        const float rate = 20.0f * (r * r * r * r);
        lfo.increment = rate / lfo.sampleRate * 256.0f;
    }
    pwmLfo.increment = lfo.increment;
    const float delay = p[kParamLfoDelay];
    const float bentCutoff = p[kParamModVcf] * pitchBend + p[kParamCutoff];
    const float R = highPassPole(p[kParamHpCutoff]);
    for (auto& voice : voices)
        voice.ampLevel = 0.0f;

    // The recurrences run in locals, so that no store to the output can
    // force them through memory on every frame.
    float smoothed = smoothedCutoff;
    OnePoleFilter stage0 = highPass[0], stage1 = highPass[1], stage2 = highPass[2];
    float out = 0.0f;
    for (int32_t i = 0; i < frames; ++i) {
        // Only the last frame's LFO values remain in the engine.
        if (i + 1 < frames) {
            lfo.advance(waveform, random);
            pwmLfo.advance(1, random);
        } else {
            lfoValue = lfo.tick(waveform, random);
            pwmLfoValue = pwmLfo.tick(1, random);
        }
        delayLfo(delay);
        smoothed = (bentCutoff + smoothed * 1199.0f) * 0.00083333335f + 1e-9f;
        out = stage0.highPass(0.0f, R);
        out = stage1.highPass(out, R);
        out = stage2.highPass(out, R);
        left[i] = out;
        right[i] = out;
    }
    smoothedCutoff = smoothed;
    highPass[0] = stage0;
    highPass[1] = stage1;
    highPass[2] = stage2;
    outputSample = out;
    firstHalfSum = 0.0f;
    secondHalfSum = 0.0f;
}

void SynthEngine::noteOn(int32_t note, float velocity)
{
    int chosen = -1;
    for (int i = 0; i < kNumVoices; ++i) {
        if (voices[i].note == note) {
            chosen = i;
            break;
        }
    }
    if (chosen >= 0) {
        lastVoice = chosen;
    } else {
        // Round robin from the newest voice; with all six gates open the
        // search comes back round and the newest voice is taken over.
        for (int step = 0; step < kNumVoices; ++step) {
            lastVoice = lastVoice + 1;
            if (lastVoice >= kNumVoices)
                lastVoice = 0;
            if (!voices[lastVoice].gate)
                break;
        }
        chosen = lastVoice;
    }
    voices[chosen].startNote(note, velocity);

    if (P(kParamLfoTrigger) == 0.0f)
        lfo.phase = 0.0f;

    const int k = truncateIndex(P(kParamLfoClock));
    if (k >= 1 && k <= 12) {
        lfo.increment = tempo * lfoClockFactor(k) / lfo.sampleRate * 256.0f;
        lfo.phase = 0.0f;
    }

    lfoDelayCounter = 0;
    lfoDelayFade = 0.0f;
}

void SynthEngine::noteOff(int32_t note)
{
    for (auto& voice : voices)
        if (voice.note == note)
            voice.releaseNote();
}

void SynthEngine::allNotesOff()
{
    for (auto& voice : voices)
        voice.forceRelease();
}
