#include "platform/data_source.h"

#include <algorithm>
#include <utility>

DataSource::DataSource(GenericDataProvider& provider, std::string name)
    : provider_(provider), name_(std::move(name)) {}

void DataSource::ForEachFormat(int32_t row, int32_t column, Count rowCount, Count columnCount,
                               const std::function<void(CellFormat&)>& change) {
    if (!provider_.Contains(row, column)) return;
    const int32_t lastRow = std::min(provider_.RowCount(), row + rowCount.value_or(1) - 1);
    const int32_t lastColumn =
        std::min(provider_.ColumnCount(), column + columnCount.value_or(1) - 1);
    for (int32_t r = row; r <= lastRow; ++r) {
        for (int32_t c = column; c <= lastColumn; ++c) change(provider_.At(r, c).format);
    }
}

void DataSource::SetCellText(int32_t row, int32_t column, std::string text) {
    if (provider_.Contains(row, column)) provider_.At(row, column).text = std::move(text);
}

void DataSource::SetFontFamily(int32_t row, int32_t column, Count rowCount, Count columnCount,
                               const std::string& family) {
    ForEachFormat(row, column, rowCount, columnCount,
                  [&](CellFormat& f) { f.fontFamily = family; });
}

void DataSource::SetFontSize(int32_t row, int32_t column, Count rowCount, Count columnCount,
                             int32_t size) {
    ForEachFormat(row, column, rowCount, columnCount, [&](CellFormat& f) { f.fontSize = size; });
}

void DataSource::SetFormatCode1(int32_t row, int32_t column, Count rowCount, Count columnCount,
                                int32_t value) {
    ForEachFormat(row, column, rowCount, columnCount, [&](CellFormat& f) { f.code1 = value; });
}

void DataSource::SetFormatCode2(int32_t row, int32_t column, Count rowCount, Count columnCount,
                                std::optional<int32_t> value) {
    const int32_t v = value.value_or(cell_format::kBoldWhenOmitted);
    ForEachFormat(row, column, rowCount, columnCount, [&](CellFormat& f) { f.code2 = v; });
}

void DataSource::SetFormatCode3(int32_t row, int32_t column, Count rowCount, Count columnCount,
                                std::optional<int32_t> value) {
    const int32_t v = value.value_or(cell_format::kFrameWhenOmitted);
    ForEachFormat(row, column, rowCount, columnCount, [&](CellFormat& f) { f.code3 = v; });
}

void DataSource::SetFormatCode4(int32_t row, int32_t column, Count rowCount, int32_t columnCount,
                                std::optional<int32_t> value) {
    const int32_t v = value.value_or(cell_format::kHeaderBandWhenOmitted);
    ForEachFormat(row, column, rowCount, columnCount, [&](CellFormat& f) { f.code4 = v; });
}

void DataSource::SetRowHeight(int32_t row, int32_t rowCount, int32_t height) {
    if (row < 1 || row > provider_.RowCount()) return;
    const int32_t last = std::min(provider_.RowCount(), row + std::max(rowCount, 1) - 1);
    for (int32_t r = row; r <= last; ++r) provider_.SetRowHeight(r, height);
}

void DataSource::SetColumnWidth(int32_t column, Count columnCount, int32_t width) {
    if (column < 1 || column > provider_.ColumnCount()) return;
    const int32_t last =
        std::min(provider_.ColumnCount(), column + std::max(columnCount.value_or(1), 1) - 1);
    for (int32_t c = column; c <= last; ++c) provider_.SetColumnWidth(c, width);
}

void DataSource::InsertRows(int32_t row, Count count) {
    provider_.InsertRows(row, count.value_or(1));
}

void DataSource::MergeCells(int32_t row, int32_t column, Count rowCount, int32_t columnCount) {
    if (!provider_.Contains(row, column)) return;
    CellRange range{row, column, rowCount.value_or(1), columnCount};
    if (range.rowCount < 1 || range.columnCount < 1) return;
    range.rowCount = std::min(range.rowCount, provider_.RowCount() - row + 1);
    range.columnCount = std::min(range.columnCount, provider_.ColumnCount() - column + 1);
    provider_.AddMerge(range);
}

std::string DataSource::CellText(int32_t row, int32_t column) const {
    return provider_.Contains(row, column) ? provider_.At(row, column).text : std::string();
}

CellFormat DataSource::Format(int32_t row, int32_t column) const {
    return provider_.Contains(row, column) ? provider_.At(row, column).format : CellFormat{};
}

std::optional<CellRange> DataSource::MergeAt(int32_t row, int32_t column) const {
    for (const CellRange& m : provider_.MergedRanges()) {
        if (m.Contains(row, column)) return m;
    }
    return std::nullopt;
}
