// One modulated delay line of the chorus: a triangle sweeps the delay between
// 0.7 ms and 4.9 ms, a first-order allpass interpolates between the two taps
// around the fractional delay, and a fixed one-pole low-pass smooths the
// result.
//
// The buffer is allocated once by the constructor, sized for the highest host
// rate the plug-in accepts (1 MHz), so a rate change (setSampleRate) never
// allocates: it only uses more or less of the same memory. process() and
// setSampleRate() run on the audio thread and allocate nothing.
#pragma once

#include "engine/OnePoleFilter.h"

#include <memory>

class ChorusLine {
public:
    // Elements of delay memory at 1 MHz: floor(1e6 * 0.007) + 2001.
    static constexpr int kMaxLength = 9001;

    // sampleRate: host rate in Hz. startPhase: 0 starts the triangle at -1
    // (rising), 1 at +1 (falling). rate: sweep rate in Hz. Allocates.
    ChorusLine(float sampleRate, float startPhase, float rate);

    // Starts the line afresh for a host rate (Hz): an empty buffer of the
    // rate's length, the sweep at its start phase.
    void setSampleRate(float sampleRate);

    // One sample in, one delayed sample out.
    inline float process(float input);

    std::unique_ptr<float[]> buffer; // circular delay memory; the first `length` floats are used
    int writePosition;               // next element to write
    int length;                      // floor(sampleRate * 0.007) + 2001
    float rate;                      // sweep rate, Hz
    float output = 0.0f;             // last output
    float sampleRate;
    float baseDelay = 7.0f;          // delay scale, ms
    float delay = 0.0f;              // current delay, samples
    float fraction = 0.0f;           // fractional part of the delay
    int readPosition = 0;            // tap n samples back
    int previousPosition = 0;        // tap n + 1 samples back
    OnePoleFilter lowPass;           // output smoothing
    float allpassState = 0.0f;       // previous interpolator output
    float startPhase;                // 0 or 1: where the sweep starts
    float triangle;                  // sweep, -1..+1 (passes by less than a step)
    float triangleStep;              // sweep change per sample: rate / sampleRate * 4
    float direction = 1.0f;          // +1 rising, -1 falling
};

inline float ChorusLine::process(float input)
{
    if (triangle >= 1.0f)
        direction = -1.0f;
    else if (triangle <= -1.0f)
        direction = 1.0f;
    triangle = triangle + direction * triangleStep;

    delay = (triangle * 0.3f + 0.4f) * baseDelay * sampleRate * 0.001f;
    // The sweep stays within 30.9..216.1 samples at 44100 Hz, far inside the
    // buffer. Only a nonsensical host rate could push it out: keep both taps
    // behind the write position whatever happens (NaN counts as 0).
    float d = delay;
    if (!(d >= 0.0f))
        d = 0.0f;
    else if (d > float(length - 2))
        d = float(length - 2);
    const int n = int(d);
    fraction = d - float(n);

    readPosition = writePosition - n;
    if (readPosition < 0)
        readPosition += length;
    previousPosition = readPosition - 1;
    if (previousPosition < 0)
        previousPosition += length;

    // First-order allpass with coefficient 1 - fraction between the taps.
    const float a = 1.0f - fraction;
    const float y = buffer[readPosition] * a + buffer[previousPosition] - allpassState * a;
    allpassState = y;

    const float out = lowPass.lowPass(y);
    output = out;

    buffer[writePosition] = input;
    if (++writePosition == length)
        writePosition = 0;
    return out;
}
