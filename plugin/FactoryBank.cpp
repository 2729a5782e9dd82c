// Factory sounds. Each program starts from a plain voice (one sawtooth, filter
// half open, moderate envelope, modest output gain) and lists only what makes
// it itself, by the parameter names the host shows. The line above each
// program says what it is meant to sound like.
//
// Rough guide to the ranges, at 44.1 kHz:
//   CUTOFF p        -> filter corner about 11.5 kHz * p^3 (0.4: 740 Hz, 0.6: 2.5 kHz)
//   FILTERCONTOUR a -> envelope sweep a^6 of the full range: only 0.7..1 matter
//   AMPATTACK       -> 0: 1 ms, 0.25: 40 ms, 0.5: 110 ms, 0.75: 0.5 s, 0.9: 1.7 s
//   AMPDECAY/RELEASE-> 0: 20 ms, 0.25: 65 ms, 0.5: 0.33 s, 0.75: 5 s
//   LFO1RATE r      -> 20 * r^4 Hz (0.5: 1.25 Hz, 0.7: 4.8 Hz)
//   OSCLFOINTENSITY -> 12 * v^3 semitones (0.25: 0.19, 0.5: 1.5)
//   TRANSPOSE       -> 0 octave down, 1/3 or 1/2 none, 2/3 or 1 octave up
#include "plugin/FactoryBank.h"

#include <cstring>
#include <initializer_list>

namespace {

enum : int {
    VOLUME = 1, MASTERPITCH, SAW, SUBOSC, SUBOSCVOLUME, NOISEVOLUME,
    PULSE, SQUAREPWMODE, SQUAREPWINTENSITY, OSCLFOINTENSITY, HPCUTOFF,
    CUTOFF, RESONANCE, FILTERCONTOURBIAS, FILTERCONTOUR, FILTERLFO,
    KEYFOLLOW, ENVGATE, ENVVOLUME, AMPATTACK, AMPDECAY, AMPSUSTAIN,
    AMPRELEASE, LFO1RATE, LFO1DELAY, LFO1TRIGGER, LFO1WAVEFORM, LFO1CLOCK,
    ENVVELOCITY, CUTOFFSMOOTH, MODDCO, MODVCF, TRANSPOSE, CHORUS1, CHORUS2,
    MANUALPW, LEARNALL, SHAREDFILTER,
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

    // ---- basses
    // Plucky slap bass: snappy filter envelope that answers velocity.
    b.program(1, "Funky Bass", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {CUTOFF, 0.33f}, {RESONANCE, 0.45f}, {FILTERCONTOUR, 0.86f}, {ENVVELOCITY, 0.35f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0.35f}, {AMPRELEASE, 0.1f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Slow filter opening then closing on every note: "wah-uh".
    b.program(2, "Wahuh Bass", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.3f}, {CUTOFF, 0.25f}, {RESONANCE, 0.6f}, {FILTERCONTOUR, 0.95f}, {AMPATTACK, 0.3f}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0.25f}, {AMPRELEASE, 0.15f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Pulse bass whose width breathes with the LFO.
    b.program(3, "PW Bass", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {LFO1RATE, 0.45f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {CUTOFF, 0.45f}, {FILTERCONTOUR, 0.75f}, {AMPDECAY, 0.35f}, {AMPSUSTAIN, 0.5f}, {AMPRELEASE, 0.12f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Wobble bass: resonant filter swept by a tempo-synced sine, eighth notes.
    b.program(4, "LFO Bass", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {CUTOFF, 0.32f}, {RESONANCE, 0.55f}, {FILTERCONTOUR, 0.3f}, {FILTERLFO, 0.8f}, {LFO1WAVEFORM, SIN}, {LFO1CLOCK, C1_8}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.12f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});

    // ---- leads
    // Short bright blips for arpeggios, an octave up with chorus.
    b.program(5, "Arp Lead", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.2f}, {CUTOFF, 0.55f}, {RESONANCE, 0.35f}, {FILTERCONTOUR, 0.85f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0.3f}, {AMPRELEASE, 0.2f}, {TRANSPOSE, OCT_UP}, {CHORUS1, 1}});
    // Square-wave organ lead with delayed vibrato and keyed gate.
    b.program(6, "Organ Lead", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {ENVGATE, 1}, {CUTOFF, 0.7f}, {RESONANCE, 0.1f}, {FILTERCONTOUR, 0}, {OSCLFOINTENSITY, 0.22f}, {LFO1RATE, 0.6f}, {LFO1DELAY, 0.3f}, {CHORUS2, 1}});
    // Quacky lead: resonant, velocity-driven filter envelope.
    b.program(7, "Funky Lead", {{PULSE, 1}, {CUTOFF, 0.4f}, {RESONANCE, 0.55f}, {FILTERCONTOUR, 0.88f}, {ENVVELOCITY, 0.5f}, {AMPDECAY, 0.35f}, {AMPSUSTAIN, 0.45f}});
    // The filter on the edge of self-oscillation, whistling over the saw.
    b.program(8, "Self Osc Lead", {{CUTOFF, 0.5f}, {RESONANCE, 0.95f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0.6f}, {AMPSUSTAIN, 0.8f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.62f}, {LFO1DELAY, 0.4f}});
    // Breathy flute: soft hollow wave, a little noise, slow attack, vibrato.
    b.program(9, "Fluet", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {NOISEVOLUME, 0.15f}, {CUTOFF, 0.45f}, {RESONANCE, 0.1f}, {KEYFOLLOW, 0.9f}, {FILTERCONTOUR, 0.4f}, {AMPATTACK, 0.3f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.62f}, {LFO1DELAY, 0.4f}, {TRANSPOSE, OCT_UP}});

