#include "worksheet/worksheet_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The header names the weekday in the user's language: this test's user reads Chinese. Set
// before the first look at the system locale, which the program reads once.
const bool kChineseUser = ::setenv("LC_ALL", "zh_CN.UTF-8", 1) == 0;

// 8 December 2026, a Tuesday, 04:05:00.
constexpr double kMoment = 46364.0 + (4 * 3600 + 5 * 60) / 86400.0;

// Questions "1+k=" with answers "k+1", each one different, so every cell can be traced back.
std::vector<Question> Questions(int count) {
    std::vector<Question> questions;
    for (int k = 1; k <= count; ++k) {
        const std::string expression = "1+" + std::to_string(k);
        const std::string answer = std::to_string(k + 1);
        questions.push_back({expression, expression + "=", answer, expression + "=" + answer});
    }
    return questions;
}

WorksheetSettings Settings(int questionCount, bool showAnswers = false) {
    WorksheetSettings s;
    s.operators = {"+", "-"};
    s.operandCount = 4;
    s.numberRange = 100;
    s.questionCount = questionCount;
    s.answerRange = 1000;
    s.showAnswers = showAnswers;
    return s;
}

class WorksheetLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kChineseUser); }
    void Fill(const WorksheetSettings& settings, const std::vector<Question>& questions) {
        FillWorksheetGrid(settings, questions, kMoment, provider, source);
    }
    GenericDataProvider provider;
    DataSource source{provider};
};

// Row and column of question k (from 1) once the header row is in place.
int32_t RowOf(int k) {
    return 1 + (k - 1) % 20 + 1;
}
int32_t ColumnOf(int k) {
    return (k - 1) / 20 + 1;
}

TEST_F(WorksheetLayoutTest, ThirtyQuestionsFillColumnOneThenHalfOfColumnTwo) {
    Fill(Settings(30), Questions(30));
    ASSERT_EQ(source.RowCount(), 21);
    ASSERT_EQ(source.ColumnCount(), 11);
    for (int k = 1; k <= 30; ++k) {
        EXPECT_EQ(source.CellText(RowOf(k), ColumnOf(k)), "1+" + std::to_string(k) + "=") << k;
    }
    for (int32_t r = 2; r <= 21; ++r) {
        for (int32_t c = 2; c <= 11; ++c) {
            if (c == 2 && r <= 11) continue;
            EXPECT_EQ(source.CellText(r, c), "") << r << "," << c;
            EXPECT_EQ(source.Format(r, c).code3, 0) << r << "," << c;
        }
    }
}

TEST_F(WorksheetLayoutTest, HundredQuestionsWithAnswersBeyondTheEmptyColumn) {
    Fill(Settings(100, true), Questions(100));
    for (int k = 1; k <= 100; ++k) {
        const int32_t r = RowOf(k);
        const int32_t c = ColumnOf(k);
        EXPECT_EQ(source.CellText(r, c), "1+" + std::to_string(k) + "=");
        EXPECT_EQ(source.CellText(r, c + 6), std::to_string(k + 1));
        const CellFormat answer = source.Format(r, c + 6);
        EXPECT_EQ(answer.fontFamily, "雅黑");
        EXPECT_EQ(answer.fontSize, 50);
        EXPECT_EQ(answer.code1, 5);
        // Thin frames, dashed along the first answer row only (no row count is given there).
        EXPECT_EQ(answer.code3, r == 2 ? 2 : cell_format::kFrameWhenOmitted);
    }
    for (int32_t r = 2; r <= 21; ++r) {
        EXPECT_EQ(source.CellText(r, 6), "");
        EXPECT_EQ(source.Format(r, 6), CellFormat{});
    }
}

TEST_F(WorksheetLayoutTest, SizesAndFormatsOfEveryCell) {
    Fill(Settings(100), Questions(100));
    for (int32_t c = 1; c <= 5; ++c) EXPECT_EQ(source.ColumnWidth(c), 800);
    EXPECT_EQ(source.ColumnWidth(6), GenericDataProvider::kDefaultColumnWidth);
    for (int32_t c = 7; c <= 11; ++c) EXPECT_EQ(source.ColumnWidth(c), 120);  // without answers
    for (int32_t r = 1; r <= 21; ++r) EXPECT_EQ(source.RowHeight(r), 160);
    const CellFormat question = source.Format(2, 1);
    EXPECT_EQ(question.fontFamily, "黑体");
    EXPECT_EQ(question.fontSize, 70);
    EXPECT_EQ(question.code1, 6);
    EXPECT_TRUE(cell_format::IsBold(question.code2));
    EXPECT_EQ(source.Format(21, 5), question);
    EXPECT_EQ(source.Format(2, 7), CellFormat{});  // no answer block

    const CellFormat header = source.Format(1, 1);
    EXPECT_EQ(header.fontFamily, "雅黑");
    EXPECT_EQ(header.fontSize, 60);
    EXPECT_EQ(header.code1, 4);
    EXPECT_TRUE(cell_format::IsBold(header.code2));
    EXPECT_TRUE(cell_format::IsHeaderBand(header.code4));
    EXPECT_TRUE(cell_format::IsHeaderBand(source.Format(1, 11).code4));
    EXPECT_EQ(source.MergeAt(1, 11), (CellRange{1, 1, 1, 11}));
    EXPECT_EQ(source.MergedRanges().size(), 1u);
}

