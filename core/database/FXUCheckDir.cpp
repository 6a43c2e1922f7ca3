#include "core/database/FXUCheckDir.h"

#include "core/base/AtomicFile.h"
#include "core/base/ByteOrder.h"
#include "core/base/FXUDBFC_error.h"
#include "core/base/FileCalls.h"
#include "core/base/InputFile.h"
#include "core/database/DBMowerFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <ios>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string entryBytes(std::uint32_t serialNumber) {
    std::uint8_t entry[FXUCheckDir::kEntrySize];
    byteorder::putLE32(entry, serialNumber);
    byteorder::putLE16(entry + 4, FXUCheckDir::EntrySum(serialNumber));
    return std::string(reinterpret_cast<const char*>(entry), sizeof entry);
}

// The serial number a machine file is named after: its name up to the first ".", read as hexadecimal.
std::uint32_t serialOfPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    return static_cast<std::uint32_t>(std::strtoul(name.c_str(), nullptr, 16));
}

std::string contentOf(const std::vector<std::string>& paths) {
    std::string content;
    for (const std::string& path : paths)
        content += entryBytes(serialOfPath(path));
    return content;
}

// A machine file's name whatever the letter case: 8 hexadecimal digits and ".dat".
bool namedLikeMachineFile(std::string_view name) {
    if (name.size() != 12 || name[8] != '.')
        return false;
    const auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    return std::all_of(name.begin(), name.begin() + 8,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) &&
           lower(name[9]) == 'd' && lower(name[10]) == 'a' && lower(name[11]) == 't';
}

} // namespace

std::uint16_t FXUCheckDir::EntrySum(std::uint32_t serialNumber) {
    return static_cast<std::uint16_t>((serialNumber & 0xFF) + ((serialNumber >> 8) & 0xFF) +
                                      ((serialNumber >> 16) & 0xFF) + (serialNumber >> 24));
}

