#pragma once

#include "core/database/Crc32.h"

#include <cstdint>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

// The floor a load is measured against: every file opened, read whole with one read into a buffer kept
// from file to file, and CRC-ed once (with the program's CRC, or with zlib's); nothing decoded. The XOR of
// the CRCs, so that nothing is optimised away.
inline std::uint32_t readAndCrc(const std::vector<std::string>& files, bool withZlib) {
    std::uint32_t sum = 0;
    std::string buffer;
    for (const std::string& file : files) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0)
            throw std::runtime_error("cannot read " + file);
        if (buffer.size() < static_cast<std::size_t>(status.st_size))
            buffer.resize(static_cast<std::size_t>(status.st_size));
        const ssize_t read = ::read(fd, buffer.data(), static_cast<std::size_t>(status.st_size));
        ::close(fd);
        if (read != status.st_size)
            throw std::runtime_error("cannot read " + file);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
        sum ^= withZlib ? static_cast<std::uint32_t>(::crc32(0L, bytes, static_cast<uInt>(read)))
                        : Crc32::Compute(bytes, static_cast<std::size_t>(read));
    }
    return sum;
}
