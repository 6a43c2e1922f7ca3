// The event log's reader on any file content: it must never read outside the content, and every entry
// it restores must come back identical once written and read again.

#include "core/base/CLogger.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    for (const LogEntry& entry : CLogger::parseEntries(content)) {
        if (entry.text.size() > CLogger::kMaxLineLength - 20)
            std::abort();
        const auto again = CLogger::parseEntries(CLogger::formatLine(entry) + "\r\n");
        if (again.size() != 1 || again[0].text != entry.text || again[0].day != entry.day ||
            again[0].month != entry.month || again[0].hour != entry.hour || again[0].minute != entry.minute ||
            again[0].second != entry.second || again[0].hundredths != entry.hundredths)
            std::abort();
    }
    return 0;
}
