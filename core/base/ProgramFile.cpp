#include "core/base/ProgramFile.h"

#include <filesystem>
#include <system_error>

std::string ProgramFile::executablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return "orvane-service-kit";
    return path.string();
}

std::string ProgramFile::withExtension(const std::string& programPath, const std::string& extension) {
    std::filesystem::path path(programPath);
    path.replace_extension(extension);
    return path.string();
}
