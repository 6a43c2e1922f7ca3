#include "core/database/BinHistoryFile.h"

#include "core/base/InputFile.h"
#include "core/history/DownloadedHistory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

constexpr const char* kTimeSuffix = "serialdata.txt";
constexpr std::size_t kTimeNameLength = 34; // "YYYY?MM?DD?hh?mm?ss?serialdata.txt"

InfoFrame frameAt(const std::uint8_t* data, bool extended) {
    InfoFrame frame;
    std::copy(data, data + 6, frame.identBytes.begin());
    frame.hasExtBytes = extended;
    if (extended)
        std::copy(data + 6, data + 8, frame.extBytes.begin());
    const std::uint8_t* block = data + (extended ? 8 : 6);
    std::copy(block, block + frame.infoBlock.size(), frame.infoBlock.begin());
    return frame;
}

// The decimal number at the start of the field; a character before the path's start counts as no digit.
std::uint16_t leadingNumber(const std::string& path, std::size_t fromEnd, std::size_t width) {
    if (fromEnd > path.size())
        return 0;
    std::uint16_t value = 0;
    for (std::size_t i = path.size() - fromEnd; i < path.size() - fromEnd + width; ++i) {
        const char c = path[i];
        if (c < '0' || c > '9')
            break;
        value = static_cast<std::uint16_t>(value * 10 + (c - '0'));
    }
    return value;
}

} // namespace

std::string BinHistoryFile::FileNameFor(const FXULogTime& time) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d_serialdata.txt", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return name;
}

std::unique_ptr<FXULog> BinHistoryFile::Contents::makeRecord() const {
    // An empty block is offered too: the record refuses it, and says so in the log.
    return frame.makeRecord(image.data(), hasExtraBlock ? &extraBlock : nullptr, time);
}

void BinHistoryFile::Contents::copyTo(DownloadedHistory& history) const {
    history.frame = frame;
    std::copy(image.begin(), image.end(), history.buffer.begin());
    history.hasExtraBlock = hasExtraBlock;
    history.extraLength = 0;
    std::size_t received = FXULog::kImageSize;
    if (hasExtraBlock) {
        // Parse took the block after a length byte, so it is never longer than that byte can say.
        history.extraLength = static_cast<std::uint8_t>(extraBlock.size());
        history.buffer[DownloadedHistory::kExtraLengthAt] = history.extraLength;
        std::copy(extraBlock.begin(), extraBlock.end(),
                  history.buffer.begin() + DownloadedHistory::kExtraLengthAt + 1);
        received += 1 + extraBlock.size();
    }
    history.received = static_cast<std::uint16_t>(received);
    history.time = time;
}

bool BinHistoryFile::Parse(const std::uint8_t* data, std::size_t size, Contents& result,
                           std::string* cutPart) {
    auto cut = [cutPart](const char* part) {
        if (cutPart)
            *cutPart = part;
        return false;
    };
    if (size < InfoFrame::kPlainSize)
        return cut("info frame");

    // The form test reads bytes 7..9 where the plain form keeps the version; in an extended frame they are
    // other fields and can mislead it. A frame that only the other form makes valid is in that form.
    const bool decided = FXULog::HasExtendedHeader(data[1], data[7], data[8], data[9]);
    bool extended = decided;
    if (size >= InfoFrame::kExtendedSize && !frameAt(data, decided).isValid() &&
        frameAt(data, !decided).isValid())
        extended = !decided;
    const std::size_t frameSize = extended ? InfoFrame::kExtendedSize : InfoFrame::kPlainSize;
    if (size < frameSize)
        return cut("info frame");
    const InfoFrame frame = frameAt(data, extended);

    std::size_t at = frameSize;
    if (size - at < FXULog::kImageSize)
        return cut("history image");
    const std::uint8_t* image = data + at;
    at += FXULog::kImageSize;

    const bool hasExtraBlock = FXULog::HasExtraBlockVersion(frame.firmwareVersion());
    std::vector<std::uint8_t> extraBlock;
    if (hasExtraBlock) {
        if (at >= size)
            return cut("extra block");
        const std::size_t length = data[at++];
        if (size - at < length)
            return cut("extra block");
        extraBlock.assign(data + at, data + at + length);
    }

    result.frame = frame;
    std::copy(image, image + FXULog::kImageSize, result.image.begin());
    result.hasExtraBlock = hasExtraBlock;
    result.extraBlock = std::move(extraBlock);
    return true;
}

bool BinHistoryFile::fail(Failure failure, std::string line) {
    failure_ = failure;
    lastError_ = std::move(line);
    return false;
}

bool BinHistoryFile::Load(const std::string& path, Contents& result) {
    failure_ = Failure::None;
    lastError_.clear();
    // Any size: what follows the longest possible content is not read. A FIFO or device is not waited on.
    InputFile file;
    std::string read;
    if (!file.Open(path, UINT64_MAX) || !file.ReadAt(0, kMaxSize, read))
        return fail(Failure::CannotOpen, "error opening bin file: " + path);
    const std::vector<std::uint8_t> bytes(read.begin(), read.end());

    Contents contents;
    std::string cutPart;
    if (!Parse(bytes.data(), bytes.size(), contents, &cutPart))
        return fail(Failure::Incomplete, "bin file incomplete, it ends inside the " + cutPart + ": " + path);
    contents.time = RecordTimeFor(path);
    result = std::move(contents);
    return true;
}

FXULogTime BinHistoryFile::TimeFromPath(const std::string& path) {
    const std::string suffix = kTimeSuffix;
    if (path.size() < suffix.size() || path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0)
        return FXULogTime();
    const std::size_t n = kTimeNameLength;
    return FXULogTime(leadingNumber(path, n, 4), static_cast<std::uint8_t>(leadingNumber(path, n - 5, 2)),
                      static_cast<std::uint8_t>(leadingNumber(path, n - 8, 2)),
                      static_cast<std::uint8_t>(leadingNumber(path, n - 11, 2)),
                      static_cast<std::uint8_t>(leadingNumber(path, n - 14, 2)),
                      static_cast<std::uint8_t>(leadingNumber(path, n - 17, 2)));
}

FXULogTime BinHistoryFile::RecordTimeFor(const std::string& path) {
    const FXULogTime fromName = TimeFromPath(path);
    return fromName.isPlausible() ? fromName : FXULogTime();
}
