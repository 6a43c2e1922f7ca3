#include "core/historyview/FXUWeekChart.h"

#include "core/historyview/FXUZone.h"
#include "core/i18n/FXUStringTable.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kMaxWidth = 600;
constexpr int kMaxHeight = 500;

} // namespace

FXUWeekChart::FXUWeekChart(int width, int height, int zones, const std::vector<FXUSleepBar>& bars)
    : height_(std::max(0, height)), zones_(std::max(0, zones)) {
    const int widthRoom = std::min(width, kMaxWidth) - 156;
    s_ = widthRoom >= 0 ? widthRoom / 48 : 0;

    const int h = 7 * (zones_ + 1);
    const int heightRoom = std::min(height, kMaxHeight) - 40 - 44;
    chartHeight_ = 44 + h * (heightRoom >= 0 ? heightRoom / h : 0);
    // Without zones there are no sub-rows to share the height among.
    r_ = zones_ > 0 ? (chartHeight_ - 40 - 6 * (zones_ + 1)) / (7 * zones_) : 0;

    items_.push_back(FXUChartLine{1, kAxisY, imageWidth(), kAxisY, 2});
    addDayRows();
    items_.push_back(FXUChartLine{kLeftAxis, 10, kLeftAxis, bottom_, 2});
    addRuler();
    addDayNames();
    addLegend();
    addBars(bars);
}

int FXUWeekChart::subRowTop(int day, int zone) const {
    if (day < 0 || day >= 7 || zone < 0 || zone >= zones_)
        return 0;
    return subRowTops_[static_cast<std::size_t>(day * zones_ + zone)];
}

int FXUWeekChart::TimeX(int hour, int minute, int s) {
    return hour * (2 * s + 3) + kFirstX + minute * s / 30 + (minute > 30 ? 1 : 0);
}

int FXUWeekChart::TickLength(int hour) {
    switch (hour) {
    case 3:
    case 9:
    case 15:
    case 21:
        return 15;
    case 6:
    case 12:
    case 18:
        return 20;
    case 24:
        return 30;
    default:
        return 10;
    }
}

void FXUWeekChart::addDayRows() {
    int y = 42;
    for (int day = 0; day < 7; ++day) {
        for (int zone = 0; zone < zones_; ++zone) {
            subRowTops_.push_back(y);
            if (zone > 0) {
                items_.push_back(FXUChartLine{kLeftAxis, y, imageWidth(), y, 1});
                ++y;
            }
            y += r_;
        }
        items_.push_back(FXUChartLine{1, y, imageWidth(), y, 2});
        bottom_ = y;
        y += 2;
    }
}

void FXUWeekChart::addRuler() {
    int x = kFirstX;
    for (int c = 0; c < 48; ++c) {
        x += s_;
        if (c % 2 == 0) {
            items_.push_back(FXUChartLine{x, kAxisY, x, bottom_, 1});
            x += 1;
            continue;
        }
        const int hour = (c + 1) / 2;
        const int tick = TickLength(hour);
        items_.push_back(FXUChartLine{x, kAxisY - tick, x, bottom_, 2});
        if (hour % 3 == 0 && hour < 24) {
            char label[4];
            std::snprintf(label, sizeof label, "%2.2d", hour);
            items_.push_back(
                FXUChartText{x - 6, 25 - tick, FXURect::FromCorners(x - 6, 0, x + 15, kAxisY - tick), label});
        }
        x += 2;
    }
}

void FXUWeekChart::addDayNames() {
    if (zones_ == 0)
        return; // no rows to name
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    for (int day = 0; day < 7; ++day) {
        const int top = subRowTop(day, 0);
        const int bottom = day < 6 ? subRowTop(day + 1, 0) - 3 : bottom_;
        items_.push_back(FXUChartText{20, top + (bottom - top) / 2 - 5,
                                      FXURect::FromCorners(1, top, 79, bottom),
                                      catalogue->Text(TextIdAfter(TextId::Monday, day))});
    }
}

void FXUWeekChart::addLegend() {
    if (zones_ <= 1)
        return;
    for (int zone = 0; zone < zones_; ++zone) {
        const FXUZone& z = FXUZone::Of(zone);
        const FXURect box = FXURect::FromCorners(80 + 80 * zone, bottom_ + 20, 130 + 80 * zone, bottom_ + 40);
        items_.push_back(FXUChartBox{box, z.colour});
        items_.push_back(FXUChartText{box.x, box.y + 3, box, z.name, true});
    }
}

void FXUWeekChart::addBars(const std::vector<FXUSleepBar>& bars) {
    for (const FXUSleepBar& bar : bars) {
        if (bar.zone < 0 || bar.zone >= zones_)
            continue;
        const int x1 = TimeX(bar.startHour, bar.startMinute, s_);
        const int x2 = TimeX(bar.endHour, bar.endMinute, s_);
        for (int day = 0; day < 7; ++day) {
            if (!bar.days[static_cast<std::size_t>(day)])
                continue;
            const int top = subRowTop(day, bar.zone);
            const FXURect box = FXURect::FromCorners(x1, top, x2, top + r_ - 1);
            if (box.width > 0 && box.height > 0) // a bar of no length, or rows of no height, show nothing
                items_.push_back(FXUChartBox{box, FXUZone::Of(bar.zone).colour});
        }
    }
}
