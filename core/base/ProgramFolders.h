#pragma once

#include <functional>
#include <string>
#include <vector>

// Where one run keeps its files. Beside the program file when that folder can be written (a build folder,
// an unpacked copy); for an installed program the user's folders of the XDG base directories: settings in
// the config folder, the event log in the state folder, a default database in the data folder. An installed
// program never puts anything into the home folder itself.
class ProgramFolders {
public:
    static constexpr const char* kFolderName = "orvane-service-kit";

    // Looks a variable up; null when it is not set.
    using Environment = std::function<const char*(const char*)>;

    // programFolderWritable: whether this user may create files in the program file's folder.
    static ProgramFolders Choose(const std::string& programPath, bool programFolderWritable,
                                 const Environment& environment);
    // The same for this process: its own write access and environment (HOME from the user database when
    // unset).
    static ProgramFolders ForProgram(const std::string& programPath);

    bool besideProgram() const { return besideProgram_; }
    const std::string& settingsFile() const { return settingsFile_; }
    const std::string& logFile() const { return logFile_; }
    // The database folder used when the settings name none; empty beside the program (the folder the
    // program is started from, as always).
    const std::string& defaultDatabaseFolder() const { return databaseFolder_; }

    // Makes the folders of the settings and the log; false with the reason when one cannot be made.
    bool MakeFolders(std::string& error) const;
    // The event log's first lines: where this run's files are.
    std::vector<std::string> Describe() const;

private:
    bool besideProgram_ = true;
    std::string settingsFile_;
    std::string logFile_;
    std::string databaseFolder_;
};
