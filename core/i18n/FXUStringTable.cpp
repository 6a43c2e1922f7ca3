#include "core/i18n/FXUStringTable.h"

#include "core/i18n/Cp1252.h"
#include "core/i18n/FXUStringTableTexts.h"

#include <memory>
#include <stdexcept>

namespace {

std::unique_ptr<FXUStringTable> gInstance;

std::string toCodePage(const char* utf8) {
    auto text = cp1252::fromUtf8(utf8);
    if (!text)
        throw std::logic_error(std::string("catalogue text outside Windows-1252: ") + utf8);
    return *text;
}

} // namespace

static_assert(FXUStringTable::kLanguages == kLanguageCount && FXUStringTable::kUiTexts == kUiTextCount &&
              FXUStringTable::kEvents == kEventTextCount);

FXUStringTable* FXUStringTable::getInstance() {
    if (!gInstance)
        gInstance.reset(new FXUStringTable());
    return gInstance.get();
}

void FXUStringTable::destroyInstance() {
    gInstance.reset();
}

FXUStringTable::FXUStringTable() {
    for (int lang = 0; lang < kLanguages; ++lang) {
        for (int id = 0; id < kUiTexts; ++id)
            ui_[lang][id] = toCodePage(kUiTextRows[id][lang]);
        for (int code = 0; code < kEvents; ++code)
            events_[lang][code] = toCodePage(kEventTextRows[code][lang]);
        for (int source = 0; source < kAlarmSourceCount; ++source)
            alarmSources_[lang][source] = toCodePage(kAlarmSourceRows[source][lang]);
    }
    buildAlarmTexts();
}

void FXUStringTable::SetLanguage(std::uint8_t language) {
    language_ = language;
    if (language < kLanguages)
        block_ = language;
    buildAlarmTexts();
}

void FXUStringTable::buildAlarmTexts() {
    const AlarmSourceBlock& sources = alarmSources_[block_];
    alarms_[0] = sources[0];
    // Alarms 1 to 31 name the cutting heads concerned, one bit per head.
    for (int n = 1; n < 32; ++n) {
        std::string text = sources[0];
        for (int bit = 0; bit < 5; ++bit)
            if (n & (1 << bit))
                text += " " + std::to_string(bit + 1);
        alarms_[n] = std::move(text);
    }
    for (int n = 32; n < kAlarms; ++n)
        alarms_[n] = sources[n - 31];
}

std::string FXUStringTable::Text(TextId id) const {
    const auto row = static_cast<std::size_t>(id);
    if (row >= kUiTexts)
        return "0";
    return ui_[block_][row];
}

std::string FXUStringTable::EventText(std::uint8_t code) const {
    if (code >= kEvents)
        return "UNKNOW EVENT";
    return events_[block_][code];
}

std::string FXUStringTable::AlarmText(std::uint8_t number) const {
    if (number >= kAlarms)
        return "UNKNOW ALARM";
    return alarms_[number];
}
