// The main window as the user first sees it: every control with its name, kind, container,
// position, size, caption and state, the fonts, the icon, the phrase rows and the hidden table
// components.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/hidden_components.h"
#include "app/main_window.h"
#include "app/phrase_label.h"
#include "app_test_support.h"

using app_test::Q;

namespace {

// One control of the window's design. container is the name of the group box it sits in, or
// "page1"/"page2" for the tab pages, whose coordinates are the tab control's.
struct Design {
    const char* name;
    const char* type;
    const char* container;
    QRect rect;
    const char* caption;
};

const Design kDesign[] = {
    {"分组框1", "QGroupBox", "page1", {8, 32, 288, 56}, "难度设置"},
    {"组合框_n元运算", "QComboBox", "分组框1", {16, 24, 40, 20}, "4"},
    {"标签4", "QLabel", "分组框1", {64, 24, 40, 24}, "元运算"},
    {"分组框2", "QGroupBox", "page1", {8, 96, 288, 56}, "运算符设置"},
    {"选择框_加", "QCheckBox", "分组框2", {16, 24, 40, 24}, "+"},
    {"选择框_减", "QCheckBox", "分组框2", {56, 24, 40, 24}, "-"},
    {"选择框_乘", "QCheckBox", "分组框2", {96, 24, 40, 24}, "×"},
    {"选择框_除", "QCheckBox", "分组框2", {136, 24, 40, 24}, "÷"},
    {"分组框3", "QGroupBox", "page1", {8, 160, 288, 56}, "数字范围设置"},
    {"标签1", "QLabel", "分组框3", {8, 24, 168, 24}, "数字范围         以内"},
    {"编辑框_数字范围", "QLineEdit", "分组框3", {64, 24, 40, 20}, "100"},
    {"标签2", "QLabel", "分组框3", {144, 24, 136, 24}, "答案范围         以内"},
    {"编辑框_答案范围", "QLineEdit", "分组框3", {200, 24, 40, 20}, "1000"},
    {"分组框4", "QGroupBox", "page1", {8, 224, 288, 56}, "输出设置"},
    {"标签3", "QLabel", "分组框4", {8, 24, 120, 24}, "出题数量         题"},
    {"组合框_出题数量", "QComboBox", "分组框4", {60, 27, 48, 20}, "100"},
    {"选择框_显示答案", "QCheckBox", "分组框4", {144, 24, 72, 24}, "显示答案"},
    {"分组框5", "QGroupBox", "page1", {8, 288, 288, 56}, "附加设置"},
    {"选择框_括号题型", "QCheckBox", "分组框5", {8, 24, 80, 24}, "题型包含()"},
    {"按钮_出题预览", "QPushButton", "page1", {8, 352, 80, 32}, "出题预览 "},
    {"按钮_直接打印", "QPushButton", "page1", {96, 352, 80, 32}, "直接打印"},
    {"组合框_打印机", "QComboBox", "page1", {8, 416, 200, 20}, ""},
    {"按钮1", "QPushButton", "page1", {8, 440, 200, 32}, "设置默认打印机"},
    {"编辑框1", "QPlainTextEdit", "page2", {8, 32, 560, 344}, nullptr},
};

QString CaptionOf(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
    return {};
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::Application();
        window_ = std::make_unique<MainWindow>();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        tabs_ = window_->findChild<QTabWidget*>(Q("高级选择夹1"));
        ASSERT_NE(tabs_, nullptr);
    }

    template <typename W = QWidget>
    W* Find(const char* name) const {
        return window_->findChild<W*>(Q(name));
    }

    std::unique_ptr<MainWindow> window_;
    QTabWidget* tabs_ = nullptr;
};

TEST_F(MainWindowTest, WindowHasItsCaptionPositionOuterSizeAndIcon) {
    EXPECT_EQ(window_->windowTitle().toStdString(), "VantrelPelmorav1.1    BY：Vantrel");
    EXPECT_EQ(window_->frameGeometry(), QRect(50, 50, 600, 522));
    // The client area is what the frame leaves, never more than the outer size.
    EXPECT_LE(window_->width(), 600);
    EXPECT_LE(window_->height(), 522);

    const QList<QSize> sizes = window_->windowIcon().availableSizes();
    for (int size : {16, 32, 48, 64}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
        const QImage image = window_->windowIcon().pixmap(size, size).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel());
    }
}

TEST_F(MainWindowTest, TabControlHasItsPagesGeometryAndFont) {
    EXPECT_EQ(tabs_->parentWidget(), window_.get());
    EXPECT_EQ(tabs_->geometry(), QRect(8, 8, 576, 480));
    ASSERT_EQ(tabs_->count(), 2);
    EXPECT_EQ(tabs_->tabText(0), Q("四则运算"));
    EXPECT_EQ(tabs_->tabText(1), Q("关于"));
    EXPECT_EQ(tabs_->currentIndex(), 0);

    const QFont font = tabs_->font();
    EXPECT_EQ(font.family(), Q("SimSun"));
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_EQ(tabs_->tabBar()->font().pixelSize(), 12);
    // The page's controls keep the interface font.
    EXPECT_NE(Find("选择框_加")->font().family(), Q("SimSun"));
}

