// The VST 2.x face of the instrument: the AEffect record's calls translated
// into the instrument core's (core/Instrument.h) and the core's news (a
// parameter changed inside, a MIDI program change, the tempo it asks for)
// into the host's and the editor's.
//
// Threads: processEvents and processReplacing on the host's audio thread;
// everything else on its UI thread, except that setParameter also runs on the
// audio thread for MIDI program changes and learned controllers. Rate, block
// size and processing on/off may come from the UI thread while audio runs:
// the core takes them up at the start of its next block.
#pragma once

#include "core/Instrument.h"
#include "vst/audioeffectx.h"

#include <cstdint>

class VemoVst : public AudioEffectX, private InstrumentListener {
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
    // The host's editor scale: index 'PreS', value 'AeCs', the factor in opt.
    intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) override;

    // Read access for tests and tools.
    Instrument& getInstrument() { return instrument; }
    SynthEngine& getEngine() { return instrument.engine(); }
    const ProgramRecord& program(int32_t index) const { return instrument.programRecord(index); }
    int32_t getLastParameterIndex() const { return instrument.lastParameterIndex(); }
    MidiEventQueue& getEventQueue() { return instrument.eventQueue(); }
    int64_t getFrameClock() const { return instrument.frameClock(); }
    const SustainPedal& getSustainPedal() const { return instrument.pedal(); }

private:
    // InstrumentListener: the editor follows every change; the host redraws
    // its program display after a MIDI program change; a note-on asks the
    // host's time info for the tempo.
    void parameterChanged(int32_t index, float value, Origin origin) override;
    void programChangedByMidi(int32_t program) override;
    bool hostTempo(double& bpm) override;

    Instrument instrument;
};
