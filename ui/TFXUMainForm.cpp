#include "ui/TFXUMainForm.h"

#include "core/base/AppSettings.h"
#include "core/base/CLogger.h"
#include "core/base/Clock.h"
#include "core/base/LastFolderPrompts.h"
#include "core/base/Prompts.h"
#include "core/base/ToolOptions.h"
#include "core/database/UnsavedHistory.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/EComPort.h"
#include "core/link/FirmwareUpgrade.h"
#include "core/link/HistoryDownload.h"
#include "core/link/LinkLog.h"
#include "core/link/MachineLink.h"
#include "core/link/Port.h"
#include "ui/CentralStoreLink.h"
#include "ui/DatabaseImport.h"
#include "ui/MachineFindBar.h"
#include "ui/MenuMergeSource.h"
#include "ui/ModalRunner.h"
#include "ui/ProgramSession.h"
#include "ui/QtStandardTexts.h"
#include "ui/ServiceReportDialog.h"
#include "ui/ServiceReportPainter.h"
#include "ui/TChildForm.h"
#include "ui/TComComboBox.h"
#include "ui/TDBMowerList.h"
#include "ui/TcreateForm.h"
#include "ui/TinsertForm.h"
#include "ui/ToolIcons.h"
#include "ui/WinText.h"
#include "ui/WindowFont.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <iostream>

namespace {

constexpr int kComboLeft = 72;
constexpr int kInsertedInto = 1; // the insert dialog filed the record
constexpr int kCreateWanted = 3; // the insert dialog's create button

// Marks a machine operation as running for as long as it lasts, however it ends.
class OperationScope {
public:
    explicit OperationScope(bool& running) : running_(running) { running_ = true; }
    ~OperationScope() { running_ = false; }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

private:
    bool& running_;
};

QString title() {
    return QStringLiteral(" Orvane Service Kit %1 - BETA VERSION C3")
        .arg(QLatin1String(ToolOptions::Version()));
}

} // namespace

TFXUMainForm::TFXUMainForm(const std::string& programPath, std::unique_ptr<Port> comPort, Clock& clock,
                           Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), ComPort_(std::move(comPort)), clock_(clock),
      dialogs_(std::make_unique<LastFolderPrompts>(prompts)), prompts_(*dialogs_) {
    buildWindow();

    session_ = std::make_unique<ProgramSession>(programPath, prompts_);
    logger_ = &session_->logger();
    settings_ = &session_->settings();
    applyGeometry();
    startFolder_ = settings_->LastFolder();
    dialogs_->setFolder(startFolder_);

    languageCode_ = settings_->Language();
    catalogue_ = FXUStringTable::getInstance();
    catalogue_->SetLanguage(languageCode_);
    qtTexts_ = std::make_unique<QtStandardTexts>();
    qtTexts_->follow(catalogue_->TextLanguage());
    session_->reportUnreadableSettings();

    const std::string databaseDirectory = session_->databaseFolder();
    machineList = new TDBMowerList(mdiArea, prompts_, Panel1);
    machineList->setObjectName(QStringLiteral("machineList"));
    machineList->setUnsavedFolder(
        (std::filesystem::path(settings_->FileName()).parent_path() / kUnsavedFolder).string());
    static_cast<QVBoxLayout*>(Panel1->layout())->insertWidget(0, machineList, 1);
    findBar_ = new MachineFindBar(Panel1);
    findBar_->setObjectName(QStringLiteral("findBar"));
    static_cast<QVBoxLayout*>(Panel1->layout())->insertWidget(0, findBar_);
    connect(findBar_, &MachineFindBar::changed, this, [this] { machineList->setFilter(findBar_->filter()); });
    connect(machineList, &TDBMowerList::shownChanged, this,
            [this](int shown, int total) { findBar_->showCount(shown, total, machineList->filtered()); });
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, findBar_,
            &MachineFindBar::focusSearch);
    import_ = std::make_unique<DatabaseImport>(*machineList, prompts_, history_, [this] { storeHistory(); });
    connect(machineList, &TDBMowerList::filesDropped, this, &TFXUMainForm::importDroppedFiles);
    machineList->setSortByName(settings_->SortByName());
    if (machineList->sortByName()) {
        NameRadioButt->setChecked(true);
        MachineIdRadioButt->setChecked(false);
    }
    if (!session_->openDatabase(databaseDirectory)) {
        setCaptions();
        refuseStart();
        return;
    }
    machineList->LoadDatabase(databaseDirectory);
    central_ = std::make_unique<CentralStoreLink>(*machineList, *statusBar(), *this,
                                                  settings_->CentralStore(), settings_->Workshop(),
                                                  [this] { return operationRunning_ || closing_; });
    SynchroniseMenuItem->setEnabled(central_->configured());
    central_->synchronise(false);

    setCaptions();

    buildLink();
    autoCOM_ = settings_->AutoCom();
    ComPort_->SetPort(settings_->Port());
    if (ComPort_->PortName().empty())
        autoCOM_ = true;
    showPortChooser();
    if (!autoCOM_)
        choosePortAtStart();
    session_->reportPortAccess(*ComPort_);
}

