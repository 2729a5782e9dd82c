// Factory sounds. Each program starts from a plain voice (one sawtooth, filter
// half open, moderate envelope, modest output gain) and lists only what makes
// it itself, by the parameter names the host shows. The line above each
// program says what it is meant to sound like. VOLUME (and ENVVOLUME where
// VOLUME alone would not reach) sets each program so that a held middle C
// plays at about the same loudness, near -26 dBFS RMS over its loudest 100 ms;
// short struck sounds sit a little lower so that a six-note chord stays below
// full scale.
//
// Guide to the ranges at 44.1 kHz (vemo-render --list-params shows every
// value with its unit):
//   CUTOFF          -> filter corner 0.3: 205 Hz, 0.4: 482 Hz, 0.5: 932 Hz,
//                      0.6: 1.6 kHz, 0.8: 3.9 kHz, 1: 18.6 kHz (key follow 0)
//   FILTERCONTOUR a -> envelope sweep a^6 of the full range: only 0.7..1 matter
//   AMPATTACK       -> 0: 1 ms, 0.25: 39 ms, 0.5: 113 ms, 0.75: 0.49 s, 0.9: 1.7 s
//   AMPDECAY/RELEASE-> decay 0: 23 ms, 0.25: 71 ms, 0.5: 0.36 s, 0.75: 5.8 s
//                      (to silence; the top of a decay goes several times faster,
//                      so a filter blip towards a sustain of 0.5 lasts a fifth of
//                      that); a release is a little shorter (0.5: 0.32 s)
//   KEYFOLLOW 1     -> the corner follows the key: about 52 * p^3 times the note's pitch
//   LFO1RATE r      -> about 20 * r^4 Hz (0.5: 1.26 Hz, 0.7: 4.8 Hz)
//   OSCLFOINTENSITY -> 12 * v^3 semitones (0.25: 0.19, 0.5: 1.5)
//   TRANSPOSE       -> 0 octave down, 1/3 or 1/2 none, 2/3 or 1 octave up
#include "core/FactoryBank.h"

#include <cstring>
#include <initializer_list>

namespace {

// The parameters by the names the host shows (the pulse, manual-width,
// learn and shared-filter switches have none of their own there).
enum : int {
    VOLUME = kParamVolume, MASTERPITCH = kParamMasterPitch, SAW = kParamSaw,
    SUBOSC = kParamSubOsc, SUBOSCVOLUME = kParamSubOscVolume, NOISEVOLUME = kParamNoiseVolume,
    PULSE = kParamPulse, SQUAREPWMODE = kParamPwMode, SQUAREPWINTENSITY = kParamPwIntensity,
    OSCLFOINTENSITY = kParamOscLfo, HPCUTOFF = kParamHpCutoff, CUTOFF = kParamCutoff,
    RESONANCE = kParamResonance, FILTERCONTOURBIAS = kParamContourBias,
    FILTERCONTOUR = kParamContour, FILTERLFO = kParamFilterLfo, KEYFOLLOW = kParamKeyFollow,
    ENVGATE = kParamEnvGate, ENVVOLUME = kParamEnvVolume, AMPATTACK = kParamAttack,
    AMPDECAY = kParamDecay, AMPSUSTAIN = kParamSustain, AMPRELEASE = kParamRelease,
    LFO1RATE = kParamLfoRate, LFO1DELAY = kParamLfoDelay, LFO1TRIGGER = kParamLfoTrigger,
    LFO1WAVEFORM = kParamLfoWaveform, LFO1CLOCK = kParamLfoClock,
    ENVVELOCITY = kParamEnvVelocity, CUTOFFSMOOTH = kParamCutoffSmooth, MODDCO = kParamModDco,
    MODVCF = kParamModVcf, TRANSPOSE = kParamTranspose, CHORUS1 = kParamChorus1,
    CHORUS2 = kParamChorus2, MANUALPW = kParamManualPw, LEARNALL = kParamLearnAll,
    SHAREDFILTER = kParamSharedFilter,
};

// Menu entries of LFO1WAVEFORM and LFO1CLOCK.
enum : int { SIN = 0, TRI, SAWWAVE, REC, NOISE };
enum : int { FREE = 0, C1_16, C1_8, C1_4, C1_2, C1_1, C2_1, C1_16T, C1_8T, C1_4T };

constexpr float OCT_DOWN = 0.0f, OCT_NONE = 0.5f, OCT_UP = 2.0f / 3.0f;

struct Setting {
    int index;
    float value;
};

void setName(ProgramRecord& r, const char* name)
{
    // A 24-character name fills the field and has no terminator.
    std::memset(r.name, 0, sizeof(r.name));
    std::memcpy(r.name, name, strnlen(name, sizeof(r.name)));
}

struct BankBuilder {
    ProgramRecord* bank;

