#include "apps/machine-sim/SimOptions.h"

#include "apps/machine-sim/ExpectedRows.h"

#include <functional>
#include <stdexcept>

namespace {

std::optional<std::uint64_t> decimal(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

// Hexadecimal digits, "0x" allowed in front; exactly digits long when digits is not 0.
std::optional<std::vector<std::uint8_t>> hexBytes(std::string text, std::size_t digits) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    if (text.empty() || text.size() % 2 != 0 || (digits != 0 && text.size() != digits))
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int value = 0;
        for (std::size_t j = i; j < i + 2; ++j) {
            const char c = text[j];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::optional<std::uint8_t> hexByte(const std::string& text) {
    std::string padded = text;
    if (padded.size() == 1)
        padded = "0" + padded;
    const auto bytes = hexBytes(padded, 2);
    if (!bytes)
        return std::nullopt;
    return (*bytes)[0];
}

std::optional<std::uint32_t> hex32(const std::string& text) {
    const auto bytes = hexBytes(text, 8);
    if (!bytes)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const std::uint8_t b : *bytes)
        value = (value << 8) | b;
    return value;
}

// "19.2.1.1" (decimal bytes, major first) or eight hexadecimal digits.
std::optional<std::uint32_t> version(const std::string& text) {
    if (text.find('.') == std::string::npos)
        return hex32(text);
    std::uint32_t value = 0;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos)
            return std::nullopt;
        const auto byte = decimal(text.substr(start, end - start), 255);
        if (!byte)
            return std::nullopt;
        value = (value << 8) | static_cast<std::uint32_t>(*byte);
        start = end + 1;
    }
    return value;
}

// "K:REST", K decimal.
std::optional<std::pair<std::uint64_t, std::string>> countAndRest(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const auto count = decimal(text.substr(0, colon), 1000000);
    if (!count)
        return std::nullopt;
    return std::make_pair(*count, text.substr(colon + 1));
}

} // namespace

