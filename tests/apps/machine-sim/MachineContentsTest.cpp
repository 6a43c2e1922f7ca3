#include "apps/machine-sim/MachineContents.h"

#include "apps/machine-sim/ExpectedRows.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "core/history/FXULogLayout.h"
#include "support/TempDir.h"
#include "tools/gen/DemoDatabase.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// Whatever the seed, the PC must be able to identify the machine, pick "H" or "D" from its version and find
// the answer complete, and the .bin reader must read back what a download gives.
TEST(MachineContentsTest, GeneratedMachinesAreWhatThePcCanDownload) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const MachineContents machine = MachineContents::Generated(seed, {});
        ASSERT_TRUE(machine.frame.isValid());
        const Bytes frame = machine.infoFrameBytes();
        // The PC takes an 18-byte frame as extended only when byte 1 is above 8.
        if (machine.frame.hasExtBytes) {
            ASSERT_EQ(frame.size(), 18u);
            EXPECT_GT(static_cast<std::int8_t>(frame[1]), 8);
        } else {
            ASSERT_EQ(frame.size(), 16u);
        }
        if (FXULog::HasExtraBlockVersion(machine.frame.firmwareVersion())) {
            const Bytes answer = machine.historyAnswer(true);
            EXPECT_EQ(answer.size(), answer[8192] + 8195u);
            EXPECT_LE(answer.size(), 8320u);
        } else {
            EXPECT_TRUE(machine.extraBlock.empty());
            EXPECT_EQ(machine.historyAnswer(false).size(), 8194u);
        }
        const Bytes bin = machine.binFile();
        BinHistoryFile::Contents read;
        ASSERT_TRUE(BinHistoryFile::Parse(bin.data(), bin.size(), read));
        EXPECT_EQ(read.frame.identBytes, machine.frame.identBytes);
        EXPECT_EQ(read.frame.hasExtBytes, machine.frame.hasExtBytes);
        EXPECT_EQ(read.frame.infoBlock, machine.frame.infoBlock);
        EXPECT_EQ(read.image, machine.image);
        EXPECT_EQ(read.extraBlock, machine.extraBlock);
    }
}

TEST(MachineContentsTest, AGivenFirmwareVersionGetsItsLayoutAndExtraBlock) {
    for (const std::uint32_t version : {0x13010102u, 0x13010101u, 0x16000000u, 0x13020101u, 0x05000000u}) {
        SCOPED_TRACE(version);
        MachineContents::Overrides overrides;
        overrides.firmwareVersion = version;
        const MachineContents machine = MachineContents::Generated(7, overrides);
        EXPECT_EQ(machine.frame.firmwareVersion(), version);
        EXPECT_EQ(!machine.extraBlock.empty(), FXULog::HasExtraBlockVersion(version));
        const auto record = machine.frame.makeRecord(machine.image.data(), nullptr, FXULogTime());
        EXPECT_EQ(record->firmwareVersion(), version);
    }
}

TEST(MachineContentsTest, OverridesReplaceTheFrameFields) {
    MachineContents::Overrides o;
    o.identBytes = std::array<std::uint8_t, 6>{1, 9, 4, 5, 6, 7};
    o.extBytes = std::array<std::uint8_t, 2>{0xAA, 0xBB};
    o.typeByte = 0x24;
    o.firmwareVersion = 0x13020101;
    o.serialNumber = 0x0412ABCD;
    o.bootloaderVersion = 0x22;
    const MachineContents machine = MachineContents::Generated(3, o);
    EXPECT_EQ(machine.infoFrameBytes(), (Bytes{1, 9, 4, 5, 6, 7, 0xAA, 0xBB, 0x24, 0x13, 0x02, 0x01, 0x01,
                                               0x04, 0x12, 0xAB, 0xCD, 0x22}));
}

TEST(MachineContentsTest, ABinFileGivesItsMachineAndAnIncompleteOneIsRefusedWithThePart) {
    TempDir dir;
    const MachineContents original = MachineContents::Generated(11, {});
    const Bytes bin = original.binFile();
    TempDir::write(dir.file("whole.bin"), asText(bin));
    TempDir::write(dir.file("cut.bin"), asText(Bytes(bin.begin(), bin.begin() + 4000)));

    MachineContents::Overrides overrides;
    overrides.serialNumber = 0x05000001;
    std::string error;
    const auto read = MachineContents::FromBin(dir.file("whole.bin"), overrides, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->image, original.image);
    EXPECT_EQ(read->extraBlock, original.extraBlock);
    EXPECT_EQ(read->frame.serialNumber(), 0x05000001u);
    EXPECT_EQ(read->frame.identBytes, original.frame.identBytes);

    EXPECT_FALSE(MachineContents::FromBin(dir.file("cut.bin"), {}, error));
    EXPECT_NE(error.find("history image"), std::string::npos) << error;
    EXPECT_FALSE(MachineContents::FromBin(dir.file("missing.bin"), {}, error));
    EXPECT_NE(error.find("missing.bin"), std::string::npos) << error;
}