TFXUMainForm::~TFXUMainForm() = default;

void TFXUMainForm::refuseStart() {
    closed_ = true;
    session_->refuse();
    logger_ = nullptr;
}

void TFXUMainForm::buildWindow() {
    setWindowTitle(title());
    setWindowIcon(ToolIcons::program());
    resize(797, 584);
    buildMenus();
    buildToolBar();

    auto* central = new QWidget(this);
    central->setFont(windowFont(central->font()));
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    buildPanel();
    row->addWidget(Panel1);
    mdiArea = new QMdiArea(central);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    row->addWidget(mdiArea, 1);
    setCentralWidget(central);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* child = window ? qobject_cast<TChildForm*>(window->widget()) : nullptr)
            connect(child, &TChildForm::serviceReportRequested, this, &TFXUMainForm::serviceReport,
                    Qt::UniqueConnection);
        rebuildMenuBar();
    });
    nameParts();
}

void TFXUMainForm::nameParts() {
    const std::pair<QObject*, const char*> parts[] = {
        {ToolBar1, "ToolBar1"},
        {upgradeToolButt, "upgradeToolButt"},
        {uploadToolButt, "uploadToolButt"},
        {ComComboBox, "ComComboBox"},
        {ComComboBoxAction, "ComComboBoxAction"},
        {Panel1, "Panel1"},
        {dbMLGroupBox, "dbMLGroupBox"},
        {MachineIdRadioButt, "MachineIdRadioButt"},
        {NameRadioButt, "NameRadioButt"},
        {mdiArea, "mdiArea"},
        {FileMenuItem, "FileMenuItem"},
        {ImportMenuItem, "ImportMenuItem"},
        {ImportBinMenuItem, "ImportBinMenuItem"},
        {ExitMenuItem, "ExitMenuItem"},
        {ToolMenuItem, "ToolMenuItem"},
        {autoCOMMenuItem, "autoCOMMenuItem"},
        {LanguageMenuItem, "LanguageMenuItem"},
        {EnglishMenuItem, "EnglishMenuItem"},
        {FrenchMenuItem, "FrenchMenuItem"},
        {DutchMenuItem, "DutchMenuItem"},
        {ItalianoMenuItem, "ItalianoMenuItem"},
        {GermanMenuItem, "GermanMenuItem"},
        {WindowMenuItem, "WindowMenuItem"},
        {cascMenuItem, "cascMenuItem"},
    };
    for (const auto& [part, name] : parts)
        part->setObjectName(QLatin1String(name));
}

