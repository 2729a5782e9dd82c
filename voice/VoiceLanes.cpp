#include "voice/VoiceLanes.h"

#include "voice/Random.h"

VoiceLanes::Path VoiceLanes::bestPath()
{
    return supported(Path::Avx2) ? Path::Avx2 : Path::Sse2;
}

bool VoiceLanes::supported(Path path)
{
    switch (path) {
    case Path::Scalar:
    case Path::Sse2:
        return true;
    case Path::Avx2:
#if defined(__x86_64__) || defined(__i386__)
        __builtin_cpu_init(); // may be asked before the runtime's own constructors ran
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

bool VoiceLanes::render(Voice* voices, int count, float& firstHalfSum, float& secondHalfSum,
                        float pwmLfoValue, float lfoValue, float pitchBend, float smoothedCutoff)
{
    bool active[LadderLaneBlock::kLanes];
    int laneVoice[LadderLaneBlock::kLanes];
    int lanes = 0;
    bool anyActive = false;

    if (path == Path::Scalar) {
        for (int i = 0; i < count; ++i)
            if (voices[i].render(firstHalfSum, secondHalfSum, pwmLfoValue, lfoValue, pitchBend,
                                 smoothedCutoff))
                anyActive = true;
        return anyActive;
    }

    // Everything up to the filter, voice by voice, as render() does it.
    for (int i = 0; i < count; ++i) {
        Voice& v = voices[i];
        if (v.isSilent()) {
            active[i] = false;
            v.ampLevel = 0.0f;
            if (v.idleCount < 20) {
                if (loadParameter(v.parameters, kParamSharedFilter) == 0.0f) {
                    stageFilter(lanes, v, v.filter, v.subA, v.subB, smoothedCutoff, 0.0f);
                    laneVoice[lanes++] = i;
                }
                ++v.idleCount;
            }
            continue;
        }
        active[i] = true;
        anyActive = true;
        v.renderSources(pwmLfoValue, lfoValue, pitchBend);
        if (loadParameter(v.parameters, kParamSharedFilter) == 0.0f) {
            stageFilter(lanes, v, v.filter, v.subA, v.subB, smoothedCutoff, lfoValue);
            laneVoice[lanes++] = i;
        }
    }

    if (lanes > 0) {
        runLanes(lanes);
        for (int l = 0; l < lanes; ++l) {
            Voice& v = voices[laneVoice[l]];
            finishFilter(l, v.filter);
            v.subA = scratch.first[l];
            v.subB = scratch.second[l];
        }
    }

    for (int i = 0; i < count; ++i)
        if (active[i])
            voices[i].finishFrame(firstHalfSum, secondHalfSum);
    return anyActive;
}

void VoiceLanes::runFilter(Voice& voice, LadderFilter& filter, float& first, float& second,
                           float cutoff, float lfo)
{
    if (path == Path::Scalar) {
        voice.runFilter(filter, first, second, cutoff, lfo);
        return;
    }
    stageFilter(0, voice, filter, first, second, cutoff, lfo);
    runLanes(1);
    finishFilter(0, filter);
    first = scratch.first[0];
    second = scratch.second[0];
}

void VoiceLanes::stageFilter(int lane, Voice& voice, const LadderFilter& filter, float first,
                             float second, float cutoff, float lfo)
{
    LadderLaneBlock& b = scratch;
    // The draws in render()'s order: the jitter inside filterCutoff, then
    // one for each of the two filter calls.
    b.cutoff[lane] = voice.filterCutoff(cutoff, lfo);
    b.resonance[lane] = loadParameter(voice.parameters, kParamResonance);
    b.draw1[lane] = vemo::randomInt();
    b.draw2[lane] = vemo::randomInt();
    b.first[lane] = first;
    b.second[lane] = second;
    b.rateScale[lane] = filter.rateScale;
    b.s[0][lane] = filter.s1;
    b.s[1][lane] = filter.s2;
    b.s[2][lane] = filter.s3;
    b.s[3][lane] = filter.s4;
    b.s[4][lane] = filter.s5;
    b.s[5][lane] = filter.s6;
    b.s[6][lane] = filter.s7;
    b.s[7][lane] = filter.s8;
    b.output[lane] = filter.output;
}

void VoiceLanes::runLanes(int count)
{
    LadderLaneBlock& b = scratch;
    if (count == 1) {
        runLadderLane(b, 0);
        return;
    }
    // Lanes from zeroedFrom on hold zeros (the scratch starts zeroed); only
    // lanes used by an earlier frame and unused now need clearing.
    for (int l = count; l < zeroedFrom; ++l) {
        b.first[l] = b.second[l] = b.cutoff[l] = b.resonance[l] = b.rateScale[l] = 0.0f;
        b.draw1[l] = b.draw2[l] = 0;
        for (auto& stage : b.s)
            stage[l] = 0.0f;
        b.output[l] = 0.0f;
    }
    zeroedFrom = count;
    if (path == Path::Avx2)
        runLadderLanesAvx2(b);
    else
        runLadderLanesSse2(b);
}

void VoiceLanes::finishFilter(int lane, LadderFilter& filter)
{
    const LadderLaneBlock& b = scratch;
    filter.s1 = filter.y1 = b.s[0][lane];
    filter.s2 = filter.y2 = b.s[1][lane];
    filter.s3 = filter.y3 = b.s[2][lane];
    filter.s4 = filter.y4 = b.s[3][lane];
    filter.s5 = filter.y5 = b.s[4][lane];
    filter.s6 = filter.y6 = b.s[5][lane];
    filter.s7 = filter.y7 = b.s[6][lane];
    filter.s8 = filter.y8 = b.s[7][lane];
    filter.output = b.output[lane];
    filter.delayedStage8 = b.delayedStage8[lane];
    filter.fc = b.fc[lane];
    filter.fcr = b.fcr[lane];
    filter.acr = b.acr[lane];
    filter.g = b.g[lane];
    filter.feedbackJitter = b.feedbackJitter[lane];
}
