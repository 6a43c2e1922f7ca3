#pragma once

#include <QHeaderView>

class TStringGrid;

// A grid's fixed row or column: each section is drawn as the grid draws its fixed cells.
class TGridHeader : public QHeaderView {
public:
    TGridHeader(Qt::Orientation orientation, TStringGrid& grid);

    // The fixed row's height or the fixed column's width, whatever its texts would want.
    void setExtent(int extent);
    int extent() const { return extent_; }
    QSize sizeHint() const override { return {extent_, extent_}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    TStringGrid& grid_;
    int extent_ = 0;
};
