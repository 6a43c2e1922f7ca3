#include "ui/TChildForm.h"

#include "core/base/Prompts.h"
#include "core/history/FXULogTime.h"
#include "core/history/FXUMowerLog.h"
#include "core/historyview/FXUTrends.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/ModalRunner.h"
#include "ui/TchangeODataForm.h"
#include "ui/WinText.h"
#include "ui/WindowFont.h"
#include "ui/history/TFXULogTab.h"
#include "ui/history/TTrendsPage.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

namespace {

constexpr int kInfoWidth = 185;
constexpr int kInnerBoxWidth = 183;
constexpr int kLabelHeight = 16;
const QColor kCream(255, 251, 240);

QString hex(std::uint32_t value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QLabel* makeLabel(QWidget* box, int left, int top) {
    auto* label = new QLabel(box);
    // Owner texts are shown as stored: a "<" in a name is not markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(left, top, kInnerBoxWidth - left - 2, kLabelHeight);
    return label;
}

} // namespace

TChildForm::TChildForm(FXUMowerLog& machine, const std::string& path, MachineDirectory& directory,
                       Prompts& prompts, QWidget* parent)
    : QWidget(parent), machine_(machine), path_(path), directory_(directory), prompts_(prompts),
      catalogue_(FXUStringTable::getInstance()),
      popupRunner_([](QMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); }) {
    setFont(windowFont(font()));
    resize(kNormalWidth, kNormalHeight);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    buildInfoPanel();
    row->addWidget(GeneralInfoGroupBox);
    refreshInfo();

    buildPageControl();
    row->addWidget(MainLogPageControl_, 1);
    buildMenus();
    for (std::size_t i = 0; i < machine_.Count(); ++i)
        new TFXULogTab(machine_.At(i).second, MainLogPageControl_, prompts_);
    MainLogPageControl_->setCurrentIndex(MainLogPageControl_->count() - 1);
    setCaptions();
    updateTrends();
}

void TChildForm::updateTrends() {
    const bool shown = FXUTrends::Shown(machine_);
    trendsButton->setVisible(shown);
    if (!shown)
        trendsButton->setChecked(false);
    if (trendsPage)
        trendsPage->refresh();
}

void TChildForm::showTrends(bool shown) {
    if (shown && !trendsPage) {
        trendsPage = new TTrendsPage(machine_, MainLogPageControl_);
        trendsPage->setObjectName(QStringLiteral("trendsPage"));
        trendsPage->setAutoFillBackground(true);
        connect(trendsPage, &TTrendsPage::recordChosen, this,
                [this](int year, int month, int day, int hour, int minute, int second) {
                    trendsButton->setChecked(false);
                    ShowRecord(FXULogTime(static_cast<std::uint16_t>(year), static_cast<std::uint8_t>(month),
                                          static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(hour),
                                          static_cast<std::uint8_t>(minute),
                                          static_cast<std::uint8_t>(second)));
                });
    }
    if (!trendsPage)
        return;
    if (shown) {
        placeTrends();
        trendsPage->raise();
    }
    trendsPage->setVisible(shown);
}

void TChildForm::placeTrends() {
    // The trends cover the pages' area, below the tab bar, whatever the window's size.
    if (QWidget* page = trendsPage ? MainLogPageControl_->currentWidget() : nullptr)
        trendsPage->setGeometry(page->parentWidget()->geometry());
}

bool TChildForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MainLogPageControl_ && event->type() == QEvent::Resize)
        placeTrends();
    return QWidget::eventFilter(watched, event);
}

