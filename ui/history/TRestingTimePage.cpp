#include "ui/history/TRestingTimePage.h"

#include "core/history/FXULog.h"
#include "core/historyview/FXUSleepBars.h"
#include "core/historyview/FXUZoneTable.h"
#include "ui/history/TStringGrid.h"
#include "ui/history/TWeekChart.h"

#include <QEvent>
#include <QGroupBox>
#include <QTabWidget>
#include <QVBoxLayout>

const char* const TRestingTimePage::kTimeViewCaption = "Time View";
const char* const TRestingTimePage::kTableViewCaption = "Table View";

namespace {

constexpr int kViewBorder = 2;
constexpr int kRangeWidth = 75;
constexpr int kDayWidth = 65;
constexpr int kRowHeight = 30;

QWidget* addView(QTabWidget* views, const char* caption) {
    auto* page = new QWidget(views);
    auto* border = new QVBoxLayout(page);
    border->setContentsMargins(kViewBorder, kViewBorder, kViewBorder, kViewBorder);
    views->addTab(page, QString::fromLatin1(caption));
    return page;
}

// The desktop's colour for the title of the active window, lightened towards the window's colour as it
// is at the top of a title bar's gradient.
QColor captionColour(const QPalette& palette) {
    const QColor highlight = palette.color(QPalette::Highlight);
    const QColor window = palette.color(QPalette::Window);
    auto mix = [](int a, int b) { return (a * 45 + b * 55) / 100; };
    return {mix(highlight.red(), window.red()), mix(highlight.green(), window.green()),
            mix(highlight.blue(), window.blue())};
}

} // namespace

TRestingTimePage::TRestingTimePage(const FXULog& record, QWidget* parent)
    : QWidget(parent), views_(new QTabWidget(this)) {
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(views_);

    QWidget* timePage = addView(views_, kTimeViewCaption);
    chart_ = new TWeekChart(record.zoneCount(), FXUSleepBars::Build(record), timePage);
    timePage->layout()->addWidget(chart_);

    tablePage_ = addView(views_, kTableViewCaption);
    delete tablePage_->layout(); // the zone panels are placed by share, not by a layout
    tablePage_->setContentsMargins(kViewBorder, kViewBorder, kViewBorder, kViewBorder);
    tablePage_->installEventFilter(this);
    buildZoneTables(record);
    layoutZonePanels();
}

void TRestingTimePage::buildZoneTables(const FXULog& record) {
    for (int zone = 0; zone < record.zoneCount(); ++zone) {
        auto* panel = new QWidget(tablePage_);
        auto* fillPanel = new QVBoxLayout(panel);
        fillPanel->setContentsMargins(0, 0, 0, 0);
        auto* box = new QGroupBox(panel);
        fillPanel->addWidget(box);
        auto* fillBox = new QVBoxLayout(box);
        fillBox->setContentsMargins(2, 2, 2, 2);
        auto* grid = new TStringGrid(box);
        fillBox->addWidget(grid);

        const FXUTextGrid texts = FXUZoneTable::Cells(record, zone);
        grid->setShape(texts.columns(), texts.rows(), 1, 1);
        grid->setFixedColour(captionColour(palette()));
        grid->setDefaultRowHeight(kRowHeight);
        for (int column = 0; column < texts.columns(); ++column)
            grid->setColWidth(column, column == 0 ? kDayWidth : kRangeWidth);
        grid->setTexts(texts);
        zonePanels_.push_back(panel);
        zoneTables_.push_back(grid);
    }
}

void TRestingTimePage::layoutZonePanels() {
    const int zones = static_cast<int>(zonePanels_.size());
    if (zones == 0)
        return;
    const QRect room = tablePage_->contentsRect();
    const int height = room.height() / zones;
    for (int zone = 0; zone < zones; ++zone)
        zonePanels_[static_cast<std::size_t>(zone)]->setGeometry(room.x(), room.y() + zone * height,
                                                                 room.width(), height);
}

bool TRestingTimePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tablePage_ && event->type() == QEvent::Resize)
        layoutZonePanels();
    return QWidget::eventFilter(watched, event);
}
