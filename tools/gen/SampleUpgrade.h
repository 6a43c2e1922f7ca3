#pragma once

#include <cstdint>
#include <string>

// A made-up upgrade file (*.QVL) of the usual shape, for the demo, benchmarks and tests: the tag row, then
// a [MAIN] section with most of the data rows, a [FIR] and an [EXT] section; rows of upper-case hex digit
// pairs ending in CR LF. The same arguments give the same text.
class SampleUpgrade {
public:
    // version: the five characters before "[TAG]". dataRows of bytesPerRow bytes each (at most 303).
    static std::string Text(const std::string& version, int dataRows, int bytesPerRow,
                            std::uint32_t seed = 1);
};
