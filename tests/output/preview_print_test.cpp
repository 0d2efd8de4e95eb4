// The preview on a private print system: its page and title are the direct print's, and a
// sheet printed from the preview comes out like one printed with the print button.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "../support/private_cups.h"
#include "../support/qt_application.h"
#include "../support/recording_message_box.h"
#include "output/pdf_export.h"
#include "output/preview.h"
#include "output/printing.h"
#include "output/set_output.h"
#include "output/sheet_page.h"
#include "platform/grid.h"
#include "platform/printers.h"
#include "platform/sheet_set.h"
#include "worksheet/worksheet_layout.h"

using private_cups::PrivateCups;
using private_cups::RunProgram;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

[[maybe_unused]] auto* const kQt =
    test_support::AddQtApplication<QApplication>([] { PrivateCups::Shared(); });

// Where the words of a PDF's first page lie, in points: the box around all of them.
struct InkBox {
    double left = 0, top = 0, right = 0, bottom = 0;
    int words = 0;
};

InkBox WordsBox(const std::filesystem::path& pdf) {
    const std::string html =
        RunProgram({"pdftotext", "-bbox", "-f", "1", "-l", "1", pdf.string(), "-"}).output;
    static const QRegularExpression word(QString::fromUtf8(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)")re"));
    InkBox box;
    auto matches = word.globalMatch(QString::fromStdString(html));
    while (matches.hasNext()) {
        const auto m = matches.next();
        const double l = m.captured(1).toDouble(), t = m.captured(2).toDouble();
        const double r = m.captured(3).toDouble(), b = m.captured(4).toDouble();
        if (box.words++ == 0) {
            box = {l, t, r, b, 1};
        } else {
            box = {std::min(box.left, l), std::min(box.top, t), std::max(box.right, r),
                   std::max(box.bottom, b), box.words};
        }
    }
    return box;
}

// The same words in the same place on the paper, to half a point: the same page and margins.
void ExpectSameWords(const InkBox& seen, const InkBox& expected) {
    EXPECT_EQ(seen.words, expected.words);
    EXPECT_NEAR(seen.left, expected.left, 0.5);
    EXPECT_NEAR(seen.top, expected.top, 0.5);
    EXPECT_NEAR(seen.right, expected.right, 0.5);
    EXPECT_NEAR(seen.bottom, expected.bottom, 0.5);
}

std::string PdfInfo(const std::filesystem::path& pdf) {
    return RunProgram({"pdfinfo", pdf.string()}).output;
}

// Runs `look` on the preview as soon as it is up; gives up (closing every dialog) after a few
// seconds so a broken preview cannot hang the test. `look` closes the preview.
void WhenPreviewIsUp(std::function<void(QPrintPreviewDialog&)> look, int attemptsLeft = 100) {
    QTimer::singleShot(50, [look = std::move(look), attemptsLeft]() mutable {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attemptsLeft > 0) {
                WhenPreviewIsUp(std::move(look), attemptsLeft - 1);
            } else {
                for (QWidget* w : QApplication::topLevelWidgets()) w->close();
            }
            return;
        }
        look(*dialog);
    });
}

QAction* ToolbarAction(QPrintPreviewDialog& dialog, const char* text) {
    for (QAction* action : dialog.findChildren<QAction*>()) {
        if (action->text() == QCoreApplication::translate("QPrintPreviewDialog", text)) {
            return action;
        }
    }
    return nullptr;
}

class PreviewPrintTest : public private_cups::PrivateCupsTest {
protected:
    void SetUp() override {
        PrivateCupsTest::SetUp();
        alphaFile_ = cups_.AddQueue("alpha", "Alpha in the study");
        ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);
        WorksheetSettings settings;
        settings.operandCount = 4;
        settings.questionCount = 100;
        settings.showAnswers = true;
        const std::vector<Question> questions(100, Question{"12+7", "12+7=", "19", "12+7=19"});
        FillWorksheetGrid(settings, questions, 46364.5, provider_, source_);
    }

    // Prints with the print button's operation and keeps the printed PDF.
    std::filesystem::path PrintDirectly(int jobsBefore) {
        PrintSheet(source_, grid_, messages_);
        EXPECT_TRUE(cups_.WaitForCompletedJobs("alpha", jobsBefore + 1));
        const std::filesystem::path copy = cups_.Directory() / "out" / "direct.pdf";
        std::filesystem::copy_file(alphaFile_, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        return copy;
    }

    std::filesystem::path alphaFile_;
    GenericDataProvider provider_;
    DataSource source_{provider_};
    Grid grid_{source_};
    RecordingMessageBox messages_;
};

