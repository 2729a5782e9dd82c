// The polyphonic engine: six voices at twice the host rate, decimated, scaled,
// high-passed and turned into stereo by the chorus, one frame per call.
//
// Threads: renderSample, the note operations and setSampleRate run on the
// audio thread, in order. Every unit is held by value and built once with
// the engine (the chorus allocates its delay memory for the highest rate
// then), so nothing here allocates or frees after construction: a rate
// change rebuilds the rate-dependent units in place. Parameter values are
// written by other threads through `parameterBlock` (relaxed atomics).
#pragma once

#include "engine/HalfBandDecimator.h"
#include "engine/Lfo.h"
#include "engine/OnePoleFilter.h"
#include "engine/StereoChorus.h"
#include "engine/StreamSlot.h"
#include "voice/LadderFilter.h"
#include "voice/ParameterBlock.h"
#include "voice/Random.h"
#include "voice/Voice.h"
#include "voice/VoiceLanes.h"

#include <cstdint>

class SynthEngine {
public:
    // Stretches shorter than this (frames) are rendered frame by frame:
    // below it the lanes' set-up outweighs their gain (measured in
    // instructions per frame against the voice-by-voice path).
    static constexpr int32_t kShortStretch = 8;
    static constexpr int kNumVoices = 6;

    // Allocates (the engine and its chorus memory) and numbers the engine's
    // random stream (a lock): not on the audio thread.
    explicit SynthEngine(float sampleRate);
    // The voices, filters and LFOs hold the engine's own stream.
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // Rebuilds the voices' oscillators, envelopes and filters, the shared
    // filter, the LFOs and the chorus for the new rate (Hz), with fresh
    // state. Audio thread, between frames; allocates nothing.
    void setSampleRate(float rate);

    // One stereo frame, every parameter read afresh at its step: the
    // readable reference of the frame. Allocates nothing.
    void renderSample(float& left, float& right);

    // The pole renderSample gives the three output high-pass stages for
    // "HPCUTOFF" = value: 0.999 - 0.4 * value^3.
    static float highPassPole(float value) { return 0.999f - 0.4f * (value * value * value); }
    static constexpr int kHighPassStages = 3;

    // `frames` frames into left[0..frames-1] and right[0..frames-1]: the same
    // samples as that many renderSample calls, for a stretch in which the
    // audio thread changes nothing in between (the caller splits its block
    // at each note, bend, tempo or parameter change of its own). A value
    // written by another thread has no defined frame within a block, so it
    // may be read once for the whole stretch. Frames on which no voice sounds
    // or rings out take a loop that does only what silence requires.
    // Allocates nothing.
    void render(float* left, float* right, int32_t frames);

    // note 0..127, velocity 0..1.
    void noteOn(int32_t note, float velocity);
    void noteOff(int32_t note);
    void allNotesOff();

    // The engine's own random stream, started where its number says (see
    // StreamSlot): every draw of the sound comes from here and nothing else
    // in the process writes it.
    StreamSlot streamSlot;
    vemo::Random random;
    ParameterBlock parameterBlock;
    float* parameters;
    float tempo = 0.0f;     // beats per minute, stored before each note-on
    float pitchBend = 0.0f; // about -1.008..+0.992
    float smoothedCutoff = 0.0f;
    float outputSample = 0.0f;
    float pwmLfoValue = 0.0f;
    float lfoValue = 0.0f;
    float sampleRate;
    int32_t lastVoice = 6;
    LadderFilter sharedFilter;
    float lfoDelayFade = 0.0f;
    int32_t lfoDelayCounter = 0;
    Voice voices[kNumVoices];
    OnePoleFilter highPass[3];
    Lfo lfo;
    Lfo pwmLfo;
    StereoChorus chorus;
    float firstHalfSum = 0.0f;
    float secondHalfSum = 0.0f;
    HalfBandDecimator decimator;
    // How render() runs the voices: in SIMD lanes (the fastest this
    // processor has) or voice by voice; every path gives the same bits.
    // renderSample always takes the voices one by one.
    VoiceLanes lanes;

private:
    float P(int index) const { return parameterBlock.get(index); }

    // Whether every voice is silent and past its filter's ring-out, so that
    // no voice does anything until the next note-on.
    bool voicesResting() const;
    // The rest of a stretch while every voice rests: the LFOs advance (the
    // random waves drawing as usual), the LFO delay counts, the cutoff
    // smoothing and the high-pass stages run; nothing else has an effect.
    void renderResting(const float* p, float* left, float* right, int32_t frames);
    // One frame of a stretch with the voices in lanes; p: the stretch's
    // parameter values.
    void renderLaneFrame(const float* p, float& left, float& right);
    // The frame's output from the voices' sums (active: a voice sounded).
    void finishLaneFrame(const float* p, bool active, float& left, float& right);
    template <typename ParameterRead> void advanceModulation(ParameterRead param);
    // The LFO held at 0 for `delay` (0..1, times the rate in frames) after a
    // note-on, then faded in linearly: applied to lfoValue once per frame.
    void delayLfo(float delay)
    {
        if (delay > 0.0f) {
            if (sampleRate * delay > float(lfoDelayCounter)) {
                lfoValue = 0.0f;
                ++lfoDelayCounter;
            } else if (lfoDelayFade < 1.0f) {
                lfoValue = lfoValue * lfoDelayFade;
                lfoDelayFade += sampleRate * 4.9999999e-10f;
            }
        }
    }
    // The frame's end: decimator, gains, high-pass and chorus.
    template <typename ParameterRead>
    void outputStages(ParameterRead param, bool active, float& left, float& right);
};
