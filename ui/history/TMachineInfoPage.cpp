#include "ui/history/TMachineInfoPage.h"

#include "core/history/FXULog.h"
#include "core/historyview/FXUOverviewTables.h"
#include "core/historyview/FXUPanelLayout.h"
#include "core/historyview/FXUSettingsTables.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/WinText.h"
#include "ui/history/TStringGrid.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>

const char* const TMachineInfoPage::kParametersCaption = "Parameters";
const char* const TMachineInfoPage::kGlobalOptionsCaption = "Global Options";
const char* const TMachineInfoPage::kZoneOptionsCaption = "Zone Depending Options";

namespace {

constexpr int kRowHeight = 18;
constexpr int kBoxMargin = 2;
// Identification: the value column, and at most this much for the labels.
constexpr int kIdentValueWidth = 90;
constexpr int kIdentLabelWidth = 110;
constexpr int kStatValueWidth = 70;
constexpr int kStatLabelWidth = 100;
constexpr int kParameterLabelWidth = 40;
constexpr int kParameterNameWidth = 100;
constexpr int kZoneWidth = 40;
constexpr int kOptionLabelWidth = 178;
constexpr int kOptionValueWidth = 20;
constexpr int kOptionMargin = 22;

QString catalogueText(TextId id) {
    return WinText::toQt(FXUStringTable::getInstance()->Text(id));
}

} // namespace

TMachineInfoPage::TMachineInfoPage(const FXULog& record, QWidget* parent)
    : QWidget(parent), record_(record), zones_(record.zoneCount()) {
    buildPanels();
    buildCommentBox();
    statistics_ = addGrid(6, catalogueText(TextId::Statistics));
    statistics_->setShape(2, static_cast<int>(FXUOverviewTables::kShownStatistics.size()), 0, 0);
    statistics_->setTexts(FXUOverviewTables::Statistics(record_));
    identification_ = addGrid(5, catalogueText(TextId::MachineInformationPage));
    identification_->setDrawing(TStringGrid::Drawing::Wrapping);
    identification_->setShape(2, 3, 0, 0);
    identification_->setTexts(FXUOverviewTables::Identification(record_));
    zoneOff_ = FXUSettingsTables::ZoneOffFlags(record_);
    buildParameterGrid();
    buildOptionGrids();
    layoutPanels();
    setUpStatistics();
    setUpIdentification();
    setUpGlobalOptions();
    setUpZoneOptions();
}

void TMachineInfoPage::buildPanels() {
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    QFrame* p0 = new QFrame(this);
    p0->setFrameStyle(QFrame::NoFrame);
    fill->addWidget(p0);
    panels_[0] = p0;
    // Placed by layoutPanels, not by layouts: their shares are fixed percentages of their parents.
    const auto shape = FXUPanelLayout::layoutPanels(0, 0, 0, 0);
    for (std::size_t i = 1; i < panels_.size(); ++i)
        panels_[i] = new QFrame(panels_[static_cast<std::size_t>(shape[i].parent)]);
    p0->installEventFilter(this);
}

QGroupBox* TMachineInfoPage::addBox(int panel, const QString& caption) {
    QFrame* frame = panels_[static_cast<std::size_t>(panel)];
    auto* fillPanel = new QVBoxLayout(frame);
    fillPanel->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(caption, frame);
    fillPanel->addWidget(box);
    auto* fillBox = new QVBoxLayout(box);
    fillBox->setContentsMargins(kBoxMargin, kBoxMargin, kBoxMargin, kBoxMargin);
    return box;
}

TStringGrid* TMachineInfoPage::addGrid(int panel, const QString& caption) {
    QGroupBox* box = addBox(panel, caption);
    auto* grid = new TStringGrid(box);
    box->layout()->addWidget(grid);
    grid->installEventFilter(this);
    return grid;
}

void TMachineInfoPage::buildCommentBox() {
    commentGroupBox_ = addBox(2, catalogueText(TextId::Comments));
    commentEditor_ = new QPlainTextEdit(commentGroupBox_);
    commentGroupBox_->layout()->addWidget(commentEditor_);
}

