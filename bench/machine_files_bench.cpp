// Loading machine files against the floor of reading the same bytes and CRC-ing them, measured in the same
// run; and the memory a loaded record costs against its size on disk.
//
//   machine_files_bench [machines]     (default 400 machines of 5 records each)

#include "core/database/Crc32.h"
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

// The floor: every byte read once and CRC-ed once, nothing decoded.
std::uint32_t readAndCrc(const std::vector<std::string>& files) {
    std::uint32_t sum = 0;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string bytes(fs::file_size(file), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        sum ^= Crc32::Compute(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    return sum;
}

std::size_t loadAll(const std::vector<std::string>& files, std::vector<std::unique_ptr<DBMowerFile>>* keep) {
    std::size_t records = 0;
    for (const std::string& file : files) {
        auto entry = std::make_unique<DBMowerFile>();
        entry->SetFileName(file);
        if (!entry->LoadMachineFile())
            throw std::runtime_error(entry->lastError());
        records += entry->mowerLog().Count();
        if (keep)
            keep->push_back(std::move(entry));
    }
    return records;
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

    // Warm the page cache, then alternate so both see the same machine state; keep each one's best run.
    volatile std::uint32_t sink = readAndCrc(files);
    Clock::duration floorBest = Clock::duration::max(), loadBest = Clock::duration::max();
    for (int round = 0; round < 7; ++round) {
        auto t0 = Clock::now();
        sink = sink ^ readAndCrc(files);
        auto t1 = Clock::now();
        loadAll(files, nullptr);
        auto t2 = Clock::now();
        floorBest = std::min(floorBest, t1 - t0);
        loadBest = std::min(loadBest, t2 - t1);
    }

    const std::size_t before = mallinfo2().uordblks;
    std::vector<std::unique_ptr<DBMowerFile>> kept;
    const std::size_t records = loadAll(files, &kept);
    const std::size_t after = mallinfo2().uordblks;
    const double perRecordMemory = static_cast<double>(after - before) / static_cast<double>(records);
    const double perRecordDisk = static_cast<double>(diskBytes) / static_cast<double>(records);

    std::printf("machine files: %d files, %zu records, %.1f MiB on disk\n", machines, records,
                static_cast<double>(diskBytes) / (1 << 20));
    std::printf("floor (read + CRC):  %8.2f ms\n", seconds(floorBest) * 1e3);
    std::printf("load machine files:  %8.2f ms\n", seconds(loadBest) * 1e3);
    std::printf("load / floor:        %8.2f  (goal: at most 2)\n", seconds(loadBest) / seconds(floorBest));
    std::printf("memory per record:   %8.0f bytes, on disk %.0f bytes, ratio %.2f  (goal: at most 1.5)\n",
                perRecordMemory, perRecordDisk, perRecordMemory / perRecordDisk);
    fs::remove_all(dir);
    return 0;
}
