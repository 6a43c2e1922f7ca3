#include "core/historyview/ServiceReport.h"

#include "core/database/DBMowerFile.h"
#include "core/historyview/FXUOverviewTables.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/ServiceReportPainter.h"
#include "ui/WinText.h"

#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The PDF's text as a reader's copy and paste would give it, or what pdftotext said when it failed.
std::string pdfText(const std::string& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QString::fromStdString(path), "-"});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return "pdftotext failed: " + process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

std::string utf8(const std::string& bytes) {
    return WinText::toQt(bytes).toStdString();
}

std::unique_ptr<FXUMowerLog> knownMachine() {
    HistoryGenerator generator(1802);
    auto machine = generator.machine(3);
    machine->SetName("Dupr\xE9");
    machine->SetFirstName("Zo\xEB");
    machine->SetAddress("Gro\xDF"
                        "e Stra\xDF"
                        "e 3\nK\xF6ln");
    return machine;
}

class ServiceReportTest : public ::testing::Test {
protected:
    void TearDown() override { releaseSharedState(); }
    TempDir dir;
};

TEST_F(ServiceReportTest, ThePdfHoldsTheRecordsFieldsInTheCurrentLanguage) {
    const auto machine = knownMachine();
    const FXULog& record = *machine->records().begin()->second;
    const Workshop workshop{"Garage \x8Cuvre", "Rue des Pr\xE9s 1"};
    for (const int language : {0, 4}) {
        FXUStringTable::getInstance()->SetLanguage(static_cast<std::uint8_t>(language));
        const FXUStringTable* catalogue = FXUStringTable::getInstance();
        const ServiceReport report =
            ServiceReport::Build(*machine, record, workshop, {2026, 12, 10, 9, 5, 0});
        const std::string path = dir.file("report" + std::to_string(language) + ".pdf");
        QString error;
        ASSERT_TRUE(ServiceReportPainter::WritePdf(report, QString::fromStdString(path), &error))
            << error.toStdString();
        const std::string text = pdfText(path);
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(record.serialNumber()));
        const FXULogTime& t = record.logTime();
        char date[32];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d %02d:%02d", t.day, t.month, t.year, t.hour,
                      t.minute);
        const std::vector<std::string> wanted = {
            utf8(ProgramTexts::Text(ProgramTexts::Id::ServiceReportTitle, language)),
            "Garage \xC5\x92uvre",
            "Rue des Pr\xC3\xA9s 1",
            "Dupr\xC3\xA9",
            "Zo\xC3\xAB",
            "K\xC3\xB6ln",
            machine->MachineNumberText(),
            serial,
            date,
            "10/12/2026 09:05",
            utf8(catalogue->Text(TextId::Statistics)),
            utf8(catalogue->Text(TextId::SleepHours)),
            utf8(catalogue->Text(TextId::MowingTime)),
            std::to_string(record.statistic(0)) + " min",
            utf8(catalogue->Text(TextId::Comments)),
            utf8(record.comment().substr(0, 20))};
        for (const std::string& field : wanted)
            EXPECT_NE(text.find(field), std::string::npos) << "language " << language << ": " << field;
    }
    EXPECT_NE(ProgramTexts::Text(ProgramTexts::Id::ServiceReportTitle, 0),
              ProgramTexts::Text(ProgramTexts::Id::ServiceReportTitle, 4));
}

TEST_F(ServiceReportTest, TheLastEventsAreMarkedWhereTheyAreAlarms) {
    const auto machine = knownMachine();
    for (const auto& [time, record] : machine->records()) {
        const ServiceReport report = ServiceReport::Build(*machine, *record, {}, FXULogTime());
        const ServiceReport::Table& last = report.tables.back();
        const ServiceReport::Table& alarms = report.tables[report.tables.size() - 2];
        EXPECT_EQ(last.cells.rows() - 1, std::min(record->eventCount(), ServiceReport::kLastEvents));
        for (int row : last.markedRows)
            EXPECT_EQ(last.cells.at(2, row).substr(0, 2), "* ");
        // Every alarm among the last events is in the alarm table too.
        EXPECT_LE(last.markedRows.size(), static_cast<std::size_t>(alarms.cells.rows()));
    }
}

TEST_F(ServiceReportTest, AReportThatCannotBeWrittenLeavesNothing) {
    const auto machine = knownMachine();
    const ServiceReport report =
        ServiceReport::Build(*machine, *machine->records().begin()->second, {}, FXULogTime());
    QString error;
    const std::string path = dir.file("missing/report.pdf");
    EXPECT_FALSE(ServiceReportPainter::WritePdf(report, QString::fromStdString(path), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ServiceReportTest, TheToolWritesTheChosenRecordOrRefusesInOneLine) {
    const auto machine = knownMachine();
    const std::string dat = dir.file("machine.dat");
    TempDir::write(dat, DBMowerFile::Serialize(*machine));
    const auto run = [](const QStringList& arguments, std::string* err) {
        QProcess process;
        process.start(QStringLiteral(OSK_REPORT_PROGRAM), arguments);
        process.waitForFinished(30000);
        *err = process.readAllStandardError().toStdString();
        return process.exitCode();
    };
    std::string err;
    const FXULogTime oldest = machine->records().begin()->first;
    const QString out = QString::fromStdString(dir.file("out.pdf"));
    ASSERT_EQ(run({QString::fromStdString(dat), "--pdf", out, "--record",
                   QString::fromStdString(oldest.isoText()), "--language", "1"},
                  &err),
              0)
        << err;
    char date[32];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", oldest.day, oldest.month, oldest.year);
    const std::string text = pdfText(out.toStdString());
    EXPECT_NE(text.find(utf8(ProgramTexts::Text(ProgramTexts::Id::ReportRecordOf, 1, {date}))),
              std::string::npos);

    const std::vector<QStringList> refused = {
        {QString::fromStdString(dat), "--pdf", out, "--record", "2001-02-30T00:00:00"},
        {QString::fromStdString(dat), "--pdf", out, "--record", "1999-01-01T00:00:00"},
        {QString::fromStdString(dat), "--pdf", out, "--language", "5"},
        {QString::fromStdString(dat)},
        {QString::fromStdString(dir.file("none.dat")), "--pdf", out},
        {QString::fromStdString(dat), "--pdf", QString::fromStdString(dir.file("no/such/out.pdf"))}};
    for (const QStringList& arguments : refused) {
        EXPECT_EQ(run(arguments, &err), 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

} // namespace
