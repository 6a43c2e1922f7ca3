#pragma once

#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "core/database/Filing.h"
#include "core/database/MachineEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The machine database of one folder: its check file, its machine files and the machines they hold. It
// loads the folder as a start does, finds machines, files records into them (written at once), creates,
// merges and saves machines. It shows nothing: each operation tells what happened on its result, with the
// event-log lines the caller writes, in order.
class MachineDatabase {
public:
    enum class Access {
        Start,   // as the program starts: the check file is rewritten and recovered machines entered in it
        ReadOnly // nothing is written: what a start would load and write, for inspection
    };

    struct Refused {
        std::string file;
        DBMowerFile::Failure reason;
        std::string message;
    };
    struct LoadReport {
        std::vector<std::string> log;
        bool checkFileRefused = false; // missing or damaged; the machines found in the folder are loaded
        std::vector<Refused> refused;
        std::vector<std::string> recovered; // files loaded though the check file did not name them
        bool outOfMemory = false;           // the load stopped there; the entries are those loaded before
    };
    // How writing a machine file after filing records went; when it failed, the records were kept as
    // history files in the unsaved folder where that could be done.
    struct SaveReport {
        std::vector<std::string> log;
        bool saved = true;
        bool kept = true;         // every record of the failed save is in a history file
        std::string keptInFolder; // the folder of those history files
    };
    struct FilingReport {
        Filing filing = Filing::Duplicate;
        SaveReport save;
        bool opened = true; // false: the machine could not be opened; the record was not filed under it
    };
    struct MergeReport {
        std::vector<FXULogTime> added;
        SaveReport save;
        bool opened = true; // false: the machine could not be opened; nothing was merged
    };
    struct CreateReport {
        std::vector<std::string> log;  // every line in order, the save's among them
        MachineEntry* entry = nullptr; // null when refused: another machine's entry uses that file
        SaveReport save;
    };

    MachineDatabase() = default;
    MachineDatabase(const MachineDatabase&) = delete;
    MachineDatabase& operator=(const MachineDatabase&) = delete;

    // Called on the loading thread for each machine the check file names, in its order, as soon as that
    // machine and those before it are read: what the caller makes of it overlaps the reading of the rest.
    using Accepted = std::function<void(MachineEntry& entry)>;
    // Loads every machine the check file names, then every valid machine file of the folder it does not
    // name (entering those in it again, as Start; these are not passed to accepted). An empty directory is
    // the current one. The entries of an earlier load are gone.
    LoadReport Load(const std::string& directory, Access access = Access::Start,
                    const Accepted& accepted = {});

    // In list order: load order until Reorder.
    const std::vector<MachineEntry*>& entries() const { return order_; }
    // Puts the entries in that order (a permutation of entries()): the finds follow it.
    void Reorder(std::vector<MachineEntry*> order);
    const std::string& directory() const { return directory_; }
    const FXUCheckDir& checkDir() const { return checker_; }
    std::string PathFor(std::uint32_t serialNumber) const; // directory + "/" + "0001A2F3.dat"

    // The last entry in list order with that serial number or identity; null when none.
    MachineEntry* FindBySerial(std::uint32_t serialNumber) const;
    MachineEntry* FindByIdentity(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                                 std::int32_t machineNumber) const;
    // The first in list order with exactly that machine number text, or that serial number.
    MachineEntry* FirstByMachineNumber(const std::string& machineNumberText) const;
    MachineEntry* FirstBySerial(std::uint32_t serialNumber) const;
    std::vector<std::string> MachineNumberList() const;

    // Where records whose machine file cannot be written are kept as history files; none when empty.
    void setUnsavedFolder(std::string folder) { unsavedFolder_ = std::move(folder); }
    const std::string& unsavedFolder() const { return unsavedFolder_; }

    // Reads the machine's records, which a start leaves on disk, the first time they are needed. False, with
    // the log line, when its file changed since the start or can no longer be read: nothing of it is mixed
    // into the machine, and nothing is written to it.
    bool Open(MachineEntry& entry, std::vector<std::string>& log);
    // Files the record (taken only when it is no duplicate) and writes the machine file at once. A machine
    // that cannot be opened takes nothing: the record is kept as a history file, as when the write fails.
    FilingReport File(MachineEntry& entry, std::unique_ptr<FXULog>& record);
    // Takes over the other machine's records whose times are missing here and writes the file at once
    // when any came.
    MergeReport Merge(MachineEntry& entry, FXUMowerLog& other);
    // Adds a machine in the file of its serial number, written at once and entered in the check file.
    // Refused when another machine's entry uses that file (its serial number changed since the file was
    // named); a file there that no entry loaded is kept aside first.
    CreateReport Create(std::unique_ptr<FXUMowerLog> machine);
    enum class ExportOutcome { Written, IntoDatabase, NotWritten };
    // Writes the machine, opened first, as a machine file at target (extension ".dat"). Refused when the
    // target lies in the database folder or is the machine's own file: it would replace a live file.
    ExportOutcome Export(MachineEntry& entry, const std::string& target, std::vector<std::string>& log);
    // Whether writing target would replace a file of the database folder.
    bool InDatabaseFolder(const MachineEntry& entry, const std::string& target) const;
    // Writes the machine file; a version changed on disk meanwhile is kept aside (logged). False, with the
    // reason logged, when it cannot be written.
    bool Save(MachineEntry& entry, std::vector<std::string>& log);
    // Save after the records of these times were filed: when it fails, those records are kept as history
    // files in the unsaved folder.
    SaveReport SaveFiled(MachineEntry& entry, const std::vector<FXULogTime>& times);

private:
    void addUnlisted(LoadReport& report);
    static bool readEntry(MachineEntry& entry);
    // Reads the files on every core and hands each entry to take, in the order of paths, on this thread.
    static void
    readEntries(const std::vector<std::string>& paths,
                const std::function<void(std::size_t index, std::unique_ptr<MachineEntry>)>& take);
    MachineEntry* loadEntry(const std::string& path, LoadReport& report, const char* unlisted);
    MachineEntry* acceptEntry(std::unique_ptr<MachineEntry> entry, const std::string& path,
                              LoadReport& report, const char* unlisted);
    void keepAside(const std::string& path, std::vector<std::string>& log) const;
    void keepUnsaved(MachineEntry& entry, const FXULog& record, SaveReport& report) const;

    std::string directory_;
    FXUCheckDir checker_;
    std::vector<std::unique_ptr<MachineEntry>> owned_; // load order
    std::vector<MachineEntry*> order_;
    std::string unsavedFolder_;
};
