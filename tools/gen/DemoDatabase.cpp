#include "tools/gen/DemoDatabase.h"

#include "core/base/StreamFailure.h"
#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <cstdio>
#include <filesystem>
#include <ios>
#include <set>

int DemoDatabase::Write(const std::string& directory, int machines, std::uint32_t seed) {
    std::filesystem::create_directories(directory);
    // Never mixed into a database that is there already, a dealer's or an earlier demo.
    if (std::filesystem::exists(FXUCheckDir::Join(directory, FXUCheckDir::kCheckFileName)))
        throw StreamFailure(directory + " already holds a database");
    FXUCheckDir checker;
    checker.SetDataDir(directory);
    checker.SetCheckDir(directory);
    HistoryGenerator generator(seed);
    std::set<std::uint32_t> serials;
    int made = 0;
    for (std::size_t i = 0; made < machines; ++i) {
        // Every type in turn, so each tile picture shows up.
        const auto type = HistoryGenerator::kTypeCodes[i % HistoryGenerator::kTypeCodes.size()];
        auto machine = generator.machine(6, type);
        if (!serials.insert(machine->serialNumber()).second)
            continue;
        DBMowerFile file;
        file.SetFileName(FXUCheckDir::Join(directory, FXUCheckDir::MachineFileName(machine->serialNumber())));
        file.mowerLog() = std::move(*machine);
        char serialText[16];
        std::snprintf(serialText, sizeof serialText, "%08X", file.mowerLog().serialNumber());
        if (!file.SaveMachineFile() || !checker.AddEntry(serialText))
            throw StreamFailure("cannot write the demo database in " + directory);
        ++made;
    }
    return made;
}
