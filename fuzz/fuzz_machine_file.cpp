// A machine file from any bytes: the input is the file's content and the fuzzer's bytes get a correct
// CRC-32 appended, so mutations reach the layout rather than stopping at the checksum. The reader must
// refuse what does not fit without reading outside the bytes and without touching the machine, and a
// machine it accepts must be written back to a file it accepts again unchanged. All in memory, as the
// database reads a file it has loaded whole.

#include "core/base/ByteOrder.h"
#include "core/base/FXUCrc_error.h"
#include "core/database/Crc32.h"
#include "core/database/DBMowerFile.h"

#include <cstdlib>
#include <ios>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string content(reinterpret_cast<const char*>(data), size);
    std::uint8_t crc[4];
    byteorder::putLE32(crc, Crc32::Compute(data, size));
    content.append(reinterpret_cast<const char*>(crc), 4);

    FXUMowerLog machine;
    try {
        DBMowerFile::Parse(content, machine);
    } catch (const FXUCrc_error&) {
        std::abort(); // the checksum is right by construction
    } catch (const std::ios_base::failure&) {
        if (machine.Count() != 0)
            std::abort(); // a refused file must leave the machine untouched
        return 0;
    }
    std::string first;
    try {
        first = DBMowerFile::Serialize(machine);
    } catch (const std::ios_base::failure&) {
        return 0; // a machine that cannot be stored is refused, not written
    }
    // Bytes written as they were read would read and write again as the first time did. Most accepted
    // mutations change only an image: the second round is then spared.
    if (first == content)
        return 0;
    FXUMowerLog again;
    DBMowerFile::Parse(first, again); // must not throw: we wrote it
    if (DBMowerFile::Serialize(again) != first || again.Count() != machine.Count())
        std::abort();
    return 0;
}
