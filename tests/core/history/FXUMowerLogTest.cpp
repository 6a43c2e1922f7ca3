#include "core/history/FXUMowerLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ios>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

using testing::HasSubstr;
using testing::StrEq;
using testing::ThrowsMessage;
using Times = std::vector<FXULogTime>;

namespace {

const FXULogTime kA(2006, 12, 31, 23, 59, 59), kB(2007, 1, 1, 0, 0, 0), kC(2007, 5, 3, 10, 20, 30),
    kD(2007, 5, 3, 10, 20, 31);
constexpr std::uint32_t kV1 = 0x12050300, kV2 = 0x12040200; // both select layout 1

struct Rec {
    Rec(FXULogTime time, std::uint32_t serial, std::uint8_t typeByte = 0x24, std::uint32_t firmware = kV1,
        std::uint8_t boot = 1, std::string comment = "")
        : time(time), serial(serial), typeByte(typeByte), firmware(firmware), boot(boot),
          comment(std::move(comment)) {}
    FXULogTime time;
    std::uint32_t serial;
    std::uint8_t typeByte;
    std::uint32_t firmware;
    std::uint8_t boot;
    std::string comment;
};

// Little-endian, written out here so that expected bytes never come from the code under test.
void le(std::string& s, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string image() {
    std::string bytes(FXULog::kImageSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    bytes[28] = bytes[29] = 0; // an empty event ring
    return bytes;
}

std::unique_ptr<FXULog> makeRecord(const Rec& r) {
    auto record = std::make_unique<FXULog>(reinterpret_cast<const std::uint8_t*>(image().data()));
    record->SetIdentBytes({1, 5, 3, 0, 0, 0});
    record->SetSerialNumber(r.serial);
    record->SetBootloaderVersion(r.boot);
    record->SetFirmwareVersion(r.firmware);
    record->SetTypeByte(r.typeByte);
    record->SetLogTime(r.time);
    record->SetComment(r.comment);
    return record;
}

// The stored record block, plain header form.
std::string recordBlock(const Rec& r) {
    std::string s = {1, 5, 3, 0, 0, 0};
    le(s, r.time.year, 2);
    for (std::uint32_t v : {r.time.month, r.time.day, r.time.hour, r.time.minute, r.time.second})
        le(s, v, 1);
    le(s, r.serial, 4);
    le(s, r.boot, 1);
    le(s, r.firmware, 4);
    le(s, r.typeByte, 1);
    s += std::string("\0\1\2\3\4\5\6\7\10\11\12\13", 12) + image();
    le(s, static_cast<std::uint32_t>(r.comment.size()), 2);
    return s + r.comment;
}

std::string machineBlock(std::uint32_t serial, const std::string& name, const std::string& address,
                         std::uint8_t code, std::uint8_t year, std::uint32_t number, std::uint8_t flag,
                         std::uint16_t count) {
    std::string s = "\x01";
    le(s, serial, 4);
    for (const std::string& text : {name, std::string(), address}) {
        le(s, static_cast<std::uint32_t>(text.size()), 2);
        s += text;
    }
    le(s, code, 1);
    le(s, year, 1);
    le(s, number, 4);
    le(s, flag, 1);
    le(s, count, 2);
    return s;
}

bool insert(FXUMowerLog& log, const Rec& r, FXULog** kept = nullptr) {
    auto record = makeRecord(r);
    if (kept)
        *kept = record.get();
    return log.Insert(r.time, record);
}

Times byTime(const FXUMowerLog& log) {
    Times times;
    for (const auto& entry : log.records())
        times.push_back(entry.first);
    return times;
}

// serialNumber, firmwareVersion, typeByte, bootloaderVersion
std::tuple<std::uint32_t, std::uint32_t, int, int> copies(const FXUMowerLog& log) {
    return {log.serialNumber(), log.firmwareVersion(), log.typeByte(), log.bootloaderVersion()};
}

} // namespace

TEST(FXUMowerLogInsert, OrdersByTimeAndKeepsCopiesFromTheNewest) {
    FXUMowerLog log;
    EXPECT_EQ(std::tuple(log.Count(), log.machineNumber(), log.factoryFlag(), log.typeCode()),
              std::tuple(std::size_t{0}, 1, 0, 4));
    FXULog* newest = nullptr;
    ASSERT_TRUE(insert(log, {kD, 0x111, 0x24, kV1, 7}, &newest));
    // Older records after a newer one: a second apart, and across the year boundary.
    ASSERT_TRUE(insert(log, {kC, 0x222, 0x25, kV2, 3}));
    ASSERT_TRUE(insert(log, {kB, 0x333}));
    ASSERT_TRUE(insert(log, {kA, 0x444}));
    EXPECT_EQ(copies(log), std::tuple(0x111u, kV1, 0x24, 7));
    EXPECT_EQ(log.logTimeVect(), (Times{kD, kC, kB, kA}));
    EXPECT_EQ(byTime(log), (Times{kA, kB, kC, kD}));

    auto duplicate = makeRecord({kD, 0x999});
    const FXULog* duplicateRecord = duplicate.get();
    EXPECT_FALSE(log.Insert(kD, duplicate));
    EXPECT_EQ(duplicate.get(), duplicateRecord); // still the caller's
    EXPECT_EQ(log.logTimeVect().size(), 4u);
    EXPECT_EQ(&log.Find(kD), newest);
    EXPECT_EQ(log.serialNumber(), 0x111u);

    EXPECT_EQ(log.At(0), std::pair(kD, newest));
    EXPECT_EQ(log.At(3).first, kA);
    EXPECT_THAT([&] { log.At(4); }, ThrowsMessage<std::out_of_range>(StrEq("vector")));
    EXPECT_THAT([&] { log.Find(FXULogTime(2007, 5, 3, 10, 20, 32)); },
                ThrowsMessage<std::range_error>(StrEq("erreur de cl\xe9")));
}

TEST(FXUMowerLogRemove, HandsTheRecordBackAndRefreshesFromTheNextNewest) {
    FXUMowerLog log;
    FXULog* older = nullptr;
    FXULog* newer = nullptr;
    ASSERT_TRUE(insert(log, {kC, 0x222, 0x25, kV2, 3}, &older));
    ASSERT_TRUE(insert(log, {kD, 0x111, 0x24, kV1, 7}, &newer));
    EXPECT_EQ(log.Remove(kA), nullptr);
    EXPECT_EQ(log.Remove(kD).get(), newer);
    EXPECT_EQ(log.logTimeVect(), Times{kC});
    EXPECT_EQ(copies(log), std::tuple(0x222u, kV2, 0x25, 3));
    // No record left to copy from: the machine keeps showing the last one's values.
    EXPECT_EQ(log.Remove(kC).get(), older);
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_TRUE(log.logTimeVect().empty());
    EXPECT_EQ(copies(log), std::tuple(0x222u, kV2, 0x25, 3));
}

TEST(FXUMowerLogMerge, TakesOnlyMissingTimesInTheOthersInsertionOrder) {
    FXUMowerLog here, other;
    FXULog *ownB = nullptr, *otherA = nullptr, *otherB = nullptr;
    ASSERT_TRUE(insert(here, {kB, 0x10}, &ownB));
    ASSERT_TRUE(insert(here, {kC, 0x20}));
    ASSERT_TRUE(insert(other, {kA, 0x30}, &otherA));
    ASSERT_TRUE(insert(other, {kB, 0x40}, &otherB));
    here.Merge(other);
    EXPECT_EQ(byTime(here), (Times{kA, kB, kC}));
    EXPECT_EQ(here.logTimeVect(), (Times{kB, kC, kA}));
    EXPECT_EQ(&here.Find(kA), otherA); // the same object, now owned here
    EXPECT_EQ(&here.Find(kB), ownB);
    EXPECT_EQ(other.logTimeVect(), Times{kB});
    EXPECT_EQ(&other.Find(kB), otherB);

    // The other loses its newest record: its copies follow, as after a Remove.
    FXUMowerLog later;
    const FXULogTime kE(2008, 2, 29, 8, 0, 0);
    for (const Rec& r : {Rec{kE, 0x50}, Rec{kD, 0x60}, Rec{kB, 0x70}})
        ASSERT_TRUE(insert(later, r));
    here.Merge(later);
    EXPECT_EQ(here.logTimeVect(), (Times{kB, kC, kA, kE, kD}));
    EXPECT_EQ(here.serialNumber(), 0x50u);
    EXPECT_EQ(later.logTimeVect(), Times{kB});
    EXPECT_EQ(later.serialNumber(), 0x70u);
}

TEST(FXUMowerLogNumberText, FollowsTheTypePrefixTable) {
    const std::tuple<int, int, int, int, const char*> cases[] = {
        {4, 7, 123, 0, "QA-07-0123-B"},  {12, 9, 5, 1, "VRN52-270005"}, {8, 10, 12345, 1, "-10-12345"},
        {6, 3, 42, 0, "VRN75-260042-B"}, {2, 9, 1, 7, "VRN210-260001"}, {10, 24, 9, 0, "QB-24-0009-B"},
        {13, 0, 77, 1, "Q1-00-0077"},    {15, 5, 6, 1, "-05-0006"}};
    for (const auto& [code, year, number, flag, text] : cases) {
        FXUMowerLog log;
        log.SetTypeCode(static_cast<std::uint8_t>(code));
        log.SetYear(static_cast<std::uint8_t>(year));
        log.SetMachineNumber(number);
        log.SetFactoryFlag(static_cast<std::uint8_t>(flag));
        EXPECT_EQ(log.MachineNumberText(), text);
    }
}

TEST(FXUMowerLogRead, AppliesTheStoredRules) {
    // Leading bytes before the format byte, a block serial that is not the newest record's, a type byte
    // without its type code, and a second record of an existing time.
    const std::string bytes = std::string("\x02xyz") + machineBlock(0xDEADBEEF, "", "", 4, 7, 70000, 0, 3) +
                              recordBlock({kD, 0x1234, 0x20, kV1, 9, "newest"}) +
                              recordBlock({kC, 0x5678, 0x25, kV2}) + recordBlock({kD, 0x9999, 0x21});
    std::istringstream in(bytes);
    FXUMowerLog log;
    EXPECT_NO_THROW(log.ReadFromStream(in));
    EXPECT_EQ(in.tellg(), static_cast<std::streamoff>(bytes.size()));
    EXPECT_EQ(log.logTimeVect(), (Times{kD, kC}));
    EXPECT_EQ(copies(log), std::tuple(0x1234u, kV1, 0x24, 9));
    EXPECT_EQ(log.Find(kD).typeByte(), 0x24);
    EXPECT_EQ(log.Find(kD).comment(), "newest");
    EXPECT_EQ(log.Find(kC).typeByte(), 0x25);
    EXPECT_EQ(log.name() + log.firstName() + log.address(), "");
    EXPECT_EQ(std::tuple(log.typeCode(), log.year(), log.machineNumber(), log.factoryFlag()),
              std::tuple(4, 7, 70000, 0));
}

TEST(FXUMowerLogRead, RefusesCorruptInputAndKeepsWhatItHad) {
    const std::string record = recordBlock({kC, 0x5678});
    const std::string full = machineBlock(1, "n", "a", 4, 7, 1, 0, 1) + record;
    const std::pair<std::string, const char*> cases[] = {
        {machineBlock(1, std::string(257, 'x'), "", 4, 7, 1, 0, 1) + record, "owner's name"},
        {machineBlock(1, "", std::string(300, 'x'), 4, 7, 1, 0, 1) + record, "owner's address"},
        {machineBlock(1, "", "", 4, 7, 1, 0, 0), "record count is 0"},
        {full.substr(0, 9), "owner's first name"},
        {full.substr(0, full.size() - 1), "record 1 of 1"},
        {std::string("\x05\x00", 2), "leading bytes"}};
    for (const auto& [bytes, message] : cases) {
        FXUMowerLog log;
        log.SetName("kept");
        std::istringstream in(bytes); // no exceptions enabled: a short read must refuse all the same
        EXPECT_THAT([&] { log.ReadFromStream(in); },
                    ThrowsMessage<std::ios_base::failure>(HasSubstr(message)));
        EXPECT_EQ(log.name(), "kept");
    }
    std::istringstream longest(machineBlock(1, std::string(256, 'x'), "", 4, 7, 1, 0, 1) + record);
    FXUMowerLog log;
    EXPECT_NO_THROW(log.ReadFromStream(longest));
}

TEST(FXUMowerLogWrite, WritesTheTableOldestRecordFirst) {
    const std::string address = "12 rue de l'\xc9glise\n75000 Paris\r\n\r\nFrance";
    FXUMowerLog log;
    log.SetName("Dupr\xe9");
    log.SetAddress(address);
    log.SetTypeCode(12);
    log.SetYear(9);
    log.SetMachineNumber(-2);
    log.SetFactoryFlag(1);
    Rec newer{kD, 0x1234, 0x2C, kV1, 9, "newer"};
    const Rec older{kC, 0x5678, 0x25, kV2, 2};
    ASSERT_TRUE(insert(log, newer));
    ASSERT_TRUE(insert(log, older));
    // A record's own change reaches the machine at the next write, its bootloader version not even then.
    log.Find(kD).SetSerialNumber(newer.serial = 0xCAFE);
    log.Find(kD).SetBootloaderVersion(newer.boot = 10);
    EXPECT_EQ(log.serialNumber(), 0x1234u);

    std::ostringstream out;
    EXPECT_NO_THROW(log.WriteToStream(out));
    EXPECT_EQ(out.str(), machineBlock(0xCAFE, "Dupr\xe9", address, 12, 9, 0xFFFFFFFE, 1, 2) +
                             recordBlock(older) + recordBlock(newer));
    EXPECT_EQ(copies(log), std::tuple(0xCAFEu, kV1, 0x2C, 9));

    std::istringstream in(out.str());
    FXUMowerLog back;
    ASSERT_NO_THROW(back.ReadFromStream(in));
    EXPECT_EQ(back.address(), address);
    EXPECT_EQ(back.MachineNumberText(), "VRN52-27-0002");
}

TEST(FXUMowerLogWrite, RefusesWhatCouldNotBeReadBack) {
    FXUMowerLog log;
    std::ostringstream out;
    EXPECT_THAT([&] { log.WriteToStream(out); },
                ThrowsMessage<std::ios_base::failure>(HasSubstr("no record")));
    ASSERT_TRUE(insert(log, {kC, 1}));
    log.SetFirstName(std::string(257, 'x'));
    EXPECT_THAT([&] { log.WriteToStream(out); },
                ThrowsMessage<std::ios_base::failure>(HasSubstr("owner's first name")));
    EXPECT_EQ(out.str(), "");
    log.SetFirstName(std::string(256, 'x'));
    EXPECT_NO_THROW(log.WriteToStream(out));
}

namespace {

constexpr std::uint32_t kBlockVersion = 0x13031402; // 19.3.20.2: its records carry an extra block

// A record block as other installations write it: header (extended when ext), image, then, when block is
// given, its length byte and bytes whatever they are, then the comment.
std::string writtenElsewhere(const Rec& r, std::optional<std::string> block, bool ext = false) {
    std::string s = {1, static_cast<char>(ext ? 9 : 5), 3, 0, 0, 0};
    if (ext)
        s += "\x07\x08";
    le(s, r.time.year, 2);
    for (std::uint32_t v : {r.time.month, r.time.day, r.time.hour, r.time.minute, r.time.second})
        le(s, v, 1);
    le(s, r.serial, 4);
    le(s, r.boot, 1);
    le(s, r.firmware, 4);
    le(s, r.typeByte, 1);
    s += std::string("\0\1\2\3\4\5\6\7\10\11\12\13", 12) + image();
    if (block) {
        le(s, static_cast<std::uint32_t>(block->size()), 1);
        s += *block;
    }
    le(s, static_cast<std::uint32_t>(r.comment.size()), 2);
    return s + r.comment;
}

std::string blockOf(std::size_t length, char first) {
    std::string block(length, '\x5B');
    if (length > 0)
        block[0] = first;
    return block;
}

struct StoredRecord {
    std::optional<std::string> block;
    std::string comment;
    bool ext = false;
    std::uint32_t firmware = kBlockVersion;
};

struct ShortBlockCase {
    const char* name;
    std::vector<StoredRecord> records;
};

void PrintTo(const ShortBlockCase& c, std::ostream* os) {
    *os << c.name;
}

class FXUMowerLogShortBlocks : public ::testing::TestWithParam<ShortBlockCase> {};

} // namespace

TEST_P(FXUMowerLogShortBlocks, ReadBackWithTheirBlocksAndComments) {
    const auto& records = GetParam().records;
    std::string bytes = machineBlock(0x1234, "n", "", 4, 7, 1, 0, static_cast<std::uint16_t>(records.size()));
    std::vector<FXULogTime> times;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const StoredRecord& r = records[i];
        times.emplace_back(2015, 6, static_cast<std::uint8_t>(1 + i), 8, 30, 0);
        bytes += writtenElsewhere({times.back(), 0x1234, 0x24, r.firmware, 1, r.comment}, r.block, r.ext);
    }
    std::istringstream in(bytes);
    FXUMowerLog log;
    ASSERT_NO_THROW(log.ReadFromStream(in, /*toEnd=*/true));
    ASSERT_EQ(log.Count(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const FXULog& read = log.Find(times[i]);
        EXPECT_EQ(read.hasExtBytes(), records[i].ext) << i;
        EXPECT_EQ(read.hasExtraBlock(), records[i].block.has_value()) << i;
        const std::string block(read.extraBlock().begin(), read.extraBlock().end());
        EXPECT_EQ(block, records[i].block.value_or("")) << i;
        EXPECT_EQ(read.comment(), records[i].comment) << i;
    }
    // Written back byte for byte as the other installation wrote it.
    std::ostringstream out;
    ASSERT_NO_THROW(log.WriteToStream(out));
    EXPECT_TRUE(out.str() == bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, FXUMowerLogShortBlocks,
    ::testing::Values(
        ShortBlockCase{"ShortBlock", {{blockOf(10, 5), "after the block"}}},
        ShortBlockCase{"LongBlockStartingWithOne", {{blockOf(80, 1), "x"}}},
        ShortBlockCase{"BlockStartingWithZero", {{blockOf(70, 0), ""}}},
        ShortBlockCase{"EmptyBlock", {{std::string(), "c"}}},
        ShortBlockCase{"OneByteBlock", {{blockOf(1, 9), std::string(300, 'y')}}},
        ShortBlockCase{"ExtendedHeader", {{blockOf(20, 3), "ext", true}}},
        ShortBlockCase{
            "ShortFirstOfThree",
            {{blockOf(12, 4), "one"}, {blockOf(100, 7), "two"}, {std::nullopt, "three", false, kV1}}},
        ShortBlockCase{"ShortInTheMiddle",
                       {{blockOf(100, 2), "a"}, {blockOf(20, 0), "bb"}, {blockOf(128, 3), ""}}},
        ShortBlockCase{"EveryOneShort",
                       {{blockOf(2, 0), "11"},
                        {blockOf(68, 1), "22"},
                        {blockOf(5, '\xC8'), ""},
                        {blockOf(0, 0), "4"},
                        {blockOf(33, 1), "five", true}}},
        ShortBlockCase{"NoBlockAfterAShortOne", {{blockOf(10, 5), "a"}, {std::nullopt, "none", false, kV1}}}),
    [](const ::testing::TestParamInfo<ShortBlockCase>& info) { return std::string(info.param.name); });

TEST(FXUMowerLogRead, TheRulesReadingWinsWhenItEndsAtTheEndAndTheSearchStaysBounded) {
    // A block of 10 bytes starting with 1 and a comment of 255 bytes: read by the rule, the two bytes
    // after the image announce a comment of 10 + 256 bytes, which ends exactly where the file does. The
    // rule's reading comes first, so that is how the file reads.
    const Rec r{kC, 0x1234, 0x24, kBlockVersion, 1, std::string(255, 'z')};
    const std::string bytes =
        machineBlock(0x1234, "", "", 4, 7, 1, 0, 1) + writtenElsewhere(r, blockOf(10, 1));
    std::istringstream in(bytes);
    FXUMowerLog log;
    ASSERT_NO_THROW(log.ReadFromStream(in, true));
    EXPECT_FALSE(log.Find(kC).hasExtraBlock());
    EXPECT_EQ(log.Find(kC).comment().size(), 266u);

    // Records that no way reads to the end: refused after a bounded number of readings, however many
    // ways each record offers.
    std::string many = machineBlock(0x1234, "", "", 4, 7, 1, 0, 300);
    for (int i = 0; i < 300; ++i)
        many += writtenElsewhere({FXULogTime(2015, 1, 1, 0, 0, 0), 0x1234, 0x24, kBlockVersion, 1, "x"},
                                 blockOf(3, 1));
    many += "!";
    std::istringstream hostile(many);
    EXPECT_THROW(log.ReadFromStream(hostile, true), std::ios_base::failure);
}
