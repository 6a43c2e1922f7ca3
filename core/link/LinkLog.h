#pragma once

#include "core/history/InfoFrame.h"
#include "core/link/UpgradeFile.h"

#include <cstdint>
#include <optional>
#include <string>

class EComPort;

// The event-log lines of the machine link, in one place: English, whatever the user's language.
namespace LinkLog {

// Detection.
inline constexpr const char* kNoComPort = "No COM port !";
std::string tryingPort(const std::string& port);
std::string couldntOpenPort(const std::string& port);
// A chosen port that could not be opened, with the system's reason.
std::string portRefused(const std::string& port, const EComPort& error);
std::string machineConnected(const std::string& port);
std::string notInTestMode(const std::string& port);
// lastByte: the last byte read in the echo rounds, none when nothing came at all.
std::string badEcho(std::optional<std::uint8_t> lastByte, const std::string& port);
std::string infoFrameTimeout(int bytesWaiting, int countdown);
std::string badInfo(const InfoFrame& frame);
// A port that failed in the middle of an exchange (the adapter was unplugged, say).
std::string portError(const std::string& port, const EComPort& error);
// A port an earlier operation left open that fails now: closed, to be opened again.
std::string portLeftOpenFailed(const std::string& port, const EComPort& error);

// Upgrade file.
inline constexpr const char* kRequestSoftwareUpdate = "Request software update";
std::string updateFile(const std::string& path);
std::string updateFileUnreadable(const std::string& reason);
inline constexpr const char* kNoTag = "NO [TAG]";
inline constexpr const char* kNoMcuTag = "No MCU tag on first row";
std::string oddRow(int line);
std::string longRow(int line);
std::string dataAfterZeroByte(std::size_t offset);
inline constexpr const char* kUpdateCancelled = "Update cancelled by user";

// Programming.
std::string sectionStart(const UpgradeFile::Section& section); // "start main section"
inline constexpr const char* kHistoryFailedProceed =
    "Can not load History during SW upgrade - proceed further";
inline constexpr const char* kSynchroFailed = "waitForSynchro return false";
std::string problemSendingCommand(int line);
std::string timeoutProgramming(int line);
std::string nack(int line);
std::string unexpectedResult(int line, std::uint8_t answer);
std::string portErrorProgramming(int line, const EComPort& error);

// History download.
inline constexpr const char* kRequestLoadingHistory = "Request loading history";
std::string couldntLoadHistory(int received, int attempts);
std::string loadingSuccessful(std::uint32_t serialNumber);
std::string insertSuccessful(std::uint32_t serialNumber);

// "0412ABCD".
std::string serialText(std::uint32_t serialNumber);
// What the system said, for a log line: "Permission denied", or the failed operation when it said nothing.
std::string reasonOf(const EComPort& error);

} // namespace LinkLog
