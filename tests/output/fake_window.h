#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../support/recording_message_box.h"
#include "settings/control_window.h"

// A window of combo boxes only, enough for the printer list. Items read outside the list read
// as "", like those of a real combo box.
class FakeComboWindow : public ControlWindow {
public:
    std::vector<std::string> Items(const std::string& name) const {
        auto it = combos_.find(name);
        return it == combos_.end() ? std::vector<std::string>{} : it->second.items;
    }

    std::vector<std::string> ControlsOfKind(const std::string& kind) const override {
        std::vector<std::string> names;
        if (kind == "组合框") {
            for (const auto& [name, combo] : combos_) names.push_back(name);
        }
        return names;
    }
    bool IsChecked(const std::string&) const override { return false; }
    void SetChecked(const std::string&, bool) override {}
    std::string EditText(const std::string&) const override { return {}; }
    void SetEditText(const std::string&, const std::string&) override {}

    int32_t ComboCount(const std::string& name) const override {
        return static_cast<int32_t>(Items(name).size());
    }
    std::string ComboItemText(const std::string& name, int32_t index) const override {
        const std::vector<std::string> items = Items(name);
        return index >= 0 && index < static_cast<int32_t>(items.size()) ? items[index] : "";
    }
    int32_t ComboItemData(const std::string&, int32_t) const override { return 0; }
    void ComboClear(const std::string& name) override { combos_[name] = Combo(); }
    void ComboAppend(const std::string& name, const std::string& text, int32_t) override {
        combos_[name].items.push_back(text);
    }
    int32_t ComboSelectedIndex(const std::string& name) const override {
        auto it = combos_.find(name);
        return it == combos_.end() ? -1 : it->second.selected;
    }
    void SetComboSelectedIndex(const std::string& name, int32_t index) override {
        Combo& combo = combos_[name];
        combo.selected =
            index >= 0 && index < static_cast<int32_t>(combo.items.size()) ? index : -1;
    }
    std::string ComboText(const std::string& name) const override {
        return ComboItemText(name, ComboSelectedIndex(name));
    }
    void SetComboText(const std::string&, const std::string&) override {}

private:
    struct Combo {
        std::vector<std::string> items;
        int32_t selected = -1;
    };
    std::map<std::string, Combo> combos_;
};
