// The simulator as a program, through a real pseudo-terminal, with the program's own serial port as the PC.
#include "core/link/EComPort.h"
#include "core/link/TComPort.h"
#include "support/MachineSimulator.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::vector<std::string> noPorts() {
    return {};
}

class Pc {
public:
    explicit Pc(const std::string& device) : port(noPorts) {
        port.SetPort(device);
        port.Open();
    }

    void send(const std::string& text) {
        port.Write(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
    }
    void send(const Bytes& bytes) { port.Write(bytes.data(), static_cast<int>(bytes.size())); }

    // Collects until count bytes have come or nothing has come for quietMs.
    Bytes receive(std::size_t count, int quietMs = 3000) {
        Bytes got;
        auto lastByte = SteadyClock::now();
        while (got.size() < count && SteadyClock::now() - lastByte < milliseconds(quietMs)) {
            const int waiting = port.InputCount();
            if (waiting == 0) {
                std::this_thread::sleep_for(milliseconds(2));
                continue;
            }
            Bytes chunk(static_cast<std::size_t>(waiting));
            chunk.resize(static_cast<std::size_t>(port.Read(chunk.data(), waiting)));
            got.insert(got.end(), chunk.begin(), chunk.end());
            lastByte = SteadyClock::now();
        }
        return got;
    }

    // "T" twice, as the test mode switch does; the first is not echoed. The buffers are cleared only once
    // the machine has read the first: on a pseudo-terminal a byte not yet read would be cleared with them,
    // and the second "T" would then be the first the machine sees.
    void enterTestMode(const MachineSimulator& sim) {
        const auto ts = [&] {
            const std::vector<std::string> lines = sim.traceLines();
            return std::count(lines.begin(), lines.end(), "T");
        };
        const auto before = ts();
        send("T");
        const auto deadline = SteadyClock::now() + milliseconds(5000);
        while (ts() == before && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(2));
        port.ClearBuffer(true, true);
        send("T");
        ASSERT_EQ(receive(1), Bytes{0x54});
    }

    TComPort port;
};

Bytes readFile(const std::string& path) {
    const std::string text = TempDir::read(path);
    return Bytes(text.begin(), text.end());
}

} // namespace

