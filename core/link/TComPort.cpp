#include "core/link/TComPort.h"

#include "core/link/EComPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

std::string devicePath(const std::string& name) {
    return name.find('/') != std::string::npos ? name : "/dev/" + name;
}

unsigned char asciiLower(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// Ties between names that differ only in case fall back to the exact bytes, so the result does not
// depend on the order the lister happened to report them in.
bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = asciiLower(a[i]);
        const unsigned char y = asciiLower(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

// errno is copied first: building the exception may allocate, and allocation may change errno.
[[noreturn]] void raiseLastError(const char* operation) {
    const int error = errno;
    throw EComPort(operation, error);
}

// A port named by its path (a /dev/serial/by-id link, a simulated machine's link) is there when the path
// leads to a character device.
bool isDevicePathPresent(const std::string& name) {
    struct stat status {};
    return name.find('/') != std::string::npos && ::stat(name.c_str(), &status) == 0 &&
           S_ISCHR(status.st_mode);
}

bool isNoWaitError(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

// What the line must look like after configuration; a driver may accept tcsetattr yet ignore parts of it.
bool lineMatches(const termios& want, const termios& got) {
    constexpr tcflag_t cflags = CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    constexpr tcflag_t iflags = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP;
    constexpr tcflag_t lflags = ICANON | ECHO | ISIG | IEXTEN;
    return (want.c_cflag & cflags) == (got.c_cflag & cflags) &&
           (want.c_iflag & iflags) == (got.c_iflag & iflags) &&
           (want.c_lflag & lflags) == (got.c_lflag & lflags) &&
           (want.c_oflag & OPOST) == (got.c_oflag & OPOST) && got.c_cc[VMIN] == 0 && got.c_cc[VTIME] == 0 &&
           cfgetispeed(&got) == B38400 && cfgetospeed(&got) == B38400;
}

} // namespace

TComPort::TComPort(std::function<std::vector<std::string>()> lister) : lister_(std::move(lister)) {}

TComPort::~TComPort() {
    Close();
}

void TComPort::requireConnected(const char* operation) const {
    if (!Connected())
        throw EComPort(std::string(operation) + " (port not open)", 0);
}

void TComPort::SetPort(const std::string& name) {
    if (name == name_)
        return;
    name_ = name;
    if (Connected()) {
        Close();
        Open();
    }
}

void TComPort::Open() {
    if (Connected())
        return;
    if (name_.empty())
        throw EComPort("open (no port selected)", ENOENT);

    const std::string path = devicePath(name_);
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        throw EComPort("open " + path, error);
    }

    bool exclusive = false;
    const auto fail = [&](const char* operation, int error) {
        // Only our own exclusive claim may be dropped; a refused lock means another holder set it.
        if (exclusive)
            ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        throw EComPort(std::string(operation) + " " + path, error);
    };

    // TIOCEXCL alone does not stop a privileged process, hence the advisory lock as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        fail("lock", errno);
    if (::ioctl(fd, TIOCEXCL) != 0)
        fail("claim", errno);
    exclusive = true;

    termios line{};
    if (::tcgetattr(fd, &line) != 0)
        fail("read settings of", errno);
    ::cfmakeraw(&line);
    line.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (::cfsetispeed(&line, B38400) != 0 || ::cfsetospeed(&line, B38400) != 0)
        fail("set speed of", errno);
    if (::tcsetattr(fd, TCSANOW, &line) != 0)
        fail("configure", errno);
    termios applied{};
    if (::tcgetattr(fd, &applied) != 0)
        fail("read settings of", errno);
    if (!lineMatches(line, applied))
        fail("configure", EINVAL);

    // Pseudo-terminals have no modem lines; that must not make them unusable.
    int modemLines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &modemLines) != 0 && errno != ENOTTY && errno != EINVAL)
        fail("clear DTR/RTS of", errno);

    fd_ = fd;
}

void TComPort::Close() {
    if (!Connected())
        return;
    // The last command written (the machine's "leave the bootloader", say) must reach the wire, but a
    // stalled line must not hold close() up: the bytes still queued get the time a write of them would,
    // and only what is left after that is dropped. (A flush with nothing queued here would still throw
    // away what a pseudo-terminal's far end has not read yet.)
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) == 0 && pending > 0) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(100LL * pending + 10);
        while (Clock::now() < deadline && ::ioctl(fd_, TIOCOUTQ, &pending) == 0 && pending > 0)
            ::usleep(1000);
        if (pending > 0)
            ::tcflush(fd_, TCOFLUSH);
    }
    // The exclusive flag belongs to the tty, not to this descriptor; a pty outlives our close.
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

int TComPort::Write(const std::uint8_t* data, int count) {
    requireConnected("write");
    if (count < 0 || (count > 0 && data == nullptr))
        throw EComPort("write", EINVAL);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(100LL * count + 10);
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd_, data + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EINTR && !isNoWaitError(errno))
            raiseLastError("write");

        const auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero())
            break;
        // Round up so the final wait does not end just before the deadline and spin.
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
        pollfd entry{fd_, POLLOUT, 0};
        if (::poll(&entry, 1, static_cast<int>(std::min<long long>(waitMs, INT_MAX))) < 0 && errno != EINTR)
            raiseLastError("wait to write");
    }
    return written;
}

int TComPort::Read(std::uint8_t* buffer, int count) {
    requireConnected("read");
    if (count < 0 || (count > 0 && buffer == nullptr))
        throw EComPort("read", EINVAL);

    int total = 0;
    while (total < count) {
        const ssize_t n = ::read(fd_, buffer + total, static_cast<size_t>(count - total));
        if (n > 0) {
            total += static_cast<int>(n);
            continue;
        }
        if (n == 0)
            break;
        if (errno == EINTR)
            continue;
        // An error after some bytes arrived will show again on the next call; keep what we have.
        if (isNoWaitError(errno) || total > 0)
            break;
        raiseLastError("read");
    }
    return total;
}

int TComPort::InputCount() {
    requireConnected("count input");
    int pending = 0;
    if (::ioctl(fd_, FIONREAD, &pending) != 0)
        raiseLastError("count input");
    return pending;
}

int TComPort::OutputCount() {
    requireConnected("count output");
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) != 0)
        raiseLastError("count output");
    return pending;
}

void TComPort::ClearBuffer(bool input, bool output) {
    requireConnected("clear buffer");
    if (!input && !output)
        return;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (::tcflush(fd_, queue) != 0)
        raiseLastError("clear buffer");
}

std::vector<std::string> TComPort::EnumComPorts() {
    std::vector<std::string> names;
    try {
        names = lister_();
    } catch (const EComPort&) {
        throw;
    } catch (...) {
        throw EComPort("enumerate ports", 0);
    }
    // The system lists device names only; a port chosen by its path must stay choosable under that path.
    if (std::find(names.begin(), names.end(), name_) == names.end() && isDevicePathPresent(name_))
        names.push_back(name_);
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}
