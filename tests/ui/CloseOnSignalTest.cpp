#include "ui/CloseOnSignal.h"

#include "core/base/CLogger.h"
#include "core/base/IniFile.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/link/TComPort.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/DemoDatabase.h"
#include "ui/QtPrompts.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A window that refuses its first closes, as the main window does while a machine operation runs.
class RefusingWindow : public QWidget {
public:
    explicit RefusingWindow(int refusals = 0) : refusals_(refusals) {}
    int closeEvents = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeEvents;
        if (refusals_ > 0) {
            --refusals_;
            event->ignore();
        } else {
            event->accept();
        }
    }

private:
    int refusals_;
};

// Runs the event loop until done() holds; false if it still does not after a bound meant only for a hang.
template <typename Done> bool pumpUntil(Done done) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void pumpFor(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    pumpUntil([&] { return elapsed.elapsed() >= ms; });
}

// Each test starts with the three signals handled by default, whatever the process that ran it did with
// them (a background job starts with SIGINT ignored), and leaves them as it found them.
class CloseOnSignalTest : public testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < CloseOnSignal::kSignals.size(); ++i) {
            struct sigaction byDefault {};
            byDefault.sa_handler = SIG_DFL;
            ::sigaction(CloseOnSignal::kSignals[i], &byDefault, &saved_[i]);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < CloseOnSignal::kSignals.size(); ++i)
            ::sigaction(CloseOnSignal::kSignals[i], &saved_[i], nullptr);
    }
    static void (*handlerOf(int signal))(int) {
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        return current.sa_handler;
    }

    std::vector<std::string> announced;
    std::function<void(const char*)> announce = [this](const char* name) { announced.emplace_back(name); };

private:
    std::array<struct sigaction, CloseOnSignal::kSignals.size()> saved_{};
};

struct SignalRow {
    const char* name;
    int number;
};

// Names the row in test lists instead of dumping its bytes.
void PrintTo(const SignalRow& row, std::ostream* out) {
    *out << row.name;
}

class CloseOnEachSignal : public CloseOnSignalTest, public testing::WithParamInterface<SignalRow> {};

} // namespace

TEST_P(CloseOnEachSignal, TheWindowIsAskedToCloseOnceAndTheSignalNamed) {
    RefusingWindow window;
    window.show();
    CloseOnSignal closer(window, announce);
    ASSERT_EQ(::raise(GetParam().number), 0);
    ASSERT_TRUE(pumpUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.closeEvents, 1);
    EXPECT_EQ(announced, std::vector<std::string>{GetParam().name});
}

