#pragma once

#include <compare>
#include <cstdint>
#include <string>

// The key of every history record: local date and time to the second, ordered field by field.
struct FXULogTime {
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    FXULogTime(); // the computer's current local date and time
    FXULogTime(std::uint16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
               std::uint8_t minute, std::uint8_t second)
        : year(year), month(month), day(day), hour(hour), minute(minute), second(second) {}

    auto operator<=>(const FXULogTime&) const = default;
    bool operator==(const FXULogTime&) const = default;

    // Month 1..12, day 1..31, hour, minute and second in range: a time a record could really carry.
    bool isPlausible() const;
    // "07/03/2024 14 h 05", the history tab's title.
    std::string tabTitle() const;
    // " 7-3-2024 14:5:9", as the delete confirmation appends it.
    std::string confirmationText() const;
    // "2024-03-07T14:05:09".
    std::string isoText() const;
};
