#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/cell_format.h"

// A rectangle of cells, rows and columns counted from 1.
struct CellRange {
    int32_t row = 1;
    int32_t column = 1;
    int32_t rowCount = 1;
    int32_t columnCount = 1;

    int32_t LastRow() const { return row + rowCount - 1; }
    int32_t LastColumn() const { return column + columnCount - 1; }
    bool Contains(int32_t r, int32_t c) const {
        return r >= row && r <= LastRow() && c >= column && c <= LastColumn();
    }
    bool Overlaps(const CellRange& other) const {
        return row <= other.LastRow() && other.row <= LastRow() && column <= other.LastColumn() &&
               other.column <= LastColumn();
    }
    bool operator==(const CellRange&) const = default;
};

struct Cell {
    std::string text;
    CellFormat format;
};

// The generic data provider: a table of cells with their row heights, column widths and merged
// ranges. Changing the number of rows or columns starts again from an empty table, so nothing of
// an earlier sheet survives a re-dimensioning.
class GenericDataProvider {
public:
    // Sizes, in the table's own units, of rows and columns that were never given one.
    static constexpr int32_t kDefaultRowHeight = 100;
    static constexpr int32_t kDefaultColumnWidth = 150;

    explicit GenericDataProvider(std::string name = "通用提供者1");

    const std::string& Name() const { return name_; }

    void SetColumnCount(int32_t count);
    void SetRowCount(int32_t count);
    int32_t RowCount() const { return rowCount_; }
    int32_t ColumnCount() const { return columnCount_; }
    bool Contains(int32_t row, int32_t column) const;

    // Access to a cell inside the table (Contains must hold).
    Cell& At(int32_t row, int32_t column);
    const Cell& At(int32_t row, int32_t column) const;

    int32_t RowHeight(int32_t row) const;
    int32_t ColumnWidth(int32_t column) const;
    void SetRowHeight(int32_t row, int32_t height);
    void SetColumnWidth(int32_t column, int32_t width);

    const std::vector<CellRange>& MergedRanges() const { return merges_; }
    // Adds a merged range that lies inside the table; merges it overlaps are dissolved.
    void AddMerge(const CellRange& range);

    // Inserts count empty rows before row (1 to RowCount() + 1). Texts, formats, heights and
    // merges below move down; a merge spanning the insertion point grows.
    void InsertRows(int32_t row, int32_t count);

private:
    void Reset();
    size_t Index(int32_t row, int32_t column) const;

    std::string name_;
    int32_t rowCount_ = 0;
    int32_t columnCount_ = 0;
    std::vector<Cell> cells_;  // row by row
    std::vector<int32_t> rowHeights_;
    std::vector<int32_t> columnWidths_;
    std::vector<CellRange> merges_;
};
