// The main window's machine commands: load history and upgrade, driven through their buttons against a
// scripted machine, with the dialogs answered by the test.

#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/Cp1252.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/LinkLog.h"
#include "support/FilingDialogs.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/DemoDatabase.h"
#include "ui/ModalRunner.h"
#include "ui/TComComboBox.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"
#include "ui/TinsertForm.h"

#include <QListWidget>
#include <QMessageBox>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Strings = std::vector<std::string>;

constexpr std::uint32_t kVersion = 0x13031400; // asked with "D", sends an extra block

class MachineCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        DemoDatabase::Write(dir.file("db"), 3);
        TempDir::write(dir.file("orvane-service-kit.INI"),
                       "[GENERAL]\nLANGUAGE=0\n[FILEPATH]\nDBPATH=" + dir.file("db") +
                           "\n[COM]\nAUTO=0\nPORT=ttyUSB0\n");
        auto scripted = std::make_unique<ScriptedPort>(clock);
        port = scripted.get();
        port->ports = {"ttyS0", "ttyUSB0"};
        window = std::make_unique<TFXUMainForm>(dir.file("orvane-service-kit"), std::move(scripted), clock,
                                                prompts);
        prompts.shown.clear();
    }
    void TearDown() override {
        ModalRunner::setRunner({});
        if (!window->closed()) {
            testing::internal::CaptureStdout();
            window->close();
            testing::internal::GetCapturedStdout();
        }
        window.reset();
        std::filesystem::current_path(previousDirectory);
        releaseSharedState();
    }

    // A machine answering with this serial number.
    void machine(std::uint32_t serialNumber) {
        ScriptedMachine::answerAsMachine(*port, ScriptedMachine::frame(kVersion, serialNumber, 0x21, 0x04),
                                         ScriptedMachine::historyAnswer(ScriptedMachine::image(), &block));
    }
    Strings logSince(const std::string& first) const {
        const Strings log = eventLogTexts();
        const auto from = std::find(log.begin(), log.end(), first);
        return Strings(from, log.end());
    }
    static std::size_t recordsOnDisk(const TDBMower& machine) {
        DBMowerFile file;
        file.SetFileName(machine.fileName());
        file.LoadMachineFile();
        return file.mowerLog().Count();
    }

    TempDir dir;
    std::filesystem::path previousDirectory;
    VirtualClock clock;
    ScriptedPrompts prompts;
    ScriptedPort* port = nullptr;
    std::unique_ptr<TFXUMainForm> window;
    const std::vector<std::uint8_t> block = std::vector<std::uint8_t>(70, 0x5A);
};

} // namespace

TEST_F(MachineCommandsTest, ADownloadItsMachineFileDoesNotTakeIsKeptAsAHistoryFileAndNotReportedAsDone) {
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(1);
    machine(owner->GetSerialNumber());
    ::chmod(owner->fileName().c_str(), 0444);

    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();

    const std::string serial = LinkLog::serialText(owner->GetSerialNumber());
    const std::string kept =
        dir.file("unsaved/" + serial + "/" + BinHistoryFile::FileNameFor(window->downloadedHistory().time));
    EXPECT_TRUE(std::filesystem::is_regular_file(kept)) << "beside the settings file";
    ASSERT_EQ(prompts.shown.size(), 1u) << "no success message after it";
    EXPECT_EQ(prompts.shown[0].text,
              ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenHistoryKept,
                                 {owner->GetMachineNumberText(), dir.file("unsaved/" + serial)}));
    const Strings log = eventLogTexts();
    EXPECT_EQ(std::find(log.begin(), log.end(), "New log insert successfull machine: " + serial), log.end());
    ASSERT_NE(owner->window(), nullptr) << "the record stays in its window";
}

