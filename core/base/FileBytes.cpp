#include "core/base/FileBytes.h"

#include "core/base/InputFile.h"

#include <filesystem>
#include <system_error>

std::optional<std::string> FileBytes::read(const std::string& path, std::uint64_t maxSize) {
    return InputFile::Read(path, maxSize);
}

bool FileBytes::exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) && !error;
}
