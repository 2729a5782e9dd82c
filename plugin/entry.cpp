// Module entry point: hosts look up VSTPluginMain, older ones main.
#include "vst/aeffect.h"

extern "C" {
__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    (void)host;
    return nullptr;
}
}
