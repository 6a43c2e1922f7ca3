#pragma once

#include "core/i18n/TextId.h"

#include <array>
#include <cstdint>
#include <string>

// The program's message catalogue: every text shown to the user, in English (0), French (1),
// Italian (2), Dutch (3) and German (4), held as Windows-1252 bytes. One instance for the process.
class FXUStringTable {
public:
    static constexpr int kLanguages = 5;
    static constexpr int kUiTexts = 130;
    static constexpr int kEvents = 13;
    static constexpr int kAlarms = 67;

    static FXUStringTable* getInstance();
    static void destroyInstance();

    // A number above 4 is stored but keeps the texts in force; before any valid choice those are French.
    void SetLanguage(std::uint8_t language);
    std::uint8_t Language() const { return language_; }
    int TextLanguage() const { return block_; } // 0 to 4: the language whose texts are in force

    std::string Text(TextId id) const;
    std::string EventText(std::uint8_t code) const;   // "UNKNOW EVENT" for 13 and above
    std::string AlarmText(std::uint8_t number) const; // "UNKNOW ALARM" for 67 and above

private:
    FXUStringTable();
    void buildAlarmTexts();

    using UiBlock = std::array<std::string, kUiTexts>;
    using EventBlock = std::array<std::string, kEvents>;
    using AlarmSourceBlock = std::array<std::string, 36>;

    std::array<UiBlock, kLanguages> ui_;
    std::array<EventBlock, kLanguages> events_;
    std::array<AlarmSourceBlock, kLanguages> alarmSources_;

    std::uint8_t language_ = 1;
    int block_ = 1; // language whose texts are in force
    std::array<std::string, kAlarms> alarms_;
};
