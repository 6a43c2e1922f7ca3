// A machine file as it lies on disk: larger than the format can hold, changed by another program since it
// was read, or marked read-only.

#include "core/base/ByteOrder.h"
#include "core/base/FXUCrc_error.h"
#include "core/database/Crc32.h"
#include "core/database/DBMowerFile.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testing::HasSubstr;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

std::string withCrc(std::string content) {
    std::uint8_t crc[4];
    byteorder::putLE32(crc, Crc32::Compute(content));
    return content.append(reinterpret_cast<const char*>(crc), 4);
}

void le16(std::string& s, std::size_t value) {
    s.push_back(static_cast<char>(value & 0xFF));
    s.push_back(static_cast<char>(value >> 8));
}

// The longest record block there can be: extended header, reserved bytes, image, a block of 255 bytes and
// a comment of 65,535.
std::string longestRecord() {
    const std::vector<std::uint8_t> image(FXULog::kImageSize, 0);
    FXULog record(image.data());
    record.SetIdentBytes({1, 9, 4, 0, 0, 0}); // ident[1] 9 and version 19.3.20.2: the extended form
    record.SetExtBytes({7, 8});
    record.SetSerialNumber(0x0001A2F3);
    record.SetFirmwareVersion(0x13031402);
    record.SetTypeByte(0x24);
    record.SetLogTime(FXULogTime(2024, 3, 7, 14, 5, 9));
    const std::vector<std::uint8_t> block(FXULog::kMaxExtraBlock, 0x42);
    EXPECT_TRUE(record.SetExtraBlock(block.data(), block.size()));
    record.SetComment(std::string(FXULog::kMaxComment, 'c'));
    std::ostringstream out;
    record.WriteRecord(out);
    std::string bytes = out.str();
    // A machine sends at most 128 bytes; a file may announce all that its length byte can.
    const std::size_t lengthAt = FXULog::kExtendedHeaderSize + FXULog::kReservedSize + FXULog::kImageSize;
    bytes[lengthAt] = static_cast<char>(FXULog::kReadableExtraBlock);
    bytes.insert(lengthAt + 1 + FXULog::kMaxExtraBlock, FXULog::kReadableExtraBlock - FXULog::kMaxExtraBlock,
                 '\x42');
    return bytes;
}

// The longest machine block, announcing count records.
std::string longestMachineBlock(std::uint16_t count) {
    std::string s("\x02xyz\x01", 5);
    s += std::string("\xF3\xA2\x01\x00", 4);
    for (int text = 0; text < 3; ++text) {
        le16(s, FXUMowerLog::kMaxOwnerText);
        s += std::string(FXUMowerLog::kMaxOwnerText, 'o');
    }
    s += std::string("\x04\x07\x01\x00\x00\x00\x01", 7);
    le16(s, count);
    return s;
}

void sparse(const std::string& path, const std::string& head, std::uint64_t size) {
    TempDir::write(path, head);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
}

// 0: refused as corrupt; 1: loaded; 2: refused otherwise; 3: out of memory.
int loadWithLittleMemory(const std::string& path) {
    return inChild([&] {
        // A reader that took the file into memory would run out long before its end.
        if (!kAddressSanitizer) {
            const rlimit limit{std::uint64_t{1} << 30, std::uint64_t{1} << 30};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        DBMowerFile file;
        file.SetFileName(path);
        try {
            if (file.LoadMachineFile())
                return 1;
            const DBMowerFile::Failure failure = file.failure();
            return failure == DBMowerFile::Failure::Crc || failure == DBMowerFile::Failure::TooLarge ? 0 : 2;
        } catch (const std::bad_alloc&) {
            return 3;
        } catch (...) {
            return 2;
        }
    });
}

} // namespace

