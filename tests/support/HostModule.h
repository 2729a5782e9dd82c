// A plug-in module loaded the way hosts load them: dlopen/dlsym on Linux,
// LoadLibrary/GetProcAddress on Windows. Part of the test host.
#pragma once

#include "vst/aeffect.h"

#include <string>

namespace vemotest {

class HostModule {
public:
    HostModule() = default;
    ~HostModule() { close(); }
    HostModule(const HostModule&) = delete;
    HostModule& operator=(const HostModule&) = delete;

    // False (with error() saying why) when the file does not load.
    bool open(const std::string& path);
    void* symbol(const char* name) const;
    // The entry point: VSTPluginMain, else main; null when there is none.
    VstPluginMainProc entryPoint() const;
    void close();
    void* native() const { return handle; }
    const std::string& error() const { return lastError; }

private:
    void* handle = nullptr;
    std::string lastError;
};

} // namespace vemotest
