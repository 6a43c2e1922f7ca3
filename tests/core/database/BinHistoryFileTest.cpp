#include "core/database/BinHistoryFile.h"

#include "core/base/CLogger.h"
#include "core/history/DownloadedHistory.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// An image whose every byte tells its offset apart from its neighbours'.
Bytes patternImage() {
    Bytes image(8192);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3 + i / 256);
    return image;
}

Bytes patternBlock(std::size_t length, std::uint8_t first) {
    Bytes block(length);
    for (std::size_t i = 0; i < length; ++i)
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    block[0] = first;
    return block;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::time_t epochOf(const FXULogTime& t) {
    std::tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// Plain frame: ident[1] = 5 (not extended), type 0x24, version 19.3.20.0 (has an extra block),
// serial 0x0412ABCD, bootloader 0x21.
const Bytes kPlainFrame = {0x51, 0x05, 0x04, 0x10, 0x20, 0x30, 0x24, 0x13,
                           0x03, 0x14, 0x00, 0x04, 0x12, 0xAB, 0xCD, 0x21};
// Extended frame: ident[1] = 9, ext bytes A1 05, type 0x2B, version 20.2.3.0, serial 0x05001234, bootloader
// 0x14. Bytes 7..9 (05, 2B, 14) are no exception version, so the form test says extended.
const Bytes kExtendedFrame = {0x51, 0x09, 0x03, 0x11, 0x22, 0x33, 0xA1, 0x05, 0x2B,
                              0x14, 0x02, 0x03, 0x00, 0x05, 0x00, 0x12, 0x34, 0x14};

class BinHistoryFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        TempDir::write(dir.file("osk.log"), "");
        CLogger::getInstance()->open(dir.file("osk.log"));
    }
    void TearDown() override { releaseEventLog(); }
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        for (const LogEntry& entry : CLogger::getInstance()->entries())
            lines.push_back(entry.text);
        return lines;
    }
    std::string put(const std::string& name, const Bytes& bytes) const {
        const std::string path = dir.file(name);
        TempDir::write(path, asText(bytes));
        return path;
    }
    bool load(const std::string& path, BinHistoryFile::Contents& result) { return reader.Load(path, result); }
    TempDir dir;
    BinHistoryFile reader;
};

} // namespace

TEST_F(BinHistoryFileTest, ReadsPlainAndExtendedFilesByteForByte) {
    const Bytes image = patternImage();
    const Bytes block = patternBlock(70, 0x02);

    BinHistoryFile::Contents plain;
    const std::string plainPath = put("plain.bin", concat({kPlainFrame, image, {70}, block}));
    ASSERT_TRUE(load(plainPath, plain));
    EXPECT_EQ(reader.failure(), BinHistoryFile::Failure::None);
    EXPECT_TRUE(logLines().empty()) << "the caller logs, the reader only reads";
    EXPECT_FALSE(plain.frame.hasExtBytes);
    EXPECT_EQ(plain.frame.identBytes, (std::array<std::uint8_t, 6>{0x51, 0x05, 0x04, 0x10, 0x20, 0x30}));
    EXPECT_EQ(plain.frame.typeByte(), 0x24);
    EXPECT_EQ(plain.frame.firmwareVersion(), 0x13031400u);
    EXPECT_EQ(plain.frame.serialNumber(), 0x0412ABCDu);
    EXPECT_EQ(plain.frame.bootloaderVersion(), 0x21);
    EXPECT_TRUE(Bytes(plain.image.begin(), plain.image.end()) == image);
    EXPECT_TRUE(plain.hasExtraBlock);
    EXPECT_EQ(plain.extraBlock, block);

    BinHistoryFile::Contents extended;
    const Bytes block69 = patternBlock(69, 0x07);
    ASSERT_TRUE(load(put("extended.bin", concat({kExtendedFrame, image, {69}, block69})), extended));
    EXPECT_TRUE(extended.frame.hasExtBytes);
    EXPECT_EQ(extended.frame.identBytes, (std::array<std::uint8_t, 6>{0x51, 0x09, 0x03, 0x11, 0x22, 0x33}));
    EXPECT_EQ(extended.frame.extBytes, (std::array<std::uint8_t, 2>{0xA1, 0x05}));
    EXPECT_EQ(extended.frame.typeByte(), 0x2B);
    EXPECT_EQ(extended.frame.firmwareVersion(), 0x14020300u);
    EXPECT_EQ(extended.frame.serialNumber(), 0x05001234u);
    EXPECT_EQ(extended.frame.bootloaderVersion(), 0x14);
    EXPECT_TRUE(Bytes(extended.image.begin(), extended.image.end()) == image)
        << "the image starts at byte 18";
    EXPECT_EQ(extended.extraBlock, block69);

    // Version 18.16.5.0 sends no extra block: the file ends with the image, and what follows is not read.
    Bytes oldFrame = kPlainFrame;
    const Bytes oldVersion = {0x12, 0x10, 0x05, 0x00};
    std::copy(oldVersion.begin(), oldVersion.end(), oldFrame.begin() + 7);
    BinHistoryFile::Contents old;
    ASSERT_TRUE(load(put("old.bin", concat({oldFrame, image})), old));
    EXPECT_EQ(old.frame.firmwareVersion(), 0x12100500u);
    EXPECT_FALSE(old.hasExtraBlock);
    EXPECT_TRUE(old.extraBlock.empty());
    ASSERT_TRUE(load(put("old2.bin", concat({oldFrame, image, {0x4A, 0x4B}})), old));
    EXPECT_FALSE(old.hasExtraBlock);

    // 19.1.1.1 is the last version without a block; 19.1.1.2 the first with one.
    Bytes edge = kPlainFrame;
    const Bytes lastWithout = {0x13, 0x01, 0x01, 0x01};
    std::copy(lastWithout.begin(), lastWithout.end(), edge.begin() + 7);
    ASSERT_TRUE(load(put("edge1.bin", concat({edge, image, {69}, block69})), old));
    EXPECT_FALSE(old.hasExtraBlock);
    edge[10] = 0x02;
    ASSERT_TRUE(load(put("edge2.bin", concat({edge, image, {69}, block69})), old));
    EXPECT_TRUE(old.hasExtraBlock);
    EXPECT_EQ(old.extraBlock, block69);
}

