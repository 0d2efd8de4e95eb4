#pragma once

#include <string>

// Reading and writing single entries of an INI-layout text file, as used for the control-state
// file. Texts are UTF-8 in the program; the file on disk is GB18030, which also reads files that
// earlier versions wrote in GBK.
//
// Syntax:
// - Lines end in LF or CR LF; both read. Lines this code writes use the line end of the file's
//   first line (CR LF for a new file or one without any line end); every other line keeps its
//   bytes, line end included.
// - A section starts with a line whose first character other than spaces and tabs is "["; its
//   name is the text up to the next "]", exactly as written (no trimming, no case folding).
//   Anything after the "]" is ignored. A "[" line without "]" is ignored.
// - A line whose first character other than spaces and tabs is ";" or "#" is a comment.
// - Any other line holding "=" is an entry: the key is the text before the first "=" with
//   spaces and tabs around it removed; the value is every character after that "=" up to the
//   line end, spaces included, so a value that starts or ends with spaces reads back as
//   written. Keys compare exactly. Entries before the first section belong to no section.
// - A line that is neither valid GB18030 nor valid GBK (code page 936, which has the euro sign
//   at 0x80) is kept but never matches; if it starts with "[" and holds "]", it still ends the
//   section before it.
// - Other lines are kept and never match.
// - Where a section or key occurs more than once, the first occurrence counts, both for
//   reading and for writing.

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
// The file is replaced atomically (a temporary file in the same directory is written, flushed
// to disk and renamed over the old one), so a crash, a full disk or any failed step leaves the
// previous file intact. Returns false, without touching the file, when any step fails, when the
// existing file cannot be read, and when the texts cannot be stored faithfully: malformed UTF-8,
// a line break in any of them, an empty section or one holding "[" or "]", an empty key, a key
// holding "=", starting with "[", ";" or "#", or starting or ending with a space or tab.
bool WriteEntry(const std::string& path, const std::string& section, const std::string& key,
                const std::string& value);
