#pragma once

#include <cstdint>
#include <string>

// A database of generated machines of every type, with one to six records each, their files and the
// check file: something to look at on a first start, and a realistic fixture for window tests.
class DemoDatabase {
public:
    // Returns the number of machines written; raises std::ios_base::failure when a file cannot be written
    // or the directory already holds a check file.
    static int Write(const std::string& directory, int machines, std::uint32_t seed = 2026);
};
