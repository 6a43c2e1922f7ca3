#pragma once

#include "core/history/FXULog.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The identification a machine sends in answer to "I" (16 bytes, or 18 in the extended form); a .bin
// history file begins with the same bytes.
struct InfoFrame {
    static constexpr std::size_t kPlainSize = 16;
    static constexpr std::size_t kExtendedSize = 18;

    std::array<std::uint8_t, 6> identBytes{};
    bool hasExtBytes = false;
    std::array<std::uint8_t, 2> extBytes{};
    std::array<std::uint8_t, 10>
        infoBlock{}; // type byte, version and serial (most significant first), bootloader

    std::uint8_t typeByte() const { return infoBlock[0]; }
    std::uint32_t firmwareVersion() const;
    std::uint32_t serialNumber() const;
    std::uint8_t bootloaderVersion() const { return infoBlock[9]; }

    // A frame a real machine would send: a known bootloader version and a serial number of 0x04000000 or
    // more.
    bool isValid() const;

    // The record a download of this machine gives, built in the order that decodes the options with the
    // type byte. The extra block is attached when there is one.
    std::unique_ptr<FXULog> makeRecord(const std::uint8_t* image, const std::vector<std::uint8_t>* extraBlock,
                                       const FXULogTime& time) const;
};
