#include "core/history/FXULog.h"

#include "core/base/CLogger.h"
#include "core/i18n/FXUStringTable.h"
#include "support/SharedState.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sstream>

namespace {

using Image = FXULog::Image;

std::unique_ptr<FXULog> recordOf(const Image& image, std::uint32_t version, std::uint8_t typeByte = 0x04,
                                 std::uint8_t ident1 = 5, std::uint8_t hardware = 4) {
    auto record = std::make_unique<FXULog>(image.data());
    record->SetIdentBytes({0x11, ident1, hardware, 0x33, 0x44, 0x55});
    record->SetSerialNumber(0x04A1B2C3);
    record->SetBootloaderVersion(0x21);
    record->SetFirmwareVersion(version);
    record->SetTypeByte(typeByte);
    record->SetLogTime(FXULogTime(2007, 5, 3, 10, 20, 30));
    return record;
}

std::string written(const FXULog& record) {
    std::ostringstream out;
    EXPECT_TRUE(record.WriteRecord(out));
    return out.str();
}

std::unique_ptr<FXULog> readBack(const std::string& bytes) {
    std::istringstream in(bytes);
    auto record = std::make_unique<FXULog>();
    EXPECT_TRUE(record->ReadRecord(in));
    EXPECT_EQ(in.tellg(), static_cast<std::streamoff>(bytes.size())) << "the whole block is read, no more";
    return record;
}

class FXULogTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }
    Image image{};
};

} // namespace

TEST(FXULogVersion, LayoutsExtraBlocksAndHeaderForms) {
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x13020100), 1);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x13020101), 3);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x13031400), 2);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x13031480), 3) << "variant bit 7";
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x16000000), 0);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x04FFFFFF), 0);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x13130000), 0);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x13003200), 0);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0), 0);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x05000000), 1);
    EXPECT_EQ(FXULogLayout::NumberForVersion(0x15123100), 2);

    EXPECT_FALSE(FXULog::HasExtraBlockVersion(0x13010101));
    EXPECT_TRUE(FXULog::HasExtraBlockVersion(0x13010102));
    EXPECT_FALSE(FXULog::HasExtraBlockVersion(0x16010102));
    EXPECT_FALSE(FXULog::HasExtraBlockVersion(0x13013202));

    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 18, 8, 35));
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 18, 6, 40));
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 18, 6, 38));
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 18, 16, 17));
    EXPECT_TRUE(FXULog::HasExtendedHeader(9, 18, 6, 39));
    EXPECT_TRUE(FXULog::HasExtendedHeader(9, 18, 16, 18));
    EXPECT_TRUE(FXULog::HasExtendedHeader(127, 18, 8, 34));
    EXPECT_TRUE(FXULog::HasExtendedHeader(9, 19, 1, 128));
    EXPECT_FALSE(FXULog::HasExtendedHeader(8, 17, 5, 0));
    EXPECT_TRUE(FXULog::HasExtendedHeader(9, 17, 5, 0));
    EXPECT_FALSE(FXULog::HasExtendedHeader(0x80, 17, 5, 0)) << "ident1 is signed";
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 19, 1, 21));
    EXPECT_TRUE(FXULog::HasExtendedHeader(9, 19, 1, 20));
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 19, 2, 200));
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 19, 3, 8));
    EXPECT_TRUE(FXULog::HasExtendedHeader(9, 19, 3, 9));
    EXPECT_FALSE(FXULog::HasExtendedHeader(9, 19, 3, 128));
}

