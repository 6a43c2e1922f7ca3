#include "core/history/FXULog.h"
#include "core/i18n/FXUStringTable.h"

#include <gtest/gtest.h>

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { FXUStringTable::destroyInstance(); }

    // A record of the given version, type and hardware with the options byte and zone bytes set.
    FXULog record(std::uint32_t version, std::uint8_t typeByte, std::uint8_t hardware = 4) {
        FXULog r(image.data());
        r.SetIdentBytes({0, 5, hardware, 0, 0, 0});
        r.SetFirmwareVersion(version);
        r.SetTypeByte(typeByte);
        return r;
    }
    static std::vector<int> present(const FXULog& r) {
        std::vector<int> slots;
        for (int s = 0; s < FXULog::kOptionSlots; ++s)
            if (r.optionPresent(s))
                slots.push_back(s);
        return slots;
    }
    FXULog::Image image{};
};

} // namespace

TEST_F(OptionsTest, LayoutOneSlotsFollowTheFirmware) {
    EXPECT_EQ(record(0x06052300, 0x04).optionLabel(0), "O000: Fast Charge");
    EXPECT_EQ(record(0x06052301, 0x04).optionLabel(0), "O000: Multiple Robots");

    auto r = record(0x11090301, 0x04);
    EXPECT_FALSE(r.optionPresent(10));
    EXPECT_FALSE(r.optionPresent(12));
    EXPECT_EQ(present(r), (std::vector<int>{0, 4, 8, 9, 11, 13}));
    EXPECT_EQ(r.globalOptionCount(), 6);
    EXPECT_EQ(r.zoneOptionCount(), 0);

    // Bit 3 set, bit 7 clear: after 8.7.22.0 slot O009 reads bit 3 under the heads' name.
    image[0] = 0x08;
    r = record(0x12112101, 0x04);
    ASSERT_TRUE(r.optionPresent(10));
    EXPECT_EQ(r.optionLabel(9), "O009: Inversion Heads Direction");
    EXPECT_TRUE(r.optionValue(9, 0));
    EXPECT_EQ(r.optionLabel(10), "O010: CounterClockWise Station Seek");
    EXPECT_FALSE(r.optionValue(10, 0));
    r = record(0x08071600, 0x04);
    EXPECT_EQ(r.optionLabel(9), "O009: CounterClockWise Station Seek");
    EXPECT_FALSE(r.optionValue(9, 0));
    EXPECT_TRUE(r.optionValue(10, 0));
    EXPECT_TRUE(r.optionPresent(12));

    EXPECT_FALSE(record(0x08040901, 0x04).optionPresent(13));
    EXPECT_TRUE(record(0x08040902, 0x04).optionPresent(13));

    // Collectors: O006 present, O010 absent, and the bit O006 reads moved at 8.4.9.0.
    image[0] = 0x20;
    r = record(0x08040900, 0x09);
    EXPECT_TRUE(r.optionValue(6, 0));
    EXPECT_FALSE(r.optionPresent(10));
    EXPECT_EQ(r.optionLabel(6), "O006: Multiple Collector");
    EXPECT_FALSE(record(0x08040901, 0x0A).optionValue(6, 0));

    image[0] = 0b01010111;
    r = record(0x08000000, 0x04);
    EXPECT_TRUE(r.optionValue(0, 0));  // bit 4
    EXPECT_TRUE(r.optionValue(4, 0));  // bit 6
    EXPECT_TRUE(r.optionValue(8, 0));  // bit 0
    EXPECT_FALSE(r.optionValue(9, 0)); // bit 7
    EXPECT_TRUE(r.optionValue(11, 0)); // bit 1
    EXPECT_TRUE(r.optionValue(12, 0)); // bit 2
    image[0] = 0b00100000;
    EXPECT_TRUE(record(0x08040902, 0x04).optionValue(13, 0)); // bit 5
    EXPECT_FALSE(record(0x08040902, 0x04).optionValue(0, 0));
}

