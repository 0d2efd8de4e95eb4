// The two number boxes take digits only, and still take back whatever the settings file held.
#include "app/digit_validator.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "app/main_window.h"
#include "app/qt_control_window.h"
#include "app_test_support.h"

using app_test::Q;

namespace {

struct FaultCase {
    const char* name;
    const char* text;
    int32_t faults;
};

class DigitFaultsTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(DigitFaultsTest, CountsEveryCharacterThatIsNoDigitAndEveryDigitTooMany) {
    EXPECT_EQ(DigitFaults(GetParam().text, DigitValidator::kMaxDigits), GetParam().faults);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DigitFaultsTest,
    ::testing::Values(FaultCase{"Empty", "", 0}, FaultCase{"Hundred", "100", 0},
                      FaultCase{"NineDigits", "999999999", 0},
                      FaultCase{"TenDigits", "1234567890", 1},
                      FaultCase{"ElevenDigits", "99999999999", 2}, FaultCase{"Letters", "abc", 3},
                      FaultCase{"Exponent", "1e3", 1}, FaultCase{"Negative", "-5", 1},
                      FaultCase{"Fraction", "2.5", 1}, FaultCase{"Blank", " 5", 1},
                      FaultCase{"FullWidthDigits", "１２", 2},
                      FaultCase{"ChineseNumber", "一百", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JudgeDigitEdit, RefusesOnlyAnEditThatAddsAFault) {
    EXPECT_EQ(JudgeDigitEdit(0, 0), DigitEdit::kProper);
    EXPECT_EQ(JudgeDigitEdit(3, 0), DigitEdit::kProper);
    EXPECT_EQ(JudgeDigitEdit(0, 1), DigitEdit::kRefused);
    EXPECT_EQ(JudgeDigitEdit(3, 2), DigitEdit::kTolerated);
    EXPECT_EQ(JudgeDigitEdit(2, 2), DigitEdit::kTolerated);
    EXPECT_EQ(JudgeDigitEdit(2, 3), DigitEdit::kRefused);
}

// What a user typing into an emptied box ends up with.
struct TypingCase {
    const char* name;
    const char* box;
    const char* typed;
    const char* shown;
};

class NumberBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::Application();
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    QLineEdit& Box(const char* name) { return *window_.findChild<QLineEdit*>(Q(name)); }
    // Selects the whole text and types over it.
    static void TypeOver(QLineEdit& box, const QString& text) {
        box.setFocus();
        box.selectAll();
        QTest::keyClicks(&box, text);
    }

    MainWindow window_;
    QtControlWindow controls_{&window_};
};

class NumberBoxTypingTest : public NumberBoxTest,
                            public ::testing::WithParamInterface<TypingCase> {};

TEST_P(NumberBoxTypingTest, KeepsOnlyTheDigitsUpToNine) {
    QLineEdit& box = Box(GetParam().box);
    box.setFocus();
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_Delete);
    QTest::keyClicks(&box, Q(GetParam().typed));
    EXPECT_EQ(box.text(), Q(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Typed, NumberBoxTypingTest,
    ::testing::Values(TypingCase{"Letters", "编辑框_数字范围", "abc", ""},
                      TypingCase{"Exponent", "编辑框_数字范围", "1e3", "13"},
                      TypingCase{"Negative", "编辑框_数字范围", "-5", "5"},
                      TypingCase{"TooLong", "编辑框_数字范围", "99999999999", "999999999"},
                      TypingCase{"Number", "编辑框_数字范围", "250", "250"},
                      TypingCase{"AnswerLetters", "编辑框_答案范围", "x1y0", "10"},
                      TypingCase{"AnswerTooLong", "编辑框_答案范围", "12345678901", "123456789"},
                      TypingCase{"AnswerNumber", "编辑框_答案范围", "5000", "5000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NumberBoxTest, APastedTextWithSomethingButDigitsIsRefusedWhole) {
    QLineEdit& box = Box("编辑框_数字范围");
    box.setFocus();
    box.end(false);
    box.insert(Q("1e3"));
    EXPECT_EQ(box.text(), Q("100"));
    box.insert(Q("5"));
    EXPECT_EQ(box.text(), Q("1005"));
}

TEST_F(NumberBoxTest, CanBeEmptied) {
    QLineEdit& box = Box("编辑框_答案范围");
    box.setFocus();
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.text(), QString());
    EXPECT_TRUE(box.hasAcceptableInput());
}

TEST_F(NumberBoxTest, ARestoredValueStandsAsItIsAndCanBeMended) {
    controls_.SetEditText("编辑框_数字范围", "99999999999");
    controls_.SetEditText("编辑框_答案范围", "abc");
    EXPECT_EQ(controls_.EditText("编辑框_数字范围"), "99999999999");
    EXPECT_EQ(controls_.EditText("编辑框_答案范围"), "abc");

    QLineEdit& numbers = Box("编辑框_数字范围");
    numbers.setFocus();
    numbers.end(false);
    QTest::keyClick(&numbers, Qt::Key_9);  // a digit too many more: refused
    EXPECT_EQ(numbers.text(), Q("99999999999"));
    QTest::keyClick(&numbers, Qt::Key_Backspace);  // one fewer: let through
    EXPECT_EQ(numbers.text(), Q("9999999999"));

    QLineEdit& answers = Box("编辑框_答案范围");
    answers.setFocus();
    answers.end(false);
    QTest::keyClick(&answers, Qt::Key_Backspace);
    EXPECT_EQ(answers.text(), Q("ab"));
    QTest::keyClicks(&answers, Q("x"));
    EXPECT_EQ(answers.text(), Q("ab"));
    TypeOver(answers, Q("20"));
    EXPECT_EQ(answers.text(), Q("20"));
}

TEST_F(NumberBoxTest, LettersTypedOverTheSelectedValueLeaveItAsItWas) {
    QLineEdit& box = Box("编辑框_数字范围");
    TypeOver(box, Q("abc"));
    EXPECT_EQ(box.text(), Q("100"));
}

}  // namespace
