#pragma once

#include <iosfwd>

class UpgradeFile;

// What an upgrade would do with an accepted file: its version, its rows, the section lines it would log
// and every write command with its row, as JSON. Row texts keep each byte as the character of the same
// code (ISO-8859-1). Written row by row, so a file of millions of rows costs no more than its own rows.
namespace UpgradeJson {
void write(const UpgradeFile& file, std::ostream& out);
} // namespace UpgradeJson
