// orvane-machine-sim: a simulated machine on a pseudo-terminal, for tests, demos and benchmarks.
#include "apps/machine-sim/MachineProtocol.h"
#include "apps/machine-sim/PtyMachine.h"
#include "apps/machine-sim/SimOptions.h"
#include "core/base/ToolOptions.h"

#include <fstream>
#include <iostream>
#include <sched.h>
#include <stdexcept>
#include <sys/resource.h>

namespace {

// A machine answers in its own time, however busy the PC is; a simulator that waits for the processor
// behind the PC's other work would fail the PC's 10 ms and 60 ms deadlines. So it asks to run before
// ordinary programs, which root or CAP_SYS_NICE may, and otherwise at a raised priority, and otherwise as
// it is.
void takePrecedence() {
    sched_param lowestRealTime{};
    lowestRealTime.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (::sched_setscheduler(0, SCHED_FIFO, &lowestRealTime) != 0)
        ::setpriority(PRIO_PROCESS, 0, -10);
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered =
            ToolOptions::Answer(argc, argv, "orvane-machine-sim", SimOptions::HelpText(), std::cout))
        return *answered;
    std::string error;
    auto options = SimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "orvane-machine-sim: " << error << " (see --help)\n";
        return 2;
    }
    if (options->help) {
        std::cout << SimOptions::HelpText();
        return 0;
    }
    const auto contents = options->LoadFiles(error);
    if (!contents) {
        std::cerr << "orvane-machine-sim: " << error << "\n";
        return 2;
    }
    try {
        if (!options->saveBinPath.empty()) {
            const std::vector<std::uint8_t> bin = contents->binFile();
            std::ofstream out(options->saveBinPath, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bin.data()), static_cast<std::streamsize>(bin.size()));
            if (!out.flush())
                throw std::runtime_error("cannot write " + options->saveBinPath);
        }
        std::ofstream trace;
        if (!options->tracePath.empty()) {
            trace.open(options->tracePath, std::ios::trunc);
            if (!trace)
                throw std::runtime_error("cannot write " + options->tracePath);
        }

        takePrecedence();
        PtyMachine pty;
        if (!options->linkPath.empty())
            pty.makeLink(options->linkPath);
        MachineProtocol protocol(options->machine, *contents);
        if (trace.is_open())
            protocol.setTraceSink([&trace](const std::string& line) { trace << line << std::endl; });
        std::cout << pty.devicePath() << std::endl;
        pty.serve(protocol, options->exitAfterUpgrade);
    } catch (const std::exception& e) {
        std::cerr << "orvane-machine-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
