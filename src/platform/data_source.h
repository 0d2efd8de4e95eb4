#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/cell_format.h"
#include "platform/data_provider.h"
#include "platform/grid_print_settings.h"

// The data source: presents the cells of a generic data provider, writes their texts and
// formatting and carries the print settings of the grid bound to it. Rows and columns are
// counted from 1; a row or column count left out means 1. Calls that reach outside the table
// are cut to the part inside it; a call starting outside the table changes nothing.
class DataSource {
public:
    using Count = std::optional<int32_t>;

    explicit DataSource(GenericDataProvider& provider, std::string name = "数据源1");

    const std::string& Name() const { return name_; }
    const std::string& ProviderName() const { return provider_.Name(); }

    // Writing.
    void SetCellText(int32_t row, int32_t column, std::string text);
    void SetFontFamily(int32_t row, int32_t column, Count rowCount, Count columnCount,
                       const std::string& family);
    void SetFontSize(int32_t row, int32_t column, Count rowCount, Count columnCount, int32_t size);
    void SetFormatCode1(int32_t row, int32_t column, Count rowCount, Count columnCount,
                        int32_t value);
    void SetFormatCode2(int32_t row, int32_t column, Count rowCount, Count columnCount,
                        std::optional<int32_t> value = std::nullopt);
    void SetFormatCode3(int32_t row, int32_t column, Count rowCount, Count columnCount,
                        std::optional<int32_t> value = std::nullopt);
    void SetFormatCode4(int32_t row, int32_t column, Count rowCount, int32_t columnCount,
                        std::optional<int32_t> value = std::nullopt);
    // Gives rowCount rows from row (the sheet always passes 1) the height.
    void SetRowHeight(int32_t row, int32_t rowCount, int32_t height);
    void SetColumnWidth(int32_t column, Count columnCount, int32_t width);
    void InsertRows(int32_t row, Count count = std::nullopt);
    void MergeCells(int32_t row, int32_t column, Count rowCount, int32_t columnCount);
    void SetPrintSettings(const GridPrintSettings& settings) { printSettings_ = settings; }

    // Reading; outside the table a cell reads as empty with the default format.
    int32_t RowCount() const { return provider_.RowCount(); }
    int32_t ColumnCount() const { return provider_.ColumnCount(); }
    std::string CellText(int32_t row, int32_t column) const;
    CellFormat Format(int32_t row, int32_t column) const;
    int32_t RowHeight(int32_t row) const { return provider_.RowHeight(row); }
    int32_t ColumnWidth(int32_t column) const { return provider_.ColumnWidth(column); }
    const std::vector<CellRange>& MergedRanges() const { return provider_.MergedRanges(); }
    // The merged range that covers the cell, if any.
    std::optional<CellRange> MergeAt(int32_t row, int32_t column) const;
    const GridPrintSettings& PrintSettings() const { return printSettings_; }

private:
    void ForEachFormat(int32_t row, int32_t column, Count rowCount, Count columnCount,
                       const std::function<void(CellFormat&)>& change);

    GenericDataProvider& provider_;
    std::string name_;
    GridPrintSettings printSettings_;
};
