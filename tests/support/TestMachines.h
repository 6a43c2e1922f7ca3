#pragma once

#include "core/database/DBMowerFile.h"
#include "core/history/FXUMowerLog.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <cstdint>
#include <memory>
#include <string>

// Small machines of two records each, their files and check-file entries, for the database's tests.
namespace testmachines {

struct TestMachine {
    std::uint32_t serial = 0;
    std::string name = "Name";
    std::string firstName = "First";
    std::uint8_t typeCode = 4;
    std::int32_t number = 1;
};

inline FXULogTime timeOf(int index) {
    return FXULogTime(2023, 5, static_cast<std::uint8_t>(1 + index), 10, 0, 0);
}

inline std::unique_ptr<FXULog> makeRecord(std::uint32_t serial, const FXULogTime& time) {
    HistoryGenerator generator(serial ^ time.day);
    HistoryFeatures features;
    features.layout = 3;
    auto record = generator.record(features);
    record->SetSerialNumber(serial);
    record->SetLogTime(time);
    return record;
}

inline std::unique_ptr<FXUMowerLog> makeMachine(const TestMachine& wanted) {
    auto machine = std::make_unique<FXUMowerLog>();
    machine->SetName(wanted.name);
    machine->SetFirstName(wanted.firstName);
    machine->SetTypeCode(wanted.typeCode);
    machine->SetMachineNumber(wanted.number);
    machine->SetYear(21);
    machine->SetFactoryFlag(1);
    for (int i = 0; i < 2; ++i) {
        auto record = makeRecord(wanted.serial, timeOf(i));
        machine->Insert(timeOf(i), record);
    }
    return machine;
}

// Little-endian serial number, then the 16-bit sum of its four bytes.
inline std::string checkEntry(std::uint32_t serial, int sum = -1) {
    const int b[4] = {int(serial & 0xFF), int(serial >> 8 & 0xFF), int(serial >> 16 & 0xFF),
                      int(serial >> 24)};
    if (sum < 0)
        sum = b[0] + b[1] + b[2] + b[3];
    return {char(b[0]), char(b[1]), char(b[2]), char(b[3]), char(sum & 0xFF), char(sum >> 8)};
}

inline std::unique_ptr<FXUMowerLog> readBack(const std::string& path) {
    auto machine = std::make_unique<FXUMowerLog>();
    DBMowerFile::Parse(TempDir::read(path), *machine);
    return machine;
}

inline std::string machineFileName(std::uint32_t serial) {
    char name[16];
    std::snprintf(name, sizeof name, "%08X.dat", static_cast<unsigned>(serial));
    return name;
}

} // namespace testmachines
