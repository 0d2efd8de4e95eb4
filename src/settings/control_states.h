#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "settings/control_state_file.h"
#include "settings/control_window.h"

// Saving the states of a window's option controls into the control-state file and putting them
// back. The routines know no particular control: they visit every radio button, check box, edit
// box and combo box the window holds and use each control's name as its key.

// Puts back the states stored in the control-state file of CurrentStateFileLocations(), the
// copy that holds the newer save: radio buttons, check boxes, edit boxes, combo boxes, in this
// order. A control without a stored state keeps its state.
void RestoreControlStates(ControlWindow& window);
// The same with the copy of locations that holds the newer save.
void RestoreControlStates(ControlWindow& window, const StateFileLocations& locations);
// The same with the file at path, which is read once.
void RestoreControlStates(ControlWindow& window, std::string path);

// Writes the state of every control into the control-state file of CurrentStateFileLocations(),
// kind by kind in the order above; the printer combo box "组合框_打印机" is never saved.
void SaveControlStates(ControlWindow& window);

// Where a save went.
enum class StateSaveOutcome {
    kBesideProgram,  // saved beside the program (or found there already)
    kFallback,       // could not be saved beside the program, and went to the fallback
    kFailed,         // could be saved in neither place
};

// The same with locations: the save goes beside the program, and when it cannot be stored there
// for any reason, to the fallback, whose directory is created when missing. A file that holds
// every value already is not written, unless the other copy holds the newer save: then it is
// written all the same, so that the next restore reads this save.
StateSaveOutcome SaveControlStates(ControlWindow& window, const StateFileLocations& locations,
                                   const FileReplaceCalls& calls = SystemFileReplaceCalls());
// The same with the file at path. The entries go into one copy of the file in memory, in the
// order and with the content that writing them one by one would give, and the file is then
// replaced once, atomically, or left alone when no entry changed. An entry that the file cannot
// hold is passed over, as by the per-kind routines. calls: see ReplaceFileAtomically.
CommitOutcome SaveControlStates(ControlWindow& window, std::string path,
                                const FileReplaceCalls& calls = SystemFileReplaceCalls());

// The per-kind routines. An empty path is replaced by DefaultStateFilePath(), and the caller's
// variable receives it; the overloads without a path use that default file too. Each returns
// the number of controls of its kind that the window holds (excluded ones included).
//
// A restore skips a control whose stored value is empty or missing. A combo box with a stored
// value gets, in this order: all items removed, the stored items appended, the stored index and
// then the stored text written, so the stored text is what it shows.
int32_t RestoreRadioButtons(ControlWindow& window, std::string& path);
int32_t RestoreCheckBoxes(ControlWindow& window, std::string& path);
int32_t RestoreEditBoxes(ControlWindow& window, std::string& path);
int32_t RestoreComboBoxes(ControlWindow& window, std::string& path);
int32_t RestoreRadioButtons(ControlWindow& window);
int32_t RestoreCheckBoxes(ControlWindow& window);
int32_t RestoreEditBoxes(ControlWindow& window);
int32_t RestoreComboBoxes(ControlWindow& window);

// A save writes the entry of every control that IsSavable(exclusions, name) allows, changed or
// not; a write that fails is passed over and the save goes on.
int32_t SaveRadioButtons(ControlWindow& window, std::string& path,
                         const std::string& exclusions = "");
int32_t SaveCheckBoxes(ControlWindow& window, std::string& path,
                       const std::string& exclusions = "");
int32_t SaveEditBoxes(ControlWindow& window, std::string& path, const std::string& exclusions = "");
int32_t SaveComboBoxes(ControlWindow& window, std::string& path,
                       const std::string& exclusions = "");
int32_t SaveRadioButtons(ControlWindow& window);
int32_t SaveCheckBoxes(ControlWindow& window);
int32_t SaveEditBoxes(ControlWindow& window);
int32_t SaveComboBoxes(ControlWindow& window);

// False when one of the "|"-separated names in exclusions equals name as a whole (exactly,
// letter case included); true otherwise, and always for empty exclusions.
bool IsSavable(const std::string& exclusions, const std::string& name);
