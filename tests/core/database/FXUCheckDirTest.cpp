#include "core/database/FXUCheckDir.h"

#include "core/base/FXUDBFC_error.h"
#include "core/base/FileCalls.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// One check-file entry built by hand: serial little-endian, then the sum of its bytes.
std::string entry(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint16_t sum) {
    const char bytes[6] = {static_cast<char>(b0), static_cast<char>(b1),  static_cast<char>(b2),
                           static_cast<char>(b3), static_cast<char>(sum), static_cast<char>(sum >> 8)};
    return std::string(bytes, 6);
}

class CheckDirTest : public ::testing::Test {
protected:
    FXUCheckDir checker() const {
        FXUCheckDir c;
        c.SetDataDir(dir.path().string());
        c.SetCheckDir(dir.path().string());
        c.SetCheckFileName("dbtisl.chk");
        return c;
    }
    std::string check() const { return dir.file("dbtisl.chk"); }
    void machineFile(const std::string& name) const { TempDir::write(dir.file(name), "x"); }
    TempDir dir;
};

} // namespace

TEST(FXUCheckDirNames, SumsFileNamesAndPaths) {
    EXPECT_EQ(FXUCheckDir::EntrySum(0x04030201), 10);
    EXPECT_EQ(FXUCheckDir::EntrySum(0xFFFFFFFF), 1020);
    EXPECT_EQ(FXUCheckDir::MachineFileName(0x0001A2F3), "0001A2F3.dat");
    EXPECT_EQ(FXUCheckDir::MachineFileName(0xFFFFFFFF), "FFFFFFFF.dat");
    EXPECT_EQ(FXUCheckDir::Join("/srv/db", "a.dat"), "/srv/db/a.dat");
    EXPECT_EQ(FXUCheckDir::Join("/srv/db/", "a.dat"), "/srv/db/a.dat");
    EXPECT_EQ(FXUCheckDir::Join("", "a.dat"), "a.dat") << "no directory: the current one";
}

TEST_F(CheckDirTest, ReadsVerifiesAndRewritesTheCheckFile) {
    machineFile("04030201.dat");
    machineFile("FFFFFFFF.dat");
    machineFile("0A0B0C0D.dat");
    TempDir::write(check(), entry(1, 2, 3, 4, 10) +                   // good
                                entry(0x0D, 0x0C, 0x0B, 0x0A, 99) +   // wrong sum: dropped
                                entry(0xFF, 0xFF, 0xFF, 0xFF, 1020) + // good
                                entry(5, 0, 0, 5, 10) +               // file missing: dropped
                                entry(1, 2, 3, 4, 10)); // the same machine again: once is enough
    const std::string before = TempDir::read(check());
    FXUCheckDir c = checker();
    const auto files = c.GetFileList();
    EXPECT_EQ(files, (std::vector<std::string>{dir.file("04030201.dat"), dir.file("FFFFFFFF.dat")}));
    EXPECT_EQ(TempDir::read(check()), entry(1, 2, 3, 4, 10) + entry(0xFF, 0xFF, 0xFF, 0xFF, 1020));
    EXPECT_EQ(c.droppedEntries(), 3u);
    EXPECT_EQ(c.droppedKeptAs(), check() + ".old");
    EXPECT_EQ(TempDir::read(check() + ".old"), before) << "what the rewrite dropped is kept";

    // Reading again gives the same list, not the list twice, and drops nothing more.
    ASSERT_TRUE(c.ReadCheckFile());
    EXPECT_EQ(c.droppedEntries(), 0u);
    EXPECT_TRUE(c.droppedKeptAs().empty());
    EXPECT_EQ(c.fileList(), files);
    EXPECT_EQ(TempDir::read(check()), entry(1, 2, 3, 4, 10) + entry(0xFF, 0xFF, 0xFF, 0xFF, 1020));

    // A machine file deleted between two starts leaves the check file silently.
    std::filesystem::remove(dir.file("04030201.dat"));
    FXUCheckDir again = checker();
    EXPECT_EQ(again.GetFileList(), (std::vector<std::string>{dir.file("FFFFFFFF.dat")}));
    EXPECT_EQ(TempDir::read(check()), entry(0xFF, 0xFF, 0xFF, 0xFF, 1020));
    EXPECT_EQ(again.droppedKeptAs(), check() + ".old2") << "an earlier copy is never overwritten";
}