TEST_F(FXULogTest, SectionsOfEachLayout) {
    // Statistics: three big-endian bytes, the fourth ignored.
    image[80] = 0x01, image[81] = 0x02, image[82] = 0x03, image[83] = 0xFF;
    image[80 + 4 * 7] = 0x00, image[81 + 4 * 7] = 0x01, image[82 + 4 * 7] = 0x00;
    for (int i = 0; i < 48; ++i)
        image[120 + i] = static_cast<std::uint8_t>(100 + i);
    image[0] = 0xA5, image[1] = 1, image[2] = 0x21, image[3] = 3, image[4] = 0x42;

    auto one = recordOf(image, 0x08071700, 0x04, /*ident1*/ 5);
    EXPECT_EQ(one->layout(), 1);
    EXPECT_EQ(one->statistic(0), 66051u);
    EXPECT_EQ(one->statistic(7), 256u);
    EXPECT_EQ(one->zoneCount(), 1);
    EXPECT_EQ(one->storedParameterCount(), 12);
    EXPECT_EQ(one->shownParameterCount(), 7);
    EXPECT_EQ(one->parameter(11, 0), 111);
    EXPECT_EQ(one->parameter(12, 0), 0) << "beyond the stored count";
    EXPECT_EQ(one->parameter(0, 1), 0) << "beyond the zone count";
    EXPECT_FALSE(one->parameterPerZone(0));
    EXPECT_EQ(one->systemParameterCount(), 124);
    EXPECT_EQ(one->systemParameter(0), image[132]);
    EXPECT_EQ(one->sleepEntryCount(), 4);
    EXPECT_EQ(one->recordLanguageText(), "Fran\xe7"
                                         "ais");
    EXPECT_EQ(one->zoneOptionByte(0), 0xA5);
    EXPECT_EQ(one->parameterName(11), "parameter_name");
    EXPECT_EQ(one->parameterName(12), "");
    EXPECT_EQ(one->parameterName(5), "Nominal Speed");
    for (auto [ident1, shown] : {std::pair{5, 7}, {6, 8}, {10, 12}, {11, 12}, {200, 12}})
        EXPECT_EQ(recordOf(image, 0x08071700, 4, static_cast<std::uint8_t>(ident1))->shownParameterCount(),
                  shown)
            << "ident1 " << ident1;

    // Layout 2, hardware 4: language at byte 1, zone option at byte 2.
    auto two = recordOf(image, 0x13031400, 0x04, 5, 4);
    EXPECT_EQ(two->layout(), 2);
    EXPECT_EQ(two->shownParameterCount(), 10);
    EXPECT_EQ(two->storedParameterCount(), 16);
    EXPECT_EQ(two->parameter(15, 0), 115);
    EXPECT_TRUE(two->parameterPerZone(4));
    EXPECT_FALSE(two->parameterPerZone(5));
    EXPECT_EQ(two->recordLanguage(), 1);
    EXPECT_EQ(two->zoneOptionByte(0), 0x21);
    EXPECT_EQ(two->systemParameterCount(), 88);
    EXPECT_EQ(two->systemParameter(87), image[319]);
    EXPECT_EQ(two->sleepEntryCount(), 5);
    EXPECT_EQ(two->sleepStride(), 7);
    // Hardware 3: language at byte 3, zone option at byte 0.
    auto twoHw3 = recordOf(image, 0x13031400, 0x04, 5, 3);
    EXPECT_EQ(twoHw3->recordLanguage(), 3);
    EXPECT_EQ(twoHw3->recordLanguageText(), "Italiano");
    EXPECT_EQ(twoHw3->zoneOptionByte(0), 0xA5);

    // Layout 3: three zones of 16 parameters, parameter 5 shared at 125.
    auto three = recordOf(image, 0x13020101, 0x04, 5, 4);
    EXPECT_EQ(three->layout(), 3);
    EXPECT_EQ(three->zoneCount(), 3);
    EXPECT_EQ(three->shownParameterCount(), 11);
    EXPECT_EQ(three->parameter(3, 2), image[155]);
    for (int z = 0; z < 3; ++z)
        EXPECT_EQ(three->parameter(5, z), image[125]);
    EXPECT_EQ(three->parameter(4, 1), image[140]);
    EXPECT_EQ(three->zoneOptionByte(2), image[4]);
    EXPECT_EQ(three->sleepEntryTotal(), 21);

    image[1] = 9;
    EXPECT_EQ(recordOf(image, 0x13031400)->recordLanguageText(), "??????????");
    image[1] = 4;
    EXPECT_EQ(recordOf(image, 0x13031400)->recordLanguageText(), "Espa\xf1"
                                                                 "ol");
}

