#include "tools/gen/HistoryGenerator.h"

#include "core/base/CLogger.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/Cp1252.h"
#include "support/SharedState.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

// Offsets and sizes from the layout table, written out here rather than taken from the code under test.
int ringStart(int layout) {
    return layout == 1 ? 256 : 320;
}
int zonesOf(int layout) {
    return layout == 3 ? 3 : 1;
}
int sleepOffset(int layout) {
    return layout == 1 ? 12 : 168;
}
int sleepStride(int layout) {
    return layout == 1 ? 4 : 7;
}
int sleepShown(int layout) {
    return layout == 1 ? 4 : 5;
}

bool isBcd(std::uint8_t b, int max) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9 && (b >> 4) * 10 + (b & 0x0F) <= max;
}

std::string written(const FXULog& record) {
    std::ostringstream out;
    record.WriteRecord(out);
    return out.str();
}

std::string featureText(const HistoryFeatures& f) {
    std::ostringstream text;
    text << "layout " << f.layout << " hw " << int{f.hardwareCode} << " type " << int{f.typeCode}
         << (f.extendedHeader ? " extended" : " plain") << (f.extraBlock ? " extra" : "")
         << (f.wrappedRing ? " wrapped" : "");
    return text.str();
}

// Accented letters as single Windows-1252 bytes, which a UTF-8 reading refuses.
bool hasWindowsAccent(const std::string& text) {
    const bool high =
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return high && !cp1252::fromUtf8(text);
}

class HistoryGeneratorTest : public ::testing::Test {
protected:
    void TearDown() override { releaseEventLog(); }
};

} // namespace

TEST_F(HistoryGeneratorTest, SameSeedSameBytesOtherSeedOtherBytes) {
    HistoryGenerator a(7), b(7), c(8);
    for (int i = 0; i < 20; ++i) {
        const GeneratedHistory ha = a.history();
        const GeneratedHistory hb = b.history();
        const GeneratedHistory hc = c.history();
        EXPECT_EQ(ha.binFile(), hb.binFile());
        EXPECT_EQ(written(*ha.makeRecord()), written(*hb.makeRecord()));
        EXPECT_NE(ha.binFile(), hc.binFile());
    }
    const HistoryFeatures f{2, 4, 11, true, true, true};
    EXPECT_EQ(HistoryGenerator(99).history(f).binFile(), HistoryGenerator(99).history(f).binFile());

    std::ostringstream ma, mb;
    HistoryGenerator(5).machine()->WriteToStream(ma);
    HistoryGenerator(5).machine()->WriteToStream(mb);
    EXPECT_EQ(ma.str(), mb.str());
    EXPECT_GT(ma.str().size(), 8192u);
}

