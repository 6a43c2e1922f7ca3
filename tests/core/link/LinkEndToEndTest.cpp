// The machine link on the real clock, through real pseudo-terminals, against the simulated machine.
#include "core/history/DownloadedHistory.h"
#include "core/link/FirmwareUpgrade.h"
#include "core/link/HistoryDownload.h"
#include "core/link/MachineLink.h"
#include "core/link/TComPort.h"
#include "core/link/UpgradeFile.h"
#include "support/MachineSimulator.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/StretchedClock.h"
#include "support/TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;
using Outcome = FirmwareUpgrade::Outcome;

// A serial port with nothing connected: a pseudo-terminal whose far end never reads or answers.
class SilentPort {
public:
    SilentPort() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char* name = nullptr;
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            (name = ::ptsname(master_)) == nullptr)
            throw std::runtime_error("pseudo-terminal set-up failed");
        path_ = name;
    }
    ~SilentPort() { ::close(master_); }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    const std::string& path() const { return path_; }

private:
    int master_ = -1;
    std::string path_;
};

Bytes readFile(const std::string& path) {
    const std::string text = TempDir::read(path);
    return Bytes(text.begin(), text.end());
}

// What the machine must receive for an upgrade file: each data row after its section's command.
std::vector<MachineSimulator::Row> rowsOf(const std::string& path) {
    std::string reason;
    const std::optional<UpgradeFile> file = UpgradeFile::read(path, reason);
    if (!file)
        throw std::runtime_error(reason);
    std::vector<MachineSimulator::Row> rows;
    std::uint8_t command = 0;
    for (std::size_t i = 1; i < file->rowCount(); ++i) {
        if (const UpgradeFile::Section* section = UpgradeFile::sectionOf(file->row(i)))
            command = section->command;
        else
            rows.push_back({command, UpgradeFile::decodeRow(file->row(i))});
    }
    return rows;
}

class LinkEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        FXUStringTable::getInstance()->SetLanguage(0);
        link.setAutoCOM(false);
    }
    void TearDown() override {
        link.closePort();
        releaseSharedState();
    }

    // Tag row, three sections, an empty data row, line ends of every kind.
    std::string upgradeFile() {
        const std::string path = dir.file("firmware.QVL");
        TempDir::write(path, "V3.10[TAG]\r\n[MAIN]\r\n0a1B2c3D\r\n00112233445566778899aabbccddeeff\n[FIR]\r"
                             "5051\r\n\r\n[EXT]\r\n" +
                                 std::string(606, 'E') + "\r\n06\r\n");
        prompts.fileAnswers.push_back(path);
        return path;
    }
    std::string shownTexts() const {
        std::string texts;
        for (const auto& shown : prompts.shown)
            texts += shown.text + "|";
        return texts;
    }

    TempDir dir;
    StretchedClock clock;
    ScriptedPrompts prompts;
    Strings ports;
    TComPort port{[this] { return ports; }};
    DownloadedHistory data;
    MachineLink link{port, clock, prompts, data.frame};
    HistoryDownload download{link, data};
    int stored = 0;
    FirmwareUpgrade upgrade{link, download, [this] {
                                ++stored;
                                return true;
                            }};
};

} // namespace

TEST_F(LinkEndToEndTest, AScanFindsTheMachineAfterAnAbsentAndASilentPort) {
    // Names that sort so that the scan, which starts at the greatest, meets the machine last.
    const std::string machine = dir.file("a-machine");
    const std::string silent = dir.file("b-silent");
    const std::string absent = dir.file("c-absent");
    MachineSimulator sim({"--no-pace", "--link", machine, "--save-bin", dir.file("m.bin")});
    SilentPort nothingConnected;
    std::filesystem::create_symlink(nothingConnected.path(), silent);
    ports = {machine, absent, silent};
    link.setAutoCOM(true);

    ASSERT_TRUE(link.openLink("ttyS0"));

    EXPECT_EQ(eventLogTexts(),
              (Strings{"Trying port: " + absent, "Couldn't open port " + absent, "Trying port: " + silent,
                       "Bad echo or no echo when switch in test mode, received byte: none on port: " + silent,
                       "Trying port: " + machine, "Machine connected on port: " + machine}));
    Strings positions;
    for (const std::string& call : prompts.progressWindow.calls)
        if (call.rfind("position:", 0) == 0)
            positions.push_back(call);
    EXPECT_EQ(positions, (Strings{"position:2", "position:1", "position:0"}));
    EXPECT_EQ(prompts.progressWindow.calls.back(), "hide");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.PortName(), machine);
    const Bytes bin = readFile(dir.file("m.bin"));
    const std::size_t frameSize = data.frame.hasExtBytes ? InfoFrame::kExtendedSize : InfoFrame::kPlainSize;
    const Bytes frame = data.binFile();
    EXPECT_TRUE(
        std::equal(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(frameSize), bin.begin()))
        << "the machine's info frame";
}

