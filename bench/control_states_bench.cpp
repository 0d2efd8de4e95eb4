// Time of saving and restoring the main window's option states through a real file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "../tests/settings/fake_control_window.h"
#include "settings/control_states.h"

namespace {

void AddMainWindowControls(FakeControlWindow& window) {
    window.Root()
        .AddCheckBox("选择框_加", true)
        .AddCheckBox("选择框_减", true)
        .AddCheckBox("选择框_乘", false)
        .AddCheckBox("选择框_除", false)
        .AddCheckBox("选择框_括号题型", false)
        .AddCheckBox("选择框_显示答案", false)
        .AddEditBox("编辑框_数字范围", "100")
        .AddEditBox("编辑框_答案范围", "1000")
        .AddEditBox("编辑框1", "第一行\r\n第二行")
        .AddComboBox("组合框_n元运算", {"2", "3", "4", "5", "6", "7", "8", "9"}, 2)
        .AddComboBox("组合框_出题数量",
                     {"10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}, 9)
        .AddComboBox("组合框_打印机", {"PDF"}, 0);
}

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

// Every entry is written into a file that does not exist yet: one atomic replacement each.
void BM_SaveIntoNewFile(benchmark::State& state) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    for (auto _ : state) {
        ::unlink(file.c_str());
        SaveControlStates(window, file);
    }
}
BENCHMARK(BM_SaveIntoNewFile)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_SaveWithOneChange)->Unit(benchmark::kMillisecond);

// Nothing changed: every entry already holds its value and the file is not rewritten.
void BM_SaveUnchanged(benchmark::State& state) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    const TemporaryFile temporary;
    const std::string file = temporary.path();
    SaveControlStates(window, file);
    for (auto _ : state) SaveControlStates(window, file);
}
BENCHMARK(BM_SaveUnchanged)->Unit(benchmark::kMicrosecond);

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
BENCHMARK(BM_Restore)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
