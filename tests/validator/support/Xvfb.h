// A private X server for the editor tests: Xvfb on a display number it picks
// itself (-displayfd), so parallel test programs never share or steal one.
#pragma once

#include <string>
#include <sys/types.h>

namespace validator {

class Xvfb {
public:
    // Starts the server; false when Xvfb is not installed or does not start.
    bool start();
    void stop();
    ~Xvfb() { stop(); }
    const std::string& display() const { return name; }

private:
    std::string name;
    pid_t pid = -1;
};

// One server for the whole test program, started on first use and stopped
// at exit; null when none can be started.
Xvfb* sharedXvfb();

} // namespace validator
