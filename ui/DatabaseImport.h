#pragma once

#include <functional>
#include <string>
#include <utility>

class Prompts;
class TDBMowerList;
struct DownloadedHistory;

// The imports into the database. A machine file (.dat): its records go to the machine with its serial
// number or its identity, or it becomes a new machine. A history file (.bin): filed like a download.
// Every outcome is told to the user and the log.
class DatabaseImport {
public:
    enum class Kind { None, MachineFile, HistoryFile };

    // history: the download buffers a history file fills; fileHistory files what they hold, as after a
    // download.
    DatabaseImport(TDBMowerList& list, Prompts& prompts, DownloadedHistory& history,
                   std::function<void()> fileHistory)
        : list_(list), prompts_(prompts), history_(history), fileHistory_(std::move(fileHistory)) {}

    // True when the file was merged into a machine or added as a new one. A file that cannot be read
    // whole and valid touches no machine.
    bool ImportDatabaseFile(const std::string& path);
    // Fills the download buffers from a history file as a serial download would, time included. A file
    // that holds no whole download leaves them as they were.
    bool LoadBinFile(const std::string& path);
    // LoadBinFile, then the filing; false when the file gave nothing to file.
    bool ImportHistoryFile(const std::string& path);
    // Either import, by the file's name (KindOf); false as well for a name neither takes.
    bool Import(const std::string& path);

    // What a file dropped onto the list is taken for, by its name: ".dat" a machine file, ".bin" or a
    // name ending in "serialdata.txt" a history file.
    static Kind KindOf(const std::string& path);

private:
    TDBMowerList& list_;
    Prompts& prompts_;
    DownloadedHistory& history_;
    std::function<void()> fileHistory_;
};
