#include "core/database/DBMowerFile.h"

#include "core/base/Assert.h"
#include "core/base/AtomicFile.h"
#include "core/base/ByteOrder.h"
#include "core/base/FXUCrc_error.h"
#include "core/base/InputFile.h"
#include "core/base/InputFileBuffer.h"
#include "core/base/StreamFailure.h"
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

// What tells two contents apart: the CRC of a whole machine file is the same for every valid one (its
// last bytes are the CRC of the rest), so the rest's CRC is taken with those last bytes.
std::uint64_t signatureOf(std::uint32_t bodyCrc, std::string_view tail) {
    std::uint32_t last = 0;
    for (const char c : tail)
        last = last << 8 | static_cast<std::uint8_t>(c);
    return std::uint64_t{bodyCrc} << 32 | last;
}

std::uint64_t signatureOf(std::string_view content) {
    const std::size_t tail = std::min(content.size(), DBMowerFile::kCrcSize);
    return signatureOf(Crc32::Compute(content.substr(0, content.size() - tail)),
                       content.substr(content.size() - tail));
}

// The CRC of all but the last 4 bytes of an open file, read a piece at a time, and those 4 bytes; false
// when the file holds fewer or a read fails (the file's failure() then says so).
bool crcInPieces(InputFile& file, std::uint32_t& bodyCrc, std::string& tail) {
    const std::uint64_t size = file.stamp().size;
    if (size < DBMowerFile::kCrcSize)
        return false;
    const std::uint64_t body = size - DBMowerFile::kCrcSize;
    bodyCrc = Crc32::kEmpty;
    std::string piece;
    for (std::uint64_t at = 0; at < body; at += piece.size()) {
        if (!file.ReadAt(at, static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, body - at)), piece) ||
            piece.empty())
            return false;
        bodyCrc = Crc32::Update(bodyCrc, reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
    }
    return file.ReadAt(body, DBMowerFile::kCrcSize, tail) && tail.size() == DBMowerFile::kCrcSize;
}

// Why a load refused a file, thrown only inside this file: LoadMachineFile catches it.
struct Refused {
    DBMowerFile::Failure kind;
    std::string reason;
};

[[noreturn]] void refuseUnread(const InputFile& file) {
    switch (file.failure()) {
    case InputFile::Failure::TooLarge:
        throw Refused{DBMowerFile::Failure::TooLarge, {}};
    case InputFile::Failure::CannotOpen:
        throw Refused{DBMowerFile::Failure::CannotOpen, file.lastError()};
    case InputFile::Failure::NotRegularFile:
        throw Refused{DBMowerFile::Failure::NotRegularFile, file.lastError()};
    default:
        throw Refused{DBMowerFile::Failure::CannotRead, file.lastError()};
    }
}

// The machine block and records of a CRC-checked body; a body whose records end early is a truncated file,
// anything else that does not fit the layout a format fault. The readers try several ways over the same
// bytes, so the stream's state at the end says nothing: their message does, the one every way ending early
// gives.
void readMachine(std::istream& in, FXUMowerLog& mowerLog, bool newestOnly = false) {
    in.exceptions(std::ios_base::failbit | std::ios_base::badbit);
    FXUMowerLog loaded;
    try {
        loaded.ReadFromStream(in, /*toEnd=*/true, newestOnly);
    } catch (const std::ios_base::failure& failure) {
        const std::string reason = failure.what();
        throw Refused{reason.ends_with("ends early") ? DBMowerFile::Failure::Truncated
                                                     : DBMowerFile::Failure::Format,
                      reason};
    }
    mowerLog = std::move(loaded);
}

bool crcMatches(std::string_view content) {
    // Too short to hold a CRC is as corrupt as a wrong one, and nothing outside the bytes is read.
    if (content.size() < DBMowerFile::kCrcSize)
        return false;
    const std::string_view body = content.substr(0, content.size() - DBMowerFile::kCrcSize);
    return Crc32::Compute(body) ==
           byteorder::getLE32(reinterpret_cast<const std::uint8_t*>(content.data() + body.size()));
}

