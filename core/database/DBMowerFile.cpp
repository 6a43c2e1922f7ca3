#include "core/database/DBMowerFile.h"

#include "core/base/Assert.h"
#include "core/base/AtomicFile.h"
#include "core/base/ByteOrder.h"
#include "core/base/FXUCrc_error.h"
#include "core/base/InputFile.h"
#include "core/database/Crc32.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <ios>
#include <istream>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Reads the bytes already in memory in place: a file is parsed from the one copy that was CRC-checked.
class MemoryBuffer final : public std::streambuf {
public:
    explicit MemoryBuffer(std::string_view bytes) {
        // The get area is only ever read; std::streambuf just has no const form of it.
        char* begin = const_cast<char*>(bytes.data());
        setg(begin, begin, begin + bytes.size());
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        const off_type size = egptr() - eback();
        off_type base = 0;
        if (dir == std::ios_base::cur)
            base = gptr() - eback();
        else if (dir == std::ios_base::end)
            base = size;
        const off_type target = base + offset;
        if (!(which & std::ios_base::in) || target < 0 || target > size)
            return pos_type(off_type(-1));
        setg(eback(), eback() + target, egptr());
        return pos_type(target);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }
};

// CRC of the next length bytes; false when the stream gives fewer.
bool crcOfNext(std::istream& in, std::streamoff length, std::uint32_t& crc) {
    std::vector<char> chunk(kChunk);
    crc = Crc32::kEmpty;
    while (length > 0) {
        const auto size = static_cast<std::streamsize>(std::min<std::streamoff>(length, kChunk));
        in.read(chunk.data(), size);
        if (in.gcount() != size)
            return false;
        crc = Crc32::Update(crc, reinterpret_cast<const std::uint8_t*>(chunk.data()),
                            static_cast<std::size_t>(size));
        length -= size;
    }
    return true;
}

std::streamoff streamLength(std::istream& in) {
    in.clear();
    in.seekg(0, std::ios_base::end);
    const std::streamoff length = in.tellg();
    in.seekg(0);
    return length;
}

std::array<char, DBMowerFile::kCrcSize> crcBytes(std::uint32_t crc) {
    std::array<char, DBMowerFile::kCrcSize> bytes{};
    byteorder::putLE32(reinterpret_cast<std::uint8_t*>(bytes.data()), crc);
    return bytes;
}

// Whether the CRC at the end of an open file matches the rest, read a piece at a time.
bool crcMatchesInPieces(InputFile& file) {
    const std::uint64_t size = file.stamp().size;
    if (size < DBMowerFile::kCrcSize)
        return false;
    const std::uint64_t body = size - DBMowerFile::kCrcSize;
    std::uint32_t crc = Crc32::kEmpty;
    std::string piece;
    for (std::uint64_t at = 0; at < body; at += piece.size()) {
        if (!file.ReadAt(at, static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, body - at)), piece) ||
            piece.empty())
            return false;
        crc = Crc32::Update(crc, reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
    }
    return file.ReadAt(body, DBMowerFile::kCrcSize, piece) && piece.size() == DBMowerFile::kCrcSize &&
           byteorder::getLE32(reinterpret_cast<const std::uint8_t*>(piece.data())) == crc;
}

// The whole of a machine file, refused as corrupt without being read whole when its size cannot be right.
std::string readMachineFile(const std::string& path, FileStamp& stamp) {
    InputFile file;
    if (!file.Open(path, DBMowerFile::kMaxFileSize)) {
        if (file.failure() == InputFile::Failure::TooLarge)
            throw FXUCrc_error();
        throw std::ios_base::failure(file.lastError());
    }
    // A file longer than the records its machine block announces can be is corrupt, however it ends: a
    // sparse file of gigabytes is refused here, at once.
    std::string bytes;
    if (!file.ReadAt(0, FXUMowerLog::kMaxMachineBlock, bytes))
        throw std::ios_base::failure(file.lastError());
    const std::optional<std::uint16_t> count = FXUMowerLog::RecordCountIn(bytes);
    if (count && file.stamp().size > DBMowerFile::MaxFileSize(*count))
        throw FXUCrc_error();
    // Memory is only asked for a large file whose content is at least intact.
    if (file.stamp().size > DBMowerFile::kWholeReadLimit && !crcMatchesInPieces(file)) {
        if (file.failure() == InputFile::Failure::CannotRead)
            throw std::ios_base::failure(file.lastError());
        throw FXUCrc_error();
    }
    if (!file.ReadAll(bytes)) {
        if (file.failure() == InputFile::Failure::TooLarge)
            throw FXUCrc_error();
        throw std::ios_base::failure(file.lastError());
    }
    stamp = file.stamp();
    return bytes;
}

