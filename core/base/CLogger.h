#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

// One line of the event log.
struct LogEntry {
    std::uint8_t minute = 0;
    std::uint8_t hour = 0;
    std::uint8_t hundredths = 0;
    std::uint8_t second = 0;
    int year = 0; // stamped when logged; never written nor read back
    std::int8_t day = 0;
    std::int8_t month = 0;
    std::string text; // Windows-1252 bytes, no line end
};

// The service record of what the program did with machines and the database, in English. Kept in memory
// during a run and rewritten whole at orderly shutdown, holding the most recent 200 lines across runs.
class CLogger {
public:
    static constexpr std::int32_t kDefaultLimit = 200;
    static constexpr std::size_t kMaxLineLength = 255;
    using TimeSource = std::function<LogEntry()>; // returns an entry stamped with the local time

    static CLogger* getInstance();
    // Writes the file and destroys the instance. Raises std::ios_base::failure when the file cannot be
    // written; the instance is destroyed all the same.
    static void destroyInstance();

    // Stores the name and reads the file back. Raises std::ios_base::failure when it cannot be read.
    void open(const std::string& fileName);
    void log(const std::string& text);
    // Writes the file now, keeping the instance: what was logged survives the program being killed while
    // it waits (at a logout, the close's question to the dealer). Raises std::ios_base::failure as
    // destroyInstance does.
    void flush() const { writeFile(); }

    const std::deque<LogEntry>& entries() const { return entries_; }
    const std::string& fileName() const { return fileName_; }

    // "08/12 14H05m33s27 : Starting program", without the line end.
    static std::string formatLine(const LogEntry& entry);
    // The entries of a log file's content, as open restores them.
    static std::deque<LogEntry> parseEntries(std::string_view content);
    static LogEntry localTimeNow();
    void setTimeSource(TimeSource source) { timeSource_ = std::move(source); }
    // Also hands every new line's text to listener (a command-line tool echoes the log on its terminal).
    using Listener = std::function<void(const std::string& text)>;
    void setListener(Listener listener) { listener_ = std::move(listener); }

private:
    CLogger() = default;
    void writeFile() const;

    std::string fileName_;
    std::deque<LogEntry> entries_;
    std::int32_t limit_ = kDefaultLimit;
    TimeSource timeSource_ = &CLogger::localTimeNow;
    Listener listener_;
};
