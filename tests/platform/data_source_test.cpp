#include "platform/data_source.h"

#include <gtest/gtest.h>

namespace {

class DataSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        provider.SetColumnCount(11);
        provider.SetRowCount(20);
    }
    GenericDataProvider provider;
    DataSource source{provider};
};

TEST_F(DataSourceTest, ComponentsKnowEachOtherByName) {
    EXPECT_EQ(provider.Name(), "通用提供者1");
    EXPECT_EQ(source.ProviderName(), "通用提供者1");
    EXPECT_EQ(source.Name(), "数据源1");
}

TEST_F(DataSourceTest, RedimensioningStartsFromAnEmptyTable) {
    source.SetCellText(3, 7, "42");
    source.SetFormatCode3(3, 7, std::nullopt, std::nullopt);
    source.SetFontSize(3, 7, std::nullopt, std::nullopt, 50);
    source.SetRowHeight(3, 1, 160);
    source.SetColumnWidth(7, std::nullopt, 120);
    source.InsertRows(1);
    source.MergeCells(1, 1, std::nullopt, 11);
    ASSERT_EQ(source.RowCount(), 21);

    provider.SetColumnCount(11);
    provider.SetRowCount(20);
    EXPECT_EQ(source.RowCount(), 20);
    EXPECT_EQ(source.ColumnCount(), 11);
    EXPECT_TRUE(source.MergedRanges().empty());
    for (int32_t r = 1; r <= 20; ++r) {
        EXPECT_EQ(source.RowHeight(r), GenericDataProvider::kDefaultRowHeight);
        for (int32_t c = 1; c <= 11; ++c) {
            EXPECT_EQ(source.CellText(r, c), "");
            EXPECT_EQ(source.Format(r, c), CellFormat{});
        }
    }
    EXPECT_EQ(source.ColumnWidth(7), GenericDataProvider::kDefaultColumnWidth);
}

TEST_F(DataSourceTest, InsertedRowsMoveTextsFormatsHeightsAndMerges) {
    source.SetCellText(1, 1, "first");
    source.SetCellText(20, 11, "last");
    source.SetFormatCode1(1, 1, std::nullopt, std::nullopt, 6);
    source.SetRowHeight(1, 1, 160);
    source.MergeCells(5, 2, 2, 3);  // rows 5-6, below the insertion point
    source.MergeCells(1, 8, 3, 2);  // rows 1-3, across the second insertion point

    source.InsertRows(1);
    EXPECT_EQ(source.RowCount(), 21);
    EXPECT_EQ(source.CellText(1, 1), "");
    EXPECT_EQ(source.Format(1, 1), CellFormat{});
    EXPECT_EQ(source.RowHeight(1), GenericDataProvider::kDefaultRowHeight);
    EXPECT_EQ(source.CellText(2, 1), "first");
    EXPECT_EQ(source.Format(2, 1).code1, 6);
    EXPECT_EQ(source.RowHeight(2), 160);
    EXPECT_EQ(source.CellText(21, 11), "last");
    EXPECT_EQ(source.MergeAt(6, 3), (CellRange{6, 2, 2, 3}));

    source.InsertRows(3, 2);  // inside the merge of rows 2-4
    EXPECT_EQ(source.RowCount(), 23);
    EXPECT_EQ(source.MergeAt(2, 8), (CellRange{2, 8, 5, 2}));
    EXPECT_EQ(source.MergeAt(8, 2), (CellRange{8, 2, 2, 3}));

    source.InsertRows(24);  // after the last row: appends
    EXPECT_EQ(source.RowCount(), 24);
    source.InsertRows(26);  // beyond it: nothing
    source.InsertRows(0);
    source.InsertRows(1, 0);
    EXPECT_EQ(source.RowCount(), 24);
}

TEST_F(DataSourceTest, MergingReplacesOverlapsAndStaysInsideTheTable) {
    source.MergeCells(1, 1, std::nullopt, 11);  // row count left out: one row
    EXPECT_EQ(source.MergeAt(1, 11), (CellRange{1, 1, 1, 11}));
    EXPECT_FALSE(source.MergeAt(2, 1));

    source.MergeCells(1, 5, 2, 2);  // overlaps the first: dissolves it
    ASSERT_EQ(source.MergedRanges().size(), 1u);
    EXPECT_FALSE(source.MergeAt(1, 1));

    source.MergeCells(19, 10, 5, 5);  // cut at the table's edge
    EXPECT_EQ(source.MergeAt(20, 11), (CellRange{19, 10, 2, 2}));

    source.MergeCells(21, 1, std::nullopt, 2);  // starts outside
    source.MergeCells(3, 3, std::nullopt, 0);
    EXPECT_EQ(source.MergedRanges().size(), 2u);
}

TEST_F(DataSourceTest, FormatCodesCoverTheirRangeAndFillOmittedValues) {
    source.SetFormatCode3(2, 7, std::nullopt, 5, 2);
    for (int32_t c = 7; c <= 11; ++c) EXPECT_EQ(source.Format(2, c).code3, 2);
    EXPECT_EQ(source.Format(3, 7).code3, 0);  // no row count: one row only
    EXPECT_EQ(source.Format(2, 6).code3, 0);

    source.SetFormatCode2(4, 4, std::nullopt, std::nullopt);
    source.SetFormatCode3(4, 4, std::nullopt, std::nullopt);
    source.SetFormatCode4(4, 4, std::nullopt, 1);
    const CellFormat f = source.Format(4, 4);
    EXPECT_TRUE(cell_format::IsBold(f.code2));
    EXPECT_EQ(cell_format::FrameOf(f.code3), cell_format::Frame::Solid);
    EXPECT_TRUE(cell_format::IsHeaderBand(f.code4));

    source.SetFontFamily(19, 10, 5, 5, "雅黑");  // cut at the edge
    EXPECT_EQ(source.Format(20, 11).fontFamily, "雅黑");
    source.SetFontSize(0, 1, 3, 3, 99);  // starts outside: nothing
    EXPECT_EQ(source.Format(1, 1).fontSize, cell_format::kDefaultFontSize);
    source.SetCellText(21, 1, "lost");
    EXPECT_EQ(source.CellText(21, 1), "");
}

TEST_F(DataSourceTest, RowHeightsAndColumnWidthsCountFromTheirFirstArgument) {
    source.SetColumnWidth(7, std::nullopt, 120);
    EXPECT_EQ(source.ColumnWidth(7), 120);
    EXPECT_EQ(source.ColumnWidth(8), GenericDataProvider::kDefaultColumnWidth);
    source.SetColumnWidth(10, 5, 90);
    EXPECT_EQ(source.ColumnWidth(11), 90);
    source.SetRowHeight(20, 1, 160);
    EXPECT_EQ(source.RowHeight(20), 160);
    EXPECT_EQ(source.RowHeight(19), GenericDataProvider::kDefaultRowHeight);
    source.SetRowHeight(21, 1, 160);
    EXPECT_EQ(source.RowHeight(21), 0);  // no such row
}

}  // namespace
