#include "ui/history/THistGrid.h"

#include "core/history/FXULog.h"
#include "core/historyview/FXUEventRows.h"
#include "ui/WinText.h"

const QColor THistGrid::kAlarmColour(255, 0, 0);
const QColor THistGrid::kMachineColour(0, 0, 255);
const QColor THistGrid::kUpdateColour(0, 255, 0);

namespace {

constexpr int kRowHeight = 24;
constexpr int kColumnWidths[FXUEventRow::kColumns] = {0, 120, 200, 64, 64, 64};

} // namespace

THistGrid::THistGrid(QWidget* parent) : TStringGrid(parent) {
    setRaisedFixedCells(true);
}

void THistGrid::fill(const FXULog& record) {
    const std::vector<FXUEventRow> rows = FXUEventRows::Build(record);
    const int events = static_cast<int>(rows.size());
    setShape(FXUEventRow::kColumns, FXUEventRows::GridRows(events), 0, 1);
    setDefaultRowHeight(kRowHeight);
    for (int column = 0; column < FXUEventRow::kColumns; ++column) {
        setColWidth(column, kColumnWidths[column]);
        setCell(column, 0, QString::fromLatin1(FXUEventRows::kHeaders[static_cast<std::size_t>(column)]));
    }
    QFont italic = font();
    italic.setItalic(true);
    for (int i = 0; i < events; ++i) {
        const FXUEventRow& row = rows[static_cast<std::size_t>(i)];
        for (int column = 0; column < FXUEventRow::kColumns; ++column) {
            auto* cell = new QTableWidgetItem(WinText::toQt(row.cells[static_cast<std::size_t>(column)]));
            if (column == FXUEventRows::kEventColumn && row.style != FXUEventStyle::Plain) {
                cell->setForeground(row.style == FXUEventStyle::Alarm     ? kAlarmColour
                                    : row.style == FXUEventStyle::Machine ? kMachineColour
                                                                          : kUpdateColour);
                cell->setFont(italic);
            }
            setItem(i, column, cell);
        }
    }
    setCurrentCell(FXUEventRows::OldestRow(events) - fixedRows(), 1);
    openOnOldest_ = true;
    if (isVisible())
        scrollToItem(currentItem());
}

void THistGrid::showEvent(QShowEvent* event) {
    TStringGrid::showEvent(event);
    if (openOnOldest_)
        scrollToItem(currentItem());
    openOnOldest_ = false;
}
