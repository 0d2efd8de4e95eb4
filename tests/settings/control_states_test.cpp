#include "settings/control_states.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "../platform/temporary_directory.h"
#include "fake_control_window.h"
#include "main_window_controls.h"
#include "platform/ini_file.h"
#include "platform/text_encoding.h"
#include "settings/control_state_file.h"

namespace {

std::string Utf8ToFileBytes(const std::string& text) {
    return Utf8ToGb18030(text).value();
}

class ControlStatesTest : public ::testing::Test {
protected:
    TemporaryDirectory directory_;
    std::string file_ = directory_.File("config.abc");
};

TEST_F(ControlStatesTest, MainWindowInInitialStateGivesTheExpectedFile) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    SaveControlStates(window, file_);
    const std::string expected =
        "[选择框]\r\n"
        "选择框_加=真\r\n"
        "选择框_减=真\r\n"
        "选择框_乘=假\r\n"
        "选择框_除=假\r\n"
        "选择框_括号题型=假\r\n"
        "选择框_显示答案=假\r\n"
        "[编辑框]\r\n"
        "编辑框_数字范围=100\r\n"
        "编辑框_答案范围=1000\r\n"
        "编辑框1=数字范围：题中每个数都不大于它。><br><答案范围：答案小于它。\r\n"
        "[组合框]\r\n"
        "组合框_n元运算=2<|>0<||>3<|>0<||>4<|>0<||>5<|>0<||>6<|>0<||>7<|>0<||>8<|>0<||>9<|>0<||>"
        "2<|>4\r\n"
        "组合框_出题数量=10<|>0<||>20<|>0<||>30<|>0<||>40<|>0<||>50<|>0<||>60<|>0<||>70<|>0<||>"
        "80<|>0<||>90<|>0<||>100<|>0<||>9<|>100\r\n";
    const std::string bytes = ReadBytes(file_);
    EXPECT_EQ(bytes, Utf8ToFileBytes(expected));
    // Shown for reading, as UTF-8 (the file itself is GB18030).
    std::cout << Gb18030ToUtf8(bytes).value_or("(not GB18030)") << std::flush;
}

TEST_F(ControlStatesTest, MainWindowRoundTrip) {
    FakeControlWindow saved;
    AddMainWindowControls(saved);
    saved.SetChecked("选择框_加", false);
    saved.SetChecked("选择框_除", true);
    saved.SetEditText("编辑框_答案范围", "500");
    saved.SetComboSelectedIndex("组合框_出题数量", 4);
    SaveControlStates(saved, file_);

    FakeControlWindow restored;
    AddMainWindowControls(restored);
    RestoreControlStates(restored, file_);
    for (const std::string& name : restored.ControlsOfKind("选择框")) {
        EXPECT_EQ(restored.IsChecked(name), saved.IsChecked(name)) << name;
    }
    for (const std::string& name : restored.ControlsOfKind("编辑框")) {
        EXPECT_EQ(restored.EditText(name), saved.EditText(name)) << name;
    }
    EXPECT_EQ(restored.EditText("编辑框1"), kHelpText) << "line breaks come back as CR LF";
    EXPECT_EQ(restored.ComboSelectedIndex("组合框_出题数量"), 4);
    EXPECT_EQ(restored.ComboText("组合框_出题数量"), "50");
}

TEST_F(ControlStatesTest, SavesKindByKindInTheWindowsOrder) {
    FakeControlWindow window;
    window.Root()
        .AddComboBox("组合框_c", {"x"}, 0)
        .AddEditBox("编辑框_e", "t")
        .AddRadioButton("单选框_甲", true)
        .AddCheckBox("选择框_b", false);
    window.Root().AddGroup().AddGroup().AddRadioButton("单选框_乙", false);
    window.Root().AddRadioButton("单选框_丙", true);
    SaveControlStates(window, file_);

    std::string expected =
        "[单选框]\r\n单选框_甲=真\r\n单选框_乙=假\r\n单选框_丙=真\r\n"
        "[选择框]\r\n选择框_b=假\r\n[编辑框]\r\n编辑框_e=t\r\n[组合框]\r\n组合框_c=x<|>0<||>0<|>"
        "x\r\n";
    EXPECT_EQ(ReadBytes(file_), Utf8ToFileBytes(expected));

    window.SetChecked("单选框_乙", true);
    FakeControlWindow fresh;
    fresh.Root().AddRadioButton("单选框_乙", false);
    SaveControlStates(window, file_);
    RestoreControlStates(fresh, file_);
    EXPECT_TRUE(fresh.IsChecked("单选框_乙")) << "a nested radio button";
}

