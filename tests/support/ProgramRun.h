#pragma once

#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

// What a program a test ran printed, and how it ended.
struct ProgramRun {
    int exitCode; // -1 when it did not end by itself
    std::string out;
    std::string err;
};

// Runs program with arguments (quoted for the shell by the caller); its error output goes through a file in
// dir. A program that blocks is ended after a minute, and the test fails, rather than the run hanging.
inline ProgramRun runProgram(const std::string& program, const std::string& arguments, const TempDir& dir) {
    const std::string errFile = dir.file("stderr.txt");
    const std::string command = "timeout 60 '" + program + "' " + arguments + " 2>'" + errFile + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while (pipe && (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, TempDir::read(errFile)};
}

// The last line of a program's output, without its line end.
inline std::string lastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return "";
    const std::size_t start = text.rfind('\n', end);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    return text.substr(from, end - from + 1);
}
