#include "ui/history/TGridCellDelegate.h"

#include "ui/history/TStringGrid.h"

#include <QPainter>

TGridCellDelegate::TGridCellDelegate(TStringGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

void TGridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const int column = index.column() + grid_.fixedColumns();
    const QColor fill =
        grid_.isSilverColumn(column) ? TStringGrid::kSilver : cell.palette.color(QPalette::Base);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    const QColor ink =
        foreground.isValid() ? foreground.value<QBrush>().color() : cell.palette.color(QPalette::Text);

    painter->save();
    painter->fillRect(cell.rect, fill);
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(ink);
    const QRect text = cell.rect.adjusted(TStringGrid::kTextInset, TStringGrid::kTextInset, 0, 0);
    painter->drawText(text, grid_.textFlags(), index.data(Qt::DisplayRole).toString());
    if (cell.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(ink, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(cell.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}
