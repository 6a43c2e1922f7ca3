#include "core/base/ProgramFolders.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

struct FolderRow {
    const char* name;
    const char* program;
    bool writable;
    std::map<std::string, std::string> environment;
    const char* settings;
    const char* log;
    const char* database;
};

class ProgramFoldersTable : public ::testing::TestWithParam<FolderRow> {};

TEST_P(ProgramFoldersTable, ChoosesTheFoldersOfTheRun) {
    const FolderRow& row = GetParam();
    const ProgramFolders folders =
        ProgramFolders::Choose(row.program, row.writable, [&row](const char* name) -> const char* {
            const auto found = row.environment.find(name);
            return found == row.environment.end() ? nullptr : found->second.c_str();
        });
    EXPECT_EQ(folders.settingsFile(), row.settings);
    EXPECT_EQ(folders.logFile(), row.log);
    EXPECT_EQ(folders.defaultDatabaseFolder(), row.database);
    EXPECT_EQ(folders.besideProgram(), std::string(row.database).empty());
}

const std::map<std::string, std::string> kHomeOnly{{"HOME", "/home/dealer"}};
const std::map<std::string, std::string> kAllSet{{"HOME", "/home/dealer"},
                                                 {"XDG_CONFIG_HOME", "/cfg"},
                                                 {"XDG_STATE_HOME", "/st"},
                                                 {"XDG_DATA_HOME", "/data"}};

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramFoldersTable,
    ::testing::Values(
        FolderRow{"BuildFolder", "/work/kit/build/orvane-service-kit", true, kAllSet,
                  "/work/kit/build/orvane-service-kit.INI", "/work/kit/build/orvane-service-kit.log", ""},
        FolderRow{"InstalledDefaults", "/usr/bin/orvane-service-kit", false, kHomeOnly,
                  "/home/dealer/.config/orvane-service-kit/orvane-service-kit.INI",
                  "/home/dealer/.local/state/orvane-service-kit/orvane-service-kit.log",
                  "/home/dealer/.local/share/orvane-service-kit/machines"},
        FolderRow{"InstalledXdgSet", "/usr/bin/orvane-service-kit", false, kAllSet,
                  "/cfg/orvane-service-kit/orvane-service-kit.INI",
                  "/st/orvane-service-kit/orvane-service-kit.log", "/data/orvane-service-kit/machines"},
        // Root may write /usr/bin; its files still go to its own folders.
        FolderRow{"RootInUsrBin",
                  "/usr/bin/orvane-service-kit",
                  true,
                  {{"HOME", "/root"}},
                  "/root/.config/orvane-service-kit/orvane-service-kit.INI",
                  "/root/.local/state/orvane-service-kit/orvane-service-kit.log",
                  "/root/.local/share/orvane-service-kit/machines"},
        // Relative or empty XDG values are ignored, as the base directory rules say.
        FolderRow{
            "RelativeXdgIgnored",
            "/opt/kit/orvane-link",
            false,
            {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_STATE_HOME", ""}, {"XDG_DATA_HOME", "/d"}},
            "/h/.config/orvane-service-kit/orvane-link.INI",
            "/h/.local/state/orvane-service-kit/orvane-link.log",
            "/d/orvane-service-kit/machines"}),
    [](const ::testing::TestParamInfo<FolderRow>& info) { return std::string(info.param.name); });

TEST(ProgramFolders, MakesTheFoldersOfAnInstalledRunAndSaysWhereTheyAre) {
    TempDir home;
    const std::string base = home.path().string();
    const ProgramFolders folders = ProgramFolders::Choose(
        "/usr/bin/orvane-service-kit", false, [&base](const char* name) -> const char* {
            return std::string_view(name) == "HOME" ? base.c_str() : nullptr;
        });
    std::string error;
    ASSERT_TRUE(folders.MakeFolders(error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / ".config/orvane-service-kit"));
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / ".local/state/orvane-service-kit"));
    const auto lines = folders.Describe();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(folders.logFile()), std::string::npos);
    EXPECT_NE(lines[1].find(folders.defaultDatabaseFolder()), std::string::npos);

    // A file where a folder should be: refused with its name, nothing else made.
    std::filesystem::remove_all(home.path() / ".local");
    std::ofstream(home.file(".local")) << "x";
    EXPECT_FALSE(folders.MakeFolders(error));
    EXPECT_NE(error.find(".local/state/orvane-service-kit"), std::string::npos) << error;
}

} // namespace
