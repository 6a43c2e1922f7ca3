#pragma once

#include "core/history/FXULogTime.h"
#include "core/i18n/TextId.h"

#include <array>
#include <cstdint>
#include <vector>

class FXUMowerLog;

// A machine's records over time, as its trend chart shows them: per record the totals the machine
// counts (mowing and charging time, cycles, the two wheel distances) and how many alarms its event log
// holds. Shown for machines with two records or more.
class FXUTrends {
public:
    enum Series { MowingTime, ChargingTime, Cycles, LeftWheel, RightWheel, Alarms, kSeries };
    struct Point {
        FXULogTime time;
        std::array<std::uint32_t, kSeries> values{};
    };
    static constexpr int kMinimumRecords = 2;

    // Oldest first.
    static std::vector<Point> Build(const FXUMowerLog& machine);
    static bool Shown(const FXUMowerLog& machine);
    // The series' name in the catalogue (alarms: none, the program's own text) and unit (" min", " m", "").
    static TextId Label(Series series);
    static const char* Unit(Series series);
};