TEST_F(WorksheetLayoutTest, QuestionFontShrinksFromSixOperands) {
    WorksheetSettings settings = Settings(10);
    for (int32_t operands : {2, 5, 6, 9}) {
        settings.operandCount = operands;
        Fill(settings, Questions(10));
        EXPECT_EQ(source.Format(2, 1).fontSize, operands < 6 ? 70 : 40) << operands;
        EXPECT_EQ(source.Format(21, 5).fontSize, operands < 6 ? 70 : 40) << operands;
    }
}

TEST_F(WorksheetLayoutTest, MultiplicationAndDivisionShowTheirOwnSigns) {
    const std::vector<Question> questions{{"84/7", "84/7=", "12", "84/7=12"},
                                          {"6*9", "6*9=", "54", "6*9=54"},
                                          {"12+7*3-8/4", "12+7*3-8/4=", "31", "12+7*3-8/4=31"}};
    Fill(Settings(10, true), questions);
    EXPECT_EQ(source.CellText(2, 1), "84÷7=");
    EXPECT_EQ(source.CellText(3, 1), "6×9=");
    EXPECT_EQ(source.CellText(4, 1), "12+7×3-8÷4=");
    EXPECT_EQ(source.CellText(2, 7), "12");

    WorksheetSettings inCell = Settings(10);
    inCell.answerInQuestionCell = true;
    Fill(inCell, questions);
    EXPECT_EQ(source.CellText(2, 1), "84÷7=12");
    EXPECT_EQ(source.CellText(4, 1), "12+7×3-8÷4=31");
    EXPECT_EQ(source.CellText(5, 1), "");  // slots after the last question stay empty
    EXPECT_EQ(source.CellText(2, 2), "");
}

TEST_F(WorksheetLayoutTest, HeaderTextByteForByte) {
    Fill(Settings(20), Questions(20));
    EXPECT_EQ(source.CellText(1, 1),
              "题目数量：20   姓名：              年级：     班级：       用时：      得分：     "
              "    日期：2026/12/8 星期二 04:05:00");
}

TEST_F(WorksheetLayoutTest, CountAboveHundredPlacesHundredAndNamesTheFullCount) {
    Fill(Settings(120), Questions(120));
    EXPECT_EQ(source.RowCount(), 21);
    EXPECT_EQ(source.CellText(21, 5), "1+100=");
    EXPECT_EQ(source.CellText(1, 1).rfind("题目数量：120   姓名：", 0), 0u);
}

TEST_F(WorksheetLayoutTest, ASecondRunLeavesNoTraceOfARunWithAnswers) {
    Fill(Settings(100, true), Questions(100));
    Fill(Settings(10), Questions(10));
    EXPECT_EQ(source.RowCount(), 21);
    EXPECT_EQ(source.MergedRanges().size(), 1u);
    for (int32_t r = 2; r <= 21; ++r) {
        for (int32_t c = 1; c <= 11; ++c) {
            if (c == 1 && r <= 11) continue;
            EXPECT_EQ(source.CellText(r, c), "") << r << "," << c;
            if (c >= 6) {
                EXPECT_EQ(source.Format(r, c), CellFormat{}) << r << "," << c;
            }
        }
    }
    EXPECT_EQ(source.CellText(11, 1), "1+10=");
}

TEST(ReplacePairs, AppliesPairsInOrderFromTheFirstCharacter) {
    const std::array<TextPair, 2> symbols{TextPair{"*", "×"}, TextPair{"/", "÷"}};
    EXPECT_EQ(ReplacePairs("12*3/4*5+6-7", symbols), "12×3÷4×5+6-7");
    // Each pair works on the result of the one before; replacements are not scanned again.
    const std::array<TextPair, 2> chained{TextPair{"a", "ab"}, TextPair{"b", "c"}};
    EXPECT_EQ(ReplacePairs("aab", chained), "acacc");
    const std::array<TextPair, 1> overlapping{TextPair{"aa", "b"}};
    EXPECT_EQ(ReplacePairs("aaa", overlapping), "ba");
    const std::array<TextPair, 2> emptySearch{TextPair{"", "x"}, TextPair{"1", ""}};
    EXPECT_EQ(ReplacePairs("121", emptySearch), "2");
    const std::array<TextPair, 6> six{TextPair{"1", "2"}, TextPair{"2", "3"}, TextPair{"3", "4"},
                                      TextPair{"4", "5"}, TextPair{"5", "6"}, TextPair{"6", "7"}};
    EXPECT_EQ(ReplacePairs("1", six), "6");
}

}  // namespace
