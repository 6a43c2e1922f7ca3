#include "core/database/FXUCheckDir.h"

#include "core/base/AtomicFile.h"
#include "core/base/ByteOrder.h"
#include "core/base/FXUDBFC_error.h"
#include "core/base/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

bool FXUCheckDir::ReadCheckFile() {
    fileList_.clear();
    const std::optional<std::string> read = FileBytes::read(checkPath());
    if (!read || read->size() % kEntrySize != 0)
        return false;
    const std::string& content = *read;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    std::set<std::uint32_t> listed;
    for (std::size_t at = 0; at < content.size(); at += kEntrySize) {
        const std::uint32_t serial = byteorder::getLE32(bytes + at);
        if (byteorder::getLE16(bytes + at + 4) != EntrySum(serial))
            continue;
        // A second entry for the same machine would give two tiles that overwrite each other's file.
        if (!listed.insert(serial).second)
            continue;
        const std::string path = Join(dataDir_, MachineFileName(serial));
        if (::access(path.c_str(), R_OK) == 0)
            fileList_.push_back(path);
    }
    WriteCheckFile();
    return true;
}

bool FXUCheckDir::WriteCheckFile() {
    std::string content;
    for (const std::string& path : fileList_)
        content += entryBytes(serialOfPath(path));
    try {
        AtomicFile::write(checkPath(), content);
    } catch (const std::ios_base::failure&) {
        return false;
    }
    return true;
}

bool FXUCheckDir::AddEntry(const std::string& serialText) {
    const auto serial = static_cast<std::uint32_t>(std::strtoul(serialText.c_str(), nullptr, 16));
    const std::string entry = entryBytes(serial);
    // Appended, never rewritten: whatever the file holds (even what cannot be read here) stays.
    const std::string path = checkPath();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat before {};
    bool done = ::fstat(fd, &before) == 0;
    std::size_t written = 0;
    while (done && written < entry.size()) {
        const ssize_t n = ::write(fd, entry.data() + written, entry.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        done = n > 0;
        if (done)
            written += static_cast<std::size_t>(n);
    }
    // A part of an entry would make the file's length no whole number of entries, and the whole file
    // unusable.
    if (!done && written > 0)
        (void)::ftruncate(fd, before.st_size);
    done = done && ::fsync(fd) == 0;
    done = ::close(fd) == 0 && done;
    return done;
}
