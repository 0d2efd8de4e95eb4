#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

// Reading and writing single entries of an INI-layout text file, as used for the control-state
// file. Texts are UTF-8 in the program; the file on disk is GB18030, which also reads files that
// earlier versions wrote in GBK.
//
// Syntax:
// - Lines end in LF or CR LF; both read. Lines this code writes use the line end of the file's
//   first line (CR LF for a new file or one without any line end); every other line keeps its
//   bytes, line end included.
// - A UTF-8 byte-order mark at the very start of the file is ignored, and a file written here
//   does not have one.
// - A section starts with a line whose first character other than spaces and tabs is "["; its
//   name is the text up to the next "]", exactly as written (no trimming, no case folding).
//   Anything after the "]" is ignored. A "[" line without "]" is ignored.
// - A line whose first character other than spaces and tabs is ";" or "#" is a comment.
// - Any other line holding "=" is an entry: the key is the text before the first "=" with
//   spaces and tabs around it removed; the value is every character after that "=" up to the
//   line end, spaces included, so a value that starts or ends with spaces reads back as
//   written. Keys compare exactly. Entries before the first section belong to no section.
// - A line that is neither valid GB18030 nor valid GBK (code page 936, which has the euro sign
//   at 0x80) is read as well as it can be: every byte that starts no character reads as U+FFFD
//   (0x80 as the euro sign), so its key still matches when it is intact, and writing the entry
//   replaces its value there.
// - Other lines are kept and never match.
// - Where a section or key occurs more than once, the first occurrence counts, both for
//   reading and for writing.

// The content of an INI file in memory: parsed once, read and changed entry by entry, and
// given back as bytes in which every line that was not changed is the one that was read.
class IniDocument {
public:
    // bytes: the whole file as stored.
    explicit IniDocument(std::string bytes = "");
    // The index points into the text, which stays in place when a document is moved.
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;
    IniDocument(IniDocument&&) = default;
    IniDocument& operator=(IniDocument&&) = default;

    // The value stored under key in section, or nothing.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;

    // Stores value under key in section, with the rules of WriteEntry below. False, leaving the
    // document as it was, when the texts cannot be stored faithfully.
    bool Write(std::string_view section, std::string_view key, std::string_view value);

    // Whether a write has changed the document since it was parsed.
    bool Changed() const { return changed_; }

    // The file as it now reads.
    std::string Bytes() const;

private:
    struct Line {
        size_t begin = 0;  // in *text_
        size_t end = 0;    // without the LF
        bool endsWithLf = false;
        bool replaced = false;  // its bytes are in replaced_
    };
    // A line of an entry: one the file had (by its number) or one added (by its number in added_).
    struct EntryLine {
        bool added = false;
        size_t index = 0;
    };
    struct Entry {
        std::string_view key;  // as stored, into *text_ (or the normalised key in keys_)
        EntryLine line;
    };
    struct Section {
        std::vector<Entry> entries;  // of every occurrence of the name, in file order
        bool added = false;          // the file had no such section
        size_t insertAfter = 0;      // the file's line after which new entries go
        size_t addedSection = 0;     // for an added section: its place in addedSections_
    };

    std::string_view LineBytes(size_t line) const;
    const Entry* Find(const std::string& sectionKey, const std::string& key) const;
    void Parse();
    // Gives the file's line a line end if it has none, so that a line can follow it.
    void EndLine(size_t line);
    std::string NewLine(std::string bytes) const;

    std::unique_ptr<std::string> text_;  // the file without its byte-order mark
    std::vector<Line> lines_;
    bool crLf_ = true;
    // Sections by their name as stored (GB18030 bytes, see NormalisedName).
    std::unordered_map<std::string, Section> sections_;
    std::deque<std::string> keys_;  // keys that entries point to, where not into *text_
    std::unordered_map<size_t, std::string> replaced_;  // changed lines of the file, without LF
    std::vector<std::string> added_;                    // added lines, without LF
    std::unordered_map<size_t, std::vector<size_t>> insertedAfter_;  // file line -> added lines
    std::vector<std::vector<size_t>> addedSections_;  // added lines of each added section
    bool changed_ = false;
};

// The value stored under key in section of the file at path, or fallback when the file cannot
// be read or holds no such entry.
std::string ReadEntry(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& fallback = "");

// Stores value under key in section of the file at path: creates the file when missing, adds a
// missing section at the end of the file, adds a missing entry after the last entry of its
// section, replaces the value of an existing entry in place, and keeps every other line byte for
// byte. The directory must exist; it is never created. A write that would leave the file as it
// is does not touch it.
//
// The file is replaced atomically (see ReplaceFileAtomically), keeping its owner and permission
// bits, so a crash, a full disk or any failed step leaves the previous file intact. Returns
// false, without touching the file, when any step fails, when the existing file cannot be read,
// and when the texts cannot be stored faithfully: malformed UTF-8, a line break in any of them,
// an empty section or one holding "[" or "]", an empty key, a key holding "=", starting with
// "[", ";" or "#", or starting or ending with a space or tab.
bool WriteEntry(const std::string& path, const std::string& section, const std::string& key,
                const std::string& value);

// The outcome of writing a session's document back.
enum class CommitOutcome {
    kUnchanged,  // nothing was written: the file already reads as the document
    kWritten,    // the file was replaced by the document
    kFailed,     // the file could not be read at the start or not be replaced; it is as it was
};

// While a session for a path is open, every ReadEntry and WriteEntry with exactly that path
// works on one copy of the file in memory, read when the session opens: a series of reads
// parses the file once, and a series of writes becomes one atomic replacement at Commit (none
// without Commit). Sessions belong to the thread that opens them; a later session for the same
// path hides an earlier one until it closes.
class IniFileSession {
public:
    explicit IniFileSession(std::string path);
    ~IniFileSession();
    IniFileSession(const IniFileSession&) = delete;
    IniFileSession& operator=(const IniFileSession&) = delete;

    // Whether the file could be read (a missing file counts as an empty one).
    bool Readable() const { return file_.has_value(); }

    // Writes the document back when a write has changed it, or always with force (to give the
    // file a new modification time). Temporary files that an interrupted earlier save left beside
    // the file are removed either way.
    CommitOutcome Commit(bool force = false,
                         const FileReplaceCalls& calls = SystemFileReplaceCalls());

private:
    friend std::string ReadEntry(const std::string&, const std::string&, const std::string&,
                                 const std::string&);
    friend bool WriteEntry(const std::string&, const std::string&, const std::string&,
                           const std::string&);
    static IniFileSession* OpenFor(const std::string& path);

    std::string path_;
    std::optional<FileContents> file_;  // what was read, its bytes moved into document_
    IniDocument document_;
};
