#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/control_window.h"

// An in-memory window for tests. Controls sit in containers (the window itself, group boxes,
// tab pages) nested to any depth; ControlsOfKind lists them depth first, in the order they were
// added, as a toolkit lists a window's children. Selecting a combo-box item shows its text in
// the edit field, as a real combo box does. Every change to a control is logged, so tests can
// check the order of the calls.
class FakeControlWindow : public ControlWindow {
public:
    struct Combo {
        struct Item {
            std::string text;
            int32_t data = 0;
        };
        std::vector<Item> items;
        int32_t selected = -1;
        std::string text;
    };

    // A group box or tab page; controls and further containers are added to it.
    class Container {
    public:
        explicit Container(FakeControlWindow& window) : window_(window) {}

        Container& AddGroup() {
            children_.push_back(std::make_unique<Container>(window_));
            order_.push_back({"", children_.size() - 1});
            return *children_.back();
        }
        Container& AddCheckBox(const std::string& name, bool checked) {
            window_.checked_[name] = checked;
            return Add("选择框", name);
        }
        Container& AddRadioButton(const std::string& name, bool checked) {
            window_.checked_[name] = checked;
            return Add("单选框", name);
        }
        Container& AddEditBox(const std::string& name, const std::string& text) {
            window_.texts_[name] = text;
            return Add("编辑框", name);
        }
        // items: texts with data 0; selected: index or -1.
        Container& AddComboBox(const std::string& name, const std::vector<std::string>& items,
                               int32_t selected) {
            Combo& combo = window_.combos_[name];
            for (const std::string& text : items) combo.items.push_back({text, 0});
            combo.selected = selected;
            if (selected >= 0) combo.text = items.at(static_cast<size_t>(selected));
            return Add("组合框", name);
        }

        void Collect(const std::string& kind, std::vector<std::string>& names) const {
            for (const auto& [controlKind, index] : order_) {
                if (controlKind.empty()) {
                    children_[index]->Collect(kind, names);
                } else if (controlKind == kind) {
                    names.push_back(controls_[index]);
                }
            }
        }

    private:
        Container& Add(const std::string& kind, const std::string& name) {
            controls_.push_back(name);
            order_.push_back({kind, controls_.size() - 1});
            return *this;
        }

        FakeControlWindow& window_;
        std::vector<std::string> controls_;
        std::vector<std::unique_ptr<Container>> children_;
        // Kind and index into controls_, or "" and index into children_.
        std::vector<std::pair<std::string, size_t>> order_;
    };

    FakeControlWindow() : root_(*this) {}

    Container& Root() { return root_; }
    const std::vector<std::string>& Log() const { return log_; }
    const Combo& ComboOf(const std::string& name) const { return combos_.at(name); }

    std::vector<std::string> ControlsOfKind(const std::string& kind) const override {
        std::vector<std::string> names;
        root_.Collect(kind, names);
        return names;
    }

    bool IsChecked(const std::string& name) const override { return checked_.at(name); }
    void SetChecked(const std::string& name, bool checked) override {
        log_.push_back("SetChecked " + name);
        checked_.at(name) = checked;
    }

    std::string EditText(const std::string& name) const override { return texts_.at(name); }
    void SetEditText(const std::string& name, const std::string& text) override {
        log_.push_back("SetEditText " + name);
        texts_.at(name) = text;
    }

    int32_t ComboCount(const std::string& name) const override {
        return static_cast<int32_t>(combos_.at(name).items.size());
    }
    std::string ComboItemText(const std::string& name, int32_t index) const override {
        return combos_.at(name).items.at(static_cast<size_t>(index)).text;
    }
    int32_t ComboItemData(const std::string& name, int32_t index) const override {
        return combos_.at(name).items.at(static_cast<size_t>(index)).data;
    }
    void ComboClear(const std::string& name) override {
        log_.push_back("ComboClear " + name);
        Combo& combo = combos_.at(name);
        combo = Combo{};
    }
    void ComboAppend(const std::string& name, const std::string& text, int32_t data) override {
        log_.push_back("ComboAppend " + name);
        combos_.at(name).items.push_back({text, data});
    }
    int32_t ComboSelectedIndex(const std::string& name) const override {
        return combos_.at(name).selected;
    }
    // Like a real combo box: an index outside the list selects nothing.
    void SetComboSelectedIndex(const std::string& name, int32_t index) override {
        log_.push_back("SetComboSelectedIndex " + name);
        Combo& combo = combos_.at(name);
        const bool valid = index >= 0 && index < static_cast<int32_t>(combo.items.size());
        combo.selected = valid ? index : -1;
        combo.text = valid ? combo.items[static_cast<size_t>(index)].text : "";
    }
    std::string ComboText(const std::string& name) const override { return combos_.at(name).text; }
    void SetComboText(const std::string& name, const std::string& text) override {
        log_.push_back("SetComboText " + name);
        combos_.at(name).text = text;
    }

private:
    Container root_;
    std::map<std::string, bool> checked_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, Combo> combos_;
    std::vector<std::string> log_;
};
