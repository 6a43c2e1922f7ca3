// Runs the orvane-service-kit program itself and ends it with a signal, as a logout, Ctrl+C or a closed
// terminal would: it must close as File > Exit does and exit with 0.

#include "core/base/IniFile.h"
#include "support/TempDir.h"
#include "tools/gen/DemoDatabase.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
// Only a bound for a program that hangs; a healthy run takes well under a second.
constexpr auto kPatience = std::chrono::seconds(60);

struct SignalRow {
    const char* name;
    int number;
};

// Names the row in test lists instead of dumping its bytes.
void PrintTo(const SignalRow& row, std::ostream* out) {
    *out << row.name;
}

std::string testName(const testing::TestParamInfo<SignalRow>& info) {
    return info.param.name;
}

// The signal numbers the process has its own handler for (SigCgt in /proc), as a bit mask.
unsigned long long caughtSignals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return std::stoull(line.substr(7), nullptr, 16);
    return 0;
}

bool catchesAll(pid_t pid) {
    const unsigned long long mask = caughtSignals(pid);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        if ((mask & (1ull << (signal - 1))) == 0)
            return false;
    return true;
}

std::vector<std::string> lines(const std::string& file) {
    std::istringstream in(TempDir::read(file));
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.push_back(line);
    }
    return result;
}

std::string logText(const std::string& line) {
    return line.size() > 20 ? line.substr(20) : std::string();
}

class ProgramHarness : public testing::Test {
protected:
    void SetUp() override {
        // The program keeps its settings and event log beside its own file: a copy of it in the test's
        // folder.
        std::filesystem::copy_file(OSK_SERVICE_KIT_PROGRAM, program());
        ASSERT_EQ(DemoDatabase::Write(dir.file("db"), 3), 3);
        TempDir::write(iniPath(), "[FILEPATH]\r\nDBPATH=" + dir.file("db") + "\r\n");
        TempDir::write(logPath(), "01/02 03H04m05s06 : from an earlier run\r\n");
    }

    // Starts the program with the three signals handled by default whatever this process does with them.
    pid_t start() {
        std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen"};
        for (char** variable = environ; *variable; ++variable)
            if (std::strncmp(*variable, "QT_QPA_PLATFORM=", 16) != 0)
                environment.emplace_back(*variable);
        std::vector<char*> envp;
        for (std::string& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&defaults, signal);
        sigset_t noneBlocked;
        sigemptyset(&noneBlocked);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setsigmask(&attributes, &noneBlocked);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = dir.file("output.txt");
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);

        std::string path = program();
        char* argv[] = {path.data(), nullptr};
        pid_t pid = -1;
        const int error = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return error == 0 ? pid : -1;
    }

    // Waits for the program to end; returns its wait status, or -1 when it had to be killed.
    static int waitForEnd(pid_t pid) {
        const auto deadline = Clock::now() + kPatience;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return status;
    }

    // Waits until the program handles the three signals itself; false, with the reason in failure, when it
    // ended or never did.
    bool waitUntilHandled(pid_t pid, std::string& failure) {
        const auto deadline = Clock::now() + kPatience;
        int status = 0;
        while (!catchesAll(pid)) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                failure = "the program ended on its own:\n" + output();
                return false;
            }
            if (Clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                failure = "the program never took the signals over:\n" + output();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    std::string program() const { return dir.file("orvane-service-kit"); }
    std::string iniPath() const { return dir.file("orvane-service-kit.INI"); }
    std::string logPath() const { return dir.file("orvane-service-kit.log"); }
    std::string output() const { return TempDir::read(dir.file("output.txt")); }

    TempDir dir;
};

class ProgramSignalTest : public ProgramHarness, public testing::WithParamInterface<SignalRow> {};
using ProgramStartUpSignal = ProgramHarness;

} // namespace

TEST_P(ProgramSignalTest, TheProgramClosesAsOnExitAndEndsWithZero) {
    const SignalRow row = GetParam();
    const pid_t pid = start();
    ASSERT_GT(pid, 0) << "the program could not be started";

    // Until the signals are its own they would simply end it.
    std::string failure;
    ASSERT_TRUE(waitUntilHandled(pid, failure)) << failure;
    ASSERT_EQ(::kill(pid, row.number), 0);
    int status = waitForEnd(pid);
    ASSERT_NE(status, -1) << "still running after the signal:\n" << output();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0)
                                   << ":\n"
                                   << output();
    EXPECT_EQ(WEXITSTATUS(status), 0) << output();

    const IniFile ini(iniPath());
    EXPECT_EQ(ini.ReadString("MainForm", "Width", "-"), "668") << "the settings are written at close";
    EXPECT_EQ(ini.ReadString("GENERAL", "LANGUAGE", "-"), "1");
    EXPECT_EQ(ini.ReadString("COM", "AUTO", "-"), "1");
    EXPECT_EQ(ini.ReadString("FILEPATH", "DBPATH", "-"), dir.file("db"));

    const std::vector<std::string> log = lines(logPath());
    ASSERT_GE(log.size(), 3u) << TempDir::read(logPath());
    EXPECT_EQ(logText(log[0]), "from an earlier run") << "the earlier lines are kept";
    EXPECT_EQ(logText(log[1]), "Starting program");
    EXPECT_EQ(logText(log.back()), std::string("Closing on signal ") + row.name);
    EXPECT_NE(output().find("Appel du destructeur"), std::string::npos) << "the log was written by the close";
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignalTest,
                         testing::Values(SignalRow{"SIGTERM", SIGTERM}, SignalRow{"SIGINT", SIGINT},
                                         SignalRow{"SIGHUP", SIGHUP}),
                         testName);

TEST_F(ProgramStartUpSignal, ASignalWhileTheStartUpWaitsOnTheDealerDismissesTheBoxAndClosesTheProgram) {
    // A settings file that cannot be read stops the start-up at a warning until someone answers it.
    std::filesystem::remove(iniPath());
    ASSERT_EQ(::mkfifo(iniPath().c_str(), 0600), 0);
    const pid_t pid = start();
    ASSERT_GT(pid, 0) << "the program could not be started";
    std::string failure;
    ASSERT_TRUE(waitUntilHandled(pid, failure)) << failure << "\n(the signals are taken before the start-up)";
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    const int status = waitForEnd(pid);
    ASSERT_NE(status, -1) << "still running after the signal:\n" << output();
    ASSERT_TRUE(WIFEXITED(status)) << output();
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::vector<std::string> log = lines(logPath());
    ASSERT_GE(log.size(), 3u) << TempDir::read(logPath());
    EXPECT_EQ(logText(log[1]), "Starting program");
    std::vector<std::string> texts;
    for (const std::string& line : log)
        texts.push_back(logText(line));
    const auto told = std::find_if(texts.begin(), texts.end(), [](const std::string& text) {
        return text.starts_with("Settings file cannot");
    });
    const auto closing = std::find(texts.begin(), texts.end(), "Closing on signal SIGTERM");
    ASSERT_NE(closing, texts.end()) << TempDir::read(logPath());
    EXPECT_LT(told, closing) << "the start-up went on after the box, then closed";
    EXPECT_TRUE(std::filesystem::is_fifo(iniPath())) << "the settings file is still not replaced";
}
