#include "core/link/EComPort.h"

#include <cstring>

namespace {
std::string describe(const std::string& operation, int systemError) {
    std::string text = "serial port: " + operation + " failed";
    if (systemError != 0)
        text += std::string(" (") + std::strerror(systemError) + ")";
    return text;
}
} // namespace

EComPort::EComPort(const std::string& operation, int systemError)
    : std::runtime_error(describe(operation, systemError)), operation_(operation), systemError_(systemError) {
}
