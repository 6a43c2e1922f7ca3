#pragma once

#include <string>

class PgConnection;

// The tables of the central store and their version. A store without them is given them; an older one is
// brought up to date; a newer one, written by a later program, is refused rather than misread.
class CentralSchema {
public:
    static constexpr int kVersion = 2;

    // False with error() saying why: the store cannot be read, or it holds a schema this program does not
    // know.
    bool Prepare(PgConnection& connection);
    const std::string& error() const { return error_; }
    int found() const { return found_; } // the version the store had; 0 when it had none

private:
    std::string error_;
    int found_ = 0;
};
