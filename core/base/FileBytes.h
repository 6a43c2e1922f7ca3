#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A whole file's bytes, for the small files the program reads in one go (settings, event log, check file).
class FileBytes {
public:
    // More than any of those files holds; a larger one is taken as damaged.
    static constexpr std::uint64_t kDefaultMaxSize = 16 * 1024 * 1024;

    // Nothing when the file cannot be opened, is no regular file (a FIFO or device is never waited on),
    // is larger than maxSize or a read fails part way; never raises.
    static std::optional<std::string> read(const std::string& path, std::uint64_t maxSize = kDefaultMaxSize);
    // Whether anything lies at path; false as well when that cannot be told.
    static bool exists(const std::string& path);
};
