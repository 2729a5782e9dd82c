// with-xvfb COMMAND [ARGS...]: runs a command with DISPLAY set to an Xvfb
// server of its own (1280 x 1024, 24 bits), stops the server afterwards and
// exits with the command's status. For scripts that need a display, such as
// the Windows host check under Wine.
#include "support/Xvfb.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: with-xvfb COMMAND [ARGS...]\n");
        return 2;
    }
    vemotest::Xvfb server;
    if (!server.start(1280, 1024)) {
        std::fprintf(stderr, "with-xvfb: Xvfb did not start (Debian package xvfb)\n");
        return 1;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    pid_t child = -1;
    if (posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::fprintf(stderr, "with-xvfb: cannot run %s\n", argv[1]);
        return 127;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    server.stop();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