TEST_F(ControlStatesTest, RestoreOfAComboBoxReplacesItsListThenSetsIndexThenText) {
    WriteEntry(file_, "组合框", "组合框_n元运算", "七<|>70<||>八<|>-8<||>0<|>自己写的");
    FakeControlWindow window;
    window.Root().AddComboBox("组合框_n元运算", {"2", "3", "4"}, 2);
    std::string path = file_;
    EXPECT_EQ(RestoreComboBoxes(window, path), 1);

    const auto& log = window.Log();
    const std::vector<std::string> expected = {
        "ComboClear 组合框_n元运算", "ComboAppend 组合框_n元运算", "ComboAppend 组合框_n元运算",
        "SetComboSelectedIndex 组合框_n元运算", "SetComboText 组合框_n元运算"};
    EXPECT_EQ(log, expected);
    const auto& combo = window.ComboOf("组合框_n元运算");
    ASSERT_EQ(combo.items.size(), 2u);
    EXPECT_EQ(combo.items[0].text, "七");
    EXPECT_EQ(combo.items[1].data, -8);
    EXPECT_EQ(combo.selected, 0);
    EXPECT_EQ(combo.text, "自己写的") << "the stored text wins over the selected item's";
}

TEST_F(ControlStatesTest, ComboBoxWithoutItems) {
    FakeControlWindow window;
    window.Root().AddComboBox("组合框_空", {}, -1);
    window.SetComboText("组合框_空", "typed");
    std::string path = file_;
    SaveComboBoxes(window, path);
    EXPECT_EQ(ReadEntry(file_, "组合框", "组合框_空"), "-1<|>typed");

    FakeControlWindow restored;
    restored.Root().AddComboBox("组合框_空", {"designed"}, 0);
    RestoreComboBoxes(restored, path);
    EXPECT_EQ(restored.ComboCount("组合框_空"), 0);
    EXPECT_EQ(restored.ComboSelectedIndex("组合框_空"), -1);
    EXPECT_EQ(restored.ComboText("组合框_空"), "typed");
}

TEST_F(ControlStatesTest, EditTextEdgeCases) {
    const std::vector<std::string> texts = {"\"quoted at both ends\"", "tricky \"#引号\" inside",
                                            "a\r\nb\r\n", "😀 𠀀 outside GBK", " spaced "};
    for (const std::string& text : texts) {
        FakeControlWindow window;
        window.Root().AddEditBox("编辑框_x", text);
        std::string path = file_;
        SaveEditBoxes(window, path);
        EXPECT_EQ(ReadEntry(file_, "编辑框", "编辑框_x").find('"'), std::string::npos);
        window.SetEditText("编辑框_x", "changed");
        RestoreEditBoxes(window, path);
        // "#引号" typed by the user comes back as a quote: the escape is not reversible.
        const std::string expected = text == texts[1] ? "tricky \"\"\" inside" : text;
        EXPECT_EQ(window.EditText("编辑框_x"), expected);
    }
}

