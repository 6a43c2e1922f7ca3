#include "ui/TDBMower.h"

#include "core/base/CLogger.h"
#include "core/base/Prompts.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/TChildForm.h"
#include "ui/TDBMowerList.h"
#include "ui/TilePictures.h"
#include "ui/WinText.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ios>
#include <optional>
#include <vector>

namespace {

// Texts are laid out for a 96 dpi canvas, whatever the screen, so that they fit the fixed tile.
constexpr int kDotsPerMeter = 3780;

constexpr const char* kExportFilter = "Export File|*.dat|All files|*.*";

std::string hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

QFont tileFont() {
    // Where Arial is missing the font matcher falls back to the platform's sans-serif.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace

TDBMower::TDBMower(MachineEntry& entry, TDBMowerList& list, QWidget* parent)
    : QWidget(parent), entry_(entry), list_(list) {
    setFixedSize(TDBMowerList::kTileWidth, TDBMowerList::kTileHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    BuildTile();
}

// Made on first use: a large database has thousands of tiles and few right clicks.
QMenu* TDBMower::contextMenu() {
    if (menu_)
        return menu_;
    menu_ = new QMenu(this);
    exportAction_ = menu_->addAction(QString());
    connect(exportAction_, &QAction::triggered, this, [this] { Export(); });
    // Captioned again whenever it opens, so that a change of language reaches it.
    auto caption = [this] {
        exportAction_->setText(WinText::toQt(FXUStringTable::getInstance()->Text(TextId::ExportMenuItem)));
    };
    caption();
    connect(menu_, &QMenu::aboutToShow, this, caption);
    return menu_;
}

TDBMower::~TDBMower() {
    list_.tileGone(this);
    // The window works on this entry's machine and must not outlive it. Blocking the area's signals keeps
    // a main window that is itself being destroyed from reacting to the change of active window.
    if (subWindow_) {
        const QSignalBlocker blocker(subWindow_->mdiArea());
        delete subWindow_.data();
    } else if (window_) {
        delete window_.data();
    }
}

TChildForm* TDBMower::window() const {
    return window_.data();
}

void TDBMower::BuildTile() {
    dropPicture();
    paintTile();
}

void TDBMower::RefreshTile() {
    paintTile();
}

// The texts are taken at once; the picture is drawn when the tile is first shown or asked for. Text
// drawing is most of a tile's cost, and in a large database most tiles are never scrolled into view.
void TDBMower::paintTile() {
    const FXUMowerLog& machine = GetMowerLog();
    nameText_ = machine.name() + " " + machine.firstName();
    serialText_ = hex8(machine.serialNumber());
    machineNumberText_ = machine.MachineNumberText();
    tileStale_ = true;
    update();
}

const QImage& TDBMower::tile() const {
    renderTile();
    return tile_;
}

void TDBMower::renderTile() const {
    if (!tileStale_ && !tile_.isNull())
        return;
    if (tile_.isNull()) {
        tile_ = QImage(TDBMowerList::kTileWidth, TDBMowerList::kTileHeight, QImage::Format_RGB32);
        tile_.setDotsPerMeterX(kDotsPerMeter);
        tile_.setDotsPerMeterY(kDotsPerMeter);
        list_.tileDrawn(this);
    }
    tile_.fill(Qt::white);
    QPainter p(&tile_);
    const QImage picture = TilePictures::forType(GetMowerLog().typeCode());
    if (!picture.isNull())
        p.drawImage(0, 0, picture);
    p.setFont(tileFont());
    p.setPen(Qt::black);
    // The layout gives each text's top edge; Qt places text by its baseline.
    const int ascent = QFontMetrics(p.font(), &tile_).ascent();
    p.drawText(0, 50 + ascent, WinText::toQt(nameText_));
    p.drawText(1, 65 + ascent, WinText::toQt(machineNumberText_));
    p.drawText(1, 80 + ascent, WinText::toQt(serialText_));
    p.end();
    tileStale_ = false;
}

bool TDBMower::Open() {
    std::vector<std::string> log;
    if (list_.database().Open(entry_, log))
        return true;
    TDBMowerList::Log(log);
    tellNotOpened();
    return false;
}

void TDBMower::tellNotOpened() {
    const std::string shown =
        WinText::fromQt(QDir::toNativeSeparators(QFile::decodeName(fileName().c_str()))).value_or(fileName());
    list_.prompts().message(
        Prompts::Kind::Error,
        ProgramTexts::Text(ProgramTexts::Id::MachineFileChanged, {GetMachineNumberText(), shown}),
        Prompts::Buttons::Ok);
}

void TDBMower::OpenWindow() {
    if (!window_ && !Open())
        return;
    QMdiArea* area = list_.mdiArea();
    if (window_) {
        QWidget* frame = subWindow_ ? static_cast<QWidget*>(subWindow_.data()) : window_.data();
        // Closing a machine window only minimises it; it comes back as it opened, maximised (a minimised
        // sub-window no longer knows it was maximised).
        if (frame->isMinimized())
            frame->showMaximized();
        else
            frame->show();
        frame->raise();
        if (subWindow_ && area)
            area->setActiveSubWindow(subWindow_);
        else
            frame->activateWindow();
        return;
    }
    auto* form = new TChildForm(GetMowerLog(), fileName(), list_, list_.prompts());
    window_ = form;
    if (area) {
        subWindow_ = area->addSubWindow(form);
        // Its size when restored, or shown in place of a maximised one that closed: without one the frame
        // keeps the few pixels it was made with.
        const QSize room = area->viewport()->size();
        subWindow_->resize(std::min(TChildForm::kNormalWidth, std::max(room.width(), 200)),
                           std::min(TChildForm::kNormalHeight, std::max(room.height(), 150)));
        subWindow_->showMaximized();
        area->setActiveSubWindow(subWindow_);
    } else {
        // Without a main window the machine window stands alone; the list still owns it.
        form->setParent(&list_, Qt::Window);
        form->showMaximized();
    }
}

bool TDBMower::writeMachineFile() {
    std::vector<std::string> log;
    const bool saved = list_.database().Save(entry_, log);
    TDBMowerList::Log(log);
    return saved;
}

bool TDBMower::SaveMachineFile() {
    if (writeMachineFile())
        return true;
    list_.prompts().message(
        Prompts::Kind::Error,
        ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWritten, {GetMachineNumberText()}),
        Prompts::Buttons::Ok);
    return false;
}

Filing TDBMower::InsertRecord(std::unique_ptr<FXULog>& record) {
    const FXULogTime time = record->logTime();
    const MachineDatabase::FilingReport report = list_.database().File(entry_, record);
    if (report.filing == Filing::Duplicate)
        return Filing::Duplicate;
    if (!report.opened) {
        TDBMowerList::Log(report.save.log);
        tellNotOpened();
        TellNotSaved(report.save);
        return report.filing;
    }
    BuildTile();
    TDBMowerList::Log(report.save.log);
    // A failed write keeps the record elsewhere too; the window opened below has it saved at close.
    if (!report.save.saved)
        TellNotSaved(report.save);
    if (window_)
        window_->ShowRecord(time);
    else
        OpenWindow();
    update();
    return report.filing;
}

void TDBMower::TellNotSaved(const MachineDatabase::SaveReport& save) {
    const std::string& folder = save.keptInFolder;
    const std::string shown =
        WinText::fromQt(QDir::toNativeSeparators(QFile::decodeName(folder.c_str()))).value_or(folder);
    list_.prompts().message(Prompts::Kind::Error,
                            save.kept ? ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenHistoryKept,
                                                           {GetMachineNumberText(), shown})
                                      : ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenHistoryLost,
                                                           {GetMachineNumberText()}),
                            Prompts::Buttons::Ok);
}

