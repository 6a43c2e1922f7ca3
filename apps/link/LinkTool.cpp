#include "apps/link/LinkTool.h"

#include "apps/link/ConsolePrompts.h"
#include "core/base/AtomicFile.h"
#include "core/base/CLogger.h"
#include "core/database/BinHistoryFile.h"
#include "core/history/DownloadedHistory.h"
#include "core/link/FirmwareUpgrade.h"
#include "core/link/HistoryDownload.h"
#include "core/link/LinkLog.h"
#include "core/link/MachineLink.h"
#include "core/link/Port.h"

#include <cstdio>
#include <ios>
#include <nlohmann/json.hpp>
#include <ostream>

const char* const LinkTool::kUsage = "usage: orvane-link identify --port P\n"
                                     "       orvane-link download --port P --out FILE\n"
                                     "       orvane-link upgrade --port P --yes [--history-out FILE] FILE\n"
                                     "P is a port name (ttyUSB0) or a device path (/dev/ttyUSB0).\n";

namespace {

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

nlohmann::ordered_json frameJson(const InfoFrame& frame) {
    using nlohmann::ordered_json;
    ordered_json json;
    json["identBytes"] = frame.identBytes;
    json["extBytes"] = frame.hasExtBytes ? ordered_json(frame.extBytes) : ordered_json(nullptr);
    json["typeByte"] = hex(frame.typeByte(), 2);
    json["firmwareVersion"] = hex(frame.firmwareVersion(), 8);
    json["serialNumber"] = hex(frame.serialNumber(), 8);
    json["bootloaderVersion"] = hex(frame.bootloaderVersion(), 2);
    return json;
}

// The file a download is kept in; false, logged, when it cannot be written.
bool writeHistory(const DownloadedHistory& history, const std::string& path) {
    const std::vector<std::uint8_t> bytes = history.binFile();
    try {
        AtomicFile::write(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::ios_base::failure& error) {
        CLogger::getInstance()->log("Couldn't write history file " + path + " : " + error.what());
        return false;
    }
    CLogger::getInstance()->log("History file written: " + path);
    return true;
}

bool takeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value, std::string& error) {
    if (!value.empty()) {
        error = args[i] + " given twice";
        return false;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = args[i] + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

bool checkCommand(const LinkTool::Arguments& a, std::string& error) {
    if (a.port.empty())
        error = "--port is missing";
    else if (a.command == "download" && a.out.empty())
        error = "download needs --out FILE";
    else if (a.command != "download" && !a.out.empty())
        error = "--out is for download";
    else if (a.command == "upgrade" && a.file.empty())
        error = "upgrade needs the upgrade FILE";
    else if (a.command == "upgrade" && !a.yes)
        error = "upgrade needs --yes to confirm";
    else if (a.command != "upgrade" && (a.yes || !a.historyOut.empty() || !a.file.empty()))
        error = "--yes, --history-out and a FILE are for upgrade";
    return error.empty();
}

} // namespace

std::optional<LinkTool::Arguments> LinkTool::parse(const std::vector<std::string>& args, std::string& error) {
    Arguments a;
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        a.command = "help";
        return a;
    }
    if (args.empty() || (args[0] != "identify" && args[0] != "download" && args[0] != "upgrade")) {
        error = args.empty() ? "no command" : "unknown command " + args[0];
        return std::nullopt;
    }
    a.command = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool ok = true;
        if (arg == "--port")
            ok = takeValue(args, i, a.port, error);
        else if (arg == "--out")
            ok = takeValue(args, i, a.out, error);
        else if (arg == "--history-out")
            ok = takeValue(args, i, a.historyOut, error);
        else if (arg == "--yes")
            a.yes = true;
        else if (arg.rfind("-", 0) == 0 && arg != "-")
            ok = (error = "unknown option " + arg).empty();
        else if (a.file.empty())
            a.file = arg;
        else
            ok = (error = "one FILE only").empty();
        if (!ok)
            return std::nullopt;
    }
    if (!checkCommand(a, error))
        return std::nullopt;
    return a;
}

LinkTool::LinkTool(Port& port, Clock& clock, std::ostream& out) : port_(port), clock_(clock), out_(out) {}

int LinkTool::run(const Arguments& arguments) {
    if (arguments.command == "help") {
        out_ << kUsage;
        return kDone;
    }
    if (arguments.command == "identify")
        return identify(arguments);
    if (arguments.command == "download")
        return download(arguments);
    return upgrade(arguments);
}

int LinkTool::identify(const Arguments& arguments) {
    ConsolePrompts prompts;
    DownloadedHistory history;
    MachineLink link(port_, clock_, prompts, history.frame);
    link.setAutoCOM(false);
    const bool identified = link.openLink(arguments.port) && link.identifyMachine();
    link.closePort();
    if (!identified)
        return kFailed;
    out_ << frameJson(history.frame).dump(2) << '\n';
    return kDone;
}

int LinkTool::download(const Arguments& arguments) {
    ConsolePrompts prompts;
    DownloadedHistory history;
    MachineLink link(port_, clock_, prompts, history.frame);
    link.setAutoCOM(false);
    HistoryDownload loader(link, history);
    const bool loaded = loader.downloadHistory(arguments.port);
    link.closePort();
    if (!loaded)
        return kFailed;
    CLogger::getInstance()->log(LinkLog::loadingSuccessful(history.frame.serialNumber()));
    return writeHistory(history, arguments.out) ? kDone : kFailed;
}

int LinkTool::upgrade(const Arguments& arguments) {
    ConsolePrompts prompts(arguments.file);
    DownloadedHistory history;
    MachineLink link(port_, clock_, prompts, history.frame);
    link.setAutoCOM(false);
    HistoryDownload loader(link, history);
    FirmwareUpgrade upgrade(link, loader, [&] {
        CLogger::getInstance()->log(LinkLog::loadingSuccessful(history.frame.serialNumber()));
        const FXULogTime& t = history.time;
        const std::string path =
            arguments.historyOut.empty() ? BinHistoryFile::FileNameFor(t) : arguments.historyOut;
        return writeHistory(history, path);
    });
    switch (upgrade.run(arguments.port)) {
    case FirmwareUpgrade::Outcome::Done:
        return kDone;
    case FirmwareUpgrade::Outcome::FileRefused:
    case FirmwareUpgrade::Outcome::FileNotChosen:
    case FirmwareUpgrade::Outcome::Cancelled:
        return kRefused;
    default:
        return kFailed;
    }
}
