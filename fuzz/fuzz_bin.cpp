// A history (.bin) file from any bytes: the reader must refuse an incomplete file without reading outside
// it, and a record built from what it accepts must be sound.

#include "Component/BinHistoryFile.h"

#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BinHistoryFile::Contents contents;
    contents.time = FXULogTime(2024, 3, 7, 14, 5, 9);
    if (!BinHistoryFile::Parse(data, size, contents))
        return 0;
    auto record = contents.makeRecord();
    if (record->serialNumber() != contents.frame.serialNumber() || record->image() != contents.image)
        std::abort();
    for (int i = 0; i < record->eventCount(); ++i)
        (void)record->event(i);
    std::ostringstream out;
    record->WriteRecord(out);
    return 0;
}
