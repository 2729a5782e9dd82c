// A private X server for the tests that open real windows: Xvfb on a display
// number it picks itself (-displayfd), so test programs running side by side
// never share or fight over one. Linux only.
#pragma once

#include <string>
#include <sys/types.h>

namespace vemotest {

class Xvfb {
public:
    // Starts the server (24-bit screen of width x height); false when Xvfb
    // is not installed or does not start within 30 s.
    bool start(int width = 1024, int height = 768);
    void stop();
    ~Xvfb() { stop(); }
    // ":N" once started.
    const std::string& display() const { return name; }

private:
    std::string name;
    pid_t pid = -1;
};

// One server for the whole test program, started on first use and stopped
// at exit; null when none can be started.
Xvfb* sharedXvfb();

// Whether an executable of this name is on the PATH.
bool onPath(const char* program);

} // namespace vemotest
