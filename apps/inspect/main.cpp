// orvane-inspect: verify and dump machine files and history files as JSON, texts in English.
//
//   orvane-inspect dat FILE   a machine file (database, export or import file)
//   orvane-inspect bin FILE   the record a history file would give when imported
//   orvane-inspect upgrade FILE   what an upgrade would send from an upgrade file

#include "apps/inspect/DatabaseJson.h"
#include "apps/inspect/RecordJson.h"
#include "apps/inspect/UpgradeJson.h"
#include "core/base/FXUCrc_error.h"
#include "core/base/ToolOptions.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/i18n/FXUStringTable.h"
#include "core/link/LinkLog.h"
#include "core/link/UpgradeFile.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRefused = 2;

int refuse(const std::string& line) {
    std::cerr << "orvane-inspect: " << line << '\n';
    return kRefused;
}

int dat(const std::string& path) {
    DBMowerFile file;
    file.SetFileName(path);
    try {
        if (!file.LoadMachineFile())
            return refuse(file.lastError());
    } catch (const std::exception& error) {
        return refuse(path + ": " + error.what());
    }
    std::cout << RecordJson::machine(file.mowerLog()).dump(2) << '\n';
    return 0;
}

int bin(const std::string& path) {
    BinHistoryFile reader;
    BinHistoryFile::Contents contents;
    if (!reader.Load(path, contents))
        return refuse(reader.lastError());
    std::cout << RecordJson::record(*contents.makeRecord()).dump(2) << '\n';
    return 0;
}

// A refused file gives the line the upgrade would log for it.
int upgrade(const std::string& path) {
    std::string reason;
    std::optional<UpgradeFile> file = UpgradeFile::read(path, reason);
    if (!file)
        return refuse(LinkLog::updateFileUnreadable(reason));
    if (!file->check())
        return refuse(file->refusal());
    UpgradeJson::write(*file, std::cout);
    return 0;
}

// What a start would load from the folder, read only: no lock is taken and nothing is written.
int db(const std::string& directory) {
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error) || ::access(directory.c_str(), R_OK | X_OK) != 0)
        return refuse(directory + ": not a database folder that can be read");
    MachineDatabase database;
    const MachineDatabase::LoadReport load = database.Load(directory, MachineDatabase::Access::ReadOnly);
    if (load.outOfMemory)
        return refuse(directory + ": not enough memory to load every machine");
    std::cout << DatabaseJson::report(database, load).dump(2) << '\n';
    return 0;
}

} // namespace

constexpr const char* kHelp =
    "usage: orvane-inspect dat FILE | orvane-inspect bin FILE | orvane-inspect upgrade FILE | "
    "orvane-inspect db FOLDER\n"
    "Checks a machine file, a history file, an upgrade file or a database folder (read only) and writes it "
    "as JSON.\n";

int main(int argc, char** argv) {
    if (const auto answered = ToolOptions::Answer(argc, argv, "orvane-inspect", kHelp, std::cout))
        return *answered;
    const std::string kind = argc == 3 ? argv[1] : "";
    if (kind != "dat" && kind != "bin" && kind != "upgrade" && kind != "db") {
        std::cerr
            << "usage: orvane-inspect dat FILE | orvane-inspect bin FILE | orvane-inspect upgrade FILE | "
               "orvane-inspect db FOLDER\n";
        return kRefused;
    }
    FXUStringTable::getInstance()->SetLanguage(0);
    if (kind == "upgrade")
        return upgrade(argv[2]);
    if (kind == "db")
        return db(argv[2]);
    return kind == "dat" ? dat(argv[2]) : bin(argv[2]);
}