TEST_F(BinHistoryFileTest, FallsBackToTheOtherHeaderFormOnlyWhenThatAloneGivesAValidFrame) {
    const Bytes image = patternImage();
    const Bytes block = patternBlock(80, 0x03);

    // Extended file whose bytes 7..9 (ext byte 19, type 0x02, major 19) read as exception version 19.2.19:
    // the test says plain. Read plain, the bootloader would be serial byte B2 and the frame invalid.
    const Bytes misleading = {0x51, 0x0A, 0x04, 0x01, 0x02, 0x03, 0x66, 0x13, 0x02,
                              0x13, 0x05, 0x07, 0x00, 0x04, 0xA1, 0xB2, 0xC3, 0x22};
    ASSERT_FALSE(FXULog::HasExtendedHeader(misleading[1], misleading[7], misleading[8], misleading[9]));
    BinHistoryFile::Contents read;
    ASSERT_TRUE(load(put("misleading.bin", concat({misleading, image, {80}, block})), read));
    EXPECT_TRUE(read.frame.hasExtBytes);
    EXPECT_EQ(read.frame.extBytes, (std::array<std::uint8_t, 2>{0x66, 0x13}));
    EXPECT_EQ(read.frame.typeByte(), 0x02);
    EXPECT_EQ(read.frame.firmwareVersion(), 0x13050700u);
    EXPECT_EQ(read.frame.serialNumber(), 0x04A1B2C3u);
    EXPECT_EQ(read.frame.bootloaderVersion(), 0x22);
    EXPECT_TRUE(Bytes(read.image.begin(), read.image.end()) == image);
    EXPECT_EQ(read.extraBlock, block);

    // The other way: a plain frame with ident[1] = 9 and an ordinary version looks extended; read extended,
    // its bootloader would be image byte 1 (0x0A here, unknown).
    Bytes plainNine = kPlainFrame;
    plainNine[1] = 0x09;
    ASSERT_TRUE(FXULog::HasExtendedHeader(plainNine[1], plainNine[7], plainNine[8], plainNine[9]));
    ASSERT_TRUE(load(put("plain9.bin", concat({plainNine, image, {80}, block})), read));
    EXPECT_FALSE(read.frame.hasExtBytes);
    EXPECT_EQ(read.frame.serialNumber(), 0x0412ABCDu);
    EXPECT_EQ(read.frame.bootloaderVersion(), 0x21);
    EXPECT_TRUE(Bytes(read.image.begin(), read.image.end()) == image);

    // The decided form is kept when it is valid, even if the other would be valid too: this extended frame
    // read plain gives bootloader 0x21 (serial byte) and serial MSB 0x04 (build).
    const Bytes bothValid = {0x51, 0x0C, 0x04, 0x01, 0x02, 0x03, 0x66, 0x20, 0x24,
                             0x14, 0x02, 0x04, 0x00, 0x06, 0x00, 0x21, 0x00, 0x23};
    ASSERT_TRUE(load(put("both.bin", concat({bothValid, image, {80}, block})), read));
    EXPECT_TRUE(read.frame.hasExtBytes);
    EXPECT_EQ(read.frame.serialNumber(), 0x06002100u);

    // ...and when neither form is valid (bootloader 0x00 both ways).
    Bytes neither = kPlainFrame;
    neither[15] = 0x00;
    ASSERT_TRUE(load(put("neither.bin", concat({neither, image, {80}, block})), read));
    EXPECT_FALSE(read.frame.hasExtBytes);
    EXPECT_EQ(read.frame.bootloaderVersion(), 0x00);
}

