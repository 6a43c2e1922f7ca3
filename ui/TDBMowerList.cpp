#include "ui/TDBMowerList.h"

#include "core/base/CLogger.h"
#include "core/base/FXUCrc_error.h"
#include "core/base/FXUDBFC_error.h"
#include "core/base/Prompts.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/DatabaseImport.h"
#include "ui/TDBMower.h"
#include "ui/WinText.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ios>
#include <new>
#include <optional>
#include <utility>

namespace {

void makeWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <typename Key> void sortBy(std::vector<TDBMower*>& entries, Key key) {
    // Keys are computed once per entry, not once per comparison.
    std::vector<std::pair<decltype(key(*entries.front())), TDBMower*>> keyed;
    keyed.reserve(entries.size());
    for (TDBMower* entry : entries)
        keyed.emplace_back(key(*entry), entry);
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        entries[i] = keyed[i].second;
}

// Names compare in the user's language, ignoring letter case.
struct NameKey {
    QString folded;
    bool operator<(const NameKey& other) const {
        return QString::localeAwareCompare(folded, other.folded) < 0;
    }
};

} // namespace

TDBMowerList::TDBMowerList(QMdiArea* mdiArea, Prompts& prompts, QWidget* parent)
    : QScrollArea(parent), mdiArea_(mdiArea), prompts_(prompts), canvas_(new QWidget) {
    setWidget(canvas_); // the scroll area owns it from here
    setWidgetResizable(false);
    makeWhite(viewport());
    makeWhite(canvas_);
    canvas_->resize(0, 0);
    // Tiles and canvas leave drops to the viewport, which hands them to this list.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

TDBMowerList::~TDBMowerList() {
    clear();
}

void TDBMowerList::clear() {
    for (TDBMower* entry : entries_)
        delete entry;
    entries_.clear();
    checker_.reset();
    canvas_->resize(0, 0);
}

bool TDBMowerList::LoadDatabase(const std::string& directory) {
    directory_ = directory;
    clear();
    // Kept even when the check file is refused, so that machines added later are still entered in it.
    checker_ = std::make_unique<FXUCheckDir>();
    checker_->SetDataDir(directory);
    checker_->SetCheckDir(directory);
    checker_->SetCheckFileName(FXUCheckDir::kCheckFileName);
    std::vector<std::string> files;
    std::optional<FXUDBFC_error> refused;
    try {
        files = checker_->GetFileList();
    } catch (const FXUDBFC_error& error) {
        refused = error;
    }

    CLogger* logger = CLogger::getInstance();
    if (checker_->droppedEntries() > 0)
        logger->log(
            "Check file: " + std::to_string(checker_->droppedEntries()) +
            " entries dropped (wrong sum, repeated machine or no machine file); " +
            (checker_->droppedKeptAs().empty()
                 ? "the previous file could not be kept, so it is not rewritten: " + checker_->lastError()
                 : "the previous file is kept as " + checker_->droppedKeptAs()));
    // Loading only reads files (the check file was rewritten, atomically, before), so ending the program on
    // running out of memory cannot leave a half-written one.
    try {
        entries_.reserve(files.size());
        for (const std::string& path : files) {
            try {
                entries_.push_back(TDBMower::CreateFromFile(path, *this, canvas_));
            } catch (const FXUCrc_error&) {
                logger->log(path + " corrupted (CRC)");
            } catch (const std::ios_base::failure&) {
                logger->log("error on opening file: " + path);
            }
        }
        addUnlistedMachines();
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
    Arrange();
    // The machines found beside a refused check file are loaded; the refusal is still the caller's to report.
    if (refused)
        throw *refused;
    return true;
}

void TDBMowerList::addUnlistedMachines() {
    // Damage to the check file must not hide a machine for good: a valid file of the folder that is named
    // after the machine it holds is entered again.
    CLogger* logger = CLogger::getInstance();
    std::vector<std::string> misnamed;
    std::vector<std::string> found;
    for (const std::string& path : checker_->UnlistedMachineFiles(&misnamed)) {
        std::unique_ptr<TDBMower> entry;
        try {
            entry.reset(TDBMower::CreateFromFile(path, *this, canvas_));
        } catch (const FXUCrc_error&) {
            logger->log(path + " corrupted (CRC), not in the check file: not loaded");
            continue;
        } catch (const std::ios_base::failure&) {
            logger->log("error on opening file: " + path + ", not in the check file: not loaded");
            continue;
        }
        if (entry->fileName() != PathFor(entry->GetSerialNumber())) {
            logger->log("Machine file " + path + " holds machine " + entry->serialText() +
                        ", not in the check file: not loaded");
            continue;
        }
        logger->log("Machine file " + path + " was missing from the check file: added back and loaded");
        entries_.push_back(entry.release());
        found.push_back(path);
    }
    for (const std::string& path : misnamed)
        logger->log("File " + path +
                    " not loaded: machine files are named by their serial number in upper case");
    if (!checker_->AddFound(found))
        logger->log("Couldn't write the check file: " + checker_->lastError());
    if (!checker_->keptAside().empty())
        logger->log("Damaged check file kept as " + checker_->keptAside());
}

void TDBMowerList::outOfMemory() {
    CLogger* logger = CLogger::getInstance();
    logger->log("Not enough memory when creating all icon");
    prompts_.message(Prompts::Kind::Error, "System Error : NOT ENOUGH MEMORY TO LOAD DATA",
                     Prompts::Buttons::Ok);
    // The program ends here without its orderly close: keep the log for support (it is replaced atomically,
    // like every file written; nothing else is being written at this point).
    try {
        CLogger::destroyInstance();
    } catch (const std::ios_base::failure&) {
    }
    std::exit(-1);
}

void TDBMowerList::SortByName() {
    sortByName_ = true;
    Arrange();
}

void TDBMowerList::SortByMachineId() {
    sortByName_ = false;
    Arrange();
}

void TDBMowerList::Arrange() {
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    if (!entries_.empty()) {
        if (sortByName_)
            // From the machine, not the tile's text: an owner edit re-sorts before the tiles are repainted.
            sortBy(entries_, [](const TDBMower& entry) {
                const FXUMowerLog& machine = entry.GetMowerLog();
                return NameKey{WinText::toQt(machine.name() + " " + machine.firstName()).toCaseFolded()};
            });
        else // std::string compares its bytes as unsigned values, which is the ordinal order wanted
            sortBy(entries_, [](const TDBMower& entry) { return entry.GetMowerLog().MachineNumberText(); });
    }
    placeTiles(true);
}

void TDBMowerList::placeTiles(bool repaint) {
    const int width = viewport()->width();
    x_ = 0;
    y_ = 0;
    int right = 0;
    int bottom = 0;
    for (TDBMower* entry : entries_) {
        entry->move(x_, y_);
        if (repaint)
            entry->RefreshTile();
        entry->show();
        right = std::max(right, x_ + kTileWidth);
        bottom = std::max(bottom, y_ + kTileHeight);
        x_ += kColumnStep;
        if (x_ >= width - kTileWidth) {
            y_ += kTileHeight;
            x_ = 0;
        }
    }
    canvas_->resize(right, bottom);
    placedWidth_ = width;
}

namespace {

// The local files of a drag that an import can take, as local 8-bit paths.
QStringList importableFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (DatabaseImport::KindOf(QFile::encodeName(path).toStdString()) != DatabaseImport::Kind::None)
            paths << path;
    }
    return paths;
}

} // namespace

