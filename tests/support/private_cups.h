#pragma once

// A private CUPS scheduler for the tests of one process, started with the script
// tests/support/private-cups beside this file. Include it as "../support/private_cups.h".
//
// libcups reads HOME and CUPS_SERVERROOT once per thread, at its first call, so the scheduler
// must be started (PrivateCups::Shared()) before anything in the process talks to CUPS, and it
// is shared by all tests of the process: Reset() gives each test an empty scheduler again, as
// the fixture PrivateCupsTest does.

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace private_cups {

struct ProgramResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string output;
};

// Runs a program (no shell involved) and collects what it writes on standard output.
inline ProgramResult RunProgram(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    ProgramResult result;
    if (spawned != 0) {
        close(pipeFds[0]);
        return result;
    }
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, n);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

// The text of a PDF file as pdftotext extracts it (in reading order); "" when it cannot.
inline std::string PdfText(const std::filesystem::path& pdf) {
    return RunProgram({"pdftotext", "-enc", "UTF-8", pdf.string(), "-"}).output;
}

// The number of pages of a PDF file according to pdfinfo; 0 when it is no PDF.
inline int PdfPageCount(const std::filesystem::path& pdf) {
    std::istringstream info(RunProgram({"pdfinfo", pdf.string()}).output);
    for (std::string line; std::getline(info, line);) {
        if (line.rfind("Pages:", 0) == 0) return std::atoi(line.c_str() + 6);
    }
    return 0;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PrivateCups {
public:
    // The scheduler of this process, started at the first call and stopped when the process
    // ends.
    static PrivateCups& Shared() {
        static PrivateCups cups;
        return cups;
    }

    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    ~PrivateCups() {
        RunProgram({Script(), "stop", dir_.string()});
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    const std::filesystem::path& Directory() const { return dir_; }

    // Adds a queue that writes every job it prints to the returned file (created by the first
    // job; each job replaces the file).
    std::filesystem::path AddQueue(const std::string& name, const std::string& description = "") {
        const std::filesystem::path file =
            dir_ / "out" / ("queue-" + std::to_string(++queueCount_) + ".pdf");
        std::vector<std::string> args = {Script(), "add", dir_.string(), name, file.string()};
        if (!description.empty()) args.push_back(description);
        if (RunProgram(args).status != 0) throw std::runtime_error("cannot add queue " + name);
        return file;
    }

    void RemoveQueue(const std::string& name) {
        if (RunProgram({Script(), "remove", dir_.string(), name}).status != 0) {
            throw std::runtime_error("cannot remove queue " + name);
        }
    }

    // Deletes every queue (their jobs with them) and the user's saved default printer.
    void Reset() {
        cups_dest_t* dests = nullptr;
        const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            if (dests[i].instance == nullptr) names.emplace_back(dests[i].name);
        }
        cupsFreeDests(count, dests);
        for (const std::string& name : names) RemoveQueue(name);
        std::error_code ignored;
        std::filesystem::remove(dir_ / "home" / ".cups" / "lpoptions", ignored);
        std::filesystem::remove(dir_ / "client" / "lpoptions", ignored);
    }

    // Waits until the queue has no job pending or printing and at least `count` jobs have
    // finished; true when at least `count` of them completed (rather than failed or being
    // cancelled), false as well when that does not happen within the timeout.
    bool WaitForCompletedJobs(const std::string& queue, int count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (ActiveJobs(queue) == 0 && FinishedJobs(queue) >= count) {
                return CompletedJobs(queue) >= count;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    int FinishedJobs(const std::string& queue) const {
        return CountJobs(queue, CUPS_WHICHJOBS_COMPLETED, std::nullopt);
    }
    int CompletedJobs(const std::string& queue) const {
        return CountJobs(queue, CUPS_WHICHJOBS_COMPLETED, IPP_JSTATE_COMPLETED);
    }
    int ActiveJobs(const std::string& queue) const {
        return CountJobs(queue, CUPS_WHICHJOBS_ACTIVE, std::nullopt);
    }

    // How long starting the scheduler took, until it answered.
    std::chrono::milliseconds StartTime() const { return startTime_; }

private:
    PrivateCups() {
        char pattern[] = "/tmp/pelmora-cups-XXXXXX";
        if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        const auto started = std::chrono::steady_clock::now();
        const ProgramResult result =
            RunProgram({Script(), "start", dir_.string(), "--owner", std::to_string(getpid())});
        startTime_ = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        if (result.status != 0) throw std::runtime_error("the private scheduler did not start");
        ApplyEnvironment(result.output);
        cupsSetServer(nullptr);  // forget any server name taken before
    }

    static std::string Script() {
        return (std::filesystem::path(__FILE__).parent_path() / "private-cups").string();
    }

    // Applies the "export NAME='value'" and "unset NAME..." lines the script prints.
    static void ApplyEnvironment(const std::string& lines) {
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("export ", 0) == 0) {
                const size_t eq = line.find('=');
                std::string value = line.substr(eq + 1);
                if (value.size() >= 2 && value.front() == '\'')
                    value = value.substr(1, value.size() - 2);
                setenv(line.substr(7, eq - 7).c_str(), value.c_str(), 1);
            } else if (line.rfind("unset ", 0) == 0) {
                std::istringstream names(line.substr(6));
                for (std::string name; names >> name;) unsetenv(name.c_str());
            }
        }
    }

    static int CountJobs(const std::string& queue, int which, std::optional<ipp_jstate_t> state) {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, which);
        int matching = 0;
        for (int i = 0; i < count; ++i) {
            if (!state || jobs[i].state == *state) ++matching;
        }
        cupsFreeJobs(count, jobs);
        return matching;
    }

    std::filesystem::path dir_;
    int queueCount_ = 0;
    std::chrono::milliseconds startTime_{0};
};

// A test on the shared scheduler, which starts with no queues and no saved default printer.
class PrivateCupsTest : public ::testing::Test {
protected:
    void SetUp() override { cups_.Reset(); }

    PrivateCups& cups_ = PrivateCups::Shared();
};

}  // namespace private_cups
