// One of the six synthesis voices: oscillators, noise, ladder filter and
// amplifier, rendered at twice the host rate (two sub-samples per frame).
//
// Audio thread only. Reads the shared parameter values afresh every frame.
// Its oscillators, filter and envelopes are held by value, so a voice never
// allocates after construction, not even at a sample-rate change.
#pragma once

#include "voice/Envelope.h"
#include "voice/LadderFilter.h"
#include "voice/ParameterBlock.h"
#include "voice/PulseOscillator.h"
#include "voice/SawOscillator.h"

#include <cstdint>

class Voice {
public:
    Voice(float sampleRate, ParameterBlock& parameterBlock);

    // Rebuilds oscillators, envelopes and filter for the new rate (Hz) in
    // place, with fresh state; the held note, gate and velocity stay. Audio
    // thread, between frames; allocates nothing.
    void setSampleRate(float rate);

    // velocity: 0..1 (MIDI velocity / 127).
    void startNote(int32_t newNote, float newVelocity);
    void releaseNote();
    void forceRelease();

    // Adds this frame's two sub-samples to the sums; answers whether the voice
    // was active. lfo values -1..+1, bend about -1..+1, cutoff the engine's
    // smoothed cutoff (normally 0..1).
    bool render(float& firstHalfSum, float& secondHalfSum, float pwmLfoValue, float lfoValue,
                float pitchBend, float smoothedCutoff);

    // The filter stage on two sub-samples in place, with `target` as the
    // filter (the voice's own, or the engine's shared one).
    void runFilter(LadderFilter& target, float& first, float& second, float cutoff, float lfo);

    float sampleRate;
    float* parameters;
    SawOscillator sawOsc;
    PulseOscillator pulseOsc;
    float noiseState = 0.0f;
    PulseOscillator subOsc;
    LadderFilter filter;
    float pitch = 0.0f;    // semitones before the LFO
    float modPitch = 0.0f; // semitones after the LFO, never below 0
    float width = 0.0f;
    float oscFreq = 0.0f;  // Hz; the oscillators sound at twice this
    float velocity = 0.0f;
    float cutoffJitter = 0.0f;
    float subA = 0.0f;
    float subB = 0.0f;
    int32_t idleCount = 100; // frames since the voice fell silent (only < 20 matters)
    float ampLevel = 0.0f;
    int32_t note = 64;
    bool gate = false;
    Envelope ampEnv;
    Envelope filterEnv;
    Envelope gateEnv;

private:
    float P(int index) const { return loadParameter(parameters, index); }
};
