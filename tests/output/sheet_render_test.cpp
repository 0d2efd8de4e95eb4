#include <gtest/gtest.h>

#include <QApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sstream>
#include <string>
#include <vector>

#include "../support/qt_application.h"
#include "output/preview.h"
#include "platform/date_time_text.h"
#include "platform/grid.h"
#include "platform/grid_renderer.h"
#include "worksheet/worksheet_layout.h"

namespace {

[[maybe_unused]] auto* const kQt = test_support::AddQtApplication<QApplication>();

// 8 December 2026, 04:05:00.
constexpr double kMoment = 46364.0 + (4 * 3600 + 5 * 60) / 86400.0;

// Question k reads "<k+10>×<operand>...=" and has the answer 500 + k, so every question and every
// answer is a different word.
std::vector<Question> Questions(int operandCount, int digits, int count = 100) {
    std::vector<Question> questions;
    for (int k = 1; k <= count; ++k) {
        std::string expression = std::to_string(k + 10);
        for (int i = 1; i < operandCount; ++i) {
            expression += (i % 2 ? "*" : "/") + std::string(static_cast<size_t>(digits), '7');
        }
        const std::string answer = std::to_string(500 + k);
        questions.push_back({expression, expression + "=", answer, expression + "=" + answer});
    }
    return questions;
}

std::string Display(std::string text) {
    const TextPair symbols[] = {{"*", "×"}, {"/", "÷"}};
    return ReplacePairs(std::move(text), symbols);
}

class SheetPdf {
public:
    SheetPdf(const WorksheetSettings& settings, const std::vector<Question>& questions) {
        FillWorksheetGrid(settings, questions, kMoment, provider_, source_);
        source_.SetPrintSettings(SheetPrintSettings());
        path_ = dir_.filePath("sheet.pdf");
        QPdfWriter writer(path_);
        grid_.Render(writer);
        layout_ = writer.pageLayout();
    }
    std::string Text(const QStringList& options) const {
        QProcess tool;
        tool.start("pdftotext", options + QStringList{path_, "-"});
        if (!tool.waitForFinished(30000) || tool.exitCode() != 0) return {};
        return tool.readAllStandardOutput().toStdString();
    }
    const QPageLayout& Layout() const { return layout_; }
    const DataSource& Source() const { return source_; }

private:
    QTemporaryDir dir_;
    QString path_;
    GenericDataProvider provider_;
    DataSource source_{provider_};
    Grid grid_{source_};
    QPageLayout layout_;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

struct Box {
    std::string word;
    double left;
    double right;
};

std::vector<Box> Boxes(const std::string& bboxHtml) {
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re");
    std::vector<Box> boxes;
    for (auto it = word.globalMatch(QString::fromStdString(bboxHtml)); it.hasNext();) {
        const auto m = it.next();
        boxes.push_back(
            {m.captured(3).toStdString(), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return boxes;
}

WorksheetSettings Settings(int operandCount, bool showAnswers) {
    WorksheetSettings s;
    s.operandCount = operandCount;
    s.questionCount = 100;
    s.showAnswers = showAnswers;
    return s;
}

TEST(SheetPdf, HoldsTheHeaderAndEveryQuestionInColumnOrder) {
    const std::vector<Question> questions = Questions(4, 2);
    const SheetPdf pdf(Settings(4, true), questions);
    const std::string text = pdf.Text({"-layout"});
    ASSERT_FALSE(text.empty()) << "pdftotext gave nothing";

    const std::string header = text.substr(0, text.find('\n'));
    size_t at = 0;
    for (const std::string& part :
         {std::string("题目数量：100"), std::string("姓名："), std::string("年级："),
          std::string("班级："), std::string("用时："), std::string("得分："),
          "日期：" + DateTimeText(kMoment, "yyyy/M/d dddd", "", true),
          DateTimeText(kMoment, "", " hh:mm:ss", true).substr(1)}) {
        at = header.find(part, at);
        ASSERT_NE(at, std::string::npos) << part << " missing from: " << header;
    }

    const std::vector<std::string> words = Words(text);
    for (int row = 0; row < 20; ++row) {
        const auto first = std::find(words.begin(), words.end(),
                                     Display(questions[static_cast<size_t>(row)].prompt));
        ASSERT_NE(first, words.end()) << "row " << row + 1;
        const auto answer =
            std::find(words.begin(), words.end(), questions[static_cast<size_t>(row)].answer);
        ASSERT_NE(answer, words.end()) << "row " << row + 1;
        for (int column = 1; column < 5; ++column) {
            const auto& q = questions[static_cast<size_t>(row + 20 * column)];
            ASSERT_LT(first + column, words.end());
            EXPECT_EQ(first[column], Display(q.prompt)) << "row " << row + 1;
            ASSERT_LT(answer + column, words.end());
            EXPECT_EQ(answer[column], q.answer) << "row " << row + 1;
        }
    }
}

TEST(SheetPdf, NoTextLeavesItsCell) {
    // Nine operands of five digits and answers of seven digits are far too wide at their font
    // size: they must shrink into their cells.
    std::vector<Question> questions = Questions(9, 5);
    for (Question& q : questions) q.answer = "99" + q.answer + "99";
    const SheetPdf pdf(Settings(9, true), questions);
    const std::vector<Box> boxes = Boxes(pdf.Text({"-bbox"}));
    ASSERT_FALSE(boxes.empty());

    // Where the columns lie: the table, 4750 x 3360 units, fills the printable part of the page.
    const QRectF paint = pdf.Layout().paintRect(QPageLayout::Point);
    const double scale = std::min(paint.width() / 4750.0, paint.height() / 3360.0);
    const double left = paint.left() + (paint.width() - 4750.0 * scale) / 2;
    auto columnLeft = [&](int column) {  // from 1; columns 1-5 are 800 wide, 6 is 150, 7-11 120
        double x = 0;
        for (int c = 1; c < column; ++c) x += c <= 5 ? 800 : c == 6 ? 150 : 120;
        return left + x * scale;
    };
    int checked = 0;
    for (int k = 0; k < 100; ++k) {
        const int column = k / 20 + 1;
        for (const Box& box : boxes) {
            const bool isQuestion = box.word == Display(questions[static_cast<size_t>(k)].prompt);
            const bool isAnswer = box.word == questions[static_cast<size_t>(k)].answer;
            if (!isQuestion && !isAnswer) continue;
            const int c = isQuestion ? column : column + 6;
            EXPECT_GE(box.left, columnLeft(c)) << box.word;
            EXPECT_LE(box.right, columnLeft(c + 1)) << box.word;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 200);
    for (const Box& box : boxes) {
        EXPECT_GE(box.left, paint.left()) << box.word;
        EXPECT_LE(box.right, paint.right()) << box.word;
    }
}

TEST(SheetPdf, PageIsLandscapeA4WithASmallMarginAndTheTableFitsIt) {
    const SheetPdf pdf(Settings(4, false), Questions(4, 2, 30));
    const QPageLayout& layout = pdf.Layout();
    EXPECT_EQ(layout.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(layout.pageSize().id(), QPageSize::A4);
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    EXPECT_NEAR(margins.left(), 5.0, 0.01);
    EXPECT_NEAR(margins.bottom(), 5.0, 0.01);
    // The table's proportions are those of landscape A4: it uses almost all of the page.
    const QRectF paint = layout.paintRect(QPageLayout::Millimeter);
    const double scale = std::min(paint.width() / 4750.0, paint.height() / 3360.0);
    EXPECT_GT(4750.0 * scale / paint.width(), 0.97);
    EXPECT_GT(3360.0 * scale / paint.height(), 0.97);
}

TEST(CutLine, RunsThroughTheEmptyColumnOnlyWhenAnswersAreShown) {
    GenericDataProvider provider;
    DataSource source(provider);
    FillWorksheetGrid(Settings(4, true), Questions(4, 2), kMoment, provider, source);
    EXPECT_EQ(CutColumn(source), 6);
    FillWorksheetGrid(Settings(4, true), Questions(4, 2, 10), kMoment, provider, source);
    EXPECT_EQ(CutColumn(source), 6);
    FillWorksheetGrid(Settings(4, false), Questions(4, 2, 30), kMoment, provider, source);
    EXPECT_EQ(CutColumn(source), std::nullopt);
    FillWorksheetGrid(Settings(4, false), Questions(4, 2), kMoment, provider, source);
    EXPECT_EQ(CutColumn(source), std::nullopt);
}

}  // namespace
