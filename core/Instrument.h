// The instrument every plug-in format wraps: the engine, the MIDI queue with
// sample-accurate intake, the bank of 120 programs with their names and MIDI
// learn maps, the sustain pedal, the host's rate and block-size requests and
// the state chunks. A format's face translates its host's calls into these
// and back; nothing here knows a format.
//
// Threads: render and queueMidi on the host's audio thread; everything else
// on its UI (main) thread, except that setParameter also runs on the audio
// thread for MIDI program changes and learned controllers. No locks: shared
// values are single floats and ints accessed as atomics. The rate and a
// pedal reset may be asked for from any thread while the audio thread is
// inside render: those calls only leave a request that the audio thread
// takes up at the start of its next block, so the engine is only ever
// touched by the audio thread.
#pragma once

#include "core/MidiEventQueue.h"
#include "core/ProgramRecord.h"
#include "core/SustainPedal.h"
#include "engine/ParameterDisplay.h"
#include "engine/SynthEngine.h"

#include <atomic>
#include <cstdint>
#include <memory>

// What the instrument tells its face. Called on the thread that made the
// change (the audio thread for MIDI): an implementation must not block or
// allocate there.
class InstrumentListener {
public:
    enum class Origin {
        Host,       // the face's setParameter (the host, its automation, the editor)
        Program,    // a program change: every parameter takes the program's value
        Controller, // a MIDI controller bound by learn
    };
    virtual void parameterChanged(int32_t index, float value, Origin origin) = 0;
    // A MIDI program change selected `program` (audio thread; its values
    // were reported just before with Origin::Program).
    virtual void programChangedByMidi(int32_t /*program*/) {}
    // The host's tempo in beats per minute for a note-on that starts now;
    // false when the host gives none (the previous tempo stays).
    virtual bool hostTempo(double& /*bpm*/) { return false; }

protected:
    ~InstrumentListener() = default;
};

class Instrument {
public:
    static constexpr float kDefaultRate = 44100.0f;

    // Allocates (engine, queue, bank): not on the audio thread. Starts with
    // the factory bank and program 0.
    explicit Instrument(float sampleRate = kDefaultRate);
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // Set once, before audio runs; null for none.
    void setListener(InstrumentListener* newListener) { listener = newListener; }

    // --- host: rate, block size, processing on/off ----------------------------
    // Any thread. A rate the engine cannot be built for (zero, negative, not
    // finite, absurd) is refused (false); otherwise the engine is rebuilt
    // for it (fresh state) by the audio thread at the start of its next
    // block.
    bool requestSampleRate(float rate);
    float sampleRate() const { return rate.load(std::memory_order_relaxed); }
    // The longest block the host declared: how far ahead a MIDI offset may
    // reach. Any thread.
    void setMaxBlockSize(int32_t frames) { declaredBlock.store(frames, std::memory_order_relaxed); }
    // Processing switched off or on: the pedal lifts at the next block.
    // Any thread.
    void requestPedalReset() { sustainPedal.requestReset(); }

    // --- audio thread -----------------------------------------------------------
    // A MIDI message due `offset` frames after the start of the coming block
    // (or of the block being rendered, for a format that delivers events
    // inside it). An offset before the block plays at its first frame; one
    // past its end keeps counting into the next blocks, but never beyond the
    // longest block the host declared or rendered. A full queue may drop it
    // (never a release).
    void queueMidi(const MidiMessage& message, int64_t offset);
    // Renders `frames` frames into left and right, each queued event at its
    // frame. Allocates nothing.
    void render(float* left, float* right, int32_t frames);

    // --- parameters: 0..46 ----------------------------------------------------
    // NaN and infinity are refused; other values are stored as given (the
    // engine reads them in their forms). Also writes the value into the
    // current program.
    void setParameter(int32_t index, float value) { applyParameter(index, value, InstrumentListener::Origin::Host); }
    float parameter(int32_t index) const;
    // Display and label of `index` at the current values and host rate (any
    // thread; a few dozen floating-point operations, no allocation).
    vemo::ParameterText describeParameter(int32_t index) const;
    // The parameter moved last: MIDI learn binds it.
    int32_t lastParameterIndex() const;

    // --- programs: 0..119 -----------------------------------------------------
    void setProgram(int32_t program);
    int32_t program() const;
    // Names fit kProgramNameBytes with the terminator: a stored 24-character
    // name comes out with its first 23. The current program shows "Init N"
    // (N from 1) while its stored name is "Init".
    void setProgramName(const char* name);
    void currentProgramName(char* text) const;
    bool programName(int32_t index, char* text) const;

    // --- state chunks: raw program records (ProgramRecord), no header ---------
    // The current program (kProgramChunkBytes) or the whole bank
    // (kBankChunkBytes). The data stays valid until the next getChunk.
    int32_t getChunk(void** data, bool isPreset);
    // Exactly one program or exactly the bank; anything else, or a value
    // that is NaN or infinite, is refused (false) and nothing changes.
    // Values out of range are brought into their ranges.
    bool setChunk(const void* data, int32_t byteSize, bool isPreset);

    // --- read access for faces, tests and tools ------------------------------
    SynthEngine& engine() { return *synth; }
    const ProgramRecord& programRecord(int32_t index) const { return bank[index]; }
    MidiEventQueue& eventQueue() { return *queue; }
    int64_t frameClock() const { return clock; }
    const SustainPedal& pedal() const { return sustainPedal; }

private:
    void applyParameter(int32_t index, float value, InstrumentListener::Origin origin);
    void selectProgram(int32_t program, InstrumentListener::Origin origin);
    // Audio thread, at the start of a block: a sample-rate change and a
    // pedal reset requested since the last block.
    void applyPendingHostChanges();
    // Applies every queued event that falls due before the next frame.
    void applyDueEvents();
    void applyEvent(const MidiMessage& event);
    void controlChange(int32_t controller, int32_t value);
    void releaseKey(int32_t note);

    InstrumentListener* listener = nullptr;
    std::unique_ptr<SynthEngine> synth;
    std::unique_ptr<MidiEventQueue> queue;
    int64_t clock = 0;        // frames rendered since construction (audio thread)
    int32_t longestBlock = 0; // frames of the longest block rendered (audio thread)
    int32_t lastParameter = 0;
    int32_t currentProgram = 0;
    std::unique_ptr<ProgramRecord[]> bank;
    std::unique_ptr<ProgramRecord[]> chunkBank;

    std::atomic<float> rate;
    std::atomic<int32_t> declaredBlock{1024};
    // The rate the host asked for last (Hz), and a count of its requests:
    // written by requestSampleRate, taken up by the audio thread.
    std::atomic<float> requestedRate;
    std::atomic<uint32_t> rateRequests{0};
    uint32_t rateRequestsApplied = 0; // audio thread

    SustainPedal sustainPedal; // audio thread, except its reset request
};
