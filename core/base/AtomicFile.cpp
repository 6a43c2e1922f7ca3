#include "core/base/AtomicFile.h"

#include "core/base/FileCalls.h"
#include "core/base/StreamFailure.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <ios>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxLinks = 40; // as the kernel follows them
constexpr std::size_t kRandomPart = 6;

[[noreturn]] void fail(const std::string& what, const std::string& path, const std::string& reason) {
    throw StreamFailure(what + " " + path + ": " + reason);
}
[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    fail(what, path, std::string(std::strerror(error)));
}

bool writeAll(int fd, std::string_view content) {
    const FileCalls& calls = FileCalls::current();
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = calls.write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The right to write, and a mode that lets someone write: root may write anything, but a file its owner
// marked read-only is not the program's to replace.
bool mayWrite(const std::string& path, const struct stat& status) {
    if ((status.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

mode_t defaultMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string AtomicFile::Resolve(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path current(path);
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            break;
        std::error_code error;
        const fs::path target = fs::read_symlink(current, error);
        if (error)
            break;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.string();
}

FileStamp AtomicFile::write(const std::string& path, std::string_view content) {
    namespace fs = std::filesystem;
    const fs::path target(Resolve(path));
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";

    struct stat existing {};
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        fail("cannot examine", path, errno);
    if (exists && S_ISLNK(existing.st_mode))
        fail("cannot replace", path, ELOOP);
    if (exists && !S_ISREG(existing.st_mode))
        fail("cannot replace", path, std::string("not a regular file"));
    if (exists && !mayWrite(target.string(), existing))
        fail("cannot write", path, errno);
    struct stat folder {};
    if (::stat(dir.c_str(), &folder) != 0)
        fail("cannot write into the folder of", path, errno);
    if (!mayWrite(dir.string(), folder))
        fail("cannot write into the folder of", path, errno);

    // Hidden, beside the target, so the rename stays within one file system.
    std::string temp =
        (dir / ("." + target.filename().string() + "." + std::string(kRandomPart, 'X'))).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        fail("cannot create a temporary file for", path, errno);
    const FileCalls& calls = FileCalls::current();
    auto abandon = [&](const char* what) {
        const int error = errno;
        calls.close(fd);
        ::unlink(temp.c_str());
        fail(what, path, error);
    };
    if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()))
        (void)::fchown(fd, existing.st_uid, existing.st_gid); // only root, or a group of the user's, may
    if (::fchmod(fd, exists ? existing.st_mode & 07777 : defaultMode()) != 0)
        abandon("cannot set the permissions of");
    if (!writeAll(fd, content))
        abandon("cannot write");
    if (calls.fsync(fd) != 0)
        abandon("cannot sync");
    struct stat written {};
    if (::fstat(fd, &written) != 0)
        abandon("cannot examine");
    if (calls.close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot close", path, error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot replace", path, error);
    }
    // The rename itself must survive a power cut too.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return FileStamp::Of(written);
}

bool AtomicFile::IsTemporary(std::string_view name, const std::function<bool(std::string_view)>& isTarget) {
    if (name.size() < 1 + 1 + 1 + kRandomPart || name.front() != '.')
        return false;
    const std::size_t dot = name.size() - kRandomPart - 1;
    if (name[dot] != '.')
        return false;
    for (std::size_t i = dot + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return isTarget(name.substr(1, dot - 1));
}

std::vector<std::string>
AtomicFile::RemoveTemporaries(const std::string& directory,
                              const std::function<bool(std::string_view)>& isTarget) {
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    std::error_code error;
    fs::directory_iterator it(directory.empty() ? fs::path(".") : fs::path(directory), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (!IsTemporary(name, isTarget) || it->is_symlink(ignored) || !it->is_regular_file(ignored))
            continue;
        if (::unlink(it->path().c_str()) == 0)
            removed.push_back(name);
    }
    return removed;
}
