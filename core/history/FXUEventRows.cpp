#include "core/history/FXUEventRows.h"

#include "core/history/FXULog.h"

const std::array<const char*, FXUEventRow::kColumns> FXUEventRows::kHeaders = {"Ev Nb",  "Date", "Event",
                                                                               "ExtraB", "FU1",  "FU2"};

FXUEventStyle FXUEventRows::StyleOf(std::uint8_t code) {
    switch (code) {
    case FXUEventEntry::kAlarmCode:
        return FXUEventStyle::Alarm;
    case 2: // open bonnet
    case 6: // switch on
    case 7: // switch off
        return FXUEventStyle::Machine;
    case 11: // software update
        return FXUEventStyle::Update;
    default:
        return FXUEventStyle::Plain;
    }
}

std::vector<FXUEventRow> FXUEventRows::Build(const FXULog& record) {
    const int n = record.eventCount();
    std::vector<FXUEventRow> rows(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const FXUEventEntry entry = record.event(n - 1 - i);
        FXUEventRow& row = rows[static_cast<std::size_t>(i)];
        row.cells = {std::to_string(i),
                     entry.timeText(),
                     entry.text(record.typeByte()),
                     std::to_string(entry.extraB),
                     std::to_string(entry.fu1),
                     std::to_string(entry.fu2)};
        row.code = entry.code;
        row.style = StyleOf(entry.code);
    }
    return rows;
}
