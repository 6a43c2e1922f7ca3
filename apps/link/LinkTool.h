#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class Clock;
class Port;

// The machine link from the command line, for scripted use and support: identify a machine, download its
// history into a .bin file, or upgrade it. The event log's lines are what it reports; the caller echoes
// them. Exit codes: 0 done, 1 machine or link failure, 2 bad arguments or a refused file.
class LinkTool {
public:
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;
    static constexpr int kRefused = 2;
    static const char* const kUsage;

    struct Arguments {
        std::string command;    // "identify", "download", "upgrade", or "help"
        std::string port;       // a port name (ttyUSB0) or a device path (/dev/pts/5)
        std::string out;        // download: the .bin file to write
        std::string file;       // upgrade: the upgrade file
        std::string historyOut; // upgrade: where the history goes; empty: a time-named file here
        bool yes = false;       // upgrade: confirmed
    };
    // Nothing, with error saying what is wrong, for arguments that do not make a command.
    static std::optional<Arguments> parse(const std::vector<std::string>& args, std::string& error);

    LinkTool(Port& port, Clock& clock, std::ostream& out);
    int run(const Arguments& arguments);

private:
    int identify(const Arguments& arguments);
    int download(const Arguments& arguments);
    int upgrade(const Arguments& arguments);

    Port& port_;
    Clock& clock_;
    std::ostream& out_;
};
