// A record block from any bytes: reading must never leave the input or the record's storage, and a record
// that was read with a real time must come back identical once written and read again.

#include "core/base/CLogger.h"
#include "core/history/FXULog.h"

#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    FXULog record;
    try {
        if (!record.ReadRecord(in))
            std::abort(); // a fresh stream has not failed
    } catch (const std::ios_base::failure&) {
        return 0;
    }
    for (int i = 0; i < record.eventCount(); ++i)
        (void)record.event(i);
    for (int s = 0; s < FXULog::kOptionSlots; ++s)
        (void)record.optionLabel(s);
    if (!record.logTime().isPlausible())
        return 0;
    std::ostringstream first;
    record.WriteRecord(first);
    std::istringstream again(first.str());
    FXULog copy;
    copy.ReadRecord(again);
    std::ostringstream second;
    copy.WriteRecord(second);
    if (first.str() != second.str() || copy.eventCount() != record.eventCount())
        std::abort();
    return 0;
}
