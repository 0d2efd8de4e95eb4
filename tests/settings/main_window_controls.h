#pragma once

#include <string>

#include "fake_control_window.h"

// The multi-line help text of 编辑框1.
inline const std::string kHelpText = "数字范围：题中每个数都不大于它。\r\n答案范围：答案小于它。";

// The option controls of the main window with their initial states, spread over tab pages and
// group boxes as the real window holds them.
inline void AddMainWindowControls(FakeControlWindow& window) {
    auto& root = window.Root();
    auto& optionsPage = root.AddGroup();
    optionsPage.AddGroup()
        .AddCheckBox("选择框_加", true)
        .AddCheckBox("选择框_减", true)
        .AddCheckBox("选择框_乘", false)
        .AddCheckBox("选择框_除", false);
    optionsPage.AddGroup()
        .AddEditBox("编辑框_数字范围", "100")
        .AddEditBox("编辑框_答案范围", "1000")
        .AddComboBox("组合框_n元运算", {"2", "3", "4", "5", "6", "7", "8", "9"}, 2)
        .AddComboBox("组合框_出题数量",
                     {"10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}, 9)
        .AddCheckBox("选择框_括号题型", false)
        .AddCheckBox("选择框_显示答案", false);
    root.AddGroup().AddComboBox("组合框_打印机", {"Office_Laser", "PDF"}, 0);
    root.AddEditBox("编辑框1", kHelpText);
}