struct Cut {
    const char* name;
    std::size_t size; // bytes kept of a plain file with a 70-byte extra block (8279 bytes)
    const char* part;
};

class BinHistoryFileCut : public BinHistoryFileTest, public ::testing::WithParamInterface<Cut> {};

TEST_P(BinHistoryFileCut, IsRefusedNamingThePartThatEndsEarly) {
    const Bytes full = concat({kPlainFrame, patternImage(), {70}, patternBlock(70, 0x02)});
    ASSERT_EQ(full.size(), 8279u);
    const Cut& cut = GetParam();
    const std::string path = put("cut.bin", Bytes(full.begin(), full.begin() + cut.size));
    BinHistoryFile::Contents result;
    result.frame.identBytes = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const std::size_t before = logLines().size();
    EXPECT_FALSE(load(path, result));
    EXPECT_EQ(result.frame.identBytes[0], 0xEE) << "nothing is taken from a refused file";
    EXPECT_EQ(logLines().size(), before) << "the caller logs, the reader only reads";
    EXPECT_EQ(reader.failure(), BinHistoryFile::Failure::Incomplete);
    EXPECT_EQ(reader.lastError(),
              std::string("bin file incomplete, it ends inside the ") + cut.part + ": " + path);
}

INSTANTIATE_TEST_SUITE_P(Cuts, BinHistoryFileCut,
                         ::testing::Values(Cut{"Empty", 0, "info frame"}, Cut{"TenBytes", 10, "info frame"},
                                           Cut{"OneShortOfTheFrame", 15, "info frame"},
                                           Cut{"FrameOnly", 16, "history image"},
                                           Cut{"InsideTheImage", 16 + 100, "history image"},
                                           Cut{"OneShortOfTheImage", 16 + 8191, "history image"},
                                           Cut{"NoLengthByte", 16 + 8192, "extra block"},
                                           Cut{"LengthByteOnly", 16 + 8192 + 1, "extra block"},
                                           Cut{"OneShortOfTheBlock", 8278, "extra block"}),
                         [](const ::testing::TestParamInfo<Cut>& info) { return info.param.name; });

TEST_F(BinHistoryFileTest, RefusesExtendedFramesThatEndEarlyAndSaysWhenAFileCannotBeOpened) {
    const Bytes full = concat({kPlainFrame, patternImage(), {70}, patternBlock(70, 0x02)});
    // An extended frame cut after 17 bytes.
    BinHistoryFile::Contents result;
    EXPECT_FALSE(load(put("ext17.bin", Bytes(kExtendedFrame.begin(), kExtendedFrame.end() - 1)), result));
    EXPECT_EQ(reader.lastError().find("bin file incomplete, it ends inside the info frame"), 0u);
    EXPECT_FALSE(load(put("ext.bin", concat({kExtendedFrame, Bytes(8191)})), result));
    EXPECT_EQ(reader.lastError().find("bin file incomplete, it ends inside the history image"), 0u);

    const std::string missing = dir.file("no such dir/history.bin");
    EXPECT_FALSE(load(missing, result));
    EXPECT_EQ(reader.failure(), BinHistoryFile::Failure::CannotOpen);
    EXPECT_EQ(reader.lastError(), "error opening bin file: " + missing);
    ASSERT_TRUE(load(put("whole.bin", full), result));
    EXPECT_EQ(reader.failure(), BinHistoryFile::Failure::None) << "a success clears the last failure";
    EXPECT_EQ(reader.lastError(), "");
}

