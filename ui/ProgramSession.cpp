#include "ui/ProgramSession.h"

#include "core/base/AtomicFile.h"
#include "core/base/CLogger.h"
#include "core/base/Prompts.h"
#include "core/database/FXUCheckDir.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/EComPort.h"
#include "core/link/Port.h"
#include "core/link/PortAccess.h"

#include <filesystem>
#include <ios>
#include <iostream>
#include <optional>

ProgramSession::ProgramSession(const std::string& programPath, Prompts& prompts)
    : folders_(ProgramFolders::ForProgram(programPath)), prompts_(prompts) {
    std::error_code ignored;
    firstStart_ = !std::filesystem::exists(folders_.settingsFile(), ignored);
    std::string folderError;
    const bool foldersMade = folders_.MakeFolders(folderError);
    logger_ = CLogger::getInstance();
    try {
        logger_->open(folders_.logFile());
    } catch (const std::ios_base::failure&) {
        // First run: there is no log yet; it is written at close.
    }
    logger_->log("Starting program");
    for (const std::string& line : folders_.Describe())
        logger_->log(line);
    if (!foldersMade)
        logger_->log(folderError);
    settings_ = std::make_unique<AppSettings>(folders_.settingsFile());
}

std::string ProgramSession::databaseFolder() {
    const std::string named = settings_->DbPath();
    if (!named.empty() || folders_.besideProgram())
        return named;
    const std::string directory = folders_.defaultDatabaseFolder();
    const std::string checkFile = FXUCheckDir::Join(directory, FXUCheckDir::kCheckFileName);
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    bool made = false;
    try {
        if (error)
            throw std::ios_base::failure(error.message());
        if (!std::filesystem::exists(checkFile, error)) {
            AtomicFile::write(checkFile, "");
            made = true;
        }
    } catch (const std::ios_base::failure& failure) {
        // The load then reports the missing check file; the settings keep naming no folder.
        logger_->log("Database folder " + directory + " cannot be made: " + failure.what());
        return directory;
    }
    logger_->log("Database folder " + directory + (made ? " made with an empty check file" : " taken again"));
    settings_->SetDbPath(directory);
    return directory;
}

void ProgramSession::reportPortAccess(Port& ports) {
    if (!firstStart_)
        return;
    std::vector<std::string> present;
    try {
        present = ports.EnumComPorts();
    } catch (const EComPort&) {
        // No list: whether the user may open a port plugged in later still tells.
    }
    if (!PortAccess::Denied(present, PortAccess::ThisUser()))
        return;
    const std::string user = PortAccess::UserName();
    logger_->log("User " + user + " may open no serial port (not in the group " + PortAccess::kPortGroup +
                 ")");
    prompts_.message(Prompts::Kind::Warning, ProgramTexts::Text(ProgramTexts::Id::NoPortAccess, {user}),
                     Prompts::Buttons::Ok);
}

ProgramSession::~ProgramSession() = default;

void ProgramSession::reportUnreadableSettings() {
    const std::optional<std::string> problem = settings_->ReadProblem();
    if (!problem)
        return;
    // Otherwise the dealer meets an empty list in the program's own folder and wonders where it went.
    logger_->log("Settings file cannot be read (" + *problem +
                 "): default settings used, the file is not rewritten");
    prompts_.message(Prompts::Kind::Warning,
                     ProgramTexts::Text(ProgramTexts::Id::SettingsUnreadable, {settings_->FileName()}),
                     Prompts::Buttons::Ok);
}

bool ProgramSession::openDatabase(const std::string& directory) {
    databaseLock_ = std::make_unique<DatabaseLock>();
    const DatabaseLock::State state = databaseLock_->Acquire(directory);
    if (state == DatabaseLock::State::Unavailable)
        // A folder that cannot be locked (missing, read-only) is still loaded: nothing can be written there.
        logger_->log("Database folder cannot be locked: " + databaseLock_->lastError());
    if (state != DatabaseLock::State::InUse) {
        removeTemporaries(directory);
        return true;
    }
    std::error_code error;
    const std::string folder = std::filesystem::absolute(directory.empty() ? "." : directory, error).string();
    const std::string& holder = databaseLock_->holder();
    logger_->log("Database " + folder + " is in use by another copy of the program" +
                 (holder.empty() ? "" : " (process " + holder + ")") + "; not loaded");
    prompts_.message(Prompts::Kind::Error,
                     holder.empty() ? ProgramTexts::Text(ProgramTexts::Id::DatabaseInUse, {folder})
                                    : ProgramTexts::Text(ProgramTexts::Id::DatabaseInUseBy, {folder, holder}),
                     Prompts::Buttons::Ok);
    return false;
}

void ProgramSession::removeTemporaries(const std::string& directory) {
    // Only the copy holding the database lock may: another copy's save could be under way.
    if (databaseLock_->state() != DatabaseLock::State::Held)
        return;
    auto report = [this](const std::vector<std::string>& removed, const std::string& folder) {
        if (!removed.empty())
            logger_->log("Removed " + std::to_string(removed.size()) +
                         " temporary files left by interrupted saves in " + (folder.empty() ? "." : folder));
    };
    report(FXUCheckDir::RemoveTemporaries(directory), directory);
    const std::filesystem::path settings(settings_->FileName());
    const std::string settingsName = settings.filename().string();
    const std::string logName = std::filesystem::path(logger_->fileName()).filename().string();
    const std::string beside = settings.parent_path().string();
    report(AtomicFile::RemoveTemporaries(
               beside, [&](std::string_view name) { return name == settingsName || name == logName; }),
           beside);
}

void ProgramSession::writeLog() {
    try {
        CLogger::destroyInstance();
    } catch (const std::ios_base::failure& error) {
        // The entries are lost; the close goes on so the settings and machines are not lost with them.
        std::cerr << "event log not written: " << error.what() << '\n';
    }
    logger_ = nullptr;
}

void ProgramSession::refuse() {
    writeLog();
    databaseLock_.reset();
}

void ProgramSession::close() {
    databaseLock_.reset();
    writeLog();
    settings_.reset();
}
