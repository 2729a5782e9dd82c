// Table-driven low-frequency oscillator: sine, triangle, sawtooth and square
// from 257-entry tables with linear interpolation, plus two random waves.
//
// The phase runs over table positions 0..255 and wraps by subtracting 255, so
// one cycle is 255 steps: the sounding rate is increment * sampleRate / 255,
// 256/255 of the nominal rate, and position 256 of a table is reached only as
// the right-hand neighbour of an interpolation.
//
// The engine writes increment (table steps per sample) and phase directly.
// tick() runs on the audio thread and allocates nothing; the constructor
// computes the tables.
#pragma once

#include "voice/Random.h"

class Lfo {
public:
    // sampleRate: host rate in Hz. Starts at phase 0 with the increment of 1 Hz.
    explicit Lfo(float sampleRate);
    virtual ~Lfo() = default;

    // Starts afresh for a host rate (Hz): phase 0, the 1 Hz increment, both
    // random values 0. The tables do not depend on the rate and stay.
    // Allocates nothing; the audio thread calls it between frames.
    void setSampleRate(float sampleRate);

    // Advances one sample and returns the value, -1..+1, taken at the phase
    // before the advance. waveform: 0 sine, 1 triangle, 2 sawtooth, 3 square,
    // 4 random (a new value on every sample whose integer phase is 0), any
    // other number the delayed random (the value before the latest draw).
    // random: the stream the random waves draw from (the engine's own).
    inline float tick(int waveform, vemo::Random& random = vemo::unitRandom());

    // tick() without its value, for frames whose value nobody hears: the
    // phase steps and the random waves draw exactly as tick() would.
    inline void advance(int waveform, vemo::Random& random = vemo::unitRandom());

    float phase = 0.0f;     // table position, 0 up to 255
    float increment;        // table steps per sample: rate in Hz * 256 / sampleRate
    float sampleRate;
    float randomValue = 0.0f;
    float heldRandomValue = 0.0f;
    float sine[257];
    float triangle[257];
    float sawtooth[257];
    float square[257];
    int lastIndex = 0;      // integer part of the phase of the latest tick
    float lastFraction = 0.0f;

private:
    // Brings a phase that one subtraction could not wrap (an increment of
    // more than a cycle per sample, a negative increment, inf or NaN) back
    // into 0..255. Never reached by rates below 255 steps per sample.
    static float reduce(float p);
    static float draw(vemo::Random& random)
    {
        return (float(random.next()) * vemo::kRandomScale - 0.5f) * 2.0f;
    }
};

// The free-running rate the engine sets for "LFO1RATE" = value: 20 * value^4
// Hz (nominal; the LFO sounds 256/255 faster, see soundingRate).
inline float lfoFreeRunningRate(float value) { return 20.0f * (value * value * value * value); }

// The rate in Hz an LFO at `sampleRate` sounds at when the engine sets the
// nominal rate `nominalHz`: the increment it computes (nominal / rate * 256)
// added to a single-precision phase, one cycle per 255 table steps. At slow
// rates the phase cannot take the increment exactly: each addition rounds to
// the spacing of floats near the phase, so the cycle runs faster or slower
// than nominal (or the phase stops, and so the LFO). Any thread; no state.
double lfoSoundingRate(float nominalHz, float sampleRate);

// Tempo-sync factor of the "LFO1CLOCK" menu entry k = 1..12: the LFO rate in
// Hz is the host tempo in beats per minute times this. 0 for any other k
// (entry 0 is the free-running rate).
float lfoClockFactor(int k);

inline float Lfo::tick(int waveform, vemo::Random& random)
{
    if (phase > 255.0f)
        phase = phase - 255.0f;
    if (!(phase >= 0.0f && phase <= 255.0f))
        phase = reduce(phase);

    const int i = int(phase); // phase is in 0..255 here: truncation is floor
    const float f = phase - float(i);
    lastIndex = i;
    lastFraction = f;
    phase = phase + increment;

    switch (waveform) {
    case 0:
        return (1.0f - f) * sine[i] + f * sine[i + 1];
    case 1:
        return (1.0f - f) * triangle[i] + f * triangle[i + 1];
    case 2:
        return (1.0f - f) * sawtooth[i] + f * sawtooth[i + 1];
    case 3:
        return (1.0f - f) * square[i] + f * square[i + 1];
    case 4:
        if (i == 0)
            randomValue = draw(random);
        return randomValue;
    default:
        if (i == 0) {
            heldRandomValue = randomValue;
            randomValue = draw(random);
        }
        return heldRandomValue;
    }
}

inline void Lfo::advance(int waveform, vemo::Random& random)
{
    if (phase > 255.0f)
        phase = phase - 255.0f;
    if (!(phase >= 0.0f && phase <= 255.0f))
        phase = reduce(phase);

    const int i = int(phase);
    lastIndex = i;
    lastFraction = phase - float(i);
    phase = phase + increment;

    if (i == 0 && !(waveform >= 0 && waveform <= 3)) {
        if (waveform != 4)
            heldRandomValue = randomValue;
        randomValue = draw(random);
    }
}
