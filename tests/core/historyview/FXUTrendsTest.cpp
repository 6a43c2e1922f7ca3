#include "core/historyview/FXUTrends.h"

#include "core/history/FXUEventEntry.h"
#include "core/history/FXUMowerLog.h"
#include "tools/gen/HistoryGenerator.h"

#include <gtest/gtest.h>

namespace {

// The series a statistics slot feeds, as the history tab names them: 0 mowing, 1 charging, 2 cycles,
// 3 left wheel, 4 right wheel.
constexpr std::pair<FXUTrends::Series, int> kSlotOf[] = {{FXUTrends::MowingTime, 0},
                                                         {FXUTrends::ChargingTime, 1},
                                                         {FXUTrends::Cycles, 2},
                                                         {FXUTrends::LeftWheel, 3},
                                                         {FXUTrends::RightWheel, 4}};

TEST(FXUTrends, OnePointPerRecordOldestFirstWithItsTotalsAndAlarms) {
    HistoryGenerator generator(1803);
    int machinesSeen = 0;
    int alarmsSeen = 0;
    for (int attempt = 0; attempt < 40 && machinesSeen < 5; ++attempt) {
        const auto machine = generator.machine(6);
        if (machine->Count() < 3)
            continue;
        ++machinesSeen;
        const std::vector<FXUTrends::Point> points = FXUTrends::Build(*machine);
        ASSERT_EQ(points.size(), machine->Count());
        auto record = machine->records().begin();
        for (std::size_t i = 0; i < points.size(); ++i, ++record) {
            EXPECT_EQ(points[i].time, record->first);
            if (i > 0) {
                EXPECT_LT(points[i - 1].time, points[i].time);
            }
            for (const auto& [series, slot] : kSlotOf)
                EXPECT_EQ(points[i].values[series], record->second->statistic(slot)) << "series " << series;
            std::uint32_t alarms = 0;
            for (int e = 0; e < record->second->eventCount(); ++e)
                alarms += record->second->event(e).code == static_cast<std::uint8_t>(FXUEventCode::Alarm);
            EXPECT_EQ(points[i].values[FXUTrends::Alarms], alarms);
            alarmsSeen += static_cast<int>(alarms);
        }
        EXPECT_TRUE(FXUTrends::Shown(*machine));
    }
    EXPECT_EQ(machinesSeen, 5);
    EXPECT_GT(alarmsSeen, 0) << "the generated events hold alarms, so the count is tried";

    const auto single = generator.machine(1);
    EXPECT_FALSE(FXUTrends::Shown(*single));
    EXPECT_EQ(FXUTrends::Build(*single).size(), 1u);
    EXPECT_TRUE(FXUTrends::Build(FXUMowerLog()).empty());
}

} // namespace
