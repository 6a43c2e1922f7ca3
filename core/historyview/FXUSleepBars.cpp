#include "core/historyview/FXUSleepBars.h"

#include "core/history/FXULog.h"

std::vector<FXUSleepBar> FXUSleepBars::ForEntry(const FXUSleepEntry& entry, int zone) {
    auto bar = [&](int from, int to) {
        FXUSleepBar result{from / 6, (from % 6) * 10, to / 6, (to % 6) * 10, {}, zone};
        for (int day = 0; day < 7; ++day)
            result.days[static_cast<std::size_t>(day)] = (entry.mask >> (day + 1)) & 1; // bit 0 is no day
        return result;
    };
    if (entry.start >= entry.end) // an equal start and end rests all day
        return {bar(entry.start, kMidnight), bar(0, entry.end)};
    return {bar(entry.start, entry.end)};
}

std::vector<FXUSleepBar> FXUSleepBars::Build(const FXULog& record) {
    std::vector<FXUSleepBar> bars;
    for (int zone = 0; zone < record.zoneCount(); ++zone)
        for (int range = 0; range < record.sleepEntryCount(); ++range)
            for (const FXUSleepBar& bar :
                 ForEntry(record.sleepEntry(range + zone * record.sleepStride()), zone))
                bars.push_back(bar);
    return bars;
}
