#include "ui/history/TTrendsPage.h"

#include "core/historyview/FXUTrends.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/WinText.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

QString label(FXUTrends::Series series) {
    if (series == FXUTrends::Alarms)
        return WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::ReportAlarms));
    return WinText::toQt(FXUStringTable::getInstance()->Text(FXUTrends::Label(series)));
}

std::vector<FXUTrends::Series> seriesOf(TTrendsPage::Group group) {
    switch (group) {
    case TTrendsPage::Times:
        return {FXUTrends::MowingTime, FXUTrends::ChargingTime};
    case TTrendsPage::Cycles:
        return {FXUTrends::Cycles};
    case TTrendsPage::WheelDistances:
        return {FXUTrends::LeftWheel, FXUTrends::RightWheel};
    default:
        return {FXUTrends::Alarms};
    }
}

} // namespace

TTrendsPage::TTrendsPage(const FXUMowerLog& machine, QWidget* parent)
    : QWidget(parent), machine_(machine), groups_(new QComboBox(this)), view_(new QChartView(this)),
      hint_(new QLabel(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    groups_->setObjectName(QStringLiteral("trendGroup"));
    for (const Group group : {Times, Cycles, WheelDistances, Alarms}) {
        QStringList names;
        for (const FXUTrends::Series series : seriesOf(group))
            names << label(series);
        groups_->addItem(names.join(QStringLiteral(" / ")));
    }
    column->addWidget(groups_);
    view_->setRenderHint(QPainter::Antialiasing);
    column->addWidget(view_, 1);
    hint_->setText(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::TrendsHint)));
    hint_->setWordWrap(true);
    column->addWidget(hint_);
    connect(groups_, &QComboBox::currentIndexChanged, this, [this](int index) { showGroup(Group(index)); });
    refresh();
}

QChart* TTrendsPage::chart() const {
    return view_->chart();
}

void TTrendsPage::refresh() {
    records_.clear();
    for (const FXUTrends::Point& point : FXUTrends::Build(machine_)) {
        const FXULogTime& t = point.time;
        Record record{QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second)),
                      std::vector<unsigned>(point.values.begin(), point.values.end()),
                      t.year,
                      t.month,
                      t.day,
                      t.hour,
                      t.minute,
                      t.second};
        records_.push_back(std::move(record));
    }
    showGroup(Group(std::max(0, groups_->currentIndex())));
}

void TTrendsPage::showGroup(Group group) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    auto* timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("dd/MM/yyyy"));
    auto* valueAxis = new QValueAxis;
    valueAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    double top = 1;
    for (const FXUTrends::Series series : seriesOf(group)) {
        auto* line = new QLineSeries;
        auto* points = new QScatterSeries;
        line->setName(label(series));
        points->setMarkerSize(9);
        for (const Record& record : records_) {
            const auto x = static_cast<qreal>(record.when.toMSecsSinceEpoch());
            const auto y = static_cast<qreal>(record.values[static_cast<std::size_t>(series)]);
            line->append(x, y);
            points->append(x, y);
            top = std::max(top, y);
        }
        chart->addSeries(line);
        chart->addSeries(points);
        for (QAbstractSeries* s :
             {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(points)}) {
            s->attachAxis(timeAxis);
            s->attachAxis(valueAxis);
        }
        points->setColor(line->color());
        // The points carry no legend entry of their own: the line names the series.
        chart->legend()->markers(points).first()->setVisible(false);
        connect(points, &QScatterSeries::clicked, this, &TTrendsPage::pointClicked);
        connect(points, &QScatterSeries::hovered, this, &TTrendsPage::pointHovered);
    }
    valueAxis->setRange(0, std::ceil(top * 1.1));
    if (!records_.empty()) {
        // A little room either side keeps the first and last points off the frame.
        const qint64 margin =
            std::max<qint64>(86400, records_.front().when.secsTo(records_.back().when) / 30);
        timeAxis->setRange(records_.front().when.addSecs(-margin), records_.back().when.addSecs(margin));
        timeAxis->setTickCount(std::min<int>(6, std::max<int>(2, static_cast<int>(records_.size()))));
    }
    QChart* old = view_->chart();
    view_->setChart(chart);
    delete old;
}

int TTrendsPage::recordAt(const QPointF& point) const {
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (std::llround(point.x()) == records_[i].when.toMSecsSinceEpoch())
            return static_cast<int>(i);
    return -1;
}

QString TTrendsPage::pointText(int index) const {
    if (index < 0 || index >= static_cast<int>(records_.size()))
        return {};
    const Record& record = records_[static_cast<std::size_t>(index)];
    QStringList lines{record.when.toString(QStringLiteral("dd/MM/yyyy HH:mm"))};
    for (int series = 0; series < FXUTrends::kSeries; ++series)
        lines << QStringLiteral("%1: %2%3")
                     .arg(label(FXUTrends::Series(series)))
                     .arg(record.values[static_cast<std::size_t>(series)])
                     .arg(QString::fromLatin1(FXUTrends::Unit(FXUTrends::Series(series))));
    return lines.join(QLatin1Char('\n'));
}

void TTrendsPage::pointHovered(const QPointF& point, bool state) {
    // The line under the chart too: the chart view takes tool tips away when its own items have none.
    const QString values = state ? pointText(recordAt(point)) : QString();
    hint_->setText(values.isEmpty() ? WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::TrendsHint))
                                    : QString(values).replace(QLatin1Char('\n'), QStringLiteral("   ")));
    if (state)
        QToolTip::showText(QCursor::pos(), values, view_);
    else
        QToolTip::hideText();
}

void TTrendsPage::pointClicked(const QPointF& point) {
    const int index = recordAt(point);
    if (index < 0)
        return;
    const Record& r = records_[static_cast<std::size_t>(index)];
    emit recordChosen(r.year, r.month, r.day, r.hour, r.minute, r.second);
}
