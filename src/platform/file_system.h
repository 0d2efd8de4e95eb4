#pragma once

#include <optional>
#include <string>
#include <string_view>

// Small file-system operations on paths given as UTF-8 texts with "/" separators.

// True exactly when path names an existing directory (following symbolic links).
bool IsDirectory(const std::string& path);

// Creates every missing directory along path, the last component included (a trailing "/" is
// allowed). Returns true when path names a directory afterwards.
bool EnsureDirectory(const std::string& path);

// The whole content of a regular file, with its permission bits.
struct FileContents {
    bool exists = false;  // false: there is no file at the path, and bytes is empty
    std::string bytes;
    unsigned permissions = 0;  // st_mode & 07777 of an existing file
};

// Reads the file at path. A missing file is not an error (exists is false); nothing is returned
// when the path names something other than a regular file or the file cannot be read whole.
std::optional<FileContents> ReadFileIfExists(const std::string& path);

// Replaces the file at path by bytes without ever leaving a partly written file: the bytes go to
// a new temporary file in the same directory, which is flushed to disk and then renamed over
// path. On any failure the temporary file is removed, the previous file at path stays as it was
// and the result is false. permissions gives the new file's permission bits; without it they are
// 0666 less the process's umask.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                           std::optional<unsigned> permissions = std::nullopt);
