// The window's controls through ControlWindow.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "app/main_window.h"
#include "app/qt_control_window.h"
#include "app/window_texts.h"
#include "app_test_support.h"

using app_test::Q;
using Names = std::vector<std::string>;

namespace {

class QtControlWindowTest : public ::testing::Test {
protected:
    QApplication& application_ = app_test::Application();
    MainWindow window_;
    QtControlWindow controls_{&window_};
};

TEST_F(QtControlWindowTest, ControlsOfAKindAreFoundByNameAndTypeInDesignOrder) {
    EXPECT_EQ(controls_.ControlsOfKind("选择框"),
              (Names{"选择框_加", "选择框_减", "选择框_乘", "选择框_除", "选择框_显示答案",
                     "选择框_括号题型"}));
    EXPECT_EQ(controls_.ControlsOfKind("编辑框"),
              (Names{"编辑框_数字范围", "编辑框_答案范围", "编辑框1"}));
    EXPECT_EQ(controls_.ControlsOfKind("组合框"),
              (Names{"组合框_n元运算", "组合框_出题数量", "组合框_打印机", "组合框_份数"}));
    EXPECT_TRUE(controls_.ControlsOfKind("单选框").empty());
    // Bringing another page to the front leaves the order as it is.
    window_.findChild<QTabWidget*>(Q("高级选择夹1"))->setCurrentIndex(1);
    EXPECT_EQ(controls_.ControlsOfKind("编辑框"),
              (Names{"编辑框_数字范围", "编辑框_答案范围", "编辑框1"}));
    EXPECT_TRUE(controls_.ControlsOfKind("").empty());

    // The name alone does not make a control of a kind, nor does the type alone.
    auto* impostor = new QLabel(&window_);
    impostor->setObjectName(Q("选择框_标签"));
    auto* unnamed = new QCheckBox(&window_);
    unnamed->setObjectName(Q("其他_勾选"));
    EXPECT_EQ(controls_.ControlsOfKind("选择框").size(), 6u);
}

TEST_F(QtControlWindowTest, MultiLineEditTextCrossesWithCrLf) {
    const std::string help = controls_.EditText("编辑框1");
    std::string expected;
    for (char c : HelpText()) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(help, expected);
    EXPECT_TRUE(help.ends_with("给孩子改题就方便多了\r\n"));

    controls_.SetEditText("编辑框1", "一\r\n二\r\n");
    EXPECT_EQ(window_.findChild<QPlainTextEdit*>(Q("编辑框1"))->toPlainText(), Q("一\n二\n"));
    EXPECT_EQ(controls_.EditText("编辑框1"), "一\r\n二\r\n");

    controls_.SetEditText("编辑框_数字范围", "250");
    EXPECT_EQ(window_.findChild<QLineEdit*>(Q("编辑框_数字范围"))->text(), Q("250"));
    EXPECT_EQ(controls_.EditText("编辑框_数字范围"), "250");
}

TEST_F(QtControlWindowTest, LineBreaksPastedIntoAOneLineBoxCrossAsCrLf) {
    auto* range = window_.findChild<QLineEdit*>(QStringLiteral("编辑框_数字范围"));
    ASSERT_NE(range, nullptr);
    range->setText(QStringLiteral("1\n2\r3\r\n4"));
    EXPECT_EQ(controls_.EditText("编辑框_数字范围"), "1\r\n2\r\n3\r\n4");
}

TEST_F(QtControlWindowTest, ComboBoxesGiveAndTakeItemsSelectionAndText) {
    const std::string combo = "组合框_n元运算";
    EXPECT_EQ(controls_.ComboCount(combo), 8);
    EXPECT_EQ(controls_.ComboItemText(combo, 0), "2");
    EXPECT_EQ(controls_.ComboItemText(combo, 8), "");
    EXPECT_EQ(controls_.ComboItemText(combo, -1), "");
    EXPECT_EQ(controls_.ComboSelectedIndex(combo), 2);
    EXPECT_EQ(controls_.ComboText(combo), "4");

    controls_.ComboClear(combo);
    EXPECT_EQ(controls_.ComboSelectedIndex(combo), -1);
    controls_.ComboAppend(combo, "二", 7);
    controls_.ComboAppend(combo, "三", -3);
    EXPECT_EQ(controls_.ComboItemData(combo, 0), 7);
    EXPECT_EQ(controls_.ComboItemData(combo, 1), -3);
    controls_.SetComboSelectedIndex(combo, 1);
    EXPECT_EQ(controls_.ComboText(combo), "三");
    controls_.SetComboText(combo, "二");
    EXPECT_EQ(controls_.ComboSelectedIndex(combo), 0);
    controls_.SetComboText(combo, "没有");  // no item reads so: the selection stays
    EXPECT_EQ(controls_.ComboSelectedIndex(combo), 0);
    controls_.SetComboSelectedIndex(combo, 5);  // outside the list: nothing selected
    EXPECT_EQ(controls_.ComboSelectedIndex(combo), -1);
    EXPECT_EQ(controls_.ComboText(combo), "");
}

TEST_F(QtControlWindowTest, UnknownOrMismatchedNamesReadEmptyAndIgnoreWrites) {
    controls_.SetChecked("编辑框_数字范围", true);
    controls_.SetEditText("选择框_加", "x");
    controls_.ComboAppend("没有这个", "x", 1);
    EXPECT_FALSE(controls_.IsChecked("没有这个"));
    EXPECT_EQ(controls_.EditText("选择框_加"), "");
    EXPECT_EQ(controls_.ComboCount("编辑框_数字范围"), 0);
    EXPECT_EQ(controls_.ComboSelectedIndex("没有这个"), -1);
    EXPECT_EQ(controls_.EditText("编辑框_数字范围"), "100");
    EXPECT_EQ(window_.findChild<QCheckBox*>(Q("选择框_加"))->text(), Q("+"));

    controls_.SetChecked("选择框_加", false);
    EXPECT_FALSE(controls_.IsChecked("选择框_加"));
    controls_.SetChecked("选择框_括号题型", true);  // the program may set what the user cannot
    EXPECT_TRUE(controls_.IsChecked("选择框_括号题型"));
}

}  // namespace
