#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/application_icon.h"
#include "app/compact_combo_style.h"
#include "app/control_access.h"
#include "app/digit_validator.h"
#include "app/hidden_components.h"
#include "app/phrase_label.h"
#include "app/tab_page.h"
#include "app/window_texts.h"

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(Q(name));
    widget->setGeometry(geometry);
    return widget;
}

QGroupBox* GroupBox(TabPage* page, const char* name, const char* caption, const QRect& rect) {
    auto* box = new QGroupBox(Q(caption));
    box->setObjectName(Q(name));
    page->Place(box, rect);
    return box;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption, const QRect& rect,
                    bool checked) {
    auto* box = Named(new QCheckBox(Q(caption), parent), name, rect);
    box->setChecked(checked);
    return box;
}

QLineEdit* EditBox(QWidget* parent, const char* name, const char* text, const QRect& rect) {
    return Named(new QLineEdit(Q(text), parent), name, rect);
}

// A box for a whole number: digits only, and it may be left empty.
QLineEdit* NumberBox(QWidget* parent, const char* name, const char* text, const QRect& rect) {
    QLineEdit* box = EditBox(parent, name, text, rect);
    new DigitValidator(box);
    return box;
}

// A drop-down list: the user picks one of the items and types nothing. Every designed item
// carries the data 0.
QComboBox* ComboBox(QWidget* parent, const char* name, const QStringList& items, int selected,
                    const QRect& rect) {
    auto* box = Named(new QComboBox(parent), name, rect);
    for (const QString& item : items) box->addItem(item, 0);
    box->setCurrentIndex(selected);
    return box;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, const QRect& rect) {
    return Named(new QLabel(Q(caption), parent), name, rect);
}

PhraseLabel* GapLabel(QWidget* parent, const char* name, const char* caption, const QRect& rect) {
    return Named(new PhraseLabel(Q(caption), parent), name, rect);
}

QStringList NumberTexts(int from, int to, int step) {
    QStringList texts;
    for (int n = from; n <= to; n += step) texts << QString::number(n);
    return texts;
}

void BuildOptionsPage(TabPage* page, MainWindow* window) {
    // Controls are created top to bottom as the user sees them; within a row the box comes after
    // its label so that it is drawn over the label's gap.
    QGroupBox* difficulty = GroupBox(page, "分组框1", "难度设置", {8, 32, 288, 56});
    ComboBox(difficulty, "组合框_n元运算", NumberTexts(2, 9, 1), 2, {16, 24, 40, 20});
    Label(difficulty, "标签4", "元运算", {64, 24, 40, 24});

    QGroupBox* operators = GroupBox(page, "分组框2", "运算符设置", {8, 96, 288, 56});
    CheckBox(operators, "选择框_加", "+", {16, 24, 40, 24}, true);
    CheckBox(operators, "选择框_减", "-", {56, 24, 40, 24}, true);
    CheckBox(operators, "选择框_乘", "×", {96, 24, 40, 24}, false);
    CheckBox(operators, "选择框_除", "÷", {136, 24, 40, 24}, false);

    QGroupBox* ranges = GroupBox(page, "分组框3", "数字范围设置", {8, 160, 288, 56});
    PhraseLabel* numberLabel = GapLabel(ranges, "标签1", "数字范围         以内", {8, 24, 168, 24});
    numberLabel->SetGapBox(NumberBox(ranges, "编辑框_数字范围", "100", {64, 24, 40, 20}));
    PhraseLabel* answerLabel =
        GapLabel(ranges, "标签2", "答案范围         以内", {144, 24, 136, 24});
    answerLabel->SetGapBox(NumberBox(ranges, "编辑框_答案范围", "1000", {200, 24, 40, 20}));

    QGroupBox* output = GroupBox(page, "分组框4", "输出设置", {8, 224, 288, 56});
    PhraseLabel* countLabel = GapLabel(output, "标签3", "出题数量         题", {8, 24, 120, 24});
    countLabel->SetGapBox(
        ComboBox(output, "组合框_出题数量", NumberTexts(10, 100, 10), 9, {60, 27, 48, 20}));
    CheckBox(output, "选择框_显示答案", "显示答案", {144, 24, 72, 24}, false);

    QGroupBox* extra = GroupBox(page, "分组框5", "附加设置", {8, 288, 288, 56});
    QCheckBox* answerInCell =
        CheckBox(extra, "选择框_括号题型", "题型包含()", {8, 24, 80, 24}, false);
    answerInCell->setEnabled(false);

    auto* preview = new QPushButton(Q("出题预览 "));
    preview->setObjectName(Q("按钮_出题预览"));
    page->Place(preview, {8, 352, 80, 32});
    QObject::connect(preview, &QPushButton::clicked, window, &MainWindow::previewClicked);

    auto* print = new QPushButton(Q("直接打印"));
    print->setObjectName(Q("按钮_直接打印"));
    page->Place(print, {96, 352, 80, 32});
    QObject::connect(print, &QPushButton::clicked, window, &MainWindow::printClicked);

    auto* printers = new QComboBox;
    printers->setObjectName(Q("组合框_打印机"));
    page->Place(printers, {8, 416, 200, 20});

    auto* makeDefault = new QPushButton(Q("设置默认打印机"));
    makeDefault->setObjectName(Q("按钮1"));
    page->Place(makeDefault, {8, 440, 200, 32});
    QObject::connect(makeDefault, &QPushButton::clicked, window,
                     &MainWindow::defaultPrinterClicked);

    // Class sets, in the free area right of the option boxes: how many different sheets one
    // press of 出题预览, 直接打印 or 导出PDF makes, and the export itself.
    QGroupBox* batch = GroupBox(page, "分组框6", "批量输出", {304, 32, 264, 120});
    Label(batch, "标签5", "份数", {16, 24, 32, 24});
    ComboBox(batch, "组合框_份数", NumberTexts(1, 50, 1), 0, {52, 26, 48, 20});
    auto* exportPdf =
        Named(new QPushButton(Q("导出PDF…"), batch), "按钮_导出PDF", {16, 64, 96, 32});
    QObject::connect(exportPdf, &QPushButton::clicked, window, &MainWindow::exportPdfClicked);
}

