#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

// Closes a file descriptor when it goes out of scope, unless released.
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
    // Closes now and reports whether the close succeeded (it can report a delayed write error).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
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

unsigned DefaultPermissions() {
    // umask can only be read by setting it; the program has a single thread.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
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
    std::vector<char> buffer(64 * 1024);
    while (true) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        contents.bytes.append(buffer.data(), static_cast<size_t>(got));
    }
    return contents;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                           std::optional<unsigned> permissions) {
    if (path.empty() || path.back() == '/') return false;
    std::string temporary = path + ".tmp-XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) return false;

    const bool written = WriteAll(fd.get(), bytes) &&
                         ::fchmod(fd.get(), permissions.value_or(DefaultPermissions())) == 0 &&
                         ::fsync(fd.get()) == 0;
    if (!fd.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable. The new file is in place already, so a failure here
    // does not change the result.
    FileDescriptor directory(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) ::fsync(directory.get());
    return true;
}
