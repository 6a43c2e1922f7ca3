#include "core/database/MachineFilter.h"

#include "core/history/FXUMowerLog.h"
#include "tools/gen/HistoryGenerator.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

using Period = MachineFilter::Period;

struct FilterRow {
    const char* name;
    std::string text; // Windows-1252
    Period period;
    FXULogTime now;
    std::optional<std::uint8_t> typeCode;
    bool matches;
};

// Owner "Zoë Dupré-Œuvray, Großstraße 3, Köln", machine QB-06-1734-B, newest record 2026-02-28 09:30:00.
class MachineFilterTable : public ::testing::TestWithParam<FilterRow> {
protected:
    static std::unique_ptr<FXUMowerLog> machine(bool withRecord = true) {
        auto machine = std::make_unique<FXUMowerLog>();
        if (withRecord) {
            HistoryGenerator generator(18);
            GeneratedHistory history = generator.history();
            history.time = FXULogTime(2026, 2, 28, 9, 30, 0);
            std::unique_ptr<FXULog> record = history.makeRecord();
            machine->Insert(history.time, record);
        }
        machine->SetName("Dupr\xE9-\x8Cuvray");
        machine->SetFirstName("Zo\xEB");
        machine->SetAddress("Gro\xDFstra\xDF"
                            "e 3, K\xF6ln");
        machine->SetTypeCode(9);
        machine->SetYear(6);
        machine->SetMachineNumber(1734);
        machine->SetFactoryFlag(0);
        return machine;
    }
};

TEST_P(MachineFilterTable, Matches) {
    const FilterRow& row = GetParam();
    auto subject = machine();
    MachineFilter filter;
    std::string text = row.text;
    // "%SERIAL%" stands for the generated machine's serial number in upper-case hex, without leading zeros.
    if (const auto at = text.find("%SERIAL%"); at != std::string::npos) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(subject->serialNumber()));
        text.replace(at, 8, hex);
    }
    filter.setText(text);
    filter.setNotServicedSince(row.period, row.now);
    if (row.typeCode)
        filter.setTypeCodes({*row.typeCode});
    EXPECT_EQ(filter.Matches(*subject), row.matches) << row.name;
}

FilterRow text(const char* name, std::string typed, bool matches = true) {
    return {name, std::move(typed), Period::AnyTime, {2026, 8, 31, 12, 0, 0}, std::nullopt, matches};
}
FilterRow dated(const char* name, Period period, FXULogTime now, bool matches) {
    return {name, "", period, now, std::nullopt, matches};
}
FilterRow typed(const char* name, std::uint8_t typeCode, bool matches) {
    return {name, "", Period::AnyTime, {2026, 8, 31, 12, 0, 0}, typeCode, matches};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MachineFilterTable,
    ::testing::Values(
        text("EmptyTextMatchesAll", ""), text("BlanksOnly", "  \t "), text("AccentIgnored", "zoe"),
        text("AccentTyped", "ZO\xCB"), text("AccentInQueryNotInText", "dupr\xE8"),
        text("SharpS", "grossstrasse"), text("Ligature", "oeuvray"), text("Umlaut", "koln"),
        text("WordsInDifferentFields", "koln zoe"), text("OneWordMissing", "zoe paris", false),
        text("NotFound", "martin", false), text("MachineNumberPrefix", "QB-06"),
        text("MachineNumberDigits", "1734"), text("MachineNumberLowerCase", "qb-06-1734-b"),
        text("MachineNumberOtherYear", "QB-07", false), text("SerialHex", "%SERIAL%"),
        text("SerialNotAcrossFields", "zoe%SERIAL%", false), typed("TypeMatches", 9, true),
        typed("TypeOther", 10, false),
        // Newest record 2026-02-28 09:30:00; six months before 2026-08-31 12:00 is 2026-02-28 12:00.
        dated("SixMonthsMonthEndClamped", Period::SixMonths, {2026, 8, 31, 12, 0, 0}, true),
        dated("SixMonthsAtCutoffIsServiced", Period::SixMonths, {2026, 8, 28, 9, 30, 0}, false),
        dated("SixMonthsSecondAfterCutoff", Period::SixMonths, {2026, 8, 28, 9, 30, 1}, true),
        dated("OneYearNotYet", Period::OneYear, {2027, 2, 28, 9, 29, 59}, false),
        dated("OneYearPassed", Period::OneYear, {2027, 2, 28, 9, 30, 1}, true),
        dated("TwoYearsLeapDay", Period::TwoYears, {2028, 2, 29, 0, 0, 0}, false),
        dated("TwoYearsPassed", Period::TwoYears, {2028, 3, 1, 0, 0, 0}, true),
        FilterRow{"PeriodAndText", "zoe", Period::SixMonths, {2026, 8, 1, 0, 0, 0}, std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MachineFilter, MachineWithoutRecordsWasNeverServiced) {
    auto machine = std::make_unique<FXUMowerLog>();
    MachineFilter filter;
    EXPECT_FALSE(filter.active());
    filter.setNotServicedSince(Period::TwoYears, FXULogTime(2026, 1, 1, 0, 0, 0));
    EXPECT_TRUE(filter.active());
    EXPECT_TRUE(filter.Matches(*machine));
    filter.setNotServicedSince(Period::AnyTime, FXULogTime(2026, 1, 1, 0, 0, 0));
    EXPECT_FALSE(filter.active());
}

TEST(MachineFilter, MonthsBeforeCrossesYearsAndClampsDays) {
    EXPECT_EQ(MachineFilter::MonthsBefore({2026, 3, 31, 1, 2, 3}, 1), FXULogTime(2026, 2, 28, 1, 2, 3));
    EXPECT_EQ(MachineFilter::MonthsBefore({2024, 8, 30, 0, 0, 0}, 6), FXULogTime(2024, 2, 29, 0, 0, 0));
    EXPECT_EQ(MachineFilter::MonthsBefore({2026, 1, 15, 0, 0, 0}, 24), FXULogTime(2024, 1, 15, 0, 0, 0));
    EXPECT_EQ(MachineFilter::MonthsBefore({2026, 5, 31, 0, 0, 0}, 12), FXULogTime(2025, 5, 31, 0, 0, 0));
}

} // namespace
