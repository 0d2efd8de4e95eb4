#include "platform/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <memory>

#include "../support/qt_application.h"
#include "platform/grid_renderer.h"

namespace {

[[maybe_unused]] auto* const kQt = test_support::AddQtApplication<QApplication>();

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        provider.SetColumnCount(3);
        provider.SetRowCount(2);
        source.SetCellText(1, 1, "标题");
        source.MergeCells(1, 1, std::nullopt, 3);
        source.SetCellText(2, 1, "1+2=");
        source.SetColumnWidth(1, 1, 800);
        source.SetRowHeight(1, 1, 160);
    }
    GenericDataProvider provider;
    DataSource source{provider};
    Grid grid{source};
    QTemporaryDir dir;
};

TEST_F(GridTest, IsBoundToTheDataSourceByName) {
    EXPECT_EQ(grid.Name(), "表格1");
    EXPECT_EQ(grid.DataSourceName(), "数据源1");
}

TEST_F(GridTest, PreviewShowsTheTableAsOnePage) {
    GridPrintSettings settings;
    settings.orientation = 2;
    settings.paperSize = 1;
    settings.scaling = -2;
    source.SetPrintSettings(settings);
    const std::unique_ptr<QPrintPreviewDialog> dialog = grid.CreatePrintPreviewDialog();
    auto* preview = dialog->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(preview, nullptr);
    preview->updatePreview();
    EXPECT_EQ(preview->pageCount(), 1);
    EXPECT_EQ(preview->orientation(), QPageLayout::Landscape);
}

TEST_F(GridTest, PageFollowsThePrintSettings) {
    QPdfWriter writer(dir.filePath("page.pdf"));
    GridPrintSettings settings;  // fresh record: the device's own page, margins of 2.3 inches
    ApplyPageSettings(settings, writer);
    QMarginsF margins = writer.pageLayout().margins(QPageLayout::Millimeter);
    EXPECT_NEAR(margins.left(), 58.42, 0.01);
    EXPECT_NEAR(margins.bottom(), 58.42, 0.01);
    EXPECT_EQ(writer.pageLayout().orientation(), QPageLayout::Portrait);

    settings.orientation = 2;
    settings.paperSize = 1;
    settings.marginLeft = 0;  // a PDF file has no printable area: a small margin instead
    settings.marginTop = 100;
    ApplyPageSettings(settings, writer);
    margins = writer.pageLayout().margins(QPageLayout::Millimeter);
    EXPECT_NEAR(margins.left(), 5.0, 0.01);
    EXPECT_NEAR(margins.top(), 25.4, 0.01);
    EXPECT_EQ(writer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(writer.pageLayout().pageSize().id(), QPageSize::A4);

    // A PDF meant for a printer takes that printer's unprintable edges where the margin is 0.
    ApplyPageSettings(settings, writer, QMarginsF(3.5, 4, 6, 7));
    margins = writer.pageLayout().margins(QPageLayout::Millimeter);
    EXPECT_NEAR(margins.left(), 3.5, 0.01);
    EXPECT_NEAR(margins.top(), 25.4, 0.01) << "a set margin wider than the edge stays";

    settings.orientation = 1;
    ApplyPageSettings(settings, writer);
    EXPECT_EQ(writer.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST_F(GridTest, TableIsScaledToTheAreaOrDrawnAtNaturalSize) {
    QPdfWriter writer(dir.filePath("scale.pdf"));
    writer.setResolution(254);  // ten pixels to the millimetre
    QPainter painter(&writer);
    const GridRenderer renderer(source);
    // 800 + 150 + 150 units wide, 160 + 100 high.
    EXPECT_DOUBLE_EQ(renderer.ScaleFor(painter, QRectF(0, 0, 2200, 2600), -2), 2.0);
    EXPECT_DOUBLE_EQ(renderer.ScaleFor(painter, QRectF(0, 0, 2200, 260), -2), 1.0);
    EXPECT_DOUBLE_EQ(renderer.ScaleFor(painter, QRectF(0, 0, 2200, 260), 0), 1.0);  // 0.1 mm
    painter.end();
}

}  // namespace
