// A history (.bin) file from any bytes: the reader must refuse an incomplete file without reading outside
// it, a record built from what it accepts must be sound, and a machine file written with that record must
// read back, whatever its header looks like to the form test.

#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"

#include <cstdlib>
#include <ios>

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

    FXUMowerLog machine;
    const FXULogTime time = record->logTime();
    machine.Insert(time, record);
    std::string file;
    try {
        file = DBMowerFile::Serialize(machine);
    } catch (const std::ios_base::failure&) {
        return 0; // a record that would not read back as it is is refused, never written
    }
    FXUMowerLog back;
    try {
        DBMowerFile::Parse(file, back);
    } catch (const std::ios_base::failure&) {
        std::abort(); // the program wrote it, so it must read it
    }
    if (back.Count() != 1 || back.records().begin()->second->image() != contents.image)
        std::abort();
    return 0;
}
