#include "core/link/TComPort.h"

#include "core/link/EComPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::vector<std::string> noPorts() {
    return {};
}

// A pseudo-terminal pair: the test plays the machine on the master, the port under test opens the slave.
class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0)
            throw std::runtime_error("posix_openpt failed");
        const char* name = nullptr;
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || (name = ::ptsname(master_)) == nullptr) {
            ::close(master_);
            throw std::runtime_error("pseudo-terminal setup failed");
        }
        slavePath_ = name;
    }
    ~PtyPair() { ::close(master_); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    void send(const Bytes& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("write on master failed");
            done += static_cast<std::size_t>(n);
        }
    }

    // Collects up to count bytes, waiting at most about a second for them.
    Bytes receive(std::size_t count) const {
        Bytes got;
        const auto deadline = SteadyClock::now() + milliseconds(1000);
        while (got.size() < count && SteadyClock::now() < deadline) {
            pollfd entry{master_, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0)
                continue;
            std::uint8_t chunk[512];
            const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n > 0)
                got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }

    // True when bytes arrive on the master within the given time. poll() is no use here: it also wakes
    // on the hang-up that follows the slave's close.
    bool receivesWithin(milliseconds wait) const {
        const auto deadline = SteadyClock::now() + wait;
        while (pending() <= 0 && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(1));
        return pending() > 0;
    }

    int pending() const {
        int n = -1;
        ::ioctl(master_, FIONREAD, &n);
        return n;
    }

    // On Linux the master reports and changes the slave's line settings.
    termios slaveLine() const {
        termios line{};
        if (::tcgetattr(master_, &line) != 0)
            throw std::runtime_error("tcgetattr on master failed");
        return line;
    }
    void setSlaveLine(const termios& line) const {
        if (::tcsetattr(master_, TCSANOW, &line) != 0)
            throw std::runtime_error("tcsetattr on master failed");
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

// Bytes sent by the master reach the slave's queue after a short delay.
int waitForInput(TComPort& port, int expected) {
    const auto deadline = SteadyClock::now() + milliseconds(1000);
    int count = port.InputCount();
    while (count < expected && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(1));
        count = port.InputCount();
    }
    return count;
}

int waitForMasterInput(const PtyPair& pty, int expected) {
    const auto deadline = SteadyClock::now() + milliseconds(1000);
    int count = pty.pending();
    while (count < expected && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(1));
        count = pty.pending();
    }
    return count;
}

// A plain descriptor on the slave, opened before the port claims the device so that it is not refused.
class SlaveDescriptor {
public:
    explicit SlaveDescriptor(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~SlaveDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SlaveDescriptor(const SlaveDescriptor&) = delete;
    SlaveDescriptor& operator=(const SlaveDescriptor&) = delete;

    int fd() const { return fd_; }
    int exclusiveFlag() const {
        int flag = -1;
        ::ioctl(fd_, TIOCGEXCL, &flag);
        return flag;
    }

private:
    int fd_;
};

int descriptorsOpenOn(const std::string& path) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error).string() == path)
            ++count;
    }
    return count;
}

template <typename F> std::optional<EComPort> raised(F&& action) {
    try {
        action();
    } catch (const EComPort& e) {
        return e;
    }
    return std::nullopt;
}

Bytes allByteValues() {
    Bytes bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i));
    return bytes;
}

} // namespace

TEST(TComPortTest, ReadReturnsOnlyWhatHasAlreadyArrived) {
    PtyPair pty;
    TComPort port(noPorts);
    port.SetPort(pty.slavePath());
    port.Open();

    std::uint8_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    const auto start = SteadyClock::now();
    EXPECT_EQ(port.Read(buffer, 16), 0);
    EXPECT_LT(SteadyClock::now() - start, milliseconds(200));
    for (std::uint8_t b : buffer)
        EXPECT_EQ(b, 0xAA);
    EXPECT_EQ(port.InputCount(), 0);

    const Bytes sent = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    pty.send(sent);
    ASSERT_EQ(waitForInput(port, 16), 16);

    ASSERT_EQ(port.Read(buffer, 6), 6);
    EXPECT_EQ(Bytes(buffer, buffer + 6), Bytes(sent.begin(), sent.begin() + 6));
    EXPECT_EQ(buffer[6], 0xAA);
    EXPECT_EQ(port.InputCount(), 10);

    std::uint8_t rest[32] = {};
    ASSERT_EQ(port.Read(rest, 32), 10);
    EXPECT_EQ(Bytes(rest, rest + 10), Bytes(sent.begin() + 6, sent.end()));
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.Read(rest, 32), 0);
    EXPECT_EQ(port.Read(rest, 0), 0);
}

