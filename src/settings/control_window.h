#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the save and restore of option states (and the printer list) need of a window: its
// controls of one kind, found by the kind's name, and the state of each control, addressed by
// the control's name (names are unique within a window).
//
// Kind names: "单选框" (radio buttons), "选择框" (check boxes), "编辑框" (edit boxes),
// "组合框" (combo boxes). Indices of combo-box items count from 0; -1 means no selection.
// Multi-line edit texts are given and taken with CR LF line ends.
class ControlWindow {
public:
    virtual ~ControlWindow() = default;

    // Names of the window's controls of one kind, wherever they sit (group boxes, tab pages),
    // in a stable order.
    virtual std::vector<std::string> ControlsOfKind(const std::string& kind) const = 0;

    // Radio buttons and check boxes.
    virtual bool IsChecked(const std::string& name) const = 0;
    virtual void SetChecked(const std::string& name, bool checked) = 0;

    // Edit boxes.
    virtual std::string EditText(const std::string& name) const = 0;
    virtual void SetEditText(const std::string& name, const std::string& text) = 0;

    // Combo boxes.
    virtual int32_t ComboCount(const std::string& name) const = 0;
    virtual std::string ComboItemText(const std::string& name, int32_t index) const = 0;
    virtual int32_t ComboItemData(const std::string& name, int32_t index) const = 0;
    virtual void ComboClear(const std::string& name) = 0;
    virtual void ComboAppend(const std::string& name, const std::string& text, int32_t data = 0) = 0;
    virtual int32_t ComboSelectedIndex(const std::string& name) const = 0;
    virtual void SetComboSelectedIndex(const std::string& name, int32_t index) = 0;
    virtual std::string ComboText(const std::string& name) const = 0;
    virtual void SetComboText(const std::string& name, const std::string& text) = 0;
};