TEST_F(HistoryGeneratorTest, EveryRequestedFeatureIsInTheRecord) {
    HistoryGenerator generator(1234);
    std::set<int> codes;
    bool cuttingHeadAlarm = false, namedAlarm = false;
    int plainWithHighIdent = 0;
    const std::vector<HistoryFeatures> all = HistoryGenerator::AllFeatureCombinations();
    EXPECT_EQ(all.size(), 4u * 2 * 12 * 2 * 2 * 2 - 2 * 12 * 2 * 2) << "all but layout 0 with an extra block";

    for (const HistoryFeatures& f : all) {
        SCOPED_TRACE(featureText(f));
        const GeneratedHistory made = generator.history(f);
        const std::unique_ptr<FXULog> record = made.makeRecord();
        const auto& image = record->image();
        const std::uint32_t v = record->firmwareVersion();
        const auto major = static_cast<std::uint8_t>(v >> 24), minor = static_cast<std::uint8_t>(v >> 16),
                   build = static_cast<std::uint8_t>(v >> 8);

        // Identification.
        EXPECT_EQ(record->layout(), f.layout);
        EXPECT_EQ(record->hardwareCode(), f.hardwareCode);
        EXPECT_EQ(record->typeByte() & 0x0F, f.typeCode);
        EXPECT_GE(record->serialNumber(), 0x04000000u);
        EXPECT_TRUE(made.frame.isValid());
        EXPECT_TRUE(record->logTime().isPlausible());
        EXPECT_GE(record->logTime().year, 2000);

        // Header form: extended exactly where the plain form's version bytes make the test say so.
        EXPECT_EQ(record->hasExtBytes(), f.extendedHeader);
        EXPECT_EQ(FXULog::HasExtendedHeader(record->identBytes()[1], major, minor, build), f.extendedHeader);
        // The same test on a stored block (bytes 21, 20, 19) and on the .bin file (bytes 7, 8, 9) picks the
        // form without help from the readers' fallbacks, which have tests of their own.
        const std::string block = written(*record);
        EXPECT_EQ(FXULog::HasExtendedHeader(
                      static_cast<std::uint8_t>(block[1]), static_cast<std::uint8_t>(block[21]),
                      static_cast<std::uint8_t>(block[20]), static_cast<std::uint8_t>(block[19])),
                  f.extendedHeader);
        const std::vector<std::uint8_t> bin = made.binFile();
        EXPECT_EQ(FXULog::HasExtendedHeader(bin[1], bin[7], bin[8], bin[9]), f.extendedHeader);
        // A plain header with ident[1] of 9 or more comes only from the test's exception firmware.
        if (!f.extendedHeader && record->identBytes()[1] > 8) {
            ++plainWithHighIdent;
            EXPECT_TRUE(f.layout == 1 || f.layout == 3);
        }

        // Extra block: only for versions that send one, 69..128 bytes, first byte 2 or more.
        EXPECT_EQ(record->hasExtraBlock(), f.extraBlock);
        if (f.extraBlock) {
            EXPECT_TRUE(FXULog::HasExtraBlockVersion(v));
            ASSERT_GE(record->extraBlock().size(), 69u);
            EXPECT_LE(record->extraBlock().size(), 128u);
            EXPECT_GE(record->extraBlock()[0], 2);
        }

        // The event ring, read by hand: pointer at bytes 28 (high) and 29, on the 8-byte grid.
        const int layout = f.layout == 0 ? 3 : f.layout; // unknown firmware is shaped like the newest
        const int start = ringStart(layout);
        const int pointer = (image[28] << 8) | image[29];
        EXPECT_EQ((pointer & 0x8000) != 0, f.wrappedRing);
        const int position = pointer & 0x7FFF;
        EXPECT_EQ((position - start) % 8, 0);
        EXPECT_GE(position, f.wrappedRing ? start : start + 8);
        EXPECT_LE(position, 8184);
        const int count = f.wrappedRing ? (8192 - start) / 8 : (position - start) / 8;
        for (int i = 0; i < count; ++i) {
            const int offset =
                f.wrappedRing ? start + (position - start + 8 * i) % (8192 - start) : start + 8 * i;
            const std::uint8_t* e = &image[offset];
            ASSERT_TRUE(isBcd(e[0], 31) && e[0] != 0 && isBcd(e[1], 12) && e[1] != 0 && isBcd(e[2], 23) &&
                        isBcd(e[3], 59))
                << "stamp at " << offset;
            ASSERT_LE(e[4], 12) << "code at " << offset;
            codes.insert(e[4]);
            if (e[4] == 5) {
                ASSERT_GE(e[5], 1);
                ASSERT_LE(e[5], 66);
                FXUEventEntry entry = FXUEventEntry::FromBytes(e);
                EXPECT_LE(entry.alarmNumber(record->typeByte()), 66);
                (e[5] < 32 ? cuttingHeadAlarm : namedAlarm) = true;
            }
        }

        // Sleep ranges by hand: one of zone A's shown ranges crosses midnight.
        bool acrossMidnight = false;
        for (int z = 0; z < zonesOf(layout); ++z)
            for (int j = 0; j < sleepShown(layout); ++j) {
                const std::uint8_t* s = &image[sleepOffset(layout) + 3 * (z * sleepStride(layout) + j)];
                EXPECT_LE(s[0], 143);
                EXPECT_LE(s[1], 143);
                EXPECT_EQ(s[2] & 1, 0);
                acrossMidnight = acrossMidnight || (z == 0 && s[0] > s[1]);
            }
        EXPECT_TRUE(acrossMidnight);

        // Statistics: value = b0 * 65536 + b1 * 256 + b2; at least one cycle, mowing time above it.
        const auto stat = [&](int slot) {
            return (image[80 + 4 * slot] << 16) | (image[81 + 4 * slot] << 8) | image[82 + 4 * slot];
        };
        EXPECT_GE(stat(2), 20);
        EXPECT_GT(stat(0), stat(2));

        if (f.layout == 0) {
            EXPECT_EQ(record->zoneCount(), 0) << "not decoded";
            continue;
        }
        // What the record decodes agrees with the bytes read by hand.
        EXPECT_EQ(record->zoneCount(), zonesOf(f.layout));
        EXPECT_EQ(record->eventPointer(), pointer);
        EXPECT_EQ(record->eventCount(), count);
        EXPECT_EQ(record->statistic(2), static_cast<std::uint32_t>(stat(2)));
        EXPECT_LE(record->recordLanguage(), 5);
        EXPECT_LE(record->shownParameterCount(), record->storedParameterCount());
        EXPECT_GT(record->globalOptionCount(), 0);
        if (f.layout == 3) {
            EXPECT_TRUE(record->optionValue(17, 0)) << "zone A enabled";
            EXPECT_EQ(record->parameter(5, 2), image[125]);
            EXPECT_EQ(record->parameter(3, 2), image[155]);
        }
    }
    for (int code = 0; code <= 12; ++code)
        EXPECT_TRUE(codes.count(code)) << "event code " << code << " never generated";
    EXPECT_TRUE(cuttingHeadAlarm);
    EXPECT_GT(plainWithHighIdent, 0) << "the header test's exception firmware is among the histories";
    EXPECT_TRUE(namedAlarm);
}