TEST(TComPortTest, LineIsRaw38400EightNoneOneWithoutFlowControl) {
    PtyPair pty;
    // Start from a cooked, slow, flow-controlled line so that every setting has to be changed.
    termios cooked = pty.slaveLine();
    cooked.c_iflag |= ICRNL | IXON | IXOFF | ISTRIP;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag = (cooked.c_cflag & ~(CSIZE | CLOCAL)) | CS7 | PARENB | CSTOPB | CRTSCTS;
    cooked.c_cc[VMIN] = 1;
    cooked.c_cc[VTIME] = 5;
    cfsetispeed(&cooked, B9600);
    cfsetospeed(&cooked, B9600);
    pty.setSlaveLine(cooked);

    TComPort port(noPorts);
    port.SetPort(pty.slavePath());
    port.Open();

    const termios line = pty.slaveLine();
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B38400));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);

    const Bytes all = allByteValues();
    ASSERT_EQ(port.Write(all.data(), static_cast<int>(all.size())), 256);
    EXPECT_EQ(pty.receive(256), all);

    pty.send(all);
    ASSERT_EQ(waitForInput(port, 256), 256);
    Bytes got(300, 0);
    ASSERT_EQ(port.Read(got.data(), static_cast<int>(got.size())), 256);
    got.resize(256);
    EXPECT_EQ(got, all);
    EXPECT_FALSE(pty.receivesWithin(milliseconds(100))) << "received bytes were echoed";
}

TEST(TComPortTest, WriteDeliversBytesAndGivesUpWhenTheLineIsStopped) {
    PtyPair pty;
    // Used to stop the slave's output, as a machine that stops reading would.
    const SlaveDescriptor holder(pty.slavePath());
    ASSERT_GE(holder.fd(), 0);

    TComPort port(noPorts);
    port.SetPort(pty.slavePath());
    port.Open();

    const Bytes text = {'S', 'T', 'A', 'T', '\r', '\n', 0x03};
    EXPECT_EQ(port.Write(text.data(), static_cast<int>(text.size())), 7);
    EXPECT_EQ(pty.receive(7), text);
    EXPECT_EQ(port.Write(text.data(), 0), 0);
    EXPECT_GE(port.OutputCount(), 0);

    ASSERT_EQ(::tcflow(holder.fd(), TCOOFF), 0);
    // A write that blocks would hang here for good; end the run instead.
    ::alarm(10);
    const auto start = SteadyClock::now();
    EXPECT_EQ(port.Write(text.data(), 3), 0);
    const auto elapsed = SteadyClock::now() - start;
    ::alarm(0);
    EXPECT_GE(elapsed, milliseconds(310));
    EXPECT_LT(elapsed, milliseconds(3000));

    ASSERT_EQ(::tcflow(holder.fd(), TCOON), 0);
    EXPECT_EQ(port.Write(text.data(), 3), 3);
    EXPECT_EQ(pty.receive(3), Bytes(text.begin(), text.begin() + 3));
}

TEST(TComPortTest, SetPortMovesAnOpenConnectionOnlyWhenTheNameChanges) {
    PtyPair first;
    PtyPair second;
    TComPort port(noPorts);
    EXPECT_EQ(port.PortName(), "");

    port.SetPort(first.slavePath());
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(descriptorsOpenOn(first.slavePath()), 0);
    port.Open();

    port.SetPort(second.slavePath());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.PortName(), second.slavePath());
    EXPECT_EQ(descriptorsOpenOn(first.slavePath()), 0);
    EXPECT_EQ(descriptorsOpenOn(second.slavePath()), 1);
    const Bytes ping = {'P'};
    ASSERT_EQ(port.Write(ping.data(), 1), 1);
    EXPECT_EQ(second.receive(1), ping);
    EXPECT_FALSE(first.receivesWithin(milliseconds(50)));
    TComPort other(noPorts);
    other.SetPort(first.slavePath());
    EXPECT_NO_THROW(other.Open()) << "the old device was not released";
    other.Close();

    // A reopen would reset the line speed and could drop the waiting input.
    termios slow = second.slaveLine();
    cfsetispeed(&slow, B9600);
    cfsetospeed(&slow, B9600);
    second.setSlaveLine(slow);
    second.send({1, 2, 3});
    ASSERT_EQ(waitForInput(port, 3), 3);
    port.SetPort(second.slavePath());
    EXPECT_TRUE(port.Connected());
    const termios after = second.slaveLine();
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
    EXPECT_EQ(port.InputCount(), 3);

    const std::string missing = "/dev/osk-test-no-such-port";
    const auto error = raised([&] { port.SetPort(missing); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->systemError(), ENOENT);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.PortName(), missing);
    EXPECT_EQ(descriptorsOpenOn(second.slavePath()), 0);
}

