#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class FXULog;

// How the "Event" column marks an event: alarms, the machine being opened or switched, and software
// updates stand out from the rest.
enum class FXUEventStyle { Plain, Alarm, Machine, Update };

struct FXUEventRow {
    static constexpr int kColumns = 6;

    std::array<std::string, kColumns> cells; // Windows-1252
    std::uint8_t code = 0;
    FXUEventStyle style = FXUEventStyle::Plain;
};

// The rows of the "History" page's event grid, newest event first.
class FXUEventRows {
public:
    static constexpr int kEventColumn = 2; // the only column the style applies to
    static constexpr int kEmptyRows = 4;   // after the events, below the header row
    static const std::array<const char*, FXUEventRow::kColumns> kHeaders;

    static FXUEventStyle StyleOf(std::uint8_t code);
    static std::vector<FXUEventRow> Build(const FXULog& record);
    // The grid's rows: the header, one per event and the empty ones.
    static int GridRows(int events) { return events + 1 + kEmptyRows; }
    // The row the grid opens on: the oldest event, or the first row below the header when there is none.
    static int OldestRow(int events) { return events > 0 ? events : 1; }
};
