#pragma once

#include "core/history/FXULog.h"
#include "core/history/FXULogTime.h"
#include "core/history/InfoFrame.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct DownloadedHistory;

// A history download saved to a file (.bin): the info frame, the 8192-byte image and, for firmware that
// sends one, a length byte and the extra block. Read into the same buffers a serial download fills.
class BinHistoryFile {
public:
    // Anything after the longest possible content is not part of the download.
    static constexpr std::size_t kMaxSize =
        InfoFrame::kExtendedSize + FXULog::kImageSize + 1 + FXULog::kReadableExtraBlock;

    struct Contents {
        InfoFrame frame;
        FXULog::Image image{};
        bool hasExtraBlock = false; // the frame's version sends one; extraBlock may still be empty
        std::vector<std::uint8_t> extraBlock;
        FXULogTime time; // the record time: from the file name, else when the file was read

        // The record a download with these buffers gives.
        std::unique_ptr<FXULog> makeRecord() const;
        // Fills a download's buffers as a serial download with these bytes would have, time included.
        void copyTo(DownloadedHistory& history) const;
    };

    enum class Failure { None, CannotOpen, Incomplete };

    // Reads a whole file into result (changed only on success). On failure, failure() says which and
    // lastError() holds the event-log line for it, naming the file; the caller writes it.
    bool Load(const std::string& path, Contents& result);
    Failure failure() const { return failure_; }
    const std::string& lastError() const { return lastError_; }

    // The bytes of a file; on failure, cutPart (when given) names the part that ends early and result is
    // unchanged. The time is left as it was.
    static bool Parse(const std::uint8_t* data, std::size_t size, Contents& result,
                      std::string* cutPart = nullptr);

    // "2024-03-07_14-05-09_serialdata.txt": the name a history file is given, from which TimeFromPath reads
    // the time back.
    static std::string FileNameFor(const FXULogTime& time);
    // From a path ending in "YYYY?MM?DD?hh?mm?ss?serialdata.txt", that time; from any other path, now.
    static FXULogTime TimeFromPath(const std::string& path);
    // The time an imported record gets: TimeFromPath, but now when the name gives no real date and time.
    // A stored record with an impossible time could be taken for the other header form when read back.
    static FXULogTime RecordTimeFor(const std::string& path);

private:
    bool fail(Failure failure, std::string line);

    Failure failure_ = Failure::None;
    std::string lastError_;
};
