#include "core/base/CLogger.h"
#include "core/base/IniFile.h"
#include "core/database/DBMowerFile.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/TComPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/DemoDatabase.h"
#include "ui/ModalRunner.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"
#include "ui/TchangeODataForm.h"
#include "ui/history/TFXULogTab.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace {

// A program in a private folder; its database folder is "db" beside it.
class MainFormHarness {
public:
    // An empty DBPATH is the current directory: the test's own, never one that other test processes share
    // (the program locks its database folder and cleans it up).
    MainFormHarness() : previousDirectory_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir.path());
    }
    ~MainFormHarness() { std::filesystem::current_path(previousDirectory_); }
    std::string program() const { return dir.file("orvane-service-kit"); }
    std::string iniPath() const { return dir.file("orvane-service-kit.INI"); }
    std::string logPath() const { return dir.file("orvane-service-kit.log"); }
    void settings(const std::string& content) { TempDir::write(iniPath(), content); }
    IniFile ini() const { return IniFile(iniPath()); }

    std::unique_ptr<TFXUMainForm> start() {
        auto port = std::make_unique<TComPort>([] { return std::vector<std::string>{}; });
        return std::make_unique<TFXUMainForm>(program(), std::move(port), clock, prompts);
    }
    // The close, with the event log's "written" line kept off the test's output; true when the window closed.
    static bool close(TFXUMainForm& window) {
        testing::internal::CaptureStdout();
        const bool closed = window.close();
        testing::internal::GetCapturedStdout();
        return closed;
    }

    TempDir dir;
    VirtualClock clock;
    ScriptedPrompts prompts;

private:
    std::filesystem::path previousDirectory_;
};

struct Geometry {
    const char* name;
    int width, height, left, top;
    // What the window gets: -1 stands for the available screen's width or height.
    int wantWidth, wantHeight, wantLeft, wantTop;
};

void PrintTo(const Geometry& row, std::ostream* out) {
    *out << row.name;
}

class MainFormGeometry : public ::testing::TestWithParam<Geometry>, public MainFormHarness {
protected:
    void TearDown() override { releaseSharedState(); }
};

} // namespace

TEST_P(MainFormGeometry, SizeIsBoundedByTheScreenAndSavedAsApplied) {
    const Geometry& row = GetParam();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(QGuiApplication::screens().size(), 1) << "the off-screen platform has one screen";
    const int wantWidth = row.wantWidth < 0 ? screen.width() : row.wantWidth;
    const int wantHeight = row.wantHeight < 0 ? screen.height() : row.wantHeight;
    ASSERT_TRUE(screen.width() > 700 && screen.height() > 500) << "rows that fit must fit this screen";

    settings("[MainForm]\r\nHeight=" + std::to_string(row.height) + "\r\nWidth=" + std::to_string(row.width) +
             "\r\nTop=" + std::to_string(row.top) + "\r\nLeft=" + std::to_string(row.left) + "\r\n");
    auto window = start();
    EXPECT_EQ(window->width(), wantWidth);
    EXPECT_EQ(window->height(), wantHeight);
    EXPECT_EQ(window->x(), row.wantLeft);
    EXPECT_EQ(window->y(), row.wantTop);

    close(*window);
    EXPECT_EQ(ini().ReadInteger("MainForm", "Width", 0), wantWidth) << "written back as applied";
    EXPECT_EQ(ini().ReadInteger("MainForm", "Height", 0), wantHeight);
    EXPECT_EQ(ini().ReadInteger("MainForm", "Left", 0), row.wantLeft);
    EXPECT_EQ(ini().ReadInteger("MainForm", "Top", 0), row.wantTop);

    // The next start opens the same window again.
    window = start();
    EXPECT_EQ(window->size(), QSize(wantWidth, wantHeight));
    close(*window);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, MainFormGeometry, ::testing::Values(
    Geometry{"SizeThatFitsIsKept", 700, 500, 30, 20, 700, 500, 30, 20},
    Geometry{"HugeSizeIsBoundedByTheScreen", 999999, 999999, 30, 20, -1, -1, 30, 20},
    Geometry{"OnlyTheWidthTooLarge", 5000, 400, 0, 0, -1, 400, 0, 0},
    Geometry{"OnlyTheHeightTooLarge", 600, 40000, 0, 0, 600, -1, 0, 0},
    Geometry{"LargestNumbersAtTheFarEdge", 2147483647, 2147483647, 2147483647, 2147483647, -1, -1, 200, 130},
    Geometry{"HugeSizeOffTheScreenComesBackToTheDefaultPlace", 999999, 999999, -2147483647 - 1, 50, -1, -1, 200,
             130}),
    [](const ::testing::TestParamInfo<Geometry>& info) { return std::string(info.param.name); });
// clang-format on

namespace {

// A database of three machines in "db". The fault that keeps a machine file from being written: the folder is
// moved away and a plain file takes its name, as when a share or a stick is gone.
class MainFormSaves : public ::testing::Test, public MainFormHarness {
protected:
    void SetUp() override {
        ASSERT_EQ(DemoDatabase::Write(db, 3), 3);
        settings("[GENERAL]\r\nLANGUAGE=4\r\n[FILEPATH]\r\nDBPATH=" + db + "\r\n");
    }
    void TearDown() override {
        ModalRunner::setRunner({});
        releaseSharedState();
    }
    void breakFolder() {
        std::filesystem::rename(db, db + ".away");
        TempDir::write(db, "not a folder");
    }
    void mendFolder() {
        std::filesystem::remove(db);
        std::filesystem::rename(db + ".away", db);
    }
    static std::unique_ptr<DBMowerFile> onDisk(const std::string& path) {
        auto file = std::make_unique<DBMowerFile>();
        file->SetFileName(path);
        file->LoadMachineFile();
        return file;
    }
    static bool logged(const std::string& text) {
        for (const LogEntry& entry : CLogger::getInstance()->entries())
            if (entry.text.find(text) != std::string::npos)
                return true;
        return false;
    }