bool TDBMower::SaveIfOpen() {
    if (!window_)
        return true;
    window_->StoreEdits();
    return writeMachineFile();
}

TDBMower::Merged TDBMower::Merge(FXUMowerLog& other) {
    const MachineDatabase::MergeReport report = list_.database().Merge(entry_, other);
    Merged merged{report.added.size(), report.save.saved};
    if (!report.opened) {
        TDBMowerList::Log(report.save.log);
        tellNotOpened();
        return merged;
    }
    if (!report.added.empty()) {
        BuildTile();
        TDBMowerList::Log(report.save.log);
        // A failed write is reported; the window opened below has the machine saved at close.
        if (!report.save.saved)
            TellNotSaved(report.save);
        if (window_)
            for (const FXULogTime& time : report.added)
                window_->ShowRecord(time);
    }
    OpenWindow();
    update();
    return merged;
}

bool TDBMower::Export() {
    Prompts& prompts = list_.prompts();
    const std::optional<std::string> chosen =
        prompts.chooseFile({Prompts::FileDialog::Mode::Save, "Export", kExportFilter, 1, {}});
    if (!chosen || chosen->empty())
        return true;
    std::filesystem::path target(*chosen);
    target.replace_extension(".dat");

    const FXUStringTable* catalogue = FXUStringTable::getInstance();
    MachineDatabase& database = list_.database();
    std::vector<std::string> log;
    if (database.InDatabaseFolder(entry_, target.string())) {
        database.Export(entry_, target.string(), log); // refused, with its log line
        TDBMowerList::Log(log);
        prompts.message(Prompts::Kind::Error,
                        catalogue->Text(TextId::ErrorDuringExportFileCreation) + "\n" +
                            ProgramTexts::Text(ProgramTexts::Id::ExportIntoDatabase),
                        Prompts::Buttons::Ok);
        return false;
    }

    // The window's edits go out with the machine.
    if (!window_)
        OpenWindow();
    if (!window_)
        return false; // not opened, and the dealer was told why
    window_->StoreEdits();

    const MachineDatabase::ExportOutcome outcome = database.Export(entry_, target.string(), log);
    TDBMowerList::Log(log);
    if (outcome != MachineDatabase::ExportOutcome::Written) {
        prompts.message(Prompts::Kind::Error, catalogue->Text(TextId::ErrorDuringExportFileCreation),
                        Prompts::Buttons::Ok);
        return false;
    }
    prompts.message(Prompts::Kind::Plain, catalogue->Text(TextId::ExportationDone), Prompts::Buttons::Ok);
    return true;
}

void TDBMower::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, tile());
}

void TDBMower::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        OpenWindow();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TDBMower::contextMenuEvent(QContextMenuEvent* event) {
    contextMenu()->exec(event->globalPos());
    event->accept();
}
