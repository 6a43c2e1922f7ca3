#include "core/link/UpgradeFile.h"

#include "core/link/LinkLog.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::array<UpgradeFile::Section, 3> kSections{{
    {"[MAIN]", "MAIN", 0x50},
    {"[FIR]", "FIR", 0x51},
    {"[EXT]", "EXT", 0x52},
}};

constexpr std::size_t kVersionLength = 5;
constexpr std::string_view kTag = "[TAG]";

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string systemReason(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

} // namespace

UpgradeFile::UpgradeFile(std::string&& bytes) : text_(std::move(bytes)) {
    const std::size_t zero = text_.find('\0');
    if (zero != std::string::npos) {
        if (text_.find_first_not_of('\0', zero) != std::string::npos)
            dataAfterZero_ = zero;
        text_.resize(zero);
    }
    // Far below 4 GiB: kMaxFileSize bounds what read() takes, and nothing else makes files this large.
    const std::size_t end = text_.size();
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < end; ++i)
        if (text_[i] == '\n' || (text_[i] == '\r' && (i + 1 == end || text_[i + 1] != '\n')))
            ++breaks;
    starts_.reserve(breaks + 1);
    std::size_t start = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (text_[i] != '\r' && text_[i] != '\n')
            continue;
        starts_.push_back(static_cast<std::uint32_t>(start));
        lastEnd_ = static_cast<std::uint32_t>(i);
        if (text_[i] == '\r' && i + 1 < end && text_[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < end) {
        starts_.push_back(static_cast<std::uint32_t>(start));
        lastEnd_ = static_cast<std::uint32_t>(end);
    }
}

std::string_view UpgradeFile::row(std::size_t index) const {
    const std::size_t start = starts_[index];
    std::size_t stop = lastEnd_;
    if (index + 1 < starts_.size()) {
        // The next row starts after this one's line break: CR LF when both are this row's, else one byte.
        // A CR before an LF belongs to this row unless it is the break of the row before.
        stop = starts_[index + 1] - 1;
        if (text_[stop] == '\n' && stop >= start + 1 && text_[stop - 1] == '\r')
            --stop;
    }
    return std::string_view(text_).substr(start, stop - start);
}

std::optional<UpgradeFile> UpgradeFile::read(const std::string& path, std::string& reason) {
    // Looked at before opening: opening some devices has effects of its own.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        reason = systemReason(path);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = path + ": not a regular file";
        return std::nullopt;
    }
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        reason = systemReason(path);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) { // replaced since it was looked at
        reason = path + ": not a regular file";
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(info.st_size, kMaxFileSize + 1)));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(file.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = systemReason(path);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxFileSize) {
            reason = path + ": larger than " + std::to_string(kMaxFileSize / (1024 * 1024)) + " MiB";
            return std::nullopt;
        }
    }
    return UpgradeFile(std::move(bytes));
}

bool UpgradeFile::refuse(std::string line) {
    refusal_ = std::move(line);
    return false;
}

bool UpgradeFile::check() {
    refusal_.clear();
    if (dataAfterZero_)
        return refuse(LinkLog::dataAfterZeroByte(*dataAfterZero_));
    // A missing row is checked as an empty one: an empty file has no tag, a tag alone no header.
    const std::string_view tagRow = starts_.empty() ? std::string_view() : row(0);
    if (tagRow.size() < kVersionLength || tagRow.substr(kVersionLength) != kTag)
        return refuse(LinkLog::kNoTag);
    if (starts_.size() < 2 || !sectionOf(row(1)))
        return refuse(LinkLog::kNoMcuTag);
    for (std::size_t i = 2; i < starts_.size(); ++i) {
        const std::string_view data = row(i);
        if (sectionOf(data))
            continue;
        // Half a pair or more than the machine's row buffer would be sent as something else than written.
        if (data.size() % 2 != 0)
            return refuse(LinkLog::oddRow(lineOf(i)));
        if (data.size() > kMaxRowDigits)
            return refuse(LinkLog::longRow(lineOf(i)));
    }
    return true;
}

std::string UpgradeFile::versionText() const {
    return starts_.empty() ? std::string() : std::string(row(0).substr(0, kVersionLength));
}

const UpgradeFile::Section* UpgradeFile::sectionOf(std::string_view row) {
    for (const Section& section : kSections)
        if (row == section.header)
            return &section;
    return nullptr;
}

std::vector<std::uint8_t> UpgradeFile::decodeRow(std::string_view row) {
    std::vector<std::uint8_t> bytes;
    const std::size_t count = std::min(row.size() / 2, kRowBufferSize);
    bytes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int high = digitValue(row[2 * i]);
        const int low = digitValue(row[2 * i + 1]);
        bytes.push_back(high < 0 || low < 0 ? 0xFF : static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}