TEST_F(HistoryGeneratorTest, RecordsSurviveAWriteAndReadFieldByField) {
    HistoryGenerator generator(77);
    std::vector<HistoryFeatures> cases = HistoryGenerator::AllFeatureCombinations();
    for (int i = 0; i < 200; ++i)
        cases.push_back(generator.randomFeatures());
    for (const HistoryFeatures& f : cases) {
        SCOPED_TRACE(featureText(f));
        const std::unique_ptr<FXULog> record = generator.record(f);
        const std::string bytes = written(*record);
        std::istringstream in(bytes);
        FXULog back;
        ASSERT_TRUE(back.ReadRecord(in));
        EXPECT_EQ(in.tellg(), static_cast<std::streamoff>(bytes.size()));
        EXPECT_EQ(back.hasExtBytes(), record->hasExtBytes());
        EXPECT_EQ(back.hasExtraBlock(), record->hasExtraBlock());
        EXPECT_EQ(back.identBytes(), record->identBytes());
        if (record->hasExtBytes()) {
            EXPECT_EQ(back.extBytes(), record->extBytes());
        }
        EXPECT_EQ(back.logTime(), record->logTime());
        EXPECT_EQ(back.serialNumber(), record->serialNumber());
        EXPECT_EQ(back.bootloaderVersion(), record->bootloaderVersion());
        EXPECT_EQ(back.firmwareVersion(), record->firmwareVersion());
        EXPECT_EQ(back.typeByte(), record->typeByte());
        EXPECT_TRUE(back.image() == record->image());
        EXPECT_EQ(back.extraBlock(), record->extraBlock());
        EXPECT_EQ(back.comment(), record->comment());
        EXPECT_EQ(back.layout(), record->layout());
        EXPECT_EQ(back.eventCount(), record->eventCount());
        EXPECT_EQ(written(back), bytes);
    }
}

