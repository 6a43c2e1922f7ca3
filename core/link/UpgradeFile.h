#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A firmware upgrade file (*.QVL): text rows, a tag row "VVVVV[TAG]" whose first five characters are the
// version shown to the user, then section headers "[MAIN]", "[FIR]", "[EXT]" each followed by data rows
// of hexadecimal digit pairs that are sent to the machine as they are.
class UpgradeFile {
public:
    static constexpr const char* kDialogFilter = "Varnolt Upgrade File|*.QVL";
    static constexpr std::size_t kRowBufferSize = 303;
    static constexpr std::size_t kMaxRowDigits = 2 * kRowBufferSize;
    // Far more than any firmware; a file larger than this is not an upgrade file.
    static constexpr std::size_t kMaxFileSize = 32 * 1024 * 1024;

    struct Section {
        const char* header;   // "[MAIN]"
        const char* name;     // "MAIN", shown while it is programmed
        std::uint8_t command; // written before each of its data rows
    };

    // Rows end at CR, LF or CR LF; the text ends at the first zero byte. A final line break makes no
    // empty last row.
    explicit UpgradeFile(std::string_view bytes);

    // Reads a file from disk. Only a regular file of at most kMaxFileSize bytes is read, opened so that
    // nothing can block (a named pipe, a device); anything else gives nothing, and reason says why.
    static std::optional<UpgradeFile> read(const std::string& path, std::string& reason);

    const std::vector<std::string>& rows() const { return rows_; }
    // Line number in the file (1-based) of a row index.
    static int lineOf(std::size_t index) { return static_cast<int>(index) + 1; }

    // The checks made before anything is sent: the tag row, a section header on row 1, and data rows
    // that the machine can take as written. False gives refusal(), the event-log line.
    bool check();
    const std::string& refusal() const { return refusal_; }
    // The first five characters of the tag row.
    std::string versionText() const;

    // The section a row opens, or none for a data row. Compared whole and case-sensitively.
    static const Section* sectionOf(const std::string& row);
    // Pairs of hexadecimal digits, either case; a pair that is not two digits gives 0xFF. At most
    // kRowBufferSize bytes: a longer row is refused by check().
    static std::vector<std::uint8_t> decodeRow(const std::string& row);

private:
    bool refuse(std::string line);

    std::vector<std::string> rows_;
    std::string refusal_;
};