TEST(TComPortTest, OpenAndCloseAreIdempotentAndAClosedPortRefusesIo) {
    PtyPair pty;
    TComPort port(noPorts);
    port.SetPort(pty.slavePath());

    port.Open();
    port.Open();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(descriptorsOpenOn(pty.slavePath()), 1);

    // What was written just before the close still reaches the machine.
    const std::uint8_t last = 'b';
    ASSERT_EQ(port.Write(&last, 1), 1);
    port.Close();
    EXPECT_EQ(pty.receive(1), Bytes{'b'});
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(descriptorsOpenOn(pty.slavePath()), 0);
    EXPECT_NO_THROW(port.Close());
    EXPECT_FALSE(port.Connected());

    std::uint8_t byte = 0x55;
    const auto writeError = raised([&] { port.Write(&byte, 1); });
    ASSERT_TRUE(writeError.has_value());
    EXPECT_EQ(writeError->systemError(), 0);
    EXPECT_THROW(port.Read(&byte, 1), EComPort);
    EXPECT_EQ(byte, 0x55);
    EXPECT_THROW(port.InputCount(), EComPort);
    EXPECT_THROW(port.OutputCount(), EComPort);
    EXPECT_THROW(port.ClearBuffer(true, true), EComPort);
    EXPECT_THROW(port.ClearBuffer(false, false), EComPort);

    {
        TComPort scoped(noPorts);
        scoped.SetPort(pty.slavePath());
        scoped.Open();
        EXPECT_EQ(descriptorsOpenOn(pty.slavePath()), 1);
    }
    EXPECT_EQ(descriptorsOpenOn(pty.slavePath()), 0) << "the destructor did not close the port";

    TComPort unnamed(noPorts);
    EXPECT_THROW(unnamed.Open(), EComPort);
    EXPECT_FALSE(unnamed.Connected());
}