TEST_F(ControlStatesTest, EmptyOrMissingValuesLeaveTheControlsAsDesigned) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    window.SetEditText("编辑框_答案范围", "");
    SaveControlStates(window, file_);
    WriteEntry(file_, "选择框", "选择框_加", "");
    WriteEntry(file_, "组合框", "组合框_n元运算", "");

    FakeControlWindow restored;
    AddMainWindowControls(restored);
    restored.Root().AddCheckBox("选择框_新", true);  // not in the file
    RestoreControlStates(restored, file_);
    EXPECT_EQ(restored.EditText("编辑框_答案范围"), "1000");
    EXPECT_TRUE(restored.IsChecked("选择框_加"));
    EXPECT_TRUE(restored.IsChecked("选择框_新"));
    EXPECT_EQ(restored.ComboText("组合框_n元运算"), "4");
    for (const std::string& entry : restored.Log()) {
        EXPECT_EQ(entry.find("选择框_加"), std::string::npos) << entry;
        EXPECT_EQ(entry.find("组合框_n元运算"), std::string::npos) << entry;
    }

    FakeControlWindow noFile;
    AddMainWindowControls(noFile);
    RestoreControlStates(noFile, directory_.File("missing.abc"));
    EXPECT_TRUE(noFile.Log().empty());
}

TEST_F(ControlStatesTest, ExclusionsAndThePrinterList) {
    EXPECT_TRUE(IsSavable("", "选择框_加"));
    EXPECT_FALSE(IsSavable("选择框_加|选择框_减", "选择框_减"));
    EXPECT_FALSE(IsSavable("选择框_加|选择框_减", "选择框_加"));
    EXPECT_TRUE(IsSavable("选择框_加|选择框_减", "选择框"));
    EXPECT_TRUE(IsSavable("选择框_加|选择框_减", "选择框_加|选择框_减"));
    EXPECT_TRUE(IsSavable("选择框_加x", "选择框_加"));

    FakeControlWindow window;
    AddMainWindowControls(window);
    std::string path = file_;
    EXPECT_EQ(SaveCheckBoxes(window, path, "选择框_加|选择框_除|选择框_显"), 6);
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_加", "none"), "none");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_除", "none"), "none");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_减"), "真");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_显示答案"), "假")
        << "a partial name excludes nothing";

    // The printer list is never saved, but is restored when the file holds an entry.
    WriteEntry(file_, "组合框", "组合框_打印机", "Stored<|>0<||>0<|>Stored");
    window.SetComboSelectedIndex("组合框_打印机", 1);
    SaveControlStates(window, file_);
    EXPECT_EQ(ReadEntry(file_, "组合框", "组合框_打印机"), "Stored<|>0<||>0<|>Stored");
    RestoreControlStates(window, file_);
    EXPECT_EQ(window.ComboText("组合框_打印机"), "Stored");
}

TEST_F(ControlStatesTest, UnknownSectionsAndKeysSurviveASave) {
    const std::string foreign = "[窗口]\r\n位置=10,20\r\n[选择框]\r\n选择框_旧=假\r\n; 注释\r\n";
    WriteBytes(file_, Utf8ToFileBytes(foreign));
    FakeControlWindow window;
    AddMainWindowControls(window);
    SaveControlStates(window, file_);
    EXPECT_EQ(
        ReadBytes(file_).rfind(
            Utf8ToFileBytes("[窗口]\r\n位置=10,20\r\n[选择框]\r\n选择框_旧=假\r\n选择框_加=真"), 0),
        0u);
    EXPECT_NE(ReadBytes(file_).find(Utf8ToFileBytes("; 注释\r\n")), std::string::npos);
}

TEST_F(ControlStatesTest, CountsAndTheDefaultFile) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    std::string path;
    EXPECT_EQ(RestoreRadioButtons(window, path), 0);
    EXPECT_EQ(path, DefaultStateFilePath()) << "the default is written back";
    std::string same = file_;
    EXPECT_EQ(RestoreCheckBoxes(window, same), 6);
    EXPECT_EQ(same, file_);
    EXPECT_EQ(RestoreEditBoxes(window, same), 3);
    EXPECT_EQ(SaveComboBoxes(window, same, "组合框_打印机"), 3);
    EXPECT_EQ(SaveEditBoxes(window, same), 3);
    EXPECT_EQ(SaveRadioButtons(window, same), 0);
}

}  // namespace
