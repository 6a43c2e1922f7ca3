#include "core/base/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

InputFile::~InputFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool InputFile::fail(Failure failure, const std::string& reason) {
    failure_ = failure;
    lastError_ = path_ + ": " + reason;
    return false;
}

bool InputFile::Open(const std::string& path, std::uint64_t maxSize) {
    if (fd_ >= 0)
        ::close(fd_);
    path_ = path;
    maxSize_ = maxSize;
    stamp_ = {};
    failure_ = Failure::None;
    lastError_.clear();
    // Looked at before opening: opening some devices has effects of its own (a serial port's lines).
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return fail(Failure::CannotOpen, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return fail(Failure::NotRegularFile, "not a regular file");
    // Without O_NONBLOCK, opening a FIFO put there since waits for a writer that never comes; a terminal
    // must not become the program's controlling one.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0)
        return fail(Failure::CannotOpen, std::strerror(errno));
    if (::fstat(fd_, &status) != 0)
        return fail(Failure::CannotOpen, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return fail(Failure::NotRegularFile, "not a regular file");
    stamp_ = FileStamp::Of(status);
    if (stamp_.size > maxSize)
        return fail(Failure::TooLarge, std::to_string(stamp_.size) + " bytes, more than the " +
                                           std::to_string(maxSize) + " such a file can hold");
    return true;
}

bool InputFile::ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) {
    bytes.clear();
    if (fd_ < 0 || failure_ != Failure::None)
        return false;
    bytes.resize(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes.clear();
            return fail(Failure::CannotRead, std::strerror(errno));
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return true;
}

bool InputFile::ReadAll(std::string& bytes) {
    // One byte past the bound tells a file that grew since it was opened from one that did not.
    const std::uint64_t wanted = std::min<std::uint64_t>(maxSize_, stamp_.size) + 1;
    if (!ReadAt(0, static_cast<std::size_t>(wanted), bytes))
        return false;
    std::string more;
    while (bytes.size() == wanted && bytes.size() <= maxSize_) {
        if (!ReadAt(bytes.size(), 64 * 1024, more))
            return false;
        if (more.empty())
            break;
        bytes += more;
    }
    if (bytes.size() > maxSize_) {
        bytes.clear();
        return fail(Failure::TooLarge,
                    "grew beyond the " + std::to_string(maxSize_) + " bytes such a file can hold");
    }
    return true;
}

std::optional<std::string> InputFile::Read(const std::string& path, std::uint64_t maxSize, Failure* failure,
                                           std::string* reason) {
    InputFile file;
    std::string bytes;
    const bool read = file.Open(path, maxSize) && file.ReadAll(bytes);
    if (failure)
        *failure = file.failure();
    if (reason)
        *reason = file.lastError();
    if (!read)
        return std::nullopt;
    return bytes;
}

bool InputFile::Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) && !error;
}
