#include "core/historyview/FXUOverviewTables.h"

#include "core/history/FXULog.h"
#include "core/i18n/FXUStringTable.h"

#include <cstdio>

const std::vector<FXUOverviewTables::Statistic> FXUOverviewTables::kShownStatistics = {
    {0, TextId::MowingTime, " min"},       {1, TextId::ChargingTime, " min"},
    {2, TextId::NumberOfCycles, ""},       {3, TextId::LeftWheelDistance, " m"},
    {4, TextId::RightWheelDistance, " m"}, {7, TextId::RestTime, " min"},
};

FXUTextGrid FXUOverviewTables::Identification(const FXULog& record) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    FXUTextGrid cells(2, 3);
    char text[32];
    cells.set(0, 0, catalogue->Text(TextId::FirmwareVersion) + ":");
    std::snprintf(text, sizeof text, "%2.2X-%8.8X", record.typeByte(),
                  static_cast<unsigned>(record.firmwareVersion()));
    cells.set(1, 0, text);
    cells.set(0, 1, "Serial Number:");
    std::snprintf(text, sizeof text, "%8.8X", static_cast<unsigned>(record.serialNumber()));
    cells.set(1, 1, text);
    cells.set(0, 2, catalogue->Text(TextId::RecordLanguage) + ":");
    cells.set(1, 2, record.recordLanguageText());
    return cells;
}

FXUTextGrid FXUOverviewTables::Statistics(const FXULog& record) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    FXUTextGrid cells(2, static_cast<int>(kShownStatistics.size()));
    int row = 0;
    for (const Statistic& statistic : kShownStatistics) {
        cells.set(0, row, catalogue->Text(statistic.label));
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
