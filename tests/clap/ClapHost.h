// The CLAP host of the tests: loads a module as CLAP hosts do (dlopen,
// clap_entry, the plug-in factory), creates the one plug-in and drives it
// only through its records. Its own extensions count what the plug-in asks:
// parameter rescans and flush requests, callbacks, dirty marks, and every
// question "is this the main thread?" asked from another thread (a call on
// the wrong thread, reported).
#pragma once

#include "clap/ClapAbi.h"
#include "support/HostModule.h"

#include <atomic>
#include <cstring>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace vemotest {

// One input event, stored whole (any of the record types).
struct ClapEvent {
    std::vector<uint8_t> bytes;
    const clap::clap_event_header& header() const { return *reinterpret_cast<const clap::clap_event_header*>(bytes.data()); }
    template <class T> static ClapEvent of(const T& record)
    {
        ClapEvent e;
        e.bytes.resize(sizeof record);
        std::memcpy(e.bytes.data(), &record, sizeof record);
        return e;
    }
};

ClapEvent clapMidi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2);
ClapEvent clapNote(uint32_t time, uint16_t type, int16_t key, double velocity, int16_t channel = 0);
ClapEvent clapParam(uint32_t time, uint32_t id, double value);

class ClapHost {
public:
    explicit ClapHost(const std::string& modulePath = VEMO_CLAP_PATH);
    ~ClapHost();
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap::clap_plugin_entry* entry = nullptr;
    const clap::clap_plugin_factory* factory = nullptr;
    const clap::clap_plugin* plugin = nullptr;
    const clap::clap_plugin_params* params = nullptr;
    const clap::clap_plugin_state* state = nullptr;
    const clap::clap_plugin_gui* gui = nullptr;
    const clap::clap_plugin_timer_support* timerSupport = nullptr;
    std::string loadError;

    // Timers the plug-in registered (timer-support): fireTimers() calls
    // on_timer for each, as a host's main loop would.
    std::vector<clap::clap_id> timers;
    void fireTimers();

    bool activate(double rate, uint32_t maxFrames);
    // One block into left and right; output events are kept in `output`.
    clap::clap_process_status process(float* left, float* right, uint32_t frames,
                                      const std::vector<ClapEvent>& events = {});
    void flush(const std::vector<ClapEvent>& events = {});
    std::vector<ClapEvent> output;

    double value(uint32_t id);
    std::string text(uint32_t id, double value);
    std::vector<uint8_t> save();
    // The stream hands out at most `piece` bytes per read.
    bool load(const std::vector<uint8_t>& bytes, size_t piece = SIZE_MAX);

    // What the plug-in asked of the host.
    std::atomic<int> rescans{0}, flushRequests{0}, callbacks{0}, dirtyMarks{0}, wrongThreadCalls{0};
    std::thread::id mainThread = std::this_thread::get_id();

private:
    static const void* hostExtension(const clap::clap_host* host, const char* id);
    static ClapHost& of(const clap::clap_host* host) { return *static_cast<ClapHost*>(host->host_data); }
    void onMain();

    HostModule module;
    clap::clap_host host{};
    bool active = false;
};

} // namespace vemotest
