#include "XServer.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

XServer::XServer() {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        reason_ = std::string("no pipe: ") + std::strerror(errno);
        return;
    }
    ::fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(pipeFds[1]);
    // It ends by itself when its last client, this test, goes: a crashed test leaves no server behind.
    std::vector<std::string> args = {"Xvfb",        "-displayfd", fd,    "-screen",   "0",
                                     "1024x768x24", "-nolisten",  "tcp", "-terminate"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Its chatter would bury the test's own output.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        reason_ = std::string("Xvfb cannot be started: ") + std::strerror(spawned);
        return;
    }
    // The server writes its display number once it accepts clients; a bound keeps a broken one from
    // holding the suite.
    std::string number;
    for (;;) {
        pollfd ready{pipeFds[0], POLLIN, 0};
        if (::poll(&ready, 1, 60000) <= 0)
            break;
        char c = 0;
        const ssize_t n = ::read(pipeFds[0], &c, 1);
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    ::close(pipeFds[0]);
    if (number.empty()) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        reason_ = "Xvfb did not start";
        return;
    }
    pid_ = pid;
    display_ = ":" + number;
}

XServer::~XServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}
