#include "voice/VoiceLanes.h"

#include "voice/VoiceLaneKernel.h"

#include <cstring>

// The eight-float values stay inside the inline kernels (see LadderLanes.h),
// so their calling convention without AVX does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {
constexpr int kVoices = VoiceLaneState::kVoices;
constexpr int kRing = VoiceLaneState::kRing;
} // namespace

VoiceLanes::Path VoiceLanes::bestPath()
{
    return supported(Path::Avx2) ? Path::Avx2 : baselinePath();
}

bool VoiceLanes::supported(Path path)
{
    switch (path) {
    case Path::Scalar:
        return true;
    case Path::Sse2:
    case Path::Neon:
    case Path::Plain:
        return path == baselinePath();
    case Path::Avx2:
#if defined(__x86_64__)
        __builtin_cpu_init(); // may be asked before the runtime's own constructors ran
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

VoiceLanes::VoiceLanes(Path path) : path(path)
{
    std::memset(static_cast<void*>(&state), 0, sizeof state);
    // No cached argument yet: NaN never compares equal, so the first use
    // computes.
    const float none = std::numeric_limits<float>::quiet_NaN();
    state.mainArgument = state.subArgument = state.trackArgument = voicekernel::splat(none);
    state.logArgument = none;
}

bool voiceLanesFrameBaseline(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum,
                             float pwmLfoValue, float lfoValue, float smoothedCutoff)
{
    return voicekernel::frame(s, firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue, smoothedCutoff);
}

void voiceLanesPrepareBaseline(VoiceLaneState& s, float pwmLfoValue, float lfoValue, float smoothedCutoff,
                              void (*alongside)(void*), void* context)
{
    voicekernel::prepareFrame(s, pwmLfoValue, lfoValue, smoothedCutoff, alongside, context);
}

void voiceLanesSettleBaseline(VoiceLaneState& s, void (*alongside)(void*), void* context)
{
    voicekernel::settleFrame(s, alongside, context);
}

bool voiceLanesFinishBaseline(VoiceLaneState& s, float& firstHalfSum, float& secondHalfSum)
{
    return voicekernel::finishFrame(s, firstHalfSum, secondHalfSum);
}

namespace {

// Lane v's rotated ring from an oscillator's ring (row r = slot start + r).
void loadRing(float (*lanes)[VoiceLaneState::kLanes], int v, const float* ring, int32_t start)
{
    for (int r = 0; r < kRing; ++r) {
        int32_t slot = start + r;
        if (slot >= kRing)
            slot -= kRing;
        lanes[r][v] = ring[slot];
    }
}

void storeRing(const float (*lanes)[VoiceLaneState::kLanes], int v, float* ring, int32_t start)
{
    for (int r = 0; r < kRing; ++r) {
        int32_t slot = start + r;
        if (slot >= kRing)
            slot -= kRing;
        ring[slot] = lanes[r][v];
    }
}

void loadFilter(LadderLaneBlock& b, int v, const LadderFilter& f)
{
    const float stages[8] = {f.s1, f.s2, f.s3, f.s4, f.s5, f.s6, f.s7, f.s8};
    for (int n = 0; n < 8; ++n)
        b.s[n][v] = stages[n];
    b.output[v] = f.output;
    b.rateScale[v] = f.rateScale;
    b.delayedStage8[v] = f.delayedStage8;
    b.fc[v] = f.fc;
    b.fcr[v] = f.fcr;
    b.acr[v] = f.acr;
    b.g[v] = f.g;
    b.feedbackJitter[v] = f.feedbackJitter;
}

// After process(): the working values y equal the new states.
void storeFilter(const LadderLaneBlock& b, int v, LadderFilter& f)
{
    f.s1 = f.y1 = b.s[0][v];
    f.s2 = f.y2 = b.s[1][v];
    f.s3 = f.y3 = b.s[2][v];
    f.s4 = f.y4 = b.s[3][v];
    f.s5 = f.y5 = b.s[4][v];
    f.s6 = f.y6 = b.s[5][v];
    f.s7 = f.y7 = b.s[6][v];
    f.s8 = f.y8 = b.s[7][v];
    f.output = b.output[v];
    f.delayedStage8 = b.delayedStage8[v];
    f.fc = b.fc[v];
    f.fcr = b.fcr[v];
    f.acr = b.acr[v];
    f.g = b.g[v];
    f.feedbackJitter = b.feedbackJitter[v];
}

} // namespace

void VoiceLanes::begin(Voice* voices, const float* parameters, float pitchBend,
                       const LadderFilter& sharedFilter)
{
    VoiceLaneState& s = state;
    std::memcpy(s.parameters, parameters, sizeof s.parameters);
    const float* p = s.parameters;
    s.ownFilter = p[kParamSharedFilter] == 0.0f;
    s.random = voices[0].random;
    // The envelopes' values for the stretch: with the gate envelope on, the
    // amplifier's ADSR has no release of its own.
    const bool envGate = p[kParamEnvGate] != 0.0f;
    s.ampSetting = voicelanes::envelopeSetting(p[kParamAttack], p[kParamDecay], p[kParamSustain],
                                               envGate ? 0.0f : p[kParamRelease], false);
    s.contourSetting = voicelanes::envelopeSetting(p[kParamAttack], p[kParamDecay], p[kParamSustain],
                                                   p[kParamRelease], true);
    s.gateSetting = voicelanes::envelopeSetting(0.0f, 1.0f, 1.0f, 0.0f, false);
    s.row = 0;
    s.ladderPending = false;
    for (int v = 0; v < kVoices; ++v) {
        const Voice& voice = voices[v];
        // The pitch before the LFO, as renderSources forms it; a voice that
        // does not sound in this stretch keeps its own.
        float pitch = (p[kParamMasterPitch] - 0.5f) * 2.0f + p[kParamModDco] * pitchBend * 12.0f +
                      float(voice.note);
        const float transpose = p[kParamTranspose];
        if (transpose < 0.25f)
            pitch -= 12.0f;
        else if (transpose > 0.5f)
            pitch += 12.0f;
        s.pitch[v] = voice.isSilent() ? voice.pitch : pitch;
        s.velocity[v] = voice.velocity;
        s.amount[v] = p[kParamEnvVelocity] * voice.velocity + p[kParamContour];
        s.sampleRate[v] = voice.sawOsc.sampleRate;
        s.ampRate[v] = voice.ampEnv.rate;
        s.filterRate[v] = voice.filterEnv.rate;
        s.gateRate[v] = voice.gateEnv.rate;
        s.noteTerm[v] = float(voice.note);
        s.notes[v] = voice.note;
        s.gate[v] = voice.gate ? -1 : 0;

        s.ampLevel[v] = voice.ampEnv.level;
        s.ampDone[v] = voice.ampEnv.attackDone ? -1 : 0;
        s.filterLevel[v] = voice.filterEnv.level;
        s.filterDone[v] = voice.filterEnv.attackDone ? -1 : 0;
        s.gateLevel[v] = voice.gateEnv.level;
        s.gateDone[v] = voice.gateEnv.attackDone ? -1 : 0;
        s.ampOut[v] = voice.ampLevel;

        s.sawPhase[v] = voice.sawOsc.phase;
        s.sawLast[v] = voice.sawOsc.lastCorrection;
        s.pulseRamp1[v] = voice.pulseOsc.ramp1;
        s.pulseRamp2[v] = voice.pulseOsc.ramp2;
        s.pulseLast[v] = voice.pulseOsc.lastCorrection;
        s.pulseOffset[v] = voice.pulseOsc.stepOffset;
        s.pulseSign[v] = voice.pulseOsc.stepSign;
        s.subRamp1[v] = voice.subOsc.ramp1;
        s.subRamp2[v] = voice.subOsc.ramp2;
        s.subLast[v] = voice.subOsc.lastCorrection;
        s.subOffset[v] = voice.subOsc.stepOffset;
        s.subSign[v] = voice.subOsc.stepSign;
        s.noiseState[v] = voice.noiseState;
        s.modPitch[v] = voice.modPitch;
        s.width[v] = voice.width;
        s.oscFreq[v] = voice.oscFreq;
        s.subA[v] = voice.subA;
        s.subB[v] = voice.subB;
        s.cutoffJitter[v] = voice.cutoffJitter;
        s.idleCount[v] = voice.idleCount < 20 ? voice.idleCount : 20;
        s.advanced[v] = 0;

        // Only a voice that sounds can move its rings, and only one that
        // sounds or rings out can move its filter.
        if (!voice.isSilent()) {
            s.sawStart[v] = voice.sawOsc.ringPos;
            s.pulseStart[v] = voice.pulseOsc.ringPos;
            s.subStart[v] = voice.subOsc.ringPos;
            loadRing(s.sawRing, v, voice.sawOsc.ring, s.sawStart[v]);
            loadRing(s.pulseRing, v, voice.pulseOsc.ring, s.pulseStart[v]);
            loadRing(s.subRing, v, voice.subOsc.ring, s.subStart[v]);
        }
        if (!voice.isSilent() || voice.idleCount < 20)
            loadFilter(s.ladder, v, voice.filter);
    }
    // Lanes 6 and 7 stay silent and settled.
    for (int v = kVoices; v < VoiceLaneState::kLanes; ++v)
        s.idleCount[v] = 20;
    loadFilter(s.shared, 0, sharedFilter);
    sharedRan = false;
}

void VoiceLanes::end(Voice* voices, LadderFilter& sharedFilter)
{
    const VoiceLaneState& s = state;
    const float* p = s.parameters;
    for (int v = 0; v < kVoices; ++v) {
        Voice& voice = voices[v];
        // The voice object still holds the stretch's start.
        const bool sounded = !voice.isSilent();
        const bool filtered = s.ownFilter && (sounded || voice.idleCount < 20);
        if (!sounded && voice.idleCount >= 20)
            continue; // untouched by the stretch

        voice.ampEnv.level = s.ampLevel[v];
        voice.ampEnv.attackDone = s.ampDone[v] != 0;
        voice.filterEnv.level = s.filterLevel[v];
        voice.filterEnv.attackDone = s.filterDone[v] != 0;
        voice.gateEnv.level = s.gateLevel[v];
        voice.gateEnv.attackDone = s.gateDone[v] != 0;
        voice.ampLevel = s.ampOut[v];
        voice.subA = s.subA[v];
        voice.subB = s.subB[v];
        voice.cutoffJitter = s.cutoffJitter[v];
        if (voice.idleCount < 20)
            voice.idleCount = s.idleCount[v]; // a count past 20 no longer moves
        if (filtered)
            storeFilter(s.ladder, v, voice.filter);
        if (!sounded)
            continue;

        voice.pitch = s.pitch[v];
        voice.envGate = p[kParamEnvGate] != 0.0f;
        voice.modPitch = s.modPitch[v];
        voice.width = s.width[v];
        voice.oscFreq = s.oscFreq[v];
        voice.noiseState = s.noiseState[v];
        voice.sawOsc.phase = s.sawPhase[v];
        voice.sawOsc.lastCorrection = s.sawLast[v];
        voice.pulseOsc.ramp1 = s.pulseRamp1[v];
        voice.pulseOsc.ramp2 = s.pulseRamp2[v];
        voice.pulseOsc.lastCorrection = s.pulseLast[v];
        voice.pulseOsc.stepOffset = s.pulseOffset[v];
        voice.pulseOsc.stepSign = s.pulseSign[v];
        voice.subOsc.ramp1 = s.subRamp1[v];
        voice.subOsc.ramp2 = s.subRamp2[v];
        voice.subOsc.lastCorrection = s.subLast[v];
        voice.subOsc.stepOffset = s.subOffset[v];
        voice.subOsc.stepSign = s.subSign[v];
        // An oscillator that is switched off neither plays nor moves its ring.
        const int32_t moved = s.advanced[v] % kRing;
        auto moveRing = [&](bool on, const float (*lanes)[VoiceLaneState::kLanes], float* ring,
                            int32_t start, int32_t& ringPos) {
            if (!on)
                return;
            storeRing(lanes, v, ring, start);
            ringPos = (start + moved) % kRing;
        };
        moveRing(p[kParamSaw] != 0.0f, s.sawRing, voice.sawOsc.ring, s.sawStart[v], voice.sawOsc.ringPos);
        moveRing(p[kParamPulse] != 0.0f, s.pulseRing, voice.pulseOsc.ring, s.pulseStart[v],
                 voice.pulseOsc.ringPos);
        moveRing(p[kParamSubOsc] > 0.0f, s.subRing, voice.subOsc.ring, s.subStart[v], voice.subOsc.ringPos);
    }
    if (sharedRan)
        storeFilter(s.shared, 0, sharedFilter);
}

bool VoiceLanes::frame(float& firstHalfSum, float& secondHalfSum, float pwmLfoValue, float lfoValue,
                       float smoothedCutoff)
{
#if defined(__x86_64__)
    if (path == Path::Avx2)
        return voiceLanesFrameAvx2(state, firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue,
                                   smoothedCutoff);
#endif
    return voiceLanesFrameBaseline(state, firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue, smoothedCutoff);
}

void VoiceLanes::prepare(float pwmLfoValue, float lfoValue, float smoothedCutoff, void (*alongside)(void*),
                         void* context)
{
#if defined(__x86_64__)
    if (path == Path::Avx2)
        return voiceLanesPrepareAvx2(state, pwmLfoValue, lfoValue, smoothedCutoff, alongside, context);
#endif
    voiceLanesPrepareBaseline(state, pwmLfoValue, lfoValue, smoothedCutoff, alongside, context);
}

void VoiceLanes::settle(void (*alongside)(void*), void* context)
{
#if defined(__x86_64__)
    if (path == Path::Avx2)
        return voiceLanesSettleAvx2(state, alongside, context);
#endif
    voiceLanesSettleBaseline(state, alongside, context);
}

bool VoiceLanes::finish(float& firstHalfSum, float& secondHalfSum)
{
#if defined(__x86_64__)
    if (path == Path::Avx2)
        return voiceLanesFinishAvx2(state, firstHalfSum, secondHalfSum);
#endif
    return voiceLanesFinishBaseline(state, firstHalfSum, secondHalfSum);
}

void VoiceLanes::sharedFilterFrame(int v, float& first, float& second, float smoothedCutoff,
                                   float lfoValue)
{
    LadderLaneBlock& b = state.shared;
    // The draws in runFilter's order: the jitter inside the cutoff, then
    // one for each of the filter's two calls.
    b.cutoff[0] = voicelanes::filterCutoff(state, v, smoothedCutoff, lfoValue);
    b.resonance[0] = state.parameters[kParamResonance];
    b.draw1[0] = state.random->next();
    b.draw2[0] = state.random->next();
    b.first[0] = first;
    b.second[0] = second;
    runLadderLane(b, 0);
    first = b.first[0];
    second = b.second[0];
    sharedRan = true;
}

float VoiceLanes::ampLevelSum() const
{
    float level = 0.0f;
    for (int v = 0; v < kVoices; ++v)
        level += state.ampOut[v];
    return level;
}

bool VoiceLanes::resting() const
{
    for (int v = 0; v < kVoices; ++v)
        if (state.gate[v] || state.ampLevel[v] > 0.0f || state.gateLevel[v] > 0.0f || state.idleCount[v] < 20)
            return false;
    return true;
}

namespace voicelanes {

float filterCutoff(VoiceLaneState& s, int v, float cutoff, float lfo)
{
    // Voice::filterCutoff on lane v's values.
    const float* p = s.parameters;
    const float sampleRate = s.sampleRate[v];
    float c = cutoff * cutoff * cutoff;
    if (c < 0.0f)
        c = 0.0f;

    const float k = p[kParamKeyFollow];
    if (k > 0.0f) {
        const float semitones = 17.31234f * keyFollowLog(s, sampleRate * c * 0.5f * 0.0022727272f + 1e-10f);
        const float argument = (semitones + s.noteTerm[v] + 24.0f - 36.0f - 45.0f) * 0.0833333358f;
        if (!(argument == s.trackArgument[v])) {
            float arguments[VoiceLaneState::kLanes];
            arguments[v] = argument;
            trackPowers(s, 1u << v, arguments);
        }
        const float t = 440.0f * s.trackResult[v] * k / (sampleRate * 0.5f);
        c = (1.0f - k) * c + t * k;
    }

    const float depth = p[kParamFilterLfo];
    if (depth > 0.0f)
        c = c + 0.5f * (depth * depth * depth) * lfo;

    Envelope contour(sampleRate, true);
    contour.rate = s.filterRate[v];
    contour.level = s.filterLevel[v];
    contour.attackDone = s.filterDone[v] != 0;
    const float amount = s.amount[v];
    float e = contour.tick(s.gate[v] != 0, p[kParamAttack], p[kParamDecay], p[kParamSustain],
                           p[kParamRelease]) *
              (amount * amount);
    s.filterLevel[v] = contour.level;
    s.filterDone[v] = contour.attackDone ? -1 : 0;
    if (p[kParamContourBias] != 0.0f)
        e = -e;

    float h = e * e * e + c;
    h = h < 0.0f ? 0.0f : (h > 1.0f ? 1.0f : h);

    const float u = float(s.random->next()) * vemo::kRandomScale;
    const float jitter = (u - 0.5f + 29.0f * s.cutoffJitter[v]) * 0.033333335f;
    s.cutoffJitter[v] = jitter;

    float f = (jitter * (h * h * h) + 1.0f) * h;
    return f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
}

void sawEdge(VoiceLaneState& s, int v, float phase, float freq, int32_t row)
{
    // SawOscillator::next from its increment on, the correction into the
    // lane's rotated ring.
    SawOscillator::wrap(phase, freq, s.sampleRate[v], [&s, v, row](float d) {
        const float* table = minBlepTable();
        for (int32_t i = 0; i < kRing; ++i) {
            int32_t r = row + i;
            if (r >= kRing)
                r -= kRing;
            s.sawRing[r][v] += SawOscillator::stepCorrection(table, float(kMinBlepStepsPerSample), i, d);
        }
    });
    s.sawPhase[v] = phase;
}

void pulseEdge(VoiceLaneState& s, bool sub, int v, float freq, float width, int32_t row)
{
    // PulseOscillator::next up to its ring, on lane v's values.
    float(*ring)[VoiceLaneState::kLanes] = sub ? s.subRing : s.pulseRing;
    float ramp1 = (sub ? s.subRamp1 : s.pulseRamp1)[v];
    float ramp2 = (sub ? s.subRamp2 : s.pulseRamp2)[v];
    int32_t stepSign = (sub ? s.subSign : s.pulseSign)[v];
    float stepOffset = 0.0f;
    auto insert = [ring, v, row, &stepSign](float d) {
        const float* table = minBlepTable();
        const float sign = float(stepSign);
        for (int32_t i = 0; i < kRing; ++i) {
            float correction;
            const float tableStep = float(kMinBlepStepsPerSample);
            if (!PulseOscillator::stepCorrection(table, tableStep, i, d, sign, correction))
                continue;
            int32_t r = row + i;
            if (r >= kRing)
                r -= kRing;
            ring[r][v] += correction;
        }
    };
    PulseOscillator::advance(ramp1, ramp2, stepSign, stepOffset, freq, width, s.sampleRate[v], insert);
    (sub ? s.subRamp1 : s.pulseRamp1)[v] = ramp1;
    (sub ? s.subRamp2 : s.pulseRamp2)[v] = ramp2;
    (sub ? s.subOffset : s.pulseOffset)[v] = stepOffset;
    (sub ? s.subSign : s.pulseSign)[v] = stepSign;
}

void notePowers(LaneFloats& cachedArgument, LaneFloats& frequency, float limit, unsigned mask,
                const float* argument)
{
    for (int v = 0; v < kVoices; ++v) {
        if (!(mask & (1u << v)))
            continue;
        const double f = Voice::noteFrequency(argument[v]);
        cachedArgument[v] = argument[v];
        frequency[v] = limit > 0.0f && f > double(limit) ? limit : float(f);
    }
}

void trackPowers(VoiceLaneState& s, unsigned mask, const float* argument)
{
    for (int v = 0; v < kVoices; ++v) {
        if (!(mask & (1u << v)))
            continue;
        s.trackArgument[v] = argument[v];
        s.trackResult[v] = Voice::powerOfTwo(argument[v]);
    }
}

EnvelopeSetting envelopeSetting(float attack, float decay, float sustain, float release, bool instantAttack)
{
    auto unit = [](float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; };
    EnvelopeSetting e;
    e.A = unit(attack);
    e.D = unit(decay);
    e.S = unit(sustain);
    e.R = unit(release);
    e.g = (1.0f - e.A) * 0.7f + 0.22f;
    const float d = 1.0f - e.D;
    e.d4 = d * d * d * d;
    const float r = 1.0f - e.R;
    e.r4 = r * r * r * r;
    e.instantAttack = instantAttack;
    return e;
}

float keyFollowLog(VoiceLaneState& s, float argument)
{
    if (!(argument == s.logArgument)) {
        s.logArgument = argument;
        s.logResult = Voice::naturalLog(argument);
    }
    return s.logResult;
}

} // namespace voicelanes
