#include "core/base/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <ios>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw std::ios_base::failure(what + " " + path + ": " + std::strerror(error));
}

bool writeAll(int fd, std::string_view content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t modeForNewFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void AtomicFile::write(const std::string& path, std::string_view content) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    // Hidden, beside the target, so the rename stays within one file system.
    std::string tempName = target.filename().string();
    tempName.insert(0, 1, '.');
    tempName.append(".XXXXXX");
    std::string temp = (dir / tempName).string();

    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        fail("cannot create a temporary file for", path, errno);
    auto abandon = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        fail(what, path, error);
    };
    if (::fchmod(fd, modeForNewFile(path)) != 0)
        abandon("cannot set the permissions of");
    if (!writeAll(fd, content))
        abandon("cannot write");
    if (::fsync(fd) != 0)
        abandon("cannot sync");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot close", path, error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot replace", path, error);
    }
    // The rename itself must survive a power cut too.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}
