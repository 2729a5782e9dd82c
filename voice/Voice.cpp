#include "voice/Voice.h"

#include "voice/Random.h"

#include <cmath>

namespace {
constexpr float kOneTwelfth = 0.0833333358f; // 1/12 in single precision
} // namespace

// The three powers and logarithms come from the C library, whose code
// differs by processor: glibc on x86-64 picks an FMA variant of pow and log
// at run time where the processor has FMA, aarch64's is built with fused
// multiply-adds throughout, so their double results may differ in the last
// bit. What the voices keep of them does not: the float of 2^x, of
// 440 * 2^x and whether that exceeds 19000 Hz, for every float x with
// 2^-24 <= |x| < 64 (every pitch and key-follow argument the voices can form
// is 0 or in there), and the float of ln(x) for every float x in
// 2^-34..2^24 (the key-follow argument is at least 1e-10), were compared
// between x86-64 and aarch64 (under qemu-user): all equal.
double Voice::noteFrequency(float semitonesFromA)
{
    return 440.0 * std::pow(2.0, double(semitonesFromA * kOneTwelfth));
}

float Voice::naturalLog(float x) { return float(std::log(double(x))); }

float Voice::powerOfTwo(float x) { return float(std::pow(2.0, double(x))); }

Voice::Voice(float sampleRate, ParameterBlock& parameterBlock, vemo::Random& random)
    : sampleRate(sampleRate),
      parameters(parameterBlock.data()),
      random(&random),
      sawOsc(sampleRate),
      pulseOsc(sampleRate),
      subOsc(sampleRate),
      filter(sampleRate),
      ampEnv(sampleRate, false),
      filterEnv(sampleRate, true),
      gateEnv(sampleRate, false)
{
}

void Voice::setSampleRate(float rate)
{
    sampleRate = rate;
    // Fresh units for the new rate, assigned over the old ones in place.
    sawOsc = SawOscillator(rate);
    pulseOsc = PulseOscillator(rate);
    subOsc = PulseOscillator(rate);
    ampEnv = Envelope(rate, false);
    filterEnv = Envelope(rate, true);
    gateEnv = Envelope(rate, false);
    filter = LadderFilter(rate);
}

void Voice::startNote(int32_t newNote, float newVelocity)
{
    idleCount = 0;
    gate = true;
    // A retriggered note rises from wherever its amplitude is.
    ampEnv.attackDone = false;
    gateEnv.attackDone = false;
    filterEnv.level = 0.0f;
    filterEnv.attackDone = false;
    note = newNote;
    velocity = newVelocity;
    sawOsc.phase = 0.0f;
    pulseOsc.ramp1 = 0.1f;
    pulseOsc.ramp2 = 0.1f;
    subOsc.ramp1 = 0.25f;
    subOsc.ramp2 = 0.25f;
}

void Voice::releaseNote() { gate = false; }

void Voice::forceRelease()
{
    gate = false;
    ampEnv.attackDone = true;
    gateEnv.attackDone = true;
}

bool Voice::render(float& firstHalfSum, float& secondHalfSum, float pwmLfoValue, float lfoValue,
                   float pitchBend, float smoothedCutoff)
{
    if (isSilent()) {
        ampLevel = 0.0f;
        // Let the filter ring out the tail for a few frames so it starts the
        // next note from a settled state; nothing of it is heard.
        if (idleCount < 20) {
            if (P(kParamSharedFilter) == 0.0f)
                runFilter(filter, subA, subB, smoothedCutoff, 0.0f);
            ++idleCount;
        }
        return false;
    }
    renderSources(pwmLfoValue, lfoValue, pitchBend);
    if (P(kParamSharedFilter) == 0.0f)
        runFilter(filter, subA, subB, smoothedCutoff, lfoValue);
    finishFrame(firstHalfSum, secondHalfSum);
    return true;
}

