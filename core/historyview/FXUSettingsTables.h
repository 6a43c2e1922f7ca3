#pragma once

#include "core/historyview/FXUTextGrid.h"

#include <string>
#include <vector>

class FXULog;

// The texts of a record's parameters (a column per zone) and options (the machine's, and those set per
// zone), and which zones are switched off.
class FXUSettingsTables {
public:
    static constexpr int kEnableZoneSlot = 17; // O017 "Enable Zone"

    // One flag more than zones: flag z + 1 is set when zone z is switched off; flag 0 never is. Only
    // records of layout 3 switch zones off.
    static std::vector<bool> ZoneOffFlags(const FXULog& record);
    static std::string ParameterLabel(int index); // "P 5 :", "P12 :"
    // A name column, then a column per zone headed "Zone A" .. (no heading for a single zone); a row per
    // shown parameter under the header row.
    static FXUTextGrid Parameters(const FXULog& record);
    // The present option slots that are global, and those that are per zone, in slot order.
    static std::vector<int> GlobalSlots(const FXULog& record);
    static std::vector<int> ZoneSlots(const FXULog& record);
    // The slot labels and "V" or "-" under an empty header row.
    static FXUTextGrid GlobalOptions(const FXULog& record);
    // The slot labels and a "V" or "-" column per zone, headed "Zone :", "A", "B", "C".
    static FXUTextGrid ZoneOptions(const FXULog& record);
};
