#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

// The control-state file remembers the option controls of the main window between runs. It is
// an INI-layout file (see platform/ini_file.h) with one section per kind of control, named after
// the kind; the keys are the controls' names and each value is the control's state encoded as
// one line of text by the functions below. No encoded value holds a double quote, and no edit
// text a CR LF line break.

// The four kinds of option control whose states are kept.
enum class ControlKind { kRadioButton, kCheckBox, kEditBox, kComboBox };

// Section name of a kind; the same text names the kind when a window is asked for its controls:
// "单选框", "选择框", "编辑框" and "组合框".
const char* SectionOf(ControlKind kind);

// Checked state of a radio button or check box: "假" for false, "真" for true. DecodeChecked
// reads exactly "假" as false and every other text as true; an empty value means that nothing
// is stored, which the caller checks first.
std::string EncodeChecked(bool checked);
bool DecodeChecked(const std::string& value);

// Text of an edit box: each CR LF becomes "><br><", then each double quote "#引号". Decoding
// replaces "><br><" by CR LF, then "#引号" by a double quote. A lone CR or LF is left alone.
std::string EncodeEditText(const std::string& text);
std::string DecodeEditText(const std::string& value);

struct ComboItem {
    std::string text;
    int32_t data = 0;

    bool operator==(const ComboItem&) const = default;
};

// Item list, selected index (from 0, -1 for none) and edit-field text of a combo box.
struct ComboState {
    std::vector<ComboItem> items;
    int32_t selectedIndex = -1;
    std::string text;

    bool operator==(const ComboState&) const = default;
};

// A combo box's state as one value: for each item its text, "<|>", its data and "<||>"; then
// the selected index, "<|>" and the text; finally each double quote becomes "#引号". Items "2"
// and "3" (data 0) with the second selected read 2<|>0<||>3<|>0<||>1<|>3. The separators are not
// escaped: an item text holding "<|>" is cut at its first one on decoding, one holding "<||>"
// falls apart into two items.
std::string EncodeComboState(const ComboState& state);
// Nothing when the value is empty (nothing stored). A malformed value decodes by the same rules
// without further checks: a part without "<|>" gives an empty text and the number 0.
std::optional<ComboState> DecodeComboState(const std::string& value);

// The part of text before the first occurrence of separator, or the empty text without one.
std::string TextBefore(const std::string& text, const std::string& separator);
// The part of text after the last occurrence of separator, or the empty text without one.
std::string TextAfter(const std::string& text, const std::string& separator);

// The whole number a text spells: optional spaces and tabs, an optional sign, decimal digits
// with an optional fraction (".5", "3." and "-2.75" count), optional spaces and tabs. The
// fraction is dropped toward zero, so "-2.75" gives -2. Values beyond 32 bits saturate to
// INT32_MIN or INT32_MAX. A text that is not such a number ("", "1e3", "12abc", "0x10") gives 0.
int32_t WholeNumberOf(const std::string& text);

// The data directory that the start-up creates and that holds the default file below: beside the
// program ("<program directory>/data") when that directory can be written, or created there;
// otherwise, as for a copy installed in a system directory, the user's configuration directory
// ($XDG_CONFIG_HOME, by default ~/.config) followed by "/vantrel-pelmora". The control-state
// file itself is saved and restored by the rule of StateFileLocations.
std::string DataDirectory();

// The decision of DataDirectory, free of the environment. xdgConfigHome counts only when it is
// an absolute path; without it and without home the directory beside the program is kept.
std::string DataDirectoryFor(const std::string& programDirectory, bool canWriteBesideProgram,
                             const std::string& xdgConfigHome, const std::string& home);

// Whether "<programDirectory>/data" is a directory this process can write, or can be created.
bool CanWriteDataBeside(const std::string& programDirectory);

// Creates the data directory with every missing parent. Returns whether it exists afterwards.
bool CreateDataDirectory();

// "<data directory>/config.abc".
std::string StateFilePath();

// The two places of the control-state file. A save goes beside the program and, when it cannot
// be stored there for any reason, into the fallback; a restore reads whichever holds the newer
// save. So the options a user saw are restored whether or not the program's directory can be
// written, and a save is never dropped while one of the two can take it.
struct StateFileLocations {
    std::string besideProgram;  // "<program directory>/data/config.abc"
    // "<configuration directory>/vantrel-pelmora/config.abc", where the configuration directory
    // is $XDG_CONFIG_HOME when that is an absolute path, otherwise $HOME/.config; empty when
    // neither is known.
    std::string fallback;
};

// The locations for this program and the environment's configuration directory.
StateFileLocations StateFileLocationsFor(const std::string& programDirectory,
                                         const std::string& xdgConfigHome, const std::string& home);
// The same for the running program and its environment.
StateFileLocations CurrentStateFileLocations();

enum class StateFilePlace { kBesideProgram, kFallback };

// Which copy to restore from: the fallback when it can be read and the file beside the program
// cannot, or was saved earlier (an older modification time); otherwise the one beside the
// program, also when both are missing.
StateFilePlace NewerStateFile(const FileStatus& besideProgram, const FileStatus& fallback);

// The copy NewerStateFile chooses from what is on disk now; a missing fallback location counts
// as a missing file.
StateFilePlace StateFileToRestore(const StateFileLocations& locations);
// The path of one of the two copies.
std::string PathOf(const StateFileLocations& locations, StateFilePlace place);

// The default file for save and restore routines given no path:
// "<data directory>/setsoft.ini". Creates the data directory when it is missing.
std::string DefaultStateFilePath();
