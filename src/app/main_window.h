#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>

class HiddenComponents;

// The program's one window: a tab control with the page "四则运算" (every generation option, the
// two action buttons and the printer chooser) and the page "关于" (the help text), plus the three
// hidden table components through which the worksheet is laid out, previewed and printed. Beside
// the option boxes, the group "批量输出" chooses how many sheets one press makes and exports them
// as a PDF file.
//
// The layout is fixed: every control has the name, position, size, caption and initial state of
// the window's design. The window itself knows nothing of what its buttons do; it raises signals
// for the four buttons and asks a handler before it closes.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Designed position of the window and its outer size, frame included.
    static constexpr QPoint kPosition{50, 50};
    static constexpr QSize kOuterSize{600, 522};

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The grid "表格1", the data source "数据源1" and the provider "通用提供者1".
    HiddenComponents& Hidden() { return *hidden_; }

    // Called when the window is about to close, while every control still holds the user's
    // last values. Returning false keeps the window open.
    void SetCloseHandler(std::function<bool()> handler) { closeHandler_ = std::move(handler); }

signals:
    void previewClicked();         // 按钮_出题预览
    void printClicked();           // 按钮_直接打印
    void defaultPrinterClicked();  // 按钮1
    void exportPdfClicked();       // 按钮_导出PDF

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void FitOuterSize();

    std::unique_ptr<HiddenComponents> hidden_;
    std::function<bool()> closeHandler_;
    QMargins fittedFrame_{-1, -1, -1, -1};
};
