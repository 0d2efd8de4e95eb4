#include "settings/control_state_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/file_system.h"
#include "platform/program_directory.h"

namespace {

const char kFalse[] = "假";
const char kTrue[] = "真";
const char kCrLf[] = "\r\n";
const char kLineBreakMark[] = "><br><";
const char kQuote[] = "\"";
const char kQuoteMark[] = "#引号";
const char kFieldSeparator[] = "<|>";
const char kItemSeparator[] = "<||>";

// Replaces every occurrence of from, left to right, without looking at replaced text again.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::vector<std::string> SplitAt(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string WithoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

const char* SectionOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::kRadioButton:
            return "单选框";
        case ControlKind::kCheckBox:
            return "选择框";
        case ControlKind::kEditBox:
            return "编辑框";
        case ControlKind::kComboBox:
            return "组合框";
    }
    return "";
}

std::string EncodeChecked(bool checked) {
    return checked ? kTrue : kFalse;
}

bool DecodeChecked(const std::string& value) {
    return value != kFalse;
}

std::string EncodeEditText(const std::string& text) {
    return ReplaceAll(ReplaceAll(text, kCrLf, kLineBreakMark), kQuote, kQuoteMark);
}

std::string DecodeEditText(const std::string& value) {
    return ReplaceAll(ReplaceAll(value, kLineBreakMark, kCrLf), kQuoteMark, kQuote);
}

std::string EncodeComboState(const ComboState& state) {
    std::string value;
    for (const ComboItem& item : state.items) {
        value += item.text + kFieldSeparator + std::to_string(item.data) + kItemSeparator;
    }
    value += std::to_string(state.selectedIndex) + kFieldSeparator + state.text;
    return ReplaceAll(std::move(value), kQuote, kQuoteMark);
}

std::optional<ComboState> DecodeComboState(const std::string& value) {
    const std::string unquoted = ReplaceAll(value, kQuoteMark, kQuote);
    if (unquoted.empty()) return std::nullopt;
    const std::vector<std::string> elements = SplitAt(unquoted, kItemSeparator);
    ComboState state;
    for (size_t i = 0; i + 1 < elements.size(); ++i) {
        state.items.push_back({TextBefore(elements[i], kFieldSeparator),
                               WholeNumberOf(TextAfter(elements[i], kFieldSeparator))});
    }
    const std::string& last = elements.back();
    state.selectedIndex = WholeNumberOf(TextBefore(last, kFieldSeparator));
    state.text = TextAfter(last, kFieldSeparator);
    return state;
}

std::string TextBefore(const std::string& text, const std::string& separator) {
    const size_t at = text.find(separator);
    return at == std::string::npos ? std::string() : text.substr(0, at);
}

std::string TextAfter(const std::string& text, const std::string& separator) {
    const size_t at = text.rfind(separator);
    return at == std::string::npos ? std::string() : text.substr(at + separator.size());
}

int32_t WholeNumberOf(const std::string& text) {
    size_t at = 0;
    const size_t end = text.size();
    while (at < end && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';

    // Accumulate toward the sign and stop growing at the 32-bit limit.
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; at < end && IsDigit(text[at]); ++at, ++digits) {
        if (magnitude < limit) magnitude = std::min(limit, magnitude * 10 + (text[at] - '0'));
    }
    if (at < end && text[at] == '.') {
        for (++at; at < end && IsDigit(text[at]); ++at) ++digits;
    }
    while (at < end && IsBlank(text[at])) ++at;
    if (digits == 0 || at != end) return 0;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::string DataDirectoryFor(const std::string& programDirectory, bool canWriteBesideProgram,
                             const std::string& xdgConfigHome, const std::string& home) {
    const std::string besideProgram = programDirectory + "/data";
    if (canWriteBesideProgram) return besideProgram;
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/') {
        return WithoutTrailingSlashes(xdgConfigHome) + "/vantrel-pelmora";
    }
    if (!home.empty()) return WithoutTrailingSlashes(home) + "/.config/vantrel-pelmora";
    return besideProgram;
}

bool CanWriteDataBeside(const std::string& programDirectory) {
    const std::string data = programDirectory + "/data";
    if (IsDirectory(data)) return ::access(data.c_str(), W_OK | X_OK) == 0;
    if (::access(data.c_str(), F_OK) == 0) return false;  // a file is in the way
    const std::string parent = programDirectory.empty() ? "/" : programDirectory;
    return ::access(parent.c_str(), W_OK | X_OK) == 0;
}

std::string DataDirectory() {
    const std::string programDirectory = ProgramDirectory();
    return DataDirectoryFor(programDirectory, CanWriteDataBeside(programDirectory),
                            EnvironmentText("XDG_CONFIG_HOME"), EnvironmentText("HOME"));
}

bool CreateDataDirectory() {
    return EnsureDirectory(DataDirectory());
}

std::string StateFilePath() {
    return DataDirectory() + "/config.abc";
}

StateFileLocations StateFileLocationsFor(const std::string& programDirectory,
                                         const std::string& xdgConfigHome,
                                         const std::string& home) {
    StateFileLocations locations;
    locations.besideProgram = programDirectory + "/data/config.abc";
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/') {
        locations.fallback = WithoutTrailingSlashes(xdgConfigHome) + "/vantrel-pelmora/config.abc";
    } else if (!home.empty()) {
        locations.fallback = WithoutTrailingSlashes(home) + "/.config/vantrel-pelmora/config.abc";
    }
    return locations;
}

StateFileLocations CurrentStateFileLocations() {
    return StateFileLocationsFor(ProgramDirectory(), EnvironmentText("XDG_CONFIG_HOME"),
                                 EnvironmentText("HOME"));
}

StateFilePlace NewerStateFile(const FileStatus& besideProgram, const FileStatus& fallback) {
    using State = FileStatus::State;
    if (fallback.state != State::kReadable) return StateFilePlace::kBesideProgram;
    if (besideProgram.state != State::kReadable) return StateFilePlace::kFallback;
    const timespec& beside = besideProgram.modified;
    const timespec& other = fallback.modified;
    const bool fallbackIsNewer = other.tv_sec != beside.tv_sec ? other.tv_sec > beside.tv_sec
                                                               : other.tv_nsec > beside.tv_nsec;
    return fallbackIsNewer ? StateFilePlace::kFallback : StateFilePlace::kBesideProgram;
}

StateFilePlace StateFileToRestore(const StateFileLocations& locations) {
    const FileStatus fallback =
        locations.fallback.empty() ? FileStatus{} : StatusOf(locations.fallback);
    return NewerStateFile(StatusOf(locations.besideProgram), fallback);
}

std::string PathOf(const StateFileLocations& locations, StateFilePlace place) {
    return place == StateFilePlace::kFallback ? locations.fallback : locations.besideProgram;
}

std::string DefaultStateFilePath() {
    const std::string directory = DataDirectory();
    if (!IsDirectory(directory)) EnsureDirectory(directory);
    return directory + "/setsoft.ini";
}
