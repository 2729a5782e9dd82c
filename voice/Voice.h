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
#include "voice/Random.h"
#include "voice/SawOscillator.h"

#include <cstdint>
#include <limits>

// The result of a power or logarithm for the argument of its latest use.
// Pitch and key follow rarely change from one frame to the next, so each is
// computed in double precision only when its argument changed; the same
// argument gives the same result, so this is exact.
template <class Result, Result (*Compute)(float)>
struct Memo {
    float argument = std::numeric_limits<float>::quiet_NaN(); // never equal: first use computes
    Result result{};
    Result of(float x)
    {
        if (!(x == argument)) {
            argument = x;
            result = Compute(x);
        }
        return result;
    }
};

class Voice {
public:
    // 440 * 2^(semitones / 12) in Hz, the power in double precision.
    static double noteFrequency(float semitonesFromA);
    // ln(x) and 2^x in double precision, stored as float.
    static float naturalLog(float x);
    static float powerOfTwo(float x);

    // random: the stream of the voice's noise, jitter and filter draws (its
    // engine's own); it must outlive the voice.
    Voice(float sampleRate, ParameterBlock& parameterBlock, vemo::Random& random = vemo::unitRandom());

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

    // The parts of a frame, in the order render() runs them. A silent voice
    // does only the silent step of render().
    bool isSilent() const { return !gate && ampEnv.level <= 0.0f && gateEnv.level <= 0.0f; }
    // Pitch, amplitude envelope, oscillators and noise into subA, subB.
    void renderSources(float pwmLfoValue, float lfoValue, float pitchBend);
    // The filter's cutoff value 0..1 of this frame: taper, key follow, LFO,
    // contour (advances filterEnv), jitter (one random draw).
    float filterCutoff(float cutoff, float lfo);
    // Gate envelope and amplifier; adds subA and subB to the sums.
    void finishFrame(float& firstHalfSum, float& secondHalfSum);

    // The taper runFilter puts on the engine's cutoff value before key
    // follow, contour and LFO: its cube, never below 0. The value the filter
    // receives for a CUTOFF setting when nothing modulates it.
    static float taperedCutoff(float cutoff)
    {
        const float c = cutoff * cutoff * cutoff;
        return c < 0.0f ? 0.0f : c;
    }

    float sampleRate;
    float* parameters;
    vemo::Random* random;
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
    bool envGate = false; // ENVGATE as read at the start of the frame

    Memo<double, &Voice::noteFrequency> mainPower;
    Memo<double, &Voice::noteFrequency> subPower;
    Memo<float, &Voice::naturalLog> keyFollowLog;
    Memo<float, &Voice::powerOfTwo> keyFollowPower;

private:
    float P(int index) const { return loadParameter(parameters, index); }
};
