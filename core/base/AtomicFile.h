#pragma once

#include "core/base/FileStamp.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Replaces a file's whole content so that a crash or power cut leaves either the old file or the new one:
// the bytes go to a temporary file in the same directory, are synced, and the temporary is renamed over
// the old file. A link is written through: its target is replaced, in the target's folder, and the link
// stays. The file keeps its mode (and its owner, where the system allows).
class AtomicFile {
public:
    // Raises std::ios_base::failure naming the file when any step fails; the old file is then untouched and
    // no temporary is left behind. Refused before anything is written: a target that is no regular file,
    // and a file or folder that may not be written, because the user lacks the right or because its mode
    // lets no one write it (a file marked read-only stays so, whoever runs the program). Returns the size
    // and time of the file written.
    static FileStamp write(const std::string& path, std::string_view content);

    // The file that path leads to through its links; path itself when it is no link.
    static std::string Resolve(const std::string& path);
    // Whether a file name is one of the temporaries a write leaves when it never ends: "." + the target's
    // name + "." + six letters or digits, for a target name that isTarget accepts.
    static bool IsTemporary(std::string_view fileName, const std::function<bool(std::string_view)>& isTarget);
    // Deletes those temporaries (regular files only) from directory; the names of those deleted.
    static std::vector<std::string> RemoveTemporaries(const std::string& directory,
                                                      const std::function<bool(std::string_view)>& isTarget);
};
