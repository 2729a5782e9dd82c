// One modulated delay line of the chorus: a triangle sweeps the delay between
// 0.7 ms and 4.9 ms, a first-order allpass interpolates between the two taps
// around the fractional delay, and a fixed one-pole low-pass smooths the
// result.
//
// The buffer is allocated once by the constructor, sized for the sample rate;
// process() runs on the audio thread and allocates nothing.
#pragma once

#include "engine/OnePoleFilter.h"

#include <memory>

class ChorusLine {
public:
    // sampleRate: host rate in Hz. startPhase: 0 starts the triangle at -1
    // (rising), 1 at +1 (falling). rate: sweep rate in Hz.
    ChorusLine(float sampleRate, float startPhase, float rate);

    // One sample in, one delayed sample out.
    inline float process(float input);

    std::unique_ptr<float[]> buffer; // circular delay memory, `length` floats
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
