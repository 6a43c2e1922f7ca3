#pragma once

#include <array>
#include <cstdint>
#include <string>

// What an event of the ring reports, by its code; the catalogue names them in this order.
enum class FXUEventCode : std::uint8_t {
    StartCharging = 0,
    EndCharging = 1,
    OpenBonnet = 2,
    StationCapture = 3,
    StationSeeking = 4,
    Alarm = 5,
    SwitchOn = 6,
    SwitchOff = 7,
    StartWorking = 8,
    Rest = 9,
    AbortCapture = 10,
    SoftwareUpdate = 11,
    UnloadBalls = 12,
};

// One 8-byte entry of a record's event ring.
struct FXUEventEntry {

    std::array<std::uint8_t, 4> stamp{}; // BCD, shown as hex digits, never converted
    std::uint8_t code = 0;
    std::uint8_t extraB = 0;
    std::uint8_t fu1 = 0;
    std::uint8_t fu2 = 0;

    static FXUEventEntry FromBytes(const std::uint8_t* bytes);

    // "03/07 14:05": the stamp's bytes as two hex digits each.
    std::string timeText() const;
    // The alarm an alarm entry reports; QP and QG machines number their cutting-head alarms differently.
    std::uint8_t alarmNumber(std::uint8_t typeByte) const;
    // The event's text, or for an alarm the alarm's, in the catalogue's current language.
    std::string text(std::uint8_t typeByte) const;
};
