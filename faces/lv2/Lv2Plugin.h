// The LV2 face of the instrument: ports, the atom sequence of MIDI and time,
// the state interface and the news for the UI, translated into the core's
// calls (core/Instrument.h).
//
// Control ports: LV2 gives a plug-in no way to move the host's control
// values, and a MIDI program change inside the plug-in sets 47 values the
// host's ports do not know of. So a port is applied only when its value
// differs from the value this face saw on it last: a host's stale values
// never undo a program change, and the user's next move of a control in the
// host takes effect at once. An open UI moves the host's ports to the new
// values (the notify messages), so the host's view follows while it shows.
//
// Threads (LV2's classes): instantiate, cleanup and the state interface on
// the host's main thread, never during run(); activate, deactivate and
// connectPort never during run(); run on the audio thread, where nothing
// allocates or locks.
#pragma once

#include "core/Instrument.h"
#include "faces/lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdint>

namespace vemo::lv2 {

class Lv2Plugin final : private InstrumentListener {
public:
    // Null when the host does not offer urid:map (the bundle requires it)
    // or the rate is unusable.
    static Lv2Plugin* create(double sampleRate, const LV2_Feature* const* features);

    void connectPort(uint32_t port, void* data);
    void activate();
    void deactivate();
    void run(uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    Instrument& instrument() { return core; }

private:
    Lv2Plugin(float sampleRate, LV2_URID_Map* map);

    // InstrumentListener: changes made inside go to the UI; a note-on takes
    // the tempo of the host's latest time position.
    void parameterChanged(int32_t index, float value, Origin origin) override;
    void programChangedByMidi(int32_t program) override;
    bool hostTempo(double& bpm) override;

    void readSequence(uint32_t frames);
    void readObject(const LV2_Atom_Object* object);
    void writeNews();

    struct Urids {
        LV2_URID atomBlank, atomObject, atomSequence, atomChunk, atomInt, atomFloat, atomDouble, atomLong,
            atomVector, atomString, midiEvent, timePosition, timeBeatsPerMinute, patchGet, bank, program,
            sound, values, programName, portValues;
    };

    Instrument core;
    Urids uris{};
    LV2_Atom_Forge forge{};

    const LV2_Atom_Sequence* midiIn = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    float* outLeft = nullptr;
    float* outRight = nullptr;
    float* programOut = nullptr;
    const float* parameterPorts[kNumParameters] = {};
    float lastSeen[kNumParameters];   // each port's value as applied last (audio thread)

    double tempo = 0.0;               // bpm of the latest time position (audio thread)
    bool tempoKnown = false;
    // A value changed inside the plug-in or the UI asked: the UI hears of
    // the whole sound at the end of the block. Set by the audio thread and
    // by restore (never concurrent with run, but another thread).
    std::atomic<bool> newsPending{true};
};

} // namespace vemo::lv2