// The buffers a serial download leaves, filled from a file: storeHistory cannot tell them apart.
TEST_F(BinHistoryFileTest, FillsTheDownloadBuffersAsASerialDownloadWould) {
    const Bytes image = patternImage();
    struct Case {
        const char* name;
        Bytes frame;
        Bytes tail;           // after the image
        std::size_t received; // what a download with that answer would have counted
    };
    const Bytes longBlock = patternBlock(200, 0x02); // more than a download takes in; kept whole
    const Case cases[] = {
        {"2021-06-30_08-15-00_serialdata.txt", kExtendedFrame, concat({{70}, patternBlock(70, 0x02)}),
         8192 + 1 + 70},
        {"plain.bin",
         {0x51, 0x05, 0x04, 0x10, 0x20, 0x30, 0x24, 0x12, 0x05, 0x03, 0x00, 0x04, 0x12, 0xAB, 0xCD, 0x21},
         {},
         8192},
        {"block128.bin", kPlainFrame, concat({{128}, patternBlock(128, 0x02)}), 8192 + 1 + 128},
        {"block200.bin", kPlainFrame, concat({{200}, longBlock}), 8192 + 1 + 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BinHistoryFile::Contents read;
        ASSERT_TRUE(load(put(c.name, concat({c.frame, image, c.tail})), read)) << reader.lastError();
        DownloadedHistory history;
        history.buffer.fill(0xEE);
        history.hasExtraBlock = !read.hasExtraBlock;
        read.copyTo(history);
        EXPECT_EQ(history.received, c.received);
        EXPECT_EQ(history.hasExtraBlock, read.hasExtraBlock);
        EXPECT_EQ(history.extraBlock(), read.extraBlock);
        EXPECT_EQ(history.time, read.time);
        EXPECT_EQ(history.binFile(), concat({c.frame, image, c.tail})) << "the same bytes as the file";
        const auto fromBuffers = history.makeRecord();
        const auto fromFile = read.makeRecord();
        EXPECT_TRUE(fromBuffers->image() == fromFile->image());
        EXPECT_EQ(fromBuffers->extraBlock(), fromFile->extraBlock());
        EXPECT_EQ(fromBuffers->hasExtraBlock(), fromFile->hasExtraBlock());
        EXPECT_EQ(fromBuffers->serialNumber(), fromFile->serialNumber());
        EXPECT_EQ(fromBuffers->typeByte(), fromFile->typeByte());
        EXPECT_EQ(fromBuffers->logTime(), fromFile->logTime());
    }
}

TEST_F(BinHistoryFileTest, TakesTheRecordTimeFromSerialdataNamesElseNow) {
    EXPECT_EQ(BinHistoryFile::TimeFromPath("/home/dealer/2024-03-07_14-05-09_serialdata.txt"),
              FXULogTime(2024, 3, 7, 14, 5, 9));
    // Any single character separates the fields; each field is its leading digits.
    EXPECT_EQ(BinHistoryFile::TimeFromPath("C:\\x\\2023_12_31 23.59.58-serialdata.txt"),
              FXULogTime(2023, 12, 31, 23, 59, 58));
    EXPECT_EQ(BinHistoryFile::TimeFromPath("/d/2024-3x-x7_14-05-09_serialdata.txt"),
              FXULogTime(2024, 3, 0, 14, 5, 9));
    EXPECT_EQ(BinHistoryFile::TimeFromPath("/d/abcd-03-07_1a-05-09_serialdata.txt"),
              FXULogTime(0, 3, 7, 1, 5, 9));
    // A name too short for the pattern: the fields before the start of the path have no digits.
    EXPECT_EQ(BinHistoryFile::TimeFromPath("serialdata.txt"), FXULogTime(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(BinHistoryFile::TimeFromPath("07_14-05-09_serialdata.txt"), FXULogTime(0, 0, 7, 14, 5, 9));
    // An import never files a record under a time that cannot be one.
    EXPECT_EQ(BinHistoryFile::RecordTimeFor("/d/2024-03-07_14-05-09_serialdata.txt"),
              FXULogTime(2024, 3, 7, 14, 5, 9));
    const FXULogTime before;
    const FXULogTime fallback = BinHistoryFile::RecordTimeFor("/d/2024-13-07_14-05-09_serialdata.txt");
    EXPECT_TRUE(fallback.isPlausible());
    EXPECT_LE(before, fallback);
    EXPECT_EQ(fallback.year, before.year);

    const Bytes file = concat({kPlainFrame, patternImage(), {70}, patternBlock(70, 0x02)});
    BinHistoryFile::Contents named;
    ASSERT_TRUE(load(put("2024-03-07_14-05-09_serialdata.txt", file), named));
    EXPECT_EQ(named.time, FXULogTime(2024, 3, 7, 14, 5, 9));
    EXPECT_EQ(named.makeRecord()->logTime(), FXULogTime(2024, 3, 7, 14, 5, 9));

    const std::time_t now = std::time(nullptr);
    for (const char* name : {"history.bin", "2024-03-07_14-05-09_serialdata.TXT",
                             "2024-03-07_14-05-09_serialdata.txt.bin", "2024-03-07_14-05-09_serialdata",
                             "2024-03-07_14-05-09_Serialdata.txt", "2024-03-07_14-05-0_historydata.txt"}) {
        BinHistoryFile::Contents other;
        ASSERT_TRUE(load(put(name, file), other)) << name;
        EXPECT_LE(std::llabs(static_cast<long long>(epochOf(other.time) - now)), 5) << name;
        EXPECT_LE(std::llabs(static_cast<long long>(epochOf(BinHistoryFile::TimeFromPath(name)) - now)), 5)
            << name;
    }
}

TEST_F(BinHistoryFileTest, BuildsTheRecordADownloadWouldGive) {
    const Bytes image = patternImage();
    const Bytes block = patternBlock(70, 0x02);
    BinHistoryFile::Contents read;
    ASSERT_TRUE(
        load(put("2021-06-30_08-15-00_serialdata.txt", concat({kExtendedFrame, image, {70}, block})), read));
    const std::unique_ptr<FXULog> record = read.makeRecord();
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->hasExtBytes());
    EXPECT_EQ(record->identBytes(), (FXULog::IdentBytes{0x51, 0x09, 0x03, 0x11, 0x22, 0x33}));
    EXPECT_EQ(record->extBytes(), (FXULog::ExtBytes{0xA1, 0x05}));
    EXPECT_EQ(record->typeByte(), 0x2B);
    EXPECT_EQ(record->firmwareVersion(), 0x14020300u);
    EXPECT_EQ(record->serialNumber(), 0x05001234u);
    EXPECT_EQ(record->bootloaderVersion(), 0x14);
    EXPECT_EQ(record->layout(), 2);
    EXPECT_TRUE(Bytes(record->image().begin(), record->image().end()) == image);
    EXPECT_TRUE(record->hasExtraBlock());
    EXPECT_EQ(record->extraBlock(), block);
    EXPECT_EQ(record->logTime(), FXULogTime(2021, 6, 30, 8, 15, 0));
    EXPECT_TRUE(record->comment().empty());

    // A version with a block that came with length 0 gives a record without one, and one log line.
    ASSERT_TRUE(load(put("empty-block.bin", concat({kPlainFrame, image, {0}})), read));
    EXPECT_TRUE(read.hasExtraBlock);
    EXPECT_TRUE(read.extraBlock.empty());
    const std::unique_ptr<FXULog> made = read.makeRecord();
    EXPECT_FALSE(made->hasExtraBlock());
    EXPECT_THAT(made->droppedExtraBlock(), ::testing::HasSubstr("Extra block of 0 bytes cannot be stored"));
}

TEST_F(BinHistoryFileTest, GeneratedFilesOfEveryFeatureReadBackUnchanged) {
    HistoryGenerator generator(20240307);
    for (const HistoryFeatures& features : HistoryGenerator::AllFeatureCombinations()) {
        const GeneratedHistory made = generator.history(features);
        const Bytes file = made.binFile();
        BinHistoryFile::Contents read;
        std::string cut;
        ASSERT_TRUE(BinHistoryFile::Parse(file.data(), file.size(), read, &cut)) << cut;
        EXPECT_EQ(read.frame.hasExtBytes, features.extendedHeader);
        EXPECT_EQ(read.frame.identBytes, made.frame.identBytes);
        if (features.extendedHeader) {
            EXPECT_EQ(read.frame.extBytes, made.frame.extBytes);
        }
        EXPECT_EQ(read.frame.infoBlock, made.frame.infoBlock);
        EXPECT_TRUE(read.frame.isValid());
        EXPECT_TRUE(read.image == made.image);
        EXPECT_EQ(read.extraBlock, made.extraBlock);
        // One byte shorter is always refused.
        EXPECT_FALSE(BinHistoryFile::Parse(file.data(), file.size() - 1, read));
    }
}
