#include "core/ProgramRecord.h"

#include <cstring>

ProgramRecord::ProgramRecord()
{
    std::memset(this, 0, sizeof(*this));
    std::strcpy(name, "default");
    parameter[kParamVolume] = 0.5f;
    parameter[kParamMasterPitch] = 0.5f;
    parameter[kParamEnvVolume] = 0.5f;
    parameter[kParamTranspose] = 0.5f;
    parameter[kParamSaw] = 1.0f;
    parameter[kParamSubOsc] = 1.0f;
    parameter[kParamCutoff] = 1.0f;
    parameter[kParamDecay] = 1.0f;
    parameter[kParamSustain] = 1.0f;
    parameter[kParamCutoffSmooth] = 1.0f;
    controllerMap[40] = kParamCutoff;
    controllerMap[42] = kParamResonance;
}
