#pragma once

#include "apps/machine-sim/MachineConfig.h"
#include "apps/machine-sim/MachineContents.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The simulator's command line.
struct SimOptions {
    std::string linkPath;    // a stable symlink to the device
    std::string tracePath;   // what the machine received, one line per command or row
    std::string saveBinPath; // the .bin file a download from this machine gives
    std::string binPath;     // the machine's info frame, image and extra block
    std::string datPath;     // a machine file: the machine as its newest record shows it
    std::string qvlPath;     // the upgrade file the PC will send
    bool exitAfterUpgrade = false;
    bool help = false;
    std::uint32_t seed = 1;
    MachineContents::Overrides overrides;
    MachineConfig machine;

    // Nothing, with a one-line reason, for arguments the simulator does not take.
    static std::optional<SimOptions> Parse(const std::vector<std::string>& arguments, std::string& error);
    static std::string HelpText();

    // Reads the files the options name: the machine's contents (from --bin, else generated) and the upgrade
    // file's rows into machine.
    std::optional<MachineContents> LoadFiles(std::string& error);
};
