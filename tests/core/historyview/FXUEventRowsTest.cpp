#include "core/historyview/FXUEventRows.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"
#include "support/SharedState.h"

#include <gtest/gtest.h>

namespace {

class EventRowsTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    FXULog::Image image{};
};

struct StyleRow {
    const char* name;
    std::uint8_t code;
    FXUEventStyle style;
};

class EventStyle : public ::testing::TestWithParam<StyleRow> {};

const StyleRow kStyles[] = {
    {"StartWorking", 0, FXUEventStyle::Plain},
    {"OpenBonnet", 2, FXUEventStyle::Machine},
    {"Alarm", 5, FXUEventStyle::Alarm},
    {"SwitchOn", 6, FXUEventStyle::Machine},
    {"SwitchOff", 7, FXUEventStyle::Machine},
    {"StationCapture", 8, FXUEventStyle::Plain},
    {"SoftwareUpdate", 11, FXUEventStyle::Update},
    {"UnloadBalls", 12, FXUEventStyle::Plain},
    {"Unknown", 200, FXUEventStyle::Plain},
};

TEST_P(EventStyle, MarksAlarmsMachineHandlingAndUpdates) {
    EXPECT_EQ(FXUEventRows::StyleOf(GetParam().code), GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(Rows, EventStyle, ::testing::ValuesIn(kStyles),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_F(EventRowsTest, NewestEventFirstWithItsTextsAndNumbers) {
    HandRecord::PutEvents(image, {{0x03, 0x05, 0x09, 0x30, 6, 0, 0, 0},
                                  {0x03, 0x05, 0x10, 0x02, 5, 0x21, 7, 255},
                                  {0x31, 0x12, 0x23, 0x59, 5, 0x03, 0, 0},
                                  {0x01, 0x01, 0x00, 0x00, 13, 1, 2, 3}});
    const std::vector<FXUEventRow> rows = FXUEventRows::Build(*HandRecord::Make(image, 3, 0x05));
    ASSERT_EQ(rows.size(), 4u);
    using Cells = std::array<std::string, 6>;
    EXPECT_EQ(rows[0].cells, (Cells{"0", "01/01 00:00", "UNKNOW EVENT", "1", "2", "3"}));
    EXPECT_EQ(rows[1].cells, (Cells{"1", "31/12 23:59", "Cutting head 1", "3", "0", "0"}))
        << "a QP machine numbers its heads one bit higher";
    EXPECT_EQ(rows[2].cells, (Cells{"2", "03/05 10:02", "Left wheel blocked", "33", "7", "255"}));
    EXPECT_EQ(rows[3].cells, (Cells{"3", "03/05 09:30", "Switch on", "0", "0", "0"}));
    EXPECT_EQ(rows[1].style, FXUEventStyle::Alarm);
    EXPECT_EQ(rows[3].style, FXUEventStyle::Machine);
    EXPECT_EQ(rows[3].code, 6);
    EXPECT_EQ(FXUEventRows::GridRows(4), 9);
    EXPECT_EQ(FXUEventRows::OldestRow(4), 4);
}

TEST_F(EventRowsTest, AFullWrappedRingFillsRowsOneTo984OldestLast) {
    // The oldest entry sits in slot 100 of the 984; each entry carries its age in FU1 and FU2.
    const int oldest = 100;
    for (int e = 0; e < 984; ++e) {
        const std::size_t offset = 320 + static_cast<std::size_t>((oldest + e) % 984) * 8;
        image[offset + 4] = 1;
        image[offset + 6] = static_cast<std::uint8_t>(e >> 8);
        image[offset + 7] = static_cast<std::uint8_t>(e);
    }
    const int pointer = 0x8000 | (320 + oldest * 8);
    image[28] = static_cast<std::uint8_t>(pointer >> 8);
    image[29] = static_cast<std::uint8_t>(pointer);
    const std::vector<FXUEventRow> rows = FXUEventRows::Build(*HandRecord::Make(image, 3));
    ASSERT_EQ(rows.size(), 984u);
    for (int i = 0; i < 984; ++i) {
        const int e = 983 - i;
        ASSERT_EQ(rows[static_cast<std::size_t>(i)].cells[4], std::to_string(e >> 8)) << i;
        ASSERT_EQ(rows[static_cast<std::size_t>(i)].cells[5], std::to_string(e & 0xFF)) << i;
    }
    EXPECT_EQ(FXUEventRows::GridRows(984), 989) << "header, 984 events, four empty rows";
    EXPECT_EQ(FXUEventRows::OldestRow(984), 984);
}

TEST_F(EventRowsTest, NoEventsGiveNoRowsAndTheGridOpensBelowItsHeader) {
    EXPECT_TRUE(FXUEventRows::Build(*HandRecord::Make(image, 3)).empty());
    EXPECT_TRUE(FXUEventRows::Build(*HandRecord::Make(image, 0)).empty());
    EXPECT_EQ(FXUEventRows::GridRows(0), 5);
    EXPECT_EQ(FXUEventRows::OldestRow(0), 1);
}
