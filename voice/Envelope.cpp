#include "voice/Envelope.h"

#include <cmath>
#include <initializer_list>
#include <limits>

Envelope::Envelope(float sampleRate, bool instantAttack)
    : sampleRate(sampleRate), rate(1000.0f / sampleRate * 0.15f), instantAttack(instantAttack)
{
    // A host rate of 0, below 0 or not a number would freeze or reverse every
    // segment: fall back to the default rate of 44100 Hz. Below 150 Hz the
    // unit would pass one level per frame and the decay's fourth power could
    // overflow, so it is capped there; real rates are far above.
    if (!(rate > 0.0f))
        rate = 1000.0f / 44100.0f * 0.15f;
    else if (rate > 1.0f)
        rate = 1.0f;
}

namespace {

// Whether single precision stops a falling (or rising) level somewhere on
// its way: a step below half the spacing of floats near the level leaves it
// where it is, and the next frame computes the same step again. Within a
// binade the spacing is fixed while the step shrinks towards the bottom, so
// the bottoms (and the float just above each) are the places to look.
bool freezes(Envelope::Segment segment, float value, float sampleRate)
{
    for (float bottom = 1.0f; bottom >= 0.004f; bottom *= 0.5f) {
        const float floorLevel = bottom < 0.005f ? 0.005f : bottom;
        for (float level : {floorLevel, std::nextafter(floorLevel, 2.0f)}) {
            Envelope probe(sampleRate, false);
            probe.level = level;
            float next = 0.0f;
            if (segment == Envelope::Segment::Attack)
                next = probe.tick(true, value, 0.0f, 0.0f, 0.0f);
            else if (segment == Envelope::Segment::Decay)
                next = (probe.attackDone = true, probe.tick(true, 0.0f, value, 0.0f, 0.0f));
            else
                next = (probe.attackDone = true, probe.tick(false, 0.0f, 0.0f, 0.0f, value));
            if (next == level && level < 1.0f)
                return true;
            if (segment != Envelope::Segment::Attack && level == 1.0f && next == 1.0f)
                return true;
        }
    }
    return false;
}

// The decay's frame count times its step factor: the sum over the frames of
// dL / (L^4 + 0.2) from 1 down to 0.005, which the integral matches to far
// better than a frame for every step size that matters.
double decayIntegral()
{
    static const double integral = [] {
        const int n = 20000; // Simpson's rule; the integrand is smooth
        const double a = 0.005, b = 1.0, h = (b - a) / n;
        auto f = [](double L) { return 1.0 / (L * L * L * L + 0.2); };
        double s = f(a) + f(b);
        for (int i = 1; i < n; ++i)
            s += f(a + i * h) * (i % 2 != 0 ? 4.0 : 2.0);
        return s * h / 3.0;
    }();
    return integral;
}

} // namespace

double Envelope::segmentFrames(Segment segment, float value, float sampleRate, bool instantAttack)
{
    const Envelope unitOfRate(sampleRate, instantAttack); // the same rate unit tick() uses
    const float rate = unitOfRate.rate;
    const float v = unit(value);
    const double infinite = std::numeric_limits<double>::infinity();

    if (segment == Segment::Attack) {
        if (v == 0.0f) {
            // The fixed ramp (or the jump of the filter contour): count it.
            Envelope probe(sampleRate, instantAttack);
            int frames = 0;
            while (!probe.attackDone && frames < 1000) {
                probe.tick(true, 0.0f, 0.0f, 0.0f, 0.0f);
                ++frames;
            }
            return frames;
        }
        if (freezes(segment, v, sampleRate))
            return infinite;
        // L + 0.2 grows by the factor 1 + q per frame from 0.2; the attack
        // ends on the first frame whose level passes 1, i.e. (1 + q)^n > 6.
        const float g = (1.0f - v) * 0.7f + 0.22f;
        const double q = double(rate * g * g * g * g);
        return std::floor(std::log(6.0) / std::log1p(q)) + 1.0;
    }

    const float d = 1.0f - v;
    const float d4 = d * d * d * d; // one factor, as tick() forms it
    const double q = double(rate) * double(d4);
    if (segment == Segment::Release && instantAttack && v == 0.0f)
        return infinite; // the filter contour holds its level
    if (!(q > 0.0) || freezes(segment, v, sampleRate))
        return infinite;
    if (segment == Segment::Decay)
        return std::round(decayIntegral() / q);
    // L + 0.05 shrinks by the factor 1 - q per frame from 1.05; the level is
    // set to 0 on the first frame it falls below 0.005.
    return std::floor(std::log(1.05 / 0.055) / -std::log1p(-q)) + 1.0;
}
