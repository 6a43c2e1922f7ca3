#pragma once

#include "core/history/FXULog.h"
#include "core/history/FXUMowerLog.h"
#include "ui/MachineDirectory.h"

#include <memory>
#include <string>
#include <vector>

// A machine directory for windows whose callers never file, create or save through it: every request is
// refused and nothing is listed.
class UnusedDirectory : public MachineDirectory {
public:
    std::vector<std::string> MachineNumberList() const override { return {}; }
    bool MachineExists(std::uint8_t, std::uint8_t, std::uint8_t, std::int32_t) const override {
        return false;
    }
    bool InsertRecordByMachineNumber(const std::string&, std::unique_ptr<FXULog>&) override { return false; }
    bool CreateMachine(std::unique_ptr<FXUMowerLog>) override { return false; }
    bool SaveMachine(FXUMowerLog&) override { return false; }
    void Arrange() override {}
};
