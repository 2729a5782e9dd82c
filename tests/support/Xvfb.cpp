#include "support/Xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vemotest {

bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

bool Xvfb::start(int width, int height)
{
    if (pid > 0)
        return true;
    if (!onPath("Xvfb"))
        return false;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    // Both ends clear of 0..3, which the child's set-up rewrites (a write
    // end that already were 3 would keep its close-on-exec flag through the
    // dup2); the read end is not inherited at all.
    int fds[2] = {fcntl(pipeFds[0], F_DUPFD_CLOEXEC, 10), fcntl(pipeFds[1], F_DUPFD, 10)};
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        if (fds[0] >= 0)
            close(fds[0]);
        if (fds[1] >= 0)
            close(fds[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", screen,
                                     "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        pid = -1;
        return false;
    }
    // The server writes its display number once it accepts connections; an
    // end of file means it gave up.
    std::string number;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, 30000);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char c = 0;
        const ssize_t n = read(fds[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty()) {
        stop();
        return false;
    }
    name = ":" + number;
    return true;
}

void Xvfb::stop()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }
}

Xvfb* sharedXvfb()
{
    static std::unique_ptr<Xvfb> server = [] {
        auto s = std::make_unique<Xvfb>();
        if (!s->start(1600, 900)) // room for the editor at twice its size
            s.reset();
        return s;
    }();
    return server.get();
}

} // namespace vemotest