TEST(MachineSimEndToEndTest, AnswersTestModeInfoAndHistoryLikeTheMachine) {
    TempDir dir;
    // A version without extra block: the .bin file is the info frame and the image.
    MachineSimulator sim(
        {"--no-pace", "--seed", "5", "--firmware", "19.1.1.1", "--save-bin", dir.file("m.bin")});
    const Bytes bin = readFile(dir.file("m.bin"));
    const std::size_t frame = bin.size() - 8192;
    ASSERT_TRUE(frame == 16 || frame == 18) << bin.size();
    Pc pc(sim.devicePath());

    pc.send("I");
    EXPECT_TRUE(pc.receive(1, 200).empty()) << "no answer before test mode";
    pc.enterTestMode(sim);
    pc.send("I");
    EXPECT_EQ(pc.receive(frame), Bytes(bin.begin(), bin.begin() + static_cast<std::ptrdiff_t>(frame)));
    pc.send("H");
    const Bytes history = pc.receive(8194, 500);
    ASSERT_EQ(history.size(), 8194u);
    EXPECT_TRUE(std::equal(bin.begin() + static_cast<std::ptrdiff_t>(frame), bin.end(), history.begin()));
    EXPECT_TRUE(sim.waitForTraceLine("H"));
    EXPECT_EQ(sim.traceLines(), (std::vector<std::string>{"ignored 49", "T", "T", "I", "H"}));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(MachineSimEndToEndTest, APacedAnswerArrivesWholeAndInOrder) {
    TempDir dir;
    MachineSimulator sim(
        {"--firmware", "19.1.1.1", "--history-truncate", "1200", "--save-bin", dir.file("m.bin")});
    const Bytes bin = readFile(dir.file("m.bin"));
    const auto frame = static_cast<std::ptrdiff_t>(bin.size() - 8192);
    Pc pc(sim.devicePath());
    pc.enterTestMode(sim);
    pc.send("I");
    EXPECT_EQ(pc.receive(static_cast<std::size_t>(frame)), Bytes(bin.begin(), bin.begin() + frame));
    pc.send("H");
    const Bytes history = pc.receive(1200, 500);
    ASSERT_EQ(history.size(), 1200u);
    EXPECT_TRUE(std::equal(history.begin(), history.end(), bin.begin() + frame));
}

// A real serial port outlives the PC closing it; so must the simulated one.
TEST(MachineSimEndToEndTest, ServesAPcThatClosesAndReopensThePortManyTimes) {
    MachineSimulator sim({"--no-pace"});
    for (int cycle = 0; cycle < 40; ++cycle) {
        Pc pc(sim.devicePath());
        pc.port.ClearBuffer(true, true);
        pc.send("T");
        // On a pseudo-terminal a byte is on the wire only once the far end has read it: the next cycle's
        // ClearBuffer would discard it otherwise, as a real port discards a byte it has not sent yet.
        if (cycle == 0) {
            ASSERT_TRUE(sim.waitForTraceLine("T"));
        } else {
            ASSERT_EQ(pc.receive(1), Bytes{0x54}) << "cycle " << cycle;
        }
    }
    EXPECT_TRUE(sim.running());
    Pc pc(sim.devicePath());
    pc.send("I");
    const std::size_t frame = pc.receive(18, 300).size();
    EXPECT_TRUE(frame == 16 || frame == 18) << frame;
}

// A real port forgets its exclusive flag and unread bytes at its last close; a PC that was killed while
// holding it must not leave it busy for the next one.
TEST(MachineSimEndToEndTest, TheLastCloseClearsTheExclusiveFlagAndTheUnreadBytes) {
    MachineSimulator sim({"--no-pace"});
    {
        Pc pc(sim.devicePath());
        pc.enterTestMode(sim);
        pc.send("I");
        const auto deadline = SteadyClock::now() + milliseconds(2000);
        while (pc.port.InputCount() < 16 && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(2));
        ASSERT_GE(pc.port.InputCount(), 16);
    }
    const int killed = ::open(sim.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(killed, 0);
    ASSERT_EQ(::ioctl(killed, TIOCEXCL), 0);
    ::close(killed); // without giving the flag back, as when the process dies

    // Each look opens the device too; the simulator settles once the last of them has closed.
    int exclusive = -1;
    int unread = -1;
    const auto deadline = SteadyClock::now() + milliseconds(3000);
    while ((exclusive != 0 || unread != 0) && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(20));
        const int look = ::open(sim.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(look, 0);
        ::ioctl(look, TIOCGEXCL, &exclusive);
        ::ioctl(look, FIONREAD, &unread);
        ::close(look);
    }
    EXPECT_EQ(exclusive, 0);
    EXPECT_EQ(unread, 0);
}

TEST(MachineSimEndToEndTest, ADisconnectMidAnswerEndsThePcsReadingWithAPortError) {
    TempDir dir;
    const std::string link = dir.file("machine");
    MachineSimulator sim({"--no-pace", "--disconnect-at", "H:3000", "--link", link});
    Pc pc(link);
    pc.enterTestMode(sim);
    pc.send("H");
    bool raised = false;
    std::size_t received = 0;
    const auto deadline = SteadyClock::now() + milliseconds(5000);
    while (!raised && SteadyClock::now() < deadline) {
        try {
            const int waiting = pc.port.InputCount();
            Bytes chunk(static_cast<std::size_t>(waiting));
            received += static_cast<std::size_t>(pc.port.Read(chunk.data(), waiting));
            std::this_thread::sleep_for(milliseconds(5));
        } catch (const EComPort&) {
            raised = true;
        }
    }
    EXPECT_TRUE(raised);
    EXPECT_LE(received, 3000u);
    ASSERT_TRUE(sim.waitForExit(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(sim.devicePath())) << "the device is gone";
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(sim.traceLines().back(), "disconnect");
}

TEST(MachineSimEndToEndTest, TheLinkLeadsToTheDeviceUntilTheSimulatorStops) {
    TempDir dir;
    const std::string link = dir.file("machine");
    TempDir::write(link, "an old file in the way");
    MachineSimulator sim({"--no-pace", "--link", link});
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.devicePath());
    {
        Pc pc(link);
        pc.enterTestMode(sim);
    }
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(MachineSimEndToEndTest, RecordsTheUpgradeRowsAndEndsAfterB) {
    TempDir dir;
    TempDir::write(dir.file("up.QVL"), "V2.01[TAG]\r\n[MAIN]\r\n0a1b2c\r\n50515253\r\n[EXT]\r\n\r\n06\r\n");
    MachineSimulator sim(
        {"--no-pace", "--row-delay-ms", "1", "--qvl", dir.file("up.QVL"), "--exit-after-upgrade"});
    Pc pc(sim.devicePath());
    pc.send("t");
    std::this_thread::sleep_for(milliseconds(50));
    pc.send("B");
    ASSERT_EQ(pc.receive(1), Bytes{0x06});
    const std::vector<MachineSimulator::Row> rows = {
        {'P', {0x0A, 0x1B, 0x2C}}, {'P', {0x50, 0x51, 0x52, 0x53}}, {'R', {}}, {'R', {0x06}}};
    for (const auto& row : rows) {
        pc.send(Bytes{row.command});
        pc.send(row.bytes);
        ASSERT_EQ(pc.receive(1), Bytes{0x06});
    }
    pc.send("b");
    ASSERT_TRUE(sim.waitForExit(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_EQ(sim.rows(), rows);
}

TEST(MachineSimEndToEndTest, RefusedArgumentsFailToStart) {
    EXPECT_THROW(MachineSimulator({"--disconnect-at", "Z:1"}), std::runtime_error);
}
