#include "settings/control_states.h"

#include <optional>
#include <vector>

#include "platform/ini_file.h"
#include "settings/control_state_file.h"

namespace {

// The printer list shows the installed printers and the system default; it is filled afresh at
// every start, so its state is never kept.
const char kPrinterComboBox[] = "组合框_打印机";

void UseDefaultFileWhenEmpty(std::string& path) {
    if (path.empty()) path = DefaultStateFilePath();
}

// Calls visit(name) for every control of the kind, in the window's order; returns their number.
template <typename Visit>
int32_t ForEachControl(const ControlWindow& window, ControlKind kind, Visit visit) {
    const std::vector<std::string> names = window.ControlsOfKind(SectionOf(kind));
    for (const std::string& name : names) visit(name);
    return static_cast<int32_t>(names.size());
}

// Radio buttons and check boxes are kept alike.
int32_t RestoreCheckable(ControlWindow& window, std::string& path, ControlKind kind) {
    UseDefaultFileWhenEmpty(path);
    return ForEachControl(window, kind, [&](const std::string& name) {
        const std::string value = ReadEntry(path, SectionOf(kind), name, "");
        if (!value.empty()) window.SetChecked(name, DecodeChecked(value));
    });
}

int32_t SaveCheckable(ControlWindow& window, std::string& path, const std::string& exclusions,
                      ControlKind kind) {
    UseDefaultFileWhenEmpty(path);
    return ForEachControl(window, kind, [&](const std::string& name) {
        if (!IsSavable(exclusions, name)) return;
        WriteEntry(path, SectionOf(kind), name, EncodeChecked(window.IsChecked(name)));
    });
}

ComboState ComboStateOf(const ControlWindow& window, const std::string& name) {
    ComboState state;
    const int32_t count = window.ComboCount(name);
    for (int32_t i = 0; i < count; ++i) {
        state.items.push_back({window.ComboItemText(name, i), window.ComboItemData(name, i)});
    }
    state.selectedIndex = window.ComboSelectedIndex(name);
    state.text = window.ComboText(name);
    return state;
}

void ApplyComboState(ControlWindow& window, const std::string& name, const ComboState& state) {
    window.ComboClear(name);
    for (const ComboItem& item : state.items) window.ComboAppend(name, item.text, item.data);
    // The index first: selecting an item sets the text, and the stored text must win.
    window.SetComboSelectedIndex(name, state.selectedIndex);
    window.SetComboText(name, state.text);
}

// One save is one transaction: the routines write entry by entry as ever, into one copy of the
// file in memory, which then replaces the file at once.
CommitOutcome SaveInto(ControlWindow& window, std::string path, bool force,
                       const FileReplaceCalls& calls) {
    UseDefaultFileWhenEmpty(path);
    IniFileSession session(path);
    SaveRadioButtons(window, path);
    SaveCheckBoxes(window, path);
    SaveEditBoxes(window, path);
    SaveComboBoxes(window, path, kPrinterComboBox);
    return session.Commit(force, calls);
}

}  // namespace

void RestoreControlStates(ControlWindow& window) {
    RestoreControlStates(window, CurrentStateFileLocations());
}

void RestoreControlStates(ControlWindow& window, const StateFileLocations& locations) {
    RestoreControlStates(window, PathOf(locations, StateFileToRestore(locations)));
}

void RestoreControlStates(ControlWindow& window, std::string path) {
    UseDefaultFileWhenEmpty(path);
    // Every read below is served from one reading of the file.
    const IniFileSession session(path);
    RestoreRadioButtons(window, path);
    RestoreCheckBoxes(window, path);
    RestoreEditBoxes(window, path);
    RestoreComboBoxes(window, path);
}

void SaveControlStates(ControlWindow& window) {
    SaveControlStates(window, CurrentStateFileLocations());
}

StateSaveOutcome SaveControlStates(ControlWindow& window, const StateFileLocations& locations,
                                   const FileReplaceCalls& calls) {
    const StateFilePlace newer = StateFileToRestore(locations);
    if (SaveInto(window, locations.besideProgram, newer == StateFilePlace::kFallback, calls) !=
        CommitOutcome::kFailed) {
        return StateSaveOutcome::kBesideProgram;
    }
    if (locations.fallback.empty()) return StateSaveOutcome::kFailed;
    EnsureDirectory(locations.fallback.substr(0, locations.fallback.rfind('/')));
    if (SaveInto(window, locations.fallback, newer == StateFilePlace::kBesideProgram, calls) !=
        CommitOutcome::kFailed) {
        return StateSaveOutcome::kFallback;
    }
    return StateSaveOutcome::kFailed;
}

