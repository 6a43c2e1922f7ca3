#pragma once

#include "core/database/DBMowerFile.h"

#include <cstdint>
#include <string>

// One machine of the database: its machine file and the machine it holds. Its address stays the same for
// the database's life, so views may keep a reference.
class MachineEntry {
public:
    explicit MachineEntry(std::string fileName) { file_.SetFileName(std::move(fileName)); }
    MachineEntry(const MachineEntry&) = delete;
    MachineEntry& operator=(const MachineEntry&) = delete;

    DBMowerFile& file() { return file_; }
    const DBMowerFile& file() const { return file_; }
    FXUMowerLog& machine() { return file_.mowerLog(); }
    const FXUMowerLog& machine() const { return file_.mowerLog(); }
    const std::string& fileName() const { return file_.fileName(); }
    std::uint32_t serialNumber() const { return machine().serialNumber(); }
    std::string serialText() const; // "0001A2F3", from the machine as it is now

private:
    DBMowerFile file_;
};
