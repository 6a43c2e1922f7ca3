#pragma once

#include "core/history/FXULog.h"

#include <memory>

// Records built from images written by hand, at offsets taken from the layout tables, so that what the
// views show is checked against bytes the decoder did not produce.
struct HandRecord {
    static constexpr std::uint32_t kLayout1 = 0x12112101; // 18.17.33.1
    static constexpr std::uint32_t kLayout2 = 0x13031400; // 19.3.20.0
    static constexpr std::uint32_t kLayout3 = 0x13020101; // 19.2.1.1
    static constexpr std::uint32_t kLayout0 = 0x16000000; // major 22: no layout

    static std::uint32_t VersionOf(int layout) {
        const std::uint32_t versions[] = {kLayout0, kLayout1, kLayout2, kLayout3};
        return versions[layout];
    }

    // Hardware code 4, a type QA machine (type byte 0x04), ident[1] 5 (layout 1 shows 7 parameters).
    static std::unique_ptr<FXULog> Make(const FXULog::Image& image, int layout, std::uint8_t typeByte = 0x04,
                                        std::uint8_t ident1 = 5) {
        auto record = std::make_unique<FXULog>(image.data());
        record->SetIdentBytes({0x11, ident1, 4, 0x33, 0x44, 0x55});
        record->SetSerialNumber(0x04A1B2C3);
        record->SetBootloaderVersion(0x21);
        record->SetFirmwareVersion(VersionOf(layout));
        record->SetTypeByte(typeByte);
        record->SetLogTime(FXULogTime(2007, 5, 3, 10, 20, 30));
        return record;
    }

    // Sleep entry j (layouts 2 and 3: zone z's range r is entry r + 7z) from hours and minutes.
    static void PutSleep(FXULog::Image& image, int layout, int entry, int startHour, int startMinute,
                         int endHour, int endMinute, std::uint8_t mask) {
        std::uint8_t* p = &image[static_cast<std::size_t>((layout == 1 ? 12 : 168) + 3 * entry)];
        p[0] = static_cast<std::uint8_t>(startHour * 6 + startMinute / 10);
        p[1] = static_cast<std::uint8_t>(endHour * 6 + endMinute / 10);
        p[2] = mask;
    }
    static constexpr std::uint8_t kMonday = 1 << 1;
    static constexpr std::uint8_t kTuesday = 1 << 2;
    static constexpr std::uint8_t kSunday = 1 << 7;

    // Layouts 2 and 3: events written oldest first into a ring that has not wrapped.
    static void PutEvents(FXULog::Image& image, const std::vector<std::array<std::uint8_t, 8>>& events) {
        int offset = 320;
        for (const auto& event : events) {
            for (std::size_t i = 0; i < 8; ++i)
                image[static_cast<std::size_t>(offset) + i] = event[i];
            offset += 8;
        }
        image[28] = static_cast<std::uint8_t>(offset >> 8);
        image[29] = static_cast<std::uint8_t>(offset);
    }
};
