#pragma once

#include <stdexcept>
#include <string>

// A failed serial port operation: which operation, and the system's error code (errno; 0 when none).
class EComPort : public std::runtime_error {
public:
    EComPort(const std::string& operation, int systemError);

    const std::string& operation() const noexcept { return operation_; }
    int systemError() const noexcept { return systemError_; }

private:
    std::string operation_;
    int systemError_;
};
