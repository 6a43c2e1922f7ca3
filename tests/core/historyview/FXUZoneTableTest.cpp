#include "core/historyview/FXUZoneTable.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"
#include "support/SharedState.h"

#include <gtest/gtest.h>

namespace {

class ZoneTableTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    FXULog::Image image{};
};

} // namespace

TEST_F(ZoneTableTest, ARangePastMidnightIsOneTextOnEachOfItsDays) {
    HandRecord::PutSleep(image, 3, 7 + 2, 22, 0, 6, 30, HandRecord::kMonday | HandRecord::kTuesday);
    HandRecord::PutSleep(image, 3, 7 + 4, 12, 10, 13, 50, HandRecord::kSunday | 0x01);
    HandRecord::PutSleep(image, 3, 7 + 5, 1, 0, 2, 0, 0xFE); // past the shown five
    const auto record = HandRecord::Make(image, 3);
    const FXUTextGrid b = FXUZoneTable::Cells(*record, 1);
    ASSERT_EQ(b.columns(), 6);
    ASSERT_EQ(b.rows(), 8);
    EXPECT_EQ(b.at(0, 0), "Zone B");
    const std::vector<std::string> header = {b.at(1, 0), b.at(2, 0), b.at(3, 0), b.at(4, 0), b.at(5, 0)};
    EXPECT_EQ(header, (std::vector<std::string>{"Range 1", "Range 2", "Range 3", "Range 4", "xxxx"}));
    EXPECT_EQ(b.at(0, 1), "Monday");
    EXPECT_EQ(b.at(0, 7), "Sunday");
    for (int day = 1; day <= 7; ++day) {
        EXPECT_EQ(b.at(3, day), day <= 2 ? "22H00-06H30" : "") << day;
        EXPECT_EQ(b.at(5, day), day == 7 ? "12H10-13H50" : "") << day;
        EXPECT_EQ(b.at(1, day), "") << "unset ranges have no days";
    }
    const FXUTextGrid a = FXUZoneTable::Cells(*record, 0);
    EXPECT_EQ(a.at(0, 0), "Zone A");
    EXPECT_EQ(a.at(3, 1), "") << "zone B's ranges stay in zone B";
}

TEST_F(ZoneTableTest, LayoutOneHasFourRangesNoZoneNameAndNoFifthHeader) {
    HandRecord::PutSleep(image, 1, 3, 23, 50, 0, 0, 0xFE);
    const FXUTextGrid one = FXUZoneTable::Cells(*HandRecord::Make(image, 1), 0);
    ASSERT_EQ(one.columns(), 5);
    EXPECT_EQ(one.at(0, 0), "");
    EXPECT_EQ(one.at(4, 0), "Range 4");
    EXPECT_EQ(one.at(4, 4), "23H50-00H00");

    const FXUTextGrid two = FXUZoneTable::Cells(*HandRecord::Make(image, 2), 0);
    EXPECT_EQ(two.columns(), 6);
    EXPECT_EQ(two.at(0, 0), "") << "a single zone is not named";
    EXPECT_EQ(two.at(5, 0), "xxxx");

    const FXUTextGrid none = FXUZoneTable::Cells(*HandRecord::Make(image, 0), 0);
    EXPECT_EQ(none.columns(), 1);
    EXPECT_EQ(none.at(0, 3), "Wednesday");
}
