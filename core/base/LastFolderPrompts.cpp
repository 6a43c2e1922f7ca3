#include "core/base/LastFolderPrompts.h"

#include <filesystem>

std::optional<std::string> LastFolderPrompts::chooseFile(const FileDialog& dialog) {
    FileDialog shown = dialog;
    if (shown.folder.empty())
        shown.folder = folder_;
    std::optional<std::string> chosen = inner_.chooseFile(shown);
    if (chosen) {
        const std::string parent = std::filesystem::path(*chosen).lexically_normal().parent_path().string();
        if (!parent.empty())
            folder_ = parent;
    }
    return chosen;
}
