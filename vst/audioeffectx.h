// Second host-interface layer: the dispatcher for opcodes 25..79 (events,
// identity, capabilities, editor keys) and the extended host-callback wrappers.
#pragma once

#include "vst/audioeffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;

    // Audio thread. Answers 1.
    virtual int32_t processEvents(VstEvents* events);

    virtual bool canParameterBeAutomated(int32_t index);
    virtual bool string2parameter(int32_t index, char* text);
    virtual bool getParameterProperties(int32_t index, void* properties);
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }

    // Identity; each writes a terminated string and answers true.
    virtual bool getEffectName(char* name);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual int32_t getVendorVersion();
    virtual int32_t canDo(char* text); // 1 yes, -1 no
    virtual int32_t getPlugCategory();
    virtual int32_t getVstVersion() { return 2400; }
    virtual int32_t getCurrentMidiProgram() { return -1; }
    // effVendorSpecific: a host's own extensions; 0 for those not known.
    virtual intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt)
    {
        (void)index;
        (void)value;
        (void)ptr;
        (void)opt;
        return 0;
    }

    // Host callback wrappers.
    virtual bool wantEvents(int32_t filter = 1);
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    virtual bool updateDisplay();
    // Asks the host to make the editor's window width x height pixels.
    virtual bool sizeWindow(int32_t width, int32_t height);
};
