#pragma once

#include "core/base/AppSettings.h"
#include "core/base/ProgramFolders.h"
#include "core/database/DatabaseLock.h"

#include <memory>
#include <string>
#include <vector>

class CLogger;
class Port;
class Prompts;

// One run of the program as its files see it (beside the program, or in the user's folders when installed):
// the event log and the settings file, opened at start, and the database folder's lock with the leftovers of
// interrupted saves. The close writes the log and lets the folder go; a start refused (another copy holds the
// database) writes only this run's log.
class ProgramSession {
public:
    // Opens the event log (a first run has none yet) with "Starting program" and reads the settings.
    ProgramSession(const std::string& programPath, Prompts& prompts);
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    AppSettings& settings() { return *settings_; }
    CLogger& logger() { return *logger_; }

    // The database folder the settings name. An installed program whose settings name none gets its own,
    // made with an empty check file and written into the settings: never the folder it was started from.
    std::string databaseFolder();
    // At the first start (no settings file yet): tells the dealer once when this user can open no port.
    void reportPortAccess(Port& ports);
    // Once the catalogue speaks the dealer's language: says so when the settings file could not be read.
    void reportUnreadableSettings();
    // Locks the database folder and removes what interrupted saves left there and beside the settings.
    // False, after telling the dealer, when another copy of the program holds it.
    bool openDatabase(const std::string& directory);
    // The start was refused: the other copy owns the database and the settings; only the log is written.
    void refuse();
    // The end of the run: the database is written, so another copy may have it; the log is written last.
    void close();

private:
    void removeTemporaries(const std::string& directory);
    void writeLog();

    ProgramFolders folders_;
    bool firstStart_ = false;
    Prompts& prompts_;
    CLogger* logger_ = nullptr;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<DatabaseLock> databaseLock_;
};
