#include "core/database/DatabaseLock.h"

#include "core/database/FXUCheckDir.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

// The lock file holds "pid host" on one line.
std::string holderIn(int fd) {
    char text[128] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return {};
    std::istringstream line(std::string(text, static_cast<std::size_t>(n)));
    long pid = 0;
    std::string host;
    if (!(line >> pid) || pid <= 0)
        return {};
    line >> host;
    const std::string number = std::to_string(pid);
    return host.empty() || host == hostName() ? number : number + " (" + host + ")";
}

} // namespace

DatabaseLock::State DatabaseLock::unavailable(const std::string& path, const std::string& reason) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    lastError_ = path + ": " + reason;
    return state_ = State::Unavailable;
}

DatabaseLock::State DatabaseLock::Acquire(const std::string& directory) {
    Release();
    holder_.clear();
    lastError_.clear();
    const std::string path = FXUCheckDir::Join(directory, kLockFileName);
    // A folder others share may hold a lock file this user cannot write: the lock works on it all the same.
    bool canWrite = true;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        canWrite = false;
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    }
    if (fd_ < 0)
        return unavailable(path, std::strerror(errno));
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))
        return unavailable(path, "not a regular file");
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            return unavailable(path, std::strerror(errno));
        holder_ = holderIn(fd_);
        ::close(fd_);
        fd_ = -1;
        return state_ = State::InUse;
    }
    if (canWrite) {
        const std::string line = std::to_string(::getpid()) + " " + hostName() + "\n";
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, line.data(), line.size(), 0) < 0)
            lastError_ = path + ": " + std::strerror(errno); // the lock holds; only its holder stays unknown
    }
    return state_ = State::Held;
}

void DatabaseLock::Release() {
    if (fd_ >= 0)
        ::close(fd_); // drops the lock; the file stays, for the next holder to write its name in
    fd_ = -1;
    if (state_ == State::Held)
        state_ = State::Unlocked;
}
