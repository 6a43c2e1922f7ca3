#include "core/base/AtomicFile.h"

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <algorithm>
#include <grp.h>
#include <gtest/gtest.h>
#include <ios>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(AtomicFile, WritesThroughLinksIntoTheTargetsFolderKeepingItsMode) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("data"));
    std::filesystem::create_directories(dir.file("links"));
    const std::string target = dir.file("data/0001A2F3.dat");
    TempDir::write(target, "old");
    ::chmod(target.c_str(), 0604);
    const std::string link = dir.file("links/0001A2F3.dat");
    ASSERT_EQ(::symlink("../data/0001A2F3.dat", link.c_str()), 0);
    const std::string chain = dir.file("links/chain.dat");
    ASSERT_EQ(::symlink("0001A2F3.dat", chain.c_str()), 0);

    const FileStamp stamp = AtomicFile::write(chain, "new content");
    EXPECT_EQ(stamp.size, 11u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(chain));
    EXPECT_EQ(TempDir::read(target), "new content");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(FileStamp::Of(st), stamp);
    for (const char* folder : {"data", "links"})
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.file(folder)))
            EXPECT_FALSE(entry.path().filename().string().starts_with("."))
                << "left behind: " << entry.path();

    // A link to nothing yet: its target is made.
    const std::string dangling = dir.file("links/new.dat");
    ASSERT_EQ(::symlink("../data/new.dat", dangling.c_str()), 0);
    AtomicFile::write(dangling, "made");
    EXPECT_EQ(TempDir::read(dir.file("data/new.dat")), "made");
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
}

TEST(AtomicFile, AFileOrFolderMarkedReadOnlyIsNotReplaced) {
    TempDir dir;
    const std::string file = dir.file("0001A2F3.dat");
    TempDir::write(file, "kept");
    ::chmod(file.c_str(), 0444);
    EXPECT_THROW(AtomicFile::write(file, "new"), std::ios_base::failure);
    EXPECT_EQ(TempDir::read(file), "kept");

    std::filesystem::create_directory(dir.file("locked"));
    const std::string inside = dir.file("locked/0001A2F3.dat");
    TempDir::write(inside, "kept too");
    ::chmod(dir.file("locked").c_str(), 0555);
    try {
        AtomicFile::write(inside, "new");
        FAIL() << "a read-only folder must not be written into";
    } catch (const std::ios_base::failure& error) {
        EXPECT_NE(std::string(error.what()).find(inside), std::string::npos) << error.what();
    }
    ::chmod(dir.file("locked").c_str(), 0755);
    EXPECT_EQ(TempDir::read(inside), "kept too");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.file("locked")))
        ++entries;
    EXPECT_EQ(entries, 1) << "no temporary left";
}

TEST(AtomicFile, AUserWithoutTheRightToWriteAFileDoesNotReplaceIt) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to become another user";
    // Root's file in a folder anyone may write to: the rename alone would be allowed, the write is not.
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    const std::string file = dir.file("0001A2F3.dat");
    TempDir::write(file, "root's");
    ::chmod(file.c_str(), 0644);
    const std::string mine = dir.file("mine.dat");
    const int code = inChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 3;
        try {
            AtomicFile::write(file, "nobody's");
            return 1;
        } catch (const std::ios_base::failure&) {
        }
        try {
            AtomicFile::write(mine, "nobody's own"); // the folder itself may be written
        } catch (const std::ios_base::failure&) {
            return 2;
        }
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(TempDir::read(file), "root's");
    EXPECT_EQ(TempDir::read(mine), "nobody's own");
}

TEST(AtomicFile, TemporariesOfInterruptedWritesAreToldApartAndRemoved) {
    const auto machineFiles = [](std::string_view name) { return name == "0001A2F3.dat" || name == "x.ini"; };
    const std::pair<const char*, bool> names[] = {
        {".0001A2F3.dat.Ab12Z9", true}, {".x.ini.000000", true},         {"0001A2F3.dat.Ab12Z9", false},
        {".0001A2F3.dat.Ab12Z", false}, {".0001A2F3.dat.Ab12Z-", false}, {".0001A2F3.dat.Ab12Z99", false},
        {".other.dat.Ab12Z9", false},   {".0001A2F3.dat", false},        {"..Ab12Z9", false}};
    for (const auto& [name, temporary] : names)
        EXPECT_EQ(AtomicFile::IsTemporary(name, machineFiles), temporary) << name;

    TempDir dir;
    for (const auto& [name, temporary] : names)
        TempDir::write(dir.file(name), "x");
    std::filesystem::create_directory(dir.file(".x.ini.ABCDEF")); // a folder is never removed
    ::symlink("0001A2F3.dat", dir.file(".0001A2F3.dat.LINK00").c_str());
    std::vector<std::string> removed = AtomicFile::RemoveTemporaries(dir.path().string(), machineFiles);
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (std::vector<std::string>{".0001A2F3.dat.Ab12Z9", ".x.ini.000000"}));
    for (const auto& [name, temporary] : names)
        EXPECT_EQ(std::filesystem::exists(dir.file(name)), !temporary) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file(".x.ini.ABCDEF")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file(".0001A2F3.dat.LINK00")));
}
