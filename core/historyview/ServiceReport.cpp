#include "core/historyview/ServiceReport.h"

#include "core/history/FXULog.h"
#include "core/history/FXUMowerLog.h"
#include "core/history/MachineModels.h"
#include "core/historyview/FXUEventRows.h"
#include "core/historyview/FXUOverviewTables.h"
#include "core/historyview/FXUSettingsTables.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

using Id = ProgramTexts::Id;

std::string dateText(const FXULogTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", time.day, time.month, time.year, time.hour,
                  time.minute);
    return text;
}

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

ServiceReport::Table sleepTable(const FXULog& record) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    ServiceReport::Table table{catalogue->Text(TextId::SleepHours), {}, true, {}};
    std::vector<std::array<std::string, 3>> rows;
    for (int zone = 0; zone < record.zoneCount(); ++zone)
        for (int range = 0; range < record.sleepEntryCount(); ++range) {
            const FXUSleepEntry entry = record.sleepEntry(range + zone * record.sleepStride());
            if (entry.mask == 0)
                continue; // a range on no day is not in use
            std::string days;
            for (int day = 0; day < 7; ++day)
                if (entry.mask & (1u << (day + 1))) {
                    // The first three letters of the day's name, as a calendar heads its columns.
                    const std::string name = catalogue->Text(TextIdAfter(TextId::Monday, day));
                    days += (days.empty() ? "" : " ") + name.substr(0, 3);
                }
            rows.push_back({std::string(1, static_cast<char>('A' + zone)), entry.rangeText(), days});
        }
    table.cells = FXUTextGrid(3, static_cast<int>(rows.size()) + 1);
    table.cells.set(0, 0, "Zone");
    table.cells.set(1, 0, ProgramTexts::Text(Id::ReportHours));
    table.cells.set(2, 0, ProgramTexts::Text(Id::ReportSleepDays));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (int c = 0; c < 3; ++c)
            table.cells.set(c, static_cast<int>(i) + 1, rows[i][static_cast<std::size_t>(c)]);
    return table;
}

} // namespace

ServiceReport ServiceReport::Build(const FXUMowerLog& machine, const FXULog& record, const Workshop& workshop,
                                   const FXULogTime& printedAt) {
    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    ServiceReport report;
    report.title = ProgramTexts::Text(Id::ServiceReportTitle);
    report.workshop = workshop;
    report.customerTitle = catalogue->Text(TextId::CustomerReferences);
    report.customer = {{catalogue->Text(TextId::Lastname), machine.name()},
                       {catalogue->Text(TextId::Firstname), machine.firstName()},
                       {catalogue->Text(TextId::Address), machine.address()}};
    report.machineTitle = catalogue->Text(TextId::MachineInformation);
    const MachineModel* model = MachineModels::find(machine.typeCode());
    report.machine = {{catalogue->Text(TextId::MachineNr), machine.MachineNumberText()},
                      {ProgramTexts::Text(Id::ReportMachineType), model ? std::string(model->name) : "?"},
                      {catalogue->Text(TextId::MachineSnb), hex(record.serialNumber(), 8)},
                      {catalogue->Text(TextId::FirmwareVersion),
                       hex(record.typeByte(), 2) + "-" + hex(record.firmwareVersion(), 8)},
                      {catalogue->Text(TextId::Bootloader), hex(record.bootloaderVersion(), 2)}};
    report.recordDate = ProgramTexts::Text(Id::ReportRecordOf, {dateText(record.logTime())});

    report.tables.push_back(
        {catalogue->Text(TextId::Statistics), FXUOverviewTables::Statistics(record), false, {}});
    report.tables.push_back(
        {catalogue->Text(TextId::ParametersAndOptions), FXUSettingsTables::Parameters(record), true, {}});
    report.tables.push_back(
        {catalogue->Text(TextId::OptionsGroup), FXUSettingsTables::GlobalOptions(record), true, {}});
    if (!FXUSettingsTables::ZoneSlots(record).empty())
        report.tables.push_back({"", FXUSettingsTables::ZoneOptions(record), true, {}});
    report.tables.push_back(sleepTable(record));

    // Events newest first; the alarms among all of them, then the last ones with the alarms marked.
    const std::vector<FXUEventRow> events = FXUEventRows::Build(record);
    std::vector<const FXUEventRow*> alarms;
    for (const FXUEventRow& row : events)
        if (row.style == FXUEventStyle::Alarm)
            alarms.push_back(&row);
    Table alarmTable{
        ProgramTexts::Text(Id::ReportAlarms), FXUTextGrid(2, std::max<int>(1, alarms.size())), false, {}};
    if (alarms.empty())
        alarmTable.cells.set(0, 0, ProgramTexts::Text(Id::ReportNoAlarm));
    for (std::size_t i = 0; i < alarms.size(); ++i) {
        alarmTable.cells.set(0, static_cast<int>(i), alarms[i]->cells[1]);
        alarmTable.cells.set(1, static_cast<int>(i), alarms[i]->cells[FXUEventRows::kEventColumn]);
    }
    report.tables.push_back(std::move(alarmTable));
    const int shown = std::min<int>(kLastEvents, static_cast<int>(events.size()));
    Table last{ProgramTexts::Text(Id::ReportLastEvents, {std::to_string(shown)}),
               FXUTextGrid(FXUEventRow::kColumns, shown + 1),
               true,
               {}};
    for (int c = 0; c < FXUEventRow::kColumns; ++c)
        last.cells.set(c, 0, FXUEventRows::kHeaders[static_cast<std::size_t>(c)]);
    for (int i = 0; i < shown; ++i) {
        const FXUEventRow& row = events[static_cast<std::size_t>(i)];
        for (int c = 0; c < FXUEventRow::kColumns; ++c)
            last.cells.set(c, i + 1, row.cells[static_cast<std::size_t>(c)]);
        if (row.style == FXUEventStyle::Alarm) {
            last.cells.set(FXUEventRows::kEventColumn, i + 1, "* " + row.cells[FXUEventRows::kEventColumn]);
            last.markedRows.push_back(i + 1);
        }
    }
    report.tables.push_back(std::move(last));

    report.commentTitle = catalogue->Text(TextId::Comments);
    report.comment = record.comment();
    report.printed = ProgramTexts::Text(Id::ReportPrintedOn, {dateText(printedAt)});
    return report;
}