TEST_F(HistoryGeneratorTest, RandomModeCoversEveryFeatureAndRealisticTexts) {
    HistoryGenerator generator(2024);
    std::set<int> layouts, hardware, types;
    std::set<bool> extended, extra, wrapped;
    bool accented = false, twoLines = false, empty = false;
    for (int i = 0; i < 600; ++i) {
        const HistoryFeatures f = generator.randomFeatures();
        EXPECT_TRUE(HistoryGenerator::Possible(f));
        layouts.insert(f.layout);
        hardware.insert(f.hardwareCode);
        types.insert(f.typeCode);
        extended.insert(f.extendedHeader);
        extra.insert(f.extraBlock);
        wrapped.insert(f.wrappedRing);
        const std::string comment = generator.history(f).comment;
        accented = accented || hasWindowsAccent(comment);
        twoLines = twoLines || comment.find("\r\n") != std::string::npos;
        empty = empty || comment.empty();
    }
    EXPECT_EQ(layouts, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(hardware, (std::set<int>{3, 4}));
    EXPECT_EQ(types, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13}));
    EXPECT_EQ(extended.size(), 2u);
    EXPECT_EQ(extra.size(), 2u);
    EXPECT_EQ(wrapped.size(), 2u);
    EXPECT_TRUE(accented && twoLines && empty);

    EXPECT_THROW(generator.history(HistoryFeatures{0, 4, 4, false, true, false}), std::invalid_argument);
    EXPECT_THROW(generator.history(HistoryFeatures{4, 4, 4, false, false, false}), std::invalid_argument);
}

TEST_F(HistoryGeneratorTest, MachinesHaveOwnersAndRecordsOfOneSerialNumber) {
    HistoryGenerator generator(31);
    bool accentedName = false, newlineAfterEach = false, crlfBetween = false, manyRecords = false;
    for (int m = 0; m < 40; ++m) {
        const std::unique_ptr<FXUMowerLog> machine = generator.machine(5);
        SCOPED_TRACE(machine->MachineNumberText());
        ASSERT_GE(machine->Count(), 1u);
        ASSERT_LE(machine->Count(), 5u);
        manyRecords = manyRecords || machine->Count() > 1;
        EXPECT_EQ(machine->logTimeVect().size(), machine->Count()) << "every time distinct";
        const auto& codes = HistoryGenerator::kTypeCodes;
        EXPECT_NE(std::find(codes.begin(), codes.end(), machine->typeCode()), codes.end());
        EXPECT_LT(machine->year(), 100);
        EXPECT_GE(machine->machineNumber(), 1);
        EXPECT_LE(machine->machineNumber(), 9999);
        EXPECT_LE(machine->factoryFlag(), 1);
        EXPECT_GE(machine->serialNumber(), 0x04000000u);
        for (const auto& [time, record] : machine->records()) {
            EXPECT_EQ(record->logTime(), time);
            EXPECT_EQ(record->serialNumber(), machine->serialNumber());
            EXPECT_EQ(record->typeByte() & 0x0F, machine->typeCode());
            EXPECT_LE(machine->year(), time.year % 100);
        }
        EXPECT_FALSE(machine->name().empty());
        EXPECT_FALSE(machine->firstName().empty());
        EXPECT_LE(machine->name().size(), 30u);
        EXPECT_LE(machine->firstName().size(), 30u);
        accentedName =
            accentedName || hasWindowsAccent(machine->name()) || hasWindowsAccent(machine->firstName());

        const std::string& address = machine->address();
        const auto lineEnds = std::count(address.begin(), address.end(), '\n');
        if (address.find('\r') == std::string::npos) {
            EXPECT_EQ(address.back(), '\n');
            EXPECT_GE(lineEnds, 2);
            newlineAfterEach = true;
        } else {
            EXPECT_NE(address.back(), '\n');
            EXPECT_NE(address.find("\r\n"), std::string::npos);
            EXPECT_EQ(std::count(address.begin(), address.end(), '\r'), lineEnds);
            EXPECT_GE(lineEnds, 1);
            crlfBetween = true;
        }

        // A demo database is written and read back: the machine must survive its own file.
        std::stringstream file;
        ASSERT_NO_THROW(machine->WriteToStream(file));
        FXUMowerLog back;
        ASSERT_NO_THROW(back.ReadFromStream(file));
        EXPECT_EQ(back.Count(), machine->Count());
        EXPECT_EQ(back.address(), machine->address());
        EXPECT_EQ(back.serialNumber(), machine->serialNumber());
    }
    EXPECT_TRUE(accentedName);
    EXPECT_TRUE(newlineAfterEach);
    EXPECT_TRUE(crlfBetween);
    EXPECT_TRUE(manyRecords);
}
