#pragma once

#include "core/base/FileStamp.h"

#include <cstdint>
#include <optional>
#include <string>

// A file the program reads from outside (machine files, check file, settings, event log, history and
// upgrade files). Opening never blocks and takes regular files only: a FIFO, a device or a directory in
// place of a file is refused, as is a file larger than the caller says the format can hold, before a
// single byte is read.
class InputFile {
public:
    enum class Failure { None, CannotOpen, NotRegularFile, TooLarge, CannotRead };
    // More than the small files read in one go hold (settings, event log, upgrade and history files); a
    // larger one is taken as damaged.
    static constexpr std::uint64_t kSmallFileMaxSize = 16 * 1024 * 1024;

    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Follows links. False, with failure() and lastError() saying why, when the file cannot be taken.
    bool Open(const std::string& path, std::uint64_t maxSize);
    // Up to count bytes from offset into bytes (fewer at the end of the file).
    bool ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes);
    // The whole file; TooLarge as well when it has grown beyond the bound since it was opened.
    bool ReadAll(std::string& bytes);

    const FileStamp& stamp() const { return stamp_; } // as the file was when opened
    Failure failure() const { return failure_; }
    // The path and the reason, for example "/db/0001A2F3.dat: not a regular file".
    const std::string& lastError() const { return lastError_; }

    // The whole content of a regular file of at most maxSize bytes; nothing, with the reason in the
    // failure and reason given, when it cannot be read. Never raises but for memory.
    static std::optional<std::string> Read(const std::string& path, std::uint64_t maxSize = kSmallFileMaxSize,
                                           Failure* failure = nullptr, std::string* reason = nullptr);
    // Whether anything lies at path; false as well when that cannot be told.
    static bool Exists(const std::string& path);

private:
    bool fail(Failure failure, const std::string& reason);

    int fd_ = -1;
    std::string path_;
    std::uint64_t maxSize_ = 0;
    FileStamp stamp_;
    Failure failure_ = Failure::None;
    std::string lastError_;
};