std::string FXUCheckDir::Join(const std::string& directory, const std::string& name) {
    if (directory.empty())
        return name;
    if (directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

std::string FXUCheckDir::MachineFileName(std::uint32_t serialNumber) {
    char name[16];
    std::snprintf(name, sizeof name, "%08X.dat", serialNumber);
    return name;
}

std::vector<std::string> FXUCheckDir::GetFileList() {
    fileList_.clear();
    if (!ReadCheckFile())
        throw FXUDBFC_error();
    return fileList_;
}

bool FXUCheckDir::ReadCheckFile(bool probeFiles) {
    fileList_.clear();
    entriesRead_.clear();
    unprobedContent_.clear();
    refused_ = true;
    std::error_code error;
    present_ = std::filesystem::exists(std::filesystem::symlink_status(checkPath(), error));
    std::optional<std::string> read = InputFile::Read(checkPath(), kMaxCheckFileSize);
    if (!read || read->size() % kEntrySize != 0)
        return false;
    refused_ = false;
    const std::string& content = *read;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    std::set<std::uint32_t> listed;
    for (std::size_t at = 0; at < content.size(); at += kEntrySize) {
        const std::uint32_t serial = byteorder::getLE32(bytes + at);
        entriesRead_.push_back(serial);
        if (byteorder::getLE16(bytes + at + 4) != EntrySum(serial))
            continue;
        // A second entry for the same machine would give two tiles that overwrite each other's file.
        if (!listed.insert(serial).second)
            continue;
        std::string path = Join(dataDir_, MachineFileName(serial));
        if (!probeFiles || ::access(path.c_str(), R_OK) == 0)
            fileList_.push_back(std::move(path));
    }
    droppedEntries_ = content.size() / kEntrySize - fileList_.size();
    droppedKeptAs_.clear();
    if (!probeFiles)
        unprobedContent_ = std::move(*read);
    else
        rewriteDropped(content);
    return true;
}

void FXUCheckDir::DropUnreadable(const std::vector<std::string>& paths) {
    if (refused_)
        return;
    auto unreadable = paths.begin();
    std::erase_if(fileList_, [&](const std::string& path) {
        if (unreadable == paths.end() || *unreadable != path)
            return false;
        ++unreadable;
        return true;
    });
    droppedEntries_ += paths.size();
    rewriteDropped(unprobedContent_);
    std::string().swap(unprobedContent_);
}

void FXUCheckDir::rewriteDropped(const std::string& content) {
    // Nothing dropped: a rewrite would write the same bytes, and its flush to disk would cost every start.
    if (readOnly_ || droppedEntries_ == 0)
        return;
    // The rewrite forgets what it drops; a check file full of unknown entries may still be worth a look.
    const std::string aside = DBMowerFile::FreeAsideName(checkPath());
    try {
        AtomicFile::write(aside, content);
        droppedKeptAs_ = aside;
    } catch (const std::ios_base::failure& failure) {
        lastError_ = failure.what();
        return; // not rewritten either: nothing is lost
    }
    WriteCheckFile();
}

std::string FXUCheckDir::contentToWrite() const {
    return contentOf(fileList_);
}

bool FXUCheckDir::WriteCheckFile() {
    if (readOnly_)
        return true;
    try {
        AtomicFile::write(checkPath(), contentOf(fileList_));
    } catch (const std::ios_base::failure& failure) {
        lastError_ = failure.what();
        return false;
    }
    return true;
}

bool FXUCheckDir::AddEntry(const std::string& serialText) {
    const auto serial = static_cast<std::uint32_t>(std::strtoul(serialText.c_str(), nullptr, 16));
    const std::string entry = entryBytes(serial);
    // Appended, never rewritten: whatever the file holds (even what cannot be read here) stays.
    const std::string path = checkPath();
    auto fail = [&](const std::string& what, int error) {
        lastError_ = what + " " + path + ": " + std::strerror(error);
        return false;
    };
    // Not waiting on a FIFO that has no reader.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return fail("cannot open", errno);
    const FileCalls& calls = FileCalls::current();
    struct stat before {};
    if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        const int error = S_ISREG(before.st_mode) ? errno : EINVAL;
        calls.close(fd);
        return fail("cannot append to", error);
    }
    // A part of an entry, or an entry the disk may not hold, would make the file's length no whole number
    // of entries and the whole file unusable: every failure takes the file back to its old length.
    auto takeBack = [&](const char* what) {
        const int error = errno;
        const bool back = calls.ftruncate(fd, before.st_size) == 0 && calls.fsync(fd) == 0;
        calls.close(fd);
        fail(std::string(what) + (back ? "" : " (and could not take it back)"), error);
        return false;
    };
    std::size_t written = 0;
    while (written < entry.size()) {
        const ssize_t n = calls.write(fd, entry.data() + written, entry.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return takeBack("cannot append to");
        }
        written += static_cast<std::size_t>(n);
    }
    if (calls.fsync(fd) != 0)
        return takeBack("cannot sync");
    if (calls.close(fd) != 0) {
        const int error = errno;
        const bool back = ::truncate(path.c_str(), before.st_size) == 0;
        return fail(std::string("cannot close") + (back ? "" : " (and could not take it back)"), error);
    }
    lastError_.clear();
    return true;
}

bool FXUCheckDir::IsMachineFileName(std::string_view name) {
    if (name.size() != 12 || name.substr(8) != ".dat")
        return false;
    return std::all_of(name.begin(), name.begin() + 8,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

std::vector<std::string> FXUCheckDir::UnlistedMachineFiles(std::vector<std::string>* misnamed) const {
    namespace fs = std::filesystem;
    std::set<std::uint32_t> listed;
    for (const std::string& path : fileList_)
        listed.insert(serialOfPath(path));
    std::vector<std::string> found;
    std::error_code error;
    fs::directory_iterator it(dataDir_.empty() ? fs::path(".") : fs::path(dataDir_), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!namedLikeMachineFile(name))
            continue;
        std::error_code ignored;
        if (!it->is_regular_file(ignored))
            continue;
        if (!IsMachineFileName(name)) {
            if (misnamed)
                misnamed->push_back(Join(dataDir_, name));
        } else if (!listed.contains(serialOfPath(name))) {
            found.push_back(Join(dataDir_, name));
        }
    }
    std::sort(found.begin(), found.end());
    if (misnamed)
        std::sort(misnamed->begin(), misnamed->end());
    return found;
}

bool FXUCheckDir::AddFound(const std::vector<std::string>& paths) {
    keptAside_.clear();
    if (paths.empty())
        return true;
    if (readOnly_) {
        fileList_.insert(fileList_.end(), paths.begin(), paths.end());
        return true;
    }
    const std::string path = checkPath();
    std::error_code error;
    if (refused_ && std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        // What could not be read stays for support; the machines it named are among those found.
        const std::string aside = DBMowerFile::FreeAsideName(path);
        if (::rename(path.c_str(), aside.c_str()) != 0) {
            lastError_ = "cannot keep " + path + " as " + aside + ": " + std::strerror(errno);
            return false;
        }
        keptAside_ = aside;
    }
    fileList_.insert(fileList_.end(), paths.begin(), paths.end());
    refused_ = false;
    try {
        AtomicFile::write(path, contentOf(fileList_));
    } catch (const std::ios_base::failure& failure) {
        lastError_ = failure.what();
        return false;
    }
    return true;
}

std::vector<std::string> FXUCheckDir::RemoveTemporaries(const std::string& directory) {
    return AtomicFile::RemoveTemporaries(
        directory, [](std::string_view name) { return name == kCheckFileName || IsMachineFileName(name); });
}