std::optional<SimOptions> SimOptions::Parse(const std::vector<std::string>& arguments, std::string& error) {
    SimOptions o;
    MachineConfig& m = o.machine;
    using Setter = std::function<bool(const std::string&)>;
    auto number = [](int& field, int max) {
        return [&field, max](const std::string& v) {
            const auto n = decimal(v, static_cast<std::uint64_t>(max));
            if (n)
                field = static_cast<int>(*n);
            return n.has_value();
        };
    };
    auto text = [](std::string& field) {
        return [&field](const std::string& v) {
            field = v;
            return !v.empty();
        };
    };
    auto byte = [](auto& field) {
        return [&field](const std::string& v) {
            const auto b = hexByte(v);
            if (b)
                field = *b;
            return b.has_value();
        };
    };
    int historyFaults = -1;

    const std::vector<std::pair<std::string, Setter>> withValue = {
        {"--link", text(o.linkPath)},
        {"--trace", text(o.tracePath)},
        {"--save-bin", text(o.saveBinPath)},
        {"--bin", text(o.binPath)},
        {"--dat", text(o.datPath)},
        {"--qvl", text(o.qvlPath)},
        {"--seed",
         [&](const std::string& v) {
             const auto n = decimal(v, 0xFFFFFFFFu);
             if (n)
                 o.seed = static_cast<std::uint32_t>(*n);
             return n.has_value();
         }},
        {"--row-delay-ms", number(m.rowDelayMs, 600000)},
        {"--row-gap-ms",
         [&](const std::string& v) {
             // Bytes read together arrive at the same moment; no gap at all would split them.
             const auto n = decimal(v, 60000);
             if (n && *n > 0)
                 m.rowGapMs = static_cast<int>(*n);
             return n && *n > 0;
         }},
        {"--type-byte", byte(o.overrides.typeByte)},
        {"--firmware",
         [&](const std::string& v) {
             o.overrides.firmwareVersion = version(v);
             return o.overrides.firmwareVersion.has_value();
         }},
        {"--serial",
         [&](const std::string& v) {
             o.overrides.serialNumber = hex32(v);
             return o.overrides.serialNumber.has_value();
         }},
        {"--bootloader", byte(o.overrides.bootloaderVersion)},
        {"--ident",
         [&](const std::string& v) {
             const auto b = hexBytes(v, 12);
             if (b)
                 o.overrides.identBytes =
                     std::array<std::uint8_t, 6>{(*b)[0], (*b)[1], (*b)[2], (*b)[3], (*b)[4], (*b)[5]};
             return b.has_value();
         }},
        {"--ext",
         [&](const std::string& v) {
             const auto b = hexBytes(v, 4);
             if (b)
                 o.overrides.extBytes = std::array<std::uint8_t, 2>{(*b)[0], (*b)[1]};
             return b.has_value();
         }},
        {"--noise-after-t", number(m.noiseAfterTMs, 600000)},
        {"--echo-delay", number(m.echoDelayMs, 600000)},
        {"--info-delay", number(m.infoDelayMs, 600000)},
        {"--wrong-echo", byte(m.wrongEcho)},
        {"--info-short",
         [&](const std::string& v) {
             const auto n = decimal(v, 17);
             if (n)
                 m.infoShort = static_cast<std::size_t>(*n);
             return n.has_value();
         }},
        {"--info-invalid",
         [&](const std::string& v) {
             if (v == "bootloader")
                 m.infoInvalid = MachineConfig::InfoInvalid::Bootloader;
             else if (v == "serial")
                 m.infoInvalid = MachineConfig::InfoInvalid::Serial;
             else
                 return false;
             return true;
         }},
        {"--history-truncate",
         [&](const std::string& v) {
             const auto n = decimal(v, 100000);
             if (n)
                 m.historyTruncate = static_cast<std::size_t>(*n);
             return n.has_value();
         }},
        {"--history-pause",
         [&](const std::string& v) {
             const auto parts = countAndRest(v);
             const auto ms = parts ? decimal(parts->second, 600000) : std::nullopt;
             if (ms)
                 m.historyPause =
                     MachineConfig::Pause{static_cast<std::size_t>(parts->first), static_cast<int>(*ms)};
             return ms.has_value();
         }},
        {"--history-faults", number(historyFaults, 1000000)},
        {"--sync-answer",
         [&](const std::string& v) {
             m.syncAnswer.clear();
             if (v == "none")
                 return true;
             std::size_t start = 0;
             while (start <= v.size()) {
                 const std::size_t comma = std::min(v.find(',', start), v.size());
                 const auto b = hexByte(v.substr(start, comma - start));
                 if (!b)
                     return false;
                 m.syncAnswer.push_back(*b);
                 start = comma + 1;
             }
             return true;
         }},
        {"--row-fault",
         [&](const std::string& v) {
             const auto parts = countAndRest(v);
             if (!parts || parts->first == 0)
                 return false;
             MachineConfig::RowFault fault;
             fault.row = static_cast<int>(parts->first);
             if (parts->second == "nak") {
                 fault.kind = MachineConfig::RowFault::Kind::Nak;
             } else if (parts->second == "silence") {
                 fault.kind = MachineConfig::RowFault::Kind::Silence;
             } else {
                 const auto b = hexByte(parts->second);
                 if (!b)
                     return false;
                 fault.kind = MachineConfig::RowFault::Kind::Byte;
                 fault.byte = *b;
             }
             m.rowFault = fault;
             return true;
         }},
        {"--disconnect-at",
         [&](const std::string& v) {
             const std::size_t colon = v.find(':');
             if (colon != 1 || std::string("TIHDBPQR").find(v[0]) == std::string::npos)
                 return false;
             const auto n = decimal(v.substr(2), 100000);
             if (n)
                 m.disconnect = MachineConfig::Disconnect{v[0], static_cast<std::size_t>(*n)};
             return n.has_value();
         }},
    };
    const std::vector<std::pair<std::string, std::function<void()>>> flags = {
        {"--no-pace", [&] { m.paced = false; }}, {"--exit-after-upgrade", [&] { o.exitAfterUpgrade = true; }},
        {"--no-echo", [&] { m.noEcho = true; }}, {"--help", [&] { o.help = true; }},
        {"-h", [&] { o.help = true; }},
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        bool known = false;
        for (const auto& [flag, set] : flags) {
            if (name == flag && !value) {
                set();
                known = true;
            }
        }
        for (const auto& [option, set] : withValue) {
            if (name != option)
                continue;
            known = true;
            if (!value) {
                if (i + 1 >= arguments.size()) {
                    error = option + " needs a value";
                    return std::nullopt;
                }
                value = arguments[++i];
            }
            if (!set(*value)) {
                error = "bad value for " + option + ": " + *value;
                return std::nullopt;
            }
        }
        if (!known) {
            error = "unknown argument: " + arguments[i];
            return std::nullopt;
        }
    }
    m.historyFaultCount = historyFaults;
    if (!o.binPath.empty() && !o.datPath.empty()) {
        error = "--bin and --dat exclude each other";
        return std::nullopt;
    }
    if (m.noEcho && m.wrongEcho) {
        error = "--no-echo and --wrong-echo exclude each other";
        return std::nullopt;
    }
    return o;
}

