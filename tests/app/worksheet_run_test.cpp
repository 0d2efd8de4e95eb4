// One generation run as the buttons start it: the options read from the window, and what the
// sheet and the user get for options that work, that cannot work and that are too strict.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "app/hidden_components.h"
#include "app/main_window.h"
#include "app/qt_control_window.h"
#include "app/worksheet_run.h"
#include "app_test_support.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// A window of option controls that logs which control is read, in order.
class ReadLoggingWindow : public ControlWindow {
public:
    std::vector<std::string> reads;
    std::map<std::string, bool> checked;
    std::map<std::string, std::string> texts;
    std::map<std::string, std::string> selectedItem;

    std::vector<std::string> ControlsOfKind(const std::string&) const override { return {}; }
    bool IsChecked(const std::string& name) const override {
        Log(name);
        auto it = checked.find(name);
        return it != checked.end() && it->second;
    }
    void SetChecked(const std::string&, bool) override {}
    std::string EditText(const std::string& name) const override {
        Log(name);
        auto it = texts.find(name);
        return it == texts.end() ? "" : it->second;
    }
    void SetEditText(const std::string&, const std::string&) override {}
    int32_t ComboCount(const std::string&) const override { return 1; }
    std::string ComboItemText(const std::string& name, int32_t index) const override {
        auto it = selectedItem.find(name);
        return index == 0 && it != selectedItem.end() ? it->second : "";
    }
    int32_t ComboItemData(const std::string&, int32_t) const override { return 0; }
    void ComboClear(const std::string&) override {}
    void ComboAppend(const std::string&, const std::string&, int32_t) override {}
    int32_t ComboSelectedIndex(const std::string& name) const override {
        Log(name);
        return selectedItem.count(name) ? 0 : -1;
    }
    void SetComboSelectedIndex(const std::string&, int32_t) override {}
    std::string ComboText(const std::string&) const override { return "combo text is not used"; }
    void SetComboText(const std::string&, const std::string&) override {}

private:
    void Log(const std::string& name) const {
        auto& log = const_cast<std::vector<std::string>&>(reads);
        if (log.empty() || log.back() != name) log.push_back(name);
    }
};

TEST(ReadWorksheetSettings, ReadsTheOptionControlsInOrderAsWholeNumbers) {
    ReadLoggingWindow window;
    window.selectedItem = {{"组合框_n元运算", "7"}, {"组合框_出题数量", "30"}};
    window.checked = {{"选择框_乘", true},
                      {"选择框_除", true},
                      {"选择框_减", true},
                      {"选择框_显示答案", true},
                      {"选择框_括号题型", true}};
    window.texts = {{"编辑框_数字范围", " 12.9 "}, {"编辑框_答案范围", "-5"}};

    const WorksheetSettings settings = ReadWorksheetSettings(window);
    EXPECT_THAT(window.reads,
                ElementsAre("组合框_n元运算", "选择框_加", "选择框_减", "选择框_乘", "选择框_除",
                            "编辑框_数字范围", "组合框_出题数量", "编辑框_答案范围"));
    EXPECT_EQ(settings.operandCount, 7);
    EXPECT_THAT(settings.operators, ElementsAre("-", "*", "/"));
    EXPECT_EQ(settings.numberRange, 12);
    EXPECT_EQ(settings.questionCount, 30);
    EXPECT_EQ(settings.answerRange, -5);
    // The layout options are read when the sheet is laid out, not here.
    EXPECT_FALSE(settings.showAnswers);
    EXPECT_FALSE(settings.answerInQuestionCell);
}

TEST(ReadWorksheetSettings, ComboBoxWithoutSelectionGivesZero) {
    ReadLoggingWindow window;
    window.texts = {{"编辑框_数字范围", ""}, {"编辑框_答案范围", "abc"}};
    const WorksheetSettings settings = ReadWorksheetSettings(window);
    EXPECT_EQ(settings.operandCount, 0);
    EXPECT_EQ(settings.questionCount, 0);
    EXPECT_EQ(settings.numberRange, 0);
    EXPECT_EQ(settings.answerRange, 0);
    EXPECT_THAT(settings.operators, IsEmpty());
}