void TFXUMainForm::buildMenus() {
    FileMenuItem = new QMenu(this);
    ImportMenuItem = FileMenuItem->addAction(QString());
    ImportBinMenuItem = FileMenuItem->addAction(QString());
    SynchroniseMenuItem = FileMenuItem->addAction(QString());
    SynchroniseMenuItem->setObjectName(QStringLiteral("SynchroniseMenuItem"));
    SynchroniseMenuItem->setEnabled(false);
    connect(SynchroniseMenuItem, &QAction::triggered, this, &TFXUMainForm::SynchroniseMenuItemClick);
    FileMenuItem->addSeparator();
    ExitMenuItem = FileMenuItem->addAction(QString());
    connect(ImportMenuItem, &QAction::triggered, this, &TFXUMainForm::ImportMenuItemClick);
    connect(ImportBinMenuItem, &QAction::triggered, this, &TFXUMainForm::ImportBinMenuItemClick);
    connect(ExitMenuItem, &QAction::triggered, this, &TFXUMainForm::ExitMenuItemClick);

    ToolMenuItem = new QMenu(this);
    autoCOMMenuItem = ToolMenuItem->addAction(QStringLiteral("Auto COM port"));
    autoCOMMenuItem->setCheckable(true);
    autoCOMMenuItem->setChecked(true);
    connect(autoCOMMenuItem, &QAction::triggered, this, &TFXUMainForm::autoCOMMenuItemClick);
    LanguageMenuItem = ToolMenuItem->addMenu(QString());
    EnglishMenuItem = LanguageMenuItem->addAction(QStringLiteral("English"));
    FrenchMenuItem = LanguageMenuItem->addAction(QStringLiteral("Français"));
    DutchMenuItem = LanguageMenuItem->addAction(QStringLiteral("Nederlands"));
    ItalianoMenuItem = LanguageMenuItem->addAction(QStringLiteral("Italiano"));
    GermanMenuItem = LanguageMenuItem->addAction(QStringLiteral("Deutsch"));
    connect(EnglishMenuItem, &QAction::triggered, this, &TFXUMainForm::EnglishMenuItemClick);
    connect(FrenchMenuItem, &QAction::triggered, this, &TFXUMainForm::FrenchMenuItemClick);
    connect(DutchMenuItem, &QAction::triggered, this, &TFXUMainForm::DutchMenuItemClick);
    connect(ItalianoMenuItem, &QAction::triggered, this, &TFXUMainForm::ItalianoMenuItemClick);
    connect(GermanMenuItem, &QAction::triggered, this, &TFXUMainForm::GermanMenuItemClick);

    WindowMenuItem = new QMenu(this);
    cascMenuItem = WindowMenuItem->addAction(QString());
    connect(cascMenuItem, &QAction::triggered, this, &TFXUMainForm::cascMenuItemClick);

    ownMenus_ = {{kFileGroup, FileMenuItem}, {kToolGroup, ToolMenuItem}, {kWindowGroup, WindowMenuItem}};
    rebuildMenuBar();
}

void TFXUMainForm::buildToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFont(windowFont(ToolBar1->font()));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(41);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);

    auto makeButton = [this](const QIcon& icon) {
        auto* button = new QToolButton(ToolBar1);
        button->setIcon(icon);
        button->setIconSize(QSize(24, 24));
        button->setFixedSize(31, 30);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRaise(true);
        ToolBar1->addWidget(button);
        return button;
    };
    upgradeToolButt = makeButton(ToolIcons::upgrade());
    uploadToolButt = makeButton(ToolIcons::loadHistory());
    connect(upgradeToolButt, &QToolButton::clicked, this, &TFXUMainForm::updateMenuItemClick);
    connect(uploadToolButt, &QToolButton::clicked, this, &TFXUMainForm::loadHistMenuItemClick);

    // Puts the port chooser at its place on the bar, after the two buttons.
    auto* gap = new QWidget(ToolBar1);
    gap->setFixedWidth(std::max(0, kComboLeft - 2 * 31 - 2 * ToolBar1->layout()->spacing() - 2));
    ToolBar1->addWidget(gap);
    ComComboBox = new TComComboBox(*ComPort_, ToolBar1);
    ComComboBoxAction = ToolBar1->addWidget(ComComboBox);
    ComComboBoxAction->setVisible(false);
    connect(ComComboBox, &QComboBox::activated, this, &TFXUMainForm::ComComboBoxChange);
}

