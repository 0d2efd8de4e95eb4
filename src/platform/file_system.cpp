#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

// Closes a file descriptor when it goes out of scope, unless closed before.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now through close and reports whether that succeeded (it can report a delayed
    // write error).
    bool Close(const std::function<int(int)>& close) {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

// Closes a directory stream when it goes out of scope.
class DirectoryStream {
public:
    explicit DirectoryStream(const std::string& path) : dir_(::opendir(path.c_str())) {}
    ~DirectoryStream() {
        if (dir_ != nullptr) ::closedir(dir_);
    }
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;

    // The name of the next entry, or nothing at the end.
    std::optional<std::string> Next() {
        if (dir_ == nullptr) return std::nullopt;
        const dirent* entry = ::readdir(dir_);
        if (entry == nullptr) return std::nullopt;
        return std::string(entry->d_name);
    }

private:
    DIR* dir_;
};

bool WriteAll(const FileReplaceCalls& calls, int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = calls.write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

unsigned DefaultPermissions() {
    // umask can only be read by setting it; the program has a single thread.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

// The names of the temporary files: a prefix, then six letters or digits from mkostemp. The
// prefix of this version starts with "." (hidden) and names the program, so that no file a user
// keeps beside the settings can be taken for one.
const char kTemporaryMark[] = ".vantrel-pelmora-save-";
const char kEarlierTemporaryMark[] = ".tmp-";
const size_t kRandomLength = 6;

std::string TemporaryPrefix(const std::string& name) {
    return "." + name + kTemporaryMark;
}

bool IsRandomPart(std::string_view text) {
    if (text.size() != kRandomLength) return false;
    for (const char c : text) {
        const bool alphanumeric =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alphanumeric) return false;
    }
    return true;
}

bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

// Earlier versions gave their temporary files a name that a user's file can have as well
// ("config.abc.tmp-backup"); such a word, in lower case or capitalised, is taken for the user's.
// mkostemp mixes cases and digits, so few of its names look like that.
bool LooksLikeAWord(std::string_view random) {
    return std::all_of(random.begin() + 1, random.end(), IsLower) &&
           (IsLower(random.front()) || (random.front() >= 'A' && random.front() <= 'Z'));
}

bool IsTemporaryOf(std::string_view candidate, const std::string& name) {
    const std::string prefix = TemporaryPrefix(name);
    if (candidate.size() > prefix.size() && candidate.substr(0, prefix.size()) == prefix) {
        return IsRandomPart(candidate.substr(prefix.size()));
    }
    const std::string earlier = name + kEarlierTemporaryMark;
    if (candidate.size() > earlier.size() && candidate.substr(0, earlier.size()) == earlier) {
        const std::string_view random = candidate.substr(earlier.size());
        return IsRandomPart(random) && !LooksLikeAWord(random);
    }
    return false;
}

// Removes the temporary file at path if it is a regular file that nobody holds locked: a
// replacement locks its temporary file from creation until the rename, and the lock ends with
// the process that held it.
void RemoveIfAbandoned(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid()) return;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
    ::unlink(path.c_str());
}

}  // namespace

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool EnsureDirectory(const std::string& path) {
    if (path.empty()) return false;
    // Create each prefix that ends before a separator, then the whole path. Failures along the
    // way (usually "exists") are judged only by the final check.
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0777);
    }
    ::mkdir(path.c_str(), 0777);
    return IsDirectory(path);
}

std::optional<FileContents> ReadFileIfExists(const std::string& path) {
    FileContents contents;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT) return contents;
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    contents.exists = true;
    contents.permissions = static_cast<unsigned>(info.st_mode) & 07777u;
    contents.owner = {info.st_uid, info.st_gid};
    // Read the size the file has in one go; keep reading in case it grows meanwhile.
    contents.bytes.resize(static_cast<size_t>(info.st_size) + 1);
    size_t used = 0;
    while (true) {
        if (used == contents.bytes.size()) contents.bytes.resize(used * 2 + 64 * 1024);
        const ssize_t got =
            ::read(fd.get(), contents.bytes.data() + used, contents.bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
    }
    contents.bytes.resize(used);
    return contents;
}

FileStatus StatusOf(const std::string& path) {
    FileStatus status;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) status.state = FileStatus::State::kUnreadable;
        return status;
    }
    status.state = FileStatus::State::kUnreadable;
    if (!S_ISREG(info.st_mode)) return status;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) return status;
    status.state = FileStatus::State::kReadable;
    status.modified = info.st_mtim;
    return status;
}

const FileReplaceCalls& SystemFileReplaceCalls() {
    static const FileReplaceCalls calls{
        .createTemporary = [](char* pattern) { return ::mkostemp(pattern, O_CLOEXEC); },
        .write = [](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
        .changeOwner = [](int fd, uid_t user, gid_t group) { return ::fchown(fd, user, group); },
        .changeMode = [](int fd, mode_t mode) { return ::fchmod(fd, mode); },
        .syncFile = [](int fd) { return ::fsync(fd); },
        .rename = [](const char* from, const char* to) { return ::rename(from, to); },
        .close = [](int fd) { return ::close(fd); },
        .syncDirectory = [](int fd) { return ::fsync(fd); },
    };
    return calls;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                           const ReplaceOptions& options, const FileReplaceCalls& calls) {
    if (path.empty() || path.back() == '/') return false;
    RemoveLeftoverTemporaries(path);

    const std::string directory = DirectoryOf(path);
    std::string temporary = directory + "/" + TemporaryPrefix(NameOf(path)) + "XXXXXX";
    FileDescriptor fd(calls.createTemporary(temporary.data()));
    if (!fd.valid()) return false;
    // Held until the file is renamed or removed, so that a replacement running meanwhile in
    // another process does not take this file for a leftover. Without locks (some network file
    // systems) the worst that can happen is that such a replacement fails.
    ::flock(fd.get(), LOCK_EX | LOCK_NB);

    bool ready = WriteAll(calls, fd.get(), bytes);
    if (ready && options.owner) {
        struct stat info {};
        ready = ::fstat(fd.get(), &info) == 0;
        if (ready && (info.st_uid != options.owner->user || info.st_gid != options.owner->group)) {
            ready = calls.changeOwner(fd.get(), options.owner->user, options.owner->group) == 0;
        }
    }
    // After the owner: giving a file away clears its set-user-ID and set-group-ID bits.
    ready = ready &&
            calls.changeMode(fd.get(), options.permissions.value_or(DefaultPermissions())) == 0 &&
            calls.syncFile(fd.get()) == 0 && calls.rename(temporary.c_str(), path.c_str()) == 0;
    if (!ready) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The data reached the disk with the fsync; a late close error no longer concerns it.
    fd.Close(calls.close);
    // Make the rename itself durable. The new file is in place already, so a failure here does
    // not change the result: after a crash the directory holds the old file or the new one.
    FileDescriptor directoryFd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directoryFd.valid()) calls.syncDirectory(directoryFd.get());
    return true;
}

void RemoveLeftoverTemporaries(const std::string& path) {
    const std::string directory = DirectoryOf(path);
    const std::string name = NameOf(path);
    DirectoryStream stream(directory);
    std::vector<std::string> leftovers;
    while (const std::optional<std::string> entry = stream.Next()) {
        if (IsTemporaryOf(*entry, name)) leftovers.push_back(directory + "/" + *entry);
    }
    for (const std::string& leftover : leftovers) RemoveIfAbandoned(leftover);
}
