// A class set as one document: the PDF export, the printout as one job and the preview, each
// read back page by page.
#include "output/set_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "../support/private_cups.h"
#include "../support/qt_application.h"
#include "../support/worksheet_options.h"
#include "fake_window.h"
#include "output/pdf_export.h"
#include "platform/date_time_text.h"
#include "platform/printers.h"
#include "platform/sheet_set.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"
#include "worksheet/worksheet_layout.h"

namespace fs = std::filesystem;
using private_cups::PdfPageCount;
using private_cups::PrivateCups;
using private_cups::ReadFile;
using private_cups::RunProgram;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// The scheduler starts before anything in the process can talk to CUPS (see private_cups.h).
[[maybe_unused]] auto* const kQt =
    test_support::AddQtApplication<QApplication>([] { PrivateCups::Shared(); });

// 9 December 2026, 08:30:00: the one moment of every header of the set.
constexpr double kMoment = 46365.0 + 8.5 / 24.0;

std::string WithoutSpaces(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\n' && c != '\f' && c != '\r' && c != '\t') out += c;
    }
    return out;
}

// The text of one page (counted from 1) of a PDF file.
std::string PageText(const fs::path& pdf, int page) {
    const std::string p = std::to_string(page);
    return RunProgram({"pdftotext", "-enc", "UTF-8", "-f", p, "-l", p, pdf.string(), "-"}).output;
}

// Every question prompt on a page, such as "12+7-30+5=", sorted.
std::vector<std::string> PromptsOn(const std::string& pageText) {
    static const std::regex prompt(R"(\d+(?:(?:\+|-|×|÷)\d+)+=)");
    // Lines stay apart, so the header's time does not run into the first question below it.
    std::string lines = pageText;
    std::replace(lines.begin(), lines.end(), '\n', '|');
    const std::string text = WithoutSpaces(lines);
    std::vector<std::string> prompts;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), prompt);
         it != std::sregex_iterator(); ++it) {
        prompts.push_back(it->str());
    }
    std::sort(prompts.begin(), prompts.end());
    return prompts;
}

// The question prompts a sheet of the set holds, sorted.
std::vector<std::string> PromptsOf(const DataSource& sheet) {
    std::vector<std::string> prompts;
    for (int32_t r = 2; r <= sheet.RowCount(); ++r) {
        for (int32_t c = 1; c <= 5; ++c) {
            if (!sheet.CellText(r, c).empty()) prompts.push_back(sheet.CellText(r, c));
        }
    }
    std::sort(prompts.begin(), prompts.end());
    return prompts;
}

// Checks a prompt read back from the page against the options the window opens with: four
// pairwise different numbers from 1 to 100 joined by "+" and "-", with a whole value from 0 to
// 999.
void ExpectWithinInitialOptions(const std::string& prompt) {
    SCOPED_TRACE(prompt);
    std::vector<long> operands;
    std::vector<char> operators;
    size_t i = 0;
    while (i < prompt.size() && prompt[i] != '=') {
        if (prompt[i] == '+' || prompt[i] == '-') {
            operators.push_back(prompt[i++]);
            continue;
        }
        ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(prompt[i]))) << "not + or -";
        size_t used = 0;
        operands.push_back(std::stol(prompt.substr(i), &used));
        i += used;
    }
    ASSERT_EQ(operands.size(), 4u);
    ASSERT_EQ(operators.size(), 3u);
    long value = operands[0];
    for (size_t k = 0; k < operators.size(); ++k) {
        value += operators[k] == '+' ? operands[k + 1] : -operands[k + 1];
    }
    for (long n : operands) {
        EXPECT_GE(n, 1);
        EXPECT_LE(n, 100);
        EXPECT_EQ(std::count(operands.begin(), operands.end(), n), 1);
    }
    EXPECT_GE(value, 0);
    EXPECT_LT(value, 1000);
}

