#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>

// The user "nobody" of Debian, which owns nothing in a test's directories.
inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNoGroup = 65534;

// Runs body in a forked child process and returns its exit code (-signal when a signal ended
// it). With asUser the child first gives up root and becomes that user (and group), so that
// permission bits apply to it as they do to an ordinary user; the caller must be root then.
inline int RunInChild(const std::function<int()>& body, std::optional<uid_t> asUser = {},
                      gid_t asGroup = kNoGroup) {
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (asUser &&
            (::setgroups(0, nullptr) != 0 || ::setgid(asGroup) != 0 || ::setuid(*asUser) != 0)) {
            ::_exit(125);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// A small block of memory shared with the children forked after it was made, for a child to
// tell its parent how far it has come.
template <typename T>
class SharedValue {
public:
    SharedValue() {
        void* memory =
            ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) throw std::runtime_error("mmap failed");
        value_ = new (memory) T();
    }
    ~SharedValue() {
        value_->~T();
        ::munmap(value_, sizeof(T));
    }
    SharedValue(const SharedValue&) = delete;
    SharedValue& operator=(const SharedValue&) = delete;

    T& operator*() { return *value_; }
    T* operator->() { return value_; }

private:
    T* value_;
};

// Forks a child that runs body; once reached() holds (polled in the parent), or after the
// timeout, the child is killed with SIGKILL, as a crash or a power cut would stop it. Returns
// whether reached() held before the kill.
inline bool KillChildWhen(const std::function<void()>& body, const std::function<bool()>& reached,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        body();
        // Never leave on its own: the test is about what a killed save leaves.
        while (true) ::pause();
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool got = false;
    while (!(got = reached()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return got;
}
