// An upgrade file from any bytes: rows never hold a line break or a zero byte and never come from past
// the end of the text, an accepted file decodes every data row within the machine's row buffer, and the
// checks refuse what cannot be sent as written.

#include "core/link/UpgradeFile.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    UpgradeFile file(bytes);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < file.rowCount(); ++i) {
        const std::string_view row = file.row(i);
        if (row.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            std::abort();
        characters += row.size() + 1;
    }
    if (characters > size + 1)
        std::abort();

    const bool accepted = file.check();
    if (accepted != file.refusal().empty())
        std::abort(); // a refusal always says why, an acceptance has nothing to say
    if (!accepted)
        return 0;
    if (file.rowCount() < 2 || file.versionText().size() != 5 || !UpgradeFile::sectionOf(file.row(1)))
        std::abort();
    if (bytes.find('\0') != std::string_view::npos &&
        bytes.find_first_not_of('\0', bytes.find('\0')) != std::string_view::npos)
        std::abort(); // what follows a zero byte would never be sent
    for (std::size_t i = 2; i < file.rowCount(); ++i) {
        const std::string_view row = file.row(i);
        if (UpgradeFile::sectionOf(row))
            continue;
        const auto decoded = UpgradeFile::decodeRow(row);
        if (row.size() % 2 != 0 || decoded.size() * 2 != row.size() ||
            decoded.size() > UpgradeFile::kRowBufferSize)
            std::abort();
    }
    return 0;
}
