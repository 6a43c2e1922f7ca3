#include "apps/machine-sim/ExpectedRows.h"

#include "core/base/InputFile.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::vector<std::string> splitRows(const std::string& text) {
    const std::string content = text.substr(0, text.find('\0'));
    std::vector<std::string> rows;
    std::string row;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n') {
            row += c;
            continue;
        }
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        rows.push_back(row);
        row.clear();
    }
    if (!row.empty())
        rows.push_back(row);
    return rows;
}

} // namespace

std::optional<std::vector<ExpectedRow>> ExpectedRows::Parse(const std::string& text, std::string& error) {
    const std::vector<std::string> rows = splitRows(text);
    if (rows.size() < 2 || rows[0].size() != 10 || rows[0].compare(5, 5, "[TAG]") != 0) {
        error = "no tag row";
        return std::nullopt;
    }
    std::vector<ExpectedRow> result;
    std::uint8_t command = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string& row = rows[i];
        if (row == "[MAIN]" || row == "[FIR]" || row == "[EXT]") {
            command = row == "[MAIN]" ? 0x50 : row == "[FIR]" ? 0x51 : 0x52;
            continue;
        }
        if (command == 0) {
            error = "no section header on line 2";
            return std::nullopt;
        }
        ExpectedRow expected;
        expected.command = command;
        expected.line = static_cast<int>(i) + 1;
        // As the PC decodes: a pair that is not two hexadecimal digits is 0xFF, an odd last digit is dropped.
        for (std::size_t at = 0; at + 1 < row.size(); at += 2) {
            const int high = hexValue(row[at]);
            const int low = hexValue(row[at + 1]);
            expected.bytes.push_back(high < 0 || low < 0 ? 0xFF : static_cast<std::uint8_t>(high * 16 + low));
        }
        result.push_back(std::move(expected));
    }
    return result;
}

std::optional<std::vector<ExpectedRow>> ExpectedRows::Load(const std::string& path, std::string& error) {
    const std::optional<std::string> text = InputFile::Read(path);
    if (!text) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    auto rows = Parse(*text, error);
    if (!rows)
        error += " in " + path;
    return rows;
}
