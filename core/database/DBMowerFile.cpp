#include "core/database/DBMowerFile.h"

#include "core/base/Assert.h"
#include "core/base/AtomicFile.h"
#include "core/base/ByteOrder.h"
#include "core/base/FXUCrc_error.h"
#include "core/database/Crc32.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <ios>
#include <istream>
#include <sstream>
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

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios_base::binary);
    if (!in)
        throw std::ios_base::failure("cannot open machine file " + path);
    // One read of the size the file reports, then on to the real end: a directory or device reports a size
    // that does not fit, and a file may have grown since.
    std::string content;
    std::error_code error;
    const auto reported = std::filesystem::file_size(path, error);
    if (!error && reported < (std::uintmax_t{1} << 31)) {
        content.resize(static_cast<std::size_t>(reported));
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(in.gcount()));
    }
    char chunk[4096];
    while (in && (in.read(chunk, sizeof chunk) || in.gcount() > 0))
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        throw std::ios_base::failure("cannot read machine file " + path);
    return content;
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
                                 a.image() == b.image() && a.extraBlock() == b.extraBlock() &&
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
    const std::string content = readWholeFile(fileName_);
    try {
        Parse(content, *mowerHandle_);
    } catch (const std::ios_base::failure& error) {
        throw std::ios_base::failure(fileName_ + ": " + error.what());
    }
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
    try {
        AtomicFile::write(fileName_, content);
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
