// "Load history" in the main window, on the real serial port and the real clock, against the simulated
// machine on a pseudo-terminal: the scan finds it, the download files the record under its machine, or
// through the insert and create dialogs for a machine the database does not know.

#include "core/database/DBMowerFile.h"
#include "core/history/FXUMowerLog.h"
#include "core/link/LinkLog.h"
#include "core/link/TComPort.h"
#include "support/FilingDialogs.h"
#include "support/MachineSimulator.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/StretchedClock.h"
#include "support/TempDir.h"
#include "tools/gen/DemoDatabase.h"
#include "ui/ModalRunner.h"
#include "ui/TComComboBox.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"

#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

std::string hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

class LoadHistoryEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        DemoDatabase::Write(dir.file("db"), 3);
        // Automatic mode: the scan lists an absent port and the machine's.
        TempDir::write(dir.file("orvane-service-kit.INI"),
                       "[GENERAL]\nLANGUAGE=0\n[FILEPATH]\nDBPATH=" + dir.file("db") + "\n[COM]\nAUTO=1\n");
        auto port = std::make_unique<TComPort>([this] { return ports; });
        window =
            std::make_unique<TFXUMainForm>(dir.file("orvane-service-kit"), std::move(port), clock, prompts);
    }
    void TearDown() override {
        ModalRunner::setRunner({});
        testing::internal::CaptureStdout();
        window->close();
        testing::internal::GetCapturedStdout();
        window.reset();
        std::filesystem::current_path(previousDirectory);
        releaseSharedState();
    }

    // The simulated machine, listed after a port that is not there.
    std::unique_ptr<MachineSimulator> machine(const std::vector<std::string>& identity) {
        std::vector<std::string> args{
            "--no-pace",  "--firmware",           "19.3.20.0", "--link", dir.file("ttyMACHINE"),
            "--save-bin", dir.file("machine.bin")};
        args.insert(args.end(), identity.begin(), identity.end());
        auto sim = std::make_unique<MachineSimulator>(args);
        ports = {dir.file("ttyUSB9"), dir.file("ttyMACHINE")};
        return sim;
    }
    // The .bin file the machine's history gives: what the download must have received.
    std::vector<std::uint8_t> machineBin() const {
        const std::string bin = TempDir::read(dir.file("machine.bin"));
        return {bin.begin(), bin.end()};
    }
    bool imageIsTheDownloaded(const FXULog& record) {
        const FXULog::Image& image = record.image();
        return std::equal(image.begin(), image.end(), window->downloadedHistory().image());
    }
    static std::string logText() {
        std::string text;
        for (const std::string& line : eventLogTexts())
            text += line + "\n";
        return text;
    }
    static std::size_t recordsOnDisk(const std::string& file) {
        DBMowerFile machineFile;
        machineFile.SetFileName(file);
        machineFile.LoadMachineFile();
        return machineFile.mowerLog().Count();
    }

    TempDir dir;
    std::filesystem::path previousDirectory;
    Strings ports;
    StretchedClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<TFXUMainForm> window;
};

} // namespace

TEST_F(LoadHistoryEndToEndTest, TheRecordIsFiledUnderTheMachineWithItsSerialNumber) {
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(1);
    ASSERT_TRUE(owner->Open());
    const std::size_t before = owner->GetMowerLog().Count();
    const auto sim = machine({"--serial", hex8(owner->GetSerialNumber()), "--type-byte", "04"});

    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();

    ASSERT_EQ(prompts.shown.size(), 1u) << logText();
    EXPECT_EQ(prompts.shown[0].text, "New history insertion done") << logText();
    ASSERT_EQ(owner->GetMowerLog().Count(), before + 1);
    EXPECT_EQ(recordsOnDisk(owner->fileName()), before + 1) << "written at once";
    const FXULog& record = *owner->GetMowerLog().records().rbegin()->second;
    EXPECT_EQ(record.logTime(), window->downloadedHistory().time);
    EXPECT_EQ(window->downloadedHistory().binFile(), machineBin());
    EXPECT_TRUE(imageIsTheDownloaded(record));
    const std::string serial = LinkLog::serialText(owner->GetSerialNumber());
    const Strings log = eventLogTexts();
    EXPECT_EQ(Strings(log.end() - 7, log.end()),
              (Strings{"Request loading history", "Trying port: " + dir.file("ttyUSB9"),
                       "Couldn't open port " + dir.file("ttyUSB9"), "Trying port: " + dir.file("ttyMACHINE"),
                       "Machine connected on port: " + dir.file("ttyMACHINE"),
                       "Loading history successful machine: " + serial,
                       "New log insert successfull machine: " + serial}));
    EXPECT_FALSE(window->comPort().Connected()) << "closed after the download";
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->count(), 2)
        << "the scan shows the ports it tried";
    EXPECT_FALSE(window->operationRunning());
}

TEST_F(LoadHistoryEndToEndTest, AMachineTheDatabaseDoesNotKnowIsCreatedThroughTheDialogs) {
    const auto sim = machine({"--serial", "0BADF00D", "--type-byte", "07"});
    const std::size_t machines =
        window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size();

    // Closing the insert dialog files nothing.
    int dialogs = 0;
    ModalRunner::setRunner([&](QDialog&) {
        ++dialogs;
        return 2;
    });
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    EXPECT_EQ(dialogs, 1) << logText();
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(), machines);
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.at(0).text;

    ModalRunner::setRunner(createMachineThroughTheDialogs);
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();

    TDBMower* created =
        window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->FindBySerial(0x0BADF00D);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(),
              machines + 1);
    EXPECT_EQ(created->GetMowerLog().typeCode(), 7) << "the type from the machine's type byte";
    EXPECT_EQ(created->GetMowerLog().Count(), 1u);
    EXPECT_EQ(
        recordsOnDisk(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->PathFor(0x0BADF00D)),
        1u);
    EXPECT_EQ(window->downloadedHistory().binFile(), machineBin());
    EXPECT_TRUE(imageIsTheDownloaded(*created->GetMowerLog().records().begin()->second));
}
