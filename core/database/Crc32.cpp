#include "core/database/Crc32.h"

#include <zlib.h>

std::uint32_t Crc32::Compute(const std::uint8_t* data, std::size_t length) {
    return Update(kEmpty, data, length);
}

std::uint32_t Crc32::Compute(std::string_view bytes) {
    return Update(kEmpty, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::uint32_t Crc32::Update(std::uint32_t crc, const std::uint8_t* data, std::size_t length) {
    // zlib answers a null buffer with its initial value, whatever crc was given.
    if (length == 0)
        return crc;
    // crc32_z, unlike crc32, takes a length wider than 32 bits.
    return static_cast<std::uint32_t>(crc32_z(crc, data, length));
}
