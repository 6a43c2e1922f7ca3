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
    for (const std::string& row : file.rows()) {
        if (row.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
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
    if (file.rows().size() < 2 || file.versionText().size() != 5 || !UpgradeFile::sectionOf(file.rows()[1]))
        std::abort();
    for (std::size_t i = 2; i < file.rows().size(); ++i) {
        const std::string& row = file.rows()[i];
        if (UpgradeFile::sectionOf(row))
            continue;
        const auto decoded = UpgradeFile::decodeRow(row);
        if (row.size() % 2 != 0 || decoded.size() * 2 != row.size() ||
            decoded.size() > UpgradeFile::kRowBufferSize)
            std::abort();
    }
    return 0;
}