TEST_F(FXULogTest, SleepEntries) {
    const std::uint8_t entries[] = {135, 36, 0x02, 0, 144, 0xFE, 60, 75, 0x80};
    std::copy(std::begin(entries), std::end(entries), image.begin() + 168 + 3 * 7);
    std::copy(std::begin(entries), std::end(entries), image.begin() + 12);
    auto three = recordOf(image, 0x13020101);
    EXPECT_EQ(three->sleepEntry(7).start, 135);
    EXPECT_EQ(three->sleepEntry(7).end, 36);
    EXPECT_EQ(three->sleepEntry(7).mask, 0x02);
    EXPECT_EQ(three->sleepEntry(7).rangeText(), "22H30-06H00");
    EXPECT_EQ(three->sleepEntry(8).rangeText(), "00H00-24H00");
    EXPECT_EQ(three->sleepEntry(9).rangeText(), "10H00-12H30");
    EXPECT_EQ(three->sleepEntry(21).mask, 0) << "beyond the stored entries";
    auto one = recordOf(image, 0x06000000);
    EXPECT_EQ(one->sleepEntry(0).rangeText(), "22H30-06H00");
    EXPECT_EQ(one->sleepEntry(3).start, 0);
    EXPECT_EQ(one->sleepEntry(4).start, 0) << "layout 1 stores four";
}

TEST_F(FXULogTest, EventRingUnwrappedWrappedAndOutOfRange) {
    for (int offset = 256; offset + 8 <= 8192; offset += 8) {
        image[offset] = static_cast<std::uint8_t>(offset >> 8);
        image[offset + 1] = static_cast<std::uint8_t>(offset);
        image[offset + 4] = static_cast<std::uint8_t>(offset / 8 % 13);
    }
    auto offsetOf = [](const FXUEventEntry& e) { return e.stamp[0] * 256 + e.stamp[1]; };
    auto withPointer = [&](std::uint16_t pointer, std::uint32_t version) {
        image[28] = static_cast<std::uint8_t>(pointer >> 8);
        image[29] = static_cast<std::uint8_t>(pointer);
        return recordOf(image, version);
    };
    auto r = withPointer(0x0108, 0x08000000);
    ASSERT_EQ(r->eventCount(), 1);
    EXPECT_EQ(offsetOf(r->event(0)), 256);
    EXPECT_EQ(withPointer(0x0100, 0x08000000)->eventCount(), 0);

    r = withPointer(0x8000 | 8184, 0x13031400);
    ASSERT_EQ(r->eventCount(), 984);
    EXPECT_EQ(offsetOf(r->event(0)), 8184);
    EXPECT_EQ(offsetOf(r->event(1)), 320);
    EXPECT_EQ(offsetOf(r->event(983)), 8176);

    r = withPointer(0x8000 | 400, 0x08000000);
    ASSERT_EQ(r->eventCount(), 992);
    EXPECT_EQ(offsetOf(r->event(0)), 400);
    EXPECT_EQ(offsetOf(r->event(991)), 392);
    EXPECT_EQ(r->event(1).code, 51 % 13);

    // Pointers outside the format stay inside the image and end.
    r = withPointer(0x7FFF, 0x08000000);
    EXPECT_EQ(r->eventCount(), 992) << "an unwrapped pointer past the image stops at its end";
    r = withPointer(0x8000 | 323, 0x13031400);
    ASSERT_EQ(r->eventCount(), 984);
    EXPECT_EQ(offsetOf(r->event(0)), 320) << "off the grid: the slot that holds it";
    r = withPointer(0x8000 | 8190, 0x13031400);
    EXPECT_EQ(offsetOf(r->event(0)), 320) << "outside the ring: from its start";
    r = withPointer(0x8000 | 100, 0x13031400);
    EXPECT_EQ(offsetOf(r->event(0)), 320);
    EXPECT_EQ(r->event(984).code, 0) << "beyond the count: an empty entry";
}

