#pragma once

#include <optional>
#include <string>

// A whole file's bytes, for the small files the program reads in one go (settings, event log, check file).
class FileBytes {
public:
    // Nothing when the file cannot be opened or a read fails part way; never raises.
    static std::optional<std::string> read(const std::string& path);
    // Whether anything lies at path; false as well when that cannot be told.
    static bool exists(const std::string& path);
};
