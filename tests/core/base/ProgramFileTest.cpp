#include "core/base/ProgramFile.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(ProgramFile, SettingsAndLogAreNamedLikeTheProgramBesideIt) {
    EXPECT_EQ(ProgramFile::withExtension("/opt/osk/Tool.exe", ".INI"), "/opt/osk/Tool.INI");
    EXPECT_EQ(ProgramFile::withExtension("/opt/osk/Tool.exe", ".log"), "/opt/osk/Tool.log");
    EXPECT_EQ(ProgramFile::withExtension("/opt/osk/orvane-service-kit", ".INI"),
              "/opt/osk/orvane-service-kit.INI");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(ProgramFile::withExtension("/home/a.b/kit", ".log"), "/home/a.b/kit.log");
    EXPECT_EQ(ProgramFile::withExtension("kit", ".log"), "kit.log");

    const std::string self = ProgramFile::executablePath();
    EXPECT_TRUE(std::filesystem::equivalent(self, "/proc/self/exe")) << self;
}
