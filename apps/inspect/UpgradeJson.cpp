#include "apps/inspect/UpgradeJson.h"

#include "core/link/LinkLog.h"
#include "core/link/UpgradeFile.h"

#include <cstdio>

namespace {

std::string latin1ToUtf8(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

} // namespace

nlohmann::json UpgradeJson::file(const UpgradeFile& file) {
    nlohmann::json rows = nlohmann::json::array();
    for (const std::string& row : file.rows())
        rows.push_back(latin1ToUtf8(row));

    nlohmann::json sectionLog = nlohmann::json::array();
    nlohmann::json sends = nlohmann::json::array();
    std::uint8_t command = 0;
    for (std::size_t i = 1; i < file.rows().size(); ++i) {
        const std::string& row = file.rows()[i];
        if (const UpgradeFile::Section* section = UpgradeFile::sectionOf(row)) {
            command = section->command;
            sectionLog.push_back(LinkLog::sectionStart(*section));
            continue;
        }
        sends.push_back({{"line", UpgradeFile::lineOf(i)},
                         {"cmd", hex({command})},
                         {"data", hex(UpgradeFile::decodeRow(row))}});
    }
    return {{"version", latin1ToUtf8(file.versionText())},
            {"rows", rows},
            {"sectionLog", sectionLog},
            {"sends", sends}};
}
