#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// A running orvane-machine-sim, for tests that talk to a machine through a real pseudo-terminal. The
// constructor starts it with the given arguments (plus --trace into a private folder unless the arguments
// name one) and waits for its device path; the destructor stops it with SIGTERM.
class MachineSimulator {
public:
    // A data row as the machine received it.
    struct Row {
        std::uint8_t command = 0; // 'P', 'Q' or 'R'
        std::vector<std::uint8_t> bytes;
        bool operator==(const Row&) const = default;
    };

    // Raises std::runtime_error when the simulator does not start (bad arguments, no pseudo-terminal).
    explicit MachineSimulator(const std::vector<std::string>& arguments = {});
    ~MachineSimulator();
    MachineSimulator(const MachineSimulator&) = delete;
    MachineSimulator& operator=(const MachineSimulator&) = delete;

    static std::string program(); // the simulator binary this build made

    const std::string& devicePath() const { return devicePath_; }
    const std::string& tracePath() const { return tracePath_; }
    pid_t pid() const { return pid_; }

    // The complete trace lines written so far: "T", "I", "H", "D", "t", "B", "b", "P 0a1b..." for a row,
    // "ignored HH", "disconnect", "note ...".
    std::vector<std::string> traceLines() const;
    // The rows received after the last "B", in order.
    std::vector<Row> rows() const;
    // Waits up to timeoutMs for the trace to hold line; the simulator records after the PC has sent.
    bool waitForTraceLine(const std::string& line, int timeoutMs = 5000) const;

    // Whether the simulator has ended by itself within timeoutMs (after "b" with --exit-after-upgrade, or
    // a --disconnect-at fault).
    bool waitForExit(int timeoutMs);
    bool running();
    // SIGTERM, then SIGKILL if it has not ended within 5 s. Returns the exit code, or -1 after a signal.
    int stop();
    int exitCode() const { return exitCode_; }

private:
    bool reap(bool wait);

    std::string folder_;
    std::string tracePath_;
    std::string devicePath_;
    pid_t pid_ = -1;
    int output_ = -1; // read end of the simulator's standard output
    bool ended_ = false;
    int exitCode_ = -1;
};
