#include "ui/history/TGridHeader.h"

#include "ui/history/TStringGrid.h"

#include <QPainter>

TGridHeader::TGridHeader(Qt::Orientation orientation, TStringGrid& grid)
    : QHeaderView(orientation, &grid), grid_(grid) {
    setSectionResizeMode(QHeaderView::Fixed);
    setMinimumSectionSize(0);
    setHighlightSections(false);
    setSectionsClickable(false);
    // Beyond the last cell the grid is empty, not fixed: the header's empty area is the grid's colour.
    QPalette empty = palette();
    empty.setColor(QPalette::Window, empty.color(QPalette::Base));
    empty.setColor(QPalette::Button, empty.color(QPalette::Base));
    setPalette(empty);
}

void TGridHeader::setExtent(int extent) {
    extent_ = extent;
    if (orientation() == Qt::Horizontal)
        setFixedHeight(extent);
    else
        setFixedWidth(extent);
    emit geometriesChanged(); // the table places its viewport after it
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // Only the grid's own texts: a table numbers the sections it has no text for.
    const QString text = orientation() == Qt::Horizontal ? grid_.cell(logicalIndex + grid_.fixedColumns(), 0)
                                                         : grid_.cell(0, logicalIndex + grid_.fixedRows());
    painter->save();
    grid_.paintFixedCell(*painter, rect, text);
    painter->restore();
}
