#include "platform/ini_file.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

// One line of the file as stored: its bytes without the LF, and whether an LF ended it (only
// the last line can lack one). A CR before the LF stays in bytes, so the line keeps its end.
struct RawLine {
    std::string bytes;
    bool endsWithLf = false;
};

std::vector<RawLine> SplitLines(const std::string& file) {
    std::vector<RawLine> lines;
    size_t start = 0;
    while (start < file.size()) {
        const size_t lf = file.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back({file.substr(start), false});
            break;
        }
        lines.push_back({file.substr(start, lf - start), true});
        start = lf + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<RawLine>& lines) {
    std::string file;
    for (const RawLine& line : lines) {
        file += line.bytes;
        if (line.endsWithLf) file += '\n';
    }
    return file;
}

bool EndsWithCr(std::string_view bytes) {
    return !bytes.empty() && bytes.back() == '\r';
}

// The line end of lines this code adds: that of the file's first line, or CR LF.
bool UsesCrLf(const std::vector<RawLine>& lines) {
    return lines.empty() || !lines.front().endsWithLf || EndsWithCr(lines.front().bytes);
}

std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// What one line means, decoded to UTF-8.
struct ParsedLine {
    // kUnreadableSection: a section header that is not valid GB18030; it ends the section
    // before it but matches no name.
    enum class Kind { kOther, kSection, kUnreadableSection, kEntry };
    Kind kind = Kind::kOther;
    std::string name;  // section name or key
    std::string value;
};

ParsedLine Parse(std::string_view bytes) {
    ParsedLine parsed;
    if (EndsWithCr(bytes)) bytes.remove_suffix(1);
    std::optional<std::string> decoded = Gb18030ToUtf8(bytes);
    if (!decoded) decoded = GbkToUtf8(bytes);
    if (!decoded) {
        // Every byte of a GB18030 multi-byte character is 0x30 or above and a lead byte 0x81 or
        // above, so a leading "[" is a real one even where the rest is malformed.
        const std::string_view raw = TrimBlanks(bytes);
        if (!raw.empty() && raw.front() == '[' && raw.find(']') != std::string_view::npos) {
            parsed.kind = ParsedLine::Kind::kUnreadableSection;
        }
        return parsed;
    }
    const std::string_view text = *decoded;
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return parsed;
    if (trimmed.front() == '[') {
        const size_t close = trimmed.find(']');
        if (close == std::string_view::npos) return parsed;
        parsed.kind = ParsedLine::Kind::kSection;
        parsed.name = trimmed.substr(1, close - 1);
        return parsed;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return parsed;
    const std::string_view key = TrimBlanks(text.substr(0, equals));
    if (key.empty()) return parsed;
    parsed.kind = ParsedLine::Kind::kEntry;
    parsed.name = key;
    parsed.value = text.substr(equals + 1);
    return parsed;
}

// Where an entry is, or where it would go.
struct Location {
    std::optional<size_t> entry;       // line of the entry
    std::optional<size_t> section;     // header line of the first section with the name
    size_t lastLineOfSection = 0;      // its header or its last entry
    std::optional<std::string> value;  // the entry's value
};

Location Find(const std::vector<RawLine>& lines, const std::string& section,
              const std::string& key) {
    Location location;
    bool inSection = false;       // inside any section of the name
    bool inFirstSection = false;  // inside the first one, where new entries go
    for (size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = Parse(lines[i].bytes);
        if (parsed.kind == ParsedLine::Kind::kSection ||
            parsed.kind == ParsedLine::Kind::kUnreadableSection) {
            inSection = parsed.kind == ParsedLine::Kind::kSection && parsed.name == section;
            inFirstSection = inSection && !location.section;
            if (inFirstSection) {
                location.section = i;
                location.lastLineOfSection = i;
            }
        } else if (parsed.kind == ParsedLine::Kind::kEntry && inSection) {
            if (parsed.name == key) {
                location.entry = i;
                location.value = std::move(parsed.value);
                return location;
            }
            if (inFirstSection) location.lastLineOfSection = i;
        }
    }
    return location;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsStorableSection(std::string_view section) {
    return !section.empty() && !HasLineBreak(section) &&
           section.find_first_of("[]") == std::string_view::npos;
}

bool IsStorableKey(std::string_view key) {
    return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
           key.find_first_of("[;#") != 0 && TrimBlanks(key).size() == key.size();
}

// Gives the line a line end if it has none, so that a line can follow it.
void EndLine(RawLine& line, bool crLf) {
    if (line.endsWithLf) return;
    if (crLf && !EndsWithCr(line.bytes)) line.bytes += '\r';
    line.endsWithLf = true;
}

RawLine NewLine(std::string bytes, bool crLf) {
    if (crLf) bytes += '\r';
    return {std::move(bytes), true};
}

}  // namespace

std::string ReadEntry(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& fallback) {
    const std::optional<FileContents> file = ReadFileIfExists(path);
    if (!file || !file->exists) return fallback;
    Location location = Find(SplitLines(file->bytes), section, key);
    return location.value ? std::move(*location.value) : fallback;
}

bool WriteEntry(const std::string& path, const std::string& section, const std::string& key,
                const std::string& value) {
    if (!IsStorableSection(section) || !IsStorableKey(key) || HasLineBreak(value)) return false;
    const std::optional<std::string> sectionBytes = Utf8ToGb18030(section);
    const std::optional<std::string> keyBytes = Utf8ToGb18030(key);
    const std::optional<std::string> valueBytes = Utf8ToGb18030(value);
    if (!sectionBytes || !keyBytes || !valueBytes) return false;

    // A file that exists but cannot be read must not be replaced by one holding a single entry.
    const std::optional<FileContents> file = ReadFileIfExists(path);
    if (!file) return false;
    std::vector<RawLine> lines = SplitLines(file->bytes);
    const bool crLf = UsesCrLf(lines);
    const Location location = Find(lines, section, key);

    if (location.entry) {
        // Keep the key as written (spaces, line end); replace only what follows the "=", which
        // is safe to find in the raw bytes because no GB18030 multi-byte character contains it.
        RawLine& line = lines[*location.entry];
        const bool hadCr = EndsWithCr(line.bytes);
        line.bytes.erase(line.bytes.find('=') + 1);
        line.bytes += *valueBytes;
        if (hadCr) line.bytes += '\r';
    } else {
        std::string entry = *keyBytes + "=" + *valueBytes;
        if (location.section) {
            const size_t after = location.lastLineOfSection;
            EndLine(lines[after], crLf);
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after) + 1,
                         NewLine(std::move(entry), crLf));
        } else {
            if (!lines.empty()) EndLine(lines.back(), crLf);
            lines.push_back(NewLine("[" + *sectionBytes + "]", crLf));
            lines.push_back(NewLine(std::move(entry), crLf));
        }
    }

    // A save rewrites every entry, mostly with the value it already has; leave such files alone
    // rather than pay for writing and flushing an identical copy.
    std::string bytes = JoinLines(lines);
    if (file->exists && bytes == file->bytes) return true;
    std::optional<unsigned> permissions;
    if (file->exists) permissions = file->permissions;
    return ReplaceFileAtomically(path, bytes, permissions);
}
