#include "core/historyview/FXUTrends.h"

#include "core/history/FXUMowerLog.h"
#include "core/historyview/FXUEventRows.h"

namespace {

// The statistics slots of the first five series, in series order.
constexpr int kSlots[] = {0, 1, 2, 3, 4};

} // namespace

std::vector<FXUTrends::Point> FXUTrends::Build(const FXUMowerLog& machine) {
    std::vector<Point> points;
    points.reserve(machine.records().size());
    for (const auto& [time, record] : machine.records()) {
        Point point{time, {}};
        for (int series = 0; series < Alarms; ++series)
            point.values[static_cast<std::size_t>(series)] = record->statistic(kSlots[series]);
        std::uint32_t alarms = 0;
        for (int i = 0; i < record->eventCount(); ++i)
            alarms += FXUEventRows::StyleOf(record->event(i).code) == FXUEventStyle::Alarm;
        point.values[Alarms] = alarms;
        points.push_back(point);
    }
    return points;
}

bool FXUTrends::Shown(const FXUMowerLog& machine) {
    return machine.records().size() >= kMinimumRecords;
}

TextId FXUTrends::Label(Series series) {
    switch (series) {
    case MowingTime:
        return TextId::MowingTime;
    case ChargingTime:
        return TextId::ChargingTime;
    case Cycles:
        return TextId::NumberOfCycles;
    case LeftWheel:
        return TextId::LeftWheelDistance;
    case RightWheel:
        return TextId::RightWheelDistance;
    default:
        return TextId::Statistic;
    }
}

const char* FXUTrends::Unit(Series series) {
    switch (series) {
    case MowingTime:
    case ChargingTime:
        return " min";
    case LeftWheel:
    case RightWheel:
        return " m";
    default:
        return "";
    }
}
