// The LV2 entry: the descriptor's trampolines check what the host passes
// and forward to one Lv2Plugin. The only symbol the DSP binary exports.
#include "faces/lv2/Lv2Plugin.h"

#include <cstring>

using vemo::lv2::Lv2Plugin;

namespace {

Lv2Plugin* self(LV2_Handle instance) { return static_cast<Lv2Plugin*>(instance); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    return Lv2Plugin::create(rate, features);
}

void connectPort(LV2_Handle instance, uint32_t port, void* data)
{
    if (instance != nullptr)
        self(instance)->connectPort(port, data);
}

void activate(LV2_Handle instance)
{
    if (instance != nullptr)
        self(instance)->activate();
}

void run(LV2_Handle instance, uint32_t frames)
{
    if (instance != nullptr)
        self(instance)->run(frames);
}

void deactivate(LV2_Handle instance)
{
    if (instance != nullptr)
        self(instance)->deactivate();
}

void cleanup(LV2_Handle instance) { delete self(instance); }

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*)
{
    return instance != nullptr ? self(instance)->save(store, handle) : LV2_STATE_ERR_UNKNOWN;
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*)
{
    return instance != nullptr ? self(instance)->restore(retrieve, handle) : LV2_STATE_ERR_UNKNOWN;
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state = {save, restore};
    if (uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor descriptor = {vemo::lv2::kPluginUri, instantiate, connectPort, activate, run,
                                   deactivate,            cleanup,     extensionData};

} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &descriptor : nullptr;
}
