#pragma once

#include "core/history/FXULog.h"

#include <cstdint>
#include <string>
#include <vector>

// Where a record goes when its machine file cannot be written: a history file the history import reads,
// named after the record's time ("2024-03-07_14-05-09_serialdata.txt", which gives the import that time), in
// a folder of its machine's serial number under the folder given. A record filed under a machine is then
// never only in the program's memory.
class UnsavedHistory {
public:
    explicit UnsavedHistory(std::string folder) : folder_(std::move(folder)) {}

    // Writes the record's history file, creating the folders; false, with lastError() naming the file and
    // the reason, when that fails. An earlier file of the same record is replaced: it holds the same bytes.
    bool Keep(const FXULog& record);
    // The file the last Keep wrote or tried to write.
    const std::string& path() const { return path_; }
    const std::string& lastError() const { return lastError_; }
    const std::string& folder() const { return folder_; }

    // What a download of the record would have saved: its info frame, image and, for a firmware version
    // that has one, the extra block's length and bytes.
    static std::vector<std::uint8_t> HistoryFileBytes(const FXULog& record);

private:
    std::string folder_;
    std::string path_;
    std::string lastError_;
};
