#pragma once

#include "core/database/MachineDatabase.h"

#include <nlohmann/json.hpp>

// What `orvane-inspect db` prints: what a start would load from a database folder and the check file it
// would write, read without writing anything.
class DatabaseJson {
public:
    static nlohmann::ordered_json report(const MachineDatabase& database,
                                         const MachineDatabase::LoadReport& load);
    // "crc", "truncated", "format", "missing", "not a regular file", "too large" or "unreadable".
    static const char* reasonText(DBMowerFile::Failure reason);
};
