#pragma once

#include "core/history/FXUMowerLog.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

// The file of one machine: its machine block and records followed by the CRC-32 of all of it, least
// significant byte first. The same bytes serve as database file, export file and import file.
class DBMowerFile {
public:
    static constexpr std::size_t kCrcSize = 4;

    DBMowerFile();
    // Moving would leave an entry without its machine.
    DBMowerFile(const DBMowerFile&) = delete;
    DBMowerFile& operator=(const DBMowerFile&) = delete;

    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
    const std::string& fileName() const { return fileName_; }
    // The same object for the entry's whole life: a load replaces its content, never the object.
    FXUMowerLog& mowerLog() { return *mowerHandle_; }
    const FXUMowerLog& mowerLog() const { return *mowerHandle_; }

    // The machine changes only when the whole file is valid. FXUCrc_error when the stored CRC does not
    // match or the file cannot even hold one; std::ios_base::failure, naming the file, when it cannot be read
    // or its content does not fit the layout.
    bool LoadMachineFile();
    // Replaces the file atomically. False, with lastError() saying why, when the machine cannot be stored or
    // the file cannot be written; the old file is then untouched.
    bool SaveMachineFile();
    const std::string& lastError() const { return lastError_; }

    // CRC-32 of all but the last 4 bytes against those 4; false as well when the stream holds fewer than 4
    // bytes. Leaves the stream at offset 0.
    static bool CheckFileCrc(std::istream& in);
    // Appends the CRC-32 of the stream's whole content to it; false when it cannot be read back or written.
    static bool AppendFileCrc(std::iostream& io);
    // The whole file for that machine, CRC included. Raises std::ios_base::failure when it cannot be stored,
    // also when the file would read back as other records than these.
    static std::string Serialize(FXUMowerLog& mowerLog);
    // Checks and reads a whole file's bytes into mowerLog, which changes only when they are all valid. Raises
    // as LoadMachineFile, without the file name.
    static void Parse(std::string_view content, FXUMowerLog& mowerLog);

private:
    std::string fileName_;
    std::unique_ptr<FXUMowerLog> mowerHandle_;
    std::string lastError_;
};
