#pragma once

#include "apps/machine-sim/MachineProtocol.h"

#include <string>
#include <vector>

// A pseudo-terminal that plays the machine: the PC opens its slave device like a serial port. The
// simulator holds the slave open as well, so the PC may close and reopen it as often as it likes without
// the master seeing a hang-up. When the last PC descriptor closes, the device forgets what a real port
// forgets at its last close: the exclusive-use flag (a PC that was killed cannot leave it set) and the
// bytes the PC did not read.
class PtyMachine {
public:
    enum class End { Stopped, Disconnected, UpgradeEnded };

    // Raises std::runtime_error when no pseudo-terminal can be set up. SIGTERM, SIGINT and SIGHUP stop
    // serve() from here on instead of ending the process.
    PtyMachine();
    ~PtyMachine(); // closes the device and removes the link
    PtyMachine(const PtyMachine&) = delete;
    PtyMachine& operator=(const PtyMachine&) = delete;

    const std::string& devicePath() const { return devicePath_; }
    // Makes path a symlink to the device, replacing whatever file or link is there; raises
    // std::runtime_error when it cannot.
    void makeLink(const std::string& path);

    // Serves the PC until a stop signal, until the machine disconnects (the device then disappears), or,
    // when asked, until an upgrade has ended.
    End serve(MachineProtocol& protocol, bool exitAfterUpgrade);

private:
    void readInput(MachineProtocol& protocol, std::int64_t nowNs);
    void watchPcDescriptors();
    void writeOutput();
    void closeDevice();
    void removeLink();

    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1; // inotify on the device: the PC's opens and closes
    int pcOpens_ = 0;
    std::string devicePath_;
    std::string linkPath_;
    std::vector<std::uint8_t> unwritten_;
};