class SetOutputTest : public private_cups::PrivateCupsTest {
protected:
    void SetUp() override {
        PrivateCupsTest::SetUp();
        dir_ = fs::temp_directory_path() /
               ("pelmora-set-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A set of `count` sheets generated with the options the window opens with, all with the
    // header moment of the set.
    void GenerateSet(int count) {
        const WorksheetSettings settings = test_support::InitialOptions();
        GenericDataProvider table;
        DataSource source(table);
        for (int i = 0; i < count; ++i) {
            ExpressionEvaluator evaluator;
            const GenerationResult result = GenerateQuestions(settings, evaluator);
            ASSERT_EQ(result.outcome, GenerationOutcome::Complete) << result.reason;
            FillWorksheetGrid(settings, result.questions, kMoment, table, source);
            set_.Add(table);
        }
    }

    // Every page of the PDF holds its sheet of the set, in order: the header and exactly the
    // sheet's questions, each within the options; no two pages are the same.
    void ExpectSetIn(const fs::path& pdf) {
        ASSERT_EQ(PdfPageCount(pdf), set_.Count());
        std::vector<std::vector<std::string>> pages;
        for (int32_t i = 0; i < set_.Count(); ++i) {
            SCOPED_TRACE("page " + std::to_string(i + 1));
            const std::string text = PageText(pdf, i + 1);
            EXPECT_THAT(WithoutSpaces(text),
                        HasSubstr(WithoutSpaces(set_.Sheet(i).CellText(1, 1))));
            EXPECT_THAT(WithoutSpaces(text), HasSubstr("08:30:00"));
            const std::vector<std::string> prompts = PromptsOn(text);
            EXPECT_EQ(prompts.size(), 100u);
            EXPECT_EQ(prompts, PromptsOf(set_.Sheet(i)));
            for (const std::string& prompt : prompts) ExpectWithinInitialOptions(prompt);
            for (const auto& earlier : pages) EXPECT_NE(prompts, earlier);
            pages.push_back(prompts);
        }
    }

    fs::path dir_;
    SheetSet set_;
    RecordingMessageBox messages_;
};

TEST_F(SetOutputTest, ExportWritesOnePdfWithOneDifferentSheetPerPage) {
    GenerateSet(3);
    const fs::path pdf = dir_ / "三班.pdf";

    const ExportResult result = ExportSheetSet(set_, pdf.string());

    EXPECT_EQ(result.outcome, ExportOutcome::Saved);
    EXPECT_THAT(result.reason, IsEmpty());
    EXPECT_THAT(RunProgram({"pdfinfo", pdf.string()}).output, HasSubstr("842 x 595 pts (A4)"));
    ExpectSetIn(pdf);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SetOutputTest, PrintIsOneJobWithAPagePerSheet) {
    const fs::path out = cups_.AddQueue("class", "教室打印机");
    ASSERT_EQ(MakeDefaultPrinter("class"), 1);
    GenerateSet(3);

    PrintSheetSet(set_, messages_);

    EXPECT_THAT(messages_.shown, IsEmpty());
    ASSERT_TRUE(cups_.WaitForCompletedJobs("class", 1));
    EXPECT_EQ(cups_.FinishedJobs("class"), 1);
    ExpectSetIn(out);
}

TEST_F(SetOutputTest, PrintWithoutADefaultPrinterSaysSoAndSendsNothing) {
    cups_.AddQueue("class");
    GenerateSet(2);

    PrintSheetSet(set_, messages_);

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_THAT(messages_.shown[0].first, HasSubstr("没有默认打印机"));
    EXPECT_EQ(messages_.shown[0].second, MessageBox::kError);
    EXPECT_EQ(cups_.FinishedJobs("class") + cups_.ActiveJobs("class"), 0);
}

TEST_F(SetOutputTest, PrintStoppedWhileRenderingSendsNoJob) {
    cups_.AddQueue("class");
    ASSERT_EQ(MakeDefaultPrinter("class"), 1);
    GenerateSet(3);
    int reports = 0;

    PrintSheetSet(set_, messages_, [&reports](int32_t done, int32_t) {
        ++reports;
        return done < 2;
    });

    EXPECT_EQ(reports, 2);
    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_EQ(cups_.FinishedJobs("class") + cups_.ActiveJobs("class"), 0);
}

// Places an export cannot be written to. The tests run as root, which write permissions do not
// stop, so the failures come from the path itself.
struct UnwritablePlace {
    const char* name;
    // Makes the place inside the test's folder and returns the path to export to.
    fs::path (*prepare)(const fs::path& dir);
};

void PrintTo(const UnwritablePlace& place, std::ostream* out) {
    *out << place.name;
}

const UnwritablePlace kUnwritablePlaces[] = {
    {"FolderThatDoesNotExist", [](const fs::path& dir) { return dir / "没有" / "练习.pdf"; }},
    {"FolderThatIsAFile",
     [](const fs::path& dir) {
         std::ofstream(dir / "a-file") << "not a folder";
         return dir / "a-file" / "练习.pdf";
     }},
    {"PathThatIsAFolder",
     [](const fs::path& dir) {
         fs::create_directory(dir / "练习.pdf");
         return dir / "练习.pdf";
     }},
};

class SetExportFailureTest : public SetOutputTest,
                             public ::testing::WithParamInterface<UnwritablePlace> {};

TEST_P(SetExportFailureTest, IsReportedWithTheReasonAndLeavesNoFile) {
    GenerateSet(1);
    const fs::path target = GetParam().prepare(dir_);
    const auto before =
        std::distance(fs::recursive_directory_iterator(dir_), fs::recursive_directory_iterator());

    const ExportResult result = ExportSheetSet(set_, target.string());

    EXPECT_EQ(result.outcome, ExportOutcome::Failed);
    EXPECT_THAT(result.reason, HasSubstr(target.string()));
    EXPECT_THAT(result.reason, HasSubstr("没有保存"));
    EXPECT_THAT(result.reason, HasSubstr("（"));  // with the system's reason
    EXPECT_FALSE(fs::is_regular_file(target));
    EXPECT_EQ(
        std::distance(fs::recursive_directory_iterator(dir_), fs::recursive_directory_iterator()),
        before);
}

INSTANTIATE_TEST_SUITE_P(Places, SetExportFailureTest, ::testing::ValuesIn(kUnwritablePlaces),
                         [](const ::testing::TestParamInfo<UnwritablePlace>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(SetOutputTest, StoppedExportLeavesAnEarlierFileAsItWas) {
    GenerateSet(3);
    const fs::path pdf = dir_ / "练习.pdf";
    std::ofstream(pdf) << "the earlier file";

    const ExportResult result =
        ExportSheetSet(set_, pdf.string(), [](int32_t done, int32_t) { return done < 2; });

    EXPECT_EQ(result.outcome, ExportOutcome::Cancelled);
    EXPECT_EQ(ReadFile(pdf), "the earlier file");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SetOutputTest, ExportReplacesAnEarlierFileWhole) {
    GenerateSet(2);
    const fs::path pdf = dir_ / "练习.pdf";
    std::ofstream(pdf) << std::string(1 << 20, 'x');  // longer than the new file

    ASSERT_EQ(ExportSheetSet(set_, pdf.string()).outcome, ExportOutcome::Saved);

    const std::string written = ReadFile(pdf);
    EXPECT_EQ(written.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(written.find("xxxx"), std::string::npos);
    ExpectSetIn(pdf);
}

TEST(SuggestedPdfFileName, NamesTheDayWithTwoDigitMonthAndDay) {
    EXPECT_EQ(SuggestedPdfFileName(2026, 12, 9), "四则运算练习-2026-12-09.pdf");
    EXPECT_EQ(SuggestedPdfFileName(2027, 1, 31), "四则运算练习-2027-01-31.pdf");
}

TEST_F(SetOutputTest, PreviewPagesThroughEverySheet) {
    GenerateSet(3);
    std::unique_ptr<QPrintPreviewDialog> dialog = CreateSetPreviewDialog(set_);
    dialog->show();
    auto* widget = dialog->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    widget->updatePreview();

    EXPECT_EQ(widget->pageCount(), 3);
    EXPECT_EQ(widget->orientation(), QPageLayout::Landscape);
    widget->setCurrentPage(3);
    EXPECT_EQ(widget->currentPage(), 3);
    dialog->reject();
}

}  // namespace
