#pragma once

#include <array>
#include <vector>

class FXULog;
struct FXUSleepEntry;

// One bar of the week chart: a time span within one day, on the days flagged, for one zone.
struct FXUSleepBar {
    int startHour = 0;
    int startMinute = 0;
    int endHour = 0;
    int endMinute = 0;
    std::array<bool, 7> days{}; // Monday .. Sunday
    int zone = 0;

    bool operator==(const FXUSleepBar&) const = default;
};

// The bars a record's sleep ranges draw. A range that passes midnight becomes two bars, one up to 24:00
// and one from 00:00, so that each day row shows the part of the rest that falls on it.
class FXUSleepBars {
public:
    static constexpr int kMidnight = 144; // 24:00 in tens of minutes

    static std::vector<FXUSleepBar> ForEntry(const FXUSleepEntry& entry, int zone);
    // Every shown range of every zone, zone by zone and range by range.
    static std::vector<FXUSleepBar> Build(const FXULog& record);
};