void Voice::renderSources(float pwmLfoValue, float lfoValue, float pitchBend)
{
    pitch = (P(kParamMasterPitch) - 0.5f) * 2.0f + P(kParamModDco) * pitchBend * 12.0f + float(note);
    const float transpose = P(kParamTranspose);
    if (transpose < 0.25f)
        pitch -= 12.0f;
    else if (transpose > 0.5f)
        pitch += 12.0f;

    envGate = P(kParamEnvGate) != 0.0f;
    ampLevel = ampEnv.tick(gate, P(kParamAttack), P(kParamDecay), P(kParamSustain),
                            envGate ? 0.0f : P(kParamRelease));

    subA = 0.0f;
    subB = 0.0f;

    const float oscLfo = P(kParamOscLfo);
    modPitch = pitch + oscLfo * oscLfo * oscLfo * lfoValue * 12.0f;
    if (modPitch < 0.0f)
        modPitch = 0.0f;

    const double mainFreq = mainPower.of(modPitch - 36.0f - 45.0f);
    oscFreq = mainFreq > 19000.0 ? 19000.0f : float(mainFreq);

    if (P(kParamSaw) != 0.0f) {
        subA += sawOsc.next(oscFreq);
        subB += sawOsc.next(oscFreq);
    }

    if (P(kParamPulse) != 0.0f) {
        const float intensity = P(kParamPwIntensity);
        if (P(kParamManualPw) != 0.0f) {
            width = (intensity + 1.0f) * 0.5f;
        } else if (P(kParamPwMode) != 0.0f) {
            if (ampLevel > 1.0f)
                ampLevel = 1.0f;
            width = intensity * ampLevel;
        } else if (intensity > 0.0f) {
            width = (intensity * pwmLfoValue + 1.0f) * 0.5f;
        } else {
            width = 0.48f;
        }
        subA += pulseOsc.next(oscFreq, width);
        subB += pulseOsc.next(oscFreq, width);
    }

    if (P(kParamSubOsc) > 0.0f) {
        oscFreq = float(subPower.of(modPitch - 12.0f - 36.0f - 45.0f));
        const float level = P(kParamSubOscVolume);
        subA += subOsc.next(oscFreq, 0.5f) * level * 0.9f;
        subB += subOsc.next(oscFreq, 0.5f) * P(kParamSubOscVolume) * 0.9f;
    }

    const float noise = P(kParamNoiseVolume);
    if (noise > 0.0f) {
        float u = float(random->next()) * vemo::kRandomScale;
        noiseState = (u + 2.0f * noiseState) * 0.33333334f;
        subA += noise * noiseState;
        u = float(random->next()) * vemo::kRandomScale;
        noiseState = (u + 2.0f * noiseState) * 0.33333334f;
        subB += P(kParamNoiseVolume) * noiseState;
    }
}

void Voice::finishFrame(float& firstHalfSum, float& secondHalfSum)
{
    if (envGate)
        ampLevel = gateEnv.tick(gate, 0.0f, 1.0f, 1.0f, 0.0f);

    subA *= ampLevel;
    subB *= ampLevel;
    firstHalfSum += subA;
    secondHalfSum += subB;
}

void Voice::runFilter(LadderFilter& target, float& first, float& second, float cutoff, float lfo)
{
    const float f = filterCutoff(cutoff, lfo);
    const float resonance = P(kParamResonance);
    target.process(&first, f, resonance, true, *random);
    target.process(&second, f, resonance, false, *random);
}

float Voice::filterCutoff(float cutoff, float lfo)
{
    float c = cutoff * cutoff * cutoff;
    if (c < 0.0f)
        c = 0.0f;

    const float k = P(kParamKeyFollow);
    if (k > 0.0f) {
        // The cutoff in semitones relative to 440 Hz, taking c as a fraction
        // of half the sample rate, then moved along with the note.
        const float s = 17.31234f * keyFollowLog.of(sampleRate * c * 0.5f * 0.0022727272f + 1e-10f);
        const float tracked = keyFollowPower.of((s + float(note) + 24.0f - 36.0f - 45.0f) * kOneTwelfth);
        const float t = 440.0f * tracked * k / (sampleRate * 0.5f);
        c = (1.0f - k) * c + t * k;
    }

    const float depth = P(kParamFilterLfo);
    if (depth > 0.0f)
        c = c + 0.5f * (depth * depth * depth) * lfo;

    const float amount = P(kParamEnvVelocity) * velocity + P(kParamContour);
    float e = filterEnv.tick(gate, P(kParamAttack), P(kParamDecay), P(kParamSustain),
                              P(kParamRelease)) *
              (amount * amount);
    if (P(kParamContourBias) != 0.0f)
        e = -e;

    float h = e * e * e + c;
    h = h < 0.0f ? 0.0f : (h > 1.0f ? 1.0f : h);

    // A slowly wandering deviation centred on 0; it grows with the fourth
    // power of the cutoff, so low settings stay steady.
    const float u = float(random->next()) * vemo::kRandomScale;
    cutoffJitter = (u - 0.5f + 29.0f * cutoffJitter) * 0.033333335f;

    float f = (cutoffJitter * (h * h * h) + 1.0f) * h;
    return f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
}
