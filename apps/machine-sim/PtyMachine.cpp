#include "apps/machine-sim/PtyMachine.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
sigset_t g_waitMask; // the mask while waiting: stop signals let through

void onStopSignal(int) {
    g_stop = 1;
}

std::int64_t monotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Stop signals are blocked except inside the wait, so one that comes between two checks is not lost.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    ::sigemptyset(&action.sa_mask);
    sigset_t stopSignals;
    ::sigemptyset(&stopSignals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
        ::sigaddset(&stopSignals, signal);
    }
    ::sigprocmask(SIG_BLOCK, &stopSignals, &g_waitMask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigdelset(&g_waitMask, signal);
}

} // namespace

PtyMachine::PtyMachine() {
    catchStopSignals();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        fail("posix_openpt");
    const char* name = nullptr;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || (name = ::ptsname(master_)) == nullptr) {
        const int error = errno;
        ::close(master_);
        errno = error;
        fail("pseudo-terminal set-up");
    }
    devicePath_ = name;
    slave_ = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        const int error = errno;
        ::close(master_);
        errno = error;
        fail("open " + devicePath_);
    }
    // The line as the machine's UART has it; a PC that opens the port finds it raw from the first byte.
    termios line{};
    ::tcgetattr(slave_, &line);
    ::cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    ::cfsetispeed(&line, B38400);
    ::cfsetospeed(&line, B38400);
    if (::tcsetattr(slave_, TCSANOW, &line) != 0) {
        const int error = errno;
        closeDevice();
        errno = error;
        fail("configure " + devicePath_);
    }
    // Watched from before the path is known to anyone, so every open by the PC is counted. Without it the
    // device still works; it only keeps a killed PC's exclusive flag.
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && ::inotify_add_watch(watch_, devicePath_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
}

PtyMachine::~PtyMachine() {
    closeDevice();
    removeLink();
}

void PtyMachine::makeLink(const std::string& path) {
    // Made under a temporary name and renamed over the old one, so the path never dangles in between.
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(devicePath_.c_str(), temporary.c_str()) != 0)
        fail("symlink " + temporary);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        fail("link " + path);
    }
    linkPath_ = path;
}

void PtyMachine::removeLink() {
    if (linkPath_.empty())
        return;
    // Another simulator may have taken the name over since; its link stays.
    std::vector<char> target(devicePath_.size() + 2);
    const ssize_t n = ::readlink(linkPath_.c_str(), target.data(), target.size());
    if (n >= 0 && std::string(target.data(), static_cast<std::size_t>(n)) == devicePath_)
        ::unlink(linkPath_.c_str());
    linkPath_.clear();
}

void PtyMachine::closeDevice() {
    // The master goes first: that hangs the line up for the PC, and the device node goes away.
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    if (watch_ >= 0)
        ::close(watch_);
    master_ = slave_ = watch_ = -1;
}

void PtyMachine::watchPcDescriptors() {
    if (watch_ < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    bool closed = false;
    for (;;) {
        const ssize_t n = ::read(watch_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_OPEN) {
                ++pcOpens_;
            } else if (event->mask & IN_CLOSE) {
                pcOpens_ = std::max(pcOpens_ - 1, 0);
                closed = true;
            }
        }
    }
    // Judged after the whole batch: a close followed by a reopen that is already queued is no last close.
    if (closed && pcOpens_ == 0) {
        ::ioctl(slave_, TIOCNXCL);
        ::tcflush(slave_, TCIFLUSH);
    }
}

void PtyMachine::readInput(MachineProtocol& protocol, std::int64_t nowNs) {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            protocol.receive(buffer, static_cast<std::size_t>(n), nowNs);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // nothing more now (EAGAIN), or no slave open, which our own slave descriptor prevents
    }
}

void PtyMachine::writeOutput() {
    while (!unwritten_.empty()) {
        const ssize_t n = ::write(master_, unwritten_.data(), unwritten_.size());
        if (n > 0) {
            unwritten_.erase(unwritten_.begin(), unwritten_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // the PC's queue is full: the rest waits for room
    }
}

PtyMachine::End PtyMachine::serve(MachineProtocol& protocol, bool exitAfterUpgrade) {
    for (;;) {
        if (g_stop)
            return End::Stopped;
        watchPcDescriptors();
        const std::int64_t nowNs = monotonicNs();
        readInput(protocol, nowNs);
        const std::vector<std::uint8_t> out = protocol.transmit(nowNs);
        unwritten_.insert(unwritten_.end(), out.begin(), out.end());
        writeOutput();
        if (protocol.disconnected() && unwritten_.empty()) {
            closeDevice();
            removeLink();
            return End::Disconnected;
        }
        if (exitAfterUpgrade && protocol.upgradeEnded() && protocol.idle() && unwritten_.empty())
            return End::UpgradeEnded;

        timespec wait{};
        timespec* timeout = nullptr;
        if (const auto next = protocol.nextEventNs()) {
            const std::int64_t ns = std::max<std::int64_t>(*next - monotonicNs(), 0);
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        pollfd entries[2] = {{master_, static_cast<short>(POLLIN | (unwritten_.empty() ? 0 : POLLOUT)), 0},
                             {watch_, POLLIN, 0}};
        const int ready = ::ppoll(entries, watch_ >= 0 ? 2 : 1, timeout, &g_waitMask);
        const short masterEvents = entries[0].revents;
        if (ready > 0 && (masterEvents & (POLLHUP | POLLERR)) && !(masterEvents & POLLIN)) {
            // Cannot happen while our slave descriptor is open; never spin on it regardless.
            timespec pause{0, 10000000};
            ::nanosleep(&pause, nullptr);
        }
    }
}