    // Program `n` from the plain voice, with the given settings on top.
    void program(int n, const char* name, std::initializer_list<Setting> settings)
    {
        ProgramRecord& r = bank[n];
        setName(r, name);
        float* p = r.parameter;
        for (int i = 0; i < kNumParameters; ++i)
            p[i] = 0.0f;
        p[VOLUME] = 0.5f;
        p[MASTERPITCH] = 0.5f;
        p[SAW] = 1.0f;
        p[CUTOFF] = 0.6f;
        p[RESONANCE] = 0.2f;
        p[FILTERCONTOUR] = 0.5f;
        p[KEYFOLLOW] = 0.5f;
        p[ENVVOLUME] = 0.6f;
        p[AMPDECAY] = 0.5f;
        p[AMPSUSTAIN] = 0.6f;
        p[AMPRELEASE] = 0.3f;
        p[LFO1RATE] = 0.5f;
        p[ENVVELOCITY] = 0.3f;
        p[CUTOFFSMOOTH] = 1.0f;
        p[MODDCO] = 0.1667f; // two semitones of bend
        p[TRANSPOSE] = OCT_NONE;
        for (const Setting& s : settings)
            p[s.index] = s.value;
    }
};

void buildFactoryBank(ProgramRecord* bank)
{
    // Every record starts as the default record: name "default", neutral
    // values, controller 40 on CUTOFF and 42 on RESONANCE.
    for (int i = 0; i < kNumPrograms; ++i)
        bank[i] = ProgramRecord();

    // 0: the sound the instrument wakes up with: saw and full sub-oscillator an
    // octave down, organ-style gate, one filter shared by all voices.
    {
        ProgramRecord& r = bank[0];
        setName(r, "Startup");
        float* p = r.parameter;
        for (int i = 0; i < kNumParameters; ++i)
            p[i] = 0.0f;
        p[VOLUME] = 0.414079279f;
        p[MASTERPITCH] = 0.5f;
        p[SAW] = 1.0f;
        p[SUBOSC] = 1.0f;
        p[SUBOSCVOLUME] = 1.0f;
        p[CUTOFF] = 1.0f;
        p[ENVGATE] = 1.0f;
        p[ENVVOLUME] = 1.0f;
        p[AMPDECAY] = 0.691176474f;
        p[LFO1RATE] = 0.544117689f;
        p[CUTOFFSMOOTH] = 1.0f;
        p[MODDCO] = 1.0f;
        p[MODVCF] = 1.0f;
        p[SHAREDFILTER] = 1.0f;
    }

    BankBuilder b{bank};

    // ---- basses (played an octave down)
    // Slap bass: the filter snaps open and shut, harder the harder it is played.
    b.program(1, "Funky Bass", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.45f}, {CUTOFF, 0.33f}, {RESONANCE, 0.5f}, {KEYFOLLOW, 0.4f}, {FILTERCONTOUR, 0.78f}, {ENVVELOCITY, 0.3f}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0.35f}, {AMPRELEASE, 0.2f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.9f}, {ENVVOLUME, 0.606f}});
    // "Wah-uh": a slow resonant filter swell that opens and falls back on every note.
    b.program(2, "Wahuh Bass", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.3f}, {CUTOFF, 0.2f}, {RESONANCE, 0.7f}, {KEYFOLLOW, 0.3f}, {FILTERCONTOUR, 0.9f}, {ENVVELOCITY, 0.15f}, {AMPATTACK, 0.42f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0.35f}, {AMPRELEASE, 0.2f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.64f}});
    // Pulse bass whose width breathes with the LFO, square sub-octave underneath.
    b.program(3, "PW Bass", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.7f}, {LFO1RATE, 0.5f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {CUTOFF, 0.35f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.2f}, {AMPDECAY, 0.4f}, {AMPSUSTAIN, 0.55f}, {AMPRELEASE, 0.15f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.667f}});
    // Wobble bass: a resonant filter swept by a sine in eighth notes of the host tempo.
    b.program(4, "LFO Bass", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {CUTOFF, 0.33f}, {RESONANCE, 0.6f}, {FILTERCONTOUR, 0}, {FILTERLFO, 0.55f}, {LFO1WAVEFORM, SIN}, {LFO1CLOCK, C1_8}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.15f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.706f}});

    // ---- leads
    // Short bright blips for arpeggios: hollow pulse, quick filter snap, chorus.
    b.program(5, "Arp Lead", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.4f}, {CUTOFF, 0.5f}, {RESONANCE, 0.4f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.85f}, {AMPDECAY, 0.4f}, {AMPSUSTAIN, 0.3f}, {AMPRELEASE, 0.25f}, {CHORUS1, 1}, {VOLUME, 0.608f}});
    // Organ lead: square, saw and sub on a keyed gate, a click of filter at each
    // key, vibrato that sets in after a moment.
    b.program(6, "Organ Lead", {{PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {ENVGATE, 1}, {CUTOFF, 0.55f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.6f}, {FILTERCONTOUR, 0.7f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0}, {OSCLFOINTENSITY, 0.25f}, {LFO1RATE, 0.72f}, {LFO1DELAY, 0.35f}, {CHORUS2, 1}, {VOLUME, 0.312f}});
    // Quacky lead: resonant filter envelope that bites harder with velocity.
    b.program(7, "Funky Lead", {{CUTOFF, 0.3f}, {RESONANCE, 0.7f}, {KEYFOLLOW, 0.6f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.45f}, {AMPATTACK, 0.05f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.4f}, {AMPRELEASE, 0.2f}, {VOLUME, 0.9f}, {ENVVOLUME, 0.704f}});
    // The filter on the edge of self-oscillation, whistling an octave over the saw
    // and tracking the keys, with delayed vibrato.
    b.program(8, "Self Osc Lead", {{CUTOFF, 0.34f}, {RESONANCE, 0.95f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0}, {ENVVELOCITY, 0}, {AMPATTACK, 0.1f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.25f}, {LFO1RATE, 0.72f}, {LFO1DELAY, 0.35f}, {VOLUME, 0.489f}});
    // Breathy, slightly wobbly flute: dark saw with air noise and a vibrato from the start.
    b.program(9, "Fluet", {{NOISEVOLUME, 0.2f}, {CUTOFF, 0.34f}, {RESONANCE, 0.25f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0.6f}, {ENVVELOCITY, 0}, {AMPATTACK, 0.3f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.22f}, {LFO1RATE, 0.7f}, {LFO1WAVEFORM, TRI}, {VOLUME, 0.757f}});

    // ---- effects
    // Square wave trilling a major third through a resonant filter that rings down.
    b.program(10, "Squared Decay FX", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {CUTOFF, 0.3f}, {RESONANCE, 0.8f}, {FILTERCONTOUR, 1}, {ENVVELOCITY, 0}, {AMPDECAY, 0.58f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.55f}, {OSCLFOINTENSITY, 0.55f}, {LFO1WAVEFORM, REC}, {LFO1RATE, 0.75f}, {VOLUME, 0.779f}});
    // "Pew": a whistling resonance that dives from the top of the range in a blink.
    b.program(11, "Laser Gun FX", {{CUTOFF, 0.12f}, {RESONANCE, 0.93f}, {KEYFOLLOW, 0}, {FILTERCONTOUR, 1}, {ENVVELOCITY, 0}, {AMPDECAY, 0.38f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.3f}, {VOLUME, 0.802f}});
    // Disco tom: a self-oscillating filter pinged by noise, its pitch falling as it dies.
    b.program(12, "Disco tom FX", {{SAW, 0}, {NOISEVOLUME, 0.3f}, {CUTOFF, 0.2f}, {RESONANCE, 0.96f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.7f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.48f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.45f}, {VOLUME, 0.633f}});
    // Home-computer chip sound: thin pulse flipping between the octaves above and
    // below the key.
    b.program(13, "C64 :-) FX", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.5f}, {CUTOFF, 0.8f}, {RESONANCE, 0}, {FILTERCONTOUR, 0}, {ENVGATE, 1}, {OSCLFOINTENSITY, 1}, {LFO1WAVEFORM, REC}, {LFO1CLOCK, C1_16}, {VOLUME, 0.472f}});

    // ---- pads
    // Slow, round pad: saw and LFO-swept pulse, a gentle filter swell, chorus.
    b.program(14, "Warm Pad", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.5f}, {LFO1RATE, 0.4f}, {CUTOFF, 0.42f}, {RESONANCE, 0.15f}, {KEYFOLLOW, 0.4f}, {FILTERCONTOUR, 0.72f}, {ENVVELOCITY, 0}, {AMPATTACK, 0.72f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.64f}, {CHORUS1, 1}, {VOLUME, 0.366f}});

    // ---- more effects and percussion
    // Squelching acid line: screaming resonance, deep contour, accents by velocity.
    b.program(15, "Too much acid", {{CUTOFF, 0.22f}, {RESONANCE, 0.9f}, {KEYFOLLOW, 0.3f}, {FILTERCONTOUR, 0.82f}, {ENVVELOCITY, 0.45f}, {AMPDECAY, 0.42f}, {AMPSUSTAIN, 0.15f}, {AMPRELEASE, 0.12f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.9f}, {ENVVOLUME, 0.808f}});
    // Combo organ: narrow pulse and sub on a keyed gate, fast vibrato, both
    // choruses for a rotary feel.
    b.program(16, "Old Organ", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.3f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {ENVGATE, 1}, {CUTOFF, 0.58f}, {RESONANCE, 0}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.2f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.74f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.272f}});
    // Noise and saw through a ringing, key-tracked filter that decays with the note.
    b.program(17, "Reso Decay FX", {{NOISEVOLUME, 0.4f}, {CUTOFF, 0.15f}, {RESONANCE, 0.94f}, {KEYFOLLOW, 0.8f}, {FILTERCONTOUR, 0.95f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.58f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.5f}, {VOLUME, 0.584f}});
    // Short percussive hit: saw and noise through a resonant snap of filter, thinned by the high-pass.
    b.program(18, "Short Perc", {{NOISEVOLUME, 1}, {HPCUTOFF, 0.35f}, {CUTOFF, 0.45f}, {RESONANCE, 0.5f}, {FILTERCONTOUR, 0.9f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.48f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.3f}, {AMPATTACK, 0.08f}, {VOLUME, 0.792f}});
    // Kick drum: a self-oscillating filter pinged and swept down to a low thump.
    b.program(19, "Reso Kick", {{SAW, 0}, {NOISEVOLUME, 0.5f}, {CUTOFF, 0.14f}, {RESONANCE, 0.97f}, {KEYFOLLOW, 0}, {FILTERCONTOUR, 0.6f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.42f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.4f}, {VOLUME, 0.9f}, {ENVVOLUME, 0.995f}});

    // ---- bank A: strings
    // Ensemble strings: slow bow, delayed vibrato, chorus.
    b.program(20, "11 Strings 1 Bank A", {{CUTOFF, 0.55f}, {RESONANCE, 0.05f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.6f}, {ENVVELOCITY, 0}, {HPCUTOFF, 0.2f}, {AMPATTACK, 0.6f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.58f}, {OSCLFOINTENSITY, 0.18f}, {LFO1RATE, 0.7f}, {LFO1DELAY, 0.5f}, {CHORUS1, 1}, {VOLUME, 0.5f}});
    // Thicker strings: a slowly swept pulse beside the saw, the other chorus.
    b.program(21, "12 Strings 2 Bank A", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.5f}, {LFO1RATE, 0.4f}, {CUTOFF, 0.5f}, {RESONANCE, 0.05f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.6f}, {ENVVELOCITY, 0}, {AMPATTACK, 0.58f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.55f}, {CHORUS2, 1}, {VOLUME, 0.336f}});
    // Thin, airy strings: high-passed, both choruses, slow bow and long release.
    b.program(22, "13 Strings 3 Bank A", {{CUTOFF, 0.6f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.45f}, {AMPATTACK, 0.68f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.62f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.594f}});

    // ---- bank A: organs (keyed gate envelope)
    // Plain hollow organ: square with the sub-octave.
    b.program(23, "14 Organ 1 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.7f}, {ENVGATE, 1}, {CUTOFF, 0.62f}, {RESONANCE, 0}, {FILTERCONTOUR, 0}, {VOLUME, 0.428f}});
    // Fuller organ: saw, square and sub with vibrato and chorus.
    b.program(24, "15 Organ 2 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {ENVGATE, 1}, {CUTOFF, 0.55f}, {RESONANCE, 0}, {FILTERCONTOUR, 0}, {OSCLFOINTENSITY, 0.16f}, {LFO1RATE, 0.74f}, {CHORUS2, 1}, {VOLUME, 0.294f}});
    // Percussive organ: a bright blip of filter at every key over a steady tone.
    b.program(25, "16 Organ 3 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {ENVGATE, 1}, {CUTOFF, 0.5f}, {RESONANCE, 0.1f}, {FILTERCONTOUR, 0.72f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.35f}, {AMPSUSTAIN, 0}, {HPCUTOFF, 0.25f}, {CHORUS1, 1}, {VOLUME, 0.325f}});

    // ---- bank A: brass (filter contour with velocity)
    // Brass section: the filter swells with the attack, brighter when played harder.
    b.program(26, "17 Brass Bank A", {{CUTOFF, 0.3f}, {RESONANCE, 0.15f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.62f}, {ENVVELOCITY, 0.4f}, {AMPATTACK, 0.3f}, {AMPDECAY, 0.58f}, {AMPSUSTAIN, 0.55f}, {AMPRELEASE, 0.25f}, {VOLUME, 0.748f}});
    // Brass with a slow filter sweep and both choruses for a phasing shimmer; the
    // mod wheel toggles learn.
    b.program(27, "18 Phase Brass Bank A", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {CUTOFF, 0.35f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.65f}, {ENVVELOCITY, 0.35f}, {FILTERLFO, 0.4f}, {LFO1RATE, 0.35f}, {AMPATTACK, 0.3f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.75f}, {AMPRELEASE, 0.35f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.338f}});

    // ---- bank A: keys (fast attack, decaying, bright strike)
    // Piano: a bright strike that mellows as it dies, brighter with velocity.
    b.program(28, "21 Piano 1 Bank A", {{CUTOFF, 0.38f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.8f}, {FILTERCONTOUR, 0.72f}, {ENVVELOCITY, 0.35f}, {AMPDECAY, 0.66f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.35f}, {CHORUS1, 1}, {VOLUME, 0.533f}});
    // Hollow piano from a wide pulse, the other chorus.
    b.program(29, "22 Piano 2 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.3f}, {CUTOFF, 0.42f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.8f}, {FILTERCONTOUR, 0.7f}, {ENVVELOCITY, 0.3f}, {AMPDECAY, 0.64f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.35f}, {CHORUS2, 1}, {VOLUME, 0.411f}});
    // Celesta: soft bell-like plink an octave up, ringing on after the key.
    b.program(30, "23 Celesta Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {CUTOFF, 0.35f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0.7f}, {ENVVELOCITY, 0.1f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.55f}, {TRANSPOSE, OCT_UP}, {VOLUME, 0.605f}});
    // Mellow piano: darker and softer strike, long decay.
    b.program(31, "24 Mellow Piano Bank A", {{CUTOFF, 0.3f}, {RESONANCE, 0.05f}, {KEYFOLLOW, 0.8f}, {FILTERCONTOUR, 0.65f}, {ENVVELOCITY, 0.3f}, {AMPDECAY, 0.65f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.4f}, {CHORUS1, 1}, {VOLUME, 0.518f}});
    // Harpsichord: thin, bright plucked pulse, high-passed, no sustain.
    b.program(32, "25 Harpsichord 1 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.7f}, {CUTOFF, 0.6f}, {RESONANCE, 0.15f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0}, {HPCUTOFF, 0.4f}, {AMPDECAY, 0.58f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.28f}, {VOLUME, 0.633f}});
    // Harpsichord with the 4-foot register: an octave up, chorused.
    b.program(33, "26 Harpsichord 2 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.8f}, {CUTOFF, 0.55f}, {RESONANCE, 0.15f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0}, {HPCUTOFF, 0.3f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.28f}, {TRANSPOSE, OCT_UP}, {CHORUS1, 1}, {VOLUME, 0.486f}});
    // Plucked guitar: resonant pluck that follows velocity and rings a little.
    b.program(34, "27 Guitar Bank A", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.2f}, {CUTOFF, 0.32f}, {RESONANCE, 0.35f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.82f}, {ENVVELOCITY, 0.3f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.08f}, {AMPRELEASE, 0.3f}, {VOLUME, 0.518f}});
    // Synth harp: glassy resonant pluck with a long ring and both choruses.
    b.program(35, "28 Synth Harp Bank A", {{CUTOFF, 0.3f}, {RESONANCE, 0.5f}, {KEYFOLLOW, 0.9f}, {FILTERCONTOUR, 0.85f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.6f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.568f}});
    // Round synth bass with a strong sub-octave.
    b.program(36, "31 Bass 1 Bank A", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.8f}, {CUTOFF, 0.3f}, {RESONANCE, 0.15f}, {FILTERCONTOUR, 0.72f}, {ENVVELOCITY, 0.2f}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0.6f}, {AMPRELEASE, 0.15f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.64f}});
    // Square bass with a resonant snap.
    b.program(37, "32 Bass 2 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {CUTOFF, 0.27f}, {RESONANCE, 0.55f}, {FILTERCONTOUR, 0.82f}, {ENVVELOCITY, 0.25f}, {AMPDECAY, 0.32f}, {AMPSUSTAIN, 0.35f}, {AMPRELEASE, 0.12f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.774f}});
    // Clavichord: thin, nasal, fast decay, strongly velocity-dependent.
    b.program(38, "33 Clavichord 1 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.75f}, {CUTOFF, 0.45f}, {RESONANCE, 0.35f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.8f}, {ENVVELOCITY, 0.4f}, {HPCUTOFF, 0.45f}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.15f}, {VOLUME, 0.9f}, {ENVVOLUME, 0.642f}});
    // Funky clav: resonant and percussive, a little sustain under the pluck.
    b.program(39, "34 Clavichord 2 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.6f}, {CUTOFF, 0.4f}, {RESONANCE, 0.6f}, {KEYFOLLOW, 0.6f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.45f}, {HPCUTOFF, 0.35f}, {AMPDECAY, 0.42f}, {AMPSUSTAIN, 0.15f}, {AMPRELEASE, 0.1f}, {VOLUME, 0.678f}});
    // Pizzicato strings: short plucked ensemble.
    b.program(40, "35 Pizzicato Sound 1 Ban", {{CUTOFF, 0.35f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.15f}, {AMPDECAY, 0.42f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.35f}, {CHORUS1, 1}, {VOLUME, 0.655f}});
    // Pizzicato with a pulse layer and a touch of resonance.
    b.program(41, "36 Pizzicato Sound 2 Ban", {{PULSE, 1}, {CUTOFF, 0.33f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.15f}, {AMPDECAY, 0.4f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.35f}, {CHORUS2, 1}, {VOLUME, 0.467f}});
    // Xylophone: short, woody, high.
    b.program(42, "37 Xylophone Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {CUTOFF, 0.42f}, {RESONANCE, 0.55f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0.7f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.38f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.38f}, {TRANSPOSE, OCT_UP}, {VOLUME, 0.622f}});
    // Glockenspiel: bright metallic ring, high, dying slowly.
    b.program(43, "38 Glockenspiel Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {CUTOFF, 0.48f}, {RESONANCE, 0.7f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0}, {ENVVELOCITY, 0}, {AMPDECAY, 0.66f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.66f}, {TRANSPOSE, 1.0f}, {VOLUME, 0.598f}});

    // ---- bank A: solo strings, brass and woodwinds
    // Solo violin: bowed attack, resonant body, vibrato after a moment.
    b.program(44, "41 Violine Bank A", {{CUTOFF, 0.5f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 0.7f}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.3f}, {AMPATTACK, 0.5f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.35f}, {OSCLFOINTENSITY, 0.28f}, {LFO1RATE, 0.72f}, {LFO1DELAY, 0.3f}, {VOLUME, 0.788f}});
    // Trumpet: bright brassy blare, harder with velocity, late vibrato.
    b.program(45, "42 Trumpet Bank A", {{CUTOFF, 0.33f}, {RESONANCE, 0.2f}, {KEYFOLLOW, 0.6f}, {FILTERCONTOUR, 0.65f}, {ENVVELOCITY, 0.4f}, {AMPATTACK, 0.22f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0.55f}, {AMPRELEASE, 0.2f}, {OSCLFOINTENSITY, 0.22f}, {LFO1RATE, 0.72f}, {LFO1DELAY, 0.45f}, {VOLUME, 0.793f}});
    // French horn: round, dark and soft-edged.
    b.program(46, "43 Horn Bank A", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.3f}, {CUTOFF, 0.3f}, {RESONANCE, 0.05f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.65f}, {ENVVELOCITY, 0.3f}, {AMPATTACK, 0.38f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.35f}, {CHORUS1, 1}, {VOLUME, 0.503f}});
    // Tuba: low, dark, slow to speak.
    b.program(47, "44 Tuba Bank A", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {CUTOFF, 0.25f}, {RESONANCE, 0.1f}, {FILTERCONTOUR, 0.7f}, {ENVVELOCITY, 0.25f}, {AMPATTACK, 0.3f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.25f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.637f}});
    // Flute: hollow square, mostly its fundamental, breath noise, delayed vibrato.
    b.program(48, "45 Flute Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {NOISEVOLUME, 0.12f}, {CUTOFF, 0.3f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0}, {AMPATTACK, 0.3f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.7f}, {LFO1DELAY, 0.35f}, {VOLUME, 0.564f}});
    // Clarinet: hollow square wave (odd harmonics), woody.
    b.program(49, "46 Clarinet Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {CUTOFF, 0.45f}, {RESONANCE, 0.15f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0}, {AMPATTACK, 0.25f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.25f}, {OSCLFOINTENSITY, 0.15f}, {LFO1RATE, 0.7f}, {LFO1DELAY, 0.5f}, {VOLUME, 0.539f}});
    // Oboe: narrow nasal pulse, resonant and high-passed.
    b.program(50, "47 Oboe Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.7f}, {CUTOFF, 0.55f}, {RESONANCE, 0.35f}, {KEYFOLLOW, 0.9f}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.4f}, {AMPATTACK, 0.2f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.22f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.72f}, {LFO1DELAY, 0.4f}, {VOLUME, 0.735f}});
    // English horn: darker double reed.
    b.program(51, "48 English Horn", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.55f}, {CUTOFF, 0.42f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 0.9f}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.25f}, {AMPATTACK, 0.25f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.25f}, {OSCLFOINTENSITY, 0.18f}, {LFO1RATE, 0.7f}, {LFO1DELAY, 0.45f}, {VOLUME, 0.612f}});

    // ---- named sounds
    // The classic chorused polysynth: LFO-swept pulse, sub-octave, chorus 1.
    b.program(52, "I Love Orvane-106", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.7f}, {LFO1RATE, 0.45f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.45f}, {CUTOFF, 0.45f}, {RESONANCE, 0.35f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.15f}, {AMPATTACK, 0.05f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0.65f}, {AMPRELEASE, 0.45f}, {CHORUS1, 1}, {VOLUME, 0.489f}});
    // Broken game console: a narrow pulse whose pitch jumps at random in
    // sixteenths, grit of noise, one filter shared by all voices.
    b.program(53, "Atari Goes Bad", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.8f}, {NOISEVOLUME, 0.15f}, {OSCLFOINTENSITY, 0.6f}, {LFO1WAVEFORM, NOISE}, {LFO1CLOCK, C1_16}, {CUTOFF, 0.6f}, {RESONANCE, 0.6f}, {FILTERCONTOUR, 0}, {SHAREDFILTER, 1}, {ENVGATE, 1}, {VOLUME, 0.652f}});
    // Huge layered bass-lead: saw, pulse and sub, velocity contour, chorus.
    b.program(54, "Fat Controller", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.4f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.7f}, {CUTOFF, 0.4f}, {RESONANCE, 0.45f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.8f}, {ENVVELOCITY, 0.35f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.65f}, {AMPRELEASE, 0.25f}, {TRANSPOSE, OCT_DOWN}, {CHORUS1, 1}, {VOLUME, 0.428f}});
    // Tubular chimes: a resonant, metallic bell tone with a long ring and slow chorus.
    b.program(55, "Clock Chimes", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.6f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.3f}, {CUTOFF, 0.45f}, {RESONANCE, 0.65f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0.7f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.7f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.7f}, {CHORUS2, 1}, {VOLUME, 0.539f}});
    // Violins an octave up: airy, high-passed, chorused.
    b.program(56, "Higher Strings", {{CUTOFF, 0.6f}, {RESONANCE, 0.05f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.5f}, {ENVVELOCITY, 0}, {HPCUTOFF, 0.35f}, {AMPATTACK, 0.6f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.58f}, {TRANSPOSE, OCT_UP}, {CHORUS2, 1}, {VOLUME, 0.497f}});
    // Polysynth harp: swept pulse plucked, long ring, chorused.
    b.program(57, "Orvane Harp", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {LFO1RATE, 0.45f}, {CUTOFF, 0.35f}, {RESONANCE, 0.35f}, {KEYFOLLOW, 0.8f}, {FILTERCONTOUR, 0.82f}, {ENVVELOCITY, 0}, {AMPDECAY, 0.62f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.62f}, {CHORUS1, 1}, {VOLUME, 0.477f}});
    // Transistor organ: buzzy thin pulse, high-passed, fast vibrato.
    b.program(58, "Tranny Organ", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.35f}, {ENVGATE, 1}, {CUTOFF, 0.6f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0}, {NOISEVOLUME, 0.03f}, {HPCUTOFF, 0.35f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.76f}, {CHORUS2, 1}, {VOLUME, 0.469f}});
    // Resonant pluck whose filter is slowly swept by a free-running LFO across notes.
    b.program(59, "Pluck Sweep", {{CUTOFF, 0.22f}, {RESONANCE, 0.75f}, {FILTERCONTOUR, 0.88f}, {ENVVELOCITY, 0}, {FILTERLFO, 0.5f}, {LFO1RATE, 0.35f}, {LFO1TRIGGER, 1}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.1f}, {AMPRELEASE, 0.35f}, {CHORUS1, 1}, {VOLUME, 0.757f}});
    // Calliope: an organ tone with a wide, fast steam-whistle vibrato.
    b.program(60, "The Circus", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.2f}, {ENVGATE, 1}, {NOISEVOLUME, 0.05f}, {CUTOFF, 0.55f}, {FILTERCONTOUR, 0}, {OSCLFOINTENSITY, 0.3f}, {LFO1RATE, 0.78f}, {CHORUS1, 1}, {VOLUME, 0.336f}});
    // Bass with a hard click at the start of each note.
    b.program(61, "Click Bass", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.7f}, {NOISEVOLUME, 0.25f}, {CUTOFF, 0.25f}, {RESONANCE, 0.25f}, {FILTERCONTOUR, 0.9f}, {ENVVELOCITY, 0.2f}, {AMPDECAY, 0.05f}, {AMPSUSTAIN, 0.65f}, {AMPRELEASE, 0.12f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.633f}});
    // Squeaky resonant chirps from a rising sawtooth LFO on the filter.
    b.program(62, "Squeep", {{CUTOFF, 0.35f}, {RESONANCE, 0.88f}, {FILTERCONTOUR, 0.8f}, {FILTERLFO, 0.7f}, {LFO1WAVEFORM, SAWWAVE}, {LFO1RATE, 0.7f}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0.5f}, {AMPRELEASE, 0.3f}, {TRANSPOSE, OCT_UP}, {VOLUME, 0.74f}});
    // Dense, dark pad: every oscillator, slow filter drift, both choruses.
    b.program(63, "Heavy Synth Pad", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.5f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {CUTOFF, 0.38f}, {RESONANCE, 0.4f}, {KEYFOLLOW, 0.4f}, {FILTERCONTOUR, 0}, {FILTERLFO, 0.35f}, {LFO1RATE, 0.3f}, {AMPATTACK, 0.75f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.65f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.291f}});
    // Vocal "aah": swept pulse through a fixed resonant formant, breath, slow swell.
    b.program(64, "Choir Pad", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.7f}, {LFO1RATE, 0.45f}, {NOISEVOLUME, 0.05f}, {CUTOFF, 0.4f}, {RESONANCE, 0.5f}, {KEYFOLLOW, 0}, {FILTERCONTOUR, 0}, {AMPATTACK, 0.75f}, {AMPSUSTAIN, 0.95f}, {AMPRELEASE, 0.65f}, {OSCLFOINTENSITY, 0.15f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.354f}});
    // Big vintage polysynth: saw, swept pulse and sub, a brassy filter swell, both choruses.
    b.program(65, "Saving For Jupiter", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {LFO1RATE, 0.42f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.4f}, {CUTOFF, 0.45f}, {RESONANCE, 0.25f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.78f}, {ENVVELOCITY, 0.2f}, {AMPATTACK, 0.55f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.75f}, {AMPRELEASE, 0.62f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.344f}});
    // Trombone: slow brassy swell an octave down, a wide bend range for slides.
    b.program(66, "The Last Tromboner", {{CUTOFF, 0.27f}, {RESONANCE, 0.15f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.66f}, {ENVVELOCITY, 0.38f}, {AMPATTACK, 0.32f}, {AMPDECAY, 0.58f}, {AMPSUSTAIN, 0.6f}, {AMPRELEASE, 0.25f}, {MODDCO, 0.6f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.7f}, {LFO1DELAY, 0.5f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.744f}});
    // Brass bite over a string bed: velocity opens the filter, chorus spreads it.
    b.program(67, "Brass And Strings", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.4f}, {CUTOFF, 0.42f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.5f}, {FILTERCONTOUR, 0.72f}, {ENVVELOCITY, 0.3f}, {AMPATTACK, 0.45f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.55f}, {CHORUS1, 1}, {VOLUME, 0.348f}});
    // Synth flute: soft near-square, breath, delayed vibrato, chorus.
    b.program(68, "Synth Flute", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.2f}, {NOISEVOLUME, 0.06f}, {CUTOFF, 0.36f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.9f}, {FILTERCONTOUR, 0}, {AMPATTACK, 0.25f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.18f}, {LFO1RATE, 0.7f}, {LFO1DELAY, 0.4f}, {CHORUS1, 1}, {VOLUME, 0.404f}});
    // Resonant noise falling slowly from bright hiss to a dark rumble.
    b.program(69, "Noise Fall", {{SAW, 0}, {NOISEVOLUME, 1}, {CUTOFF, 0.1f}, {RESONANCE, 0.8f}, {KEYFOLLOW, 0}, {FILTERCONTOUR, 1}, {ENVVELOCITY, 0}, {AMPDECAY, 0.66f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.62f}, {VOLUME, 0.9f}, {ENVVOLUME, 0.635f}});
    // Random sample-and-hold bleeps on pitch and filter.
    b.program(70, "Aliens Ate My Cat", {{PULSE, 1}, {OSCLFOINTENSITY, 0.55f}, {FILTERLFO, 0.65f}, {LFO1WAVEFORM, NOISE}, {LFO1RATE, 0.78f}, {CUTOFF, 0.55f}, {RESONANCE, 0.8f}, {FILTERCONTOUR, 0}, {AMPSUSTAIN, 0.8f}, {CHORUS2, 1}, {VOLUME, 0.411f}});
    // Accordion: reedy pulse and saw with a soft bellows attack and a musette wobble.
    b.program(71, "Electric Squeezebox", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.6f}, {CUTOFF, 0.55f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 0.6f}, {FILTERCONTOUR, 0}, {AMPATTACK, 0.2f}, {AMPSUSTAIN, 1}, {AMPRELEASE, 0.2f}, {OSCLFOINTENSITY, 0.18f}, {LFO1RATE, 0.8f}, {CHORUS1, 1}, {CHORUS2, 1}, {VOLUME, 0.298f}});

    // The mod wheel toggles "learn into this program" on the phase brass.
    bank[27].controllerMap[1] = kParamLearnProgram;
}

} // namespace

const ProgramRecord* factoryBank()
{
    static const ProgramRecord* const bank = [] {
        static ProgramRecord records[kNumPrograms];
        buildFactoryBank(records);
        return records;
    }();
    return bank;
}