// The demo plays a machine of the demo database, so that its download is filed under that machine.
TEST(MachineContentsTest, AMachineFileGivesTheMachineAsItsNewestRecordShowsIt) {
    TempDir dir;
    DemoDatabase::Write(dir.file("db"), 12);
    FXUCheckDir checker;
    checker.SetDataDir(dir.file("db"));
    checker.SetCheckDir(dir.file("db"));
    int withExtraBlock = 0;
    for (const std::string& path : checker.GetFileList()) {
        DBMowerFile file;
        file.SetFileName(path);
        file.LoadMachineFile();
        const FXULog& newest = *file.mowerLog().records().rbegin()->second;
        std::string error;
        const auto machine = MachineContents::FromDat(path, {}, error);
        ASSERT_TRUE(machine) << error;
        EXPECT_EQ(machine->frame.serialNumber(), file.mowerLog().serialNumber());
        EXPECT_EQ(machine->frame.firmwareVersion(), newest.firmwareVersion());
        EXPECT_EQ(machine->frame.typeByte(), newest.typeByte());
        EXPECT_EQ(machine->frame.bootloaderVersion(), newest.bootloaderVersion());
        EXPECT_EQ(machine->frame.identBytes, newest.identBytes());
        EXPECT_EQ(machine->frame.hasExtBytes, newest.hasExtBytes());
        EXPECT_TRUE(machine->frame.isValid());
        EXPECT_EQ(machine->image, newest.image());
        EXPECT_LE(machine->extraBlock.size(), MachineContents::kMaxExtraBlockOnWire);
        withExtraBlock += newest.extraBlock().empty() ? 0 : 1;
        // What the PC files from a download of it is the newest record again, but for its time.
        BinHistoryFile::Contents bin;
        const Bytes bytes = machine->binFile();
        ASSERT_TRUE(BinHistoryFile::Parse(bytes.data(), bytes.size(), bin, nullptr));
        EXPECT_EQ(bin.image, newest.image());
    }
    EXPECT_GT(withExtraBlock, 0);

    std::string error;
    TempDir::write(dir.file("broken.dat"), "not a machine file");
    EXPECT_FALSE(MachineContents::FromDat(dir.file("broken.dat"), {}, error));
    EXPECT_NE(error.find("broken.dat"), std::string::npos) << error;
    EXPECT_FALSE(MachineContents::FromDat(dir.file("missing.dat"), {}, error));
    EXPECT_NE(error.find("missing.dat"), std::string::npos) << error;
}

TEST(MachineContentsTest, TheTwoBytesAfterTheAnswerAreItsSum) {
    MachineContents machine;
    machine.image.fill(0xFF);
    machine.extraBlock = {1, 2};
    const Bytes answer = machine.historyAnswer(true);
    ASSERT_EQ(answer.size(), 8192u + 1 + 2 + 2);
    const unsigned sum = (0xFFu * 8192 + 2 + 1 + 2) & 0xFFFF;
    EXPECT_EQ(answer[8195], sum >> 8);
    EXPECT_EQ(answer[8196], sum & 0xFF);
}

struct RowsCase {
    const char* name;
    std::string text;
    std::vector<ExpectedRow> rows;
};

class ExpectedRowsParse : public testing::TestWithParam<RowsCase> {};

TEST_P(ExpectedRowsParse, ReadsTheRowsThePcSends) {
    std::string error;
    const auto rows = ExpectedRows::Parse(GetParam().text, error);
    ASSERT_TRUE(rows) << error;
    EXPECT_EQ(*rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExpectedRowsParse,
    testing::Values(
        RowsCase{"CrLf",
                 "V2.01[TAG]\r\n[MAIN]\r\n0a1B\r\n0102\r\n[EXT]\r\nff\r\n",
                 {{'P', {0x0A, 0x1B}, 3}, {'P', {0x01, 0x02}, 4}, {'R', {0xFF}, 6}}},
        RowsCase{
            "LoneCrAndLf", "V2.01[TAG]\r[FIR]\n0G\r\r00", {{'Q', {0xFF}, 3}, {'Q', {}, 4}, {'Q', {0x00}, 5}}},
        RowsCase{"EndsAtZeroByte", std::string("V2.01[TAG]\n[MAIN]\n01\n\0\n02\n", 26), {{'P', {0x01}, 3}}},
        RowsCase{"OddDigitDropped", "V2.01[TAG]\n[MAIN]\n012\n", {{'P', {0x01}, 3}}},
        RowsCase{"HeadersOnly", "V2.01[TAG]\n[MAIN]\n[EXT]\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExpectedRowsTest, RefusesWhatThePcWouldNotSend) {
    std::string error;
    for (const std::string text : {"", "V2.01[TAG]\n", "V2[TAG]\n[MAIN]\n", "V2.01[TAG]\n01\n[MAIN]\n"}) {
        EXPECT_FALSE(ExpectedRows::Parse(text, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}
