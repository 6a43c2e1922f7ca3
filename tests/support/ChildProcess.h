#pragma once

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Runs body in a forked child and gives its exit code, or minus the signal that ended it: a watchdog alarm
// ends a child that blocks, so a hang fails the test instead of stopping the run. For core tests only: a
// process running the window system's threads must not fork.
inline int inChild(const std::function<int()>& body, unsigned watchdogSeconds = 30) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(watchdogSeconds);
        int code = 98;
        try {
            code = body();
        } catch (...) {
            code = 99;
        }
        ::_exit(code);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}