// What tells two contents apart: the CRC of a whole machine file is the same for every valid one (its
// last bytes are the CRC of the rest), so the rest's CRC is taken with those last bytes.
std::uint64_t signatureOf(std::string_view content) {
    const std::size_t tail = std::min(content.size(), DBMowerFile::kCrcSize);
    std::uint32_t last = 0;
    for (std::size_t i = content.size() - tail; i < content.size(); ++i)
        last = last << 8 | static_cast<std::uint8_t>(content[i]);
    return std::uint64_t{Crc32::Compute(content.substr(0, content.size() - tail))} << 32 | last;
}

std::string serializeUnchecked(FXUMowerLog& mowerLog) {
    std::ostringstream out(std::ios_base::binary);
    mowerLog.WriteToStream(out);
    std::string content = std::move(out).str();
    const auto crc = crcBytes(Crc32::Compute(content));
    content.append(crc.data(), crc.size());
    return content;
}

// Every record read back from the bytes it was written to: a record read in the other form, or from
// bytes shifted by one, differs in its header fields or its image. Reading completes an old type byte.
bool readsBackAsWritten(const FXUMowerLog& written, const FXUMowerLog& read) {
    if (written.records().size() != read.records().size())
        return false;
    return std::equal(written.records().begin(), written.records().end(), read.records().begin(),
                      [](const auto& w, const auto& r) {
                          const FXULog& a = *w.second;
                          const FXULog& b = *r.second;
                          return w.first == r.first && a.hasExtBytes() == b.hasExtBytes() &&
                                 a.identBytes() == b.identBytes() && a.extBytes() == b.extBytes() &&
                                 a.serialNumber() == b.serialNumber() &&
                                 a.bootloaderVersion() == b.bootloaderVersion() &&
                                 a.firmwareVersion() == b.firmwareVersion() &&
                                 (a.typeByte() == b.typeByte() || (a.typeByte() & 0x0F) == 0) &&
                                 a.image() == b.image() && a.hasExtraBlock() == b.hasExtraBlock() &&
                                 a.extraBlock() == b.extraBlock() &&
                                 a.comment().starts_with(b.comment()); // a long comment may be cut
                      });
}

} // namespace

DBMowerFile::DBMowerFile() : mowerHandle_(std::make_unique<FXUMowerLog>()) {}

bool DBMowerFile::LoadMachineFile() {
    const FXUMowerLog* mowerHandle = mowerHandle_.get();
    // clang-format off
    OSK_ASSERT(mowerHandle!=NULL, "Component/DBMower"); // the text is what the assertion prints
    // clang-format on
    FileStamp stamp;
    const std::string content = readMachineFile(fileName_, stamp);
    try {
        Parse(content, *mowerHandle_);
    } catch (const std::ios_base::failure& error) {
        throw std::ios_base::failure(fileName_ + ": " + error.what());
    }
    onDisk_ = OnDisk{stamp, signatureOf(content)};
    return true;
}

std::string DBMowerFile::FreeAsideName(const std::string& path) {
    std::error_code error;
    std::string aside = path + ".old";
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(aside, error)); ++n)
        aside = path + ".old" + std::to_string(n);
    return aside;
}

