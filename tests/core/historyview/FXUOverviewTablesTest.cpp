#include "core/historyview/FXUOverviewTables.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"
#include "support/SharedState.h"

#include <gtest/gtest.h>

namespace {

class OverviewTablesTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    FXULog::Image image{};
};

struct LanguageRow {
    const char* name;
    std::uint8_t byte;
    const char* text; // Windows-1252
};

class RecordLanguage : public ::testing::TestWithParam<LanguageRow> {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }
};

const LanguageRow kLanguages[] = {{"English", 0, "English"},
                                  {"French", 1,
                                   "Fran\xe7"
                                   "ais"},
                                  {"Dutch", 2, "Nederlands"},
                                  {"Spanish", 4, "Espa\xf1ol"},
                                  {"German", 5, "Deutsch"},
                                  {"Beyond", 6, "??????????"},
                                  {"Last", 255, "??????????"}};

TEST_P(RecordLanguage, IsNamedInTheIdentification) {
    FXULog::Image image{};
    image[1] = GetParam().byte;
    EXPECT_EQ(FXUOverviewTables::Identification(*HandRecord::Make(image, 3)).at(1, 2), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rows, RecordLanguage, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_F(OverviewTablesTest, IdentificationAndStatisticsWithTheirUnits) {
    // Slot 0 holds 66051 (01 02 03, the fourth byte ignored); slots 5 and 6 are not shown.
    const std::uint8_t slots[8][4] = {{1, 2, 3, 9}, {0, 0, 60, 0}, {0, 1, 0, 0}, {0, 0, 7, 0},
                                      {0, 0, 8, 0}, {9, 9, 9, 9},  {8, 8, 8, 8}, {0xFF, 0xFF, 0xFF, 0xFF}};
    for (int s = 0; s < 8; ++s)
        for (int b = 0; b < 4; ++b)
            image[static_cast<std::size_t>(80 + 4 * s + b)] = slots[s][b];
    const auto record = HandRecord::Make(image, 3, 0x0B);
    const FXUTextGrid statistics = FXUOverviewTables::Statistics(*record);
    ASSERT_EQ(statistics.rows(), 6);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Mowing time", "66051 min"}, {"Charging Time", "60 min"}, {"Nb of cycles", "256"},
        {"L Wheel dist.", "7 m"},     {"R Wheel dist.", "8 m"},    {"Rest time", "16777215 min"}};
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(std::pair(statistics.at(0, r), statistics.at(1, r)), expected[static_cast<std::size_t>(r)]);

    const FXUTextGrid id = FXUOverviewTables::Identification(*record);
    EXPECT_EQ(id.at(0, 0), "Firmware version:");
    EXPECT_EQ(id.at(1, 0), "0B-13020101");
    EXPECT_EQ(id.at(0, 1), "Serial Number:");
    EXPECT_EQ(id.at(1, 1), "04A1B2C3");
    EXPECT_EQ(id.at(0, 2), "Language:");

    FXUStringTable::getInstance()->SetLanguage(1);
    EXPECT_EQ(FXUOverviewTables::Identification(*record).at(0, 2), "Langue:");
}

TEST_F(OverviewTablesTest, SystemParametersAreNumberedFromP00) {
    for (int i = 0; i < 88; ++i)
        image[static_cast<std::size_t>(232 + i)] = static_cast<std::uint8_t>(200 + i);
    const auto rows = FXUOverviewTables::SystemParameters(*HandRecord::Make(image, 3));
    ASSERT_EQ(rows.size(), 88u);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"P00", "200"}));
    EXPECT_EQ(rows[9], (std::pair<std::string, std::string>{"P09", "209"}));
    EXPECT_EQ(rows[87], (std::pair<std::string, std::string>{"P87", "31"}));
    EXPECT_EQ(FXUOverviewTables::SystemParameters(*HandRecord::Make(image, 1)).size(), 124u);
    EXPECT_TRUE(FXUOverviewTables::SystemParameters(*HandRecord::Make(image, 0)).empty());
}
