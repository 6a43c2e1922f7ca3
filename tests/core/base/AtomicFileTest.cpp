#include "core/base/AtomicFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <ios>
#include <sys/stat.h>

TEST(AtomicFile, ReplacesWholeContentKeepsPermissionsAndLeavesNoTemporary) {
    TempDir dir;
    const std::string file = dir.file("machine.dat");
    AtomicFile::write(file, std::string("first\0with nul", 14));
    EXPECT_EQ(TempDir::read(file), std::string("first\0with nul", 14));

    ::chmod(file.c_str(), 0640);
    AtomicFile::write(file, "second");
    EXPECT_EQ(TempDir::read(file), "second");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    AtomicFile::write(file, "");
    EXPECT_EQ(TempDir::read(file), "");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, AFailureNamesTheFileAndKeepsTheOldOne) {
    TempDir dir;
    try {
        AtomicFile::write(dir.file("no/such/dir/file.ini"), "x");
        FAIL() << "writing into a missing directory must fail";
    } catch (const std::ios_base::failure& error) {
        EXPECT_NE(std::string(error.what()).find("file.ini"), std::string::npos) << error.what();
    }

    // A directory cannot be replaced by a file: the directory and its content stay.
    const std::string blocked = dir.file("blocked");
    std::filesystem::create_directory(blocked);
    TempDir::write(blocked + "/inside", "kept");
    EXPECT_THROW(AtomicFile::write(blocked, "new"), std::ios_base::failure);
    EXPECT_EQ(TempDir::read(blocked + "/inside"), "kept");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "blocked") << "left behind: " << entry.path();
}
