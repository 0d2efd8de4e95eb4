#include "platform/data_provider.h"

#include <algorithm>
#include <cstddef>
#include <utility>

GenericDataProvider::GenericDataProvider(std::string name) : name_(std::move(name)) {}

void GenericDataProvider::SetColumnCount(int32_t count) {
    columnCount_ = std::max(count, 0);
    Reset();
}

void GenericDataProvider::SetRowCount(int32_t count) {
    rowCount_ = std::max(count, 0);
    Reset();
}

void GenericDataProvider::Reset() {
    cells_.assign(static_cast<size_t>(rowCount_) * static_cast<size_t>(columnCount_), Cell{});
    rowHeights_.assign(static_cast<size_t>(rowCount_), kDefaultRowHeight);
    columnWidths_.assign(static_cast<size_t>(columnCount_), kDefaultColumnWidth);
    merges_.clear();
}

bool GenericDataProvider::Contains(int32_t row, int32_t column) const {
    return row >= 1 && row <= rowCount_ && column >= 1 && column <= columnCount_;
}

size_t GenericDataProvider::Index(int32_t row, int32_t column) const {
    return static_cast<size_t>(row - 1) * static_cast<size_t>(columnCount_) +
           static_cast<size_t>(column - 1);
}

Cell& GenericDataProvider::At(int32_t row, int32_t column) {
    return cells_[Index(row, column)];
}

const Cell& GenericDataProvider::At(int32_t row, int32_t column) const {
    return cells_[Index(row, column)];
}

int32_t GenericDataProvider::RowHeight(int32_t row) const {
    if (row < 1 || row > rowCount_) return 0;
    return rowHeights_[static_cast<size_t>(row - 1)];
}

int32_t GenericDataProvider::ColumnWidth(int32_t column) const {
    if (column < 1 || column > columnCount_) return 0;
    return columnWidths_[static_cast<size_t>(column - 1)];
}

void GenericDataProvider::SetRowHeight(int32_t row, int32_t height) {
    if (row < 1 || row > rowCount_) return;
    rowHeights_[static_cast<size_t>(row - 1)] = std::max(height, 0);
}

void GenericDataProvider::SetColumnWidth(int32_t column, int32_t width) {
    if (column < 1 || column > columnCount_) return;
    columnWidths_[static_cast<size_t>(column - 1)] = std::max(width, 0);
}

void GenericDataProvider::AddMerge(const CellRange& range) {
    if (range.rowCount < 1 || range.columnCount < 1) return;
    if (!Contains(range.row, range.column) || !Contains(range.LastRow(), range.LastColumn()))
        return;
    std::erase_if(merges_, [&](const CellRange& m) { return m.Overlaps(range); });
    if (range.rowCount > 1 || range.columnCount > 1) merges_.push_back(range);
}

void GenericDataProvider::InsertRows(int32_t row, int32_t count) {
    if (count < 1 || row < 1 || row > rowCount_ + 1) return;
    const auto at = static_cast<std::ptrdiff_t>(row - 1);
    const auto width = static_cast<std::ptrdiff_t>(columnCount_);
    cells_.insert(cells_.begin() + at * width, static_cast<size_t>(count * columnCount_), Cell{});
    rowHeights_.insert(rowHeights_.begin() + at, static_cast<size_t>(count), kDefaultRowHeight);
    rowCount_ += count;
    for (CellRange& m : merges_) {
        if (m.row >= row) {
            m.row += count;
        } else if (m.LastRow() >= row) {
            m.rowCount += count;
        }
    }
}
