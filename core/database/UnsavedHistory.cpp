#include "core/database/UnsavedHistory.h"

#include "core/base/AtomicFile.h"
#include "core/base/ByteOrder.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/FXUCheckDir.h"

#include <cstdio>
#include <filesystem>
#include <ios>
#include <system_error>

std::vector<std::uint8_t> UnsavedHistory::HistoryFileBytes(const FXULog& record) {
    std::vector<std::uint8_t> bytes(record.identBytes().begin(), record.identBytes().end());
    if (record.hasExtBytes())
        bytes.insert(bytes.end(), record.extBytes().begin(), record.extBytes().end());
    std::uint8_t block[10];
    block[0] = record.typeByte();
    byteorder::putBE32(block + 1, record.firmwareVersion());
    byteorder::putBE32(block + 5, record.serialNumber());
    block[9] = record.bootloaderVersion();
    bytes.insert(bytes.end(), block, block + sizeof block);
    bytes.insert(bytes.end(), record.image().begin(), record.image().end());
    if (FXULog::HasExtraBlockVersion(record.firmwareVersion())) {
        bytes.push_back(static_cast<std::uint8_t>(record.extraBlock().size()));
        bytes.insert(bytes.end(), record.extraBlock().begin(), record.extraBlock().end());
    }
    return bytes;
}

bool UnsavedHistory::Keep(const FXULog& record) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(record.serialNumber()));
    const std::string machineFolder = FXUCheckDir::Join(folder_, serial);
    path_ = FXUCheckDir::Join(machineFolder, BinHistoryFile::FileNameFor(record.logTime()));
    std::error_code error;
    std::filesystem::create_directories(machineFolder, error);
    if (error) {
        lastError_ = machineFolder + ": " + error.message();
        return false;
    }
    const std::vector<std::uint8_t> bytes = HistoryFileBytes(record);
    try {
        AtomicFile::write(path_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::ios_base::failure& failure) {
        lastError_ = failure.what();
        return false;
    }
    lastError_.clear();
    return true;
}
