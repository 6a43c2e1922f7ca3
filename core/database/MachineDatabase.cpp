#include "core/database/MachineDatabase.h"

#include "core/base/AtomicFile.h"
#include "core/base/FXUDBFC_error.h"
#include "core/database/UnsavedHistory.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdio>
#include <filesystem>
#include <ios>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <new>
#include <thread>
#include <unistd.h>
#include <utility>

std::string MachineEntry::serialText() const {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(serialNumber()));
    return text;
}

MachineDatabase::LoadReport MachineDatabase::Load(const std::string& directory, Access access,
                                                  const Accepted& accepted) {
    directory_ = directory;
    order_.clear();
    owned_.clear();
    // Kept even when the check file is refused, so that machines added later are still entered in it.
    checker_ = FXUCheckDir();
    checker_.SetDataDir(directory);
    checker_.SetCheckDir(directory);
    checker_.SetCheckFileName(FXUCheckDir::kCheckFileName);
    checker_.SetReadOnly(access == Access::ReadOnly);

    LoadReport report;
    // The machine files are not probed here: reading them tells which are missing, at no extra cost.
    const bool listed = checker_.ReadCheckFile(false);
    report.checkFileRefused = !listed;
    // Loading only reads files (the check file is rewritten atomically, when the files are read), so
    // stopping on running out of memory cannot leave a half-written one.
    try {
        const std::vector<std::string>& paths = checker_.fileList();
        owned_.reserve(paths.size());
        order_.reserve(paths.size());
        std::vector<std::string> unreadable;
        readEntries(paths, [&](std::size_t index, std::unique_ptr<MachineEntry> entry) {
            // An entry without a readable machine file is dropped from the check file, not reported.
            if (entry->file().failure() == DBMowerFile::Failure::CannotOpen &&
                ::access(paths[index].c_str(), R_OK) != 0) {
                unreadable.push_back(paths[index]);
                return;
            }
            MachineEntry* taken = acceptEntry(std::move(entry), paths[index], report, nullptr);
            if (taken && accepted)
                accepted(*taken);
        });
        checker_.DropUnreadable(unreadable);
        if (checker_.droppedEntries() > 0)
            report.log.insert(report.log.begin(),
                              "Check file: " + std::to_string(checker_.droppedEntries()) +
                                  " entries dropped (wrong sum, repeated machine or no machine file); " +
                                  (access == Access::ReadOnly
                                       ? std::string("read only, so neither kept nor rewritten")
                                   : checker_.droppedKeptAs().empty()
                                       ? "the previous file could not be kept, so it is not rewritten: " +
                                             checker_.lastError()
                                       : "the previous file is kept as " + checker_.droppedKeptAs()));
        addUnlisted(report);
    } catch (const std::bad_alloc&) {
        report.outOfMemory = true;
        return report;
    }
    if (report.checkFileRefused) // the program runs on; the first machine added starts a new check file
        report.log.push_back(FXUDBFC_error().what());
#ifdef __GLIBC__
    // What the walk over the files took goes back to the system, not only to the allocator's free lists.
    ::malloc_trim(0);
#endif
    return report;
}

bool MachineDatabase::readEntry(MachineEntry& entry) {
    // A dealer opens a handful of machines a day (a tool that lists the folder, none): their records stay
    // on disk until then.
    return entry.file().LoadSummary();
}

