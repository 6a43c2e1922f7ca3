#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The serial port operations the machine protocol relies on, and nothing more, so the protocol can run
// against a scripted port or a simulator on a pseudo-terminal. Every failing operation raises EComPort.
class Port {
public:
    virtual ~Port() = default;

    // Stores the name; an open port under another name is closed and reopened under the new one.
    virtual void SetPort(const std::string& name) = 0;
    virtual const std::string& PortName() const = 0;

    virtual void Open() = 0;  // does nothing when already connected
    virtual void Close() = 0; // does nothing when not connected
    virtual bool Connected() const = 0;

    // Waits at most 100 ms per byte plus 10 ms; a write that does not finish in time returns fewer bytes.
    virtual int Write(const std::uint8_t* data, int count) = 0;
    // Never waits: copies at most count bytes that have already arrived.
    virtual int Read(std::uint8_t* buffer, int count) = 0;
    virtual int InputCount() = 0;
    virtual int OutputCount() = 0;
    virtual void ClearBuffer(bool input, bool output) = 0;

    // Names of the ports present, sorted case-insensitively ("COM10" before "COM2").
    virtual std::vector<std::string> EnumComPorts() = 0;
};