TEST_F(MachineCommandsTest, LoadHistoryFilesTheRecordUnderTheMachineWithItsSerialNumber) {
    ASSERT_TRUE(window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->isEnabled());
    ASSERT_TRUE(window->findChild<QToolButton*>(QStringLiteral("upgradeToolButt"))->isEnabled());
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(1);
    ASSERT_TRUE(owner->Open());
    const std::size_t before = owner->GetMowerLog().Count();
    machine(owner->GetSerialNumber());

    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();

    EXPECT_FALSE(window->operationRunning());
    EXPECT_FALSE(port->Connected()) << "closed after the download";
    EXPECT_EQ(port->commands().back(), 'D');
    ASSERT_EQ(owner->GetMowerLog().Count(), before + 1);
    EXPECT_EQ(recordsOnDisk(*owner), before + 1) << "written at once";
    const FXULog& record = *owner->GetMowerLog().records().rbegin()->second;
    EXPECT_EQ(record.image(), ScriptedMachine::image());
    EXPECT_EQ(record.extraBlock(), block);
    EXPECT_EQ(record.typeByte(), 0x04);
    EXPECT_EQ(record.logTime(), window->downloadedHistory().time);

    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "New history insertion done");
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Information);
    const std::string serial = LinkLog::serialText(owner->GetSerialNumber());
    EXPECT_EQ(logSince("Request loading history"),
              (Strings{"Request loading history", "Loading history successful machine: " + serial,
                       "New log insert successfull machine: " + serial}));
    EXPECT_NE(std::find(prompts.progressWindow.calls.begin(), prompts.progressWindow.calls.end(), "max:8320"),
              prompts.progressWindow.calls.end());
}

TEST_F(MachineCommandsTest, AnUnknownMachineIsFiledThroughTheInsertOrCreateDialog) {
    machine(0x0BADF00D);
    TDBMower* chosen = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(2);
    ASSERT_TRUE(chosen->Open());
    const std::size_t before = chosen->GetMowerLog().Count();
    int insertShown = 0;
    ModalRunner::setRunner([&](QDialog& dialog) {
        auto* insert = dynamic_cast<TinsertForm*>(&dialog);
        if (!insert)
            return 2;
        ++insertShown;
        insert->machineIdListBox->setCurrentRow(2);
        insert->insertButtClick();
        return insert->result();
    });
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    EXPECT_EQ(insertShown, 1);
    EXPECT_EQ(chosen->GetMowerLog().Count(), before + 1);
    EXPECT_EQ(recordsOnDisk(*chosen), before + 1);
    EXPECT_TRUE(prompts.shown.empty()) << "the dialog says nothing when it files";
    EXPECT_EQ(eventLogTexts().back(), "Loading history successful machine: 0BADF00D");

    // Create: the insert dialog's create button, then the owner data of the new machine.
    ModalRunner::setRunner(createMachineThroughTheDialogs);
    machine(0x0CAFE0CA);
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    TDBMower* created =
        window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->FindBySerial(0x0CAFE0CA);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetMowerLog().typeCode(), 4) << "the type from the record's type byte";
    EXPECT_EQ(recordsOnDisk(*created), 1u);
    EXPECT_TRUE(std::filesystem::exists(
        window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->PathFor(0x0CAFE0CA)));

    // Closing the dialog files nothing.
    ModalRunner::setRunner([](QDialog&) { return 2; });
    machine(0x0DEAD0DE);
    const std::size_t machines =
        window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size();
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(), machines);
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->FindBySerial(0x0DEAD0DE),
              nullptr);
}

TEST_F(MachineCommandsTest, UpgradeFilesTheHistoryFirstThenProgramsTheRows) {
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(0);
    ASSERT_TRUE(owner->Open());
    const std::size_t before = owner->GetMowerLog().Count();
    machine(owner->GetSerialNumber());
    TempDir::write(dir.file("fw.QVL"), "V2.01[TAG]\r\n[MAIN]\r\n0a1B\r\n");
    prompts.fileAnswers.push_back(dir.file("fw.QVL"));

    window->findChild<QToolButton*>(QStringLiteral("upgradeToolButt"))->click();

    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].filter, "Varnolt Upgrade File|*.QVL");
    EXPECT_EQ(owner->GetMowerLog().Count(), before + 1);
    Strings texts;
    for (const auto& shown : prompts.shown)
        texts.push_back(shown.text);
    EXPECT_EQ(texts, (Strings{"You are going to update with firmware version:V2.01",
                              "New history insertion done", "Upgrade done."}));
    EXPECT_EQ(port->written.back(), 'b');
    EXPECT_TRUE(port->Connected()) << "an upgrade leaves the port open";
    const Strings log = logSince("Request software update");
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[1], "Update file is: " + dir.file("fw.QVL"));
    EXPECT_EQ(log.back(), "start main section");
}

