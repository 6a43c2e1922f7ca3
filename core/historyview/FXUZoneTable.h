#pragma once

#include "core/historyview/FXUTextGrid.h"

class FXULog;

// The "Table View" of one zone's sleep ranges: a column per shown range, a row per weekday, each range
// written as "22H00-06H30" on the days it applies to (a range past midnight stays one text).
class FXUZoneTable {
public:
    static constexpr int kRows = 8;

    static FXUTextGrid Cells(const FXULog& record, int zone);
};