void TDBMowerList::dragEnterEvent(QDragEnterEvent* event) {
    if (importableFiles(event->mimeData()).isEmpty())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TDBMowerList::dragMoveEvent(QDragMoveEvent* event) {
    if (importableFiles(event->mimeData()).isEmpty())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TDBMowerList::dropEvent(QDropEvent* event) {
    const QStringList paths = importableFiles(event->mimeData());
    if (paths.isEmpty())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QMetaObject::invokeMethod(
        this, [this, paths] { emit filesDropped(paths); }, Qt::QueuedConnection);
}

bool TDBMowerList::viewportEvent(QEvent* event) {
    // A new width, also one that a scroll bar appearing takes away, gets the same tiles in new rows.
    if (event->type() == QEvent::Resize && viewport()->width() != placedWidth_ && !entries_.empty())
        placeTiles(false);
    return QScrollArea::viewportEvent(event);
}

bool TDBMowerList::AddMachine(std::unique_ptr<FXUMowerLog> machine, const std::string& path) {
    // The file is named after the serial number, so a machine whose serial number changed (a new board)
    // still lives in the file of its old one; a new machine of that old serial number would overwrite it.
    const auto owner = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const TDBMower* entry) { return entry->fileName() == path; });
    if (owner != entries_.end()) {
        CLogger::getInstance()->log("Machine file " + path + " belongs to machine " +
                                    (*owner)->GetMachineNumberText() + "; no new machine written over it");
        prompts_.message(Prompts::Kind::Error, FXUStringTable::getInstance()->Text(TextId::ExistingMachine),
                         Prompts::Buttons::Ok);
        return false;
    }
    // A file there that no entry loaded (damaged, or not in the check file) is kept for support.
    keepAside(path);

    TDBMower* entry = TDBMower::CreateFromLog(std::move(machine), *this, canvas_);
    entry->SetFileName(path);
    entries_.push_back(entry);
    Arrange();
    // A failed write keeps the records elsewhere too; the window opened below has the machine saved at close.
    entry->SaveFiled(entry->GetMowerLog().logTimeVect());
    if (!checker_) {
        checker_ = std::make_unique<FXUCheckDir>();
        checker_->SetDataDir(directory_);
        checker_->SetCheckDir(directory_);
        checker_->SetCheckFileName(FXUCheckDir::kCheckFileName);
    }
    // Without its entry the machine is found again at the next start, but the failure is worth a line.
    if (!checker_->AddEntry(entry->serialText()))
        CLogger::getInstance()->log("Couldn't add machine " + entry->serialText() +
                                    " to the check file: " + checker_->lastError());
    entry->OpenWindow();
    return true;
}