TEST(TComPortTest, OpenFailuresAreReportedAndTheDeviceIsExclusive) {
    TComPort port(noPorts);
    port.SetPort("/dev/osk-test-no-such-port");
    auto error = raised([&] { port.Open(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->systemError(), ENOENT);
    EXPECT_FALSE(port.Connected());

    // A bare name means a device in /dev: "null" opens /dev/null, which is no terminal.
    port.SetPort("osk-test-no-such-port");
    error = raised([&] { port.Open(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->systemError(), ENOENT);
    const int nullsBefore = descriptorsOpenOn("/dev/null");
    port.SetPort("null");
    error = raised([&] { port.Open(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->systemError(), ENOTTY);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(descriptorsOpenOn("/dev/null"), nullsBefore) << "a refused device was left open";

    PtyPair pty;
    const std::string relative = pty.slavePath().substr(std::string("/dev/").size());
    if (!std::filesystem::exists(relative)) {
        port.SetPort(relative);
        error = raised([&] { port.Open(); });
        ASSERT_TRUE(error.has_value()) << "a name with '/' must be used as it is";
        EXPECT_EQ(error->systemError(), ENOENT);
    }

    const SlaveDescriptor observer(pty.slavePath());
    ASSERT_GE(observer.fd(), 0);
    ASSERT_EQ(observer.exclusiveFlag(), 0);
    TComPort holder(noPorts);
    holder.SetPort(pty.slavePath());
    holder.Open();
    EXPECT_EQ(observer.exclusiveFlag(), 1);
    TComPort rival(noPorts);
    rival.SetPort(pty.slavePath());
    error = raised([&] { rival.Open(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->systemError() == EBUSY || error->systemError() == EWOULDBLOCK) << error->what();
    EXPECT_FALSE(rival.Connected());
    EXPECT_EQ(observer.exclusiveFlag(), 1) << "the refused rival dropped the holder's claim";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 1;
        try {
            TComPort remote(noPorts);
            remote.SetPort(pty.slavePath());
            remote.Open();
        } catch (const EComPort&) {
            code = 0;
        } catch (...) {
            code = 2;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "another process could open the device";

    holder.Close();
    EXPECT_EQ(observer.exclusiveFlag(), 0) << "the claim outlived the port";
    EXPECT_NO_THROW(rival.Open());
    EXPECT_EQ(observer.exclusiveFlag(), 1);
    EXPECT_TRUE(rival.Connected());
    EXPECT_THROW(holder.Open(), EComPort);
}

TEST(TComPortTest, EnumComPortsSortsCaseInsensitivelyAndReportsListerFailures) {
    std::vector<std::string> present = {"COM2", "COM10", "COM1", "com3"};
    TComPort port([&] { return present; });
    EXPECT_EQ(port.EnumComPorts(), (std::vector<std::string>{"COM1", "COM10", "COM2", "com3"}));

    present = {"ttyUSB1", "a_b", "AB", "ttyS0"};
    EXPECT_EQ(port.EnumComPorts(), (std::vector<std::string>{"a_b", "AB", "ttyS0", "ttyUSB1"}));

    present = {"com1", "COM1", "b"};
    const auto one = port.EnumComPorts();
    present = {"b", "COM1", "com1"};
    const auto other = port.EnumComPorts();
    EXPECT_EQ(one, other);
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[0], "b");

    present = {};
    EXPECT_TRUE(port.EnumComPorts().empty());

    TComPort failing([]() -> std::vector<std::string> { throw std::runtime_error("no access"); });
    auto error = raised([&] { failing.EnumComPorts(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->operation(), "enumerate ports");
    EXPECT_EQ(error->systemError(), 0);

    TComPort oddlyFailing([]() -> std::vector<std::string> { throw 42; });
    EXPECT_THROW(oddlyFailing.EnumComPorts(), EComPort);

    TComPort portFailing([]() -> std::vector<std::string> { throw EComPort("scan", EIO); });
    error = raised([&] { portFailing.EnumComPorts(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->operation(), "scan");
    EXPECT_EQ(error->systemError(), EIO);

    TComPort noLister(nullptr);
    EXPECT_THROW(noLister.EnumComPorts(), EComPort);
}

// A dealer's /dev/serial/by-id link or a simulated machine's link is not in the system's list of ports; when
// it is the chosen port it must still be listed, or the chooser would replace it by another port.
TEST(TComPortTest, EnumComPortsAlsoListsTheCurrentPortWhenItIsAPathToADevice) {
    PtyPair pty;
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("osk-enum-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    const std::string byId = folder + "/usb-Orvane_Machine-if00-port0";
    const std::string plainFile = folder + "/not-a-device";
    const std::string dangling = folder + "/gone";
    std::filesystem::create_symlink(pty.slavePath(), byId);
    std::ofstream(plainFile) << "text";
    std::filesystem::create_symlink(folder + "/nothing-here", dangling);

    TComPort port([] { return std::vector<std::string>{"ttyUSB0", "ttyS0"}; });
    const std::vector<std::string> system{"ttyS0", "ttyUSB0"};
    EXPECT_EQ(port.EnumComPorts(), system) << "no port chosen yet";
    port.SetPort(byId);
    EXPECT_EQ(port.EnumComPorts(), (std::vector<std::string>{byId, "ttyS0", "ttyUSB0"}));
    port.SetPort(pty.slavePath());
    EXPECT_EQ(port.EnumComPorts(), (std::vector<std::string>{pty.slavePath(), "ttyS0", "ttyUSB0"}));
    for (const std::string& notAPort :
         {plainFile, dangling, folder, folder + "/absent", std::string("ttyACM0")}) {
        port.SetPort(notAPort);
        EXPECT_EQ(port.EnumComPorts(), system) << notAPort;
    }
    TComPort listing([&] { return std::vector<std::string>{byId, "ttyS0"}; });
    listing.SetPort(byId);
    EXPECT_EQ(listing.EnumComPorts(), (std::vector<std::string>{byId, "ttyS0"})) << "listed once";

    std::filesystem::remove_all(folder);
}

TEST(TComPortTest, ClearBufferDiscardsOnlyTheQueuesAskedFor) {
    PtyPair pty;
    TComPort port(noPorts);
    port.SetPort(pty.slavePath());
    port.Open();

    pty.send({'a', 'b', 'c', 'd', 'e'});
    ASSERT_EQ(waitForInput(port, 5), 5);
    port.ClearBuffer(false, false);
    EXPECT_EQ(port.InputCount(), 5);
    port.ClearBuffer(false, true);
    EXPECT_EQ(port.InputCount(), 5);

    const Bytes reply = {'o', 'k', '\r', '\n'};
    ASSERT_EQ(port.Write(reply.data(), 4), 4);
    ASSERT_EQ(waitForMasterInput(pty, 4), 4);
    port.ClearBuffer(true, false);
    EXPECT_EQ(port.InputCount(), 0);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port.Read(buffer, 8), 0);
    EXPECT_EQ(pty.receive(4), reply);

    // The line keeps working after a flush, and both queues at once are cleared as well.
    pty.send({'x', 'y'});
    ASSERT_EQ(waitForInput(port, 2), 2);
    ASSERT_EQ(port.Read(buffer, 8), 2);
    EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{'x', 'y'}));
    pty.send({'z'});
    ASSERT_EQ(waitForInput(port, 1), 1);
    port.ClearBuffer(true, true);
    EXPECT_EQ(port.InputCount(), 0);
}
