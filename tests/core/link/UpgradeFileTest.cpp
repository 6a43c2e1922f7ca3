#include "core/link/UpgradeFile.h"

#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

struct SplitRow {
    const char* name;
    std::string bytes;
    Strings rows;
};

class UpgradeFileRows : public testing::TestWithParam<SplitRow> {};

const SplitRow kSplits[] = {
    {"CrLf", "V2.01[TAG]\r\n[MAIN]\r\n0a1B\r\n", {"V2.01[TAG]", "[MAIN]", "0a1B"}},
    {"LoneCr", "V2.01[TAG]\r[MAIN]\r0a1B\r", {"V2.01[TAG]", "[MAIN]", "0a1B"}},
    {"LoneLf", "V2.01[TAG]\n[MAIN]\n0a1B", {"V2.01[TAG]", "[MAIN]", "0a1B"}},
    {"Mixed", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
    {"EmptyRowsInside", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
    {"CrThenCrLf", "a\r\r\n", {"a", ""}},
    {"LfCr", "a\n\rb", {"a", "", "b"}},
    {"EndsAtNul", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
    {"EndsAtPadding", std::string("a\r\nb\r\n\0\0\0", 9), {"a", "b"}},
    {"Empty", "", {}},
    {"OnlyABreak", "\r\n", {""}},
};

} // namespace

TEST_P(UpgradeFileRows, SplitAtEveryLineBreak) {
    const UpgradeFile file(GetParam().bytes);
    Strings rows;
    for (std::size_t i = 0; i < file.rowCount(); ++i)
        rows.emplace_back(file.row(i));
    EXPECT_EQ(rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Breaks, UpgradeFileRows, testing::ValuesIn(kSplits),
                         [](const testing::TestParamInfo<SplitRow>& info) {
                             return std::string(info.param.name);
                         });

TEST(UpgradeFile, ChecksVersionAndSections) {
    UpgradeFile file("V2.01[TAG]\n[EXT]\n" + std::string(606, 'f') + "\n\n[FIR]\n[MAIN]\n00");
    ASSERT_TRUE(file.check()) << file.refusal();
    EXPECT_TRUE(file.refusal().empty());
    EXPECT_EQ(file.versionText(), "V2.01");
    EXPECT_EQ(UpgradeFile::lineOf(3), 4);

    EXPECT_EQ(UpgradeFile::sectionOf("[MAIN]")->command, 0x50);
    EXPECT_EQ(UpgradeFile::sectionOf("[FIR]")->command, 0x51);
    EXPECT_EQ(UpgradeFile::sectionOf("[EXT]")->command, 0x52);
    EXPECT_STREQ(UpgradeFile::sectionOf("[EXT]")->name, "EXT");
    for (const char* row : {"[main]", "[MAIN] ", " [MAIN]", "[TAG]", "", "MAIN"})
        EXPECT_EQ(UpgradeFile::sectionOf(row), nullptr) << row;

    UpgradeFile padded(std::string("V2.01[TAG]\n[MAIN]\n00\n\0\0\0", 24));
    EXPECT_TRUE(padded.check()) << "zero bytes at the end are padding: " << padded.refusal();

    UpgradeFile refused("V2[TAG]\n[MAIN]\n");
    EXPECT_FALSE(refused.check());
    EXPECT_EQ(refused.refusal(), "NO [TAG]");
    EXPECT_EQ(refused.versionText(), "V2[TA");
}

TEST(UpgradeFile, DecodesPairsAndMarksBadOnesFF) {
    EXPECT_EQ(UpgradeFile::decodeRow("0a1B"), (Bytes{0x0A, 0x1B}));
    EXPECT_EQ(UpgradeFile::decodeRow("0G"), (Bytes{0xFF}));
    EXPECT_EQ(UpgradeFile::decodeRow("g0ffFf"), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(UpgradeFile::decodeRow(" 1"), (Bytes{0xFF}));
    EXPECT_EQ(UpgradeFile::decodeRow("09AFaf"), (Bytes{0x09, 0xAF, 0xAF}));
    EXPECT_EQ(UpgradeFile::decodeRow(""), Bytes{});
    EXPECT_EQ(UpgradeFile::decodeRow(std::string(606, '1')).size(), 303u);
    EXPECT_EQ(UpgradeFile::decodeRow(std::string(700, '1')).size(), 303u) << "never past the row buffer";
}

TEST(UpgradeFile, ReadsOnlyRegularFilesAndNeverBlocks) {
    TempDir dir;
    std::string reason;
    const std::string good = dir.file("good.QVL");
    TempDir::write(good, "V2.01[TAG]\r\n[MAIN]\r\n");
    const auto file = UpgradeFile::read(good, reason);
    ASSERT_TRUE(file) << reason;
    EXPECT_EQ(file->rowCount(), 2u);

    const std::string fifo = dir.file("pipe.QVL");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(UpgradeFile::read(fifo, reason));
    EXPECT_EQ(reason, fifo + ": not a regular file");

    EXPECT_FALSE(UpgradeFile::read(dir.path().string(), reason));
    EXPECT_EQ(reason, dir.path().string() + ": not a regular file");

    EXPECT_FALSE(UpgradeFile::read(dir.file("missing.QVL"), reason));
    EXPECT_EQ(reason, dir.file("missing.QVL") + ": No such file or directory");

    const std::string huge = dir.file("huge.QVL");
    TempDir::write(huge, "V2.01[TAG]\n");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(UpgradeFile::kMaxFileSize + 1)), 0);
    EXPECT_FALSE(UpgradeFile::read(huge, reason));
    EXPECT_EQ(reason, huge + ": larger than 32 MiB");

    if (::geteuid() != 0) { // root reads anything
        ::chmod(good.c_str(), 0);
        EXPECT_FALSE(UpgradeFile::read(good, reason));
        EXPECT_EQ(reason, good + ": Permission denied");
    }
}
