// orvane-link against orvane-machine-sim: two programs on a pseudo-terminal, a healthy machine and each
// fault the simulated machine can play, judged by the exit code and the last line on standard error.

#include "core/history/InfoFrame.h"
#include "core/link/LinkLog.h"
#include "support/MachineSimulator.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Data rows on lines 3, 4, 6 and 8.
constexpr const char* kUpgradeFile =
    "V1.23[TAG]\r\n[MAIN]\r\n0a1b\r\n2c3d4e\r\n[FIR]\r\n5f\r\n[EXT]\r\n6071\r\n";
const std::vector<MachineSimulator::Row> kRows = {
    {'P', {0x0A, 0x1B}}, {'P', {0x2C, 0x3D, 0x4E}}, {'Q', {0x5F}}, {'R', {0x60, 0x71}}};

ProgramRun runLink(const std::string& arguments, const TempDir& dir) {
    return runProgram(OSK_LINK_PROGRAM, arguments, dir);
}

Bytes readFile(const std::string& path) {
    const std::string text = TempDir::read(path);
    return Bytes(text.begin(), text.end());
}

void replaceAll(std::string& text, const std::string& what, const std::string& with) {
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
        text.replace(at, what.size(), with);
}

// The info frame of a .bin file whose firmware version has no extra block.
InfoFrame frameOfBin(const Bytes& bin) {
    InfoFrame frame;
    const std::size_t size = bin.size() - 8192;
    frame.hasExtBytes = size == InfoFrame::kExtendedSize;
    std::copy_n(bin.begin(), 6, frame.identBytes.begin());
    if (frame.hasExtBytes)
        std::copy_n(bin.begin() + 6, 2, frame.extBytes.begin());
    std::copy_n(bin.begin() + static_cast<std::ptrdiff_t>(size - 10), 10, frame.infoBlock.begin());
    return frame;
}

struct Case {
    const char* name;
    std::vector<std::string> sim; // faults and machine, besides --no-pace
    const char* command;          // "download" or "upgrade"
    int exitCode;
    // The last line on standard error: {port} stands for the port, {badInfo} for the "Bad info" line of
    // this machine's frame with its last bytes changed; a pattern when it starts with "~".
    std::string last;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class LinkWithSimulatorTest : public testing::TestWithParam<Case> {};

} // namespace

TEST_P(LinkWithSimulatorTest, ExitCodeAndLastLogLine) {
    const Case& c = GetParam();
    TempDir dir;
    const std::string qvl = dir.file("fw.QVL");
    TempDir::write(qvl, kUpgradeFile);
    // A version without extra block, so that a .bin file is the frame and the image.
    std::vector<std::string> simArgs{"--no-pace", "--firmware", "19.1.1.1",   "--row-delay-ms",       "1",
                                     "--qvl",     qvl,          "--save-bin", dir.file("machine.bin")};
    for (const std::string& arg : c.sim)
        simArgs.push_back(arg);
    MachineSimulator sim(simArgs);
    const std::string port = sim.devicePath();
    const std::string out = dir.file("history.bin");

    const bool download = std::string(c.command) == "download";
    const ProgramRun run =
        download
            ? runLink("download --port " + port + " --out '" + out + "'", dir)
            : runLink("upgrade --port " + port + " --yes --history-out '" + out + "' '" + qvl + "'", dir);

    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    std::string expected = c.last;
    replaceAll(expected, "{port}", port);
    replaceAll(expected, "{out}", out);
    if (expected.find("{badInfo}") != std::string::npos) {
        InfoFrame frame = frameOfBin(readFile(dir.file("machine.bin")));
        if (c.sim.back() == "bootloader")
            frame.infoBlock[9] = 0x20;
        else
            frame.infoBlock[5] = std::min<std::uint8_t>(frame.infoBlock[5], 0x03);
        replaceAll(expected, "{badInfo}", LinkLog::badInfo(frame));
    }
    if (expected.rfind("~", 0) == 0)
        EXPECT_TRUE(std::regex_match(lastLine(run.err), std::regex(expected.substr(1)))) << run.err;
    else
        EXPECT_EQ(lastLine(run.err), expected) << run.err;

    if (c.exitCode == 0) {
        EXPECT_EQ(readFile(out), readFile(dir.file("machine.bin"))) << "the history as the machine holds it";
    }
    if (!download && c.exitCode == 0) {
        ASSERT_TRUE(sim.waitForTraceLine("b"));
        EXPECT_EQ(sim.rows(), kRows);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LinkWithSimulatorTest,
    testing::Values(
        Case{"Download", {}, "download", 0, "History file written: {out}"},
        Case{"Upgrade", {}, "upgrade", 0, "start ext section"},
        Case{"BehindASlowAdapter",
             {"--echo-delay", "25", "--info-delay", "150"},
             "download",
             0,
             "History file written: {out}"},
        Case{"CompleteAtTheThirdAttempt",
             {"--history-truncate", "8000", "--history-faults", "2"},
             "download",
             0,
             "History file written: {out}"},
        Case{"NoEcho",
             {"--no-echo"},
             "download",
             1,
             "Bad echo or no echo when switch in test mode, received byte: none on port: {port}"},
        Case{"WrongEcho",
             {"--wrong-echo", "41"},
             "download",
             1,
             "Bad echo or no echo when switch in test mode, received byte: 65 on port: {port}"},
        Case{"NoiseAfterT",
             {"--noise-after-t", "700"},
             "download",
             1,
             "not able to pass in test mode (on port){port}"},
        Case{"ShortInfoFrame",
             {"--info-short", "10"},
             "download",
             1,
             "info frame timeout, size of received frame :10 infoWaitTime = 0"},
        Case{"InvalidBootloader", {"--info-invalid", "bootloader"}, "download", 1, "{badInfo}"},
        Case{"InvalidSerial", {"--info-invalid", "serial"}, "download", 1, "{badInfo}"},
        Case{"NoHistory",
             {"--history-truncate", "0"},
             "download",
             1,
             "Couldn't load history : NbBytes loaded: 0//Retry count :3"},
        Case{"HistoryOneByteShort",
             {"--history-truncate", "8193"},
             "download",
             1,
             "Couldn't load history : NbBytes loaded: 8193//Retry count :3"},
        Case{"HistoryWithBrokenExtraBlock",
             {"--firmware", "19.3.20.0", "--history-truncate", "8200"},
             "download",
             1,
             "Couldn't load history : NbBytes loaded: 8200//Retry count :3"},
        Case{"OtherSyncAnswer", {"--sync-answer", "06,41"}, "upgrade", 1, "waitForSynchro return false"},
        Case{"NoSyncAnswer", {"--sync-answer", "none"}, "upgrade", 1, "waitForSynchro return false"},
        Case{"NakAtARow", {"--row-fault", "2:nak"}, "upgrade", 1, "Received NACK result for line 4 "},
        Case{"OtherByteAtARow",
             {"--row-fault", "3:07"},
             "upgrade",
             1,
             "Unexpected result while programming line 6 : 07"},
        Case{"SilenceAtARow", {"--row-fault", "4:silence"}, "upgrade", 1, "timeout when programming line 8 "},
        Case{"DisconnectMidHistory",
             {"--disconnect-at", "H:3000"},
             "download",
             1,
             "~Couldn't load history : NbBytes loaded: [0-9]+//Retry count :[1-3]"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
