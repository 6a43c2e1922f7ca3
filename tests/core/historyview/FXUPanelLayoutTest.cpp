#include "core/historyview/FXUPanelLayout.h"

#include <gtest/gtest.h>

namespace {

using Direction = FXUPanelLayout::Direction;

struct SplitRow {
    const char* name;
    int width, height, border, percent;
    Direction direction;
    FXURect first, second;
};

class SplitPanel : public ::testing::TestWithParam<SplitRow> {};

// Worked by hand: the room is the parent's size less its border width (once), the first child takes the
// truncated percentage of it and the second the rest; both start inside the border.
const SplitRow kSplits[] = {
    {"VerticalSeventyPercentWithoutBorder",
     1000,
     800,
     -1,
     70,
     Direction::Vertical,
     {0, 0, 1000, 560},
     {0, 560, 1000, 240}},
    {"VerticalTruncates", 517, 333, -1, 70, Direction::Vertical, {0, 0, 517, 233}, {0, 233, 517, 100}},
    {"HorizontalInsideABorderOfTwo",
     1000,
     560,
     2,
     30,
     Direction::Horizontal,
     {2, 2, 299, 558},
     {301, 2, 699, 558}},
    {"HorizontalHalfOfAnOddWidth",
     699,
     558,
     -1,
     50,
     Direction::Horizontal,
     {0, 0, 349, 558},
     {349, 0, 350, 558}},
    {"AllToTheFirst", 300, 200, 2, 100, Direction::Vertical, {2, 2, 298, 198}, {2, 200, 298, 0}},
    {"NothingToTheFirst", 300, 200, 2, 0, Direction::Horizontal, {2, 2, 0, 198}, {2, 2, 298, 198}},
    {"ParentSmallerThanItsBorder", 1, 1, 2, 50, Direction::Vertical, {2, 2, 0, 0}, {2, 2, 0, 0}},
    {"ParentOfNoSize", 0, 0, -1, 70, Direction::Horizontal, {0, 0, 0, 0}, {0, 0, 0, 0}},
};

TEST_P(SplitPanel, GivesTheTabledSizes) {
    const SplitRow& row = GetParam();
    const FXUPanelLayout::Split split =
        FXUPanelLayout::splitPanel(row.width, row.height, row.border, row.percent, row.direction);
    EXPECT_EQ(split.first, row.first);
    EXPECT_EQ(split.second, row.second);
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitPanel, ::testing::ValuesIn(kSplits),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShareRow {
    const char* name;
    int global, zone, share;
};

class OptionShare : public ::testing::TestWithParam<ShareRow> {};

const ShareRow kShares[] = {
    {"SevenAndFive", 7, 5, 58}, {"NoOptions", 0, 0, 50},  {"OnlyGlobal", 6, 0, 100},
    {"OnlyPerZone", 0, 4, 0},   {"SixAndFour", 6, 4, 60}, {"FiveAndFour", 5, 4, 55},
};

TEST_P(OptionShare, IsTheGlobalOptionsPartOfAll) {
    EXPECT_EQ(FXUPanelLayout::OptionShare(GetParam().global, GetParam().zone), GetParam().share);
}

INSTANTIATE_TEST_SUITE_P(Rows, OptionShare, ::testing::ValuesIn(kShares),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST(LayoutPanels, ElevenPanelsNestedAsTabledForAThousandByEightHundredPage) {
    const auto panels = FXUPanelLayout::layoutPanels(1000, 800, 7, 5);
    struct Expected {
        int parent;
        FXURect rect;
        int border;
    };
    // P0 no border; P1 70 % of 800 = 560; P3 30 % of (1000 - 2); P5 half of (560 - 2); P7 half of P4;
    // P9 58 % of P8's 558, the 7/5 split of the options.
    const Expected expected[FXUPanelLayout::kPanels] = {
        {-1, {0, 0, 1000, 800}, -1}, {0, {0, 0, 1000, 560}, 2},   {0, {0, 560, 1000, 240}, 2},
        {1, {2, 2, 299, 558}, -1},   {1, {301, 2, 699, 558}, -1}, {3, {0, 0, 299, 279}, 2},
        {3, {0, 279, 299, 279}, 2},  {4, {0, 0, 349, 558}, 2},    {4, {349, 0, 350, 558}, -1},
        {8, {0, 0, 350, 323}, 2},    {8, {0, 323, 350, 235}, 2},
    };
    for (int i = 0; i < FXUPanelLayout::kPanels; ++i) {
        SCOPED_TRACE("P" + std::to_string(i));
        EXPECT_EQ(panels[static_cast<std::size_t>(i)].parent, expected[i].parent);
        EXPECT_EQ(panels[static_cast<std::size_t>(i)].rect, expected[i].rect);
        EXPECT_EQ(panels[static_cast<std::size_t>(i)].border, expected[i].border);
    }
    EXPECT_EQ(panels[9].rect.height, 58 * panels[8].rect.height / 100);
}

TEST(LayoutPanels, WithoutZoneOptionsTheGlobalOptionsTakeAllOfTheirPanelAndTinyPagesGiveEmptyPanels) {
    auto panels = FXUPanelLayout::layoutPanels(640, 480, 6, 0);
    EXPECT_EQ(panels[9].rect.height, panels[8].rect.height);
    EXPECT_EQ(panels[10].rect.height, 0);

    panels = FXUPanelLayout::layoutPanels(640, 480, 0, 0);
    EXPECT_EQ(panels[9].rect.height, panels[8].rect.height / 2);

    for (auto size : {std::pair{0, 0}, std::pair{3, 1}, std::pair{-5, -5}}) {
        panels = FXUPanelLayout::layoutPanels(size.first, size.second, 7, 5);
        for (const auto& panel : panels) {
            EXPECT_GE(panel.rect.width, 0);
            EXPECT_GE(panel.rect.height, 0);
        }
    }
}