void MachineDatabase::readEntries(
    const std::vector<std::string>& paths,
    const std::function<void(std::size_t index, std::unique_ptr<MachineEntry>)>& take) {
    const std::size_t count = paths.size();
    std::vector<std::unique_ptr<MachineEntry>> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = std::make_unique<MachineEntry>(paths[i]);
    // Reading and checking the files is most of a start, and each file stands alone: the other cores take
    // their share, and this thread hands over what is read between its own runs, so that what the caller
    // makes of each machine overlaps the reading. A small folder is not worth a thread.
    constexpr std::size_t kFilesPerThread = 64;
    const std::size_t threads = std::min<std::size_t>(
        {std::max(1u, std::thread::hardware_concurrency()), 4, count / kFilesPerThread + 1});
    const auto read = std::make_unique<std::atomic<bool>[]>(count);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> outOfMemory{false};
    std::size_t taken = 0;
    const auto handOver = [&] {
        for (; taken < count && read[taken].load(std::memory_order_acquire); ++taken)
            take(taken, std::move(entries[taken]));
    };
    const auto work = [&](bool here) {
        // Files are handed out in small runs so that a slow file does not leave one thread the last to end.
        constexpr std::size_t kRun = 16;
        try {
            for (std::size_t begin; !stop && (begin = next.fetch_add(kRun)) < count;) {
                for (std::size_t i = begin; i < std::min(begin + kRun, count); ++i) {
                    readEntry(*entries[i]);
                    read[i].store(true, std::memory_order_release);
                }
                if (here)
                    handOver();
            }
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            stop = true;
        }
    };
    {
        std::vector<std::jthread> helpers;
        // Whatever take throws (it runs here, between runs) ends the helpers' reading too.
        struct StopOnLeave {
            std::atomic<bool>& stop;
            ~StopOnLeave() { stop = true; }
        } stopOnLeave{stop};
        for (std::size_t t = 1; t < threads; ++t)
            helpers.emplace_back(work, false);
        work(true);
    } // the helpers end here
    if (outOfMemory)
        throw std::bad_alloc();
    handOver(); // the helpers' last runs
}

MachineEntry* MachineDatabase::loadEntry(const std::string& path, LoadReport& report, const char* unlisted) {
    auto entry = std::make_unique<MachineEntry>(path);
    readEntry(*entry);
    return acceptEntry(std::move(entry), path, report, unlisted);
}

MachineEntry* MachineDatabase::acceptEntry(std::unique_ptr<MachineEntry> entry, const std::string& path,
                                           LoadReport& report, const char* unlisted) {
    // A file that was read and refused says why; one that was read says nothing.
    if (entry->file().failure() != DBMowerFile::Failure::None) {
        const DBMowerFile::Failure reason = entry->file().failure();
        report.refused.push_back({path, reason, entry->file().lastError()});
        const bool crc = reason == DBMowerFile::Failure::Crc || reason == DBMowerFile::Failure::TooLarge;
        report.log.push_back((crc ? path + " corrupted (CRC)" : "error on opening file: " + path) +
                             (unlisted ? unlisted : ""));
        return nullptr;
    }
    owned_.push_back(std::move(entry));
    order_.push_back(owned_.back().get());
    return order_.back();
}

void MachineDatabase::addUnlisted(LoadReport& report) {
    // Damage to the check file must not hide a machine for good: a valid file of the folder that is named
    // after the machine it holds is entered again.
    std::vector<std::string> misnamed;
    std::vector<std::string> found;
    for (const std::string& path : checker_.UnlistedMachineFiles(&misnamed)) {
        MachineEntry* entry = loadEntry(path, report, ", not in the check file: not loaded");
        if (!entry)
            continue;
        if (entry->fileName() != PathFor(entry->serialNumber())) {
            report.log.push_back("Machine file " + path + " holds machine " + entry->serialText() +
                                 ", not in the check file: not loaded");
            order_.pop_back();
            owned_.pop_back();
            continue;
        }
        report.log.push_back("Machine file " + path +
                             " was missing from the check file: added back and loaded");
        report.recovered.push_back(path);
        found.push_back(path);
    }
    for (const std::string& path : misnamed)
        report.log.push_back("File " + path +
                             " not loaded: machine files are named by their serial number in upper case");
    if (!checker_.AddFound(found))
        report.log.push_back("Couldn't write the check file: " + checker_.lastError());
    if (!checker_.keptAside().empty())
        report.log.push_back("Damaged check file kept as " + checker_.keptAside());
}

