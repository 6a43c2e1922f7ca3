// Peak memory and time of orvane-inspect on the files a hostile test used against the readers: a sparse
// machine file of 3 GB whose header announces 65,535 records under a valid CRC, and an upgrade file of
// 3,000,000 empty rows. Each tool runs as a child process, whose peak resident size the system reports.
//
//   hostile_files_bench [folder]     (default: a temporary folder, removed afterwards)

#include "core/base/ByteOrder.h"
#include "core/database/Crc32.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A machine block announcing 65,535 records, then nothing but zeros up to 3 GB, then the CRC of it all.
void writeSparseMachineFile(const fs::path& path) {
    std::string head("\x01\xCD\xAB\x00\x04\x00\x00\x00\x00\x00\x00\x04\x14\x05\x00\x00\x00\x01\xFF\xFF", 20);
    const std::uint64_t size = std::uint64_t{3} << 30;
    std::uint32_t crc = Crc32::Compute(head);
    const std::vector<std::uint8_t> zeros(1 << 24, 0);
    for (std::uint64_t left = size - 4 - head.size(); left > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        crc = Crc32::Update(crc, zeros.data(), piece);
        left -= piece;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    out.seekp(static_cast<std::streamoff>(size - 4));
    std::uint8_t tail[4];
    byteorder::putLE32(tail, crc);
    out.write(reinterpret_cast<const char*>(tail), 4);
}

void writeEmptyRowsUpgradeFile(const fs::path& path) {
    std::string text = "V5.20[TAG]\r\n[MAIN]\r\n";
    text.append(std::string(6'000'000, '\n'));
    std::ofstream(path, std::ios::binary) << text;
}

struct Run {
    int exitCode = -1;
    double seconds = 0;
    long peakKiB = 0;
};

Run inspect(const std::string& kind, const fs::path& file) {
    const auto start = std::chrono::steady_clock::now();
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execl(OSK_INSPECT_PROGRAM, OSK_INSPECT_PROGRAM, kind.c_str(), file.c_str(), nullptr);
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    return run;
}

void report(const char* what, const fs::path& file, const Run& run) {
    const double sizeMiB = static_cast<double>(fs::file_size(file)) / (1024.0 * 1024.0);
    std::printf("%-34s %9.1f MiB  exit %d  %6.2f s  peak %8.1f MiB (%.3f x its size)\n", what, sizeMiB,
                run.exitCode, run.seconds, static_cast<double>(run.peakKiB) / 1024.0,
                static_cast<double>(run.peakKiB) / 1024.0 / sizeMiB);
}

} // namespace

int main(int argc, char** argv) {
    const bool own = argc < 2;
    const fs::path folder =
        own ? fs::temp_directory_path() / ("osk-hostile-" + std::to_string(::getpid())) : fs::path(argv[1]);
    fs::create_directories(folder);
    const fs::path machine = folder / "00000001.dat";
    const fs::path upgrade = folder / "empty-rows.QVL";
    writeSparseMachineFile(machine);
    writeEmptyRowsUpgradeFile(upgrade);
    report("inspect dat, sparse 65,535 records", machine, inspect("dat", machine));
    report("inspect upgrade, 3,000,000 rows", upgrade, inspect("upgrade", upgrade));
    if (own)
        fs::remove_all(folder);
    return 0;
}
