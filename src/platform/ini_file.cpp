#include "platform/ini_file.h"

#include <algorithm>
#include <cstring>

#include "platform/text_encoding.h"

namespace {

const std::string_view kByteOrderMark = "\xef\xbb\xbf";

bool EndsWithCr(std::string_view bytes) {
    return !bytes.empty() && bytes.back() == '\r';
}

std::string_view WithoutCr(std::string_view bytes) {
    if (EndsWithCr(bytes)) bytes.remove_suffix(1);
    return bytes;
}

std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Lines are taken apart in their stored bytes, without decoding them: every byte of a GB18030
// multi-byte character after the first is 0x30 or above and a first byte 0x81 or above, so
// spaces, tabs, CR, LF, "=", ";", "#" and a leading "[" are always what they seem. Only "]"
// (0x5D) can be the second byte of a character, so the end of a section name is found by
// stepping over whole characters.
size_t CharacterLength(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    if (byte(0) < 0x81 || byte(0) == 0xff || bytes.size() - at < 2) return 1;
    if (byte(1) >= 0x30 && byte(1) <= 0x39 && bytes.size() - at >= 4) return 4;
    return 2;
}

std::optional<std::string_view> SectionNameIn(std::string_view trimmed) {
    for (size_t at = 1; at < trimmed.size(); at += CharacterLength(trimmed, at)) {
        if (trimmed[at] == ']') return trimmed.substr(1, at - 1);
    }
    return std::nullopt;
}

// A name as stored, in the form a name given by the program takes when it is encoded: bytes
// that are not GB18030 (the euro sign of GBK, 0x80, above all) are read and encoded again.
std::string NormalisedName(std::string_view stored) {
    if (stored.find('\x80') == std::string_view::npos) return std::string(stored);
    return Utf8ToGb18030(FileTextToUtf8(stored)).value_or(std::string(stored));
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

// The sessions open on this thread, the latest last.
std::vector<IniFileSession*>& OpenSessions() {
    thread_local std::vector<IniFileSession*> sessions;
    return sessions;
}

}  // namespace

IniDocument::IniDocument(std::string bytes)
    : text_(std::make_unique<std::string>(std::move(bytes))) {
    if (std::string_view(*text_).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text_->erase(0, kByteOrderMark.size());
    }
    Parse();
}

void IniDocument::Parse() {
    const std::string_view text = *text_;
    size_t start = 0;
    while (start < text.size()) {
        const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
        if (found == nullptr) {
            lines_.push_back({start, text.size(), false});
            break;
        }
        const size_t lf = static_cast<size_t>(static_cast<const char*>(found) - text.data());
        lines_.push_back({start, lf, true});
        start = lf + 1;
    }
    // The line end of lines added later: that of the file's first line, or CR LF.
    crLf_ = lines_.empty() || !lines_.front().endsWithLf || EndsWithCr(LineBytes(0));

    Section* current = nullptr;      // the section the lines belong to; none before the first
    bool inFirstOccurrence = false;  // of current's name, where new entries go
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view bytes = WithoutCr(LineBytes(i));
        const std::string_view trimmed = TrimBlanks(bytes);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;
        if (trimmed.front() == '[') {
            const std::optional<std::string_view> name = SectionNameIn(trimmed);
            if (!name) continue;
            const auto [it, isNew] = sections_.try_emplace(NormalisedName(*name));
            current = &it->second;
            inFirstOccurrence = isNew;
            if (isNew) current->insertAfter = i;
            continue;
        }
        const size_t equals = bytes.find('=');
        if (equals == std::string_view::npos || current == nullptr) continue;
        std::string_view key = TrimBlanks(bytes.substr(0, equals));
        if (key.empty()) continue;
        if (key.find('\x80') != std::string_view::npos) {
            keys_.push_back(NormalisedName(key));
            key = keys_.back();
        }
        current->entries.push_back({key, {false, i}});
        if (inFirstOccurrence) current->insertAfter = i;
    }
}

std::string_view IniDocument::LineBytes(size_t line) const {
    if (lines_[line].replaced) return replaced_.at(line);
    return std::string_view(*text_).substr(lines_[line].begin,
                                           lines_[line].end - lines_[line].begin);
}

const IniDocument::Entry* IniDocument::Find(const std::string& sectionKey,
                                            const std::string& key) const {
    const auto section = sections_.find(sectionKey);
    if (section == sections_.end()) return nullptr;
    for (const Entry& entry : section->second.entries) {
        if (entry.key == key) return &entry;
    }
    return nullptr;
}

std::optional<std::string> IniDocument::Read(std::string_view section, std::string_view key) const {
    const std::optional<std::string> sectionKey = Utf8ToGb18030(section);
    const std::optional<std::string> entryKey = Utf8ToGb18030(key);
    if (!sectionKey || !entryKey) return std::nullopt;
    const Entry* entry = Find(*sectionKey, *entryKey);
    if (entry == nullptr) return std::nullopt;
    const std::string_view bytes =
        WithoutCr(entry->line.added ? std::string_view(added_[entry->line.index])
                                    : LineBytes(entry->line.index));
    return FileTextToUtf8(bytes.substr(bytes.find('=') + 1));
}

void IniDocument::EndLine(size_t line) {
    if (lines_[line].endsWithLf) return;
    std::string bytes(LineBytes(line));
    if (crLf_ && !EndsWithCr(bytes)) bytes += '\r';
    replaced_[line] = std::move(bytes);
    lines_[line].replaced = true;
    lines_[line].endsWithLf = true;
}

