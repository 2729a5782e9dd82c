// The 47 parameter values of the current sound, shared by the engine and all
// six voices, which read them afresh at every use.
//
// Threads: written by the plug-in's setParameter (UI thread for automation and
// the editor, audio thread for program changes and learned controllers) and
// read by the audio thread. Each value is one aligned float accessed through
// relaxed atomic loads and stores: plain moves on x86-64, but free of data
// races, and a render may see the new value in one step and the old one in an
// earlier step of the same frame.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr int kNumParameters = 47;

// Parameter indices. Values are 0..1 (switches 0.0 or 1.0) except the two
// menu indices, which hold the entry number as a float. What else is known
// about each parameter is in voice/ParameterTable.h.
enum ParameterIndex : int {
    kParamUnused0 = 0,
    kParamVolume = 1,          // output gain, applied squared
    kParamMasterPitch = 2,     // fine tune, +-1 semitone
    kParamSaw = 3,             // switch
    kParamSubOsc = 4,          // switch (on when > 0)
    kParamSubOscVolume = 5,
    kParamNoiseVolume = 6,     // on when > 0
    kParamPulse = 7,           // switch
    kParamPwMode = 8,          // pulse width from the envelope (else LFO)
    kParamPwIntensity = 9,     // width modulation depth, or the manual width
    kParamOscLfo = 10,         // LFO to pitch
    kParamHpCutoff = 11,
    kParamCutoff = 12,
    kParamResonance = 13,
    kParamContourBias = 14,    // switch: inverted filter contour
    kParamContour = 15,
    kParamFilterLfo = 16,
    kParamKeyFollow = 17,
    kParamEnvGate = 18,        // switch: amplifier from the gate envelope
    kParamEnvVolume = 19,      // output gain, linear
    kParamAttack = 20,
    kParamDecay = 21,
    kParamSustain = 22,
    kParamRelease = 23,
    kParamLfoRate = 24,
    kParamLfoDelay = 25,
    kParamLfoTrigger = 26,     // switch: 0 restarts the LFO at every note
    kParamLfoWaveform = 27,    // menu index 0..4
    kParamLfoClock = 28,       // menu index 0..12, 0 = free running
    kParamEnvVelocity = 29,
    kParamCutoffSmooth = 30,   // stored only
    kParamModDco = 31,         // pitch bend to pitch
    kParamModVcf = 32,         // pitch bend to cutoff
    kParamTranspose = 33,      // octave switch: 0, 1/3, 2/3, 1
    kParamChorus1 = 34,
    kParamChorus2 = 35,
    kParamManualPw = 36,       // switch: width set by hand
    kParamLearnAll = 37,       // MIDI learn into every program
    kParamSharedFilter = 38,   // switch: one filter for the summed voices
    kParamSpare39 = 39,        // 39..45: stored and saved, read by nothing
    kParamSpare40 = 40,
    kParamSpare41 = 41,
    kParamSpare42 = 42,
    kParamSpare43 = 43,
    kParamSpare44 = 44,
    kParamSpare45 = 45,
    kParamLearnProgram = 46,   // MIDI learn into the current program
};

inline float loadParameter(const float* values, int index)
{
    return std::atomic_ref<float>(const_cast<float&>(values[index])).load(std::memory_order_relaxed);
}

inline void storeParameter(float* values, int index, float value)
{
    std::atomic_ref<float>(values[index]).store(value, std::memory_order_relaxed);
}

class ParameterBlock {
public:
    ParameterBlock() = default;
    ParameterBlock(const ParameterBlock&) = delete;
    ParameterBlock& operator=(const ParameterBlock&) = delete;

    float* data() { return values; }
    const float* data() const { return values; }
    float get(int index) const { return loadParameter(values, index); }
    void set(int index, float value) { storeParameter(values, index, value); }

private:
    alignas(64) float values[kNumParameters] = {};
};