void TDBMowerList::keepAside(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        return;
    const std::string aside = DBMowerFile::FreeAsideName(path);
    std::filesystem::rename(path, aside, error);
    CLogger::getInstance()->log(error ? "Couldn't keep the previous file " + path + ": " + error.message()
                                      : "Previous file " + path + " kept as " + aside);
}

std::string TDBMowerList::PathFor(std::uint32_t serialNumber) const {
    return FXUCheckDir::Join(directory_, FXUCheckDir::MachineFileName(serialNumber));
}

bool TDBMowerList::CreateMachine(std::unique_ptr<FXUMowerLog> machine) {
    const std::string path = PathFor(machine->serialNumber());
    return AddMachine(std::move(machine), path);
}

std::optional<Filing> TDBMowerList::InsertRecordBySerial(std::unique_ptr<FXULog>& record) {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const TDBMower* entry) {
        return entry->GetSerialNumber() == record->serialNumber();
    });
    if (found == entries_.end())
        return std::nullopt;
    // A record refused for its time still brings its machine's window up.
    const Filing filing = (*found)->InsertRecord(record);
    (*found)->OpenWindow();
    return filing;
}

bool TDBMowerList::InsertRecordByMachineNumber(const std::string& machineNumberText,
                                               std::unique_ptr<FXULog>& record) {
    for (TDBMower* entry : entries_)
        if (entry->GetMowerLog().MachineNumberText() == machineNumberText)
            return entry->InsertRecord(record) != Filing::Duplicate;
    return false;
}

bool TDBMowerList::SaveMachine(FXUMowerLog& machine) {
    for (TDBMower* entry : entries_)
        if (&entry->GetMowerLog() == &machine)
            return entry->SaveMachineFile();
    return false;
}

std::vector<std::string> TDBMowerList::MachineNumberList() const {
    std::vector<std::string> texts;
    texts.reserve(entries_.size());
    for (const TDBMower* entry : entries_)
        texts.push_back(entry->GetMowerLog().MachineNumberText());
    return texts;
}

TDBMower* TDBMowerList::FindByIdentity(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                                       std::int32_t machineNumber) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        const FXUMowerLog& machine = (*it)->GetMowerLog();
        if (machine.typeCode() == typeCode && machine.year() == year &&
            machine.factoryFlag() == factoryFlag && machine.machineNumber() == machineNumber)
            return *it;
    }
    return nullptr;
}

bool TDBMowerList::MachineExists(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                                 std::int32_t machineNumber) const {
    return FindByIdentity(typeCode, year, factoryFlag, machineNumber) != nullptr;
}

TDBMower* TDBMowerList::FindBySerial(std::uint32_t serialNumber) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if ((*it)->GetSerialNumber() == serialNumber)
            return *it;
    return nullptr;
}

bool TDBMowerList::SaveAll() {
    for (TDBMower* entry : entries_) {
        while (!entry->SaveIfOpen()) {
            // The question may wait for a dealer who has gone (a logout): the reason is on disk first.
            try {
                CLogger::getInstance()->flush();
            } catch (const std::ios_base::failure&) {
            }
            const std::string shownPath =
                WinText::fromQt(QDir::toNativeSeparators(QFile::decodeName(entry->fileName().c_str())))
                    .value_or(entry->fileName());
            const Prompts::Answer answer =
                prompts_.message(Prompts::Kind::Error,
                                 ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenAtClose,
                                                    {entry->GetMachineNumberText(), shownPath}),
                                 Prompts::Buttons::RetryCloseCancel);
            if (answer == Prompts::Answer::Retry)
                continue;
            if (answer != Prompts::Answer::CloseAnyway)
                return false;
            CLogger::getInstance()->log("Closed without saving machine file " + entry->fileName());
            break;
        }
    }
    return true;
}
