#include "core/historyview/FXUEventRows.h"

#include "core/history/FXULog.h"

const std::array<const char*, FXUEventRow::kColumns> FXUEventRows::kHeaders = {"Ev Nb",  "Date", "Event",
                                                                               "ExtraB", "FU1",  "FU2"};

FXUEventStyle FXUEventRows::StyleOf(std::uint8_t code) {
    switch (static_cast<FXUEventCode>(code)) {
    case FXUEventCode::Alarm:
        return FXUEventStyle::Alarm;
    case FXUEventCode::OpenBonnet:
    case FXUEventCode::SwitchOn:
    case FXUEventCode::SwitchOff:
        return FXUEventStyle::Machine;
    case FXUEventCode::SoftwareUpdate:
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
