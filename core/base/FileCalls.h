#pragma once

#include <functional>
#include <sys/types.h>

// The system calls that write the program's files. Tests replace them to make any one of them fail;
// everything else calls them through current().
struct FileCalls {
    std::function<ssize_t(int fd, const void* data, size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(int fd)> close;
    std::function<int(int fd, off_t length)> ftruncate;

    static FileCalls& current();
    // The real calls.
    static FileCalls system();
};
