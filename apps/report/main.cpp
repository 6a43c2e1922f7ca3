// orvane-report: a record's service report as a PDF, without windows, for a service desk that mails them.
//
//   orvane-report MACHINE.dat --pdf OUT [--record YYYY-MM-DDTHH:MM:SS] [--language N]
//
// The newest record by default; languages numbered as in the settings (0 English, 1 French, 2 Italian,
// 3 Dutch, 4 German), English by default. The workshop is the one kept in the service program's settings
// (beside the programs, or the user's settings folder for an installed kit), when there are any. Exit 0, or
// 2 with one line on standard error.

#include "core/base/AppSettings.h"
#include "core/base/ProgramFile.h"
#include "core/base/ProgramFolders.h"
#include "core/base/ToolOptions.h"
#include "core/database/DBMowerFile.h"
#include "core/historyview/ServiceReport.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/ServiceReportPainter.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr int kRefused = 2;

int refuse(const std::string& line) {
    std::cerr << "orvane-report: " << line << '\n';
    return kRefused;
}

std::optional<FXULogTime> parseTime(const std::string& text) {
    int year, month, day, hour, minute, second;
    char tail;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day,
                                         &hour, &minute, &second, &tail) != 6)
        return std::nullopt;
    const FXULogTime time(static_cast<std::uint16_t>(year), static_cast<std::uint8_t>(month),
                          static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(hour),
                          static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second));
    if (!time.isPlausible())
        return std::nullopt;
    return time;
}

Workshop workshopOf(const std::string& programPath) {
    const std::string ini = ProgramFolders::ForProgram(programPath).settingsFile();
    std::error_code error;
    if (!std::filesystem::is_regular_file(ini, error))
        return {};
    const AppSettings settings(ini);
    return {settings.WorkshopName(), settings.WorkshopAddress()};
}

constexpr const char* kUsage =
    "usage: orvane-report MACHINE.dat --pdf OUT [--record YYYY-MM-DDTHH:MM:SS] [--language N]";
constexpr const char* kHelp =
    "usage: orvane-report MACHINE.dat --pdf OUT [--record YYYY-MM-DDTHH:MM:SS] [--language N]\n"
    "Writes the service report of a machine's record (the newest by default) as a PDF, in English or in the "
    "language N (0 English, 1 French, 2 Italian, 3 Dutch, 4 German).\n";

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = ToolOptions::Answer(argc, argv, "orvane-report", kHelp, std::cout))
        return *answered;
    std::string machinePath, pdfPath, recordText;
    int language = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = arg == "--pdf" || arg == "--record" || arg == "--language";
        if (valued && i + 1 >= argc)
            return refuse(arg + " needs a value");
        if (arg == "--pdf")
            pdfPath = argv[++i];
        else if (arg == "--record")
            recordText = argv[++i];
        else if (arg == "--language") {
            const std::string value = argv[++i];
            if (value.size() != 1 || value[0] < '0' || value[0] > '4')
                return refuse("--language takes 0 to 4, not " + value);
            language = value[0] - '0';
        } else if (!arg.empty() && arg[0] != '-' && machinePath.empty())
            machinePath = arg;
        else
            return refuse(kUsage);
    }
    if (machinePath.empty() || pdfPath.empty())
        return refuse(kUsage);

    DBMowerFile file;
    file.SetFileName(machinePath);
    try {
        if (!file.LoadMachineFile())
            return refuse(file.lastError());
    } catch (const std::exception& error) {
        return refuse(machinePath + ": " + error.what());
    }
    const FXUMowerLog& machine = file.mowerLog();
    if (machine.records().empty())
        return refuse(machinePath + ": the machine has no record");
    const FXULog* record = &*machine.records().rbegin()->second;
    if (!recordText.empty()) {
        const std::optional<FXULogTime> time = parseTime(recordText);
        if (!time)
            return refuse("--record takes YYYY-MM-DDTHH:MM:SS, not " + recordText);
        const auto found = machine.records().find(*time);
        if (found == machine.records().end())
            return refuse(machinePath + ": no record of " + recordText);
        record = found->second.get();
    }

    // Fonts and the PDF writer need a GUI application; a service desk's server has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Standard error carries one line, the reason; Qt's remarks on the environment are not for it.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << "orvane-report: " << message.toStdString() << '\n';
    });
    QGuiApplication application(argc, argv);
    FXUStringTable::getInstance()->SetLanguage(static_cast<std::uint8_t>(language));
    const ServiceReport report =
        ServiceReport::Build(machine, *record, workshopOf(ProgramFile::executablePath()), FXULogTime());
    QString error;
    if (!ServiceReportPainter::WritePdf(report, QString::fromLocal8Bit(pdfPath.c_str()), &error))
        return refuse(error.toStdString());
    return 0;
}
