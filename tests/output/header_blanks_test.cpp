// The blanks of the printed header are spaces a pupil can write in: each has a rule, as long as
// its blanks say, the name's at least 30 mm on the paper.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <string>
#include <vector>

#include "../support/private_cups.h"
#include "../support/qt_application.h"
#include "../support/recording_message_box.h"
#include "output/printing.h"
#include "platform/grid.h"
#include "platform/grid_renderer.h"
#include "platform/printers.h"
#include "worksheet/worksheet_layout.h"

using private_cups::PrivateCups;
using private_cups::RunProgram;

namespace {

[[maybe_unused]] auto* const kQt =
    test_support::AddQtApplication<QGuiApplication>([] { PrivateCups::Shared(); });

struct RunsCase {
    const char* name;
    const char* text;
    std::vector<TextRun> runs;
};

class WritingSpaceRunsTest : public ::testing::TestWithParam<RunsCase> {};

TEST_P(WritingSpaceRunsTest, SplitsAtBlankRunsAfterAFullWidthColon) {
    EXPECT_EQ(WritingSpaceRuns(GetParam().text), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WritingSpaceRunsTest,
    ::testing::Values(
        RunsCase{"Header",
                 "题目数量：20   姓名：              年级：     班级：       用时：      得分："
                 "         日期：2026/12/8 星期二 04:05:00",
                 {{"题目数量：20   姓名：", 0},
                  {"", 14},
                  {"年级：", 0},
                  {"", 5},
                  {"班级：", 0},
                  {"", 7},
                  {"用时：", 0},
                  {"", 6},
                  {"得分：", 0},
                  {"", 9},
                  {"日期：2026/12/8 星期二 04:05:00", 0}}},
        RunsCase{"Question", "12+7×3=", {{"12+7×3=", 0}}}, RunsCase{"Empty", "", {{"", 0}}},
        RunsCase{"OneBlankIsNoSpace", "姓名： 张三", {{"姓名： 张三", 0}}},
        RunsCase{"BlanksWithoutColonStay", "100   姓名", {{"100   姓名", 0}}},
        RunsCase{"AsciiColonIsNoLabel", "name:    x", {{"name:    x", 0}}},
        RunsCase{"SpaceAtTheEnd", "得分：  ", {{"得分：", 0}, {"", 2}}},
        RunsCase{"ColonsInARow", "：  ：   ", {{"：", 0}, {"", 2}, {"：", 0}, {"", 3}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A word of a PDF page with its box in points.
struct Word {
    std::string text;
    QRectF box;
};

std::vector<Word> PdfWords(const std::filesystem::path& pdf) {
    static const QRegularExpression word(QString::fromUtf8(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    const std::string html = RunProgram({"pdftotext", "-bbox", pdf.string(), "-"}).output;
    std::vector<Word> words;
    for (auto it = word.globalMatch(QString::fromStdString(html)); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(5).toStdString(),
                         QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

constexpr int kDpi = 254;  // ten pixels to the millimetre
constexpr double kPixelsPerPoint = kDpi / 72.0;

class HeaderBlanksTest : public private_cups::PrivateCupsTest {
protected:
    void SetUp() override {
        PrivateCupsTest::SetUp();
        const std::filesystem::path printed = cups_.AddQueue("alpha");
        ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);
        WorksheetSettings settings;
        settings.operandCount = 4;
        settings.questionCount = 100;
        const std::vector<Question> questions(100, Question{"12+7", "12+7=", "19", "12+7=19"});
        FillWorksheetGrid(settings, questions, 46364.5, provider_, source_);
        PrintSheet(source_, grid_, messages_);
        ASSERT_TRUE(cups_.WaitForCompletedJobs("alpha", 1));

        words_ = PdfWords(printed);
        const std::filesystem::path png = cups_.Directory() / "out" / "page";
        RunProgram({"pdftoppm", "-gray", "-png", "-r", std::to_string(kDpi), "-singlefile",
                    printed.string(), png.string()});
        page_.load(QString::fromStdString(png.string() + ".png"));
    }

    // The box of the header word that ends with the label.
    QRectF Label(const std::string& label) const {
        for (const Word& w : words_) {
            if (w.text.size() >= label.size() &&
                w.text.compare(w.text.size() - label.size(), label.size(), label) == 0) {
                return w.box;
            }
            if (w.text.rfind(label, 0) == 0) return w.box;  // "日期：" starts its word
        }
        return {};
    }

    // The longest dark horizontal line, in millimetres, between two words of the header, at
    // the height of their lower half and a little below it.
    double RuleBetween(const QRectF& before, const QRectF& after) const {
        const int x0 = static_cast<int>(before.right() * kPixelsPerPoint);
        const int x1 = static_cast<int>(after.left() * kPixelsPerPoint);
        const int y0 = static_cast<int>(before.center().y() * kPixelsPerPoint);
        const int y1 = static_cast<int>((before.bottom() + 3) * kPixelsPerPoint);
        int longest = 0;
        for (int y = y0; y <= y1 && y < page_.height(); ++y) {
            int run = 0;
            for (int x = x0; x < x1 && x < page_.width(); ++x) {
                run = qGray(page_.pixel(x, y)) < 128 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        return longest / 10.0;
    }

    GenericDataProvider provider_;
    DataSource source_{provider_};
    Grid grid_{source_};
    RecordingMessageBox messages_;
    std::vector<Word> words_;
    QImage page_;
};

TEST_F(HeaderBlanksTest, EveryBlankRunIsARuledSpaceInProportionToItsBlanks) {
    ASSERT_FALSE(page_.isNull());
    const char* labels[] = {"姓名：", "年级：", "班级：", "用时：", "得分：", "日期："};
    const int blanks[] = {14, 5, 7, 6, 9};
    std::vector<QRectF> boxes;
    for (const char* label : labels) {
        boxes.push_back(Label(label));
        ASSERT_FALSE(boxes.back().isNull()) << label << " not found";
    }
    std::vector<double> perBlank;
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(labels[i]);
        const double gapMm = (boxes[i + 1].left() - boxes[i].right()) / 72.0 * 25.4;
        const double ruleMm = RuleBetween(boxes[i], boxes[i + 1]);
        EXPECT_GT(ruleMm, 0.75 * gapMm) << "the space has a rule along most of it";
        EXPECT_LT(ruleMm, gapMm) << "the rule stays clear of the words";
        perBlank.push_back(gapMm / blanks[i]);
    }
    const double nameMm = (boxes[1].left() - boxes[0].right()) / 72.0 * 25.4;
    EXPECT_GE(RuleBetween(boxes[0], boxes[1]), 30.0) << "the name's space is " << nameMm << " mm";
    for (double mm : perBlank) EXPECT_NEAR(mm, perBlank[0], 0.15 * perBlank[0]);
}

TEST_F(HeaderBlanksTest, TheHeaderTextIsKeptWordForWord) {
    std::string header;
    for (const Word& w : words_) {
        if (w.box.top() < Label("姓名：").bottom()) header += w.text;
    }
    std::string expected;
    for (char c : source_.CellText(1, 1)) {
        if (c != ' ') expected += c;
    }
    EXPECT_EQ(header, expected);
}

}  // namespace
