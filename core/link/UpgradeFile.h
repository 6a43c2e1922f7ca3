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
    explicit UpgradeFile(std::string_view bytes) : UpgradeFile(std::string(bytes)) {}
    explicit UpgradeFile(const char* bytes) : UpgradeFile(std::string_view(bytes)) {}
    explicit UpgradeFile(std::string&& bytes);

    // Reads a file from disk. Only a regular file of at most kMaxFileSize bytes is read, opened so that
    // nothing can block (a named pipe, a device); anything else gives nothing, and reason says why.
    static std::optional<UpgradeFile> read(const std::string& path, std::string& reason);

    std::size_t rowCount() const { return starts_.size(); }
    // Valid while the file lives.
    std::string_view row(std::size_t index) const;
    // Line number in the file (1-based) of a row index.
    static int lineOf(std::size_t index) { return static_cast<int>(index) + 1; }

    // The checks made before anything is sent: nothing but padding after the text, the tag row, a section
    // header on row 1, and data rows that the machine can take as written. False gives refusal(), the
    // event-log line.
    bool check();
    const std::string& refusal() const { return refusal_; }
    // The first five characters of the tag row.
    std::string versionText() const;

    // The section a row opens, or none for a data row. Compared whole and case-sensitively.
    static const Section* sectionOf(std::string_view row);
    // Pairs of hexadecimal digits, either case; a pair that is not two digits gives 0xFF. At most
    // kRowBufferSize bytes: a longer row is refused by check().
    static std::vector<std::uint8_t> decodeRow(std::string_view row);

private:
    bool refuse(std::string line);

    std::string text_; // up to the first zero byte
    // Where each row starts in the text: millions of short rows cost four bytes each, not a string each.
    // A row ends at the line break before the next row's start, the last one at lastEnd_.
    std::vector<std::uint32_t> starts_;
    std::uint32_t lastEnd_ = 0;
    // Where the text ends at a zero byte that more than padding follows: the rest would be dropped unsent.
    std::optional<std::size_t> dataAfterZero_;
    std::string refusal_;
};
