#pragma once

#include "core/history/FXULog.h"
#include "core/history/InfoFrame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the simulated machine knows about itself: its info frame, its history image and its extra block.
struct MachineContents {
    // Fields given on the command line, over whatever the machine would otherwise send.
    struct Overrides {
        std::optional<std::uint8_t> typeByte;
        std::optional<std::uint32_t> firmwareVersion;
        std::optional<std::uint32_t> serialNumber;
        std::optional<std::uint8_t> bootloaderVersion;
        std::optional<std::array<std::uint8_t, 6>> identBytes;
        std::optional<std::array<std::uint8_t, 2>> extBytes; // gives the extended form
    };

    // The longest extra block whose "D" answer the PC can take in whole.
    static constexpr std::size_t kMaxExtraBlockOnWire = 125;

    InfoFrame frame;
    FXULog::Image image{};
    std::vector<std::uint8_t> extraBlock;

    // A generated machine whose image has the layout and extra block its firmware version calls for, so the
    // PC asks with "H" or "D" as it would a real one.
    static MachineContents Generated(std::uint32_t seed, const Overrides& overrides);
    // The machine of a machine file (.dat), as its newest record shows it: a demo machine the database
    // knows. Nothing, with the reason, when the file cannot be read or holds no record.
    static std::optional<MachineContents> FromDat(const std::string& path, const Overrides& overrides,
                                                  std::string& error);
    // The machine a .bin history file was downloaded from; nothing, with the reason, when it is incomplete.
    static std::optional<MachineContents> FromBin(const std::string& path, const Overrides& overrides,
                                                  std::string& error);

    // The answer to "I": 16 bytes, or 18 in the extended form.
    std::vector<std::uint8_t> infoFrameBytes() const;
    // The answer to "H" (image) or "D" (image, length byte, extra block), each followed by two bytes the PC
    // does not interpret: here the 16-bit sum of the bytes before them, most significant byte first.
    std::vector<std::uint8_t> historyAnswer(bool withExtraBlock) const;
    // What the PC saves of a download: info frame, image, and the extra block when the version has one.
    std::vector<std::uint8_t> binFile() const;

private:
    void apply(const Overrides& overrides);
};
