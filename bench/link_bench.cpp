// The machine link over the paced simulated machine (38400 baud 8N1 on a pseudo-terminal), against the
// time its bytes take on the wire, measured in the same run:
//  - history download: wall time from the command byte to the end of the download against the wire time of
//    the answer, for a version asked with "H" and one asked with "D" (extra block); and what the end of the
//    answer costs after its last byte: the reception ends once nothing has come for 100 ms, looked at every
//    10 ms, so 100 to 110 ms after the last byte (plus the pseudo-terminal's own delay). "Whole operation"
//    also counts the test mode switch and the info frame with their fixed waits;
//  - upgrade: time per row beyond the wire time of command, row and acknowledgement and the programming
//    delay, over a file of ROWS rows.
//
//   link_bench [ROUNDS] [ROWS] [BYTES_PER_ROW] [ROW_DELAY_MS]     (default 3 500 64 10)

#include "apps/link/ConsolePrompts.h"
#include "core/base/CLogger.h"
#include "core/base/Prompts.h"
#include "core/base/SystemClock.h"
#include "core/history/DownloadedHistory.h"
#include "core/i18n/FXUStringTable.h"
#include "core/link/FirmwareUpgrade.h"
#include "core/link/HistoryDownload.h"
#include "core/link/MachineLink.h"
#include "core/link/TComPort.h"
#include "support/MachineSimulator.h"
#include "tools/gen/SampleUpgrade.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr double kByteMs = 10.0 * 1000.0 / 38400.0; // start bit, 8 data bits, stop bit

double msSince(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The real port, with the time of the writes the figures start from.
class TimedPort : public TComPort {
public:
    TimedPort() : TComPort([] { return std::vector<std::string>(); }) {}
    int Write(const std::uint8_t* data, int count) override {
        const auto now = SteadyClock::now();
        if (count == 1 && (data[0] == 'H' || data[0] == 'D'))
            command = now;
        if (count == 1 && data[0] == 'B')
            sync = now;
        if (count == 1 && (data[0] == 'P' || data[0] == 'Q' || data[0] == 'R') && firstRow < sync)
            firstRow = now;
        if (count == 1 && data[0] == 'b')
            end = now;
        return TComPort::Write(data, count);
    }
    void Open() override {
        if (!Connected())
            opened = SteadyClock::now();
        TComPort::Open();
    }
    SteadyClock::time_point opened, command, sync, firstRow, end;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void download(const char* label, const char* firmware, int rounds) {
    std::vector<double> ratios, wholeRatios, quietCosts;
    double wireMs = 0;
    int bytes = 0;
    for (int round = 0; round < rounds; ++round) {
        MachineSimulator sim({"--firmware", firmware, "--seed", std::to_string(round + 1)});
        TimedPort port;
        SystemClock clock;
        ConsolePrompts prompts;
        DownloadedHistory data;
        MachineLink link(port, clock, prompts, data.frame);
        link.setAutoCOM(false);
        HistoryDownload loader(link, data);
        if (!loader.downloadHistory(sim.devicePath())) {
            std::fprintf(stderr, "download failed: %s\n",
                         CLogger::getInstance()->entries().back().text.c_str());
            std::exit(1);
        }
        const auto done = SteadyClock::now();
        bytes = data.received;
        // The command byte crosses the line, then the answer does.
        wireMs = bytes * kByteMs;
        const double lastByteMs = (1 + bytes) * kByteMs;
        const double receptionMs = msSince(port.command, done);
        ratios.push_back(receptionMs / wireMs);
        wholeRatios.push_back(msSince(port.opened, done) / wireMs);
        quietCosts.push_back(receptionMs - lastByteMs);
    }
    std::printf("download %-26s %5d bytes, wire %7.1f ms: reception %.3fx (goal <= 1.08x), "
                "whole operation %.3fx; after the last byte %.0f ms (min %.0f, max %.0f)\n",
                label, bytes, wireMs, median(ratios), median(wholeRatios), median(quietCosts),
                *std::min_element(quietCosts.begin(), quietCosts.end()),
                *std::max_element(quietCosts.begin(), quietCosts.end()));
}

void upgrade(int rounds, int rows, int bytesPerRow, int rowDelayMs) {
    const fs::path dir = fs::temp_directory_path() / ("osk-link-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "bench.QVL").string();
    std::ofstream(file, std::ios::binary) << SampleUpgrade::Text("V9.99", rows, bytesPerRow);
    std::vector<double> overheads;
    // Command byte and row to the machine, acknowledgement back.
    const double wirePerRowMs = (1 + bytesPerRow + 1) * kByteMs;
    for (int round = 0; round < rounds; ++round) {
        MachineSimulator sim(
            {"--firmware", "19.1.1.1", "--qvl", file, "--row-delay-ms", std::to_string(rowDelayMs)});
        TimedPort port;
        SystemClock clock;
        ConsolePrompts prompts(file);
        DownloadedHistory data;
        MachineLink link(port, clock, prompts, data.frame);
        link.setAutoCOM(false);
        HistoryDownload loader(link, data);
        FirmwareUpgrade run(link, loader, [] { return true; });
        if (run.run(sim.devicePath()) != FirmwareUpgrade::Outcome::Done) {
            std::fprintf(stderr, "upgrade failed: %s\n",
                         CLogger::getInstance()->entries().back().text.c_str());
            std::exit(1);
        }
        const double perRowMs = msSince(port.firstRow, port.end) / rows;
        overheads.push_back(perRowMs - wirePerRowMs - rowDelayMs);
    }
    std::printf("upgrade  %d rows of %d bytes, %d ms programming: wire %.3f ms a row; beyond wire and "
                "programming %.3f ms a row (goal <= 1 ms; min %.3f, max %.3f)\n",
                rows, bytesPerRow, rowDelayMs, wirePerRowMs, median(overheads),
                *std::min_element(overheads.begin(), overheads.end()),
                *std::max_element(overheads.begin(), overheads.end()));
    fs::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int rows = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    const int bytesPerRow = argc > 3 ? std::clamp(std::atoi(argv[3]), 0, 303) : 64;
    const int rowDelayMs = argc > 4 ? std::max(0, std::atoi(argv[4])) : 10;
    FXUStringTable::getInstance()->SetLanguage(0);
    std::printf("median of %d rounds each\n", rounds);
    download("\"H\" (version 19.1.1.1)", "19.1.1.1", rounds);
    download("\"D\" (version 19.3.20.0)", "19.3.20.0", rounds);
    upgrade(rounds, rows, bytesPerRow, rowDelayMs);
    return 0;
}