TEST_F(MachineCommandsTest, TheWindowCannotBeClosedWhileAnOperationRuns) {
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(0);
    machine(owner->GetSerialNumber());
    FXUStringTable::getInstance()->SetLanguage(1);
    bool tried = false;
    port->onOperation = [&](const std::string& operation) {
        if (!tried && operation == "count input" && port->commands().find('D') != std::string::npos) {
            tried = true;
            window->close();
        }
    };
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    ASSERT_TRUE(tried);
    EXPECT_FALSE(window->closed());
    ASSERT_NE(window->findChild<QMessageBox*>(QStringLiteral("closeRefusedBox")), nullptr);
    EXPECT_TRUE(window->findChild<QMessageBox*>(QStringLiteral("closeRefusedBox"))->isVisible());
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("closeRefusedBox"))->isModal());
    EXPECT_EQ(window->findChild<QMessageBox*>(QStringLiteral("closeRefusedBox"))->text().toStdString(),
              cp1252::toUtf8(ProgramTexts::Text(ProgramTexts::Id::OperationRunning, 1)));
    EXPECT_EQ(prompts.shown.back().text, FXUStringTable::getInstance()->Text(TextId::NewHistoryInsertionDone))
        << "the download went on";

    testing::internal::CaptureStdout();
    window->close();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(window->closed()) << "once it has ended";
}

TEST_F(MachineCommandsTest, AMachineUnpluggedMidDownloadFilesNothingAndRaisesNothing) {
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(0);
    ASSERT_TRUE(owner->Open());
    const std::size_t before = owner->GetMowerLog().Count();
    machine(owner->GetSerialNumber());
    port->onOperation = [&](const std::string&) {
        if (!port->unplugAtMs && port->commands().find('D') != std::string::npos)
            port->unplugAtMs = clock.nowMs() + 500;
    };
    EXPECT_NO_THROW(window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click());
    EXPECT_EQ(owner->GetMowerLog().Count(), before);
    EXPECT_EQ(prompts.shown.at(0).text, "Error while loading machine information");
    EXPECT_EQ(eventLogTexts().back().rfind("Couldn't load history : NbBytes loaded: ", 0), 0u);
    EXPECT_FALSE(port->Connected());
}

TEST_F(MachineCommandsTest, AutomaticModeScansAndShowsThePortsInTheChooser) {
    window->autoCOMMenuItemClick(); // back to automatic
    ASSERT_TRUE(window->autoCOM());
    TDBMower* owner = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(0);
    machine(owner->GetSerialNumber());
    port->machinePort = "ttyS0";
    port->ports = {"ttyS0", "ttyS1", "ttyUSB0"};
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->count(), 3);
    const Strings log = logSince("Request loading history");
    EXPECT_EQ(Strings(log.begin(), log.begin() + 4),
              (Strings{"Request loading history", "Trying port: ttyUSB0",
                       "Bad echo or no echo when switch in test mode, received byte: none on port: ttyUSB0",
                       "Trying port: ttyS1"}));
    EXPECT_EQ(prompts.shown.back().text, "New history insertion done");

    // A chosen port the user may not open says why, in the user's language.
    window->autoCOMMenuItemClick();
    ASSERT_FALSE(window->autoCOM());
    port->openErrors[port->PortName()] = EACCES;
    FXUStringTable::getInstance()->SetLanguage(4);
    prompts.shown.clear();
    window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              FXUStringTable::getInstance()->Text(TextId::SelectedPortNotFree) + "\n" +
                  ProgramTexts::Text(ProgramTexts::Id::PortAccessDenied, 4, {port->PortName()}));
}
