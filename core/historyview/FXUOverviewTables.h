#pragma once

#include "core/historyview/FXUTextGrid.h"
#include "core/i18n/TextId.h"

#include <string>
#include <utility>
#include <vector>

class FXULog;

// The texts of a record's identification, statistics and system parameters as the history tab lists them.
class FXUOverviewTables {
public:
    struct Statistic {
        int slot;
        TextId label;
        const char* unit;
    };
    static const std::vector<Statistic> kShownStatistics; // slots 5 and 6 are not shown

    // Firmware version, serial number and record language: a label column and a value column.
    static FXUTextGrid Identification(const FXULog& record);
    static FXUTextGrid Statistics(const FXULog& record);
    // "P00", "P01" ... with each byte in decimal.
    static std::vector<std::pair<std::string, std::string>> SystemParameters(const FXULog& record);
};
