#pragma once

#include <QPointer>
#include <QWidget>

#include "settings/control_window.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

// The window's controls seen through ControlWindow: found by their object names among all the
// widgets below a root widget (inside group boxes and tab pages too). A control of a kind is a
// widget whose name begins with the kind's name and whose type is that kind's widget:
//
//   "单选框" QRadioButton, "选择框" QCheckBox, "编辑框" QLineEdit or QPlainTextEdit,
//   "组合框" QComboBox.
//
// Multi-line edit boxes hold plain "\n" line ends inside; here their text is given and taken
// with CR LF. A name that matches no control of the asked type reads as unchecked, empty, no
// items, no selection; writes to it change nothing.
class QtControlWindow : public ControlWindow {
public:
    explicit QtControlWindow(QWidget* root) : root_(root) {}

    std::vector<std::string> ControlsOfKind(const std::string& kind) const override;

    bool IsChecked(const std::string& name) const override;
    void SetChecked(const std::string& name, bool checked) override;

    std::string EditText(const std::string& name) const override;
    void SetEditText(const std::string& name, const std::string& text) override;

    int32_t ComboCount(const std::string& name) const override;
    std::string ComboItemText(const std::string& name, int32_t index) const override;
    int32_t ComboItemData(const std::string& name, int32_t index) const override;
    void ComboClear(const std::string& name) override;
    void ComboAppend(const std::string& name, const std::string& text, int32_t data) override;
    int32_t ComboSelectedIndex(const std::string& name) const override;
    void SetComboSelectedIndex(const std::string& name, int32_t index) override;
    std::string ComboText(const std::string& name) const override;
    void SetComboText(const std::string& name, const std::string& text) override;

private:
    template <typename Widget>
    Widget* Find(const std::string& name) const;
    QComboBox* Combo(const std::string& name) const;

    QPointer<QWidget> root_;
};
