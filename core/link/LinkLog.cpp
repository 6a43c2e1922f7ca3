#include "core/link/LinkLog.h"

#include "core/link/EComPort.h"

#include <cstdio>
#include <cstring>

namespace LinkLog {

namespace {

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%2.2x ", bytes[i]);
        text += pair;
    }
    return text;
}

} // namespace

std::string tryingPort(const std::string& port) {
    return "Trying port: " + port;
}

std::string couldntOpenPort(const std::string& port) {
    return "Couldn't open port " + port;
}

std::string portRefused(const std::string& port, const EComPort& error) {
    return couldntOpenPort(port) + " : " + reasonOf(error);
}

std::string machineConnected(const std::string& port) {
    return "Machine connected on port: " + port;
}

std::string notInTestMode(const std::string& port) {
    return "not able to pass in test mode (on port)" + port;
}

std::string badEcho(std::optional<std::uint8_t> lastByte, const std::string& port) {
    const std::string value = lastByte ? std::to_string(*lastByte) : "none";
    return "Bad echo or no echo when switch in test mode, received byte: " + value + " on port: " + port;
}

std::string infoFrameTimeout(int bytesWaiting, int countdown) {
    return "info frame timeout, size of received frame :" + std::to_string(bytesWaiting) +
           " infoWaitTime = " + std::to_string(countdown);
}

std::string badInfo(const InfoFrame& frame) {
    std::string text = "Bad info, received buffer is " + hexBytes(frame.identBytes.data(), 6) + " -- ";
    if (frame.hasExtBytes)
        text += " EXT: " + hexBytes(frame.extBytes.data(), 2) + " -- ";
    return text + hexBytes(frame.infoBlock.data(), frame.infoBlock.size());
}

std::string portError(const std::string& port, const EComPort& error) {
    return "Port error on " + port + " : " + reasonOf(error);
}

std::string portLeftOpenFailed(const std::string& port, const EComPort& error) {
    return "Port " + port + " left open fails (" + reasonOf(error) + "): closed and opened again";
}

std::string updateFile(const std::string& path) {
    return "Update file is: " + path;
}

std::string updateFileUnreadable(const std::string& reason) {
    return "Update file cannot be read: " + reason;
}

std::string oddRow(int line) {
    return "Odd number of hex digits at line " + std::to_string(line) + " ";
}

std::string longRow(int line) {
    return "More than 606 hex digits at line " + std::to_string(line) + " ";
}

std::string dataAfterZeroByte(std::size_t offset) {
    return "Update file damaged: data after a zero byte at offset " + std::to_string(offset);
}

std::string sectionStart(const UpgradeFile::Section& section) {
    const std::string_view header = section.header;
    if (header == "[MAIN]")
        return "start main section";
    if (header == "[FIR]")
        return "start fir section";
    return "start ext section";
}

std::string problemSendingCommand(int line) {
    return "problem sending write command at line " + std::to_string(line) + " ";
}

std::string timeoutProgramming(int line) {
    return "timeout when programming line " + std::to_string(line) + " ";
}

std::string nack(int line) {
    return "Received NACK result for line " + std::to_string(line) + " ";
}

std::string unexpectedResult(int line, std::uint8_t answer) {
    char text[32];
    std::snprintf(text, sizeof text, "%d : %2.2x", line, answer);
    return std::string("Unexpected result while programming line ") + text;
}

std::string portErrorProgramming(int line, const EComPort& error) {
    return "Port error while programming line " + std::to_string(line) + " : " + reasonOf(error);
}

std::string couldntLoadHistory(int received, int attempts) {
    return "Couldn't load history : NbBytes loaded: " + std::to_string(received) +
           "//Retry count :" + std::to_string(attempts);
}

std::string loadingSuccessful(std::uint32_t serialNumber) {
    return "Loading history successful machine: " + serialText(serialNumber);
}

std::string insertSuccessful(std::uint32_t serialNumber) {
    return "New log insert successfull machine: " + serialText(serialNumber);
}

std::string serialText(std::uint32_t serialNumber) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", serialNumber);
    return text;
}

std::string reasonOf(const EComPort& error) {
    if (error.systemError() != 0)
        return error.operation() + ": " + std::strerror(error.systemError());
    return error.operation() + " failed";
}

} // namespace LinkLog
