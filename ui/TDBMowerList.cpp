#include "ui/TDBMowerList.h"

#include "core/base/CLogger.h"
#include "core/base/Prompts.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/DatabaseImport.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/WinText.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
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
    : QScrollArea(parent), mdiArea_(mdiArea), prompts_(prompts), canvas_(new QWidget),
      noneFound_(new QLabel(viewport())) {
    setWidget(canvas_); // the scroll area owns it from here
    setWidgetResizable(false);
    makeWhite(viewport());
    makeWhite(canvas_);
    canvas_->resize(0, 0);
    noneFound_->setObjectName(QStringLiteral("noMachineFound"));
    noneFound_->setText(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::NoMachineMatches)));
    noneFound_->setWordWrap(true);
    noneFound_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    noneFound_->setMargin(12);
    noneFound_->hide();
    // Tiles and canvas leave drops to the viewport, which hands them to this list.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

TDBMowerList::~TDBMowerList() {
    clear();
}

void TDBMowerList::clear() {
    drawn_.clear();
    for (TDBMower* entry : entries_)
        delete entry;
    entries_.clear();
    tiles_.clear();
    searchKeys_.clear();
    canvas_->resize(0, 0);
}

void TDBMowerList::Log(const std::vector<std::string>& lines) {
    CLogger* logger = CLogger::getInstance();
    for (const std::string& line : lines)
        logger->log(line);
}

void TDBMowerList::tileDrawn(const TDBMower* tile) {
    drawn_.push_back(tile);
    if (drawn_.size() > kTilePicturesKept) {
        drawn_.front()->dropPicture();
        drawn_.pop_front();
    }
}

void TDBMowerList::tileGone(const TDBMower* tile) {
    const auto found = std::find(drawn_.begin(), drawn_.end(), tile);
    if (found != drawn_.end())
        drawn_.erase(found);
}

TDBMower* TDBMowerList::addTile(MachineEntry& entry) {
    auto* tile = new TDBMower(entry, *this, canvas_);
    entries_.push_back(tile);
    tiles_[&entry] = tile;
    return tile;
}

TDBMower* TDBMowerList::tileOf(const MachineEntry* entry) const {
    const auto found = tiles_.find(entry);
    return found == tiles_.end() ? nullptr : found->second;
}

MachineDatabase::LoadReport TDBMowerList::LoadDatabase(const std::string& directory) {
    clear();
    // The tiles are made while the files are still being read.
    MachineDatabase::LoadReport report = database_.Load(directory, MachineDatabase::Access::Start,
                                                        [this](MachineEntry& entry) { addTile(entry); });
    Log(report.log);
    if (report.outOfMemory)
        outOfMemory();
    try {
        for (MachineEntry* entry : database_.entries()) // those found outside the check file
            if (!tileOf(entry))
                addTile(*entry);
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
    arrange(false); // the tiles were drawn just now
    return report;
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
    arrange(true);
}

void TDBMowerList::arrange(bool repaint) {
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
        // The database finds in display order: the first of two machines of one serial number is the one
        // shown first.
        std::vector<MachineEntry*> order;
        order.reserve(entries_.size());
        for (TDBMower* entry : entries_)
            order.push_back(&entry->entry());
        database_.Reorder(std::move(order));
    }
    // Owner edits and new machines come through here: the keys follow them, made when a filter needs them.
    searchKeys_.clear();
    placeTiles(repaint);
}

void TDBMowerList::setFilter(MachineFilter filter) {
    filter_ = std::move(filter);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    placeTiles(false);
}

void TDBMowerList::placeTiles(bool repaint) {
    const int width = viewport()->width();
    x_ = 0;
    y_ = 0;
    int right = 0;
    int bottom = 0;
    shown_ = 0;
    if (filter_.active() && searchKeys_.size() != entries_.size()) {
        searchKeys_.clear();
        searchKeys_.reserve(entries_.size());
        for (TDBMower* entry : entries_)
            searchKeys_.push_back(MachineFilter::SearchKey(entry->GetMowerLog()));
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        TDBMower* entry = entries_[i];
        if (filter_.active() && !filter_.Matches(entry->GetMowerLog(), searchKeys_[i])) {
            entry->hide();
            continue;
        }
        ++shown_;
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
    noneFound_->setGeometry(0, 0, width, viewport()->height());
    noneFound_->setVisible(shown_ == 0 && filter_.active() && !entries_.empty());
    noneFound_->raise();
    emit shownChanged(shown_, static_cast<int>(entries_.size()));
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

void TDBMowerList::AddNewTiles() {
    bool added = false;
    for (MachineEntry* entry : database_.entries()) {
        if (!tileOf(entry)) {
            addTile(*entry);
            added = true;
        }
    }
    if (added)
        Arrange();
}

void TDBMowerList::MachineChanged(MachineEntry& entry, const std::vector<FXULogTime>& added) {
    if (TDBMower* tile = tileOf(&entry)) {
        tile->BuildTile();
        if (TChildForm* window = tile->window())
            for (const FXULogTime& time : added)
                window->ShowRecord(time);
        tile->update();
        return;
    }
    addTile(entry);
    if (!std::exchange(arrangePending_, true))
        QTimer::singleShot(0, this, [this] {
            arrangePending_ = false;
            Arrange();
        });
}

bool TDBMowerList::CreateMachine(std::unique_ptr<FXUMowerLog> machine) {
    const MachineDatabase::CreateReport report = database_.Create(std::move(machine));
    Log(report.log);
    if (!report.entry) {
        prompts_.message(Prompts::Kind::Error, FXUStringTable::getInstance()->Text(TextId::ExistingMachine),
                         Prompts::Buttons::Ok);
        return false;
    }
    TDBMower* entry = addTile(*report.entry);
    Arrange();
    // A failed write keeps the records elsewhere too; the window opened below has the machine saved at close.
    if (!report.save.saved)
        entry->TellNotSaved(report.save);
    entry->OpenWindow();
    return true;
}

std::optional<Filing> TDBMowerList::InsertRecordBySerial(std::unique_ptr<FXULog>& record) {
    TDBMower* found = tileOf(database_.FirstBySerial(record->serialNumber()));
    if (!found)
        return std::nullopt;
    // A record refused for its time still brings its machine's window up.
    const Filing filing = found->InsertRecord(record);
    found->OpenWindow();
    return filing;
}

bool TDBMowerList::InsertRecordByMachineNumber(const std::string& machineNumberText,
                                               std::unique_ptr<FXULog>& record) {
    TDBMower* found = tileOf(database_.FirstByMachineNumber(machineNumberText));
    return found && found->InsertRecord(record) != Filing::Duplicate;
}

bool TDBMowerList::SaveMachine(FXUMowerLog& machine) {
    for (TDBMower* entry : entries_)
        if (&entry->GetMowerLog() == &machine)
            return entry->SaveMachineFile();
    return false;
}

std::vector<std::string> TDBMowerList::MachineNumberList() const {
    return database_.MachineNumberList();
}

TDBMower* TDBMowerList::FindByIdentity(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                                       std::int32_t machineNumber) const {
    return tileOf(database_.FindByIdentity(typeCode, year, factoryFlag, machineNumber));
}

bool TDBMowerList::MachineExists(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                                 std::int32_t machineNumber) const {
    return database_.FindByIdentity(typeCode, year, factoryFlag, machineNumber) != nullptr;
}

TDBMower* TDBMowerList::FindBySerial(std::uint32_t serialNumber) const {
    return tileOf(database_.FindBySerial(serialNumber));
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
