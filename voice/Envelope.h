// ADSR envelope of a voice, advanced once per output frame.
//
// The segments are shaped by fixed power laws, not exponential coefficients:
// the attack accelerates from an offset of 0.2 towards infinity and ends as
// soon as the level passes 1; decay falls by (L^4 + 0.2) and release by
// (L + 0.05) per frame, so both reach 0 in finite time. There is no stored
// segment: the level, attackDone and the gate decide every step.
//
// Audio thread only; tick() allocates nothing.
#pragma once

class Envelope {
public:
    // sampleRate: host rate in Hz. instantAttack: true for the filter
    // contour, which jumps to 1 at attack 0 and holds its level after the
    // key is released with release 0.
    Envelope(float sampleRate, bool instantAttack);

    // One frame. gate: key held. attack, decay, sustain, release: the
    // parameter values 0..1 (values outside are clamped, NaN counts as 0).
    // Returns the new level, 0 up to slightly above 1 at the end of an attack.
    inline float tick(bool gate, float attack, float decay, float sustain, float release);

    // The segments whose length the editor and the host are shown.
    enum class Segment { Attack, Decay, Release };

    // Frames a segment of this envelope takes at host rate `sampleRate` (Hz)
    // for the parameter value `value` (0..1): the attack from level 0 to its
    // end, a decay from 1 to 0 (sustain 0), a release from 1 to 0. Infinity
    // where the level never gets there: a decay or release of 1, and values
    // so near 1 that single precision can no longer move the level.
    // Pure and cheap (no frame loop beyond the 50-frame ramp of attack 0):
    // any thread. Follows tick() to within 0.5 % (tests hold it to that).
    static double segmentFrames(Segment segment, float value, float sampleRate,
                                bool instantAttack = false);

    float sampleRate;
    float rate;         // level units per frame: 150 per second
    float level = 0.0f;
    bool attackDone = false;
    bool instantAttack;

private:
    // Keeps a parameter in 0..1 and turns NaN into 0, so no host value can
    // latch a NaN or an overflow in the level. Leaves 0..1 untouched.
    static float unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }
};

inline float Envelope::tick(bool gate, float attack, float decay, float sustain, float release)
{
    const float A = unit(attack);
    const float D = unit(decay);
    const float S = unit(sustain);
    const float R = unit(release);
    float L = level;

    if (!attackDone) {
        // 0.92 at attack 0, 0.22 at attack 1: the fourth power sets the speed.
        const float g = (1.0f - A) * 0.7f + 0.22f;
        L = (L + 0.2f) * rate * g * g * g * g + L;
        if (A == 0.0f) {
            if (L < 1.0f && !instantAttack) {
                // A ramp of 0.02 per frame on top: about 1 ms to full level.
                L = L + 0.02f;
                level = L;
                return L;
            }
            attackDone = true;
            level = 1.0f;
            return 1.0f;
        }
        // The last attack value may overshoot 1 slightly; it is kept. A key
        // released during the attack lets this frame's rise happen first.
        if (L > 1.0f || !gate)
            attackDone = true;
        level = L;
        return L;
    }

    if (gate) {
        if (L > S) {
            // (1 - D)^4 is one factor, formed first.
            const float d = 1.0f - D;
            const float d4 = d * d * d * d;
            L = L - (L * L * L * L + 0.2f) * rate * d4;
        }
        // At or below sustain the level holds; raising the sustain later
        // does not lift it.
    } else {
        if (instantAttack && R == 0.0f) {
            // The filter contour keeps its level after the key is released.
        } else if (L <= 0.0f) {
            return 0.0f;
        } else {
            const float r = 1.0f - R;
            const float r4 = r * r * r * r;
            L = L - (L + 0.05f) * rate * r4;
        }
    }
    if (L < 0.005f)
        L = 0.0f;
    level = L;
    return L;
}
