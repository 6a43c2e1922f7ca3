#include "ui/ProgramSession.h"

#include "core/base/AppSettings.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// An installed program (in /usr/bin, never written) whose user folders are in a private directory.
class InstalledSession : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
            ::setenv(name, home.file(name).c_str(), 1);
    }
    void TearDown() override {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
            ::unsetenv(name);
    }
    std::string settingsFile() const {
        return home.file("XDG_CONFIG_HOME/orvane-service-kit/orvane-service-kit.INI");
    }
    std::string logFile() const {
        return home.file("XDG_STATE_HOME/orvane-service-kit/orvane-service-kit.log");
    }
    std::string machines() const { return home.file("XDG_DATA_HOME/orvane-service-kit/machines"); }

    TempDir home;
    ScriptedPrompts prompts;
    const std::string program = "/usr/bin/orvane-service-kit";
};

TEST_F(InstalledSession, FirstStartMakesItsOwnDatabaseAndSaysWhereTheFilesAre) {
    {
        ProgramSession session(program, prompts);
        EXPECT_EQ(session.databaseFolder(), machines());
        EXPECT_EQ(fs::file_size(fs::path(machines()) / "dbtisl.chk"), 0u);
        EXPECT_EQ(AppSettings(settingsFile()).DbPath(), machines());
        session.close();
    }
    std::ifstream log(logFile());
    std::string first, second;
    std::getline(log, first);
    std::getline(log, second);
    EXPECT_NE(first.find("Starting program"), std::string::npos) << first;
    EXPECT_NE(second.find(settingsFile()), std::string::npos) << second;
    EXPECT_NE(second.find(logFile()), std::string::npos) << second;
    EXPECT_TRUE(prompts.shown.empty());

    // The next start takes the folder from the settings and keeps the machines filed there.
    std::ofstream(fs::path(machines()) / "dbtisl.chk") << "abcdef";
    ProgramSession again(program, prompts);
    EXPECT_EQ(again.databaseFolder(), machines());
    EXPECT_EQ(fs::file_size(fs::path(machines()) / "dbtisl.chk"), 6u);
    again.close();
}

TEST_F(InstalledSession, AFolderThatCannotBeMadeIsNotWrittenIntoTheSettings) {
    // Nothing but a file where the data folder should be: no folder, and the settings still name none.
    std::ofstream(home.file("XDG_DATA_HOME")) << "x";
    ProgramSession session(program, prompts);
    EXPECT_EQ(session.databaseFolder(), machines());
    EXPECT_EQ(AppSettings(settingsFile()).DbPath(), "");
    session.close();
}

} // namespace
