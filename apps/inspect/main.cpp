// orvane-inspect: verify and dump machine files and history files as JSON, texts in English.
//
//   orvane-inspect dat FILE   a machine file (database, export or import file)
//   orvane-inspect bin FILE   the record a history file would give when imported
//   orvane-inspect upgrade FILE   what an upgrade would send from an upgrade file

#include "apps/inspect/RecordJson.h"
#include "apps/inspect/UpgradeJson.h"
#include "core/base/FXUCrc_error.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/i18n/FXUStringTable.h"
#include "core/link/LinkLog.h"
#include "core/link/UpgradeFile.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

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

} // namespace

int main(int argc, char** argv) {
    const std::string kind = argc == 3 ? argv[1] : "";
    if (kind != "dat" && kind != "bin" && kind != "upgrade") {
        std::cerr
            << "usage: orvane-inspect dat FILE | orvane-inspect bin FILE | orvane-inspect upgrade FILE\n";
        return kRefused;
    }
    FXUStringTable::getInstance()->SetLanguage(0);
    if (kind == "upgrade")
        return upgrade(argv[2]);
    return kind == "dat" ? dat(argv[2]) : bin(argv[2]);
}
