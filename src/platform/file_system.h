#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Small file-system operations on paths given as UTF-8 texts with "/" separators.

// True exactly when path names an existing directory (following symbolic links).
bool IsDirectory(const std::string& path);

// Creates every missing directory along path, the last component included (a trailing "/" is
// allowed). Returns true when path names a directory afterwards.
bool EnsureDirectory(const std::string& path);

// The owner of a file.
struct FileOwner {
    uid_t user = 0;
    gid_t group = 0;

    bool operator==(const FileOwner&) const = default;
};

// The whole content of a regular file, with its permission bits and owner.
struct FileContents {
    bool exists = false;  // false: there is no file at the path, and bytes is empty
    std::string bytes;
    unsigned permissions = 0;  // st_mode & 07777 of an existing file
    FileOwner owner;           // of an existing file
};

// Reads the file at path. A missing file is not an error (exists is false); nothing is returned
// when the path names something other than a regular file or the file cannot be read whole.
std::optional<FileContents> ReadFileIfExists(const std::string& path);

// What is at a path, for choosing between two copies of a file without reading them.
struct FileStatus {
    enum class State { kMissing, kUnreadable, kReadable };
    State state = State::kMissing;  // kUnreadable: something is there that cannot be read as a file
    struct timespec modified {};    // of a readable file
};
FileStatus StatusOf(const std::string& path);

// The system calls by which ReplaceFileAtomically replaces a file, one member per step, so that
// a test can make any step fail, or stop the process in the middle of it. Each member has the
// signature and the error convention (-1 and errno) of the call it stands for.
struct FileReplaceCalls {
    std::function<int(char* pattern)> createTemporary;  // mkostemp(pattern, O_CLOEXEC)
    std::function<ssize_t(int fd, const void* data, size_t size)> write;
    std::function<int(int fd, uid_t user, gid_t group)> changeOwner;  // fchown
    std::function<int(int fd, mode_t mode)> changeMode;               // fchmod
    std::function<int(int fd)> syncFile;                              // fsync of the new file
    std::function<int(const char* from, const char* to)> rename;
    std::function<int(int fd)> close;
    std::function<int(int fd)> syncDirectory;  // fsync of the directory after the rename
};
// The real calls.
const FileReplaceCalls& SystemFileReplaceCalls();

// How the new file is to look when it replaces an old one.
struct ReplaceOptions {
    // Permission bits; without them 0666 less the process's umask.
    std::optional<unsigned> permissions;
    // Owner; without it (or when it is the process's own) the process's. A process that may not
    // give the file this owner (only root may give a file away) fails rather than take over the
    // old file.
    std::optional<FileOwner> owner;
};

// Replaces the file at path by bytes without ever leaving a partly written file: the bytes go to
// a new temporary file in the same directory, which is flushed to disk and renamed over path,
// and then the directory is flushed too, so that after a crash at any moment path holds either
// the old file or the new one, whole. On any failure up to the rename the temporary file is
// removed, the previous file at path stays as it was and the result is false; once the rename
// has succeeded the result is true. Temporary files that an earlier process left behind when it
// died in the middle of a replacement are removed first.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                           const ReplaceOptions& options = {},
                           const FileReplaceCalls& calls = SystemFileReplaceCalls());

// Removes the temporary files that replacements of path left behind, in path's directory:
// ".<name>.vantrel-pelmora-save-XXXXXX" files of this version and "<name>.tmp-XXXXXX" files
// of earlier ones, where <name> is the last component of path and X a letter or digit (for the
// earlier names, not six letters that read as a word, "backup" or "Backup", which a user may
// have chosen). A temporary file that a running replacement still holds (it keeps it locked) is
// left alone.
void RemoveLeftoverTemporaries(const std::string& path);
