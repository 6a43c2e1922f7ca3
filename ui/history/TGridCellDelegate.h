#pragma once

#include <QStyledItemDelegate>

class TStringGrid;

// Draws a grid's cells by its rule: the grid's colour (or silver for a marked column), the text from 2
// pixels right of and below the corner in the cell's own colour and font if it has them, clipped to the
// cell, and a focus rectangle on the focused cell. A selection is not shown otherwise.
class TGridCellDelegate : public QStyledItemDelegate {
public:
    explicit TGridCellDelegate(TStringGrid& grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    TStringGrid& grid_;
};
