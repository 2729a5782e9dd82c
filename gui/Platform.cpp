#include "gui/Platform.h"

#include <atomic>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include "gui/platform/Win32.h"
#endif

namespace VSTGUI::platform {
namespace {

std::atomic<Backend> backendChoice{Backend::Native};
std::atomic<uint32_t (*)()> testTick{nullptr};
std::atomic<void (*)(uint32_t)> testSleep{nullptr};

} // namespace

void setBackend(Backend backend) { backendChoice.store(backend); }
Backend getBackend() { return backendChoice.load(); }

std::unique_ptr<Window> createWindow(void* parent, int32_t width, int32_t height)
{
    if (getBackend() == Backend::Offscreen)
        return createOffscreenWindow(parent, width, height);
    return createNativeWindow(parent, width, height);
}

uint32_t tickCount()
{
    if (auto tick = testTick.load())
        return tick();
#ifdef _WIN32
    return win32TickCount(); // GetTickCount, the clock the idle throttle counts in
#endif
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void sleepMilliseconds(uint32_t ms)
{
    if (auto sleep = testSleep.load()) {
        sleep(ms);
        return;
    }
#ifdef _WIN32
    win32Sleep(ms);
    return;
#endif
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void setClockForTesting(uint32_t (*tick)(), void (*sleep)(uint32_t))
{
    testTick.store(tick);
    testSleep.store(sleep);
}

} // namespace VSTGUI::platform