bool DBMowerFile::keepOtherVersion(const std::string& target) {
    struct stat status {};
    // Nothing there, or nothing a machine file can be: the write decides.
    if (::stat(target.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return true;
    if (onDisk_ && FileStamp::Of(status) == onDisk_->stamp)
        return true;
    std::string reason;
    const std::optional<std::string> found = InputFile::Read(target, kMaxFileSize, nullptr, &reason);
    if (!found) {
        lastError_ = fileName_ + " changed on disk and cannot be read to be kept: " + reason;
        return false;
    }
    if (onDisk_ && found->size() == onDisk_->stamp.size && signatureOf(*found) == onDisk_->signature) {
        onDisk_->stamp = FileStamp::Of(status); // touched, not changed
        return true;
    }
    const std::string aside = FreeAsideName(target);
    try {
        AtomicFile::write(aside, *found);
    } catch (const std::ios_base::failure& error) {
        lastError_ = fileName_ + " changed on disk and that version cannot be kept: " + error.what();
        return false;
    }
    keptAside_ = aside;
    return true;
}

bool DBMowerFile::SaveMachineFile() {
    const std::string& fileName = fileName_;
    // clang-format off
    OSK_ASSERT(fileName!="", "Component/DBMower"); // the text is what the assertion prints
    // clang-format on
    std::string content;
    try {
        content = Serialize(*mowerHandle_);
    } catch (const std::ios_base::failure& error) {
        lastError_ = fileName_ + ": " + error.what();
        return false;
    }
    keptAside_.clear();
    if (!keepOtherVersion(AtomicFile::Resolve(fileName_)))
        return false;
    try {
        onDisk_ = OnDisk{AtomicFile::write(fileName_, content), signatureOf(content)};
    } catch (const std::ios_base::failure& error) {
        lastError_ = error.what(); // names the file already
        return false;
    }
    lastError_.clear();
    return true;
}

bool DBMowerFile::CheckFileCrc(std::istream& in) {
    const std::streamoff length = streamLength(in);
    if (length < static_cast<std::streamoff>(kCrcSize))
        return false;
    std::uint32_t crc = 0;
    bool complete = crcOfNext(in, length - static_cast<std::streamoff>(kCrcSize), crc);
    std::array<char, kCrcSize> stored{};
    if (complete) {
        in.read(stored.data(), stored.size());
        complete = in.gcount() == static_cast<std::streamsize>(stored.size());
    }
    in.clear();
    in.seekg(0);
    return complete && crcBytes(crc) == stored;
}

bool DBMowerFile::AppendFileCrc(std::iostream& io) {
    const std::streamoff length = streamLength(io);
    std::uint32_t crc = 0;
    if (length < 0 || !crcOfNext(io, length, crc))
        return false;
    io.seekp(0, std::ios_base::end);
    const auto bytes = crcBytes(crc);
    io.write(bytes.data(), bytes.size());
    io.flush();
    return !io.fail();
}

std::string DBMowerFile::Serialize(FXUMowerLog& mowerLog) {
    const std::string content = serializeUnchecked(mowerLog);
    // The two header forms share their bytes, so a rare sequence of records would read back as other
    // records. Such a file is never written: the one on disk stays as it was.
    FXUMowerLog back;
    bool same = false;
    try {
        Parse(content, back);
        same = readsBackAsWritten(mowerLog, back);
    } catch (const std::ios_base::failure&) {
    }
    if (!same)
        throw std::ios_base::failure("its records would not read back as they are");
    return content;
}

void DBMowerFile::Parse(std::string_view content, FXUMowerLog& mowerLog) {
    // Too short to hold a CRC is as corrupt as a wrong one, and nothing outside the bytes is read.
    if (content.size() < kCrcSize)
        throw FXUCrc_error();
    const std::string_view body = content.substr(0, content.size() - kCrcSize);
    const auto stored = reinterpret_cast<const std::uint8_t*>(content.data() + body.size());
    if (Crc32::Compute(body) != byteorder::getLE32(stored))
        throw FXUCrc_error();

    // The stream ends where the CRC begins, so no record can read into it.
    MemoryBuffer buffer(body);
    std::istream in(&buffer);
    in.exceptions(std::ios_base::failbit | std::ios_base::badbit);
    FXUMowerLog loaded;
    loaded.ReadFromStream(in, /*toEnd=*/true);
    mowerLog = std::move(loaded);
}
