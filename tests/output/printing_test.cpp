#include "output/printing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <string>
#include <vector>

#include "../support/private_cups.h"
#include "../support/qt_application.h"
#include "../support/worksheet_options.h"
#include "fake_window.h"
#include "output/preview.h"
#include "output/printer_choice.h"
#include "platform/data_provider.h"
#include "platform/data_source.h"
#include "platform/date_time_text.h"
#include "platform/grid.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"
#include "worksheet/worksheet_layout.h"

using private_cups::PdfPageCount;
using private_cups::PdfText;
using private_cups::PrivateCups;
using private_cups::ReadFile;
using private_cups::RunProgram;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::StartsWith;

namespace {

// The scheduler starts before anything in the process can talk to CUPS (see private_cups.h).
[[maybe_unused]] auto* const kQt =
    test_support::AddQtApplication<QGuiApplication>([] { PrivateCups::Shared(); });

// Texts with the spaces taken out: pdftotext spaces and breaks words as it sees fit.
std::string WithoutSpaces(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\n' && c != '\f' && c != '\r' && c != '\t') out += c;
    }
    return out;
}

class PrintingTest : public private_cups::PrivateCupsTest {
protected:
    void SetUp() override {
        PrivateCupsTest::SetUp();
        alphaFile_ = cups_.AddQueue("alpha", "Alpha in the study");
        secondFile_ = cups_.AddQueue("打印机二", "第二台 打印机");
    }

    // A fresh sheet, as the print button makes it: the options the window opens with.
    void GenerateSheet() {
        const WorksheetSettings settings = test_support::InitialOptions();
        ExpressionEvaluator evaluator;
        const GenerationResult result = GenerateQuestions(settings, evaluator);
        ASSERT_EQ(result.outcome, GenerationOutcome::Complete) << result.reason;
        FillWorksheetGrid(settings, result.questions, CurrentAutomationDate(), provider_, source_);
    }

    // The texts of the sheet's question cells (every cell but the header).
    std::vector<std::string> QuestionCells() const {
        std::vector<std::string> cells;
        for (int32_t r = 2; r <= source_.RowCount(); ++r) {
            for (int32_t c = 1; c <= source_.ColumnCount(); ++c) {
                if (!source_.CellText(r, c).empty()) cells.push_back(source_.CellText(r, c));
            }
        }
        return cells;
    }

    // Checks that the PDF holds the header and every question of the sheet in the grid now.
    void ExpectSheetIn(const std::filesystem::path& pdf) const {
        const std::string text = WithoutSpaces(PdfText(pdf));
        EXPECT_THAT(text, HasSubstr(WithoutSpaces(source_.CellText(1, 1))));
        const std::vector<std::string> cells = QuestionCells();
        EXPECT_EQ(cells.size(), 100u);
        for (const std::string& cell : cells) EXPECT_THAT(text, HasSubstr(cell));
    }

    std::filesystem::path alphaFile_;
    std::filesystem::path secondFile_;
    GenericDataProvider provider_;
    DataSource source_{provider_};
    Grid grid_{source_};
    RecordingMessageBox messages_;
};

TEST_F(PrintingTest, TheSheetPrintsAsOnePdfPageOnTheDefaultPrinterWithoutAWord) {
    ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);
    GenerateSheet();

    PrintSheet(source_, grid_, messages_);

    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_EQ(source_.PrintSettings(), SheetPrintSettings());  // the same as for the preview
    ASSERT_TRUE(cups_.WaitForCompletedJobs("alpha", 1));
    EXPECT_THAT(ReadFile(alphaFile_), StartsWith("%PDF-"));
    EXPECT_EQ(PdfPageCount(alphaFile_), 1);
    EXPECT_THAT(RunProgram({"pdfinfo", alphaFile_.string()}).output,
                HasSubstr("842 x 595 pts (A4)"));  // landscape
    ExpectSheetIn(alphaFile_);
    EXPECT_EQ(cups_.FinishedJobs("打印机二"), 0);
}

TEST_F(PrintingTest, TheNextPrintGoesToThePrinterMadeDefaultInTheWindow) {
    ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);
    GenerateSheet();
    PrintSheet(source_, grid_, messages_);
    ASSERT_TRUE(cups_.WaitForCompletedJobs("alpha", 1));

    FakeComboWindow window;
    FillPrinterList(window);
    const std::vector<std::string> items = window.Items(kPrinterComboName);
    const auto second = std::find(items.begin(), items.end(), "打印机二");
    ASSERT_NE(second, items.end());
    window.SetComboSelectedIndex(kPrinterComboName, static_cast<int32_t>(second - items.begin()));
    ApplyDefaultPrinter(window, messages_);

    GenerateSheet();
    PrintSheet(source_, grid_, messages_);

    EXPECT_THAT(messages_.shown, ElementsAre(Pair(kDefaultPrinterSetText, 64)));
    ASSERT_TRUE(cups_.WaitForCompletedJobs("打印机二", 1));
    ExpectSheetIn(secondFile_);
    EXPECT_EQ(cups_.FinishedJobs("alpha"), 1);
}

TEST_F(PrintingTest, TwoPrintsGiveTwoDifferentSheets) {
    ASSERT_EQ(MakeDefaultPrinter("打印机二"), 1);

    GenerateSheet();
    const std::vector<std::string> first = QuestionCells();
    PrintSheet(source_, grid_, messages_);
    ASSERT_TRUE(cups_.WaitForCompletedJobs("打印机二", 1));
    ExpectSheetIn(secondFile_);
    const std::string firstText = PdfText(secondFile_);

    GenerateSheet();
    PrintSheet(source_, grid_, messages_);
    ASSERT_TRUE(cups_.WaitForCompletedJobs("打印机二", 2));
    ExpectSheetIn(secondFile_);

    EXPECT_NE(QuestionCells(), first);
    EXPECT_NE(PdfText(secondFile_), firstText);
    EXPECT_THAT(messages_.shown, IsEmpty());
}

TEST_F(PrintingTest, WithoutADefaultPrinterTheUserIsToldNothingWasPrinted) {
    GenerateSheet();
    PrintSheet(source_, grid_, messages_);

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_THAT(messages_.shown[0].first, HasSubstr("没有默认打印机"));
    EXPECT_EQ(messages_.shown[0].second, 16);
    EXPECT_EQ(cups_.FinishedJobs("alpha") + cups_.ActiveJobs("alpha"), 0);
    EXPECT_EQ(cups_.FinishedJobs("打印机二") + cups_.ActiveJobs("打印机二"), 0);
}

TEST_F(PrintingTest, APrinterThatRefusesTheJobIsReportedNotPassedOver) {
    ASSERT_EQ(MakeDefaultPrinter("打印机二"), 1);
    ASSERT_EQ(RunProgram({"cupsreject", "打印机二"}).status, 0);
    GenerateSheet();

    PrintSheet(source_, grid_, messages_);

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_THAT(messages_.shown[0].first, HasSubstr("打印机“打印机二”没有接受"));
    EXPECT_EQ(messages_.shown[0].second, 16);
    EXPECT_EQ(cups_.ActiveJobs("打印机二"), 0);
    EXPECT_EQ(cups_.CompletedJobs("打印机二"), 0);
}

}  // namespace
