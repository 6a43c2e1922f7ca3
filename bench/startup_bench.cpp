// Start-up with a large database: loading the machine list (check file, machine files, tiles, arranging)
// against the floor of reading and CRC-ing the same files, measured in the same run, and how arranging
// grows with the number of machines.
//
//   startup_bench [machines...]     (default: 2000 10000 50000; 5 records each)
//
// OSK_BENCH_ROUNDS (default 3) sets how many rounds are timed; many rounds let a profiler see the load
// rather than the generation of the database.

#include "ReadFloor.h"
#include "core/base/CLogger.h"
#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "support/ScriptedPrompts.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/TDBMowerList.h"

#include <QApplication>
#include <QMdiArea>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::vector<std::string> makeDatabase(const fs::path& dir, int machines) {
    fs::create_directories(dir);
    HistoryGenerator generator(static_cast<std::uint32_t>(machines));
    std::string check;
    std::vector<std::string> files;
    std::set<std::uint32_t> serials;
    while (static_cast<int>(files.size()) < machines) {
        auto machine = generator.machine(5);
        if (machine->Count() != 5 || !serials.insert(machine->serialNumber()).second)
            continue;
        const std::string bytes = DBMowerFile::Serialize(*machine);
        const std::string path =
            FXUCheckDir::Join(dir.string(), FXUCheckDir::MachineFileName(machine->serialNumber()));
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        files.push_back(path);
        std::uint8_t entry[6];
        const std::uint32_t serial = machine->serialNumber();
        for (int i = 0; i < 4; ++i)
            entry[i] = static_cast<std::uint8_t>(serial >> (8 * i));
        const std::uint16_t sum = FXUCheckDir::EntrySum(serial);
        entry[4] = static_cast<std::uint8_t>(sum);
        entry[5] = static_cast<std::uint8_t>(sum >> 8);
        check.append(reinterpret_cast<const char*>(entry), 6);
    }
    std::ofstream(dir / "dbtisl.chk", std::ios::binary)
        .write(check.data(), static_cast<std::streamsize>(check.size()));
    return files;
}

Clock::duration floorRun(const std::vector<std::string>& files, bool withZlib = false) {
    const auto start = Clock::now();
    volatile std::uint32_t sink = readAndCrc(files, withZlib);
    (void)sink;
    return Clock::now() - start;
}

long peakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {2000, 10000, 50000};
    bool roundsSet = false;
    const int roundsWanted = qEnvironmentVariableIntValue("OSK_BENCH_ROUNDS", &roundsSet);
    const int rounds = roundsSet && roundsWanted > 0 ? roundsWanted : 3;

    double firstPerMachine = 0;
    int firstSize = 0;
    for (const int machines : sizes) {
        const fs::path dir = fs::temp_directory_path() /
                             ("osk-startup-" + std::to_string(::getpid()) + "-" + std::to_string(machines));
        const auto files = makeDatabase(dir, machines);
        std::uintmax_t diskBytes = 0;
        for (const std::string& file : files)
            diskBytes += fs::file_size(file);
        // Written just now, the files are still dirty; the start-up's one fsync (of the rewritten check file)
        // would pay for writing them all out. A real start finds them on disk.
        ::sync();
        floorRun(files); // warm the page cache

        // Best of the rounds, alternating, so both see the same machine state.
        ScriptedPrompts prompts;
        QMdiArea mdi;
        Clock::duration floor = Clock::duration::max(), zlibFloor = Clock::duration::max(),
                        load = Clock::duration::max();
        std::unique_ptr<TDBMowerList> list;
        std::size_t heapBefore = 0, heapAfter = 0;
        for (int round = 0; round < rounds; ++round) {
            floor = std::min(floor, floorRun(files));
            zlibFloor = std::min(zlibFloor, floorRun(files, true));
            list.reset();
            heapBefore = mallinfo2().uordblks;
            list = std::make_unique<TDBMowerList>(&mdi, prompts);
            list->resize(230, 700);
            const auto start = Clock::now();
            list->LoadDatabase(dir.string());
            load = std::min(load, Clock::now() - start);
            heapAfter = mallinfo2().uordblks;
        }

        const auto arrangeStart = Clock::now();
        list->Arrange();
        const auto arrange = Clock::now() - arrangeStart;

        const double heap = static_cast<double>(heapAfter - heapBefore);
        const double perMachine = ms(load) * 1000.0 / machines;
        if (firstSize == 0) {
            firstSize = machines;
            firstPerMachine = perMachine;
        }
        std::printf(
            "%6d machines (%.0f MiB on disk): floor %7.1f ms (with zlib's CRC %7.1f ms), load %7.1f ms "
            "(ratio %.2f, %.2f to the zlib floor, goal at most 1), %.2f us per machine (%+.0f %% from "
            "%d machines, goal at most +20 %%), arrange %6.1f ms (%.2f us per tile), heap %.1f MiB "
            "(%.3f of the bytes on disk, goal at most 0.1), peak RSS %.0f MiB\n",
            machines, static_cast<double>(diskBytes) / (1 << 20), ms(floor), ms(zlibFloor), ms(load),
            ms(load) / ms(floor), ms(load) / ms(zlibFloor), perMachine,
            (perMachine / firstPerMachine - 1) * 100, firstSize, ms(arrange), ms(arrange) * 1000.0 / machines,
            heap / (1 << 20), heap / static_cast<double>(diskBytes),
            static_cast<double>(peakRssKiB()) / 1024.0);
        std::fflush(stdout);
        list.reset();
        fs::remove_all(dir);
    }
    return 0;
}
