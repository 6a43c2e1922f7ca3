#pragma once

#include <string>

class FXUMowerLog;

// A machine file from outside the database (.dat import): read whole, CRC-checked and parsed before any
// machine of the database sees a byte of it.
class MachineImportFile {
public:
    enum class Failure { None, CannotOpen, BadCrc, Unreadable };

    // Reads the file into result, which changes only on success. On failure, failure() says which and
    // lastError() holds the event-log line for it, naming the file; the caller writes it.
    bool Load(const std::string& path, FXUMowerLog& result);
    Failure failure() const { return failure_; }
    const std::string& lastError() const { return lastError_; }

private:
    bool fail(Failure failure, std::string line);

    Failure failure_ = Failure::None;
    std::string lastError_;
};
