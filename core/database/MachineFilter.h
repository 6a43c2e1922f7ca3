#pragma once

#include "core/history/FXULogTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class FXUMowerLog;

// What the machine list's search keeps: every word of the search text is found in the owner's name, first
// name or address (letter case and accents ignored), in the machine number text or in the serial number in
// hex; the machine was not serviced within the chosen period (by its newest record's time; a machine
// without records never was); it is of the chosen type. Text is Windows-1252 bytes, as the core holds it.
class MachineFilter {
public:
    enum class Period { AnyTime, SixMonths, OneYear, TwoYears };

    // The search text as typed (Windows-1252 bytes); blanks separate its words.
    void setText(std::string_view text);
    // Machines serviced at or after now less the period are left out.
    void setNotServicedSince(Period period, const FXULogTime& now);
    // The type codes kept (two codes may share one model name); none: every type.
    void setTypeCodes(std::vector<std::uint8_t> typeCodes) { typeCodes_ = std::move(typeCodes); }

    // False when every machine matches.
    bool active() const { return !words_.empty() || cutoff_ || !typeCodes_.empty(); }
    // What the words are looked for in, folded once: the owner texts, the machine number text and the serial
    // number in hex, one per line (a word never holds a line break, so never spans two). A list keeps one
    // per machine and makes it again when owner data change.
    static std::string SearchKey(const FXUMowerLog& machine);
    bool Matches(const FXUMowerLog& machine, const std::string& searchKey) const;
    bool Matches(const FXUMowerLog& machine) const { return Matches(machine, SearchKey(machine)); }

    // Lower case, accents and ligatures taken apart ("Zoë" -> "zoe", "ß" -> "ss"), as the search compares.
    static std::string Fold(std::string_view text);
    // The same date the months before, on the month's last day where it has fewer days (Aug 31 -> Feb 28).
    static FXULogTime MonthsBefore(const FXULogTime& time, int months);

private:
    std::vector<std::string> words_; // folded
    std::optional<FXULogTime> cutoff_;
    std::vector<std::uint8_t> typeCodes_;
};
