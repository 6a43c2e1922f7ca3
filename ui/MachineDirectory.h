#pragma once

#include "core/history/FXULog.h"
#include "core/history/FXUMowerLog.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the dialogs need of the machine list: the machines by number text and identity, filing a record
// into one of them, creating one, saving an edited one, and re-sorting after an edit. The list implements
// it; tests fake it.
class MachineDirectory {
public:
    virtual ~MachineDirectory() = default;

    // Machine number texts of all machines, in display order.
    virtual std::vector<std::string> MachineNumberList() const = 0;
    virtual bool MachineExists(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                               std::int32_t machineNumber) const = 0;
    // Files the record into the first machine with exactly that number text; takes it only on success.
    // False when no machine has the text or that machine already has a record at the record's time.
    virtual bool InsertRecordByMachineNumber(const std::string& machineNumberText,
                                             std::unique_ptr<FXULog>& record) = 0;
    // Adds a new machine (its file is written at once and entered in the check file) and opens its window.
    virtual bool CreateMachine(std::unique_ptr<FXUMowerLog> machine) = 0;
    // Writes that machine's file at once. False, after the user was told, when it could not be written; the
    // machine keeps its edits and its window has them saved at close.
    virtual bool SaveMachine(FXUMowerLog& machine) = 0;
    // Sorts and lays out the tiles again, repainting them with the machines' current texts.
    virtual void Arrange() = 0;
};
