#include "support/MachineSimulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

std::string MachineSimulator::program() {
    return OSK_MACHINE_SIM_PROGRAM;
}

MachineSimulator::MachineSimulator(const std::vector<std::string>& arguments) {
    std::string pattern = (std::filesystem::temp_directory_path() / "osk-sim-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;

    std::vector<std::string> args{program()};
    args.insert(args.end(), arguments.begin(), arguments.end());
    const auto named = std::find(arguments.begin(), arguments.end(), "--trace");
    if (named != arguments.end() && named + 1 != arguments.end()) {
        tracePath_ = *(named + 1);
    } else {
        tracePath_ = folder_ + "/trace.txt";
        args.insert(args.end(), {"--trace", tracePath_});
    }

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    // Not the test's own stderr: a simulator outliving a crashed test would hold the test runner's pipe
    // open, and the runner would wait on it for good.
    const std::string errors = folder_ + "/stderr.txt";
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    // A machine is hardware of its own: a busy PC does not delay its answers. Where the test may (as root),
    // its stand-in runs ahead of the PC's other work, so that a loaded test machine measures the program's
    // waits, not the simulator's turn on the processor.
    if (spawned == 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid_), -10);
    if (spawned != 0) {
        pid_ = -1;
        ::close(output_);
        std::filesystem::remove_all(folder_);
        throw std::runtime_error("cannot start " + program());
    }

    // The first line is the device path; a simulator that ends before it has refused its arguments.
    std::string line;
    const auto deadline = SteadyClock::now() + milliseconds(10000);
    while (line.find('\n') == std::string::npos && SteadyClock::now() < deadline) {
        pollfd entry{output_, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        char chunk[256];
        const ssize_t n = ::read(output_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        line.append(chunk, static_cast<std::size_t>(n));
    }
    if (line.find('\n') == std::string::npos) {
        const int code = stop();
        std::filesystem::remove_all(folder_);
        ::close(output_);
        throw std::runtime_error(program() + " did not start (exit code " + std::to_string(code) + ")");
    }
    devicePath_ = line.substr(0, line.find('\n'));
}

MachineSimulator::~MachineSimulator() {
    stop();
    if (output_ >= 0)
        ::close(output_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool MachineSimulator::reap(bool wait) {
    if (ended_ || pid_ < 0)
        return true;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &status, wait ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0)
        return false;
    ended_ = true;
    exitCode_ = done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool MachineSimulator::running() {
    return !reap(false);
}

bool MachineSimulator::waitForExit(int timeoutMs) {
    const auto deadline = SteadyClock::now() + milliseconds(timeoutMs);
    while (!reap(false)) {
        if (SteadyClock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

int MachineSimulator::stop() {
    if (reap(false))
        return exitCode_;
    ::kill(pid_, SIGTERM);
    if (!waitForExit(5000)) {
        ::kill(pid_, SIGKILL);
        reap(true);
        exitCode_ = -1;
    }
    return exitCode_;
}

std::vector<std::string> MachineSimulator::traceLines() const {
    std::ifstream in(tracePath_, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t start = 0;
    // A line still being written has no line break yet.
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::vector<MachineSimulator::Row> MachineSimulator::rows() const {
    std::vector<Row> rows;
    for (const std::string& line : traceLines()) {
        if (line == "B") {
            rows.clear();
            continue;
        }
        if (line.empty() || (line[0] != 'P' && line[0] != 'Q' && line[0] != 'R') ||
            (line.size() > 1 && line[1] != ' '))
            continue;
        Row row;
        row.command = static_cast<std::uint8_t>(line[0]);
        for (std::size_t i = 2; i + 1 < line.size(); i += 2)
            row.bytes.push_back(static_cast<std::uint8_t>(hexDigit(line[i]) * 16 + hexDigit(line[i + 1])));
        rows.push_back(std::move(row));
    }
    return rows;
}

bool MachineSimulator::waitForTraceLine(const std::string& line, int timeoutMs) const {
    const auto deadline = SteadyClock::now() + milliseconds(timeoutMs);
    for (;;) {
        const std::vector<std::string> lines = traceLines();
        if (std::find(lines.begin(), lines.end(), line) != lines.end())
            return true;
        if (SteadyClock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
}