TEST_F(CheckDirTest, EmptyMissingAndDamagedCheckFiles) {
    TempDir::write(check(), "");
    FXUCheckDir empty = checker();
    EXPECT_TRUE(empty.GetFileList().empty());
    EXPECT_TRUE(std::filesystem::exists(check()));
    EXPECT_EQ(std::filesystem::file_size(check()), 0u);

    machineFile("04030201.dat");
    const std::string seven = entry(1, 2, 3, 4, 10) + "x";
    TempDir::write(check(), seven);
    FXUCheckDir damaged = checker();
    try {
        damaged.GetFileList();
        FAIL() << "a length of 7 must be refused";
    } catch (const FXUDBFC_error& error) {
        EXPECT_STREQ(error.what(), "no db checker file or corrupted");
    }
    EXPECT_TRUE(damaged.fileList().empty());
    EXPECT_EQ(TempDir::read(check()), seven) << "left as it was";

    // Adding appends to it as it is, so the next start refuses it the same way.
    EXPECT_TRUE(damaged.AddEntry("0A0B0C0D"));
    EXPECT_EQ(TempDir::read(check()), seven + entry(0x0D, 0x0C, 0x0B, 0x0A, 46));

    std::filesystem::remove(check());
    FXUCheckDir missing = checker();
    EXPECT_THROW(missing.GetFileList(), FXUDBFC_error);
    // The first machine added creates a check file holding just its entry.
    EXPECT_TRUE(missing.AddEntry("00000102"));
    EXPECT_EQ(TempDir::read(check()), entry(2, 1, 0, 0, 3));
    EXPECT_TRUE(missing.AddEntry("FFFFFFFF"));
    EXPECT_EQ(TempDir::read(check()), entry(2, 1, 0, 0, 3) + entry(0xFF, 0xFF, 0xFF, 0xFF, 1020));

    FXUCheckDir nowhere;
    nowhere.SetCheckDir(dir.file("no/such/dir"));
    EXPECT_FALSE(nowhere.AddEntry("00000001"));
    EXPECT_FALSE(nowhere.WriteCheckFile());
}

TEST_F(CheckDirTest, FilesNamedLikeMachineFilesThatTheListLacksAreFoundAndEnteredAgain) {
    for (const char* name : {"04030201.dat", "0A0B0C0D.dat", "FFFFFFFF.dat", "0a0b0c0e.dat", "0A0B0C0F.DAT",
                             "0A0B0C10.dat.old", "notes.dat", "0A0B0C1.dat", ".0A0B0C11.dat.Ab12Z9"})
        machineFile(name);
    std::filesystem::create_directory(dir.file("0A0B0C12.dat")); // a folder is no machine file
    // One entry good, one with a flipped bit in its sum.
    TempDir::write(check(), entry(1, 2, 3, 4, 10) + entry(0x0D, 0x0C, 0x0B, 0x0A, 46 ^ 0x04));
    FXUCheckDir c = checker();
    ASSERT_EQ(c.GetFileList(), (std::vector<std::string>{dir.file("04030201.dat")}));
    std::vector<std::string> misnamed;
    const auto found = c.UnlistedMachineFiles(&misnamed);
    EXPECT_EQ(found, (std::vector<std::string>{dir.file("0A0B0C0D.dat"), dir.file("FFFFFFFF.dat")}));
    EXPECT_EQ(misnamed, (std::vector<std::string>{dir.file("0A0B0C0F.DAT"), dir.file("0a0b0c0e.dat")}));

    ASSERT_TRUE(c.AddFound(found));
    EXPECT_EQ(c.keptAside(), "");
    EXPECT_EQ(TempDir::read(check()),
              entry(1, 2, 3, 4, 10) + entry(0x0D, 0x0C, 0x0B, 0x0A, 46) + entry(0xFF, 0xFF, 0xFF, 0xFF, 1020))
        << "the same 6-byte entries any installation reads";
    EXPECT_TRUE(c.UnlistedMachineFiles().empty());

    // A check file refused as a whole is kept for support, and a new one names what was found.
    const std::string damaged = entry(1, 2, 3, 4, 10) + "x";
    TempDir::write(check(), damaged);
    FXUCheckDir refused = checker();
    EXPECT_THROW(refused.GetFileList(), FXUDBFC_error);
    ASSERT_TRUE(refused.AddFound(refused.UnlistedMachineFiles()));
    EXPECT_EQ(refused.keptAside(), check() + ".old2") << "beside the copy kept when the first read dropped";
    EXPECT_EQ(TempDir::read(check() + ".old2"), damaged);
    EXPECT_EQ(TempDir::read(check()), entry(1, 2, 3, 4, 10) + entry(0x0D, 0x0C, 0x0B, 0x0A, 46) +
                                          entry(0xFF, 0xFF, 0xFF, 0xFF, 1020));
    // Nothing found: a refused check file is left as it is.
    TempDir::write(check(), damaged);
    FXUCheckDir nothing = checker();
    EXPECT_THROW(nothing.GetFileList(), FXUDBFC_error);
    EXPECT_TRUE(nothing.AddFound({}));
    EXPECT_EQ(TempDir::read(check()), damaged);

    // The temporaries of both kinds of file go, nothing else.
    EXPECT_EQ(FXUCheckDir::RemoveTemporaries(dir.path().string()),
              std::vector<std::string>{".0A0B0C11.dat.Ab12Z9"});
}

