#include "apps/inspect/UpgradeJson.h"

#include "core/link/LinkLog.h"
#include "core/link/UpgradeFile.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

namespace {

std::string latin1ToUtf8(std::string_view bytes) {
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

// One array member of the top-level object, one element per line as they come.
class ArrayWriter {
public:
    ArrayWriter(std::ostream& out, const char* key) : out_(out) { out_ << "  \"" << key << "\": ["; }
    void add(const nlohmann::json& element) {
        out_ << (first_ ? "\n    " : ",\n    ") << element.dump();
        first_ = false;
    }
    void end() { out_ << (first_ ? "]" : "\n  ]"); }

private:
    std::ostream& out_;
    bool first_ = true;
};

} // namespace

void UpgradeJson::write(const UpgradeFile& file, std::ostream& out) {
    // Members in nlohmann's order (by key), so the output reads as before.
    out << "{\n";
    ArrayWriter rows(out, "rows");
    for (std::size_t i = 0; i < file.rowCount(); ++i)
        rows.add(latin1ToUtf8(file.row(i)));
    rows.end();
    out << ",\n";

    ArrayWriter sectionLog(out, "sectionLog");
    for (std::size_t i = 1; i < file.rowCount(); ++i)
        if (const UpgradeFile::Section* section = UpgradeFile::sectionOf(file.row(i)))
            sectionLog.add(LinkLog::sectionStart(*section));
    sectionLog.end();
    out << ",\n";

    ArrayWriter sends(out, "sends");
    std::uint8_t command = 0;
    for (std::size_t i = 1; i < file.rowCount(); ++i) {
        const std::string_view row = file.row(i);
        if (const UpgradeFile::Section* section = UpgradeFile::sectionOf(row)) {
            command = section->command;
            continue;
        }
        // Members set one by one keep this order in the object: cmd, data, line.
        nlohmann::json send;
        send["cmd"] = hex({command});
        send["data"] = hex(UpgradeFile::decodeRow(row));
        send["line"] = UpgradeFile::lineOf(i);
        sends.add(send);
    }
    sends.end();
    out << ",\n  \"version\": " << nlohmann::json(latin1ToUtf8(file.versionText())).dump() << "\n}\n";
}
