#include "core/historyview/FXUWeekChart.h"

#include "core/i18n/FXUStringTable.h"
#include "support/SharedState.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct GeometryRow {
    const char* name;
    int width, height, zones;
    int halfHour, imageWidth, chartHeight, subRow, bottom;
};

class WeekChartGeometry : public ::testing::TestWithParam<GeometryRow> {
protected:
    void TearDown() override { releaseSharedState(); }
};

// By hand: k is the most half-hour width with 156 + 48 k <= min(W, 600); B = 44 + 7 (Z + 1) m within
// min(H, 500) - 40; r = (B - 40 - 6 (Z + 1)) / 7Z; each day is Z rows of r, Z - 1 separators and a 2 line.
const GeometryRow kGeometry[] = {
    {"ThousandByEightHundred", 1000, 800, 1, 9, 586, 450, 56, 42 + 6 * 58 + 56},
    {"NarrowPanel", 180, 800, 1, 0, 154, 450, 56, 446},
    {"JustTooNarrowForOnePixel", 203, 400, 1, 0, 154, 352, 42, 42 + 6 * 44 + 42},
    {"JustWideEnoughForOnePixel", 204, 400, 1, 1, 202, 352, 42, 348},
    {"WideIsCappedAtSixHundred", 5000, 5000, 1, 9, 586, 450, 56, 446},
    {"ThreeZones", 600, 500, 3, 9, 586, 436, 17, 42 + 6 * 55 + 53},
    {"ThreeZonesSmall", 400, 250, 3, 5, 394, 184, 5, 42 + 6 * 19 + 17},
    {"TinyPanel", 10, 10, 1, 0, 154, 44, -1, 42 + 6 * 1 - 1},
    {"NoZones", 1000, 800, 0, 9, 586, 457, 0, 42 + 6 * 2},
    {"NoRoomAtAll", 0, 0, 3, 0, 154, 44, 0, 42 + 6 * 4 + 2},
};

TEST_P(WeekChartGeometry, FollowsThePanelSize) {
    FXUStringTable::getInstance()->SetLanguage(0);
    const GeometryRow& row = GetParam();
    const FXUWeekChart chart(row.width, row.height, row.zones, {});
    EXPECT_EQ(chart.halfHourWidth(), row.halfHour);
    EXPECT_EQ(chart.imageWidth(), row.imageWidth);
    EXPECT_EQ(chart.imageHeight(), std::max(0, row.height));
    EXPECT_EQ(chart.chartHeight(), row.chartHeight);
    EXPECT_EQ(chart.subRowHeight(), row.subRow);
    EXPECT_EQ(chart.bottom(), row.bottom);
}

INSTANTIATE_TEST_SUITE_P(Rows, WeekChartGeometry, ::testing::ValuesIn(kGeometry),
                         [](const auto& info) { return std::string(info.param.name); });

struct TimeRow {
    const char* name;
    int hour, minute, halfHour, x;
};

class WeekChartTimeX : public ::testing::TestWithParam<TimeRow> {};

// Hour h starts after h hour lines of 2 and half-hour lines of 1: h (2s + 3) + 82; past the half hour the
// line before adds a pixel to what the minutes give.
const TimeRow kTimes[] = {
    {"Midnight", 0, 0, 9, 82},     {"TenOClock", 10, 0, 9, 292},     {"TenTwenty", 10, 20, 9, 298},
    {"TenThirty", 10, 30, 9, 301}, {"TenForty", 10, 40, 9, 305},     {"TenFifty", 10, 50, 9, 308},
    {"TwentyFour", 24, 0, 9, 586}, {"NoWidthForty", 10, 40, 0, 113}, {"NoWidthThirty", 10, 30, 0, 112},
};

TEST_P(WeekChartTimeX, CountsTheLinesBefore) {
    EXPECT_EQ(FXUWeekChart::TimeX(GetParam().hour, GetParam().minute, GetParam().halfHour), GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(Rows, WeekChartTimeX, ::testing::ValuesIn(kTimes),
                         [](const auto& info) { return std::string(info.param.name); });

class WeekChartTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    template <typename Item> static std::vector<Item> all(const FXUWeekChart& chart) {
        std::vector<Item> found;
        for (const FXUChartItem& item : chart.items())
            if (const Item* wanted = std::get_if<Item>(&item))
                found.push_back(*wanted);
        return found;
    }
};

} // namespace

