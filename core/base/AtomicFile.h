#pragma once

#include <string>
#include <string_view>

// Replaces a file's whole content so that a crash or power cut leaves either the old file or the new one:
// the bytes go to a temporary file in the same directory, are synced, and the temporary is renamed over
// the old file. Raises std::ios_base::failure naming the file when any step fails; the old file is then
// untouched and no temporary is left behind.
class AtomicFile {
public:
    static void write(const std::string& path, std::string_view content);
};