void MachineDatabase::Reorder(std::vector<MachineEntry*> order) {
    assert(order.size() == order_.size());
    order_ = std::move(order);
}

std::string MachineDatabase::PathFor(std::uint32_t serialNumber) const {
    return FXUCheckDir::Join(directory_, FXUCheckDir::MachineFileName(serialNumber));
}

MachineEntry* MachineDatabase::FindBySerial(std::uint32_t serialNumber) const {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it)
        if ((*it)->serialNumber() == serialNumber)
            return *it;
    return nullptr;
}

MachineEntry* MachineDatabase::FindByIdentity(std::uint8_t typeCode, std::uint8_t year,
                                              std::uint8_t factoryFlag, std::int32_t machineNumber) const {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        const FXUMowerLog& machine = (*it)->machine();
        if (machine.typeCode() == typeCode && machine.year() == year &&
            machine.factoryFlag() == factoryFlag && machine.machineNumber() == machineNumber)
            return *it;
    }
    return nullptr;
}

MachineEntry* MachineDatabase::FirstByMachineNumber(const std::string& machineNumberText) const {
    for (MachineEntry* entry : order_)
        if (entry->machine().MachineNumberText() == machineNumberText)
            return entry;
    return nullptr;
}

MachineEntry* MachineDatabase::FirstBySerial(std::uint32_t serialNumber) const {
    for (MachineEntry* entry : order_)
        if (entry->serialNumber() == serialNumber)
            return entry;
    return nullptr;
}

std::vector<std::string> MachineDatabase::MachineNumberList() const {
    std::vector<std::string> texts;
    texts.reserve(order_.size());
    for (const MachineEntry* entry : order_)
        texts.push_back(entry->machine().MachineNumberText());
    return texts;
}

bool MachineDatabase::Save(MachineEntry& entry, std::vector<std::string>& log) {
    DBMowerFile& file = entry.file();
    const bool saved = file.SaveMachineFile();
    if (!file.keptAside().empty())
        log.push_back("Machine file " + file.fileName() +
                      " was changed on disk by another program; that version kept as " + file.keptAside());
    if (!saved)
        log.push_back("Couldn't save machine file: " + file.lastError());
    return saved;
}

bool MachineDatabase::Open(MachineEntry& entry, std::vector<std::string>& log) {
    if (entry.file().LoadRecords())
        return true;
    log.push_back("Machine file not opened: " + entry.file().lastError());
    return false;
}

void MachineDatabase::keepUnsaved(MachineEntry& entry, const FXULog& record, SaveReport& report) const {
    UnsavedHistory unsaved(unsavedFolder_);
    const std::string which =
        "History of machine " + entry.serialText() + " of " + record.logTime().isoText();
    if (report.kept && !unsaved.folder().empty() && unsaved.Keep(record)) {
        report.log.push_back(which + " kept as " + unsaved.path() +
                             ": its machine file could not be written");
    } else {
        report.kept = false;
        report.log.push_back(
            which + " could not be kept elsewhere either: " +
            (unsaved.folder().empty() ? std::string("no folder for it") : unsaved.lastError()));
    }
    report.keptInFolder = FXUCheckDir::Join(unsaved.folder(), entry.serialText());
}

MachineDatabase::SaveReport MachineDatabase::SaveFiled(MachineEntry& entry,
                                                       const std::vector<FXULogTime>& times) {
    SaveReport report;
    if (Save(entry, report.log))
        return report;
    report.saved = false;
    for (const FXULogTime& time : times)
        keepUnsaved(entry, entry.machine().Find(time), report);
    return report;
}

MachineDatabase::FilingReport MachineDatabase::File(MachineEntry& entry, std::unique_ptr<FXULog>& record) {
    FilingReport report;
    if (!Open(entry, report.save.log)) {
        report.opened = false;
        report.filing = Filing::NotSaved;
        report.save.saved = false;
        keepUnsaved(entry, *record, report.save);
        return report;
    }
    const FXULogTime time = record->logTime();
    if (!entry.machine().Insert(time, record))
        return report;
    report.save = SaveFiled(entry, {time});
    report.filing = report.save.saved ? Filing::Saved : Filing::NotSaved;
    return report;
}

