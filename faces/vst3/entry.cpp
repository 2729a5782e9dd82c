// The VST 3 module's factory: one class, the instrument (component and
// controller in one object). GetPluginFactory is what hosts look up;
// ModuleEntry/ModuleExit (Linux) and InitDll/ExitDll (Windows) are the
// module's load and unload hooks, which have nothing to set up. A scanner
// may ask for the factory and its class infos as often as it likes: that
// makes no instance.
#include "faces/vst3/Vst3Plugin.h"
#include "faces/vst3/Vst3Text.h"

#include <cstdio>
#include <cstring>

namespace {

using namespace vst3;
using vemo::vst3face::kClassId;
using vemo::vst3face::toString128;

constexpr char kVendor[] = "Kestrune";
constexpr char kName[] = "VEMO";
constexpr char kVersion[] = "1.0.0";
constexpr char kSubCategories[] = "Instrument|Synth";

class Factory final : public IPluginFactory3 {
public:
    tresult queryInterface(const TUID iid, void** obj) override
    {
        if (obj == nullptr)
            return kInvalidArgument;
        if (FUnknown::iid.is(iid) || IPluginFactory::iid.is(iid) || IPluginFactory2::iid.is(iid) ||
            IPluginFactory3::iid.is(iid)) {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    // One static factory for the module's life.
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }

    tresult getFactoryInfo(PFactoryInfo* info) override
    {
        if (info == nullptr)
            return kInvalidArgument;
        *info = {};
        std::snprintf(info->vendor, sizeof info->vendor, "%s", kVendor);
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }

    int32 countClasses() override { return 1; }

    // The fields every form of the class info shares; false for a class
    // that is not there.
    template <class Info> static bool identify(int32 index, Info* info)
    {
        if (index != 0 || info == nullptr)
            return false;
        *info = {};
        std::memcpy(info->cid, kClassId.bytes, sizeof info->cid);
        info->cardinality = kManyInstances;
        std::snprintf(info->category, sizeof info->category, "%s", kVstAudioEffectClass);
        return true;
    }

    tresult getClassInfo(int32 index, PClassInfo* info) override
    {
        if (!identify(index, info))
            return kInvalidArgument;
        std::snprintf(info->name, sizeof info->name, "%s", kName);
        return kResultOk;
    }

    tresult getClassInfo2(int32 index, PClassInfo2* info) override
    {
        if (!identify(index, info))
            return kInvalidArgument;
        std::snprintf(info->name, sizeof info->name, "%s", kName);
        std::snprintf(info->subCategories, sizeof info->subCategories, "%s", kSubCategories);
        std::snprintf(info->vendor, sizeof info->vendor, "%s", kVendor);
        std::snprintf(info->version, sizeof info->version, "%s", kVersion);
        std::snprintf(info->sdkVersion, sizeof info->sdkVersion, "%s", kSdkVersionString);
        return kResultOk;
    }

    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override
    {
        if (!identify(index, info))
            return kInvalidArgument;
        toString128(info->name, kName, 64);
        std::snprintf(info->subCategories, sizeof info->subCategories, "%s", kSubCategories);
        toString128(info->vendor, kVendor, 64);
        toString128(info->version, kVersion, 64);
        toString128(info->sdkVersion, kSdkVersionString, 64);
        return kResultOk;
    }

    tresult setHostContext(FUnknown*) override { return kResultOk; }

    tresult createInstance(FIDString cid, FIDString iid, void** obj) override
    {
        if (obj == nullptr)
            return kInvalidArgument;
        *obj = nullptr;
        if (!kClassId.is(cid))
            return kNoInterface;
        vemo::vst3face::Vst3Plugin* plugin = vemo::vst3face::Vst3Plugin::create();
        if (plugin == nullptr)
            return kOutOfMemory;
        const tresult result = plugin->queryInterface(iid, obj);
        plugin->release(); // the reference the caller asked for stays, if any
        return result;
    }
};

Factory factory;

} // namespace

#if defined(_WIN32)
#define VEMO_VST3_EXPORT extern "C" __declspec(dllexport)
#else
#define VEMO_VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VEMO_VST3_EXPORT IPluginFactory* GetPluginFactory() { return &factory; }

#if defined(_WIN32)
VEMO_VST3_EXPORT bool InitDll() { return true; }
VEMO_VST3_EXPORT bool ExitDll() { return true; }
#else
VEMO_VST3_EXPORT bool ModuleEntry(void*) { return true; }
VEMO_VST3_EXPORT bool ModuleExit() { return true; }
#endif