TEST_F(LinkEndToEndTest, AnUpgradeSavesTheHistoryThenProgramsEveryRowOfTheFile) {
    const std::string file = upgradeFile();
    // A version with an extra block: the history is asked for with "D".
    MachineSimulator sim({"--no-pace", "--firmware", "19.3.20.0", "--row-delay-ms", "1", "--qvl", file,
                          "--save-bin", dir.file("m.bin")});

    ASSERT_EQ(upgrade.run(sim.devicePath()), Outcome::Done) << shownTexts();

    EXPECT_EQ(stored, 1);
    EXPECT_TRUE(data.hasExtraBlock);
    EXPECT_EQ(data.binFile(), readFile(dir.file("m.bin"))) << "the history as the machine holds it";
    EXPECT_EQ(shownTexts(), "You are going to update with firmware version:V3.10|Upgrade done.|");
    ASSERT_TRUE(sim.waitForTraceLine("b"));
    EXPECT_EQ(sim.rows(), rowsOf(file));
    const Strings trace = sim.traceLines();
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [](const std::string& l) { return l.rfind("note", 0) == 0; }),
              0)
        << "every row came whole and under its section's command";
    const Strings log = eventLogTexts();
    for (const char* section : {"start main section", "start fir section", "start ext section"})
        EXPECT_NE(std::find(log.begin(), log.end(), section), log.end()) << section;
    EXPECT_TRUE(port.Connected()) << "an upgrade leaves the port open";
}

TEST_F(LinkEndToEndTest, ANakAtARowStopsTheUpgradeThereWithThePortOpen) {
    const std::string file = upgradeFile();
    // The third data row is on line 6 of the file.
    MachineSimulator sim({"--no-pace", "--row-delay-ms", "1", "--qvl", file, "--row-fault", "3:nak"});

    EXPECT_EQ(upgrade.run(sim.devicePath()), Outcome::ProgrammingFailed);

    EXPECT_EQ(eventLogTexts().back(), "Received NACK result for line 6 ");
    EXPECT_EQ(prompts.shown.back().text, "Error during upgrade!");
    EXPECT_EQ(prompts.shown.back().kind, Prompts::Kind::Error);
    EXPECT_TRUE(port.Connected());
    const std::vector<MachineSimulator::Row> all = rowsOf(file);
    EXPECT_EQ(sim.rows(), std::vector<MachineSimulator::Row>(all.begin(), all.begin() + 3));
    const Strings trace = sim.traceLines();
    EXPECT_EQ(std::find(trace.begin(), trace.end(), "b"), trace.end()) << "no end of upgrade after a NAK";
}

TEST_F(LinkEndToEndTest, AMachineThatDisappearsMidHistoryEndsTheDownloadWithItsMessage) {
    MachineSimulator sim({"--no-pace", "--firmware", "19.1.1.1", "--disconnect-at", "H:3000"});

    // On a busy computer the answer may come after the first attempt's 60 ms; the next attempt then meets
    // the device gone.
    EXPECT_FALSE(download.downloadHistory(sim.devicePath()));

    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Error while loading machine information");
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    const Strings log = eventLogTexts();
    ASSERT_GE(log.size(), 2u);
    EXPECT_TRUE(
        std::regex_match(log[log.size() - 2], std::regex("Port error on " + sim.devicePath() + " : .+")))
        << log[log.size() - 2];
    EXPECT_TRUE(std::regex_match(log.back(), std::regex("Couldn't load history : NbBytes loaded: "
                                                        "[0-9]+//Retry count :[1-3]")))
        << log.back();
    EXPECT_LE(data.received, 3000);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(prompts.progressWindow.calls.back(), "hide");
    ASSERT_TRUE(sim.waitForExit(5000));
}