std::optional<MachineContents> SimOptions::LoadFiles(std::string& error) {
    if (!qvlPath.empty()) {
        auto rows = ExpectedRows::Load(qvlPath, error);
        if (!rows)
            return std::nullopt;
        machine.expectedRows = std::move(*rows);
    }
    if (!binPath.empty())
        return MachineContents::FromBin(binPath, overrides, error);
    if (!datPath.empty())
        return MachineContents::FromDat(datPath, overrides, error);
    try {
        return MachineContents::Generated(seed, overrides);
    } catch (const std::invalid_argument& e) {
        error = std::string("no machine can be generated with these fields: ") + e.what();
        return std::nullopt;
    }
}

std::string SimOptions::HelpText() {
    return R"(Usage: orvane-machine-sim [OPTION]...
A simulated machine on a pseudo-terminal. Prints the device path as its first line, then serves until
SIGTERM or SIGINT (or until the upgrade's "b" with --exit-after-upgrade). Where it may (root), it runs
before ordinary programs, so that it answers in time however busy the PC is.

Terminal:
  --link PATH              also make PATH a symlink to the device (replaced; removed at exit)
  --trace FILE             append one line per thing received: T, I, H, D, t, B, b, "P|Q|R HEX" for
                           a row, "ignored HH", "disconnect", "note ..."
  --exit-after-upgrade     exit once "b" has ended an upgrade
  --save-bin FILE          write the .bin history file a download from this machine gives
Line:
  --no-pace                answer at once instead of at 38400 baud 8N1 (0.26 ms a byte)
  --row-delay-ms N         programming time per row before the acknowledgement (default 10)
  --qvl FILE               the upgrade file the PC sends: each row ends after its own length
  --row-gap-ms N           without --qvl, a row ends after N ms without a byte (default 2); a row
                           without any byte ends 500 ms after its command byte
Machine (a generated machine by default):
  --seed N                 generate the machine and its history from seed N (default 1)
  --bin FILE               take info frame, image and extra block from a .bin history file
  --dat FILE               be the machine of a machine file (.dat) as its newest record shows it
  --type-byte HH  --firmware HHHHHHHH|A.B.C.D  --serial HHHHHHHH  --bootloader HH
  --ident HHHHHHHHHHHH     info frame fields over the generated, .bin or .dat ones
  --ext HHHH               send the extended (18-byte) info frame with these two bytes
  --echo-delay MS          echo "T" MS ms late, as behind a slow USB adapter (the PC looks for 60 ms)
  --info-delay MS          send the info frame MS ms late (the PC waits about 400 ms)
Faults:
  --noise-after-t MS       send noise for MS ms after the "T" that enters test mode
                           (the PC gives up after nine 50 ms windows)
  --no-echo | --wrong-echo HH   no echo, or HH, for "T" in test mode
  --info-short N           the info frame stops after N bytes
  --info-invalid bootloader|serial   bootloader byte 0x20, or a serial number below 0x04000000
  --history-truncate N     the history answer stops after N bytes
  --history-pause K:MS     the history answer pauses MS ms after K bytes
  --history-faults N       only the first N history answers get these faults (default all)
  --sync-answer HH[,HH...]|none   answer to "t","B" (default 06)
  --row-fault K:nak|silence|HH    answer data row K (from 1 after each "t","B") so
  --disconnect-at C:K      the device disappears after K bytes of the answer to C (T I H D B P Q R)
                           and the simulator exits
)";
}