    // ---- effects
    // Square trill that rings out through a resonant decay.
    b.program(10, "Squared Decay FX", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {RESONANCE, 0.7f}, {FILTERCONTOUR, 0.95f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.5f}, {OSCLFOINTENSITY, 0.5f}, {LFO1WAVEFORM, REC}, {LFO1RATE, 0.6f}});
    // Pitch zapped by a fast sawtooth LFO restarted at every shot.
    b.program(11, "Laser Gun FX", {{CUTOFF, 0.8f}, {RESONANCE, 0.6f}, {FILTERCONTOUR, 0.9f}, {OSCLFOINTENSITY, 1}, {LFO1WAVEFORM, SAWWAVE}, {LFO1RATE, 0.72f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.2f}, {TRANSPOSE, OCT_UP}});
    // Resonant ping falling in pitch with the filter envelope, noise for the skin.
    b.program(12, "Disco tom FX", {{SAW, 0}, {NOISEVOLUME, 0.3f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.3f}, {CUTOFF, 0.35f}, {RESONANCE, 0.9f}, {FILTERCONTOUR, 0.95f}, {AMPDECAY, 0.32f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.25f}});
    // Home-computer chip sound: thin pulse, octave trill from a synced square LFO.
    b.program(13, "C64 :-) FX", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.9f}, {CUTOFF, 0.9f}, {RESONANCE, 0}, {ENVGATE, 1}, {OSCLFOINTENSITY, 0.7937f}, {LFO1WAVEFORM, REC}, {LFO1CLOCK, C1_16}});

    // ---- pads
    // Slow, round pad: saw and LFO-swept pulse, chorused.
    b.program(14, "Warm Pad", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.5f}, {LFO1RATE, 0.4f}, {CUTOFF, 0.5f}, {RESONANCE, 0.15f}, {FILTERCONTOUR, 0.6f}, {AMPATTACK, 0.7f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.6f}, {CHORUS1, 1}});

    // ---- more effects and percussion
    // Squelching acid line: high resonance, deep contour, velocity accents.
    b.program(15, "Too much acid", {{CUTOFF, 0.28f}, {RESONANCE, 0.88f}, {FILTERCONTOUR, 0.95f}, {ENVVELOCITY, 0.5f}, {FILTERLFO, 0.4f}, {LFO1RATE, 0.3f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.1f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Combo organ with fast vibrato and both choruses for a rotary feel.
    b.program(16, "Old Organ", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {ENVGATE, 1}, {CUTOFF, 0.6f}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.2f}, {OSCLFOINTENSITY, 0.18f}, {LFO1RATE, 0.65f}, {CHORUS1, 1}, {CHORUS2, 1}});
    // Noise and saw through a ringing filter that decays with the note.
    b.program(17, "Reso Decay FX", {{NOISEVOLUME, 0.4f}, {CUTOFF, 0.2f}, {RESONANCE, 0.93f}, {KEYFOLLOW, 1}, {FILTERCONTOUR, 0.9f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.5f}});
    // Short percussive tick with a noisy transient.
    b.program(18, "Short Perc", {{NOISEVOLUME, 0.3f}, {CUTOFF, 0.55f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.85f}, {AMPDECAY, 0.15f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.1f}});
    // Kick drum from a self-oscillating filter pinged downwards.
    b.program(19, "Reso Kick", {{SAW, 0}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {CUTOFF, 0.1f}, {RESONANCE, 0.97f}, {KEYFOLLOW, 0}, {FILTERCONTOUR, 1}, {AMPDECAY, 0.25f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.15f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.6f}});

    // ---- bank A: strings
    // Ensemble strings: slow bow, delayed vibrato, chorus.
    b.program(20, "11 Strings 1 Bank A", {{AMPATTACK, 0.6f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.55f}, {CUTOFF, 0.62f}, {RESONANCE, 0.1f}, {FILTERCONTOUR, 0.4f}, {OSCLFOINTENSITY, 0.15f}, {LFO1RATE, 0.6f}, {LFO1DELAY, 0.5f}, {CHORUS1, 1}});
    // Thicker strings with a swept pulse beside the saw.
    b.program(21, "12 Strings 2 Bank A", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.5f}, {LFO1RATE, 0.35f}, {AMPATTACK, 0.55f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.5f}, {CUTOFF, 0.58f}, {RESONANCE, 0.1f}, {FILTERCONTOUR, 0.4f}, {CHORUS2, 1}});
    // Thin, airy strings: high-passed, both choruses, long release.
    b.program(22, "13 Strings 3 Bank A", {{AMPATTACK, 0.7f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.65f}, {CUTOFF, 0.55f}, {FILTERCONTOUR, 0.3f}, {HPCUTOFF, 0.25f}, {CHORUS1, 1}, {CHORUS2, 1}});

    // ---- bank A: organs (keyed gate envelope)
    // Plain square organ with sub-octave.
    b.program(23, "14 Organ 1 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.7f}, {ENVGATE, 1}, {CUTOFF, 0.75f}, {RESONANCE, 0}, {FILTERCONTOUR, 0}});
    // Fuller organ: saw and square, vibrato, chorus.
    b.program(24, "15 Organ 2 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {ENVGATE, 1}, {CUTOFF, 0.6f}, {FILTERCONTOUR, 0}, {OSCLFOINTENSITY, 0.16f}, {LFO1RATE, 0.66f}, {CHORUS2, 1}});
    // Reedy organ: narrow pulse, bright, high-passed.
    b.program(25, "16 Organ 3 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.7f}, {ENVGATE, 1}, {CUTOFF, 0.8f}, {FILTERCONTOUR, 0}, {HPCUTOFF, 0.3f}, {CHORUS1, 1}});

    // ---- bank A: brass (filter contour with velocity)
    // Brass section: the filter swells with the attack, harder when played harder.
    b.program(26, "17 Brass Bank A", {{AMPATTACK, 0.3f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.7f}, {AMPRELEASE, 0.3f}, {CUTOFF, 0.4f}, {RESONANCE, 0.2f}, {FILTERCONTOUR, 0.85f}, {ENVVELOCITY, 0.6f}});
    // Brass through a slow filter sweep and both choruses; mod wheel toggles learn.
    b.program(27, "18 Phase Brass Bank A", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {AMPATTACK, 0.3f}, {AMPSUSTAIN, 0.75f}, {AMPRELEASE, 0.35f}, {CUTOFF, 0.42f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.85f}, {ENVVELOCITY, 0.5f}, {FILTERLFO, 0.35f}, {LFO1RATE, 0.35f}, {CHORUS1, 1}, {CHORUS2, 1}});

    // ---- bank A: keys (fast attack, decaying, bright)
    // Electric piano: percussive, velocity-sensitive brightness, chorus.
    b.program(28, "21 Piano 1 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.35f}, {CUTOFF, 0.5f}, {FILTERCONTOUR, 0.85f}, {ENVVELOCITY, 0.6f}, {KEYFOLLOW, 0.8f}, {CHORUS1, 1}});
    // Hollow piano from a wide pulse.
    b.program(29, "22 Piano 2 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.4f}, {AMPDECAY, 0.6f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.35f}, {CUTOFF, 0.55f}, {FILTERCONTOUR, 0.8f}, {ENVVELOCITY, 0.5f}, {KEYFOLLOW, 0.8f}, {CHORUS2, 1}});
    // Celesta: high bell-like plink.
    b.program(30, "23 Celesta Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.6f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.45f}, {CUTOFF, 0.7f}, {RESONANCE, 0.3f}, {KEYFOLLOW, 1}, {TRANSPOSE, OCT_UP}});
    // Mellow piano: darker, softer strike.
    b.program(31, "24 Mellow Piano Bank A", {{AMPDECAY, 0.6f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.4f}, {CUTOFF, 0.4f}, {FILTERCONTOUR, 0.75f}, {ENVVELOCITY, 0.6f}, {KEYFOLLOW, 0.8f}, {CHORUS1, 1}});
    // Harpsichord: thin bright pluck, no sustain.
    b.program(32, "25 Harpsichord 1 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.8f}, {AMPDECAY, 0.4f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.25f}, {CUTOFF, 0.8f}, {FILTERCONTOUR, 0.7f}, {HPCUTOFF, 0.3f}});
    // Harpsichord with the 4-foot register: an octave up, chorused.
    b.program(33, "26 Harpsichord 2 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.9f}, {AMPDECAY, 0.38f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.25f}, {CUTOFF, 0.75f}, {FILTERCONTOUR, 0.7f}, {TRANSPOSE, OCT_UP}, {CHORUS1, 1}});
    // Plucked guitar: resonant pluck that follows velocity.
    b.program(34, "27 Guitar Bank A", {{PULSE, 1}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0.1f}, {AMPRELEASE, 0.3f}, {CUTOFF, 0.45f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.88f}, {ENVVELOCITY, 0.5f}, {KEYFOLLOW, 0.6f}});
    // Synth harp: glassy pluck with long ring and both choruses.
    b.program(35, "28 Synth Harp Bank A", {{AMPDECAY, 0.5f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.5f}, {CUTOFF, 0.45f}, {RESONANCE, 0.45f}, {FILTERCONTOUR, 0.9f}, {KEYFOLLOW, 0.8f}, {CHORUS1, 1}, {CHORUS2, 1}});
    // Round synth bass with sub-octave.
    b.program(36, "31 Bass 1 Bank A", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.8f}, {CUTOFF, 0.35f}, {RESONANCE, 0.25f}, {FILTERCONTOUR, 0.8f}, {AMPDECAY, 0.4f}, {AMPSUSTAIN, 0.5f}, {AMPRELEASE, 0.1f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Square bass with a resonant snap.
    b.program(37, "32 Bass 2 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {CUTOFF, 0.3f}, {RESONANCE, 0.5f}, {FILTERCONTOUR, 0.85f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0.3f}, {AMPRELEASE, 0.1f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Clavichord: thin, nasal, very fast decay, strongly velocity-dependent.
    b.program(38, "33 Clavichord 1 Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.75f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.1f}, {CUTOFF, 0.65f}, {RESONANCE, 0.35f}, {FILTERCONTOUR, 0.85f}, {ENVVELOCITY, 0.7f}, {HPCUTOFF, 0.35f}});
    // Funky clav: resonant, slightly sustaining.
    b.program(39, "34 Clavichord 2 Bank A", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.7f}, {AMPDECAY, 0.32f}, {AMPSUSTAIN, 0.05f}, {AMPRELEASE, 0.1f}, {CUTOFF, 0.6f}, {RESONANCE, 0.55f}, {FILTERCONTOUR, 0.9f}, {ENVVELOCITY, 0.5f}, {HPCUTOFF, 0.3f}});
    // Pizzicato strings: short plucked ensemble.
    b.program(40, "35 Pizzicato Sound 1 Ban", {{AMPDECAY, 0.25f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.2f}, {CUTOFF, 0.5f}, {FILTERCONTOUR, 0.8f}, {CHORUS1, 1}});
    // Pizzicato with a pulse layer and a touch of resonance.
    b.program(41, "36 Pizzicato Sound 2 Ban", {{PULSE, 1}, {AMPDECAY, 0.22f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.25f}, {CUTOFF, 0.45f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.8f}, {CHORUS2, 1}});
    // Xylophone: short, woody, high.
    b.program(42, "37 Xylophone Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {AMPDECAY, 0.28f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.25f}, {CUTOFF, 0.55f}, {RESONANCE, 0.5f}, {FILTERCONTOUR, 0.6f}, {KEYFOLLOW, 1}, {TRANSPOSE, OCT_UP}});
    // Glockenspiel: bright metallic ring, high.
    b.program(43, "38 Glockenspiel Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.85f}, {AMPDECAY, 0.5f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.5f}, {CUTOFF, 0.8f}, {RESONANCE, 0.4f}, {KEYFOLLOW, 1}, {TRANSPOSE, 1.0f}});

    // ---- bank A: solo strings, brass and woodwinds
    // Solo violin: bowed attack, delayed vibrato.
    b.program(44, "41 Violine Bank A", {{AMPATTACK, 0.45f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.35f}, {CUTOFF, 0.6f}, {RESONANCE, 0.2f}, {FILTERCONTOUR, 0.5f}, {HPCUTOFF, 0.2f}, {OSCLFOINTENSITY, 0.26f}, {LFO1RATE, 0.62f}, {LFO1DELAY, 0.35f}, {CHORUS1, 1}});
    // Trumpet: bright brassy blare with velocity.
    b.program(45, "42 Trumpet Bank A", {{AMPATTACK, 0.25f}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0.75f}, {AMPRELEASE, 0.25f}, {CUTOFF, 0.42f}, {RESONANCE, 0.25f}, {FILTERCONTOUR, 0.88f}, {ENVVELOCITY, 0.6f}, {OSCLFOINTENSITY, 0.18f}, {LFO1RATE, 0.62f}, {LFO1DELAY, 0.4f}});
    // French horn: round and soft-edged.
    b.program(46, "43 Horn Bank A", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.3f}, {AMPATTACK, 0.4f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.4f}, {CUTOFF, 0.35f}, {RESONANCE, 0.1f}, {FILTERCONTOUR, 0.8f}, {ENVVELOCITY, 0.4f}, {CHORUS1, 1}});
    // Tuba: low, dark, slow to speak.
    b.program(47, "44 Tuba Bank A", {{SUBOSC, 1}, {SUBOSCVOLUME, 0.6f}, {AMPATTACK, 0.3f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.25f}, {CUTOFF, 0.3f}, {FILTERCONTOUR, 0.82f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Flute: square-ish tone, breath noise, vibrato.
    b.program(48, "45 Flute Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {NOISEVOLUME, 0.12f}, {CUTOFF, 0.42f}, {KEYFOLLOW, 0.9f}, {FILTERCONTOUR, 0.3f}, {AMPATTACK, 0.35f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.62f}, {LFO1DELAY, 0.45f}, {TRANSPOSE, OCT_UP}});
    // Clarinet: hollow square wave (odd harmonics).
    b.program(49, "46 Clarinet Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {CUTOFF, 0.5f}, {FILTERCONTOUR, 0.4f}, {AMPATTACK, 0.25f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.25f}, {OSCLFOINTENSITY, 0.15f}, {LFO1DELAY, 0.5f}, {LFO1RATE, 0.6f}});
    // Oboe: narrow nasal pulse, resonant.
    b.program(50, "47 Oboe Bank A", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.75f}, {CUTOFF, 0.6f}, {RESONANCE, 0.35f}, {FILTERCONTOUR, 0.4f}, {HPCUTOFF, 0.3f}, {AMPATTACK, 0.2f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.22f}});
    // English horn: darker double reed.
    b.program(51, "48 English Horn", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.6f}, {CUTOFF, 0.5f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.4f}, {AMPATTACK, 0.25f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.25f}});

    // ---- named sounds
    // The classic chorused polysynth: swept pulse, sub-octave, chorus 1.
    b.program(52, "I Love Orvane-106", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.7f}, {LFO1RATE, 0.45f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.4f}, {CUTOFF, 0.5f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.8f}, {AMPATTACK, 0.1f}, {AMPSUSTAIN, 0.6f}, {CHORUS1, 1}});
    // Broken game console: sixteenth-note pitch jumps, noise, one shared filter.
    b.program(53, "Atari Goes Bad", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.8f}, {NOISEVOLUME, 0.1f}, {OSCLFOINTENSITY, 0.6f}, {LFO1WAVEFORM, REC}, {LFO1CLOCK, C1_16}, {RESONANCE, 0.6f}, {CUTOFF, 0.6f}, {SHAREDFILTER, 1}, {ENVGATE, 1}});
    // Huge layered bass-lead: saw, pulse and sub, deep velocity contour.
    b.program(54, "Fat Controller", {{PULSE, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.7f}, {CUTOFF, 0.45f}, {RESONANCE, 0.5f}, {FILTERCONTOUR, 0.9f}, {ENVVELOCITY, 0.6f}, {AMPSUSTAIN, 0.7f}, {TRANSPOSE, OCT_DOWN}, {CHORUS1, 1}});
    // Tubular chime: high resonant bell with a long ring.
    b.program(55, "Clock Chimes", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.8f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.3f}, {AMPDECAY, 0.62f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.6f}, {CUTOFF, 0.55f}, {RESONANCE, 0.6f}, {KEYFOLLOW, 1}, {TRANSPOSE, OCT_UP}, {CHORUS2, 1}});
    // Violins an octave up, airy.
    b.program(56, "Higher Strings", {{AMPATTACK, 0.6f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.55f}, {CUTOFF, 0.65f}, {FILTERCONTOUR, 0.4f}, {HPCUTOFF, 0.35f}, {TRANSPOSE, OCT_UP}, {CHORUS1, 1}, {CHORUS2, 1}});
    // Polysynth harp: swept pulse plucked, chorused.
    b.program(57, "Orvane Harp", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {LFO1RATE, 0.4f}, {AMPDECAY, 0.55f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.55f}, {CUTOFF, 0.5f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0.85f}, {CHORUS1, 1}});
    // Transistor organ: buzzy thin square, fast vibrato.
    b.program(58, "Tranny Organ", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.3f}, {ENVGATE, 1}, {CUTOFF, 0.55f}, {RESONANCE, 0.4f}, {FILTERCONTOUR, 0}, {NOISEVOLUME, 0.05f}, {HPCUTOFF, 0.25f}, {OSCLFOINTENSITY, 0.2f}, {LFO1RATE, 0.7f}, {CHORUS2, 1}});
    // Resonant pluck whose filter is slowly swept by the LFO across notes.
    b.program(59, "Pluck Sweep", {{CUTOFF, 0.25f}, {RESONANCE, 0.7f}, {FILTERCONTOUR, 0.95f}, {FILTERLFO, 0.5f}, {LFO1RATE, 0.35f}, {LFO1TRIGGER, 1}, {AMPDECAY, 0.45f}, {AMPSUSTAIN, 0.1f}, {AMPRELEASE, 0.3f}, {CHORUS1, 1}});
    // Calliope: wobbly fast vibrato on an organ tone.
    b.program(60, "The Circus", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.2f}, {ENVGATE, 1}, {CUTOFF, 0.65f}, {FILTERCONTOUR, 0}, {OSCLFOINTENSITY, 0.35f}, {LFO1RATE, 0.7f}, {CHORUS1, 1}, {CHORUS2, 1}});
    // Bass with a hard click at the start of each note.
    b.program(61, "Click Bass", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.7f}, {CUTOFF, 0.3f}, {RESONANCE, 0.2f}, {FILTERCONTOUR, 0.95f}, {AMPDECAY, 0.2f}, {AMPSUSTAIN, 0.5f}, {AMPRELEASE, 0.1f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Squeaky resonant chirps from a sawtooth LFO on the filter.
    b.program(62, "Squeep", {{CUTOFF, 0.4f}, {RESONANCE, 0.85f}, {FILTERLFO, 0.8f}, {LFO1WAVEFORM, SAWWAVE}, {LFO1RATE, 0.65f}, {FILTERCONTOUR, 0.9f}, {AMPDECAY, 0.3f}, {AMPSUSTAIN, 0.3f}, {TRANSPOSE, OCT_UP}});
    // Dense, dark pad: every oscillator, slow filter movement, both choruses.
    b.program(63, "Heavy Synth Pad", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.5f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.5f}, {AMPATTACK, 0.65f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.6f}, {CUTOFF, 0.45f}, {RESONANCE, 0.35f}, {FILTERCONTOUR, 0.7f}, {FILTERLFO, 0.3f}, {LFO1RATE, 0.35f}, {CHORUS1, 1}, {CHORUS2, 1}});
    // Vocal pad: swept pulse through a resonant formant-like filter, breathy.
    b.program(64, "Choir Pad", {{SAW, 0}, {PULSE, 1}, {SQUAREPWINTENSITY, 0.7f}, {LFO1RATE, 0.4f}, {NOISEVOLUME, 0.05f}, {AMPATTACK, 0.7f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.6f}, {CUTOFF, 0.45f}, {RESONANCE, 0.45f}, {FILTERCONTOUR, 0.3f}, {OSCLFOINTENSITY, 0.12f}, {CHORUS2, 1}});
    // Big vintage polysynth pad: saw, swept pulse and sub with both choruses.
    b.program(65, "Saving For Jupiter", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.6f}, {LFO1RATE, 0.42f}, {SUBOSC, 1}, {SUBOSCVOLUME, 0.4f}, {AMPATTACK, 0.55f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.6f}, {CUTOFF, 0.55f}, {RESONANCE, 0.25f}, {FILTERCONTOUR, 0.7f}, {CHORUS1, 1}, {CHORUS2, 1}});
    // Trombone: slow brassy swell, wide pitch bend for slides.
    b.program(66, "The Last Tromboner", {{AMPATTACK, 0.35f}, {AMPSUSTAIN, 0.8f}, {AMPRELEASE, 0.3f}, {CUTOFF, 0.32f}, {RESONANCE, 0.15f}, {FILTERCONTOUR, 0.85f}, {ENVVELOCITY, 0.5f}, {MODDCO, 0.6f}, {TRANSPOSE, OCT_DOWN}, {VOLUME, 0.55f}});
    // Brass stabs over a string bed.
    b.program(67, "Brass And Strings", {{PULSE, 1}, {SQUAREPWINTENSITY, 0.4f}, {AMPATTACK, 0.4f}, {AMPSUSTAIN, 0.85f}, {AMPRELEASE, 0.5f}, {CUTOFF, 0.5f}, {FILTERCONTOUR, 0.8f}, {ENVVELOCITY, 0.5f}, {CHORUS1, 1}});
    // Synth flute: pure-ish tone, breath, delayed vibrato, chorus.
    b.program(68, "Synth Flute", {{SAW, 0}, {PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.2f}, {NOISEVOLUME, 0.08f}, {CUTOFF, 0.45f}, {FILTERCONTOUR, 0.3f}, {AMPATTACK, 0.3f}, {AMPSUSTAIN, 0.9f}, {AMPRELEASE, 0.3f}, {OSCLFOINTENSITY, 0.18f}, {LFO1DELAY, 0.4f}, {LFO1RATE, 0.6f}, {CHORUS1, 1}});
    // Filtered noise falling from bright to dark.
    b.program(69, "Noise Fall", {{SAW, 0}, {NOISEVOLUME, 0.9f}, {CUTOFF, 0.2f}, {RESONANCE, 0.85f}, {FILTERCONTOUR, 1}, {AMPDECAY, 0.62f}, {AMPSUSTAIN, 0}, {AMPRELEASE, 0.6f}, {VOLUME, 0.6f}});
    // Random sample-and-hold bleeps on pitch and filter.
    b.program(70, "Aliens Ate My Cat", {{PULSE, 1}, {OSCLFOINTENSITY, 0.5f}, {FILTERLFO, 0.7f}, {LFO1WAVEFORM, NOISE}, {LFO1RATE, 0.7f}, {RESONANCE, 0.8f}, {CUTOFF, 0.45f}, {AMPSUSTAIN, 0.8f}, {CHORUS2, 1}});
    // Accordion: reedy pulse and saw, keyed gate, detuned musette chorus.
    b.program(71, "Electric Squeezebox", {{PULSE, 1}, {MANUALPW, 1}, {SQUAREPWINTENSITY, 0.6f}, {ENVGATE, 1}, {CUTOFF, 0.6f}, {RESONANCE, 0.3f}, {FILTERCONTOUR, 0}, {OSCLFOINTENSITY, 0.15f}, {LFO1RATE, 0.72f}, {CHORUS1, 1}, {CHORUS2, 1}});

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
