#pragma once

#include <QColor>
#include <QTableWidget>
#include <vector>

class FXUTextGrid;
class TGridHeader;

// A grid of texts addressed as (column, row) with row 0 at the top, whose first row and first column may
// be fixed: fixed cells are the table's headers, so they stay in view when the rest scrolls. Every cell is
// drawn by one of two rules: plain, or with the text wrapped and the row grown to hold it. Read-only.
class TStringGrid : public QTableWidget {
public:
    enum class Drawing { Plain, Wrapping };
    static constexpr int kTextInset = 2; // the text starts this far right of and below the cell's corner
    static const QColor kSilver;

    explicit TStringGrid(QWidget* parent = nullptr);

    // Fixed rows and columns: 0 or 1 each.
    void setShape(int columns, int rows, int fixedColumns, int fixedRows);
    int gridColumns() const { return columnCount() + fixedColumns_; }
    int gridRows() const { return rowCount() + fixedRows_; }
    int fixedColumns() const { return fixedColumns_; }
    int fixedRows() const { return fixedRows_; }

    void setCell(int column, int row, const QString& text);
    QString cell(int column, int row) const;
    void setTexts(const FXUTextGrid& texts); // Windows-1252 texts; cells beyond the grid are left out

    void setColWidth(int column, int width);
    int colWidth(int column) const;
    void setDefaultRowHeight(int height); // every row, the fixed one too
    int gridRowHeight(int row) const;
    // Where a cell is painted, in the grid's own coordinates, fixed cells included.
    QRect cellRect(int column, int row) const;

    void setDrawing(Drawing drawing) { drawing_ = drawing; }
    Drawing drawing() const { return drawing_; }
    // The grid columns drawn on silver instead of the grid's colour.
    void setSilverColumns(std::vector<bool> columns);
    bool isSilverColumn(int column) const;
    void setFixedColour(const QColor& colour);
    QColor fixedColour() const;
    // Fixed cells drawn as raised buttons rather than flat.
    void setRaisedFixedCells(bool raised) { raisedFixedCells_ = raised; }
    bool raisedFixedCells() const { return raisedFixedCells_; }

    // Wrapping rule: each row as tall as its tallest wrapped text plus 4, and at least as it was.
    void fitRowHeights();
    // How a cell's text is laid into its rectangle by the grid's rule.
    int textFlags() const;
    // Paints a fixed cell: its fill, its text, and its frame or grid lines.
    void paintFixedCell(QPainter& painter, const QRect& rect, const QString& text) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidgetItem* itemAt(int column, int row, bool create);
    int wrappedHeight(const QString& text, int width) const;

    TGridHeader* top_;  // the fixed row
    TGridHeader* left_; // the fixed column
    int fixedColumns_ = 0;
    int fixedRows_ = 0;
    QString cornerText_;
    Drawing drawing_ = Drawing::Plain;
    std::vector<bool> silverColumns_;
    QColor fixedColour_;
    bool raisedFixedCells_ = false;
};
