#include "support/HostModule.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vemotest {

bool HostModule::open(const std::string& path)
{
    close();
#ifdef _WIN32
    handle = LoadLibraryA(path.c_str());
    if (handle == nullptr)
        lastError = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        lastError = why != nullptr ? why : "dlopen failed";
    }
#endif
    return handle != nullptr;
}

void* HostModule::symbol(const char* name) const
{
    if (handle == nullptr)
        return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

VstPluginMainProc HostModule::entryPoint() const
{
    void* entry = symbol("VSTPluginMain");
    if (entry == nullptr)
        entry = symbol("main");
    return reinterpret_cast<VstPluginMainProc>(entry);
}

void HostModule::close()
{
    if (handle == nullptr)
        return;
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
    handle = nullptr;
}

} // namespace vemotest