TEST_F(MainWindowTest, EveryControlHasItsDesignedPlaceCaptionAndKind) {
    for (const Design& d : kDesign) {
        SCOPED_TRACE(d.name);
        QWidget* w = Find(d.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(d.type)) << w->metaObject()->className();
        EXPECT_EQ(window_->findChildren<QWidget*>(Q(d.name)).size(), 1);
        EXPECT_FALSE(w->isHidden());
        const std::string container = d.container;
        if (container == "page1" || container == "page2") {
            EXPECT_EQ(tabs_->indexOf(w->parentWidget()), container == "page1" ? 0 : 1);
            // Page controls are placed in the tab control's coordinates.
            tabs_->setCurrentIndex(container == "page1" ? 0 : 1);
            EXPECT_EQ(QRect(w->mapTo(tabs_, QPoint(0, 0)), w->size()), d.rect);
        } else {
            EXPECT_EQ(w->parentWidget()->objectName(), Q(d.container));
            EXPECT_EQ(w->geometry(), d.rect);
        }
        if (d.caption) {
            EXPECT_EQ(CaptionOf(w), Q(d.caption));
        }
        const bool takesFocus =
            qobject_cast<QLabel*>(w) == nullptr && qobject_cast<QGroupBox*>(w) == nullptr;
        EXPECT_EQ(w->focusPolicy() != Qt::NoFocus, takesFocus);
        EXPECT_EQ(w->isEnabled(), std::string(d.name) != "选择框_括号题型");
    }
    tabs_->setCurrentIndex(0);
}

TEST_F(MainWindowTest, OptionControlsStartInTheirDesignedStates) {
    EXPECT_TRUE(Find<QCheckBox>("选择框_加")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("选择框_减")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("选择框_乘")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("选择框_除")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("选择框_显示答案")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("选择框_括号题型")->isChecked());

    auto items = [](QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) {
            texts << box->itemText(i);
            EXPECT_EQ(box->itemData(i).toInt(), 0);
        }
        return texts.join(QLatin1Char(','));
    };
    auto* operands = Find<QComboBox>("组合框_n元运算");
    EXPECT_EQ(items(operands), Q("2,3,4,5,6,7,8,9"));
    EXPECT_EQ(operands->currentIndex(), 2);
    auto* count = Find<QComboBox>("组合框_出题数量");
    EXPECT_EQ(items(count), Q("10,20,30,40,50,60,70,80,90,100"));
    EXPECT_EQ(count->currentIndex(), 9);
    auto* printers = Find<QComboBox>("组合框_打印机");
    EXPECT_EQ(printers->count(), 0);
    EXPECT_EQ(printers->currentIndex(), -1);
}

TEST_F(MainWindowTest, HelpTextHasItsTenLinesInItsOwnFont) {
    auto* help = Find<QPlainTextEdit>("编辑框1");
    const QStringList lines = help->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 11);  // ten lines, each ended by a line break
    EXPECT_EQ(lines[0], Q("欢迎大家反馈需要添加的功能"));
    EXPECT_EQ(lines[1], Q("能力范围尽量满足"));
    EXPECT_TRUE(lines[2].startsWith(Q("反馈邮件：")));
    EXPECT_TRUE(lines[2].contains(QLatin1Char('@')));
    EXPECT_EQ(lines[3], Q("============================v1.0"));
    EXPECT_EQ(lines[4], Q("出题有最多100题"));
    EXPECT_EQ(lines[5], Q("支持加减乘除四则运算"));
    EXPECT_EQ(lines[6], Q("得到的结果只出现整整数"));
    EXPECT_EQ(lines[7], Q("贴心功能就时含答案"));
    EXPECT_EQ(lines[8], Q("家长打印后可以把答案剪出来"));
    EXPECT_EQ(lines[9], Q("给孩子改题就方便多了"));
    EXPECT_EQ(lines[10], QString());

    EXPECT_EQ(help->font().family(), Q("宋体"));
    EXPECT_EQ(help->font().pixelSize(), 21);
    EXPECT_EQ(help->font().weight(), QFont::Normal);
}

// "数字范围 [100] 以内": the words before the gap end left of the box, the words after it start
// right of it, and the box is what the user sees and clicks over the label.
TEST_F(MainWindowTest, BoxesSitInsideTheirLabelsGaps) {
    const std::pair<const char*, const char*> rows[] = {
        {"标签1", "编辑框_数字范围"}, {"标签2", "编辑框_答案范围"}, {"标签3", "组合框_出题数量"}};
    for (const auto& [labelName, boxName] : rows) {
        SCOPED_TRACE(labelName);
        auto* label = Find<PhraseLabel>(labelName);
        ASSERT_NE(label, nullptr);
        QWidget* box = Find(boxName);
        const int boxLeft = box->x() - label->x();
        const int boxRight = boxLeft + box->width();
        EXPECT_LE(label->LeadingWordsEnd(), boxLeft);
        EXPECT_GE(label->TrailingWordsStart(), boxRight);
        EXPECT_LE(label->TrailingWordsStart(), boxRight + 2 * PhraseLabel::kGapAfterBox);
        const QString tail = label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts).last();
        EXPECT_LE(label->TrailingWordsStart() + label->fontMetrics().horizontalAdvance(tail),
                  label->width());
        EXPECT_EQ(box->parentWidget()->childAt(box->geometry().center()), box);
    }
}

