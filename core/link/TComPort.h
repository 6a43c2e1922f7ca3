#pragma once

#include "core/link/Port.h"

#include <functional>
#include <string>
#include <vector>

// A serial port on a POSIX terminal device (termios), held for exclusive use while open.
// Port names without '/' refer to /dev (e.g. "ttyUSB0"); anything else is taken as a path.
class TComPort : public Port {
public:
    // The lister reports the names of the ports present, in any order.
    explicit TComPort(std::function<std::vector<std::string>()> lister);
    ~TComPort() override;

    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    void SetPort(const std::string& name) override;
    const std::string& PortName() const override { return name_; }

    void Open() override;
    void Close() override;
    bool Connected() const override { return fd_ >= 0; }

    int Write(const std::uint8_t* data, int count) override;
    int Read(std::uint8_t* buffer, int count) override;
    int InputCount() override;
    int OutputCount() override;
    void ClearBuffer(bool input, bool output) override;

    // The lister's ports, and the current port when it is a path to a character device the lister does
    // not name (a /dev/serial/by-id link, a simulated machine).
    std::vector<std::string> EnumComPorts() override;

private:
    void requireConnected(const char* operation) const;

    std::function<std::vector<std::string>()> lister_;
    std::string name_;
    int fd_ = -1;
};
