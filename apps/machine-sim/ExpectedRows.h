#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One data row of an upgrade file as the PC sends it: its section's write command byte and its bytes.
struct ExpectedRow {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> bytes;
    int line = 0; // in the file, from 1

    bool operator==(const ExpectedRow&) const = default;
};

// The data rows of an upgrade file, read the way the PC reads it, so that the machine knows where each
// row ends: the row's length never goes over the wire.
class ExpectedRows {
public:
    // Nothing, with the reason in error, when the text is not an upgrade file the PC would send.
    static std::optional<std::vector<ExpectedRow>> Parse(const std::string& text, std::string& error);
    static std::optional<std::vector<ExpectedRow>> Load(const std::string& path, std::string& error);
};
