#pragma once

#include "core/history/FXULog.h"
#include "core/history/FXULogTime.h"
#include "core/history/InfoFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// What a history download leaves for filing, and what a history file import fills the same way: the info
// frame last read from the machine and the reception buffer with its extra block and time.
struct DownloadedHistory {
    static constexpr std::size_t kBufferSize = 8320;                  // what a download takes in
    static constexpr std::size_t kExtraLengthAt = FXULog::kImageSize; // then the block itself
    // A history file's length byte may announce more than a download takes in; the buffer holds all of it.
    static constexpr std::size_t kStorageSize = kExtraLengthAt + 1 + 255;

    InfoFrame frame;
    std::array<std::uint8_t, kStorageSize> buffer{};
    std::uint16_t received = 0;   // bytes of the last attempt
    bool hasExtraBlock = false;   // asked for, and sent
    std::uint8_t extraLength = 0; // buffer[kExtraLengthAt] when hasExtraBlock
    FXULogTime time;              // when the download succeeded

    const std::uint8_t* image() const { return buffer.data(); }
    std::vector<std::uint8_t> extraBlock() const; // empty without one
    // The record a download gives, built in the order that decodes the options with the type byte.
    std::unique_ptr<FXULog> makeRecord() const;
    // The download as a history (.bin) file: the info frame as received, the image, and when the firmware
    // version has an extra block its length byte and bytes (length 0 when none came).
    std::vector<std::uint8_t> binFile() const;
};