TEST_F(OptionsTest, LayoutsTwoAndThree) {
    // Hardware 4, collector, layout 3: every option byte in its place.
    image[0] = 0b10111001; // O000 bit 4, O006/O009 bit 3, O008 bit 0, O016 bit 5, O018 bit 7
    image[2] = 0b11000000; // zone A: O010 bit 7, O017 bit 6
    image[3] = 0b00101010; // zone B: O011 bit 1, O013 bit 5, O015 bit 3
    image[4] = 0b01000000; // zone C: O017 only
    auto r = record(0x13020101, 0x09, 4);
    ASSERT_EQ(r.layout(), 3);
    EXPECT_EQ(r.globalOptionCount(), 7);
    EXPECT_EQ(r.zoneOptionCount(), 5);
    EXPECT_EQ(present(r), (std::vector<int>{0, 4, 6, 8, 9, 10, 11, 13, 15, 16, 17, 18}));
    EXPECT_EQ(r.optionLabel(9), "O009: Go back and offload");
    EXPECT_EQ(r.optionLabel(15), "O015: TimerOff");
    EXPECT_EQ(r.optionLabel(16), "O016: Multizones");
    EXPECT_EQ(r.optionLabel(17), "O017: Enable Zone");
    EXPECT_EQ(r.optionLabel(18), "O018: Keyboard Lock");
    EXPECT_TRUE(r.optionValue(0, 0));
    EXPECT_TRUE(r.optionValue(6, 0));
    EXPECT_TRUE(r.optionValue(9, 0));
    EXPECT_TRUE(r.optionValue(8, 0));
    EXPECT_TRUE(r.optionValue(16, 0));
    EXPECT_TRUE(r.optionValue(18, 0));
    EXPECT_FALSE(r.optionValue(4, 0));
    EXPECT_TRUE(r.optionPerZone(10));
    EXPECT_FALSE(r.optionPerZone(0));
    EXPECT_EQ((std::array{r.optionValue(10, 0), r.optionValue(10, 1), r.optionValue(10, 2)}),
              (std::array{true, false, false}));
    EXPECT_EQ((std::array{r.optionValue(17, 0), r.optionValue(17, 1), r.optionValue(17, 2)}),
              (std::array{true, false, true}));
    EXPECT_TRUE(r.optionValue(11, 1));
    EXPECT_TRUE(r.optionValue(13, 1));
    EXPECT_TRUE(r.optionValue(15, 1));
    EXPECT_FALSE(r.optionValue(15, 0));

    // Hardware 3 spreads the global options over bytes 0 to 2 and keeps zone bytes at 0 to 2.
    image = {};
    image[1] = 0b00010001; // O004 bit 4 of byte 1, O009 bit 0 of byte 1
    image[2] = 0b00000001; // O016 bit 0 of byte 2, and zone C's byte
    image[0] = 0b10000000; // zone A: O010
    r = record(0x13020101, 0x04, 3);
    EXPECT_TRUE(r.optionValue(4, 0));
    EXPECT_TRUE(r.optionValue(9, 0));
    EXPECT_EQ(r.optionLabel(9), "O009: Inversion Heads Direction");
    EXPECT_TRUE(r.optionValue(16, 0));
    EXPECT_TRUE(r.optionValue(10, 0));
    EXPECT_FALSE(r.optionPresent(18)) << "hardware 3 has no keyboard lock";
    EXPECT_FALSE(r.optionPresent(6)) << "not a collector";
    EXPECT_FALSE(r.optionValue(0, 0)) << "byte 1's bit 4 is not O000's";
    EXPECT_FALSE(r.optionValue(8, 0)) << "byte 1's bit 0 is not O008's";

    // Hardware 3, collector: O000 and O008 from byte 0, O006 from byte 1's bit 0.
    image = {};
    image[0] = 0b00010001; // O000 bit 4, O008 bit 0 (and zone A's byte)
    image[1] = 0b00000001; // O006 and O009 bit 0
    r = record(0x13020101, 0x0A, 3);
    EXPECT_TRUE(r.optionValue(0, 0));
    EXPECT_TRUE(r.optionValue(8, 0));
    EXPECT_TRUE(r.optionValue(6, 0));
    EXPECT_TRUE(r.optionValue(9, 0));
    EXPECT_FALSE(r.optionValue(4, 0));
    EXPECT_FALSE(r.optionValue(16, 0));

    // Layout 2: the zone options are global and read the single zone byte.
    image = {};
    image[2] = 0b10101010;
    r = record(0x13031400, 0x04, 4);
    ASSERT_EQ(r.layout(), 2);
    EXPECT_EQ(present(r), (std::vector<int>{0, 4, 8, 9, 10, 11, 13, 15, 18}));
    EXPECT_EQ(r.zoneOptionCount(), 0);
    EXPECT_EQ(r.globalOptionCount(), 9);
    EXPECT_TRUE(r.optionValue(10, 0));
    EXPECT_TRUE(r.optionValue(11, 0));
    EXPECT_TRUE(r.optionValue(13, 0));
    EXPECT_TRUE(r.optionValue(15, 0));

    // Unknown hardware: global options present but clear.
    image = {};
    image[0] = 0xFF;
    r = record(0x13031400, 0x04, 7);
    EXPECT_FALSE(r.optionValue(0, 0));
    EXPECT_TRUE(r.optionValue(18, 0)) << "the keyboard lock reads the options byte from hardware 4 on";
}

TEST_F(OptionsTest, NoSlotsWithoutTypeOrVersionAndLabelsFollowTheLanguage) {
    image[0] = 0xFF;
    auto r = record(0x13031400, 0x00);
    EXPECT_TRUE(present(r).empty());
    EXPECT_EQ(r.globalOptionCount(), 0);
    EXPECT_EQ(r.zoneOptionCount(), 0);
    EXPECT_EQ(r.optionLabel(0), "");
    EXPECT_FALSE(r.optionPresent(19));
    EXPECT_FALSE(r.optionValue(-1, 0));

    r = record(0x13031400, 0x04);
    FXUStringTable::getInstance()->SetLanguage(1);
    EXPECT_EQ(r.optionLabel(4), "O004: Charge silencieuse");
    FXUStringTable::getInstance()->SetLanguage(3);
    EXPECT_EQ(r.optionLabel(4), "O004: Stil opladen");
}
