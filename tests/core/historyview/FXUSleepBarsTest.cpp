#include "core/historyview/FXUSleepBars.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"

#include <gtest/gtest.h>

namespace {

constexpr std::array<bool, 7> kMondayTuesday{true, true, false, false, false, false, false};
constexpr std::array<bool, 7> kNoDay{};
constexpr std::array<bool, 7> kEveryDay{true, true, true, true, true, true, true};

struct BarRow {
    const char* name;
    FXUSleepEntry entry;
    int zone;
    std::vector<FXUSleepBar> bars;
};

class SleepBarsForEntry : public ::testing::TestWithParam<BarRow> {};

const BarRow kBars[] = {
    {"DaytimeRange",
     {64, 70, HandRecord::kMonday | HandRecord::kTuesday},
     0,
     {{10, 40, 11, 40, kMondayTuesday, 0}}},
    {"PastMidnightIsSplit",
     {132, 39, HandRecord::kMonday | HandRecord::kTuesday},
     1,
     {{22, 0, 24, 0, kMondayTuesday, 1}, {0, 0, 6, 30, kMondayTuesday, 1}}},
    {"EqualStartAndEndRestAllDay",
     {60, 60, 0xFE},
     2,
     {{10, 0, 24, 0, kEveryDay, 2}, {0, 0, 10, 0, kEveryDay, 2}}},
    {"MidnightToMidnight", {0, 0, 0xFE}, 0, {{0, 0, 24, 0, kEveryDay, 0}, {0, 0, 0, 0, kEveryDay, 0}}},
    {"BitZeroIsNoDay", {6, 12, 0x01}, 0, {{1, 0, 2, 0, kNoDay, 0}}},
    {"SundayOnly",
     {0, 143, HandRecord::kSunday},
     0,
     {{0, 0, 23, 50, {false, false, false, false, false, false, true}, 0}}},
    {"EmptyMask", {30, 20, 0}, 0, {{5, 0, 24, 0, kNoDay, 0}, {0, 0, 3, 20, kNoDay, 0}}},
};

TEST_P(SleepBarsForEntry, SplitsAtMidnightAndKeepsTheDays) {
    EXPECT_EQ(FXUSleepBars::ForEntry(GetParam().entry, GetParam().zone), GetParam().bars);
}

INSTANTIATE_TEST_SUITE_P(Rows, SleepBarsForEntry, ::testing::ValuesIn(kBars),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST(SleepBars, EachZoneShowsItsFirstFiveEntriesInLayoutThreeAndTheFirstFourInLayoutOne) {
    FXULog::Image image{};
    HandRecord::PutSleep(image, 3, 0, 8, 0, 9, 0, HandRecord::kMonday);        // zone A, range 1
    HandRecord::PutSleep(image, 3, 4, 12, 0, 13, 0, HandRecord::kMonday);      // zone A, range 5
    HandRecord::PutSleep(image, 3, 5, 14, 0, 15, 0, HandRecord::kMonday);      // zone A, not shown
    HandRecord::PutSleep(image, 3, 7 + 1, 22, 0, 6, 30, HandRecord::kTuesday); // zone B, range 2
    HandRecord::PutSleep(image, 3, 14 + 6, 1, 0, 2, 0, HandRecord::kSunday);   // zone C, not shown
    const auto layout3 = HandRecord::Make(image, 3);
    std::vector<FXUSleepBar> shown;
    for (const FXUSleepBar& bar : FXUSleepBars::Build(*layout3))
        if (bar.days != kNoDay)
            shown.push_back(bar);
    const std::array<bool, 7> monday{true};
    const std::array<bool, 7> tuesday{false, true};
    EXPECT_EQ(shown, (std::vector<FXUSleepBar>{{8, 0, 9, 0, monday, 0},
                                               {12, 0, 13, 0, monday, 0},
                                               {22, 0, 24, 0, tuesday, 1},
                                               {0, 0, 6, 30, tuesday, 1}}));
    // Unset entries (0 to 0) still make bars, on no day.
    EXPECT_EQ(FXUSleepBars::Build(*layout3).size(), 3u * 5u * 2u - 2u);

    FXULog::Image one{};
    HandRecord::PutSleep(one, 1, 3, 7, 0, 7, 30, 0xFE);
    HandRecord::PutSleep(one, 1, 4, 9, 0, 9, 30, 0xFE); // past the four ranges
    const auto layout1 = HandRecord::Make(one, 1);
    const auto bars = FXUSleepBars::Build(*layout1);
    ASSERT_EQ(bars.size(), 3u * 2u + 1u);
    EXPECT_EQ(bars.back(), (FXUSleepBar{7, 0, 7, 30, kEveryDay, 0}));

    EXPECT_TRUE(FXUSleepBars::Build(*HandRecord::Make(image, 0)).empty()) << "layout 0 has no ranges";
}
