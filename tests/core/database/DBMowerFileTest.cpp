#include "core/database/DBMowerFile.h"

#include "core/base/FXUCrc_error.h"
#include "core/database/Crc32.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ios>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

const FXULogTime kOlder(2007, 5, 3, 10, 20, 30);
const FXULogTime kNewer(2024, 3, 7, 14, 5, 9);

// The CRC appended least significant byte first, spelled out here.
std::string withCrc(const std::string& content) {
    const std::uint32_t crc = Crc32::Compute(content);
    std::string bytes = content;
    for (int shift : {0, 8, 16, 24})
        bytes.push_back(static_cast<char>((crc >> shift) & 0xFF));
    return bytes;
}

void addRecord(FXUMowerLog& log, const FXULogTime& time, std::uint32_t serial, std::string comment) {
    std::vector<std::uint8_t> image(FXULog::kImageSize, 0x5A);
    image[28] = image[29] = 0; // an empty event ring
    auto record = std::make_unique<FXULog>(image.data());
    record->SetIdentBytes({1, 5, 3, 0, 0, 0});
    record->SetSerialNumber(serial);
    record->SetFirmwareVersion(0x12050300);
    record->SetTypeByte(0x24);
    record->SetLogTime(time);
    record->SetComment(std::move(comment));
    ASSERT_TRUE(log.Insert(time, record));
}

void fill(FXUMowerLog& log) {
    log.SetName("Dupr\xe9");
    log.SetAddress("3 all\xe9"
                   "e des Tilleuls\n49000 Angers\n");
    log.SetMachineNumber(123);
    log.SetYear(7);
    addRecord(log, kNewer, 0x0000ABCD, "fine");
    addRecord(log, kOlder, 0x0000ABCD, "note");
}

// A record with an all-zero image and the header fields given.
struct Header {
    FXULog::IdentBytes ident{};
    std::optional<FXULog::ExtBytes> ext;
    std::uint32_t serial = 0;
    std::uint8_t bootloader = 0;
    std::uint32_t version = 0;
    std::uint8_t type = 0;
};

std::unique_ptr<FXULog> zeroRecord(const Header& header, const FXULogTime& time, std::string comment = {}) {
    const std::vector<std::uint8_t> image(FXULog::kImageSize, 0);
    auto record = std::make_unique<FXULog>(image.data());
    record->SetIdentBytes(header.ident);
    if (header.ext)
        record->SetExtBytes(*header.ext);
    record->SetSerialNumber(header.serial);
    record->SetBootloaderVersion(header.bootloader);
    record->SetFirmwareVersion(header.version);
    record->SetTypeByte(header.type);
    record->SetLogTime(time);
    record->SetComment(std::move(comment));
    return record;
}

} // namespace

