// Module entry point: hosts look up VSTPluginMain, older ones main. Both are
// the only symbols the module exports.
#include "faces/vst2/VemoVst.h"

#include <new>

extern "C" {

__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    // A host that does not answer the version query gets no plug-in.
    if (host == nullptr || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    VemoVst* effect = new (std::nothrow) VemoVst(host);
    if (effect == nullptr)
        return nullptr;
    return effect->getAeffect();
}

#if defined(__GNUC__) && !defined(_WIN32)
// Old Linux hosts look up "main"; exported under that name at the same entry.
__attribute__((visibility("default"))) AEffect* main_plugin(audioMasterCallback host)
    __asm__("main");
AEffect* main_plugin(audioMasterCallback host) { return VSTPluginMain(host); }
#endif
}