TEST_F(FXULogTest, EventAndAlarmTexts) {
    FXUEventEntry e;
    e.stamp = {0x07, 0x03, 0x14, 0x05};
    EXPECT_EQ(e.timeText(), "07/03 14:05");
    e.code = 12;
    EXPECT_EQ(e.text(0x04), "Unload balls");
    e.code = 13;
    EXPECT_EQ(e.text(0x04), "UNKNOW EVENT");
    e.code = static_cast<std::uint8_t>(FXUEventCode::Alarm);
    e.extraB = 0x03;
    EXPECT_EQ(e.text(0x04), "Cutting head 1 2");
    EXPECT_EQ(e.text(0x05), "Cutting head 1") << "QP";
    EXPECT_EQ(e.text(0x0B), "Cutting head") << "QG";
    EXPECT_EQ(e.text(0x2B), "Cutting head") << "only the low four bits name the type";
    e.extraB = 0x21;
    for (std::uint8_t type : {0x04, 0x05, 0x0B})
        EXPECT_EQ(e.text(type), "Left wheel blocked");
    e.extraB = 0x43;
    EXPECT_EQ(e.text(0x04), "UNKNOW ALARM");
    e.extraB = 0x1F;
    EXPECT_EQ(e.text(0x04), "Cutting head 1 2 3 4 5");
    EXPECT_EQ(e.alarmNumber(0x0B), 7);
}

TEST_F(FXULogTest, RecordBlockBytesAndRoundTrip) {
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    image[28] = 0x01, image[29] = 0x40;
    auto record = recordOf(image, 0x12112131, 0x24);
    record->SetComment("caf\xe9");
    const std::string bytes = written(*record);
    ASSERT_EQ(bytes.size(), 35u + 8192 + 2 + 4);
    const std::string header("\x11\x05\x04\x33\x44\x55"
                             "\xd7\x07\x05\x03\x0a\x14\x1e"
                             "\xc3\xb2\xa1\x04"
                             "\x21"
                             "\x31\x21\x11\x12"
                             "\x24"
                             "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b",
                             35);
    EXPECT_EQ(bytes.substr(0, 35), header);
    EXPECT_EQ(bytes.substr(35, 8192), std::string(image.begin(), image.end()));
    EXPECT_EQ(bytes.substr(35 + 8192), std::string("\x04\x00"
                                                   "caf\xe9",
                                                   6));

    auto back = readBack(bytes);
    EXPECT_FALSE(back->hasExtBytes());
    EXPECT_EQ(back->identBytes(), record->identBytes());
    EXPECT_EQ(back->logTime(), record->logTime());
    EXPECT_EQ(back->serialNumber(), 0x04A1B2C3u);
    EXPECT_EQ(back->bootloaderVersion(), 0x21);
    EXPECT_EQ(back->firmwareVersion(), record->firmwareVersion());
    EXPECT_EQ(back->typeByte(), 0x24);
    EXPECT_EQ(back->image(), image);
    EXPECT_EQ(back->comment(), "caf\xe9");
    EXPECT_EQ(back->layout(), record->layout());
    EXPECT_EQ(back->eventCount(), record->eventCount());
    EXPECT_EQ(written(*back), bytes);

    // Extended form with an extra block: everything after the ident bytes moves on by two.
    auto ext = recordOf(image, 0x13031402, 0x24, 9);
    ext->SetExtBytes({0xE1, 0xE2});
    std::vector<std::uint8_t> extra(128);
    for (std::size_t i = 0; i < extra.size(); ++i)
        extra[i] = static_cast<std::uint8_t>(i + 2);
    ASSERT_TRUE(ext->SetExtraBlock(extra.data(), extra.size())) << "128 bytes, the most a machine sends";
    const std::string extBytes = written(*ext);
    EXPECT_EQ(extBytes.substr(6, 4), std::string("\xe1\xe2\xd7\x07", 4));
    EXPECT_EQ(static_cast<std::uint8_t>(extBytes[24]), 0x24);
    EXPECT_EQ(static_cast<std::uint8_t>(extBytes[25]), 0x00) << "reserved bytes follow the type byte";
    EXPECT_EQ(static_cast<std::uint8_t>(extBytes[37 + 8192]), 128);
    auto extBack = readBack(extBytes);
    EXPECT_TRUE(extBack->hasExtBytes());
    EXPECT_EQ(extBack->extBytes(), (FXULog::ExtBytes{0xE1, 0xE2}));
    EXPECT_TRUE(extBack->hasExtraBlock());
    EXPECT_EQ(extBack->extraBlock(), extra);
    EXPECT_EQ(extBack->typeByte(), 0x24);
    EXPECT_EQ(written(*extBack), extBytes);

    // A stored block longer than a machine sends is read whole and written back as it was.
    std::string longer = extBytes;
    longer[37 + 8192] = static_cast<char>(200);
    longer.insert(37 + 8192 + 1 + 128, std::string(72, '\x7e'));
    auto longBack = readBack(longer);
    ASSERT_EQ(longBack->extraBlock().size(), 200u);
    EXPECT_EQ(longBack->extraBlock()[199], 0x7e);
    EXPECT_EQ(written(*longBack), longer);
}

