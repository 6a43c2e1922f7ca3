#pragma once

#include <string>
#include <vector>

// Messages the program shows beyond the catalogue's texts, in the same five languages, following the
// catalogue's language. Held as Windows-1252 bytes; arguments (bytes too) replace %1, %2, ..., and a
// placeholder without an argument stays in the text.
class ProgramTexts {
public:
    enum class Id {
        UnholdableCharacter,          // field caption, character code
        TooLongToStore,               // field caption, stored length, limit
        MachineFileNotWritten,        // machine number text
        PortAccessDenied,             // port name; the second line under "Selected port not free"
        PortBusy,                     // port name; the same
        OperationRunning,             // why the program cannot be closed yet
        MachineFileNotWrittenAtClose, // machine number text, file path
        RetryButton,
        CloseWithoutSavingButton,
        CancelButton,
        DatabaseInUseBy,                  // database folder, process
        DatabaseInUse,                    // database folder
        FileNotOpened,                    // a file chosen for import cannot be opened
        ExportIntoDatabase,               // the second line under "Error during export file creation"
        SettingsUnreadable,               // settings file path
        PortNotPresent,                   // port name; an entry of the port chooser
        MachineFileNotWrittenHistoryKept, // machine number text, folder the history was kept in
        MachineFileNotWrittenHistoryLost, // machine number text
        MachineFileChanged,               // machine number text, file path
        NoPortAccess,                     // user name; no serial port can be opened by this user
        FindPlaceholder,                  // the machine list's search field when empty
        AnyServiceDate,                   // the items of the "not serviced for" filter
        NotServicedSixMonths,
        NotServicedOneYear,
        NotServicedTwoYears,
        AllMachineTypes,  // the type filter's first item
        MachinesShown,    // machines shown, machines in the database
        NoMachineMatches, // in the list when the search leaves no machine
        ServiceReportTitle,
        ServiceReportMenu, // the menu item that makes the report
        ReportMachineType,
        ReportRecordOf,  // record date
        ReportPrintedOn, // date printed
        ReportAlarms,
        ReportLastEvents, // number of events
        ReportNoAlarm,
        ReportSleepDays,     // column heading of the sleep hours table
        ReportHours,         // the same
        WorkshopNameCaption, // the workshop dialog, asked for on the first report
        WorkshopAddressCaption,
        WorkshopQuestion, // above the workshop dialog's fields
        ReportPrint,
        ReportSavePdf,
        ReportNotWritten, // the reason
        TrendsTab,
        TrendsHint,
        CentralUnreachable,     // the status bar line while the central store is away
        CentralSynchroniseMenu, // the menu item
        CentralSynchronising,   // the progress window's caption
        CentralOwnerConflict,   // serial number, owner data here, owner data in the store
        CentralKeepHere,        // a button of the owner and comment conflicts
        CentralKeepStore,       // the other button
        CentralCommentConflict, // record date and time, serial number, comment here, comment in the store
    };
    static constexpr int kCount = 53;

    static std::string Text(Id id, const std::vector<std::string>& arguments = {});
    // The same in one language (0 English, 1 French, 2 Italian, 3 Dutch, 4 German).
    static std::string Text(Id id, int language, const std::vector<std::string>& arguments = {});
};