void TFXUMainForm::buildPanel() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setLineWidth(1);
    auto* column = new QVBoxLayout(Panel1);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);

    dbMLGroupBox = new QGroupBox(Panel1);
    dbMLGroupBox->setFixedHeight(46);
    auto* buttons = new QHBoxLayout(dbMLGroupBox);
    buttons->setContentsMargins(7, 0, 4, 2);
    buttons->setSpacing(6);
    MachineIdRadioButt = new QRadioButton(dbMLGroupBox);
    NameRadioButt = new QRadioButton(dbMLGroupBox);
    // The second button starts 104 pixels after the first, unless the first's text needs more room.
    MachineIdRadioButt->setMinimumWidth(104 - buttons->spacing());
    MachineIdRadioButt->setChecked(true);
    buttons->addWidget(MachineIdRadioButt);
    buttons->addWidget(NameRadioButt);
    buttons->addStretch(1);
    column->addWidget(dbMLGroupBox);
    connect(NameRadioButt, &QRadioButton::clicked, this, &TFXUMainForm::NameRadioButtClick);
    connect(MachineIdRadioButt, &QRadioButton::clicked, this, &TFXUMainForm::MachineIdRadioButtClick);
}

void TFXUMainForm::applyGeometry() {
    int height = settings_->Height();
    int width = settings_->Width();
    const int top = settings_->Top();
    const int left = settings_->Left();
    QPoint place(left, top);
    // A size no screen can show would make a window of gigabytes that the window system cannot handle: it is
    // bounded by the screen the window opens on, and saved at close as it was applied.
    const QScreen* screen = QGuiApplication::screenAt(place);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QSize room = screen->availableGeometry().size();
        width = std::min(width, room.width());
        height = std::min(height, room.height());
    }
    resize(width, height);
    // A place saved on a screen that is no longer attached would hide the window. Counted in 64 bits: the
    // saved place may be anywhere an int reaches.
    const auto screens = QGuiApplication::screens();
    const bool visible = std::any_of(screens.begin(), screens.end(), [&](const QScreen* each) {
        const QRect area = each->availableGeometry();
        const std::int64_t x = left, y = top;
        return width > 0 && height > 0 && x < std::int64_t{area.x()} + area.width() && x + width > area.x() &&
               y < std::int64_t{area.y()} + area.height() && y + height > area.y();
    });
    if (!visible && !screens.isEmpty())
        place = QPoint(200, 130);
    move(place);
}

std::string TFXUMainForm::text(TextId id) const {
    return catalogue_->Text(id);
}

void TFXUMainForm::setCaptions() {
    auto q = [this](TextId id) { return WinText::toQt(text(id)); };
    FileMenuItem->setTitle(q(TextId::File));
    ImportMenuItem->setText(q(TextId::ImportDatabase));
    ImportBinMenuItem->setText(q(TextId::ImportHistory));
    SynchroniseMenuItem->setText(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CentralSynchroniseMenu)));
    ExitMenuItem->setText(q(TextId::Exit));
    ToolMenuItem->setTitle(q(TextId::Options));
    LanguageMenuItem->setTitle(q(TextId::Language));
    WindowMenuItem->setTitle(q(TextId::Window));
    cascMenuItem->setText(q(TextId::Cascade));
    dbMLGroupBox->setTitle(q(TextId::Sort));
    MachineIdRadioButt->setText(q(TextId::ByMachineId));
    NameRadioButt->setText(q(TextId::ByName));
    upgradeToolButt->setText(q(TextId::Upgrade));
    upgradeToolButt->setToolTip(q(TextId::UpgradeHint));
    uploadToolButt->setText(q(TextId::LoadHistory));
    uploadToolButt->setToolTip(q(TextId::LoadHistoryHint));
    setWindowTitle(title());
    Panel1->setFixedWidth(std::max(230, dbMLGroupBox->sizeHint().width() + 2));
}