TEST_F(FXULogTest, HeaderFormDecisionAndItsRepair) {
    auto block = [&](std::uint8_t ident1, std::uint32_t version) {
        auto r = recordOf(image, version, 0x04, ident1);
        return written(*r);
    };
    // Plain blocks: the version bytes decide.
    EXPECT_FALSE(readBack(block(9, 0x12082300))->hasExtBytes());
    EXPECT_FALSE(readBack(block(8, 0x11050000))->hasExtBytes());
    EXPECT_EQ(readBack(block(9, 0x12082300))->firmwareVersion(), 0x12082300u);

    // An extended block whose build 19 and variant 2 look like an exception version to the form test:
    // read as plain it would give month 0xD7; the repair reads it extended.
    auto ext = recordOf(image, 0x11121302, 0x04, 9);
    ext->SetExtBytes({0x07, 0x00});
    ext->SetBootloaderVersion(0x21);
    const std::string bytes = written(*ext);
    ASSERT_FALSE(
        FXULog::HasExtendedHeader(static_cast<std::uint8_t>(bytes[1]), static_cast<std::uint8_t>(bytes[21]),
                                  static_cast<std::uint8_t>(bytes[20]), static_cast<std::uint8_t>(bytes[19])))
        << "the test needs a block the form test misreads";
    auto back = readBack(bytes);
    EXPECT_TRUE(back->hasExtBytes());
    EXPECT_EQ(back->firmwareVersion(), 0x11121302u);
    EXPECT_EQ(back->logTime(), FXULogTime(2007, 5, 3, 10, 20, 30));
    EXPECT_EQ(written(*back), bytes);
}