TEST(Crc32, GivesTheStandardCheckValues) {
    EXPECT_EQ(Crc32::Compute("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32::Compute(""), 0u);
    EXPECT_EQ(Crc32::Compute("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    const std::string digits = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(digits.data());
    EXPECT_EQ(Crc32::Update(Crc32::Compute(bytes, 4), bytes + 4, 5), 0xCBF43926u);
    EXPECT_EQ(Crc32::Update(0x12345678, nullptr, 0), 0x12345678u);
}

TEST(DBMowerFileCrc, AppendsLeastSignificantByteFirstAndCatchesEveryChange) {
    std::stringstream io("123456789", std::ios_base::in | std::ios_base::out | std::ios_base::binary);
    ASSERT_TRUE(DBMowerFile::AppendFileCrc(io));
    const std::string file = io.str();
    EXPECT_EQ(file, "123456789\x26\x39\xF4\xCB");
    io.seekg(5);
    EXPECT_TRUE(DBMowerFile::CheckFileCrc(io));
    EXPECT_EQ(io.tellg(), 0);
    for (std::size_t i = 0; i < file.size(); ++i) {
        std::string changed = file;
        changed[i] = static_cast<char>(changed[i] ^ 0x01);
        std::istringstream in(changed);
        EXPECT_FALSE(DBMowerFile::CheckFileCrc(in)) << i;
    }
    for (std::size_t size : {0, 3, 4}) {
        std::istringstream in(std::string(size, '\0'));
        EXPECT_EQ(DBMowerFile::CheckFileCrc(in), size == 4) << size; // the CRC of no bytes is 0
    }
}

TEST(DBMowerFileLoad, ReadsBackWhatWasSaved) {
    TempDir dir;
    DBMowerFile saved;
    saved.SetFileName(dir.file("0000ABCD.dat"));
    fill(saved.mowerLog());
    ASSERT_TRUE(saved.SaveMachineFile()) << saved.lastError();
    EXPECT_EQ(saved.lastError(), "");

    const std::string bytes = TempDir::read(saved.fileName());
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes, withCrc(bytes.substr(0, bytes.size() - 4)));

    DBMowerFile loaded;
    loaded.SetFileName(saved.fileName());
    const FXUMowerLog* machine = &loaded.mowerLog();
    EXPECT_TRUE(loaded.LoadMachineFile());
    EXPECT_EQ(&loaded.mowerLog(), machine);
    const FXUMowerLog& log = loaded.mowerLog();
    EXPECT_EQ(log.name() + log.address(), saved.mowerLog().name() + saved.mowerLog().address());
    EXPECT_EQ(log.MachineNumberText(), "QA-07-0123-B");
    EXPECT_EQ(log.logTimeVect(), (std::vector<FXULogTime>{kOlder, kNewer})); // stored oldest first
    EXPECT_EQ(log.Find(kOlder).comment(), "note");
    EXPECT_EQ(log.Find(kNewer).image(), saved.mowerLog().Find(kNewer).image());
}

TEST(DBMowerFileLoad, RefusesCorruptFilesAndKeepsTheMachine) {
    TempDir dir;
    const std::string path = dir.file("machine.dat");
    DBMowerFile entry;
    entry.SetFileName(path);
    fill(entry.mowerLog());
    const std::string good = DBMowerFile::Serialize(entry.mowerLog());
    const std::string content = good.substr(0, good.size() - 4);

    // Any single changed byte, CRC bytes included.
    for (std::size_t i = 0; i < good.size(); ++i) {
        std::string changed = good;
        changed[i] = static_cast<char>(changed[i] ^ 0x10);
        FXUMowerLog log;
        ASSERT_THROW(DBMowerFile::Parse(changed, log), FXUCrc_error) << i;
    }
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(~flipped[good.size() / 2]);
    for (const std::string& bytes : {flipped, std::string("\x01\x02\x03"), std::string()}) {
        TempDir::write(path, bytes);
        EXPECT_FALSE(entry.LoadMachineFile());
        EXPECT_EQ(entry.failure(), DBMowerFile::Failure::Crc);
        EXPECT_EQ(entry.lastError(), path + ": corrupted file (CRC does not match)");
    }

    const FXUMowerLog& log = entry.mowerLog(); // 20 fixed bytes around the three owner strings
    const std::size_t blockSize = 20 + log.name().size() + log.firstName().size() + log.address().size();
    ASSERT_EQ(content.substr(blockSize - 2, 2), std::string("\x02\x00", 2)); // the record count
    const std::string noRecord = content.substr(0, blockSize - 2) + std::string(2, '\0');
    std::string longName = content;
    longName.replace(5, 2 + 5, std::string("\x01\x01", 2) + std::string(257, 'x'));
    entry.mowerLog().SetName("in memory"); // told apart from what the files hold
    using F = DBMowerFile::Failure;
    const std::tuple<std::string, const char*, F> cases[] = {
        {withCrc(content.substr(0, 500)), "record 1 of 2: history record ends early", F::Truncated},
        {withCrc(content.substr(0, content.size() - 1)), "record 2 of 2",
         F::Truncated}, // would reach the CRC
        {withCrc(content + "x"), "bytes after the last record: 1", F::Format},
        {withCrc(noRecord), "record count is 0", F::Format},
        {withCrc(longName), "owner's name", F::Format}};
    for (const auto& [bytes, message, kind] : cases) {
        TempDir::write(path, bytes);
        EXPECT_FALSE(entry.LoadMachineFile());
        EXPECT_EQ(entry.failure(), kind) << message;
        EXPECT_THAT(entry.lastError(),
                    AllOf(StartsWith(path + ": "), HasSubstr(message), Not(HasSubstr("iostream error"))));
    }
    entry.SetFileName(dir.file("missing.dat"));
    EXPECT_FALSE(entry.LoadMachineFile());
    EXPECT_EQ(entry.failure(), F::CannotOpen);
    EXPECT_EQ(entry.mowerLog().name(), "in memory");
    EXPECT_EQ(entry.mowerLog().Count(), 2u);
}

TEST(DBMowerFileSave, AFailedSaveLeavesTheOldFile) {
    TempDir dir;
    DBMowerFile entry;
    entry.SetFileName(dir.file("machine.dat"));
    fill(entry.mowerLog());
    ASSERT_TRUE(entry.SaveMachineFile()) << entry.lastError();
    const std::string old = TempDir::read(entry.fileName());

    entry.mowerLog().SetAddress(std::string(257, 'a'));
    EXPECT_FALSE(entry.SaveMachineFile());
    EXPECT_THAT(entry.lastError(), HasSubstr("owner's address"));
    EXPECT_THAT(entry.lastError(), HasSubstr(entry.fileName()));
    EXPECT_EQ(TempDir::read(entry.fileName()), old);

    entry.mowerLog().SetAddress("");
    entry.SetFileName(dir.file("taken"));
    std::filesystem::create_directory(entry.fileName());
    TempDir::write(dir.file("taken/inside"), "kept");
    EXPECT_FALSE(entry.SaveMachineFile());
    EXPECT_THAT(entry.lastError(), HasSubstr(entry.fileName()));
    EXPECT_EQ(TempDir::read(dir.file("taken/inside")), "kept");
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        names.push_back(item.path().filename().string());
    EXPECT_THAT(names, testing::UnorderedElementsAre("machine.dat", "taken")); // no temporary left behind

    DBMowerFile unnamed;
    EXPECT_DEATH(unnamed.SaveMachineFile(), "Assertion failed: fileName!=\"\", file Component/DBMower");
}

TEST(DBMowerFileLoad, ARecordWhoseHeaderPassesForTheOtherFormIsReadInTheFormThatFitsTheFile) {
    // A plain block with ident[1] = 9 and an ordinary version: the header test calls it extended, and read
    // so its time (1795-05-10 12:16:05) is a possible one. Only the bytes that follow tell the forms apart.
    auto ambiguous = [](const FXULogTime& time, std::string comment) {
        return zeroRecord({{0x51, 9, 4, 0, 0, 0}, {}, 0x04AB0510, 0x21, 0x13031400, 0x24}, time,
                          std::move(comment));
    };
    const FXULogTime first(2024, 3, 7, 5, 10, 12);
    {
        std::ostringstream block;
        ambiguous(first, "")->WriteRecord(block);
        const std::string bytes = block.str(); // str() returns a copy: the pointer must not outlive it
        const auto* h = reinterpret_cast<const std::uint8_t*>(bytes.data());
        ASSERT_EQ(FXULog::HeaderForms(h)[0], FXULog::HeaderForm::Extended)
            << "the case needs a misleading header";
    }
    for (const std::string& comment : {std::string(), std::string("Lames chang\xe9"
                                                                  "es\r\n")}) {
        FXUMowerLog machine;
        machine.SetName("Hu");
        auto record = ambiguous(first, comment);
        ASSERT_TRUE(machine.Insert(first, record));
        const std::string once = DBMowerFile::Serialize(machine);
        FXUMowerLog back;
        ASSERT_NO_THROW(DBMowerFile::Parse(once, back)) << "a file the program wrote is read back";
        ASSERT_EQ(back.Count(), 1u);
        const FXULog& read = back.Find(first);
        EXPECT_FALSE(read.hasExtBytes());
        EXPECT_EQ(read.firmwareVersion(), 0x13031400u);
        EXPECT_EQ(read.comment(), comment);
        EXPECT_EQ(DBMowerFile::Serialize(back), once);

        // The same record among others, oldest, newest and in between.
        for (const FXULogTime& other : {FXULogTime(2020, 1, 2, 3, 4, 5), FXULogTime(2025, 6, 7, 8, 9, 10)}) {
            auto plain = ambiguous(other, "x");
            plain->SetIdentBytes({0x51, 5, 4, 0, 0, 0});
            ASSERT_TRUE(machine.Insert(other, plain));
        }
        const std::string three = DBMowerFile::Serialize(machine);
        FXUMowerLog backThree;
        ASSERT_NO_THROW(DBMowerFile::Parse(three, backThree));
        EXPECT_EQ(backThree.Count(), 3u);
        EXPECT_EQ(DBMowerFile::Serialize(backThree), three);
    }
}

TEST(DBMowerFileSave, RecordsThatWouldReadBackAsOthersAreNeverWritten) {
    // An extended block whose time is no time in either form, then a plain one: read back, the first
    // passes for a plain block two bytes short and the second for an extended one that takes them up.
    FXUMowerLog machine;
    const FXULogTime never(0, 0, 0, 0, 0, 0);
    auto odd = zeroRecord({{}, FXULog::ExtBytes{0, 0}, 0x43001600, 0x6f, 0xf472746e, 0x6c}, never);
    ASSERT_TRUE(machine.Insert(never, odd));
    const FXULogTime real(2016, 3, 17, 17, 18, 47);
    auto plain = zeroRecord({{186, 8, 3, 110, 31, 158}, {}, 0x070d591e, 0x22, 0x13052324, 0x17}, real);
    ASSERT_TRUE(machine.Insert(real, plain));

    EXPECT_THROW(DBMowerFile::Serialize(machine), std::ios_base::failure);
    TempDir dir;
    const std::string path = dir.file("machine.dat");
    TempDir::write(path, "the file as it was");
    DBMowerFile entry;
    entry.SetFileName(path);
    entry.mowerLog() = std::move(machine);
    EXPECT_FALSE(entry.SaveMachineFile());
    EXPECT_THAT(entry.lastError(), HasSubstr("would not read back"));
    EXPECT_EQ(TempDir::read(path), "the file as it was");

    // Without the odd record the machine is stored as usual, also with an old record whose type byte
    // lacks the type code: reading completes it, which is no change to refuse.
    entry.mowerLog().Remove(never);
    auto old = zeroRecord({{1, 5, 3, 0, 0, 0}, {}, 0, 0, 0x12050300, 0x20}, kOlder);
    ASSERT_TRUE(entry.mowerLog().Insert(kOlder, old));
    EXPECT_TRUE(entry.SaveMachineFile()) << entry.lastError();
    FXUMowerLog back;
    DBMowerFile::Parse(TempDir::read(path), back);
    EXPECT_EQ(back.Find(real).identBytes(), (FXULog::IdentBytes{186, 8, 3, 110, 31, 158}));
    ASSERT_NE(back.typeCode(), 0);
    EXPECT_EQ(back.Find(kOlder).typeByte(), 0x20 + back.typeCode());
}

TEST(DBMowerFileSave, AShortExtraBlockIsStoredAndReadBackUnlessTheFileWouldReadOtherwise) {
    TempDir dir;
    DBMowerFile entry;
    entry.SetFileName(dir.file("0001A2F3.dat"));
    const FXULogTime first(2024, 3, 7, 14, 5, 9), second(2024, 4, 1, 9, 0, 0);
    auto record = zeroRecord({{1, 5, 3, 0, 0, 0}, {}, 0x0001A2F3, 1, 0x13031402, 0x24}, first, "blades");
    const std::vector<std::uint8_t> shortBlock = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(record->SetExtraBlock(shortBlock.data(), shortBlock.size())) << "kept, as a machine sent it";
    ASSERT_TRUE(entry.mowerLog().Insert(first, record));
    auto later = zeroRecord({{1, 5, 3, 0, 0, 0}, {}, 0x0001A2F3, 1, 0x13031402, 0x24}, second, "");
    const std::vector<std::uint8_t> zeroFirst(70, 0);
    ASSERT_TRUE(later->SetExtraBlock(zeroFirst.data(), zeroFirst.size()));
    ASSERT_TRUE(entry.mowerLog().Insert(second, later));
    ASSERT_TRUE(entry.SaveMachineFile()) << entry.lastError();

    DBMowerFile back;
    back.SetFileName(entry.fileName());
    ASSERT_NO_THROW(back.LoadMachineFile());
    EXPECT_EQ(back.mowerLog().Find(first).extraBlock(), shortBlock);
    EXPECT_EQ(back.mowerLog().Find(first).comment(), "blades");
    EXPECT_EQ(back.mowerLog().Find(second).extraBlock(), zeroFirst);

    // A comment of 255 bytes after a block starting with 1: the rule's reading of those bytes ends at the
    // end of the file, so the file would read back without the block. It is not written.
    const std::string before = TempDir::read(entry.fileName());
    entry.mowerLog().Find(second).SetComment(std::string(255, 'z'));
    const std::vector<std::uint8_t> oneFirst = {1, 9, 9};
    entry.mowerLog().Find(second).SetExtraBlock(oneFirst.data(), oneFirst.size());
    EXPECT_FALSE(entry.SaveMachineFile());
    EXPECT_THAT(entry.lastError(), HasSubstr("would not read back"));
    EXPECT_TRUE(TempDir::read(entry.fileName()) == before);
}