void TFXUMainForm::showPortChooser() {
    ComComboBoxAction->setVisible(!autoCOM_);
    autoCOMMenuItem->setChecked(autoCOM_);
}

void TFXUMainForm::choosePortAtStart() {
    if (ComComboBox->showPorts())
        clock_.sleepMs(2000);
    clock_.sleepMs(2000);
    // A port named in the settings but absent now stays the port: only the dealer's choice replaces it.
    if (ComComboBox->count() > 0)
        ComComboBox->selectCurrentOrLast();
    if (ComComboBox->presentCount() > 0)
        return;
    logger_->log("No COM port !");
    prompts_.message(Prompts::Kind::Warning, text(TextId::NoComPortFound), Prompts::Buttons::Ok);
}

bool TFXUMainForm::sortByName() const {
    return machineList->sortByName();
}

void TFXUMainForm::NameRadioButtClick() {
    machineList->SortByName();
}

void TFXUMainForm::MachineIdRadioButtClick() {
    machineList->SortByMachineId();
}

void TFXUMainForm::rebuildMenuBar() {
    std::vector<std::pair<int, QMenu*>> menus = ownMenus_;
    if (QMdiSubWindow* active = mdiArea ? mdiArea->activeSubWindow() : nullptr)
        if (const auto* child = dynamic_cast<const MenuMergeSource*>(active->widget())) {
            const auto merged = child->mergedMenus();
            menus.insert(menus.end(), merged.begin(), merged.end());
        }
    std::stable_sort(menus.begin(), menus.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    menuBar()->clear();
    for (const auto& [group, menu] : menus)
        menuBar()->addMenu(menu);
}

void TFXUMainForm::serviceReport(const FXUMowerLog* machine, const FXULog* record) {
    if (!machine || !record)
        return;
    ServiceReportDialog dialog(settings_->WorkshopName(), settings_->WorkshopAddress(), prompts_, this);
    const int choice = ModalRunner::run(dialog);
    if (choice != ServiceReportDialog::Print && choice != ServiceReportDialog::SavePdf)
        return;
    settings_->SetWorkshop(dialog.name(), dialog.address());
    const ServiceReport report =
        ServiceReport::Build(*machine, *record, {dialog.name(), dialog.address()}, FXULogTime());
    if (choice == ServiceReportDialog::Print) {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog printDialog(&printer, this);
        if (ModalRunner::run(printDialog) == QDialog::Accepted &&
            !ServiceReportPainter::Paint(report, printer))
            prompts_.message(
                Prompts::Kind::Error,
                ProgramTexts::Text(ProgramTexts::Id::ReportNotWritten, {printer.printerName().toStdString()}),
                Prompts::Buttons::Ok);
        return;
    }
    const std::optional<std::string> path =
        prompts_.chooseFile({Prompts::FileDialog::Mode::Save, report.title, "PDF|*.pdf", 1, {}});
    if (!path)
        return;
    std::string target = *path;
    if (!QString::fromLocal8Bit(target.c_str()).endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        target += ".pdf";
    QString error;
    if (!ServiceReportPainter::WritePdf(report, QFile::decodeName(target.c_str()), &error)) {
        logger_->log(error.toStdString());
        prompts_.message(
            Prompts::Kind::Error,
            ProgramTexts::Text(ProgramTexts::Id::ReportNotWritten, {WinText::fromQt(error).value_or(target)}),
            Prompts::Buttons::Ok);
    }
}

void TFXUMainForm::ExitMenuItemClick() {
    close();
}

void TFXUMainForm::cascMenuItemClick() {
    mdiArea->cascadeSubWindows();
}

void TFXUMainForm::autoCOMMenuItemClick() {
    autoCOM_ = !autoCOM_;
    if (!autoCOM_) {
        for (int fills = 0; fills < 3; ++fills) {
            ComComboBox->showPorts();
            clock_.sleepMs(500);
            if (ComComboBox->currentIndex() >= 0)
                break;
        }
        if (ComComboBox->presentCount() == 0) {
            autoCOM_ = true;
            prompts_.message(Prompts::Kind::Error, text(TextId::NoComPortFound), Prompts::Buttons::Ok);
        } else {
            try {
                ComComboBox->selectCurrentOrLast();
            } catch (const EComPort&) {
                prompts_.message(Prompts::Kind::Warning, text(TextId::SelectedPortNotFree),
                                 Prompts::Buttons::Ok);
            }
        }
    }
    showPortChooser();
}

void TFXUMainForm::ComComboBoxChange() {
    if (ComComboBox->currentIndex() < 0)
        return;
    try {
        ComPort_->SetPort(ComComboBox->currentPortName());
    } catch (const EComPort&) {
        prompts_.message(Prompts::Kind::Warning, text(TextId::SelectedPortNotFree), Prompts::Buttons::Ok);
    }
}

void TFXUMainForm::selectLanguage(std::uint8_t code) {
    // Captions already shown keep their language until the next start; texts fetched from now on change.
    languageCode_ = code;
    catalogue_->SetLanguage(code);
    qtTexts_->follow(catalogue_->TextLanguage());
}

void TFXUMainForm::buildLink() {
    link_ = std::make_unique<MachineLink>(*ComPort_, clock_, prompts_, history_.frame);
    link_->setPortListShown(
        [this](const std::vector<std::string>& names) { ComComboBox->showPortNames(names); });
    download_ = std::make_unique<HistoryDownload>(*link_, history_);
    // The history is filed first; whatever the user does in the dialogs, the upgrade goes on.
    upgrade_ = std::make_unique<FirmwareUpgrade>(*link_, *download_, [this] {
        storeHistory();
        return true;
    });
}

bool TFXUMainForm::beginOperation() {
    if (operationRunning_)
        return false;
    link_->setAutoCOM(autoCOM_);
    return true;
}

void TFXUMainForm::updateMenuItemClick() {
    if (!beginOperation())
        return;
    const OperationScope running(operationRunning_);
    upgrade_->run(ComPort_->PortName());
}

void TFXUMainForm::loadHistMenuItemClick() {
    if (!beginOperation())
        return;
    bool loaded = false;
    {
        // Filing is no machine operation: a close asked for meanwhile need not wait for the dealer's OK.
        const OperationScope running(operationRunning_);
        loaded = download_->downloadHistory(ComPort_->PortName());
        link_->closePort();
    }
    if (loaded)
        storeHistory();
}

void TFXUMainForm::storeHistory() {
    std::unique_ptr<FXULog> record = history_.makeRecord();
    if (!record->droppedExtraBlock().empty())
        logger_->log(record->droppedExtraBlock());
    const std::uint32_t serialNumber = record->serialNumber();
    logger_->log(LinkLog::loadingSuccessful(serialNumber));
    if (const std::optional<Filing> filing = machineList->InsertRecordBySerial(record)) {
        // A record its machine file did not take has been reported, with where it was kept.
        if (*filing != Filing::NotSaved) {
            // Logged as it happens: the box may stay open until the program is ended.
            logger_->log(LinkLog::insertSuccessful(serialNumber));
            prompts_.message(Prompts::Kind::Information, text(TextId::NewHistoryInsertionDone),
                             Prompts::Buttons::Ok);
        }
    } else {
        TinsertForm insert(this, record, *machineList, prompts_);
        const int result = ModalRunner::run(insert);
        if (result == kInsertedInto)
            return;
        if (result == kCreateWanted) {
            TcreateForm create(this, static_cast<std::uint8_t>(record->typeByte() & 0x0F), record,
                               *machineList, prompts_);
            ModalRunner::run(create);
        }
    }
    // A record the dealer chose not to file is dropped here; one whose dialog a signal closed is kept.
    if (record && closeRequested_) {
        UnsavedHistory unsaved(machineList->unsavedFolder());
        logger_->log(unsaved.Keep(*record)
                         ? "History of machine " + LinkLog::serialText(serialNumber) +
                               " not filed before the close: kept as " + unsaved.path()
                         : "History of machine " + LinkLog::serialText(serialNumber) +
                               " not filed before the close and not kept: " + unsaved.lastError());
    }
    machineList->viewport()->update();
    // A record leaves the building as soon as it is filed.
    if (central_)
        central_->synchronise(false);
}

void TFXUMainForm::SynchroniseMenuItemClick() {
    if (central_ && !closed_)
        central_->synchronise(true);
}

const std::string& TFXUMainForm::lastFolder() const {
    return dialogs_->folder();
}

std::optional<std::string> TFXUMainForm::chooseImportFile(TextId captionId) {
    if (closed_ || operationRunning_)
        return std::nullopt;
    return prompts_.chooseFile(
        {Prompts::FileDialog::Mode::Open, text(captionId), kImportFilter, kImportFilterIndex, {}});
}

void TFXUMainForm::ImportMenuItemClick() {
    if (const std::optional<std::string> path = chooseImportFile(TextId::ImportDatabase))
        ImportDatabaseFile(*path);
}

void TFXUMainForm::ImportBinMenuItemClick() {
    if (const std::optional<std::string> path = chooseImportFile(TextId::ImportHistory))
        import_->ImportHistoryFile(*path);
}

bool TFXUMainForm::ImportDatabaseFile(const std::string& path) {
    const bool imported = import_->ImportDatabaseFile(path);
    if (imported && central_)
        central_->synchronise(false);
    return imported;
}

bool TFXUMainForm::LoadBinFile(const std::string& path) {
    return import_->LoadBinFile(path);
}

void TFXUMainForm::importDroppedFiles(const QStringList& paths) {
    for (const QString& dropped : paths) {
        // A drop may come in after the close; there is nothing left to import into then.
        if (closed_ || operationRunning_)
            return;
        import_->Import(QFile::encodeName(dropped).toStdString());
    }
}

// Refused without waiting on the user: the operation goes on underneath while the note is shown.
void TFXUMainForm::refuseClose() {
    if (!closeRefusedBox) {
        closeRefusedBox =
            new QMessageBox(QMessageBox::Warning, windowTitle(), QString(), QMessageBox::Ok, this);
        closeRefusedBox->setModal(false);
        closeRefusedBox->setObjectName(QStringLiteral("closeRefusedBox"));
    }
    closeRefusedBox->setText(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::OperationRunning)));
    closeRefusedBox->show();
}