TEST_F(FXULogTest, ExtraBlockRules) {
    // Bytes 0x10 0x00 after the image: a 16-byte comment, not a block.
    auto r = recordOf(image, 0x13031402);
    r->SetComment(std::string(16, 'c'));
    auto back = readBack(written(*r));
    EXPECT_FALSE(back->hasExtraBlock());
    EXPECT_EQ(back->comment(), std::string(16, 'c'));

    // Blocks other installations store are kept: shorter than 69 bytes, or starting with 0 or 1. The
    // rule's reading takes their first bytes for a comment length; the block reading finds them.
    std::vector<std::uint8_t> shortBlock(68, 5), zeroFirst(80, 5), tooLong(129, 5), fits(128, 5);
    zeroFirst[0] = 1;
    const auto blockReading = [](const std::string& bytes) {
        std::istringstream in(bytes);
        auto record = std::make_unique<FXULog>();
        EXPECT_TRUE(record->ReadRecord(in, std::nullopt, FXULog::ExtraReading::Block));
        EXPECT_EQ(in.tellg(), static_cast<std::streamoff>(bytes.size()));
        return record;
    };
    for (const auto& block : {shortBlock, zeroFirst}) {
        ASSERT_TRUE(r->SetExtraBlock(block.data(), block.size()));
        const auto read = blockReading(written(*r));
        EXPECT_TRUE(read->hasExtraBlock());
        EXPECT_EQ(read->extraBlock(), block);
        EXPECT_EQ(read->comment(), std::string(16, 'c'));
    }
    // A block reading is no way of its own where the rule reads a block, or where the version has none.
    ASSERT_TRUE(r->SetExtraBlock(fits.data(), fits.size()));
    std::istringstream ruleReadsOne(written(*r));
    EXPECT_FALSE(FXULog().ReadRecord(ruleReadsOne, std::nullopt, FXULog::ExtraReading::Block));
    std::istringstream noneThere(written(*recordOf(image, 0x13010101)));
    EXPECT_FALSE(FXULog().ReadRecord(noneThere, std::nullopt, FXULog::ExtraReading::Block));

    // An empty block carries nothing, a longer one than 128 bytes more than a machine sends: refused, and
    // the record says why for the log.
    EXPECT_FALSE(r->SetExtraBlock(fits.data(), 0));
    EXPECT_NE(r->droppedExtraBlock().find("Extra block of 0 bytes cannot be stored (it is empty)"),
              std::string::npos)
        << r->droppedExtraBlock();
    EXPECT_FALSE(r->SetExtraBlock(tooLong.data(), tooLong.size()));
    EXPECT_NE(r->droppedExtraBlock().find("Extra block of 129 bytes"), std::string::npos);
    EXPECT_FALSE(r->hasExtraBlock());
    EXPECT_TRUE(r->extraBlock().empty());
    EXPECT_EQ(readBack(written(*r))->comment(), std::string(16, 'c'));

    // A version whose records carry no block: refused when set, dropped when the version changes to it.
    auto noBlock = recordOf(image, 0x13010101);
    EXPECT_FALSE(noBlock->SetExtraBlock(fits.data(), fits.size()));
    auto changed = recordOf(image, 0x13031402);
    ASSERT_TRUE(changed->SetExtraBlock(fits.data(), fits.size()));
    changed->SetFirmwareVersion(0x12000000);
    EXPECT_FALSE(changed->hasExtraBlock());
    EXPECT_NE(changed->droppedExtraBlock().find("Extra block of 128 bytes"), std::string::npos);
    EXPECT_FALSE(readBack(written(*changed))->hasExtraBlock()) << "what is written reads back";

    // A long comment on such a record would pass for a block: it loses what it must, no more.
    r->SetComment(std::string(600, 'x')); // 0x258: low byte 88, high byte 2
    std::string two = written(*r) + written(*r);
    std::istringstream in(two);
    FXULog first, second;
    ASSERT_TRUE(first.ReadRecord(in));
    ASSERT_TRUE(second.ReadRecord(in));
    EXPECT_EQ(first.comment(), std::string(580, 'x'));
    EXPECT_EQ(second.comment(), std::string(580, 'x'));
    EXPECT_EQ(second.serialNumber(), 0x04A1B2C3u) << "the next record stays in place";
    r->SetComment(std::string(580, 'y'));
    EXPECT_EQ(readBack(written(*r))->comment(), std::string(580, 'y'));

    // The same comment without an extra-block version is kept whole.
    auto old = recordOf(image, 0x12000000);
    old->SetComment(std::string(600, 'x'));
    EXPECT_EQ(readBack(written(*old))->comment().size(), 600u);
}

TEST_F(FXULogTest, FailedStreamsAndShortBlocks) {
    auto r = recordOf(image, 0x13031402);
    const std::string bytes = written(*r);
    std::istringstream failed(bytes);
    failed.setstate(std::ios::failbit);
    FXULog target;
    EXPECT_FALSE(target.ReadRecord(failed));

    for (std::size_t cut : {0u, 10u, 30u, 40u, 5000u, static_cast<unsigned>(bytes.size() - 1)}) {
        std::istringstream in(bytes.substr(0, cut));
        FXULog partial;
        EXPECT_THROW(partial.ReadRecord(in), std::ios_base::failure) << "cut at " << cut;
    }

    // A version without a layout keeps the record as it is, undecoded.
    auto none = recordOf(image, 0x16000000);
    EXPECT_EQ(none->layout(), 0);
    EXPECT_EQ(none->zoneCount(), 0);
    EXPECT_EQ(none->eventCount(), 0);
    EXPECT_EQ(none->globalOptionCount(), 0);
    EXPECT_EQ(written(*readBack(written(*none))), written(*none));
}