// Reads a whole machine file into mowerLog, which changes only when the file is valid, and tells what
// was read. A small file is read in one piece and parsed from memory; a larger one is checked and parsed
// through a fixed buffer, so no file, whatever its size, costs more memory than the machine it holds.
DBMowerFile::Signature loadFile(const std::string& path, FXUMowerLog& mowerLog, FileStamp& stamp,
                                bool newestOnly = false) {
    InputFile file;
    if (!file.Open(path, DBMowerFile::kMaxFileSize))
        refuseUnread(file);
    stamp = file.stamp();
    // A file longer than the records its machine block announces can be is corrupt, however it ends: a
    // sparse file of gigabytes is refused here, at once.
    const auto refuseOversized = [&file](std::string_view firstBytes) {
        const std::optional<std::uint16_t> count = FXUMowerLog::RecordCountIn(firstBytes);
        if (count && file.stamp().size > DBMowerFile::MaxFileSize(*count))
            throw Refused{DBMowerFile::Failure::TooLarge, {}};
    };

    if (file.stamp().size <= DBMowerFile::kWholeReadLimit) {
        // One read per file into a buffer each loading thread keeps: a start reads thousands of files.
        thread_local std::string bytes;
        if (!file.ReadAll(bytes))
            refuseUnread(file);
        refuseOversized(std::string_view(bytes).substr(0, FXUMowerLog::kMaxMachineBlock));
        // Too short to hold a CRC is as corrupt as a wrong one.
        if (bytes.size() < DBMowerFile::kCrcSize)
            throw Refused{DBMowerFile::Failure::Crc, {}};
        const std::string_view body = std::string_view(bytes).substr(0, bytes.size() - DBMowerFile::kCrcSize);
        const std::string_view tail = std::string_view(bytes).substr(body.size());
        const std::uint32_t bodyCrc = Crc32::Compute(body);
        if (bodyCrc != byteorder::getLE32(reinterpret_cast<const std::uint8_t*>(tail.data())))
            throw Refused{DBMowerFile::Failure::Crc, {}};
        MemoryBuffer buffer(body);
        std::istream in(&buffer);
        readMachine(in, mowerLog, newestOnly);
        const DBMowerFile::Signature signature = signatureOf(bodyCrc, tail);
        // A file that grew while it was read must not leave its size held for the rest of the run.
        if (bytes.capacity() > DBMowerFile::kWholeReadLimit + 1)
            std::string().swap(bytes);
        return signature;
    }
    std::string firstBytes;
    if (!file.ReadAt(0, FXUMowerLog::kMaxMachineBlock, firstBytes))
        refuseUnread(file);
    refuseOversized(firstBytes);
    std::uint32_t bodyCrc = 0;
    std::string tail;
    if (!crcInPieces(file, bodyCrc, tail)) {
        if (file.failure() == InputFile::Failure::CannotRead)
            refuseUnread(file);
        throw Refused{DBMowerFile::Failure::Crc, {}};
    }
    if (bodyCrc != byteorder::getLE32(reinterpret_cast<const std::uint8_t*>(tail.data())))
        throw Refused{DBMowerFile::Failure::Crc, {}};
    // The stream ends where the CRC begins, so no record can read into it.
    InputFileBuffer buffer(file, file.stamp().size - DBMowerFile::kCrcSize);
    std::istream in(&buffer);
    try {
        readMachine(in, mowerLog, newestOnly);
    } catch (const Refused&) {
        if (file.failure() == InputFile::Failure::CannotRead)
            refuseUnread(file);
        throw;
    }
    return signatureOf(bodyCrc, tail);
}

