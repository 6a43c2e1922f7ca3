// Loading machine files against the floor of reading the same bytes and CRC-ing them (with the program's
// CRC and with zlib's), measured in the same run; the start-up's summary load beside the full one; and the
// memory a loaded record, or a summarised machine, costs against its size on disk.
//
//   machine_files_bench [machines]     (default 400 machines of 5 records each)

#include "ReadFloor.h"
#include "core/database/DBMowerFile.h"
#include "tools/gen/HistoryGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::string> writeMachines(const fs::path& dir, int count, int recordsEach) {
    HistoryGenerator generator(20261208);
    std::vector<std::string> files;
    while (static_cast<int>(files.size()) < count) {
        auto machine = generator.machine(recordsEach);
        if (static_cast<int>(machine->Count()) != recordsEach)
            continue;
        const std::string bytes = DBMowerFile::Serialize(*machine);
        char name[32];
        std::snprintf(name, sizeof name, "%08X-%05zu.dat", machine->serialNumber(), files.size());
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        files.push_back(path.string());
    }
    return files;
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::size_t loadAll(const std::vector<std::string>& files, std::vector<std::unique_ptr<DBMowerFile>>* keep,
                    bool summary = false) {
    std::size_t records = 0;
    for (const std::string& file : files) {
        auto entry = std::make_unique<DBMowerFile>();
        entry->SetFileName(file);
        if (!(summary ? entry->LoadSummary() : entry->LoadMachineFile()))
            throw std::runtime_error(entry->lastError());
        records += entry->mowerLog().Count();
        if (keep)
            keep->push_back(std::move(entry));
    }
    return records;
}

std::size_t heapGrowth(const std::vector<std::string>& files, bool summary, std::size_t& records) {
    const std::size_t before = mallinfo2().uordblks;
    std::vector<std::unique_ptr<DBMowerFile>> kept;
    records = loadAll(files, &kept, summary);
    return mallinfo2().uordblks - before;
}

} // namespace

int main(int argc, char** argv) {
    const int machines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 400;
    const int recordsEach = 5;
    const fs::path dir = fs::temp_directory_path() / ("osk-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto files = writeMachines(dir, machines, recordsEach);
    std::uintmax_t diskBytes = 0;
    for (const auto& f : files)
        diskBytes += fs::file_size(f);

    // Warm the page cache, then alternate so all see the same machine state; keep each one's best run.
    volatile std::uint32_t sink = readAndCrc(files, false);
    Clock::duration floorBest = Clock::duration::max(), zlibBest = Clock::duration::max(),
                    loadBest = Clock::duration::max(), summaryBest = Clock::duration::max();
    for (int round = 0; round < 7; ++round) {
        auto t0 = Clock::now();
        sink = sink ^ readAndCrc(files, false);
        auto t1 = Clock::now();
        sink = sink ^ readAndCrc(files, true);
        auto t2 = Clock::now();
        loadAll(files, nullptr);
        auto t3 = Clock::now();
        loadAll(files, nullptr, true);
        auto t4 = Clock::now();
        floorBest = std::min(floorBest, t1 - t0);
        zlibBest = std::min(zlibBest, t2 - t1);
        loadBest = std::min(loadBest, t3 - t2);
        summaryBest = std::min(summaryBest, t4 - t3);
    }

    std::size_t records = 0;
    const double fullMemory = static_cast<double>(heapGrowth(files, false, records));
    const double perRecordMemory = fullMemory / static_cast<double>(records);
    const double perRecordDisk = static_cast<double>(diskBytes) / static_cast<double>(records);
    std::size_t summarised = 0;
    const double summaryMemory = static_cast<double>(heapGrowth(files, true, summarised));

    std::printf("machine files: %d files, %d records each, %.1f MiB on disk\n", machines, recordsEach,
                static_cast<double>(diskBytes) / (1 << 20));
    std::printf("floor (read + CRC):  %8.2f ms, with zlib's CRC %8.2f ms\n", seconds(floorBest) * 1e3,
                seconds(zlibBest) * 1e3);
    std::printf(
        "load machine files:  %8.2f ms  (%.2f to the floor, %.2f to the zlib floor; goal at most 2)\n",
        seconds(loadBest) * 1e3, seconds(loadBest) / seconds(floorBest),
        seconds(loadBest) / seconds(zlibBest));
    std::printf("load as at a start:  %8.2f ms  (%.2f to the floor, %.2f to the zlib floor; one thread)\n",
                seconds(summaryBest) * 1e3, seconds(summaryBest) / seconds(floorBest),
                seconds(summaryBest) / seconds(zlibBest));
    std::printf("memory per record:   %8.0f bytes, on disk %.0f bytes, ratio %.2f  (goal: at most 1.5)\n",
                perRecordMemory, perRecordDisk, perRecordMemory / perRecordDisk);
    std::printf(
        "memory as at a start:%8.0f bytes per machine, %.3f of the bytes on disk (goal: at most 0.1)\n",
        summaryMemory / machines, summaryMemory / static_cast<double>(diskBytes));
    fs::remove_all(dir);
    return 0;
}
