#pragma once

#include "core/history/FXULogTime.h"
#include "core/historyview/FXUTextGrid.h"

#include <string>
#include <utility>
#include <vector>

class FXULog;
class FXUMowerLog;

// The workshop that hands the report to the customer, as kept in the settings (Windows-1252).
struct Workshop {
    std::string name;
    std::string address; // lines separated by "\n"
};

// What a printed service report of one record says, in the catalogue's current language, worked out
// without a window: the renderer only lays it out. Every text is Windows-1252.
struct ServiceReport {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    struct Table {
        std::string title;
        FXUTextGrid cells; // row 0 is a header row where headed is set
        bool headed = false;
        std::vector<int> markedRows; // rows shown as alarms
    };
    static constexpr int kLastEvents = 30;

    std::string title;
    Workshop workshop;
    std::string customerTitle;
    Pairs customer; // name, first name, address
    std::string machineTitle;
    Pairs machine; // machine number, type, serial number, firmware, bootloader
    std::string recordDate;
    std::vector<Table> tables; // statistics, parameters, options, sleep hours, alarms, last events
    std::string commentTitle;
    std::string comment;
    std::string printed;

    static ServiceReport Build(const FXUMowerLog& machine, const FXULog& record, const Workshop& workshop,
                               const FXULogTime& printedAt);
};
