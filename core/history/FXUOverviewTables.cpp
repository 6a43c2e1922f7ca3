#include "core/history/FXUOverviewTables.h"

#include "core/history/FXULog.h"
#include "core/i18n/FXUStringTable.h"

#include <cstdio>

const std::vector<FXUOverviewTables::Statistic> FXUOverviewTables::kShownStatistics = {
    {0, 110, " min"}, {1, 111, " min"}, {2, 112, ""}, {3, 113, " m"}, {4, 114, " m"}, {7, 117, " min"},
};

FXUTextGrid FXUOverviewTables::Identification(const FXULog& record) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    FXUTextGrid cells(2, 3);
    char text[32];
    cells.set(0, 0, catalogue->Text(118) + ":");
    std::snprintf(text, sizeof text, "%2.2X-%8.8X", record.typeByte(),
                  static_cast<unsigned>(record.firmwareVersion()));
    cells.set(1, 0, text);
    cells.set(0, 1, "Serial Number:");
    std::snprintf(text, sizeof text, "%8.8X", static_cast<unsigned>(record.serialNumber()));
    cells.set(1, 1, text);
    cells.set(0, 2, catalogue->Text(119) + ":");
    cells.set(1, 2, record.recordLanguageText());
    return cells;
}

FXUTextGrid FXUOverviewTables::Statistics(const FXULog& record) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    FXUTextGrid cells(2, static_cast<int>(kShownStatistics.size()));
    int row = 0;
    for (const Statistic& statistic : kShownStatistics) {
        cells.set(0, row, catalogue->Text(static_cast<std::uint16_t>(statistic.labelId)));
        cells.set(1, row, std::to_string(record.statistic(statistic.slot)) + statistic.unit);
        ++row;
    }
    return cells;
}

std::vector<std::pair<std::string, std::string>> FXUOverviewTables::SystemParameters(const FXULog& record) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < record.systemParameterCount(); ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "P%2.2d", i);
        rows.emplace_back(key, std::to_string(record.systemParameter(i)));
    }
    return rows;
}