TEST_F(PreviewPrintTest, ThePreviewHasTheDirectPrintsPageAndTitle) {
    QPageLayout seen;
    QString title;
    QPrinter::OutputFormat format = QPrinter::PdfFormat;
    QString printerName;
    bool landscapeChecked = false;
    bool portraitChecked = true;
    WhenPreviewIsUp([&](QPrintPreviewDialog& dialog) {
        seen = dialog.printer()->pageLayout();
        title = dialog.printer()->docName();
        format = dialog.printer()->outputFormat();
        printerName = dialog.printer()->printerName();
        if (QAction* a = ToolbarAction(dialog, "Landscape")) landscapeChecked = a->isChecked();
        if (QAction* a = ToolbarAction(dialog, "Portrait")) portraitChecked = a->isChecked();
        dialog.reject();
    });
    ShowPreview(source_, grid_);

    // The direct print's page: a PDF printer set up for the default printer.
    QPrinter direct(QPrinter::HighResolution);
    direct.setOutputFormat(QPrinter::PdfFormat);
    SetUpSheetPage(direct, SheetPrintSettings(), "alpha");

    EXPECT_EQ(format, QPrinter::NativeFormat) << "the preview's printer is the printer itself";
    EXPECT_EQ(printerName, QStringLiteral("alpha"));
    EXPECT_EQ(seen.pageSize().id(), QPageSize::A4);
    EXPECT_EQ(seen.orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(landscapeChecked);
    EXPECT_FALSE(portraitChecked);
    const QMarginsF previewMargins = seen.margins(QPageLayout::Millimeter);
    const QMarginsF directMargins = direct.pageLayout().margins(QPageLayout::Millimeter);
    EXPECT_NEAR(previewMargins.left(), directMargins.left(), 0.01);
    EXPECT_NEAR(previewMargins.top(), directMargins.top(), 0.01);
    EXPECT_NEAR(previewMargins.right(), directMargins.right(), 0.01);
    EXPECT_NEAR(previewMargins.bottom(), directMargins.bottom(), 0.01);
    EXPECT_GT(directMargins.left() + directMargins.top(), 1.0)
        << "the printer's unprintable edges, not a page without margins";
    EXPECT_EQ(title, QString::fromUtf8(kSheetTitle));
    EXPECT_EQ(title, direct.docName());
}

TEST_F(PreviewPrintTest, ASheetPrintedFromThePreviewComesOutLikeTheDirectPrint) {
    const std::filesystem::path direct = PrintDirectly(0);
    ASSERT_THAT(messages_.shown, IsEmpty());

    bool printDialogShown = false;
    WhenPreviewIsUp([&](QPrintPreviewDialog& dialog) {
        // Accept the print dialog the print button opens, as it stands: the default printer.
        QTimer::singleShot(100, [&] {
            if (auto* print = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                printDialogShown = true;
                print->accept();
            } else {
                for (QWidget* w : QApplication::topLevelWidgets()) w->close();
            }
        });
        QAction* print = ToolbarAction(dialog, "Print");
        if (print) {
            print->trigger();
        } else {
            dialog.reject();
        }
    });
    ShowPreview(source_, grid_);
    ASSERT_TRUE(printDialogShown);
    ASSERT_TRUE(cups_.WaitForCompletedJobs("alpha", 2));

    const std::string info = PdfInfo(alphaFile_);
    EXPECT_THAT(info, HasSubstr("842 x 595 pts (A4)"));  // landscape, as the direct print
    EXPECT_THAT(PdfInfo(direct), HasSubstr("842 x 595 pts (A4)"));
    EXPECT_THAT(info, HasSubstr("Title:           四则运算练习"));
    EXPECT_THAT(PdfInfo(direct), HasSubstr("Title:           四则运算练习"));

    // The same sheet in the same place on the paper: the same margins.
    const InkBox fromPreview = WordsBox(alphaFile_);
    const InkBox fromButton = WordsBox(direct);
    ASSERT_GT(fromButton.words, 100);
    ExpectSameWords(fromPreview, fromButton);
}

TEST_F(PreviewPrintTest, ASheetPrintedToAPdfFileFromThePreviewHasTheDirectPrintsPage) {
    const std::filesystem::path direct = PrintDirectly(0);
    const std::filesystem::path file = cups_.Directory() / "out" / "chosen file.pdf";

    bool fileChosen = false;
    WhenPreviewIsUp([&](QPrintPreviewDialog& dialog) {
        // In the print dialog, choose "Print to File (PDF)" and a file name, then print.
        QTimer::singleShot(100, [&] {
            auto* print = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (print == nullptr) {
                for (QWidget* w : QApplication::topLevelWidgets()) w->close();
                return;
            }
            const QString toFile =
                QCoreApplication::translate("QPrintDialog", "Print to File (PDF)");
            for (QComboBox* printers : print->findChildren<QComboBox*>()) {
                const int index = printers->findText(toFile);
                if (index < 0) continue;
                printers->setCurrentIndex(index);
                if (auto* name = print->findChild<QLineEdit*>(QStringLiteral("filename"))) {
                    name->setText(QString::fromStdString(file.string()));
                    fileChosen = true;
                }
            }
            print->accept();
        });
        if (QAction* print = ToolbarAction(dialog, "Print")) {
            print->trigger();
        } else {
            dialog.reject();
        }
    });
    ShowPreview(source_, grid_);
    ASSERT_TRUE(fileChosen);
    ASSERT_TRUE(std::filesystem::exists(file));

    EXPECT_THAT(PdfInfo(file), HasSubstr("842 x 595 pts (A4)"));
    EXPECT_THAT(PdfInfo(file), HasSubstr("Title:           四则运算练习"));
    const InkBox inFile = WordsBox(file);
    const InkBox fromButton = WordsBox(direct);
    ExpectSameWords(inFile, fromButton);
}

// Where the preview opened, over a parent window placed at `parentRect`.
struct Placement {
    const char* name;
    QRect parentRect;
};

class PreviewPlacementTest : public PreviewPrintTest,
                             public ::testing::WithParamInterface<Placement> {};

TEST_P(PreviewPlacementTest, OpensCentredOverTheWindowAsFarAsTheScreenAllows) {
    QWidget parent;
    parent.setGeometry(GetParam().parentRect);
    parent.show();
    const QRect available = parent.screen()->availableGeometry();
    QRect seen;
    WhenPreviewIsUp([&](QPrintPreviewDialog& dialog) {
        seen = dialog.frameGeometry();
        dialog.reject();
    });
    ShowPreview(source_, grid_, &parent);

    ASSERT_FALSE(seen.isEmpty());
    EXPECT_TRUE(available.contains(seen)) << "the whole preview is on the screen";
    // Centred on the window in each direction where it has room, else against the screen edge.
    const QPoint centre = parent.frameGeometry().center();
    const bool roomLeft = centre.x() - seen.width() / 2 >= available.left();
    const bool roomTop = centre.y() - seen.height() / 2 >= available.top();
    if (roomLeft) {
        EXPECT_NEAR(seen.center().x(), centre.x(), 2);
    } else {
        EXPECT_EQ(seen.left(), available.left());
    }
    if (roomTop) {
        EXPECT_NEAR(seen.center().y(), centre.y(), 2);
    } else {
        EXPECT_EQ(seen.top(), available.top());
    }
    EXPECT_GT(seen.width(), parent.width()) << "large enough to read the questions";
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PreviewPlacementTest,
    ::testing::Values(Placement{"InTheMiddleOfTheScreen", QRect(250, 200, 300, 200)},
                      Placement{"AtTheWindowsDesignedPlace", QRect(50, 50, 600, 522)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A class set goes out through a PDF writer of its own, not through the sheet's printer; its
// pages must still be the direct print's, to the point.
TEST_F(PreviewPrintTest, AnExportedAndAPrintedSetHaveTheDirectPrintsPageAndTitle) {
    const std::filesystem::path direct = PrintDirectly(0);
    SheetSet set;
    set.Add(provider_);
    const std::filesystem::path exported = cups_.Directory() / "out" / "exported.pdf";
    ASSERT_EQ(ExportSheetSet(set, exported.string()).outcome, ExportOutcome::Saved);
    PrintSheetSet(set, messages_);
    ASSERT_THAT(messages_.shown, IsEmpty());
    ASSERT_TRUE(cups_.WaitForCompletedJobs("alpha", 2));

    const InkBox fromButton = WordsBox(direct);
    ASSERT_GT(fromButton.words, 100);
    for (const std::filesystem::path& pdf : {exported, alphaFile_}) {
        SCOPED_TRACE(pdf.string());
        EXPECT_THAT(PdfInfo(pdf), HasSubstr("842 x 595 pts (A4)"));
        EXPECT_THAT(PdfInfo(pdf), HasSubstr("Title:           四则运算练习"));
        const InkBox fromSet = WordsBox(pdf);
        ExpectSameWords(fromSet, fromButton);
    }
}

}  // namespace
