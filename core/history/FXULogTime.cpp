#include "core/history/FXULogTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

FXULogTime::FXULogTime() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    year = static_cast<std::uint16_t>(local.tm_year + 1900);
    month = static_cast<std::uint8_t>(local.tm_mon + 1);
    day = static_cast<std::uint8_t>(local.tm_mday);
    hour = static_cast<std::uint8_t>(local.tm_hour);
    minute = static_cast<std::uint8_t>(local.tm_min);
    second = static_cast<std::uint8_t>(local.tm_sec);
}

bool FXULogTime::isPlausible() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59 && second <= 59;
}

std::string FXULogTime::tabTitle() const {
    char text[48];
    std::snprintf(text, sizeof text, "%2.2d/%2.2d/%4.4d %2.2d h %2.2d", day, month, year, hour, minute);
    return text;
}

std::string FXULogTime::confirmationText() const {
    char text[48];
    std::snprintf(text, sizeof text, " %d-%d-%d %d:%d:%d", day, month, year, hour, minute, second);
    return text;
}

std::string FXULogTime::isoText() const {
    char text[48];
    std::snprintf(text, sizeof text, "%4.4d-%2.2d-%2.2dT%2.2d:%2.2d:%2.2d", year, month, day, hour, minute,
                  second);
    return text;
}