void TChildForm::buildInfoPanel() {
    GeneralInfoGroupBox = new QGroupBox(this);
    GeneralInfoGroupBox->setFixedWidth(kInfoWidth);
    QPalette cream = GeneralInfoGroupBox->palette();
    cream.setColor(QPalette::Window, kCream);
    GeneralInfoGroupBox->setPalette(cream);
    GeneralInfoGroupBox->setAutoFillBackground(true);

    clientRefGroupBox = new QGroupBox(GeneralInfoGroupBox);
    clientRefGroupBox->setGeometry(2, 15, kInnerBoxWidth, 239);
    nameStaticText = makeLabel(clientRefGroupBox, 7, 20);
    ONameLabel = makeLabel(clientRefGroupBox, 17, 36);
    surnameStaticText = makeLabel(clientRefGroupBox, 7, 54);
    OSurnameLabel = makeLabel(clientRefGroupBox, 17, 70);
    adressStaticText = makeLabel(clientRefGroupBox, 7, 88);
    OAddressLabel = makeLabel(clientRefGroupBox, 17, 104);
    // An address runs over several lines: it gets the rest of the box.
    OAddressLabel->resize(OAddressLabel->width(), 239 - 104 - 4);

    machineInfoGroupBox = new QGroupBox(GeneralInfoGroupBox);
    machineInfoGroupBox->setGeometry(2, 254, kInnerBoxWidth, 179);
    MNBStaticText = makeLabel(machineInfoGroupBox, 7, 26);
    MNBLabel = makeLabel(machineInfoGroupBox, 80, 26);
    SNBStaticText = makeLabel(machineInfoGroupBox, 7, 46);
    SNBLabel = makeLabel(machineInfoGroupBox, 90, 46);
    softVerStaticText = makeLabel(machineInfoGroupBox, 7, 65);
    SoftVerLabel = makeLabel(machineInfoGroupBox, 90, 65);
    bootVerStaticText = makeLabel(machineInfoGroupBox, 7, 85);
    BootVerLabel = makeLabel(machineInfoGroupBox, 90, 85);
}

void TChildForm::buildPageControl() {
    MainLogPageControl_ = new QTabWidget(this);
    QTabBar* bar = MainLogPageControl_->tabBar();
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this, bar](const QPoint& pos) { tabsContextPopup(bar->mapTo(MainLogPageControl_, pos)); });
    // Right clicks beside the tabs reach the page control itself; they are handled too, opening nothing.
    MainLogPageControl_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MainLogPageControl_, &QWidget::customContextMenuRequested, this, &TChildForm::tabsContextPopup);

    trendsButton = new QToolButton(MainLogPageControl_);
    trendsButton->setObjectName(QStringLiteral("trendsButton"));
    trendsButton->setCheckable(true);
    trendsButton->setAutoRaise(true);
    MainLogPageControl_->setCornerWidget(trendsButton, Qt::TopRightCorner);
    connect(trendsButton, &QToolButton::toggled, this, &TChildForm::showTrends);
    // A tab chosen while the trends are up brings its record back.
    connect(bar, &QTabBar::tabBarClicked, this, [this] { trendsButton->setChecked(false); });
    MainLogPageControl_->installEventFilter(this);

    tabPopupMenu = new QMenu(this);
    deleteItem = tabPopupMenu->addAction(QString());
    connect(deleteItem, &QAction::triggered, this, &TChildForm::deleteRecordClick);
    reportItem = tabPopupMenu->addAction(QString());
    connect(reportItem, &QAction::triggered, this, &TChildForm::serviceReportClick);
}

void TChildForm::buildMenus() {
    Outils1 = new QMenu(this);
    changeOwnerData = Outils1->addAction(QString());
    connect(changeOwnerData, &QAction::triggered, this, &TChildForm::changeOwnerDataClick);
    reportMenuItem = Outils1->addAction(QString());
    connect(reportMenuItem, &QAction::triggered, this, &TChildForm::serviceReportClick);
}

QString TChildForm::text(TextId id) const {
    return WinText::toQt(catalogue_->Text(id));
}

void TChildForm::setCaptions() {
    GeneralInfoGroupBox->setTitle(text(TextId::GeneralInformations));
    clientRefGroupBox->setTitle(text(TextId::CustomerReferences));
    nameStaticText->setText(text(TextId::Firstname));
    surnameStaticText->setText(text(TextId::Lastname));
    adressStaticText->setText(text(TextId::Address));
    machineInfoGroupBox->setTitle(text(TextId::MachineInformation));
    MNBStaticText->setText(text(TextId::MachineNr));
    SNBStaticText->setText(text(TextId::MachineSnb));
    softVerStaticText->setText(text(TextId::Version));
    bootVerStaticText->setText(text(TextId::Bootloader));
    Outils1->setTitle(text(TextId::Edition));
    changeOwnerData->setText(text(TextId::ModifyData));
    deleteItem->setText(text(TextId::Delete));
    trendsButton->setText(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::TrendsTab)));
    const QString report = WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::ServiceReportMenu));
    reportItem->setText(report);
    reportMenuItem->setText(report);
}