INSTANTIATE_TEST_SUITE_P(Signals, CloseOnEachSignal,
                         testing::Values(SignalRow{"SIGTERM", SIGTERM}, SignalRow{"SIGINT", SIGINT},
                                         SignalRow{"SIGHUP", SIGHUP}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CloseOnSignalTest, NothingIsAskedWhileBusyAndTheCloseFollowsOnceTheOperationEnds) {
    RefusingWindow window;
    window.show();
    bool operationRunning = true;
    CloseOnSignal closer(
        window, announce, [&] { return operationRunning; }, 5);
    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_TRUE(pumpUntil([&] { return announced.size() == 1; }));
    pumpFor(100);
    EXPECT_EQ(window.closeEvents, 0) << "the operation is not cut short, and no refusal is shown";

    operationRunning = false;
    ASSERT_TRUE(pumpUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.closeEvents, 1);
    EXPECT_EQ(announced, std::vector<std::string>{"SIGTERM"}) << "one signal, one line";
}

TEST_F(CloseOnSignalTest, ACloseTheWindowRefusesStandsUntilTheNextSignal) {
    // As when the dealer keeps the program open after a machine file could not be saved.
    RefusingWindow window(1);
    window.show();
    CloseOnSignal closer(window, announce, {}, 5);
    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_TRUE(pumpUntil([&] { return window.closeEvents == 1; }));
    pumpFor(100);
    EXPECT_EQ(window.closeEvents, 1) << "not asked again behind the dealer's back";
    EXPECT_TRUE(window.isVisible());

    ASSERT_EQ(::raise(SIGINT), 0);
    ASSERT_TRUE(pumpUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.closeEvents, 2);
    EXPECT_EQ(announced, (std::vector<std::string>{"SIGTERM", "SIGINT"}));
}

struct OpenBox {
    const char* name;
    Prompts::Buttons buttons;
    Prompts::Answer dismissedAs;
};

void PrintTo(const OpenBox& row, std::ostream* out) {
    *out << row.name;
}

class CloseUnderAnOpenBox : public CloseOnSignalTest, public testing::WithParamInterface<OpenBox> {};

TEST_P(CloseUnderAnOpenBox, TheBoxIsDismissedAsByItsHarmlessButtonAndTheWindowCloses) {
    RefusingWindow window;
    window.show();
    CloseOnSignal closer(window, announce, {}, 5);
    QtPrompts prompts;
    // The signal comes while the box waits for the dealer.
    QTimer::singleShot(20, [] { ::raise(SIGTERM); });
    QElapsedTimer elapsed;
    elapsed.start();
    const Prompts::Answer answer = prompts.message(Prompts::Kind::Information, "Filed", GetParam().buttons);
    EXPECT_EQ(answer, GetParam().dismissedAs);
    ASSERT_TRUE(pumpUntil([&] { return !window.isVisible(); }));
    EXPECT_LT(elapsed.elapsed(), 2000) << "a session manager waits a few seconds at most";
    EXPECT_EQ(announced, std::vector<std::string>{"SIGTERM"});
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CloseUnderAnOpenBox,
    testing::Values(OpenBox{"OkOnly", Prompts::Buttons::Ok, Prompts::Answer::Ok},
                    OpenBox{"OkCancel", Prompts::Buttons::OkCancel, Prompts::Answer::Cancel},
                    OpenBox{"RetryCloseCancel", Prompts::Buttons::RetryCloseCancel, Prompts::Answer::Cancel}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CloseOnSignalTest, ASignalBeforeThereIsAWindowClosesItOnceItIsWatched) {
    CloseOnSignal closer(announce, {}, 5);
    ASSERT_EQ(::raise(SIGHUP), 0);
    pumpFor(50);
    EXPECT_TRUE(announced.empty()) << "no window, no log yet: announced with the window";
    EXPECT_TRUE(closer.pending());
    RefusingWindow window;
    window.show();
    closer.watch(window);
    ASSERT_TRUE(pumpUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(announced, std::vector<std::string>{"SIGHUP"});
    EXPECT_FALSE(closer.pending());
}

TEST_F(CloseOnSignalTest, AnIgnoredSignalStaysIgnoredAndEveryHandlerIsGivenBack) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, nullptr), 0);
    RefusingWindow window;
    window.show();
    {
        CloseOnSignal closer(window, announce);
        EXPECT_THROW(CloseOnSignal(window, announce), std::logic_error) << "one pipe, one handler";
        EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN) << "started under nohup: a hang-up is not for us";
        EXPECT_NE(handlerOf(SIGTERM), SIG_DFL);
        EXPECT_NE(handlerOf(SIGINT), SIG_DFL);
        ASSERT_EQ(::raise(SIGHUP), 0);
        pumpFor(50);
        EXPECT_TRUE(announced.empty());
        EXPECT_EQ(window.closeEvents, 0);
    }
    EXPECT_EQ(handlerOf(SIGTERM), SIG_DFL);
    EXPECT_EQ(handlerOf(SIGINT), SIG_DFL);
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
}

