#include "output/preview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>

#include "../support/qt_application.h"
#include "worksheet/worksheet_layout.h"

namespace {

[[maybe_unused]] auto* const kQt = test_support::AddQtApplication<QApplication>();

TEST(SheetPrintSettings, EveryFieldHoldsTheValueUsedForPreviewAndPrint) {
    const GridPrintSettings s = SheetPrintSettings();
    EXPECT_EQ(s.orientation, 2);
    EXPECT_EQ(s.paperSize, 1);
    EXPECT_EQ(s.marginLeft, 0);
    EXPECT_EQ(s.marginTop, 0);
    EXPECT_EQ(s.marginRight, 0);
    EXPECT_EQ(s.marginBottom, 0);
    EXPECT_EQ(s.field7, 0);
    EXPECT_EQ(s.field8, 1);
    EXPECT_EQ(s.field9, 1);
    EXPECT_EQ(s.field10, 0);
    EXPECT_EQ(s.field11, "");
    EXPECT_EQ(s.field12, 0);
    EXPECT_EQ(s.field13, 0);
    EXPECT_EQ(s.field14, 0);
    EXPECT_EQ(s.field15, 0);
    EXPECT_EQ(s.field16, 1);
    EXPECT_EQ(s.field17, 0);
    EXPECT_EQ(s.field18, 0);
    EXPECT_EQ(s.scaling, -2);
}

// What the modal preview showed, read while it is open.
struct SeenPreview {
    bool opened = false;
    int pages = -1;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// Closes the modal preview as soon as it is up, after noting what it shows; gives up (and
// closes every dialog) after a few seconds so a broken preview cannot hang the test.
void WatchPreview(SeenPreview& seen, int attemptsLeft = 100) {
    QTimer::singleShot(50, [&seen, attemptsLeft] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attemptsLeft > 0) {
                WatchPreview(seen, attemptsLeft - 1);
            } else {
                for (QWidget* w : QApplication::topLevelWidgets()) w->close();
            }
            return;
        }
        seen.opened = true;
        if (auto* widget = dialog->findChild<QPrintPreviewWidget*>()) {
            seen.pages = widget->pageCount();
            seen.orientation = widget->orientation();
        }
        dialog->reject();
    });
}

TEST(ShowPreview, HandsOverTheSheetSettingsAndShowsOneLandscapePage) {
    GenericDataProvider provider;
    DataSource source(provider);
    Grid grid(source);
    WorksheetSettings settings;
    settings.operandCount = 4;
    settings.questionCount = 100;
    settings.showAnswers = true;
    std::vector<Question> questions(100, Question{"1+2", "1+2=", "3", "1+2=3"});
    FillWorksheetGrid(settings, questions, 46364.5, provider, source);

    SeenPreview seen;
    WatchPreview(seen);
    ShowPreview(source, grid);

    EXPECT_EQ(source.PrintSettings(), SheetPrintSettings());
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.pages, 1);
    EXPECT_EQ(seen.orientation, QPageLayout::Landscape);
    // The preview reads the sheet and leaves it as it was.
    EXPECT_EQ(source.RowCount(), 21);
    EXPECT_EQ(source.CellText(2, 1), "1+2=");
}

}  // namespace
