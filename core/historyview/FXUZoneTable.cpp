#include "core/historyview/FXUZoneTable.h"

#include "core/history/FXULog.h"
#include "core/historyview/FXUZone.h"
#include "core/i18n/FXUStringTable.h"

namespace {

constexpr int kNamedRanges = 4;

} // namespace

FXUTextGrid FXUZoneTable::Cells(const FXULog& record, int zone) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    const int ranges = record.sleepEntryCount();
    FXUTextGrid cells(ranges + 1, kRows);
    if (record.layout() == 3)
        cells.set(0, 0, FXUZone::Of(zone).name);
    for (int day = 1; day < kRows; ++day)
        cells.set(0, day, catalogue->Text(TextIdAfter(TextId::Monday, day - 1)));
    for (int range = 1; range <= kNamedRanges && range <= ranges; ++range)
        cells.set(range, 0, catalogue->Text(TextIdAfter(TextId::Range1, range - 1)));
    if (record.layout() != 1)
        cells.set(kNamedRanges + 1, 0, "xxxx"); // the catalogue names only four ranges
    if (zone < 0 || zone >= record.zoneCount())
        return cells;
    for (int range = 0; range < ranges; ++range) {
        const FXUSleepEntry entry = record.sleepEntry(range + zone * record.sleepStride());
        for (int day = 1; day < kRows; ++day)
            if ((entry.mask >> day) & 1)
                cells.set(range + 1, day, entry.rangeText());
    }
    return cells;
}