void TMachineInfoPage::buildParameterGrid() {
    const FXUTextGrid texts = FXUSettingsTables::Parameters(record_);
    parameters_ = addGrid(7, QString::fromLatin1(kParametersCaption));
    parameters_->removeEventFilter(this); // built once, not on resize
    parameters_->setDrawing(TStringGrid::Drawing::Wrapping);
    parameters_->setShape(texts.columns(), texts.rows(), 1, 1);
    parameters_->setDefaultRowHeight(kRowHeight);
    parameters_->setColWidth(0, kParameterLabelWidth);
    const int boxWidth = parameters_->parentWidget()->width();
    parameters_->setColWidth(1, std::max(kParameterNameWidth, boxWidth / (kZoneWidth * zones_ + kZoneWidth)));
    std::vector<bool> silver(static_cast<std::size_t>(texts.columns()), false);
    for (int zone = 0; zone < zones_; ++zone) {
        parameters_->setColWidth(zone + 2, kZoneWidth);
        silver[static_cast<std::size_t>(zone + 2)] = zoneOff_[static_cast<std::size_t>(zone + 1)];
    }
    parameters_->setSilverColumns(silver);
    parameters_->setTexts(texts);
    parameters_->fitRowHeights();
}

void TMachineInfoPage::buildOptionGrids() {
    const FXUTextGrid global = FXUSettingsTables::GlobalOptions(record_);
    globalOptions_ = addGrid(9, QString::fromLatin1(kGlobalOptionsCaption));
    globalOptions_->setShape(global.columns(), global.rows(), 1, 1);
    globalOptions_->setTexts(global);

    zoneOptions_ = addGrid(10, QString::fromLatin1(kZoneOptionsCaption));
    if (record_.zoneOptionCount() == 0)
        return; // left unset; its panel has no height
    const FXUTextGrid perZone = FXUSettingsTables::ZoneOptions(record_);
    zoneOptions_->setShape(perZone.columns(), perZone.rows(), 1, 1);
    zoneOptions_->setTexts(perZone);
    std::vector<bool> silver(static_cast<std::size_t>(perZone.columns()), false);
    for (std::size_t c = 1; c < silver.size() && c < zoneOff_.size(); ++c)
        silver[c] = zoneOff_[c];
    zoneOptions_->setSilverColumns(silver);
}

void TMachineInfoPage::layoutPanels() {
    const QFrame* p0 = panels_[0];
    const auto shape = FXUPanelLayout::layoutPanels(p0->width(), p0->height(), record_.globalOptionCount(),
                                                    record_.zoneOptionCount());
    for (std::size_t i = 1; i < panels_.size(); ++i) {
        QFrame* panel = panels_[i];
        const FXUPanelLayout::Panel& place = shape[i];
        // A thin line, then space up to the border width: a thick black line would dominate the page. A
        // frame keeps its line in its contents margins, so the margins are the whole border.
        const int border = FXUPanelLayout::BorderWidth(place.border);
        // A panel too small for its border has none to draw.
        const bool framed = border > 0 && place.rect.width > 2 * border && place.rect.height > 2 * border;
        panel->setFrameStyle(framed ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        panel->setLineWidth(framed ? 1 : 0);
        panel->setContentsMargins(border, border, border, border);
        panel->setGeometry(place.rect.x, place.rect.y, place.rect.width, place.rect.height);
    }
}

void TMachineInfoPage::setUpIdentification() {
    identification_->setDefaultRowHeight(kRowHeight);
    identification_->setColWidth(1, kIdentValueWidth);
    identification_->setColWidth(0,
                                 std::min(kIdentLabelWidth, statistics_->width() - statistics_->colWidth(1)));
    identification_->fitRowHeights();
}

void TMachineInfoPage::setUpStatistics() {
    statistics_->setDefaultRowHeight(kRowHeight);
    statistics_->setColWidth(1, kStatValueWidth);
    statistics_->setColWidth(0, std::min(kStatLabelWidth, statistics_->width() - kStatValueWidth));
}

void TMachineInfoPage::setUpGlobalOptions() {
    globalOptions_->setDefaultRowHeight(kRowHeight);
    globalOptions_->setColWidth(0, std::min(kOptionLabelWidth, globalOptions_->width() - kOptionMargin));
    globalOptions_->setColWidth(1, kOptionValueWidth);
}

void TMachineInfoPage::setUpZoneOptions() {
    if (record_.zoneOptionCount() == 0)
        return;
    zoneOptions_->setDefaultRowHeight(kRowHeight);
    zoneOptions_->setColWidth(0,
                              std::min(kOptionLabelWidth, globalOptions_->width() - kOptionMargin * zones_));
    for (int zone = 0; zone < zones_; ++zone)
        zoneOptions_->setColWidth(zone + 1, kOptionValueWidth);
}

bool TMachineInfoPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == panels_[0]) {
            layoutPanels();
        } else if (watched == statistics_) {
            setUpStatistics();
            setUpIdentification(); // its labels take what the statistics leave
        } else if (watched == identification_) {
            setUpIdentification();
        } else if (watched == globalOptions_) {
            setUpGlobalOptions();
            setUpZoneOptions();
        } else if (watched == zoneOptions_) {
            setUpZoneOptions();
        }
    }
    return QWidget::eventFilter(watched, event);
}
