// The polyphonic engine: six voices at twice the host rate, decimated, scaled,
// high-passed and turned into stereo by the chorus, one frame per call.
//
// Threads: renderSample and the note operations run on the audio thread, in
// order. setSampleRate rebuilds rate-dependent parts and may allocate; the
// host only changes the rate while processing is off. Parameter values are
// written by other threads through `parameterBlock` (relaxed atomics).
#pragma once

#include "engine/HalfBandDecimator.h"
#include "engine/Lfo.h"
#include "engine/OnePoleFilter.h"
#include "engine/StereoChorus.h"
#include "voice/LadderFilter.h"
#include "voice/ParameterBlock.h"
#include "voice/Voice.h"

#include <cstdint>
#include <memory>

class SynthEngine {
public:
    static constexpr int kNumVoices = 6;

    explicit SynthEngine(float sampleRate);

    void setSampleRate(float rate);

    // One stereo frame. Allocates nothing.
    void renderSample(float& left, float& right);

    // note 0..127, velocity 0..1.
    void noteOn(int32_t note, float velocity);
    void noteOff(int32_t note);
    void allNotesOff();

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
    std::unique_ptr<LadderFilter> sharedFilter;
    float lfoDelayFade = 0.0f;
    int32_t lfoDelayCounter = 0;
    std::unique_ptr<Voice> voices[kNumVoices];
    std::unique_ptr<OnePoleFilter> highPass[3];
    std::unique_ptr<Lfo> lfo;
    std::unique_ptr<Lfo> pwmLfo;
    std::unique_ptr<StereoChorus> chorus;
    float firstHalfSum = 0.0f;
    float secondHalfSum = 0.0f;
    std::unique_ptr<HalfBandDecimator> decimator;

private:
    float P(int index) const { return parameterBlock.get(index); }
};