// The signature of the file at path as it is now; nothing, with reason, when it cannot be read.
std::optional<DBMowerFile::Signature> signatureOfFile(const std::string& path, std::string& reason) {
    InputFile file;
    std::uint32_t bodyCrc = 0;
    std::string tail;
    if (!file.Open(path, DBMowerFile::kMaxFileSize)) {
        reason = file.lastError();
        return std::nullopt;
    }
    if (crcInPieces(file, bodyCrc, tail))
        return signatureOf(bodyCrc, tail);
    if (file.failure() != InputFile::Failure::None) {
        reason = file.lastError();
        return std::nullopt;
    }
    // Shorter than a CRC: its bytes alone tell it apart.
    std::string bytes;
    if (!file.ReadAll(bytes)) {
        reason = file.lastError();
        return std::nullopt;
    }
    return signatureOf(bytes);
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

bool DBMowerFile::LoadSummary() {
    return load(true);
}

bool DBMowerFile::LoadMachineFile() {
    return load(false);
}

bool DBMowerFile::load(bool summary) {
    const FXUMowerLog* mowerHandle = mowerHandle_.get();
    // clang-format off
    OSK_ASSERT(mowerHandle!=NULL, "Component/DBMower"); // the text is what the assertion prints
    // clang-format on
    FileStamp stamp;
    Signature signature = 0;
    try {
        signature = loadFile(fileName_, *mowerHandle_, stamp, summary);
    } catch (const Refused& refused) {
        failure_ = refused.kind;
        if (refused.kind == Failure::Crc || refused.kind == Failure::TooLarge)
            lastError_ = fileName_ + ": corrupted file (CRC does not match)";
        else // a reason from the file layer names the file already
            lastError_ =
                refused.reason.starts_with(fileName_) ? refused.reason : fileName_ + ": " + refused.reason;
        return false;
    }
    onDisk_ = OnDisk{stamp, signature};
    failure_ = Failure::None;
    recordsLoaded_ = !summary;
    if (summary)
        mowerHandle_->DropRecords();
    lastError_.clear();
    return true;
}

bool DBMowerFile::LoadRecords() {
    if (recordsLoaded_)
        return true;
    if (!onDisk_) {
        lastError_ = fileName_ + ": its records were never read";
        return false;
    }
    FXUMowerLog loaded;
    FileStamp stamp;
    Signature signature = 0;
    try {
        signature = loadFile(fileName_, loaded, stamp);
    } catch (const Refused& refused) {
        failure_ = refused.kind;
        lastError_ =
            fileName_ + ": cannot be read again: " +
            (refused.reason.empty() ? std::string("corrupted file (CRC does not match)") : refused.reason);
        return false;
    }
    // Mixing the records of another version with what the list shows of this one would file records under
    // the wrong owner, and a save would then replace the other program's version.
    if (signature != onDisk_->signature) {
        lastError_ = fileName_ + ": changed on disk since it was loaded";
        return false;
    }
    onDisk_->stamp = stamp;
    *mowerHandle_ = std::move(loaded);
    recordsLoaded_ = true;
    lastError_.clear();
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
    if (onDisk_ && static_cast<std::uint64_t>(status.st_size) == onDisk_->stamp.size) {
        std::string reason;
        const std::optional<Signature> found = signatureOfFile(target, reason);
        if (!found) {
            lastError_ = fileName_ + " changed on disk and cannot be read to be kept: " + reason;
            return false;
        }
        if (*found == onDisk_->signature) {
            onDisk_->stamp = FileStamp::Of(status); // touched, not changed
            return true;
        }
    }
    // A second name for the same file keeps that version without reading it; where the file system has
    // no links, a copy.
    const std::string aside = FreeAsideName(target);
    if (::link(target.c_str(), aside.c_str()) != 0) {
        std::error_code error;
        if (!std::filesystem::copy_file(target, aside, error)) {
            lastError_ = fileName_ + " changed on disk and that version cannot be kept: " + error.message();
            return false;
        }
    }
    keptAside_ = aside;
    return true;
}

bool DBMowerFile::SaveMachineFile() {
    const std::string& fileName = fileName_;
    // clang-format off
    OSK_ASSERT(fileName!="", "Component/DBMower"); // the text is what the assertion prints
    // clang-format on
    if (!recordsLoaded_) {
        lastError_ = fileName_ + ": its records are not loaded, so it is not written";
        return false;
    }
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
        throw StreamFailure("its records would not read back as they are");
    return content;
}

void DBMowerFile::Parse(std::string_view content, FXUMowerLog& mowerLog) {
    if (!crcMatches(content))
        throw FXUCrc_error();
    MemoryBuffer buffer(content.substr(0, content.size() - kCrcSize));
    std::istream in(&buffer);
    try {
        readMachine(in, mowerLog);
    } catch (const Refused& refused) {
        throw StreamFailure(refused.reason);
    }
}
