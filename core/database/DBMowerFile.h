#pragma once

#include "core/base/FileStamp.h"
#include "core/history/FXUMowerLog.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The file of one machine: its machine block and records followed by the CRC-32 of all of it, least
// significant byte first. The same bytes serve as database file, export file and import file.
class DBMowerFile {
public:
    static constexpr std::size_t kCrcSize = 4;
    // The longest file that a machine block announcing recordCount records can be: the block, that many
    // records of the longest block each (FXULog::kMaxBlockSize), and the CRC.
    static constexpr std::uint64_t MaxFileSize(std::uint64_t recordCount) {
        return FXUMowerLog::kMaxMachineBlock + recordCount * FXULog::kMaxBlockSize + kCrcSize;
    }
    // The longest machine file at all: 792 + 65,535 x 74,022 + 4 = 4,851,032,566 bytes. Anything longer is
    // refused as corrupt without being read.
    static constexpr std::uint64_t kMaxFileSize =
        FXUMowerLog::kMaxMachineBlock + FXUMowerLog::kMaxRecords * std::uint64_t{FXULog::kMaxBlockSize} +
        kCrcSize;
    static_assert(kMaxFileSize == 4'851'032'566);
    // A file up to this size (a hundred records) is read in one piece; a longer one through a fixed buffer.
    static constexpr std::uint64_t kWholeReadLimit = 1024 * 1024;
    // What tells two versions of a file apart: the CRC of all but its last 4 bytes, and those bytes.
    using Signature = std::uint64_t;

    DBMowerFile();
    // Moving would leave an entry without its machine.
    DBMowerFile(const DBMowerFile&) = delete;
    DBMowerFile& operator=(const DBMowerFile&) = delete;

    // A new name is a file not yet read or written by this entry.
    void SetFileName(std::string fileName) {
        fileName_ = std::move(fileName);
        onDisk_.reset();
    }
    const std::string& fileName() const { return fileName_; }
    // The same object for the entry's whole life: a load replaces its content, never the object.
    FXUMowerLog& mowerLog() { return *mowerHandle_; }
    const FXUMowerLog& mowerLog() const { return *mowerHandle_; }

    enum class Failure { None, Crc, TooLarge, Truncated, Format, CannotOpen, NotRegularFile, CannotRead };
    // The machine changes only when the whole file is valid. False otherwise, with failure() and lastError()
    // (naming the file) saying why: Crc when the stored CRC does not match or the file cannot even hold one,
    // TooLarge when it is longer than its record count allows (it is then not read), Truncated when its
    // records end early, Format when they do not fit the layout, and the file layer's reasons.
    bool LoadMachineFile();
    Failure failure() const { return failure_; }
    // As LoadMachineFile, checking the whole file, but keeping only the machine's identity, owner data and
    // the copies of its newest record, which is all a list of machines shows, until LoadRecords reads the
    // records. A machine without its records is never saved.
    bool LoadSummary();
    bool recordsLoaded() const { return recordsLoaded_; }
    // Reads the records again, from a file that must still be the one loaded (the same content): false,
    // with lastError() saying why and the machine as it was, when it changed or can no longer be read.
    bool LoadRecords();
    // Replaces the file atomically. False, with lastError() saying why, when the machine cannot be stored or
    // the file cannot be written; the old file is then untouched. A file that changed on disk since this
    // entry last read or wrote it (or that it never did) is not lost: a copy of it is kept beside it first,
    // named by keptAside().
    bool SaveMachineFile();
    const std::string& lastError() const { return lastError_; }
    // Where the last save kept the other version it found; empty when it found none.
    const std::string& keptAside() const { return keptAside_; }

    // The first of path + ".old", ".old2", ".old3" ... that names nothing yet.
    static std::string FreeAsideName(const std::string& path);

    // CRC-32 of all but the last 4 bytes against those 4; false as well when the stream holds fewer than 4
    // bytes. Leaves the stream at offset 0.
    static bool CheckFileCrc(std::istream& in);
    // Appends the CRC-32 of the stream's whole content to it; false when it cannot be read back or written.
    static bool AppendFileCrc(std::iostream& io);
    // The whole file for that machine, CRC included. Raises std::ios_base::failure when it cannot be stored,
    // also when the file would read back as other records than these.
    static std::string Serialize(FXUMowerLog& mowerLog);
    // Checks and reads a whole file's bytes into mowerLog, which changes only when they are all valid.
    // FXUCrc_error when the CRC does not match, std::ios_base::failure when the content does not fit.
    static void Parse(std::string_view content, FXUMowerLog& mowerLog);

private:
    // The file as this entry last read or wrote it.
    struct OnDisk {
        FileStamp stamp;
        Signature signature = 0;
    };
    bool keepOtherVersion(const std::string& target);
    bool load(bool summary);

    std::string fileName_;
    std::unique_ptr<FXUMowerLog> mowerHandle_;
    std::optional<OnDisk> onDisk_;
    Failure failure_ = Failure::None;
    bool recordsLoaded_ = true;
    std::string lastError_;
    std::string keptAside_;
};
