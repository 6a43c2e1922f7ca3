#include "core/base/CLogger.h"

#include "core/base/AtomicFile.h"
#include "core/base/InputFile.h"
#include "core/base/StreamFailure.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>

namespace {

std::unique_ptr<CLogger> gInstance;

// Characters 1-2, 4-5, ... of a line as a two-digit decimal number.
std::optional<int> twoDigits(std::string_view line, std::size_t pos) {
    if (line.size() < pos + 2)
        return std::nullopt;
    const char hi = line[pos];
    const char lo = line[pos + 1];
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9')
        return std::nullopt;
    return (hi - '0') * 10 + (lo - '0');
}

std::optional<LogEntry> parseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.size() > CLogger::kMaxLineLength)
        line = line.substr(0, CLogger::kMaxLineLength);
    const auto day = twoDigits(line, 0);
    const auto month = twoDigits(line, 3);
    const auto hour = twoDigits(line, 6);
    const auto minute = twoDigits(line, 9);
    const auto second = twoDigits(line, 12);
    const auto hundredths = twoDigits(line, 15);
    if (!day || !month || !hour || !minute || !second || !hundredths)
        return std::nullopt;
    LogEntry entry;
    entry.day = static_cast<std::int8_t>(*day);
    entry.month = static_cast<std::int8_t>(*month);
    entry.hour = static_cast<std::uint8_t>(*hour);
    entry.minute = static_cast<std::uint8_t>(*minute);
    entry.second = static_cast<std::uint8_t>(*second);
    entry.hundredths = static_cast<std::uint8_t>(*hundredths);
    if (line.size() > 20)
        entry.text = std::string(line.substr(20));
    return entry;
}

} // namespace

CLogger* CLogger::getInstance() {
    if (!gInstance)
        gInstance.reset(new CLogger());
    return gInstance.get();
}

void CLogger::destroyInstance() {
    std::cout << "Appel du destructeur" << std::endl;
    // Taken out first: the instance is gone even when writing fails.
    const std::unique_ptr<CLogger> logger = std::move(gInstance);
    if (logger)
        logger->writeFile();
}

void CLogger::open(const std::string& fileName) {
    fileName_ = fileName;
    const std::optional<std::string> content = InputFile::Read(fileName);
    if (!content)
        throw StreamFailure("cannot open/create file log on opening");
    entries_ = parseEntries(*content);
}

std::deque<LogEntry> CLogger::parseEntries(std::string_view content) {
    std::deque<LogEntry> entries;
    // A last line without a line feed is not read back.
    std::size_t start = 0;
    for (std::size_t end = content.find('\n'); end != std::string_view::npos;
         end = content.find('\n', start)) {
        if (auto entry = parseLine(content.substr(start, end - start)))
            entries.push_back(std::move(*entry));
        start = end + 1;
    }
    return entries;
}

void CLogger::log(const std::string& text) {
    LogEntry entry = timeSource_();
    entry.text = text;
    entries_.push_back(std::move(entry));
    if (static_cast<std::int64_t>(entries_.size()) > limit_)
        entries_.pop_front();
    if (listener_)
        listener_(text);
}

std::string CLogger::formatLine(const LogEntry& e) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d %02dH%02dm%02ds%02d : ", e.day, e.month, e.hour, e.minute,
                  e.second, e.hundredths);
    return stamp + e.text;
}

LogEntry CLogger::localTimeNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    LogEntry e;
    e.year = local.tm_year + 1900;
    e.month = static_cast<std::int8_t>(local.tm_mon + 1);
    e.day = static_cast<std::int8_t>(local.tm_mday);
    e.hour = static_cast<std::uint8_t>(local.tm_hour);
    e.minute = static_cast<std::uint8_t>(local.tm_min);
    e.second = static_cast<std::uint8_t>(local.tm_sec);
    e.hundredths = static_cast<std::uint8_t>(ms / 10);
    return e;
}

void CLogger::writeFile() const {
    std::string content;
    for (const LogEntry& entry : entries_)
        content += formatLine(entry) + "\r\n";
    AtomicFile::write(fileName_, content);
}