TEST_F(CloseOnSignalTest, TheMainWindowSavesAsOnExit) {
    TempDir dir;
    const std::string db = dir.file("db");
    ASSERT_EQ(DemoDatabase::Write(db, 3), 3);
    TempDir::write(dir.file("orvane-service-kit.INI"), "[FILEPATH]\nDBPATH=" + db + "\n");
    VirtualClock clock;
    ScriptedPrompts prompts;
    TFXUMainForm window(dir.file("orvane-service-kit"),
                        std::make_unique<TComPort>([] { return std::vector<std::string>{}; }), clock,
                        prompts);
    window.show();
    TDBMower* opened = window.findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries()[0];
    opened->OpenWindow();
    opened->GetMowerLog().SetName("Zed");
    const std::string openedPath = opened->fileName();
    // As the program announces a signal.
    CloseOnSignal closer(window, [&window](const char* name) {
        if (!window.closed())
            CLogger::getInstance()->log(std::string("Closing on signal ") + name);
    });

    testing::internal::CaptureStdout();
    ASSERT_EQ(::raise(SIGTERM), 0);
    const bool closed = pumpUntil([&] { return window.closed(); });
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(closed);

    DBMowerFile reread;
    reread.SetFileName(openedPath);
    reread.LoadMachineFile();
    EXPECT_EQ(reread.mowerLog().name(), "Zed") << "the opened machine is saved";
    EXPECT_EQ(IniFile(dir.file("orvane-service-kit.INI")).ReadString("MainForm", "Height", "-"), "775");
    const std::string log = TempDir::read(dir.file("orvane-service-kit.log"));
    EXPECT_NE(log.find(" : Starting program\r\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with(" : Closing on signal SIGTERM\r\n")) << log;
    releaseSharedState();
}

TEST_F(CloseOnSignalTest, ASignalDuringAHistoryDownloadClosesOnceTheRecordIsFiled) {
    TempDir dir;
    const std::string db = dir.file("db");
    ASSERT_EQ(DemoDatabase::Write(db, 3), 3);
    TempDir::write(dir.file("orvane-service-kit.INI"),
                   "[FILEPATH]\nDBPATH=" + db + "\n[COM]\nAUTO=0\nPORT=ttyUSB0\n");
    VirtualClock clock;
    ScriptedPrompts prompts;
    auto scripted = std::make_unique<ScriptedPort>(clock);
    ScriptedPort& port = *scripted;
    port.ports = {"ttyUSB0"};
    TFXUMainForm window(dir.file("orvane-service-kit"), std::move(scripted), clock, prompts);
    window.show();
    TDBMower* owner = window.findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().at(0);
    ASSERT_TRUE(owner->Open());
    const std::size_t before = owner->GetMowerLog().Count();
    const std::vector<std::uint8_t> block(70, 0x5A);
    ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(0x13031400, owner->GetSerialNumber()),
                                     ScriptedMachine::historyAnswer(ScriptedMachine::image(), &block));
    CloseOnSignal closer(
        window, announce, [&window] { return window.operationRunning(); }, 5);

    // The signal comes while the history arrives; the progress window lets the event loop run meanwhile.
    bool signalled = false;
    port.onOperation = [&](const std::string& operation) {
        if (signalled || operation != "count input" || port.commands().find('D') == std::string::npos)
            return;
        signalled = true;
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_TRUE(pumpUntil([&] { return announced.size() == 1; }));
        pumpFor(50);
        EXPECT_FALSE(window.closed()) << "not under the running download";
        EXPECT_EQ(window.findChild<QMessageBox*>(QStringLiteral("closeRefusedBox")), nullptr)
            << "no refusal shown: the close just waits";
    };
    window.findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->click();
    ASSERT_TRUE(signalled);
    EXPECT_EQ(owner->GetMowerLog().Count(), before + 1) << "the download was finished and filed";

    testing::internal::CaptureStdout();
    const bool closed = pumpUntil([&] { return window.closed(); });
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(closed) << "closed once the download had ended";
    releaseSharedState();
}

TEST_F(CloseOnSignalTest, ADownloadWaitingInTheInsertDialogWhenASignalComesIsKeptNotDropped) {
    TempDir dir;
    const std::string db = dir.file("db");
    ASSERT_EQ(DemoDatabase::Write(db, 3), 3);
    TempDir::write(dir.file("orvane-service-kit.INI"),
                   "[FILEPATH]\nDBPATH=" + db + "\n[COM]\nAUTO=0\nPORT=ttyUSB0\n");
    VirtualClock clock;
    ScriptedPrompts prompts;
    auto scripted = std::make_unique<ScriptedPort>(clock);
    ScriptedPort& port = *scripted;
    port.ports = {"ttyUSB0"};
    TFXUMainForm window(dir.file("orvane-service-kit"), std::move(scripted), clock, prompts);
    window.show();
    // A machine the database does not know: the insert dialog waits for the dealer.
    ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(0x13031400, 0x0ABCDEF0),
                                     ScriptedMachine::historyAnswer(ScriptedMachine::image(), nullptr));
    CloseOnSignal closer(
        window,
        [&](const char* name) {
            announce(name);
            window.noteCloseRequested();
        },
        [&window] { return window.operationRunning(); }, 5);
    QTimer::singleShot(50, [] { ::raise(SIGTERM); });
    window.findChild<QToolButton*>(QStringLiteral("uploadToolButt"))
        ->click(); // returns once the signal has closed the dialog

    const std::string kept =
        dir.file("unsaved/0ABCDEF0/" + BinHistoryFile::FileNameFor(window.downloadedHistory().time));
    EXPECT_TRUE(std::filesystem::is_regular_file(kept));
    testing::internal::CaptureStdout();
    const bool closed = pumpUntil([&] { return window.closed(); });
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(closed);
    const std::string log = TempDir::read(dir.file("orvane-service-kit.log"));
    EXPECT_NE(log.find("History of machine 0ABCDEF0 not filed before the close: kept as " + kept),
              std::string::npos)
        << log;
    releaseSharedState();
}
