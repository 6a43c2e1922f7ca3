#include "core/history/FXUEventEntry.h"

#include "core/i18n/FXUStringTable.h"

#include <cstdio>

FXUEventEntry FXUEventEntry::FromBytes(const std::uint8_t* bytes) {
    FXUEventEntry entry;
    for (int i = 0; i < 4; ++i)
        entry.stamp[i] = bytes[i];
    entry.code = bytes[4];
    entry.extraB = bytes[5];
    entry.fu1 = bytes[6];
    entry.fu2 = bytes[7];
    return entry;
}

std::string FXUEventEntry::timeText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%2.2x/%2.2x %2.2x:%2.2x", stamp[0], stamp[1], stamp[2], stamp[3]);
    return text;
}

std::uint8_t FXUEventEntry::alarmNumber(std::uint8_t typeByte) const {
    const unsigned b = extraB;
    unsigned shift = 0;
    if (b < 32) {
        const unsigned typeCode = typeByte & 0x0F;
        if (typeCode == 5) // QP
            shift = 1;
        else if (typeCode == 11) // QG
            shift = 2;
    }
    return static_cast<std::uint8_t>(((b & 0x1F) >> shift) | (b & 0xE0));
}

std::string FXUEventEntry::text(std::uint8_t typeByte) const {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    if (code == static_cast<std::uint8_t>(FXUEventCode::Alarm))
        return catalogue->AlarmText(alarmNumber(typeByte));
    return catalogue->EventText(code);
}