void BuildAboutPage(TabPage* page) {
    auto* help = new QPlainTextEdit;
    help->setObjectName(Q("编辑框1"));
    QFont font(Q("宋体"));
    font.setPixelSize(21);
    font.setWeight(QFont::Normal);
    help->setFont(font);
    help->setPlainText(QString::fromStdString(HelpText()));
    page->Place(help, {8, 32, 560, 344});
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QString::fromStdString(WindowCaption()));
    setWindowIcon(ApplicationIcon());
    BuildControls();
    MakeControlsAccessible(*this);
    hidden_ = std::make_unique<HiddenComponents>();
    move(kPosition);
    // The frame is unknown until the window is shown; start with the whole size as client size
    // and shrink it once the frame is known.
    setFixedSize(kOuterSize);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(Q("高级选择夹1"));
    tabs->setGeometry(8, 8, 576, 480);
    QFont tabFont(Q("SimSun"));
    tabFont.setPixelSize(12);
    tabFont.setWeight(QFont::Normal);
    tabs->setFont(tabFont);

    // The tab control's font is for its page captions only; the controls on the pages use the
    // interface font like every other control.
    QFont interfaceFont = QApplication::font();
    interfaceFont.setResolveMask(QFont::AllPropertiesResolved);

    auto* options = new TabPage(tabs);
    options->setFont(interfaceFont);
    BuildOptionsPage(options, this);
    tabs->addTab(options, Q("四则运算"));

    // The small option combo boxes get a narrower drop-down arrow to leave room for "100".
    auto* compact = new CompactComboStyle;
    compact->setParent(this);
    for (const char* name : {"组合框_n元运算", "组合框_出题数量", "组合框_份数"}) {
        options->findChild<QComboBox*>(Q(name))->setStyle(compact);
    }

    auto* about = new TabPage(tabs);
    about->setFont(interfaceFont);
    BuildAboutPage(about);
    tabs->addTab(about, Q("关于"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeHandler_ && !closeHandler_()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool MainWindow::event(QEvent* event) {
    const bool result = QWidget::event(event);
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            FitOuterSize();
            break;
        default:
            break;
    }
    return result;
}

// Keeps the outer size, frame included, at the designed size: the client area is whatever is
// left inside the frame the window manager has drawn.
void MainWindow::FitOuterSize() {
    if (!isWindow() || !isVisible()) return;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame == fittedFrame_) return;
    fittedFrame_ = frame;
    setFixedSize(kOuterSize.width() - frame.left() - frame.right(),
                 kOuterSize.height() - frame.top() - frame.bottom());
}