    const std::string db = dir.file("db");
};

} // namespace

TEST_F(MainFormSaves, AMachineFileThatCannotBeWrittenAtCloseKeepsTheProgramOpenUntilTheDealerDecides) {
    auto window = start();
    TDBMower* machine = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().front();
    machine->OpenWindow();
    const std::string path = machine->fileName();
    const std::string before = TempDir::read(path);
    machine->window()->tab(0)->commentEditor()->setPlainText("Blades changed");
    breakFolder();

    // Closing: the dealer is asked, in German; the default answer keeps everything open.
    prompts.whileShown = [&](const ScriptedPrompts::Shown&) {
        EXPECT_NE(TempDir::read(logPath()).find("Couldn't save machine file: "), std::string::npos)
            << "on disk before the question, which a logout may never see answered";
    };
    EXPECT_FALSE(close(*window));
    prompts.whileShown = {};
    EXPECT_FALSE(window->closed());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::RetryCloseCancel);
    EXPECT_EQ(prompts.shown[0].text, ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenAtClose, 4,
                                                        {machine->GetMachineNumberText(), path}));
    EXPECT_TRUE(logged("Couldn't save machine file: ")) << "the reason, in the event log still open";
    EXPECT_EQ(machine->window()->tab(0)->commentEditor()->toPlainText(), "Blades changed");
    EXPECT_NE(machine->GetMowerLog().At(0).second->comment().find("Blades changed"), std::string::npos)
        << "the edits are stored in the machine, ready for the next try";
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(), 3u);

    // Closing again: "try again" with the fault still there asks again; mended, the next try saves.
    prompts.answers = {Prompts::Answer::Retry, Prompts::Answer::Retry};
    prompts.whileShown = [&](const ScriptedPrompts::Shown&) {
        if (prompts.shown.size() == 3)
            mendFolder();
    };
    EXPECT_TRUE(close(*window));
    EXPECT_TRUE(window->closed());
    EXPECT_EQ(prompts.shown.size(), 3u);
    EXPECT_NE(TempDir::read(path), before);
    EXPECT_NE(onDisk(path)->mowerLog().At(0).second->comment().find("Blades changed"), std::string::npos);
    EXPECT_NE(TempDir::read(logPath()).find("Couldn't save machine file: "), std::string::npos);
}

TEST_F(MainFormSaves, CloseWithoutSavingClosesAndSaysSoInTheLog) {
    auto window = start();
    TDBMower* machine = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().front();
    machine->OpenWindow();
    const std::string path = machine->fileName();
    const std::string before = TempDir::read(path);
    machine->GetMowerLog().SetAddress("Changed");
    breakFolder();
    prompts.answers = {Prompts::Answer::CloseAnyway};
    EXPECT_TRUE(close(*window));
    EXPECT_EQ(prompts.shown.size(), 1u);
    mendFolder();
    EXPECT_EQ(TempDir::read(path), before);
    EXPECT_NE(TempDir::read(logPath()).find("Closed without saving machine file " + path), std::string::npos);
}

TEST_F(MainFormSaves, OwnerAndMachineNumberEditsAreInTheFileAtOnce) {
    auto window = start();
    TDBMower* machine = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().front();
    machine->OpenWindow();
    const std::string path = machine->fileName();
    const std::int32_t number = machine->GetMowerLog().typeCode() == 6 ? 5321 : 4321;
    const std::string otherPath =
        window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries()[1]->fileName();
    const std::string other = TempDir::read(otherPath);
    auto editOwner = [&](const QString& name) {
        ModalRunner::setRunner([&, name](QDialog& dialog) {
            auto& form = dynamic_cast<TchangeODataForm&>(dialog);
            form.oNameEdit->setText(name);
            form.machineIdMaskEdit->setText(QString::number(number));
            form.chgeButtClick();
            return form.result();
        });
        machine->window()->changeOwnerData->trigger();
    };

    // Read back while the program runs: a crash from here on loses nothing.
    editOwner(QStringLiteral("Dupré"));
    EXPECT_EQ(onDisk(path)->mowerLog().name(), "Dupr\xe9");
    EXPECT_EQ(onDisk(path)->mowerLog().machineNumber(), number);
    EXPECT_EQ(TempDir::read(otherPath), other) << "only that machine is written";
    EXPECT_TRUE(prompts.shown.empty());

    // A file that cannot be written: the dealer is told at once; the edit stays and the close saves it.
    breakFolder();
    editOwner(QStringLiteral("Lefèvre"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWritten, 4,
                                                        {machine->GetMachineNumberText()}));
    EXPECT_EQ(machine->GetMowerLog().name(), "Lef\xe8vre");
    mendFolder();
    EXPECT_EQ(onDisk(path)->mowerLog().name(), "Dupr\xe9");
    EXPECT_TRUE(close(*window));
    EXPECT_EQ(onDisk(path)->mowerLog().name(), "Lef\xe8vre");
}