TEST_F(WeekChartTest, RulerHasATickPerHalfHourWithLongerTicksAndLabelsEveryThreeHours) {
    const FXUWeekChart chart(1000, 800, 1, {});
    std::vector<FXUChartLine> ticks;
    for (const FXUChartLine& line : all<FXUChartLine>(chart))
        if (line.x1 == line.x2 && line.x1 > FXUWeekChart::kLeftAxis)
            ticks.push_back(line);
    ASSERT_EQ(ticks.size(), 48u);
    EXPECT_EQ(ticks[0], (FXUChartLine{91, 40, 91, 446, 1})) << "00H30";
    EXPECT_EQ(ticks[1], (FXUChartLine{101, 30, 101, 446, 2}))
        << "01H00, the line just before 01H00's first pixel";
    EXPECT_EQ(FXUWeekChart::TimeX(1, 0, 9), 103);
    const int lengths[] = {10, 10, 15, 10, 10, 20, 10, 10, 15, 10, 10, 20,
                           10, 10, 15, 10, 10, 20, 10, 10, 15, 10, 10, 30};
    for (int hour = 1; hour <= 24; ++hour) {
        const FXUChartLine& line = ticks[static_cast<std::size_t>(2 * hour - 1)];
        EXPECT_EQ(40 - line.y1, lengths[hour - 1]) << hour;
        EXPECT_EQ(line.x1, FXUWeekChart::TimeX(hour, 0, 9) - 2) << hour;
    }
    EXPECT_EQ(ticks.back().x1, 584) << "24H00's line ends at the image's edge";

    std::vector<std::string> labels;
    for (const FXUChartText& text : all<FXUChartText>(chart))
        if (text.y < 40)
            labels.push_back(text.text);
    EXPECT_EQ(labels, (std::vector<std::string>{"03", "06", "09", "12", "15", "18", "21"}));
    const FXUChartText six = all<FXUChartText>(chart)[1];
    const int x = FXUWeekChart::TimeX(6, 0, 9) - 2;
    EXPECT_EQ(six, (FXUChartText{x - 6, 5, FXURect::FromCorners(x - 6, 0, x + 15, 20), "06"}));
}

TEST_F(WeekChartTest, DaysHaveASubRowPerZoneNamedOnTheLeftWithALegendForSeveralZones) {
    const FXUWeekChart chart(600, 500, 3, {});
    // r = 17: a zone row, a separator and a row, a separator and a row, then the day's line of 2.
    EXPECT_EQ(chart.subRowTop(0, 0), 42);
    EXPECT_EQ(chart.subRowTop(0, 1), 59);
    EXPECT_EQ(chart.subRowTop(0, 2), 77);
    EXPECT_EQ(chart.subRowTop(1, 0), 97);
    EXPECT_EQ(chart.subRowTop(6, 2), 42 + 6 * 55 + 35);
    const std::vector<FXUChartText> texts = all<FXUChartText>(chart);
    ASSERT_EQ(texts.size(), 7u + 7u + 3u);
    EXPECT_EQ(texts[7], (FXUChartText{20, 42 + 52 / 2 - 5, FXURect::FromCorners(1, 42, 79, 94), "Monday"}));
    EXPECT_EQ(texts[13],
              (FXUChartText{20, 372 + 53 / 2 - 5, FXURect::FromCorners(1, 372, 79, 425), "Sunday"}));
    EXPECT_EQ(texts[15], (FXUChartText{160, 448, FXURect::FromCorners(160, 445, 210, 465), "Zone B", true}));
    const std::vector<FXUChartBox> boxes = all<FXUChartBox>(chart);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2], (FXUChartBox{FXURect::FromCorners(240, 445, 290, 465), {0, 128, 0}}));

    EXPECT_TRUE(all<FXUChartBox>(FXUWeekChart(600, 500, 1, {})).empty()) << "one zone needs no legend";
    FXUStringTable::getInstance()->SetLanguage(4);
    EXPECT_EQ(all<FXUChartText>(FXUWeekChart(600, 500, 1, {}))[7].text, "Montag ")
        << "as the catalogue has it";
}

TEST_F(WeekChartTest, ARangePastMidnightDrawsTwoBarsOnEachOfItsDays) {
    const std::array<bool, 7> mondayTuesday{true, true};
    const std::vector<FXUSleepBar> bars = {{22, 0, 24, 0, mondayTuesday, 0}, {0, 0, 6, 30, mondayTuesday, 0}};
    const FXUWeekChart chart(1000, 800, 1, bars);
    const std::vector<FXUChartBox> boxes = all<FXUChartBox>(chart);
    const FXURgb red{255, 0, 0};
    EXPECT_EQ(boxes, (std::vector<FXUChartBox>{{FXURect::FromCorners(544, 42, 586, 97), red},
                                               {FXURect::FromCorners(544, 100, 586, 155), red},
                                               {FXURect::FromCorners(82, 42, 217, 97), red},
                                               {FXURect::FromCorners(82, 100, 217, 155), red}}));
    EXPECT_TRUE(std::holds_alternative<FXUChartBox>(chart.items().back())) << "bars are painted last";
}

TEST_F(WeekChartTest, TinyPanelsAndEmptyBarsGiveNoEmptyBoxes) {
    const std::array<bool, 7> everyDay{true, true, true, true, true, true, true};
    const std::vector<FXUSleepBar> bars = {
        {0, 0, 0, 0, everyDay, 0}, {1, 0, 2, 0, everyDay, 0}, {1, 0, 2, 0, everyDay, 5}};
    for (auto [width, height, zones] : {std::tuple{1000, 800, 1}, std::tuple{10, 10, 1}, std::tuple{0, 0, 3},
                                        std::tuple{-3, -3, 1}, std::tuple{1000, 800, 0}}) {
        const FXUWeekChart chart(width, height, zones, bars);
        for (const FXUChartBox& box : all<FXUChartBox>(chart)) {
            EXPECT_GT(box.rect.width, 0);
            EXPECT_GT(box.rect.height, 0);
        }
    }
    EXPECT_EQ(all<FXUChartBox>(FXUWeekChart(1000, 800, 1, bars)).size(), 7u)
        << "zone 5 is no zone of this chart";
}