MachineDatabase::MergeReport MachineDatabase::Merge(MachineEntry& entry, FXUMowerLog& other) {
    MergeReport report;
    if (!Open(entry, report.save.log)) {
        report.opened = false;
        report.save.saved = false;
        return report;
    }
    for (const FXULogTime& time : other.logTimeVect())
        if (!entry.machine().records().contains(time))
            report.added.push_back(time);
    entry.machine().Merge(other);
    if (!report.added.empty())
        report.save = SaveFiled(entry, report.added);
    return report;
}

void MachineDatabase::keepAside(const std::string& path, std::vector<std::string>& log) const {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        return;
    const std::string aside = DBMowerFile::FreeAsideName(path);
    std::filesystem::rename(path, aside, error);
    log.push_back(error ? "Couldn't keep the previous file " + path + ": " + error.message()
                        : "Previous file " + path + " kept as " + aside);
}

namespace {

// The real place of a path, links and "." or ".." resolved as far as the path exists.
std::filesystem::path realPath(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return path.lexically_normal();
    std::filesystem::path real = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : real;
}

} // namespace

bool MachineDatabase::InDatabaseFolder(const MachineEntry& entry, const std::string& target) const {
    const std::filesystem::path real = realPath(target);
    return real.parent_path() == realPath(directory_.empty() ? "." : directory_) ||
           real == realPath(entry.fileName());
}

MachineDatabase::ExportOutcome MachineDatabase::Export(MachineEntry& entry, const std::string& target,
                                                       std::vector<std::string>& log) {
    if (InDatabaseFolder(entry, target)) {
        log.push_back("Export file " + target + " refused: it would replace a file of the database folder " +
                      directory_);
        return ExportOutcome::IntoDatabase;
    }
    if (!Open(entry, log))
        return ExportOutcome::NotWritten;
    try {
        AtomicFile::write(target, DBMowerFile::Serialize(entry.machine()));
    } catch (const std::ios_base::failure& error) {
        log.push_back("Couldn't create export file");
        log.push_back(error.what());
        return ExportOutcome::NotWritten;
    }
    return ExportOutcome::Written;
}

MachineDatabase::CreateReport MachineDatabase::Create(std::unique_ptr<FXUMowerLog> machine) {
    CreateReport report;
    const std::string path = PathFor(machine->serialNumber());
    // The file is named after the serial number, so a machine whose serial number changed (a new board)
    // still lives in the file of its old one; a new machine of that old serial number would overwrite it.
    const auto owner = std::find_if(order_.begin(), order_.end(),
                                    [&](const MachineEntry* entry) { return entry->fileName() == path; });
    if (owner != order_.end()) {
        report.log.push_back("Machine file " + path + " belongs to machine " +
                             (*owner)->machine().MachineNumberText() + "; no new machine written over it");
        return report;
    }
    // A file there that no entry loaded (damaged, or not in the check file) is kept for support.
    keepAside(path, report.log);

    owned_.push_back(std::make_unique<MachineEntry>(path));
    MachineEntry& entry = *owned_.back();
    entry.machine() = std::move(*machine);
    order_.push_back(&entry);
    report.entry = &entry;
    report.save = SaveFiled(entry, entry.machine().logTimeVect());
    report.log.insert(report.log.end(), report.save.log.begin(), report.save.log.end());
    report.save.log.clear();
    // Without its entry the machine is found again at the next start, but the failure is worth a line.
    if (!checker_.AddEntry(entry.serialText()))
        report.log.push_back("Couldn't add machine " + entry.serialText() +
                             " to the check file: " + checker_.lastError());
    return report;
}