void TFXUMainForm::closeEvent(QCloseEvent* event) {
    if (operationRunning_) {
        event->ignore();
        refuseClose();
        return;
    }
    // A close asked for while the dealer answers a question of this one waits for that answer.
    if (!closed_ && (closing_ || !FormClose())) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TFXUMainForm::FormClose() {
    closing_ = true;
    try {
        settings_->SetHeight(height());
        settings_->SetWidth(width());
        settings_->SetTop(y());
        settings_->SetLeft(x());
        settings_->SetPort(ComPort_->PortName());
        settings_->SetAutoCom(autoCOM_);
        settings_->SetLanguage(languageCode_);
        settings_->SetSortByName(sortByName());
        // Written only once a dialog has chosen elsewhere, so an untouched settings file gains no section.
        if (dialogs_->folder() != startFolder_)
            settings_->SetLastFolder(dialogs_->folder());
    } catch (const std::ios_base::failure& error) {
        logger_->log("Couldn't write settings file " + settings_->FileName());
        std::cerr << error.what() << '\n';
    }

    // A machine file that cannot be written: the dealer chose to keep the program open, edits and all.
    const bool saved = machineList->SaveAll();
    closing_ = false;
    if (!saved)
        return false;
    closed_ = true;
    central_.reset(); // nothing of a synchronisation touches the machines once they are saved
    session_->close();
    logger_ = nullptr;
    settings_ = nullptr;
    FXUStringTable::destroyInstance();
    catalogue_ = nullptr;
    return true;
}
