#pragma once

#include <string>

class Prompts;
class TDBMowerList;

// The import of a machine file (.dat) into the database: its records go to the machine with its serial
// number or its identity, or it becomes a new machine. Every outcome is told to the user and the log.
class DatabaseImport {
public:
    enum class Kind { None, MachineFile, HistoryFile };

    DatabaseImport(TDBMowerList& list, Prompts& prompts) : list_(list), prompts_(prompts) {}

    // True when the file was merged into a machine or added as a new one. A file that cannot be read
    // whole and valid touches no machine.
    bool ImportDatabaseFile(const std::string& path);

    // What a file dropped onto the list is taken for, by its name: ".dat" a machine file, ".bin" or a
    // name ending in "serialdata.txt" a history file.
    static Kind KindOf(const std::string& path);

private:
    TDBMowerList& list_;
    Prompts& prompts_;
};
