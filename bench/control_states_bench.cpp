// Time of saving and restoring the main window's option states through a real file: the
// file a save of the window makes, and a 50 MB file whose sections hold many entries of other
// controls besides the window's own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "../tests/settings/fake_control_window.h"
#include "../tests/settings/main_window_controls.h"
#include "platform/text_encoding.h"
#include "settings/control_states.h"

namespace {

// A file path in a fresh directory; both are removed at the end.
class TemporaryFile {
public:
    TemporaryFile() {
        char pattern[] = "/tmp/pelmora-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        directory_ = pattern;
    }
    ~TemporaryFile() {
        ::unlink(path().c_str());
        ::rmdir(directory_.c_str());
    }
    std::string path() const { return directory_ + "/config.abc"; }

private:
    std::string directory_;
};

// About 50 MB: each of the four sections holds some 300,000 entries of controls this window
// does not have, before the window's own, so that every look-up passes them all.
constexpr size_t kLargeFileBytes = 50u * 1000 * 1000;

void WriteLargeFile(const std::string& path) {
    const std::string value = Utf8ToGb18030(std::string(24, 'x') + "的值，一个很长的文本").value();
    std::string file;
    file.reserve(kLargeFileBytes + (1u << 20));
    const std::string sections[] = {"单选框", "选择框", "编辑框", "组合框"};
    for (size_t s = 0; s < std::size(sections); ++s) {
        file += Utf8ToGb18030("[" + sections[s] + "]\r\n").value();
        const std::string key = Utf8ToGb18030(sections[s] + "_别的控件").value();
        for (int i = 0; file.size() < kLargeFileBytes / std::size(sections) * (s + 1); ++i) {
            file += key + std::to_string(i) + "=" + value + "\r\n";
        }
    }
    std::ofstream(path, std::ios::binary) << file;
    FakeControlWindow window;
    AddMainWindowControls(window);
    SaveControlStates(window, path);
}

void ReportSize(benchmark::State& state, const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    state.counters["file_MB"] = static_cast<double>(in.tellg()) / 1e6;
}

// The first close: the file does not exist yet.
void BM_SaveIntoNewFile(benchmark::State& state) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    for (auto _ : state) {
        ::unlink(file.c_str());
        SaveControlStates(window, file);
    }
    ReportSize(state, file);
}
BENCHMARK(BM_SaveIntoNewFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The usual close: one option changed since the last save.
void BM_SaveWithOneChange(benchmark::State& state) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    SaveControlStates(window, file);
    bool checked = false;
    for (auto _ : state) {
        window.SetChecked("选择框_乘", checked = !checked);
        SaveControlStates(window, file);
    }
}
BENCHMARK(BM_SaveWithOneChange)->Unit(benchmark::kMillisecond)->UseRealTime();

// Nothing changed: every entry already holds its value and the file is not rewritten.
void BM_SaveUnchanged(benchmark::State& state) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    SaveControlStates(window, file);
    for (auto _ : state) SaveControlStates(window, file);
}
BENCHMARK(BM_SaveUnchanged)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Restore(benchmark::State& state) {
    FakeControlWindow saved;
    AddMainWindowControls(saved);
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    SaveControlStates(saved, file);
    FakeControlWindow window;
    AddMainWindowControls(window);
    for (auto _ : state) RestoreControlStates(window, file);
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The start with the 50 MB file: read once, every control looked up.
void BM_RestoreLargeFile(benchmark::State& state) {
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    WriteLargeFile(file);
    FakeControlWindow window;
    AddMainWindowControls(window);
    for (auto _ : state) RestoreControlStates(window, file);
    ReportSize(state, file);
}
BENCHMARK(BM_RestoreLargeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The close with the 50 MB file and one option changed: one replacement of the whole file.
void BM_SaveLargeFileWithOneChange(benchmark::State& state) {
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    WriteLargeFile(file);
    FakeControlWindow window;
    AddMainWindowControls(window);
    bool checked = false;
    for (auto _ : state) {
        window.SetChecked("选择框_乘", checked = !checked);
        SaveControlStates(window, file);
    }
    ReportSize(state, file);
}
BENCHMARK(BM_SaveLargeFileWithOneChange)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The close with the 50 MB file and nothing changed: read and compared, not written.
void BM_SaveLargeFileUnchanged(benchmark::State& state) {
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    WriteLargeFile(file);
    FakeControlWindow window;
    AddMainWindowControls(window);
    for (auto _ : state) SaveControlStates(window, file);
}
BENCHMARK(BM_SaveLargeFileUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