TEST(DBMowerFileSize, TheLongestFileTheFormatCanHoldIsReadAndAnythingLongerIsRefusedUnread) {
    EXPECT_EQ(FXULog::kMaxBlockSize, 74'022u);
    EXPECT_EQ(FXUMowerLog::kMaxMachineBlock, 792u);
    EXPECT_EQ(DBMowerFile::kMaxFileSize, 4'851'032'566u);

    // Built by hand at every field's longest: the bound is not one byte too tight.
    const std::string longest = withCrc(longestMachineBlock(1) + longestRecord());
    ASSERT_EQ(longest.size(), DBMowerFile::MaxFileSize(1));
    TempDir dir;
    const std::string path = dir.file("0001A2F3.dat");
    TempDir::write(path, longest);
    DBMowerFile file;
    file.SetFileName(path);
    ASSERT_TRUE(file.LoadMachineFile()) << file.lastError();
    const FXULog& record = *file.mowerLog().records().begin()->second;
    EXPECT_EQ(record.extraBlock().size(), 255u);
    EXPECT_EQ(record.comment().size(), 65'535u);

    // One byte more, under a right CRC: more than one record can fill, so corrupt before it is parsed.
    TempDir::write(path, withCrc(longestMachineBlock(1) + longestRecord() + "x"));
    EXPECT_FALSE(file.LoadMachineFile());
    EXPECT_EQ(file.failure(), DBMowerFile::Failure::TooLarge);

    // Gigabytes of nothing, gigabytes after a machine block of two records, and a file longer than any
    // record count allows: each refused as corrupt with a gigabyte of memory at most.
    sparse(path, "", std::uint64_t{3} << 30);
    EXPECT_EQ(loadWithLittleMemory(path), 0);
    sparse(path, longestMachineBlock(2), std::uint64_t{3} << 30);
    EXPECT_EQ(loadWithLittleMemory(path), 0);
    sparse(path, longestMachineBlock(0xFFFF), DBMowerFile::kMaxFileSize + 1);
    EXPECT_EQ(loadWithLittleMemory(path), 0);
    // Within what its record count allows but over the piecewise limit: the CRC is checked before memory
    // is asked for.
    sparse(path, longestMachineBlock(0xFFFF), DBMowerFile::kWholeReadLimit + 1);
    EXPECT_EQ(loadWithLittleMemory(path), 0);

    // Three gigabytes of nothing after a block announcing 65,535 records, under a right CRC: every record
    // reads as an empty one, so only the end tells; found out within the memory bound.
    const std::string head = longestMachineBlock(0xFFFF);
    const std::uint64_t size = std::uint64_t{3} << 30;
    sparse(path, head, size - 4);
    std::uint32_t crc = Crc32::Compute(head);
    const std::vector<std::uint8_t> zeros(1 << 24, 0);
    for (std::uint64_t left = size - 4 - head.size(); left > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        crc = Crc32::Update(crc, zeros.data(), piece);
        left -= piece;
    }
    std::string tail(4, '\0');
    byteorder::putLE32(reinterpret_cast<std::uint8_t*>(tail.data()), crc);
    std::ofstream(path, std::ios::binary | std::ios::app) << tail;
    ASSERT_EQ(std::filesystem::file_size(path), size);
    EXPECT_EQ(loadWithLittleMemory(path), 2) << "refused for what it holds, not for want of memory";
}

TEST(DBMowerFileLoad, AFileTooLongToReadInOnePieceLoadsAsItsBytesParse) {
    // Enough records to pass the one-piece limit: read through the fixed buffer, whose jumps and refills
    // must give every record exactly.
    HistoryGenerator generator(7);
    FXUMowerLog machine = std::move(*generator.machine(1));
    while (DBMowerFile::Serialize(machine).size() <= DBMowerFile::kWholeReadLimit) {
        auto more = generator.machine(6);
        machine.Merge(*more);
    }
    const std::string content = DBMowerFile::Serialize(machine);
    TempDir dir;
    const std::string path = dir.file("0001A2F3.dat");
    TempDir::write(path, content);
    DBMowerFile file;
    file.SetFileName(path);
    ASSERT_TRUE(file.LoadMachineFile()) << file.lastError();
    FXUMowerLog parsed;
    DBMowerFile::Parse(content, parsed);
    EXPECT_EQ(file.mowerLog().Count(), parsed.Count());
    EXPECT_EQ(DBMowerFile::Serialize(file.mowerLog()), content);
}

TEST(DBMowerFileSave, AFileChangedOnDiskSinceItWasReadIsKeptBesideIt) {
    TempDir dir;
    const std::string path = dir.file("0001A2F3.dat");
    auto machine = [](const std::string& name) {
        FXUMowerLog log;
        log.SetName(name);
        const std::vector<std::uint8_t> image(FXULog::kImageSize, 0);
        auto record = std::make_unique<FXULog>(image.data());
        record->SetSerialNumber(0x0001A2F3);
        record->SetFirmwareVersion(0x12050300);
        record->SetLogTime(FXULogTime(2024, 3, 7, 14, 5, 9));
        log.Insert(record->logTime(), record);
        return log;
    };
    TempDir::write(path, DBMowerFile::Serialize(*std::make_unique<FXUMowerLog>(machine("first"))));
    DBMowerFile mine;
    mine.SetFileName(path);
    mine.LoadMachineFile();

    // Saved again while unchanged, and after a mere touch: nothing to keep.
    mine.mowerLog().SetName("mine");
    ASSERT_TRUE(mine.SaveMachineFile()) << mine.lastError();
    EXPECT_EQ(mine.keptAside(), "");
    const timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_TRUE(mine.SaveMachineFile());
    EXPECT_EQ(mine.keptAside(), "");

    // Another process saves the machine in between, with the same size (same name length).
    const int code = inChild([&] {
        DBMowerFile theirs;
        theirs.SetFileName(path);
        theirs.LoadMachineFile();
        theirs.mowerLog().SetName("them");
        return theirs.SaveMachineFile() ? 0 : 1;
    });
    ASSERT_EQ(code, 0);
    const std::string theirBytes = TempDir::read(path);
    mine.mowerLog().SetName("mine again");
    ASSERT_TRUE(mine.SaveMachineFile()) << mine.lastError();
    EXPECT_EQ(mine.keptAside(), path + ".old");
    EXPECT_TRUE(TempDir::read(path + ".old") == theirBytes) << "their version is kept";
    FXUMowerLog back;
    DBMowerFile::Parse(TempDir::read(path), back);
    EXPECT_EQ(back.name(), "mine again");

    // A file where the entry never read one is kept too; the next name is free.
    DBMowerFile fresh;
    fresh.mowerLog() = machine("fresh");
    fresh.SetFileName(path);
    ASSERT_TRUE(fresh.SaveMachineFile());
    EXPECT_EQ(fresh.keptAside(), path + ".old2");
    ASSERT_TRUE(fresh.SaveMachineFile());
    EXPECT_EQ(fresh.keptAside(), "") << "its own file is not kept again";
}

TEST(DBMowerFileSave, AReadOnlyFileIsNotReplacedAndALinkIsWrittenThrough) {
    TempDir dir;
    const std::string path = dir.file("0001A2F3.dat");
    DBMowerFile file;
    file.SetFileName(path);
    const std::vector<std::uint8_t> image(FXULog::kImageSize, 0);
    auto record = std::make_unique<FXULog>(image.data());
    record->SetFirmwareVersion(0x12050300);
    record->SetLogTime(FXULogTime(2024, 3, 7, 14, 5, 9));
    file.mowerLog().Insert(record->logTime(), record);
    ASSERT_TRUE(file.SaveMachineFile());
    const std::string before = TempDir::read(path);

    ::chmod(path.c_str(), 0444);
    file.mowerLog().SetName("changed");
    EXPECT_FALSE(file.SaveMachineFile());
    EXPECT_THAT(file.lastError(), HasSubstr(path));
    EXPECT_EQ(TempDir::read(path), before);

    // Through a link, into the target's folder, keeping its mode.
    ::chmod(path.c_str(), 0640);
    std::filesystem::create_directory(dir.file("elsewhere"));
    const std::string link = dir.file("elsewhere/0001A2F3.dat");
    ASSERT_EQ(::symlink("../0001A2F3.dat", link.c_str()), 0);
    DBMowerFile linked;
    linked.SetFileName(link);
    linked.LoadMachineFile();
    linked.mowerLog().SetName("through the link");
    ASSERT_TRUE(linked.SaveMachineFile()) << linked.lastError();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    FXUMowerLog back;
    DBMowerFile::Parse(TempDir::read(path), back);
    EXPECT_EQ(back.name(), "through the link");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("elsewhere")))
        EXPECT_EQ(entry.path(), link) << "nothing written beside the link";
}
