#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The standard CRC-32 (ISO-HDLC, reflected 0xEDB88320, initial and final XOR 0xFFFFFFFF) that protects
// machine and export files; "123456789" gives 0xCBF43926.
class Crc32 {
public:
    // The value of no bytes at all, and the starting value of Update.
    static constexpr std::uint32_t kEmpty = 0;

    static std::uint32_t Compute(const std::uint8_t* data, std::size_t length);
    static std::uint32_t Compute(std::string_view bytes);
    // Continues a CRC over more bytes: Update(Compute(a), b) equals the CRC of a followed by b.
    static std::uint32_t Update(std::uint32_t crc, const std::uint8_t* data, std::size_t length);
};
