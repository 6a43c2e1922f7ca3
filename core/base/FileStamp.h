#pragma once

#include <cstdint>
#include <sys/stat.h>

// What a file's status tells of its content without reading it: which file it is, its size and when it
// was last written. The time alone is too coarse (a few milliseconds) to tell two quick saves apart; a
// save that replaces the file gives it a new identity.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    static FileStamp Of(const struct stat& status) {
        return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                static_cast<std::uint64_t>(status.st_size), static_cast<std::int64_t>(status.st_mtim.tv_sec),
                status.st_mtim.tv_nsec};
    }
    bool operator==(const FileStamp&) const = default;
};
