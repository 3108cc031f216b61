// An Xvfb server on a free display number for tests that play the game in a
// real window with real key events (xdotool); POSIX only.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tw::test {

// Whether `program` can be started from PATH.
inline bool on_path(const char* program) {
    return std::system(("command -v " + std::string(program) + " > /dev/null 2>&1").c_str()) == 0;
}

// The server runs from the constructor to the destructor; `name` (":N") is
// empty when it did not start.
struct VirtualDisplay {
    pid_t pid = -1;
    std::string name;
    explicit VirtualDisplay(const std::string& screen = "800x600x24") {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The number and a line end, once it listens. Read to the line end:
        // a pipe closed between the two writes makes the server give up.
        std::string number;
        char c = 0;
        while (pid > 0) {
            const ssize_t n = read(fds[0], &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) name = ":" + number;
    }
    ~VirtualDisplay() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    // xdotool with its arguments on this display; true when it succeeded.
    bool xdotool(const std::string& arguments) const {
        return std::system(("DISPLAY=" + name + " timeout 60 xdotool " + arguments + " > /dev/null 2>&1").c_str()) == 0;
    }
};

}  // namespace tw::test
