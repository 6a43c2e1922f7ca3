#include "core/base/FileBytes.h"

#include <filesystem>
#include <fstream>
#include <system_error>

std::optional<std::string> FileBytes::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // istream::read turns a failing read (a directory, a vanished device) into badbit; reading through
    // iterators would raise instead.
    std::string content;
    char chunk[16 * 1024];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return content;
}

bool FileBytes::exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) && !error;
}