CommitOutcome SaveControlStates(ControlWindow& window, std::string path,
                                const FileReplaceCalls& calls) {
    return SaveInto(window, std::move(path), false, calls);
}

int32_t RestoreRadioButtons(ControlWindow& window, std::string& path) {
    return RestoreCheckable(window, path, ControlKind::kRadioButton);
}

int32_t RestoreCheckBoxes(ControlWindow& window, std::string& path) {
    return RestoreCheckable(window, path, ControlKind::kCheckBox);
}

int32_t RestoreEditBoxes(ControlWindow& window, std::string& path) {
    UseDefaultFileWhenEmpty(path);
    const char* section = SectionOf(ControlKind::kEditBox);
    return ForEachControl(window, ControlKind::kEditBox, [&](const std::string& name) {
        const std::string value = ReadEntry(path, section, name, "");
        if (!value.empty()) window.SetEditText(name, DecodeEditText(value));
    });
}

int32_t RestoreComboBoxes(ControlWindow& window, std::string& path) {
    UseDefaultFileWhenEmpty(path);
    const char* section = SectionOf(ControlKind::kComboBox);
    return ForEachControl(window, ControlKind::kComboBox, [&](const std::string& name) {
        const std::optional<ComboState> state =
            DecodeComboState(ReadEntry(path, section, name, ""));
        if (state) ApplyComboState(window, name, *state);
    });
}

int32_t SaveRadioButtons(ControlWindow& window, std::string& path, const std::string& exclusions) {
    return SaveCheckable(window, path, exclusions, ControlKind::kRadioButton);
}

int32_t SaveCheckBoxes(ControlWindow& window, std::string& path, const std::string& exclusions) {
    return SaveCheckable(window, path, exclusions, ControlKind::kCheckBox);
}

int32_t SaveEditBoxes(ControlWindow& window, std::string& path, const std::string& exclusions) {
    UseDefaultFileWhenEmpty(path);
    const char* section = SectionOf(ControlKind::kEditBox);
    return ForEachControl(window, ControlKind::kEditBox, [&](const std::string& name) {
        if (!IsSavable(exclusions, name)) return;
        WriteEntry(path, section, name, EncodeEditText(window.EditText(name)));
    });
}

int32_t SaveComboBoxes(ControlWindow& window, std::string& path, const std::string& exclusions) {
    UseDefaultFileWhenEmpty(path);
    const char* section = SectionOf(ControlKind::kComboBox);
    return ForEachControl(window, ControlKind::kComboBox, [&](const std::string& name) {
        if (!IsSavable(exclusions, name)) return;
        WriteEntry(path, section, name, EncodeComboState(ComboStateOf(window, name)));
    });
}

// The overloads without a path start from an empty one, which selects the default file.
int32_t RestoreRadioButtons(ControlWindow& window) {
    std::string path;
    return RestoreRadioButtons(window, path);
}

int32_t RestoreCheckBoxes(ControlWindow& window) {
    std::string path;
    return RestoreCheckBoxes(window, path);
}

int32_t RestoreEditBoxes(ControlWindow& window) {
    std::string path;
    return RestoreEditBoxes(window, path);
}

int32_t RestoreComboBoxes(ControlWindow& window) {
    std::string path;
    return RestoreComboBoxes(window, path);
}

int32_t SaveRadioButtons(ControlWindow& window) {
    std::string path;
    return SaveRadioButtons(window, path);
}

int32_t SaveCheckBoxes(ControlWindow& window) {
    std::string path;
    return SaveCheckBoxes(window, path);
}

int32_t SaveEditBoxes(ControlWindow& window) {
    std::string path;
    return SaveEditBoxes(window, path);
}

int32_t SaveComboBoxes(ControlWindow& window) {
    std::string path;
    return SaveComboBoxes(window, path);
}

bool IsSavable(const std::string& exclusions, const std::string& name) {
    if (exclusions.empty()) return true;
    size_t start = 0;
    while (true) {
        const size_t bar = exclusions.find('|', start);
        const size_t end = bar == std::string::npos ? exclusions.size() : bar;
        if (exclusions.compare(start, end - start, name) == 0) return false;
        if (bar == std::string::npos) return true;
        start = bar + 1;
    }
}
