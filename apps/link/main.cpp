// orvane-link: the machine link from the command line. Log lines go to standard error and to the event
// log orvane-link.log (beside the program, or in the user's state folder when installed); see LinkTool for
// the commands and exit codes.

#include "apps/link/LinkTool.h"
#include "core/base/CLogger.h"
#include "core/base/ProgramFile.h"
#include "core/base/ProgramFolders.h"
#include "core/base/SystemClock.h"
#include "core/base/ToolOptions.h"
#include "core/i18n/Cp1252.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/PortAccess.h"
#include "core/link/TComPort.h"

#include <filesystem>
#include <iostream>

namespace {

// Writing the log says so on standard output, where it would spoil the JSON of "identify".
void saveEventLog() {
    std::cout.flush();
    std::streambuf* const out = std::cout.rdbuf(nullptr);
    try {
        CLogger::destroyInstance();
    } catch (const std::ios_base::failure& error) {
        std::cerr << "orvane-link: event log not written: " << error.what() << '\n';
    }
    std::cout.rdbuf(out);
    std::cout.clear();
}

// A port this user may not open fails with "access denied" only after the log has begun; say first, in
// the user's language, what to do about it.
void tellPortAccess(const std::string& port) {
    if (port.empty())
        return;
    std::error_code ignored;
    const std::string path = port.find('/') != std::string::npos ? port : "/dev/" + port;
    const std::vector<std::string> present =
        std::filesystem::exists(path, ignored) ? std::vector<std::string>{path} : std::vector<std::string>{};
    if (!PortAccess::Denied(present, PortAccess::ThisUser()))
        return;
    const std::string text = ProgramTexts::Text(ProgramTexts::Id::NoPortAccess, ToolOptions::LocaleLanguage(),
                                                {PortAccess::UserName()});
    std::cerr << "orvane-link: " << cp1252::toUtf8(text) << '\n';
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = ToolOptions::Answer(argc, argv, "orvane-link", LinkTool::kUsage, std::cout))
        return *answered;
    std::string error;
    const auto arguments = LinkTool::parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!arguments) {
        std::cerr << "orvane-link: " << error << '\n' << LinkTool::kUsage;
        return LinkTool::kRefused;
    }
    FXUStringTable::getInstance()->SetLanguage(0);
    tellPortAccess(arguments->port);
    const ProgramFolders folders = ProgramFolders::ForProgram(ProgramFile::executablePath());
    std::string folderError;
    if (!folders.MakeFolders(folderError))
        std::cerr << "orvane-link: " << folderError << '\n';
    CLogger* log = CLogger::getInstance();
    try {
        log->open(folders.logFile());
    } catch (const std::ios_base::failure&) {
        // No log yet: it is written at the end.
    }
    log->setListener([](const std::string& text) { std::cerr << text << std::endl; });

    int code = LinkTool::kFailed;
    {
        SystemClock clock;
        // A port is always named here: the list of ports present is not needed.
        TComPort port([] { return std::vector<std::string>(); });
        code = LinkTool(port, clock, std::cout).run(*arguments);
    }
    saveEventLog();
    FXUStringTable::destroyInstance();
    return code;
}
