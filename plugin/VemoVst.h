// The plug-in object behind the AEffect record: parameters, program bank,
// state chunks, MIDI intake with MIDI learn, and the per-frame audio loop.
//
// Threads: processEvents and processReplacing on the host's audio thread;
// everything else on its UI thread, except that setParameter also runs on the
// audio thread for MIDI program changes and learned controllers. No locks:
// shared values are single floats and ints accessed as atomics. Hosts may
// change the sample rate or the block size, or switch processing off and on,
// from their UI thread while the audio thread is inside processReplacing:
// those calls only leave a request that the audio thread takes up at the
// start of its next block, so the engine is only ever touched by the audio
// thread.
#pragma once

#include "engine/ParameterDisplay.h"
#include "engine/SynthEngine.h"
#include "plugin/MidiEventQueue.h"
#include "plugin/ProgramRecord.h"
#include "plugin/SustainPedal.h"
#include "vst/audioeffectx.h"

#include <atomic>
#include <cstdint>
#include <memory>

class VemoVst : public AudioEffectX {
public:
    static constexpr int32_t kUniqueId = vstFourCC('8', '8', '2', '5'); // 0x38383235

    explicit VemoVst(audioMasterCallback audioMaster);
    ~VemoVst() override;

    // Lifecycle.
    void suspend() override;
    void resume() override;
    // UI thread, at any time. The engine is rebuilt for the rate (fresh
    // state) by the audio thread at the start of the next block.
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t size) override;
    int32_t getPlugCategory() override { return kPlugCategSynth; }

    // Audio thread.
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    int32_t processEvents(VstEvents* events) override;

    // Parameters.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void getParameterName(int32_t index, char* text) override;
    // The value as the sound uses it ("2.05", "-6.0", "saw") and its unit
    // ("kHz", "dB", ""), each at most 8 bytes with the terminator. Any
    // thread (hosts call these from their UI and automation threads while
    // audio runs): they read the values and the host's rate, allocate
    // nothing and cost a few dozen floating-point operations.
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* label) override;

    // Programs.
    void setProgram(int32_t program) override;
    int32_t getProgram() override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

    // State chunks: raw program records, no header.
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // Identity.
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override { return 1000; }
    int32_t canDo(char* text) override;

    // Read access for tests and tools.
    SynthEngine& getEngine() { return *engine; }
    const ProgramRecord& program(int32_t index) const { return bank[index]; }
    int32_t getLastParameterIndex() const;
    MidiEventQueue& getEventQueue() { return *eventQueue; }
    int64_t getFrameClock() const { return frameClock; }
    const SustainPedal& getSustainPedal() const { return sustainPedal; }

private:
    // Audio thread, at the start of a block: a sample-rate change and a
    // pedal reset requested since the last block.
    void applyPendingHostChanges();
    // Applies every queued event that falls due before the next frame.
    void applyDueEvents();
    void applyEvent(const VstMidiEvent& event);
    void controlChange(int32_t controller, int32_t value);
    void releaseKey(int32_t note);
    // Display and label of `index` at the current values and host rate.
    vemo::ParameterText describeParameter(int32_t index);

    std::unique_ptr<SynthEngine> engine;
    std::unique_ptr<MidiEventQueue> eventQueue;
    int64_t frameClock = 0;   // frames rendered since construction (audio thread)
    int32_t longestBlock = 0; // frames of the longest block rendered (audio thread)
    int32_t lastParameterIndex = 0;
    std::unique_ptr<ProgramRecord[]> bank;
    std::unique_ptr<ProgramRecord[]> chunkBank;

    // The rate the host asked for last (Hz), and a count of its requests:
    // written by setSampleRate, taken up by the audio thread.
    std::atomic<float> requestedRate{44100.0f};
    std::atomic<uint32_t> rateRequests{0};
    uint32_t rateRequestsApplied = 0; // audio thread

    SustainPedal sustainPedal; // audio thread, except its reset request
};
