#include "core/database/Crc32.h"

#include <libdeflate.h>

std::uint32_t Crc32::Compute(const std::uint8_t* data, std::size_t length) {
    return Update(kEmpty, data, length);
}

std::uint32_t Crc32::Compute(std::string_view bytes) {
    return Update(kEmpty, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::uint32_t Crc32::Update(std::uint32_t crc, const std::uint8_t* data, std::size_t length) {
    if (length == 0)
        return crc;
    return libdeflate_crc32(crc, data, length);
}
