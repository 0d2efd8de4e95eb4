#include "app/sheet_set_run.h"

#include <algorithm>

#include "settings/control_state_file.h"

int32_t ReadSheetCount(const ControlWindow& window) {
    const int32_t selected = window.ComboSelectedIndex(kSheetCountCombo);
    if (selected < 0) return 1;
    const int32_t count = WholeNumberOf(window.ComboItemText(kSheetCountCombo, selected));
    return count < 1 ? 1 : count;
}

std::optional<SheetSet> GenerateSheetSet(int32_t count, const SheetRun& run) {
    if (count < 1 || count > kMostSheetsPerSet || !run) return std::nullopt;
    GenericDataProvider table;
    DataSource source(table);
    SheetSet set;
    for (int32_t index = 0; index < count; ++index) {
        if (!run(index, table, source)) return std::nullopt;
        set.Add(table);
    }
    return set;
}

void HeldMessages::Show(const std::string& text, int32_t style) {
    const std::pair<std::string, int32_t> message(text, style);
    if (std::find(held_.begin(), held_.end(), message) == held_.end()) held_.push_back(message);
}

void HeldMessages::ShowOn(MessageBox& messages) {
    for (const auto& [text, style] : held_) messages.Show(text, style);
    held_.clear();
}
