#include "core/base/ProgramFolders.h"

#include "core/base/ProgramFile.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Folders a package installs programs into. Root may write there, yet settings beside /usr/bin/... would
// be left behind by the package's removal and shared by every user.
bool isSystemProgramFolder(const fs::path& folder) {
    static const char* const kFolders[] = {"/usr/bin",  "/usr/local/bin", "/bin",
                                           "/usr/sbin", "/sbin",          "/usr/games"};
    const std::string text = folder.lexically_normal().string();
    for (const char* system : kFolders)
        if (text == system)
            return true;
    return false;
}

// The XDG rule: a variable that is unset, empty or not an absolute path is ignored.
fs::path baseFolder(const ProgramFolders::Environment& environment, const char* variable,
                    const fs::path& home, const char* fallback) {
    const char* value = environment(variable);
    if (value && *value == '/')
        return fs::path(value);
    return home / fallback;
}

} // namespace

ProgramFolders ProgramFolders::Choose(const std::string& programPath, bool programFolderWritable,
                                      const Environment& environment) {
    ProgramFolders folders;
    const fs::path program(programPath);
    const fs::path programFolder = program.has_parent_path() ? program.parent_path() : fs::path(".");
    if (programFolderWritable && !isSystemProgramFolder(programFolder)) {
        folders.settingsFile_ = ProgramFile::withExtension(programPath, ".INI");
        folders.logFile_ = ProgramFile::withExtension(programPath, ".log");
        return folders;
    }
    folders.besideProgram_ = false;
    const char* homeValue = environment("HOME");
    // Without any home the relative names below at least stay out of the program's folder.
    const fs::path home = homeValue && *homeValue == '/' ? fs::path(homeValue) : fs::path();
    const std::string stem = program.stem().string();
    folders.settingsFile_ =
        (baseFolder(environment, "XDG_CONFIG_HOME", home, ".config") / kFolderName / (stem + ".INI"))
            .string();
    folders.logFile_ =
        (baseFolder(environment, "XDG_STATE_HOME", home, ".local/state") / kFolderName / (stem + ".log"))
            .string();
    folders.databaseFolder_ =
        (baseFolder(environment, "XDG_DATA_HOME", home, ".local/share") / kFolderName / "machines").string();
    return folders;
}

ProgramFolders ProgramFolders::ForProgram(const std::string& programPath) {
    const fs::path program(programPath);
    const std::string folder = program.has_parent_path() ? program.parent_path().string() : ".";
    const bool writable = ::access(folder.c_str(), W_OK) == 0;
    return Choose(programPath, writable, [](const char* name) -> const char* {
        const char* value = std::getenv(name);
        if (value || std::string_view(name) != "HOME")
            return value;
        const passwd* user = ::getpwuid(::getuid());
        return user ? user->pw_dir : nullptr;
    });
}

bool ProgramFolders::MakeFolders(std::string& error) const {
    for (const std::string& file : {settingsFile_, logFile_}) {
        const fs::path folder = fs::path(file).parent_path();
        std::error_code failure;
        if (folder.empty() || fs::is_directory(folder, failure))
            continue;
        fs::create_directories(folder, failure);
        if (failure) {
            error = "folder " + folder.string() + " cannot be made: " + failure.message();
            return false;
        }
    }
    return true;
}

std::vector<std::string> ProgramFolders::Describe() const {
    std::vector<std::string> lines{std::string("Files ") +
                                   (besideProgram_ ? "beside the program" : "in the user's folders") +
                                   ": settings " + settingsFile_ + ", event log " + logFile_};
    if (!besideProgram_)
        lines.push_back("Database folder when the settings name none: " + databaseFolder_);
    return lines;
}
