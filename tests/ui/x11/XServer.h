#pragma once

#include <string>
#include <sys/types.h>

// A private X server (Xvfb) for tests that must see what the window system is told. It picks a free
// display number itself; when it cannot be started, reason() says why and the tests skip.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& display() const { return display_; } // ":N"
    const std::string& reason() const { return reason_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string reason_;
};
