#pragma once

#include "core/historyview/FXUGeometry.h"
#include "core/historyview/FXUSleepBars.h"

#include <string>
#include <variant>
#include <vector>

// A black line; a pen wider than 1 grows to the left of and above the points.
struct FXUChartLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int penWidth = 1;

    bool operator==(const FXUChartLine&) const = default;
};

// Black text whose top left corner is at (x, y), or, when centred, horizontally centred in the clip
// rectangle from y down; nothing of it outside the clip rectangle.
struct FXUChartText {
    int x = 0;
    int y = 0;
    FXURect clip;
    std::string text; // Windows-1252
    bool centred = false;

    bool operator==(const FXUChartText&) const = default;
};

// A filled rectangle, never empty.
struct FXUChartBox {
    FXURect rect;
    FXURgb colour;

    bool operator==(const FXUChartBox&) const = default;
};

using FXUChartItem = std::variant<FXUChartLine, FXUChartText, FXUChartBox>;

// The "Time View" week chart of a record's sleep hours for a panel of a given size: one row per day, split
// into one sub-row per zone, under a ruler of the 24 hours. The chart is a list of items to paint in order
// onto a white image of imageWidth() x imageHeight(); a panel too small for it gives a degenerate list,
// never an error.
class FXUWeekChart {
public:
    static constexpr int kAxisY = 40;    // the time axis; the ruler's ticks rise above it
    static constexpr int kLeftAxis = 80; // day names to its left, bars to its right
    static constexpr int kFirstX = 82;   // where 00:00 is

    FXUWeekChart(int width, int height, int zones, const std::vector<FXUSleepBar>& bars);

    int halfHourWidth() const { return s_; }
    int imageWidth() const { return 48 * s_ + 154; }
    int imageHeight() const { return height_; }
    int chartHeight() const { return chartHeight_; }
    int subRowHeight() const { return r_; }
    int bottom() const { return bottom_; }
    int subRowTop(int day, int zone) const;
    // Where a time begins on the ruler: after the hour and half-hour lines before it.
    static int TimeX(int hour, int minute, int halfHourWidth);
    static int TickLength(int hour);
    const std::vector<FXUChartItem>& items() const { return items_; }

private:
    void addDayRows();
    void addRuler();
    void addDayNames();
    void addLegend();
    void addBars(const std::vector<FXUSleepBar>& bars);

    int height_;
    int zones_;
    int s_ = 0;
    int chartHeight_ = 0;
    int r_ = 0;
    int bottom_ = 0;
    std::vector<int> subRowTops_; // day by day, zone by zone
    std::vector<FXUChartItem> items_;
};
