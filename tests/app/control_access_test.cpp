// The window without a mouse and through a screen reader: Return presses the focused button,
// and every control has a name of its own.
#include "app/control_access.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <map>
#include <thread>

#include "app/generation_progress.h"
#include "app/main_window.h"
#include "app/qt_message_box.h"
#include "app_test_support.h"

using app_test::Q;

namespace {

class ControlAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::Application();
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    // What a screen reader calls the control. A combo box's accessible text is its current
    // item on Linux; there the reader takes what the box is for from its accessible name and the
    // label that labels it.
    static QString ReaderName(QWidget* widget) {
        if (qobject_cast<QComboBox*>(widget)) return widget->accessibleName();
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(QAccessible::Name) : QString();
    }
    static QStringList LabelsOf(QWidget* widget) {
        QStringList labels;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (!face) return labels;
        for (const auto& [label, relation] : face->relations(QAccessible::Label)) {
            labels << label->text(QAccessible::Name);
        }
        return labels;
    }
    MainWindow window_;
};

// The whole title in a bold face and the frame's icon and buttons beside it.
int TitleOf(const QWidget& window) {
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(window.windowTitle()) + 160;
}

struct KeyCase {
    const char* name;
    const char* button;
    Qt::Key key;
};

class ButtonKeyTest : public ControlAccessTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ButtonKeyTest, PressesTheFocusedButton) {
    auto* button = window_.findChild<QPushButton*>(Q(GetParam().button));
    ASSERT_NE(button, nullptr);
    QSignalSpy clicks(button, &QPushButton::clicked);
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    QTest::keyClick(button, GetParam().key);
    EXPECT_EQ(clicks.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ButtonKeyTest,
    ::testing::Values(KeyCase{"PreviewReturn", "按钮_出题预览", Qt::Key_Return},
                      KeyCase{"PreviewEnter", "按钮_出题预览", Qt::Key_Enter},
                      KeyCase{"PreviewSpace", "按钮_出题预览", Qt::Key_Space},
                      KeyCase{"PrintReturn", "按钮_直接打印", Qt::Key_Return},
                      KeyCase{"DefaultPrinterReturn", "按钮1", Qt::Key_Return}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlAccessTest, ReturnInANumberBoxPressesNoButton) {
    auto* preview = window_.findChild<QPushButton*>(Q("按钮_出题预览"));
    preview->setFocus(Qt::TabFocusReason);  // was the focused button once
    QSignalSpy clicks(preview, &QPushButton::clicked);
    auto* box = window_.findChild<QLineEdit*>(Q("编辑框_数字范围"));
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ControlAccessTest, EveryControlHasANameOfItsOwnForAScreenReader) {
    std::map<QString, QString> owners;  // reader name -> control
    int controls = 0;
    for (QWidget* widget : window_.findChildren<QWidget*>()) {
        const QString control = widget->objectName();
        // The window's own controls; Qt's inner widgets (a tab bar, a line edit of a combo box)
        // have no names of the window's design.
        if (control.isEmpty() || control.startsWith(QStringLiteral("qt_"))) continue;
        if (widget->parentWidget()->inherits("QTabBar")) continue;  // its scroll arrows
        SCOPED_TRACE(control.toStdString());
        const QString name = ReaderName(widget);
        ++controls;
        EXPECT_FALSE(name.trimmed().isEmpty());
        const auto [it, fresh] = owners.emplace(name, control);
        EXPECT_TRUE(fresh) << name.toStdString() << " is also " << it->second.toStdString();
    }
    EXPECT_EQ(controls, 29);  // the tab control and the 28 controls on its pages
}

struct ReaderCase {
    const char* name;
    const char* control;
    const char* readerName;
};

class ReaderNameTest : public ControlAccessTest,
                       public ::testing::WithParamInterface<ReaderCase> {};

TEST_P(ReaderNameTest, NamesTheBoxAfterItsPhrase) {
    QWidget* control = window_.findChild<QWidget*>(Q(GetParam().control));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ReaderName(control), Q(GetParam().readerName));
}

struct LabelCase {
    const char* name;
    const char* box;
    const char* label;
};

class PhraseLabelTest : public ControlAccessTest,
                        public ::testing::WithParamInterface<LabelCase> {};

TEST_P(PhraseLabelTest, LabelsTheBoxInItsGap) {
    QWidget* box = window_.findChild<QWidget*>(Q(GetParam().box));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(LabelsOf(box).contains(Q(GetParam().label)))
        << LabelsOf(box).join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Phrases, PhraseLabelTest,
    ::testing::Values(LabelCase{"OperandCount", "组合框_n元运算", "元运算"},
                      LabelCase{"NumberRange", "编辑框_数字范围", "数字范围 以内"},
                      LabelCase{"AnswerRange", "编辑框_答案范围", "答案范围 以内"},
                      LabelCase{"QuestionCount", "组合框_出题数量", "出题数量 题"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Boxes, ReaderNameTest,
                         ::testing::Values(ReaderCase{"NumberRange", "编辑框_数字范围", "数字范围"},
                                           ReaderCase{"AnswerRange", "编辑框_答案范围", "答案范围"},
                                           ReaderCase{"QuestionCount", "组合框_出题数量",
                                                      "出题数量"},
                                           ReaderCase{"Printers", "组合框_打印机", "打印机"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlAccessTest, TheProgressDialogIsWideEnoughForItsTitle) {
    GenerationProgress progress(&window_);
    std::this_thread::sleep_for(GenerationProgress::kDialogDelay + std::chrono::milliseconds(20));
    progress.Update(1, 100);
    QProgressDialog* dialog = window_.findChild<QProgressDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->windowTitle().isEmpty());
    EXPECT_GE(dialog->width(), TitleOf(*dialog));
    progress.Finish();
}

TEST_F(ControlAccessTest, AShortMessageIsWideEnoughForItsTitle) {
    int width = 0;
    int title = -1;
    QTimer::singleShot(50, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            width = box->width();
            title = TitleOf(*box);
            box->accept();
        }
    });
    QtMessageBox().Show("默认打印机设置失败！", MessageBox::kError);
    EXPECT_GE(width, title);
}

}  // namespace
