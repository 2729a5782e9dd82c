// First host-interface layer: owns the AEffect record handed to the host,
// its static trampolines, and the dispatcher for opcodes 0..24.
//
// Threads: the host calls the dispatcher from its UI thread, except
// effProcessEvents and the process trampolines, which come on the audio thread.
#pragma once

#include "vst/aeffect.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect(); // deletes the editor

    AEffect* getAeffect() { return &cEffect; }
    // The editor registers itself at its construction.
    void hasEditor(bool state = true);
    AEffEditor* getEditor() { return editor; }
    void setEditor(AEffEditor* newEditor) { editor = newEditor; }

    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // Lifecycle.
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32_t size) { blockSize = size; }

    // Audio thread.
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames);
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);
    virtual void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames);

    // Parameters.
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    virtual void setParameterAutomated(int32_t index, float value);
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);

    // Programs.
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);

    // State.
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);

    // Host callback wrappers; each is skipped (answer 0) without a callback.
    virtual int32_t getMasterVersion();
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);
    virtual void masterIdle();

    float getSampleRate() const { return sampleRate; }
    int32_t getBlockSize() const { return blockSize; }

protected:
    void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    void setNumInputs(int32_t n) { cEffect.numInputs = n; }
    void setNumOutputs(int32_t n) { cEffect.numOutputs = n; }
    void programsAreChunks(bool state = true);
    void isSynth(bool state = true);
    void canProcessReplacing(bool state = true);

    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    int32_t blockSize = 1024;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram = 0;
    AEffect cEffect;


private:
    static AudioEffect* fromEffect(AEffect* e);
    static intptr_t dispatchEffect(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                   void* ptr, float opt);
    static void processClbk(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void processReplacingClbk(AEffect* e, float** inputs, float** outputs,
                                     int32_t sampleFrames);
    static void processDoubleReplacingClbk(AEffect* e, double** inputs, double** outputs,
                                           int32_t sampleFrames);
    static void setParameterClbk(AEffect* e, int32_t index, float value);
    static float getParameterClbk(AEffect* e, int32_t index);
};