void TChildForm::refreshInfo() {
    ONameLabel->setText(WinText::toQt(machine_.name()));
    OSurnameLabel->setText(WinText::toQt(machine_.firstName()));
    OAddressLabel->setText(WinText::toQt(machine_.address()));
    const QString number = WinText::toQt(machine_.MachineNumberText());
    MNBLabel->setText(number);
    SNBLabel->setText(hex(machine_.serialNumber(), 8));
    SoftVerLabel->setText(hex(machine_.typeByte(), 2) + hex(machine_.firmwareVersion(), 8));
    BootVerLabel->setText(hex(machine_.bootloaderVersion(), 2));
    // Tells minimised machine windows apart.
    setWindowTitle(number);
}

TFXULogTab* TChildForm::tab(int index) const {
    return qobject_cast<TFXULogTab*>(MainLogPageControl_->widget(index));
}

void TChildForm::ShowRecord(const FXULogTime& time) {
    int index = 0;
    while (index < MainLogPageControl_->count() && tab(index)->record()->logTime() != time)
        ++index;
    if (index == MainLogPageControl_->count())
        new TFXULogTab(&machine_.Find(time), MainLogPageControl_, prompts_);
    MainLogPageControl_->setCurrentIndex(index);
    refreshInfo();
    updateTrends();
}

void TChildForm::StoreEdits() {
    for (int i = 0; i < MainLogPageControl_->count(); ++i)
        tab(i)->StoreComment();
}

std::vector<std::pair<int, QMenu*>> TChildForm::mergedMenus() const {
    return {{kMenuGroup, Outils1}};
}

void TChildForm::changeOwnerDataClick() {
    TchangeODataForm dialog(this, machine_.typeCode(), machine_, directory_, prompts_);
    ModalRunner::run(dialog);
    refreshInfo();
}

void TChildForm::tabsContextPopup(const QPoint& pos) {
    deleteItem->setEnabled(MainLogPageControl_->count() > 1);
    QTabBar* bar = MainLogPageControl_->tabBar();
    const int index = bar->tabAt(bar->mapFrom(MainLogPageControl_, pos));
    if (index < 0)
        return;
    MainLogPageControl_->setCurrentIndex(index);
    popupRunner_(*tabPopupMenu, MainLogPageControl_->mapToGlobal(pos));
}

void TChildForm::serviceReportClick() {
    if (TFXULogTab* shown = tab(MainLogPageControl_->currentIndex()))
        emit serviceReportRequested(&machine_, shown->record());
}

void TChildForm::deleteRecordClick() {
    const int a = MainLogPageControl_->currentIndex();
    // The last record of a machine is never deleted.
    if (a < 0 || MainLogPageControl_->count() < 2)
        return;
    TFXULogTab* doomed = tab(a);
    const FXULog* record = doomed->record();
    const FXULog* neighbour = tab(a == 0 ? 1 : a - 1)->record();
    if (record->serialNumber() != neighbour->serialNumber()) {
        prompts_.message(Prompts::Kind::Error, catalogue_->Text(TextId::CannotDeleteMowerLog),
                         Prompts::Buttons::Ok);
        return;
    }
    const std::string question =
        catalogue_->Text(TextId::GoingToDeleteMowerLog) + record->logTime().confirmationText();
    if (prompts_.message(Prompts::Kind::Confirmation, question, Prompts::Buttons::OkCancel) ==
        Prompts::Answer::Cancel)
        return;

    std::unique_ptr<FXULog> removed = machine_.Remove(record->logTime());
    MainLogPageControl_->removeTab(a);
    delete doomed;
    // Only now that no tab shows it may the record go.
    removed.reset();
    updateTrends();
}

void TChildForm::closeEvent(QCloseEvent* event) {
    // The window lives until shutdown, keeping its tabs and typed comments; closing only minimises it.
    event->ignore();
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->showMinimized();
    else if (isWindow())
        showMinimized();
}
