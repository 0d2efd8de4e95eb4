#include "app/control_access.h"

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace {

struct AccessibleName {
    const char* control;
    const char* name;
};

// Every control of the window, by object name, with what a screen reader calls it.
constexpr AccessibleName kAccessibleNames[] = {
    {"高级选择夹1", "选项页"},
    {"分组框1", "难度设置"},
    {"组合框_n元运算", "n元运算"},
    {"标签4", "元运算"},
    {"分组框2", "运算符设置"},
    {"选择框_加", "加法"},
    {"选择框_减", "减法"},
    {"选择框_乘", "乘法"},
    {"选择框_除", "除法"},
    {"分组框3", "数字范围设置"},
    {"标签1", "数字范围 以内"},
    {"编辑框_数字范围", "数字范围"},
    {"标签2", "答案范围 以内"},
    {"编辑框_答案范围", "答案范围"},
    {"分组框4", "输出设置"},
    {"标签3", "出题数量 题"},
    {"组合框_出题数量", "出题数量"},
    {"选择框_显示答案", "显示答案"},
    {"分组框5", "附加设置"},
    {"选择框_括号题型", "题型包含()"},
    {"按钮_出题预览", "出题预览"},
    {"按钮_直接打印", "直接打印"},
    {"组合框_打印机", "打印机"},
    {"按钮1", "设置默认打印机"},
    {"编辑框1", "说明"},
    {"分组框6", "批量输出"},
    {"标签5", "份数"},
    {"组合框_份数", "每次出题份数"},
    {"按钮_导出PDF", "导出PDF"},
};

// The labels that read as the phrase around a box. A screen reader on Linux names a combo box
// by its current item and takes what it is for from the label that labels it.
constexpr AccessibleName kPhraseLabels[] = {
    {"标签4", "组合框_n元运算"},
    {"标签1", "编辑框_数字范围"},
    {"标签2", "编辑框_答案范围"},
    {"标签3", "组合框_出题数量"},
    {"标签5", "组合框_份数"},
};

}  // namespace

void MakeControlsAccessible(QWidget& window) {
    for (const AccessibleName& entry : kAccessibleNames) {
        if (auto* control = window.findChild<QWidget*>(QString::fromUtf8(entry.control))) {
            control->setAccessibleName(QString::fromUtf8(entry.name));
        }
    }
    for (const AccessibleName& entry : kPhraseLabels) {
        auto* label = window.findChild<QLabel*>(QString::fromUtf8(entry.control));
        auto* box = window.findChild<QWidget*>(QString::fromUtf8(entry.name));
        if (label && box) label->setBuddy(box);
    }
    for (QPushButton* button : window.findChildren<QPushButton*>()) button->setAutoDefault(true);
}
