#pragma once

#include <cerrno>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/file_system.h"

// The steps of ReplaceFileAtomically, in the order it takes them.
enum class ReplaceStep {
    kCreateTemporary,
    kWrite,
    kChangeOwner,
    kChangeMode,
    kSyncFile,
    kRename,
    kClose,
    kSyncDirectory,
};

inline const char* NameOf(ReplaceStep step) {
    switch (step) {
        case ReplaceStep::kCreateTemporary:
            return "CreateTemporary";
        case ReplaceStep::kWrite:
            return "Write";
        case ReplaceStep::kChangeOwner:
            return "ChangeOwner";
        case ReplaceStep::kChangeMode:
            return "ChangeMode";
        case ReplaceStep::kSyncFile:
            return "SyncFile";
        case ReplaceStep::kRename:
            return "Rename";
        case ReplaceStep::kClose:
            return "Close";
        case ReplaceStep::kSyncDirectory:
            return "SyncDirectory";
    }
    return "?";
}

// The system's calls for replacing a file, counted step by step. A test can make one step fail
// the way the system reports a failure (-1 with an errno), and run code just before each step
// (to stop the process there, for example).
class RecordingReplaceCalls {
public:
    RecordingReplaceCalls() {
        const FileReplaceCalls& system = SystemFileReplaceCalls();
        calls_.createTemporary = [this, &system](char* pattern) {
            return Step(ReplaceStep::kCreateTemporary,
                        [&] { return system.createTemporary(pattern); });
        };
        calls_.write = [this, &system](int fd, const void* data, size_t size) {
            return Step(ReplaceStep::kWrite, [&] { return system.write(fd, data, size); });
        };
        calls_.changeOwner = [this, &system](int fd, uid_t user, gid_t group) {
            return Step(ReplaceStep::kChangeOwner,
                        [&] { return system.changeOwner(fd, user, group); });
        };
        calls_.changeMode = [this, &system](int fd, mode_t mode) {
            return Step(ReplaceStep::kChangeMode, [&] { return system.changeMode(fd, mode); });
        };
        calls_.syncFile = [this, &system](int fd) {
            return Step(ReplaceStep::kSyncFile, [&] { return system.syncFile(fd); });
        };
        calls_.rename = [this, &system](const char* from, const char* to) {
            return Step(ReplaceStep::kRename, [&] { return system.rename(from, to); });
        };
        calls_.close = [this, &system](int fd) {
            return Step(ReplaceStep::kClose, [&] { return system.close(fd); });
        };
        calls_.syncDirectory = [this, &system](int fd) {
            return Step(ReplaceStep::kSyncDirectory, [&] { return system.syncDirectory(fd); });
        };
    }
    RecordingReplaceCalls(const RecordingReplaceCalls&) = delete;
    RecordingReplaceCalls& operator=(const RecordingReplaceCalls&) = delete;

    const FileReplaceCalls& calls() const { return calls_; }

    // Every later call of the step fails with the error instead of being made.
    void FailAt(ReplaceStep step, int error = EIO) { failing_[step] = error; }
    void Succeed() { failing_.clear(); }
    // Runs before each step that is called.
    void BeforeEachStep(std::function<void(ReplaceStep)> hook) { hook_ = std::move(hook); }

    int Count(ReplaceStep step) const {
        const auto found = counts_.find(step);
        return found == counts_.end() ? 0 : found->second;
    }

private:
    template <typename Call>
    auto Step(ReplaceStep step, Call call) -> decltype(call()) {
        ++counts_[step];
        if (hook_) hook_(step);
        if (const auto failing = failing_.find(step); failing != failing_.end()) {
            errno = failing->second;
            return -1;
        }
        return call();
    }

    FileReplaceCalls calls_;
    std::map<ReplaceStep, int> failing_;
    std::map<ReplaceStep, int> counts_;
    std::function<void(ReplaceStep)> hook_;
};