std::string IniDocument::NewLine(std::string bytes) const {
    if (crLf_) bytes += '\r';
    return bytes;
}

bool IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableSection(section) || !IsStorableKey(key) || HasLineBreak(value)) return false;
    const std::optional<std::string> sectionBytes = Utf8ToGb18030(section);
    const std::optional<std::string> keyBytes = Utf8ToGb18030(key);
    const std::optional<std::string> valueBytes = Utf8ToGb18030(value);
    if (!sectionBytes || !keyBytes || !valueBytes) return false;

    if (const Entry* entry = Find(*sectionBytes, *keyBytes)) {
        // Keep the key as written (spaces, line end); replace only what follows the "=".
        const EntryLine line = entry->line;
        const std::string_view old =
            line.added ? std::string_view(added_[line.index]) : LineBytes(line.index);
        std::string bytes(old.substr(0, old.find('=') + 1));
        bytes += *valueBytes;
        if (EndsWithCr(old)) bytes += '\r';
        if (bytes == old) return true;
        if (line.added) {
            added_[line.index] = std::move(bytes);
        } else {
            replaced_[line.index] = std::move(bytes);
            lines_[line.index].replaced = true;
        }
        changed_ = true;
        return true;
    }

    keys_.push_back(*keyBytes);
    const std::string_view storedKey = keys_.back();
    const size_t entryLine = added_.size();
    added_.push_back(NewLine(*keyBytes + "=" + *valueBytes));
    auto [it, isNew] = sections_.try_emplace(*sectionBytes);
    Section& target = it->second;
    if (isNew) {
        // A new section goes at the end; the file's last line gets a line end first.
        if (!lines_.empty()) EndLine(lines_.size() - 1);
        target.added = true;
        target.addedSection = addedSections_.size();
        added_.push_back(NewLine("[" + *sectionBytes + "]"));
        addedSections_.push_back({added_.size() - 1});
    }
    if (target.added) {
        addedSections_[target.addedSection].push_back(entryLine);
    } else {
        // After the last entry of the section's first occurrence, and after the entries added
        // there before.
        EndLine(target.insertAfter);
        insertedAfter_[target.insertAfter].push_back(entryLine);
    }
    target.entries.push_back({storedKey, {true, entryLine}});
    changed_ = true;
    return true;
}

std::string IniDocument::Bytes() const {
    // Unchanged lines are copied in runs; only the lines around a change are looked at.
    std::vector<size_t> touched;
    for (const auto& [line, bytes] : replaced_) touched.push_back(line);
    for (const auto& [line, added] : insertedAfter_) touched.push_back(line);
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());

    std::string file;
    const std::string& text = *text_;
    file.reserve(text.size() + 4096);
    size_t copied = 0;  // bytes of text_ given out
    for (const size_t line : touched) {
        file.append(text, copied, lines_[line].begin - copied);
        file += LineBytes(line);
        if (lines_[line].endsWithLf) file += '\n';
        if (const auto added = insertedAfter_.find(line); added != insertedAfter_.end()) {
            for (const size_t a : added->second) (file += added_[a]) += '\n';
        }
        copied = line + 1 < lines_.size() ? lines_[line + 1].begin : text.size();
    }
    file.append(text, copied);
    for (const std::vector<size_t>& section : addedSections_) {
        for (const size_t a : section) (file += added_[a]) += '\n';
    }
    return file;
}

IniFileSession::IniFileSession(std::string path)
    : path_(std::move(path)), file_(ReadFileIfExists(path_)) {
    if (file_) document_ = IniDocument(std::move(file_->bytes));
    OpenSessions().push_back(this);
}

IniFileSession::~IniFileSession() {
    std::vector<IniFileSession*>& sessions = OpenSessions();
    sessions.erase(std::find(sessions.begin(), sessions.end(), this));
}

IniFileSession* IniFileSession::OpenFor(const std::string& path) {
    const std::vector<IniFileSession*>& sessions = OpenSessions();
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
        if ((*it)->path_ == path) return *it;
    }
    return nullptr;
}

CommitOutcome IniFileSession::Commit(bool force, const FileReplaceCalls& calls) {
    // A file that exists but cannot be read must not be replaced by one holding only the
    // entries written since.
    if (!file_) return CommitOutcome::kFailed;
    if (!document_.Changed() && !force) {
        RemoveLeftoverTemporaries(path_);
        return CommitOutcome::kUnchanged;
    }
    ReplaceOptions options;
    if (file_->exists) {
        options.permissions = file_->permissions;
        options.owner = file_->owner;
    }
    if (!ReplaceFileAtomically(path_, document_.Bytes(), options, calls)) {
        return CommitOutcome::kFailed;
    }
    return CommitOutcome::kWritten;
}

std::string ReadEntry(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& fallback) {
    std::optional<std::string> value;
    if (const IniFileSession* session = IniFileSession::OpenFor(path)) {
        value = session->document_.Read(section, key);
    } else if (const std::optional<FileContents> file = ReadFileIfExists(path)) {
        value = IniDocument(file->bytes).Read(section, key);
    }
    return value ? std::move(*value) : fallback;
}

bool WriteEntry(const std::string& path, const std::string& section, const std::string& key,
                const std::string& value) {
    if (IniFileSession* session = IniFileSession::OpenFor(path)) {
        return session->Readable() && session->document_.Write(section, key, value);
    }
    IniFileSession session(path);
    return session.Readable() && session.document_.Write(section, key, value) &&
           session.Commit() != CommitOutcome::kFailed;
}
