#include "core/historyview/FXUSettingsTables.h"

#include "core/history/FXULog.h"
#include "core/historyview/FXUZone.h"
#include "core/i18n/FXUStringTable.h"

#include <cstdio>

namespace {

std::string valueText(bool set) {
    return FXUStringTable::getInstance()->Text(set ? TextId::OptionSet : TextId::OptionUnset);
}

std::vector<int> slots(const FXULog& record, bool perZone, int count) {
    std::vector<int> list;
    for (int slot = 0; slot < FXULog::kOptionSlots && static_cast<int>(list.size()) < count; ++slot)
        if (record.optionPresent(slot) && record.optionPerZone(slot) == perZone)
            list.push_back(slot);
    return list;
}

} // namespace

std::vector<bool> FXUSettingsTables::ZoneOffFlags(const FXULog& record) {
    const int zones = record.zoneCount();
    std::vector<bool> flags(static_cast<std::size_t>(zones + 1), false);
    if (record.layout() == 3)
        for (int zone = 0; zone < zones; ++zone)
            flags[static_cast<std::size_t>(zone + 1)] = !record.optionValue(kEnableZoneSlot, zone);
    return flags;
}

std::string FXUSettingsTables::ParameterLabel(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "P%2d :", index);
    return text;
}

FXUTextGrid FXUSettingsTables::Parameters(const FXULog& record) {
    const int zones = record.zoneCount();
    const int shown = record.shownParameterCount();
    FXUTextGrid cells(zones + 2, shown + 1);
    if (zones > 1) // a single zone needs no name
        for (int zone = 0; zone < zones; ++zone)
            cells.set(zone + 2, 0, FXUZone::Of(zone).name);
    for (int k = 0; k < shown; ++k) {
        cells.set(0, k + 1, ParameterLabel(k));
        cells.set(1, k + 1, record.parameterName(k));
        for (int zone = 0; zone < zones; ++zone)
            cells.set(zone + 2, k + 1, std::to_string(record.parameter(k, zone)));
    }
    return cells;
}

std::vector<int> FXUSettingsTables::GlobalSlots(const FXULog& record) {
    return slots(record, false, record.globalOptionCount());
}

std::vector<int> FXUSettingsTables::ZoneSlots(const FXULog& record) {
    return slots(record, true, record.zoneOptionCount());
}

FXUTextGrid FXUSettingsTables::GlobalOptions(const FXULog& record) {
    const std::vector<int> list = GlobalSlots(record);
    FXUTextGrid cells(2, static_cast<int>(list.size()) + 1);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        cells.set(0, row, record.optionLabel(list[i]));
        cells.set(1, row, valueText(record.optionValue(list[i], 0)));
    }
    return cells;
}

FXUTextGrid FXUSettingsTables::ZoneOptions(const FXULog& record) {
    const std::vector<int> list = ZoneSlots(record);
    const int zones = record.zoneCount();
    FXUTextGrid cells(zones + 1, static_cast<int>(list.size()) + 1);
    cells.set(0, 0, "Zone :");
    for (int zone = 0; zone < zones; ++zone)
        cells.set(zone + 1, 0, FXUZone::Of(zone).letter);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        cells.set(0, row, record.optionLabel(list[i]));
        for (int zone = 0; zone < zones; ++zone)
            cells.set(zone + 1, row, valueText(record.optionValue(list[i], zone)));
    }
    return cells;
}
