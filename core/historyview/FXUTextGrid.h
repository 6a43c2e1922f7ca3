#pragma once

#include <string>
#include <vector>

// The texts of a string grid, addressed as the grid addresses them: column first, row 0 at the top.
// Fixed rows and columns are cells like any other.
class FXUTextGrid {
public:
    FXUTextGrid() = default;
    FXUTextGrid(int columns, int rows)
        : columns_(columns > 0 ? columns : 0), rows_(rows > 0 ? rows : 0),
          cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {}

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    // Out of the grid: an empty text, and nothing kept when written.
    const std::string& at(int column, int row) const {
        static const std::string none;
        return contains(column, row) ? cells_[index(column, row)] : none;
    }
    void set(int column, int row, std::string text) {
        if (contains(column, row))
            cells_[index(column, row)] = std::move(text);
    }

private:
    bool contains(int column, int row) const {
        return column >= 0 && column < columns_ && row >= 0 && row < rows_;
    }
    std::size_t index(int column, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column);
    }

    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::string> cells_;
};