class RecordingMessages : public MessageBox {
public:
    void Show(const std::string& text, int32_t style) override { shown.emplace_back(text, style); }
    std::vector<std::pair<std::string, int32_t>> shown;
};

class GenerateWorksheetTest : public ::testing::Test {
protected:
    bool Generate() {
        return GenerateWorksheet(controls_, hidden_.Provider(), hidden_.Source(), messages_);
    }

    QApplication& application_ = app_test::Application();
    MainWindow window_;
    QtControlWindow controls_{&window_};
    HiddenComponents hidden_;
    RecordingMessages messages_;
};

TEST_F(GenerateWorksheetTest, DesignedOptionsFillTheSheetWithQuestionsOfTheTickedOperators) {
    controls_.SetChecked("选择框_减", false);
    controls_.SetComboSelectedIndex("组合框_n元运算", 0);   // two numbers
    controls_.SetComboSelectedIndex("组合框_出题数量", 1);  // 20 questions
    ASSERT_TRUE(Generate());
    EXPECT_THAT(messages_.shown, IsEmpty());
    DataSource& sheet = hidden_.Source();
    EXPECT_EQ(sheet.RowCount(), 21);
    EXPECT_EQ(sheet.ColumnCount(), 11);
    EXPECT_THAT(sheet.CellText(1, 1), HasSubstr("20"));
    int questions = 0;
    for (int row = 2; row <= sheet.RowCount(); ++row) {
        const std::string cell = sheet.CellText(row, 1);
        if (cell.empty()) continue;
        ++questions;
        EXPECT_THAT(cell, HasSubstr("+"));
        EXPECT_THAT(cell, Not(HasSubstr("-")));
        EXPECT_TRUE(cell.ends_with("=")) << cell;
    }
    EXPECT_EQ(questions, 20);
}

int QuestionCells(DataSource& sheet) {
    int questions = 0;
    for (int row = 2; row <= sheet.RowCount(); ++row) {
        for (int column = 1; column <= 5; ++column) {
            if (!sheet.CellText(row, column).empty()) ++questions;
        }
    }
    return questions;
}

TEST_F(GenerateWorksheetTest, FewDifferentQuestionsStillMakeASheetAndSaySo) {
    // Dividing one number up to 4 by another gives only 2÷1, 3÷1, 4÷1 and 4÷2.
    for (const char* box : {"选择框_加", "选择框_减", "选择框_乘"})
        controls_.SetChecked(box, false);
    controls_.SetChecked("选择框_除", true);
    controls_.SetEditText("编辑框_数字范围", "4");
    controls_.SetComboSelectedIndex("组合框_n元运算", 0);   // two numbers
    controls_.SetComboSelectedIndex("组合框_出题数量", 0);  // 10 questions
    ASSERT_TRUE(Generate());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].second, MessageBox::kInformation);
    EXPECT_THAT(messages_.shown[0].first, HasSubstr("4道不同的题"));
    EXPECT_THAT(messages_.shown[0].first, HasSubstr("10道题"));
    EXPECT_EQ(QuestionCells(hidden_.Source()), 10);
}

TEST_F(GenerateWorksheetTest, AHandEditedCountAbove100ShowsItsCountOnAFullSheet) {
    controls_.ComboAppend("组合框_出题数量", "2147483647", 0);
    controls_.SetComboSelectedIndex("组合框_出题数量", controls_.ComboCount("组合框_出题数量") - 1);
    ASSERT_TRUE(Generate());
    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_THAT(hidden_.Source().CellText(1, 1), HasSubstr("2147483647"));
    EXPECT_EQ(QuestionCells(hidden_.Source()), 100);
}

}  // namespace