namespace {

// Which call of an append fails, and how.
struct AppendFault {
    const char* name;
    std::function<void(FileCalls&, int& calls)> inject;
};

void PrintTo(const AppendFault& fault, std::ostream* os) {
    *os << fault.name;
}

class CheckDirAppendFault : public CheckDirTest, public ::testing::WithParamInterface<AppendFault> {
protected:
    void TearDown() override { FileCalls::current() = FileCalls::system(); }
};

} // namespace

TEST_P(CheckDirAppendFault, TakesTheFileBackToItsLengthAndSaysWhy) {
    const std::string before = entry(1, 2, 3, 4, 10);
    TempDir::write(check(), before);
    FXUCheckDir c = checker();
    int calls = 0;
    GetParam().inject(FileCalls::current(), calls);
    EXPECT_FALSE(c.AddEntry("0A0B0C0D"));
    EXPECT_GT(calls, 0) << "the fault was reached";
    EXPECT_NE(c.lastError().find(check()), std::string::npos) << c.lastError();
    FileCalls::current() = FileCalls::system();
    EXPECT_EQ(TempDir::read(check()), before) << "no part of the entry is left";
    EXPECT_TRUE(c.AddEntry("0A0B0C0D"));
    EXPECT_EQ(TempDir::read(check()), before + entry(0x0D, 0x0C, 0x0B, 0x0A, 46));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckDirAppendFault,
    ::testing::Values(AppendFault{"PartOfTheEntryThenNoSpace",
                                  [](FileCalls& f, int& calls) {
                                      f.write = [&calls](int fd, const void* data, size_t size) -> ssize_t {
                                          if (calls++ == 0)
                                              return ::write(fd, data, std::min<size_t>(size, 4));
                                          errno = ENOSPC;
                                          return -1;
                                      };
                                  }},
                      AppendFault{"SyncFails",
                                  [](FileCalls& f, int& calls) {
                                      // The entry is written; only the sync that would make it last fails.
                                      f.fsync = [&calls](int fd) {
                                          if (calls++ == 0) {
                                              errno = EIO;
                                              return -1;
                                          }
                                          return ::fsync(fd);
                                      };
                                  }},
                      AppendFault{"CloseFails",
                                  [](FileCalls& f, int& calls) {
                                      f.close = [&calls](int fd) {
                                          ++calls;
                                          ::close(fd);
                                          errno = EIO;
                                          return -1;
                                      };
                                  }}),
    [](const ::testing::TestParamInfo<AppendFault>& info) { return std::string(info.param.name); });