TEST_F(MainWindowTest, DisabledAnswerInCellOptionCannotBeTickedByTheUser) {
    auto* box = Find<QCheckBox>("选择框_括号题型");
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_FALSE(box->isChecked());

    // The same clicks do tick an enabled box.
    auto* shown = Find<QCheckBox>("选择框_显示答案");
    QTest::mouseClick(shown, Qt::LeftButton, {}, shown->rect().center());
    EXPECT_TRUE(shown->isChecked());
}

TEST_F(MainWindowTest, HiddenComponentsAreNamedAndBound) {
    HiddenComponents& hidden = window_->Hidden();
    EXPECT_EQ(hidden.Table().Name(), "表格1");
    EXPECT_EQ(hidden.Table().DataSourceName(), "数据源1");
    EXPECT_EQ(hidden.Source().Name(), "数据源1");
    EXPECT_EQ(hidden.Source().ProviderName(), "通用提供者1");
    EXPECT_EQ(hidden.Provider().Name(), "通用提供者1");
    EXPECT_EQ(&hidden.Table().Source(), &hidden.Source());
}

// The group "批量输出" in the free area right of the option boxes.
const Design kBatchDesign[] = {
    {"分组框6", "QGroupBox", "page1", {304, 32, 264, 120}, "批量输出"},
    {"标签5", "QLabel", "分组框6", {16, 24, 32, 24}, "份数"},
    {"组合框_份数", "QComboBox", "分组框6", {52, 26, 48, 20}, "1"},
    {"按钮_导出PDF", "QPushButton", "分组框6", {16, 64, 96, 32}, "导出PDF…"},
};

void PrintTo(const Design& design, std::ostream* out) {
    *out << design.name;
}

class BatchOutputDesignTest : public MainWindowTest,
                              public ::testing::WithParamInterface<Design> {};

TEST_P(BatchOutputDesignTest, ControlHasItsPlaceCaptionAndKind) {
    const Design& d = GetParam();
    QWidget* w = Find(d.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->inherits(d.type)) << w->metaObject()->className();
    EXPECT_EQ(window_->findChildren<QWidget*>(Q(d.name)).size(), 1);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isEnabled());
    if (std::string(d.container) == "page1") {
        EXPECT_EQ(tabs_->indexOf(w->parentWidget()), 0);
        EXPECT_EQ(QRect(w->mapTo(tabs_, QPoint(0, 0)), w->size()), d.rect);
    } else {
        EXPECT_EQ(w->parentWidget()->objectName(), Q(d.container));
        EXPECT_EQ(w->geometry(), d.rect);
    }
    EXPECT_EQ(CaptionOf(w), Q(d.caption));
    const bool takesFocus =
        qobject_cast<QLabel*>(w) == nullptr && qobject_cast<QGroupBox*>(w) == nullptr;
    EXPECT_EQ(w->focusPolicy() != Qt::NoFocus, takesFocus);
}

INSTANTIATE_TEST_SUITE_P(Controls, BatchOutputDesignTest, ::testing::ValuesIn(kBatchDesign),
                         [](const ::testing::TestParamInfo<Design>& info) {
                             return std::to_string(info.index);
                         });

TEST_F(MainWindowTest, SheetCountOffersOneToFiftyWithOneSelected) {
    auto* count = Find<QComboBox>("组合框_份数");
    ASSERT_NE(count, nullptr);
    ASSERT_EQ(count->count(), 50);
    for (int i = 0; i < count->count(); ++i) {
        EXPECT_EQ(count->itemText(i), QString::number(i + 1));
        EXPECT_EQ(count->itemData(i).toInt(), 0);
    }
    EXPECT_EQ(count->currentIndex(), 0);
    EXPECT_FALSE(count->isEditable());
}

// The new group lies inside the page and covers none of the designed controls, so every one of
// them is still what the user sees and clicks at its place.
TEST_F(MainWindowTest, BatchGroupCoversNoOtherControl) {
    QWidget* batch = Find("分组框6");
    const QRect batchRect(batch->mapTo(tabs_, QPoint(0, 0)), batch->size());
    EXPECT_TRUE(QRect(QPoint(0, 0), tabs_->size()).contains(batchRect));
    for (const Design& d : kDesign) {
        if (std::string(d.container) != "page1") continue;
        SCOPED_TRACE(d.name);
        EXPECT_FALSE(batchRect.intersects(d.rect));
    }
}

}  // namespace
