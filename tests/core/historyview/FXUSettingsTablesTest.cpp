#include "core/historyview/FXUSettingsTables.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"
#include "support/SharedState.h"

#include <gtest/gtest.h>

namespace {

class SettingsTablesTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    static std::vector<std::string> column(const FXUTextGrid& grid, int c) {
        std::vector<std::string> texts;
        for (int r = 0; r < grid.rows(); ++r)
            texts.push_back(grid.at(c, r));
        return texts;
    }
    static std::vector<std::string> row(const FXUTextGrid& grid, int r) {
        std::vector<std::string> texts;
        for (int c = 0; c < grid.columns(); ++c)
            texts.push_back(grid.at(c, r));
        return texts;
    }

    FXULog::Image image{};
};

struct LabelRow {
    const char* name;
    int index;
    const char* label;
};

class ParameterLabel : public ::testing::TestWithParam<LabelRow> {};

const LabelRow kLabels[] = {
    {"Zero", 0, "P 0 :"}, {"Five", 5, "P 5 :"}, {"Twelve", 12, "P12 :"}, {"Hundred", 100, "P100 :"}};

TEST_P(ParameterLabel, RightAlignsTheNumberInTwoCharacters) {
    EXPECT_EQ(FXUSettingsTables::ParameterLabel(GetParam().index), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParameterLabel, ::testing::ValuesIn(kLabels),
                         [](const auto& info) { return std::string(info.param.name); });

struct ZoneOffRow {
    const char* name;
    int layout;
    std::uint8_t zoneA, zoneB, zoneC; // zone option bytes (image 2, 3, 4 for hardware code 4)
    std::vector<bool> flags;
};

class ZoneOffFlags : public ::testing::TestWithParam<ZoneOffRow> {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }
};

// O017 "Enable Zone" is bit 6 of a zone's option byte; only layout 3 has it.
const ZoneOffRow kZoneOff[] = {
    {"ZoneBOff", 3, 0x40, 0x00, 0x40, {false, false, true, false}},
    {"AllOn", 3, 0x40, 0x40, 0x40, {false, false, false, false}},
    {"AllOffOtherBitsSet", 3, 0xBF, 0xBF, 0xBF, {false, true, true, true}},
    {"LayoutTwoNeverOff", 2, 0x00, 0x00, 0x00, {false, false}},
    {"LayoutOneNeverOff", 1, 0x00, 0x00, 0x00, {false, false}},
    {"LayoutZeroHasNoZones", 0, 0x00, 0x00, 0x00, {false}},
};

TEST_P(ZoneOffFlags, MarkTheZonesWhoseEnableBitIsClear) {
    FXULog::Image image{};
    image[2] = GetParam().zoneA;
    image[3] = GetParam().zoneB;
    image[4] = GetParam().zoneC;
    EXPECT_EQ(FXUSettingsTables::ZoneOffFlags(*HandRecord::Make(image, GetParam().layout)), GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(Rows, ZoneOffFlags, ::testing::ValuesIn(kZoneOff),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_F(SettingsTablesTest, ParametersHaveAColumnPerZoneTitledOnlyWhenThereAreSeveral) {
    for (int k = 0; k < 16; ++k)
        for (int z = 0; z < 3; ++z)
            image[static_cast<std::size_t>(120 + 16 * z + k)] = static_cast<std::uint8_t>(10 * z + k);
    const FXUTextGrid three = FXUSettingsTables::Parameters(*HandRecord::Make(image, 3));
    ASSERT_EQ(three.columns(), 5);
    ASSERT_EQ(three.rows(), 12) << "11 shown parameters under the header";
    EXPECT_EQ(row(three, 0), (std::vector<std::string>{"", "", "Zone A", "Zone B", "Zone C"}));
    EXPECT_EQ(row(three, 1), (std::vector<std::string>{"P 0 :", "Signal Sensitivity", "0", "10", "20"}));
    EXPECT_EQ(row(three, 6), (std::vector<std::string>{"P 5 :", "Nominal Speed", "5", "5", "5"}))
        << "one speed for every zone";
    EXPECT_EQ(row(three, 11), (std::vector<std::string>{"P10 :", "Work Time Ratio", "10", "20", "30"}));

    const FXUTextGrid one = FXUSettingsTables::Parameters(*HandRecord::Make(image, 1, 0x04, 9));
    ASSERT_EQ(one.columns(), 3);
    EXPECT_EQ(one.rows(), 12) << "ident[1] 9 shows 11";
    EXPECT_EQ(row(one, 0), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(row(one, 11), (std::vector<std::string>{"P10 :", "Work Time Ratio", "10"}));
    EXPECT_EQ(FXUSettingsTables::Parameters(*HandRecord::Make(image, 1)).rows(), 8)
        << "7 shown below ident[1] 6";

    const FXUTextGrid none = FXUSettingsTables::Parameters(*HandRecord::Make(image, 0));
    EXPECT_EQ(none.columns(), 2);
    EXPECT_EQ(none.rows(), 1);
}

TEST_F(SettingsTablesTest, OptionsAreListedGlobalAndPerZoneInSlotOrder) {
    // Layout 3, hardware code 4, collector: O000 (bit 4 of the options byte) set, O018 (bit 7) set; zone B
    // has O011 (bit 1) and O017 (bit 6).
    image[0] = 0x90;
    image[3] = 0x42;
    const auto record = HandRecord::Make(image, 3, 0x09);
    EXPECT_EQ(FXUSettingsTables::GlobalSlots(*record), (std::vector<int>{0, 4, 6, 8, 9, 16, 18}));
    EXPECT_EQ(FXUSettingsTables::ZoneSlots(*record), (std::vector<int>{10, 11, 13, 15, 17}));

    const FXUTextGrid global = FXUSettingsTables::GlobalOptions(*record);
    ASSERT_EQ(global.rows(), 8);
    EXPECT_EQ(row(global, 0), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(row(global, 1), (std::vector<std::string>{"O000: Multiple Robots", "V"}));
    EXPECT_EQ(row(global, 2), (std::vector<std::string>{"O004: Silent Charge", "-"}));
    EXPECT_EQ(row(global, 5), (std::vector<std::string>{"O009: Go back and offload", "-"}));
    EXPECT_EQ(row(global, 7), (std::vector<std::string>{"O018: Keyboard Lock", "V"}));

    const FXUTextGrid zones = FXUSettingsTables::ZoneOptions(*record);
    ASSERT_EQ(zones.columns(), 4);
    ASSERT_EQ(zones.rows(), 6);
    EXPECT_EQ(row(zones, 0), (std::vector<std::string>{"Zone :", "A", "B", "C"}));
    EXPECT_EQ(row(zones, 2), (std::vector<std::string>{"O011: Charge on 2 Sides", "-", "V", "-"}));
    EXPECT_EQ(row(zones, 5), (std::vector<std::string>{"O017: Enable Zone", "-", "V", "-"}));

    const auto layout1 = HandRecord::Make(image, 1);
    EXPECT_TRUE(FXUSettingsTables::ZoneSlots(*layout1).empty());
    EXPECT_EQ(FXUSettingsTables::ZoneOptions(*layout1).rows(), 1);
    EXPECT_EQ(column(FXUSettingsTables::GlobalOptions(*layout1), 0).size(),
              static_cast<std::size_t>(layout1->globalOptionCount() + 1));

    const auto noType = HandRecord::Make(image, 3, 0x00);
    EXPECT_EQ(FXUSettingsTables::GlobalOptions(*noType).rows(), 1) << "type byte 0: no option applies";
    EXPECT_EQ(FXUSettingsTables::ZoneOptions(*noType).rows(), 1);
}
