#pragma once

#include <nlohmann/json.hpp>

class UpgradeFile;

// What an upgrade would do with an accepted file: its version, its rows, the section lines it would log
// and every write command with its row, as JSON. Row texts keep each byte as the character of the same
// code (ISO-8859-1).
namespace UpgradeJson {
nlohmann::json file(const UpgradeFile& file);
} // namespace UpgradeJson
