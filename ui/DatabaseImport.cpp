#include "ui/DatabaseImport.h"

#include "core/base/CLogger.h"
#include "core/base/Prompts.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/MachineImportFile.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

bool sameIdentity(const FXUMowerLog& a, const FXUMowerLog& b) {
    return a.typeCode() == b.typeCode() && a.year() == b.year() && a.machineNumber() == b.machineNumber() &&
           a.factoryFlag() == b.factoryFlag();
}

bool endsWith(const std::string& text, const std::string& suffix, bool anyCase) {
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [anyCase](char a, char b) {
                          return anyCase ? std::tolower(static_cast<unsigned char>(a)) ==
                                               std::tolower(static_cast<unsigned char>(b))
                                         : a == b;
                      });
}

std::string text(TextId id) {
    return FXUStringTable::getInstance()->Text(id);
}

} // namespace

DatabaseImport::Kind DatabaseImport::KindOf(const std::string& path) {
    if (endsWith(path, ".dat", true))
        return Kind::MachineFile;
    // The history file's own time-stamped name, as the import reads its time from it.
    if (endsWith(path, ".bin", true) || endsWith(path, "serialdata.txt", false))
        return Kind::HistoryFile;
    return Kind::None;
}

bool DatabaseImport::ImportDatabaseFile(const std::string& path) {
    CLogger* logger = CLogger::getInstance();
    auto imported = std::make_unique<FXUMowerLog>();
    MachineImportFile file;
    if (!file.Load(path, *imported)) {
        logger->log(file.lastError());
        prompts_.message(Prompts::Kind::Error,
                         file.failure() == MachineImportFile::Failure::CannotOpen
                             ? ProgramTexts::Text(ProgramTexts::Id::FileNotOpened)
                             : text(TextId::CorruptedFile),
                         Prompts::Buttons::Ok);
        return false;
    }

    TDBMower* bySerial = list_.FindBySerial(imported->serialNumber());
    TDBMower* byIdentity = list_.FindByIdentity(imported->typeCode(), imported->year(),
                                                imported->factoryFlag(), imported->machineNumber());
    if (bySerial && sameIdentity(bySerial->GetMowerLog(), *imported)) {
        // A merge whose file could not be written has said so, and where its records went.
        if (bySerial->Merge(*imported).saved)
            prompts_.message(Prompts::Kind::Plain, text(TextId::NewHistoryInsertionDone),
                             Prompts::Buttons::Ok);
        return true;
    }
    if (bySerial) {
        // Its serial number is another machine's: merging would mix two machines' histories, whichever
        // machine has its identity.
        std::string line = "Import file: " + path + " refused: its serial number belongs to machine " +
                           bySerial->GetMachineNumberText() + ", its machine number is " +
                           imported->MachineNumberText();
        if (byIdentity)
            line += ", which is another machine of the database";
        logger->log(line);
        prompts_.message(Prompts::Kind::Error, text(TextId::ExistingMachine), Prompts::Buttons::Ok);
        return false;
    }
    if (byIdentity) {
        byIdentity->Merge(*imported);
        return true;
    }
    return list_.CreateMachine(std::move(imported));
}

bool DatabaseImport::LoadBinFile(const std::string& path) {
    CLogger* logger = CLogger::getInstance();
    BinHistoryFile reader;
    BinHistoryFile::Contents contents;
    if (!reader.Load(path, contents)) {
        // A file that cannot be opened was never read; one that was read but holds no whole download is
        // refused: no record is built from bytes that were not there.
        if (reader.failure() == BinHistoryFile::Failure::CannotOpen) {
            logger->log(reader.lastError());
            prompts_.message(Prompts::Kind::Error, ProgramTexts::Text(ProgramTexts::Id::FileNotOpened),
                             Prompts::Buttons::Ok);
        } else {
            logger->log("Request loading history from bin file");
            logger->log(reader.lastError());
            prompts_.message(Prompts::Kind::Error, text(TextId::ErrorLoadingMachineInformation),
                             Prompts::Buttons::Ok);
        }
        return false;
    }
    logger->log("Request loading history from bin file");
    contents.copyTo(history_);
    return true;
}

bool DatabaseImport::ImportHistoryFile(const std::string& path) {
    if (!LoadBinFile(path))
        return false;
    fileHistory_();
    return true;
}

bool DatabaseImport::Import(const std::string& path) {
    switch (KindOf(path)) {
    case Kind::MachineFile:
        return ImportDatabaseFile(path);
    case Kind::HistoryFile:
        return ImportHistoryFile(path);
    case Kind::None:
        break;
    }
    return false;
}
