#include "ui/history/TStringGrid.h"

#include "core/historyview/FXUTextGrid.h"
#include "ui/WinText.h"
#include "ui/history/TGridCellDelegate.h"
#include "ui/history/TGridHeader.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>
#include <algorithm>

const QColor TStringGrid::kSilver(192, 192, 192);

namespace {

constexpr int kLargeHeight = 10000;

} // namespace

TStringGrid::TStringGrid(QWidget* parent)
    : QTableWidget(parent), top_(new TGridHeader(Qt::Horizontal, *this)),
      left_(new TGridHeader(Qt::Vertical, *this)) {
    setHorizontalHeader(top_);
    setVerticalHeader(left_);
    setItemDelegate(new TGridCellDelegate(*this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // The corner is the fixed cell (0, 0): it is drawn like the others.
    if (auto* corner = findChild<QAbstractButton*>())
        corner->installEventFilter(this);
    setShape(0, 0, 0, 0);
}

void TStringGrid::setShape(int columns, int rows, int fixedColumns, int fixedRows) {
    fixedColumns_ = std::clamp(fixedColumns, 0, 1);
    fixedRows_ = std::clamp(fixedRows, 0, 1);
    clear(); // the header texts too
    cornerText_.clear();
    setColumnCount(std::max(0, columns - fixedColumns_));
    setRowCount(std::max(0, rows - fixedRows_));
    horizontalHeader()->setVisible(fixedRows_ > 0);
    verticalHeader()->setVisible(fixedColumns_ > 0);
}

QTableWidgetItem* TStringGrid::itemAt(int column, int row, bool create) {
    if (column < 0 || row < 0 || column >= gridColumns() || row >= gridRows())
        return nullptr;
    const int c = column - fixedColumns_;
    const int r = row - fixedRows_;
    QTableWidgetItem* found = r < 0 ? horizontalHeaderItem(c) : c < 0 ? verticalHeaderItem(r) : item(r, c);
    if (found || !create)
        return found;
    found = new QTableWidgetItem;
    if (r < 0)
        setHorizontalHeaderItem(c, found);
    else if (c < 0)
        setVerticalHeaderItem(r, found);
    else
        setItem(r, c, found);
    return found;
}

void TStringGrid::setCell(int column, int row, const QString& text) {
    if (column < fixedColumns_ && row < fixedRows_) {
        cornerText_ = text;
        if (auto* corner = findChild<QAbstractButton*>())
            corner->update();
        return;
    }
    if (QTableWidgetItem* cell = itemAt(column, row, true))
        cell->setText(text);
}

QString TStringGrid::cell(int column, int row) const {
    if (column < fixedColumns_ && row < fixedRows_)
        return column == 0 && row == 0 ? cornerText_ : QString();
    const QTableWidgetItem* found = const_cast<TStringGrid*>(this)->itemAt(column, row, false);
    return found ? found->text() : QString();
}

void TStringGrid::setTexts(const FXUTextGrid& texts) {
    for (int row = 0; row < std::min(texts.rows(), gridRows()); ++row)
        for (int column = 0; column < std::min(texts.columns(), gridColumns()); ++column)
            if (!texts.at(column, row).empty())
                setCell(column, row, WinText::toQt(texts.at(column, row)));
}

void TStringGrid::setColWidth(int column, int width) {
    width = std::max(0, width);
    if (column < fixedColumns_)
        left_->setExtent(width);
    else if (column < gridColumns())
        horizontalHeader()->resizeSection(column - fixedColumns_, width);
}

int TStringGrid::colWidth(int column) const {
    if (column < fixedColumns_)
        return left_->extent();
    return horizontalHeader()->sectionSize(column - fixedColumns_);
}

void TStringGrid::setDefaultRowHeight(int height) {
    height = std::max(0, height);
    verticalHeader()->setDefaultSectionSize(height);
    for (int r = 0; r < rowCount(); ++r)
        verticalHeader()->resizeSection(r, height);
    top_->setExtent(height);
}

int TStringGrid::gridRowHeight(int row) const {
    if (row < fixedRows_)
        return top_->extent();
    return verticalHeader()->sectionSize(row - fixedRows_);
}

QRect TStringGrid::cellRect(int column, int row) const {
    const QRect top = horizontalHeader()->geometry();
    const QRect left = verticalHeader()->geometry();
    const QRect body = viewport()->geometry();
    int x = body.x();
    int width = colWidth(column);
    if (column < fixedColumns_)
        x = left.x();
    else
        x += horizontalHeader()->sectionViewportPosition(column - fixedColumns_);
    int y = body.y();
    const int height = gridRowHeight(row);
    if (row < fixedRows_)
        y = top.y();
    else
        y += verticalHeader()->sectionViewportPosition(row - fixedRows_);
    return {x, y, width, height};
}

void TStringGrid::setSilverColumns(std::vector<bool> columns) {
    silverColumns_ = std::move(columns);
    viewport()->update();
}

bool TStringGrid::isSilverColumn(int column) const {
    return column >= 0 && column < static_cast<int>(silverColumns_.size()) &&
           silverColumns_[static_cast<std::size_t>(column)];
}

void TStringGrid::setFixedColour(const QColor& colour) {
    fixedColour_ = colour;
}

QColor TStringGrid::fixedColour() const {
    return fixedColour_.isValid() ? fixedColour_ : palette().color(QPalette::Button);
}

int TStringGrid::textFlags() const {
    return Qt::AlignLeft | Qt::AlignTop | (drawing_ == Drawing::Wrapping ? Qt::TextWordWrap : 0);
}

void TStringGrid::paintFixedCell(QPainter& painter, const QRect& rect, const QString& text) const {
    painter.fillRect(rect, fixedColour());
    painter.setClipRect(rect);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rect.adjusted(kTextInset, kTextInset, 0, 0), textFlags(), text);
    const QRect& edge = rect;
    if (raisedFixedCells_) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    } else {
        // The grid's lines run on through its fixed cells.
        painter.setPen(
            QColor::fromRgba(static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor))));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    }
}

int TStringGrid::wrappedHeight(const QString& text, int width) const {
    if (text.isEmpty())
        return 0;
    const QRect room(0, 0, std::max(1, width - 1 - kTextInset), kLargeHeight);
    return fontMetrics().boundingRect(room, textFlags(), text).height();
}

void TStringGrid::fitRowHeights() {
    if (drawing_ != Drawing::Wrapping)
        return;
    for (int row = 0; row < gridRows(); ++row) {
        const int height = gridRowHeight(row);
        int tallest = 0;
        for (int column = 0; column < gridColumns(); ++column)
            tallest = std::max(tallest, wrappedHeight(cell(column, row), colWidth(column)));
        if (tallest <= height)
            continue;
        if (row < fixedRows_)
            top_->setExtent(tallest + 4);
        else
            verticalHeader()->resizeSection(row - fixedRows_, tallest + 4);
    }
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == findChild<QAbstractButton*>()) {
        auto* corner = static_cast<QWidget*>(watched);
        QPainter painter(corner);
        paintFixedCell(painter, corner->rect(), cornerText_);
        return true;
    }
    return QTableWidget::eventFilter(watched, event);
}
