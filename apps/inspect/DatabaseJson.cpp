#include "apps/inspect/DatabaseJson.h"

#include "apps/inspect/RecordJson.h"
#include "core/database/FXUCheckDir.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unistd.h>

namespace {

std::string hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::string hexBytes(const std::string& bytes) {
    std::string text;
    char pair[3];
    for (const char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        text += pair;
    }
    return text;
}

} // namespace

const char* DatabaseJson::reasonText(DBMowerFile::Failure reason) {
    switch (reason) {
    case DBMowerFile::Failure::Crc:
        return "crc";
    case DBMowerFile::Failure::Truncated:
        return "truncated";
    case DBMowerFile::Failure::Format:
        return "format";
    case DBMowerFile::Failure::CannotOpen:
        return "missing";
    case DBMowerFile::Failure::NotRegularFile:
        return "not a regular file";
    case DBMowerFile::Failure::TooLarge:
        return "too large";
    default:
        return "unreadable";
    }
}

nlohmann::ordered_json DatabaseJson::report(const MachineDatabase& database,
                                            const MachineDatabase::LoadReport& load) {
    const FXUCheckDir& check = database.checkDir();
    nlohmann::ordered_json out;
    out["directory"] = database.directory().empty() ? "." : database.directory();
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const std::uint32_t serial : check.entriesRead())
        entries.push_back(hex8(serial));
    out["checkFile"] = {{"present", check.present()}, {"valid", check.valid()}, {"entries", entries}};

    nlohmann::ordered_json machines = nlohmann::ordered_json::array();
    for (const MachineEntry* entry : database.entries()) {
        nlohmann::ordered_json machine = RecordJson::machine(entry->machine());
        machine["file"] = entry->fileName();
        machines.push_back(std::move(machine));
    }
    out["machines"] = std::move(machines);

    nlohmann::ordered_json refused = nlohmann::ordered_json::array();
    // Entries whose file is gone are dropped without a word at a start; here they are named.
    std::set<std::uint32_t> named;
    for (const std::uint32_t serial : check.entriesRead()) {
        const std::string path = database.PathFor(serial);
        if (named.insert(serial).second && ::access(path.c_str(), F_OK) != 0)
            refused.push_back({{"file", path},
                               {"reason", reasonText(DBMowerFile::Failure::CannotOpen)},
                               {"message", "named in the check file, but there is no such file"}});
    }
    for (const MachineDatabase::Refused& file : load.refused)
        refused.push_back(
            {{"file", file.file}, {"reason", reasonText(file.reason)}, {"message", file.message}});
    out["refused"] = std::move(refused);
    out["recovered"] = load.recovered;
    // A refused check file with nothing found beside it is left as it is.
    if (check.valid() || !load.recovered.empty())
        out["checkFileAfter"] = hexBytes(check.contentToWrite());
    else
        out["checkFileAfter"] = nullptr;
    return out;
}
