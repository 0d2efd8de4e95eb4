// One save of the window is one transaction on the file: the same entries as writing them one
// by one, one replacement of the file, none when nothing changed, and one reading at restore.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>

#include "../platform/temporary_directory.h"
#include "../support/child_process.h"
#include "../support/file_replace_calls.h"
#include "fake_control_window.h"
#include "main_window_controls.h"
#include "platform/ini_file.h"
#include "platform/text_encoding.h"
#include "settings/control_states.h"

namespace {

std::string FileBytes(const std::string& utf8) {
    return Utf8ToGb18030(utf8).value();
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The main window with every kind of control changed from its design, a radio button added so
// that all four routines write, and a value that the file cannot hold.
void ChangeEveryKind(FakeControlWindow& window) {
    window.Root().AddRadioButton("单选框_甲", true);
    window.SetChecked("选择框_加", false);
    window.SetEditText("编辑框_答案范围", "500");
    window.SetComboSelectedIndex("组合框_出题数量", 3);
}

// A file the save starts from, by name.
struct StartingFile {
    const char* name;
    std::string bytes;  // nothing: no file
    bool exists = true;
};

std::ostream& operator<<(std::ostream& out, const StartingFile& file) {
    return out << file.name;
}

class SameEntriesAsOneByOneTest : public ::testing::TestWithParam<StartingFile> {
protected:
    TemporaryDirectory directory_;
};

// The transaction must give byte for byte the file that the per-kind routines give when each
// entry is its own write, as they do when called alone.
TEST_P(SameEntriesAsOneByOneTest, SaveGivesTheFileOfSeparateWrites) {
    const std::string together = directory_.File("together.abc");
    const std::string oneByOne = directory_.File("one-by-one.abc");
    if (GetParam().exists) {
        WriteBytes(together, GetParam().bytes);
        WriteBytes(oneByOne, GetParam().bytes);
    }
    FakeControlWindow window;
    AddMainWindowControls(window);
    ChangeEveryKind(window);

    EXPECT_NE(SaveControlStates(window, together), CommitOutcome::kFailed);
    std::string path = oneByOne;
    SaveRadioButtons(window, path);
    SaveCheckBoxes(window, path);
    SaveEditBoxes(window, path);
    SaveComboBoxes(window, path, "组合框_打印机");
    EXPECT_EQ(ReadBytes(together), ReadBytes(oneByOne));
    EXPECT_EQ(ReadEntry(together, "单选框", "单选框_甲"), "真");
    EXPECT_EQ(ReadEntry(together, "编辑框", "编辑框_答案范围"), "500");
}

INSTANTIATE_TEST_SUITE_P(
    StartingFiles, SameEntriesAsOneByOneTest,
    ::testing::Values(
        StartingFile{"NoFile", "", false}, StartingFile{"EmptyFile", ""},
        StartingFile{"ForeignSectionsAndComments",
                     FileBytes("; 注释\r\n[窗口]\r\n位置=10,20\r\n[选择框]\r\n选择框_旧=假\r\n")},
        StartingFile{"LfLineEndsNoFinalLineEnd",
                     FileBytes("[编辑框]\n编辑框_答案范围=900\n[组合框]\nx=1")},
        StartingFile{"RepeatedSections",
                     FileBytes("[选择框]\r\n选择框_加=真\r\n[其他]\r\n[选择框]\r\n选择框_减=假\r\n"
                               "选择框_加=假\r\n")},
        StartingFile{"EntriesBeforeAnySection", FileBytes("选择框_加=假\r\n\r\n[编辑框]\r\n")},
        StartingFile{"AnEarlierSaveOfTheSameWindow",
                     FileBytes("[选择框]\r\n选择框_加=真\r\n选择框_减=真\r\n[编辑框]\r\n"
                               "编辑框_答案范围=1000\r\n")}),
    [](const auto& info) { return std::string(info.param.name); });

class SaveTransactionTest : public ::testing::Test {
protected:
    TemporaryDirectory directory_;
    std::string file_ = directory_.File("config.abc");
    RecordingReplaceCalls recording_;
};

TEST_F(SaveTransactionTest, OneSaveReplacesTheFileOnce) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    EXPECT_EQ(SaveControlStates(window, file_, recording_.calls()), CommitOutcome::kWritten);
    EXPECT_EQ(recording_.Count(ReplaceStep::kCreateTemporary), 1);
    EXPECT_EQ(recording_.Count(ReplaceStep::kRename), 1);
    EXPECT_EQ(recording_.Count(ReplaceStep::kSyncFile), 1);
    EXPECT_EQ(recording_.Count(ReplaceStep::kSyncDirectory), 1);

    ChangeEveryKind(window);
    EXPECT_EQ(SaveControlStates(window, file_, recording_.calls()), CommitOutcome::kWritten);
    EXPECT_EQ(recording_.Count(ReplaceStep::kRename), 2) << "four changed entries, one rename";
}

TEST_F(SaveTransactionTest, NothingChangedWritesNothing) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    ASSERT_EQ(SaveControlStates(window, file_), CommitOutcome::kWritten);
    const ino_t before = InodeOf(file_);
    EXPECT_EQ(SaveControlStates(window, file_, recording_.calls()), CommitOutcome::kUnchanged);
    EXPECT_EQ(recording_.Count(ReplaceStep::kCreateTemporary), 0);
    EXPECT_EQ(InodeOf(file_), before);
}

TEST_F(SaveTransactionTest, ASaveThatChangesNothingStillRemovesLeftovers) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    ASSERT_EQ(SaveControlStates(window, file_), CommitOutcome::kWritten);
    WriteBytes(directory_.File(".config.abc.vantrel-pelmora-save-Ab12Cd"), "[选择框]\r\n");
    WriteBytes(directory_.File("config.abc.tmp-x9Y8z7"), "");
    EXPECT_EQ(SaveControlStates(window, file_), CommitOutcome::kUnchanged);
    EXPECT_THAT(directory_.Names(), ::testing::ElementsAre("config.abc"));
}

// A file that an editor gave a byte-order mark and in which a value lost a byte: the first
// section is still found, the damaged value still read, and the save replaces both entries
// where they are instead of adding second ones.
TEST_F(SaveTransactionTest, AByteOrderMarkAndADamagedValueGiveNoSecondEntries) {
    WriteBytes(file_, "\xef\xbb\xbf" + FileBytes("[选择框]\r\n选择框_加=假\r\n[编辑框]\r\n") +
                          FileBytes("编辑框_数字范围=5") + "\xff" + "0\r\n");
    FakeControlWindow window;
    AddMainWindowControls(window);
    RestoreControlStates(window, file_);
    EXPECT_FALSE(window.IsChecked("选择框_加"));
    EXPECT_EQ(window.EditText("编辑框_数字范围"), "5\uFFFD0");

    window.SetChecked("选择框_加", true);
    window.SetEditText("编辑框_数字范围", "50");
    ASSERT_EQ(SaveControlStates(window, file_), CommitOutcome::kWritten);
    const std::string bytes = ReadBytes(file_);
    EXPECT_EQ(bytes.rfind(FileBytes("[选择框]\r\n选择框_加=真\r\n"), 0), 0u)
        << "no byte-order mark, the entry in its place";
    EXPECT_EQ(bytes.find(FileBytes("[选择框]"), 1), std::string::npos);
    const std::string entry = FileBytes("编辑框_数字范围=");
    ASSERT_NE(bytes.find(entry + "50\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find(entry, bytes.find(entry) + 1), std::string::npos);
}

TEST_F(SaveTransactionTest, AnEntryTheFileCannotHoldIsPassedOverAlone) {
    WriteBytes(file_, FileBytes("[编辑框]\r\n编辑框_数字范围=old\r\n"));
    FakeControlWindow window;
    AddMainWindowControls(window);
    // A lone LF is not encoded, and no entry can hold a line break.
    window.SetEditText("编辑框_数字范围", "two\nlines");
    window.SetChecked("选择框_乘", true);
    EXPECT_EQ(SaveControlStates(window, file_), CommitOutcome::kWritten);
    EXPECT_EQ(ReadEntry(file_, "编辑框", "编辑框_数字范围"), "old");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_乘"), "真");
    EXPECT_EQ(ReadEntry(file_, "编辑框", "编辑框_答案范围"), "1000") << "the entries after it";
    EXPECT_EQ(ReadEntry(file_, "组合框", "组合框_出题数量", "none"),
              "10<|>0<||>20<|>0<||>30<|>0<||>40<|>0<||>50<|>0<||>60<|>0<||>70<|>0<||>80<|>0<||>"
              "90<|>0<||>100<|>0<||>9<|>100");
}

TEST_F(SaveTransactionTest, AFailedReplacementLeavesTheFileAndReportsIt) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    ASSERT_EQ(SaveControlStates(window, file_), CommitOutcome::kWritten);
    const std::string before = ReadBytes(file_);
    ChangeEveryKind(window);
    recording_.FailAt(ReplaceStep::kRename);
    EXPECT_EQ(SaveControlStates(window, file_, recording_.calls()), CommitOutcome::kFailed);
    EXPECT_EQ(ReadBytes(file_), before);
    EXPECT_THAT(directory_.Names(), ::testing::ElementsAre("config.abc"));
}

// A window whose first restored control rewrites the file on disk, as another program might
// while the restore runs: every control must still get its state from the one reading.
class WindowThatChangesTheFile : public FakeControlWindow {
public:
    explicit WindowThatChangesTheFile(std::string file) : file_(std::move(file)) {}
    void SetChecked(const std::string& name, bool checked) override {
        FakeControlWindow::SetChecked(name, checked);
        if (!changed_) {
            changed_ = true;
            WriteBytes(file_, FileBytes("[编辑框]\r\n编辑框_答案范围=7\r\n"));
        }
    }

private:
    std::string file_;
    bool changed_ = false;
};

TEST_F(SaveTransactionTest, RestoreReadsTheFileOnce) {
    FakeControlWindow saved;
    AddMainWindowControls(saved);
    saved.SetChecked("选择框_加", false);
    saved.SetEditText("编辑框_答案范围", "500");
    ASSERT_EQ(SaveControlStates(saved, file_), CommitOutcome::kWritten);

    WindowThatChangesTheFile window(file_);
    AddMainWindowControls(window);
    RestoreControlStates(window, file_);
    EXPECT_FALSE(window.IsChecked("选择框_加"));
    EXPECT_EQ(window.EditText("编辑框_答案范围"), "500") << "not the 7 written meanwhile";
}

// The program killed while it saves at close, at each step of the replacement: the file is the
// earlier save or the new one, whole, and the next save leaves no temporary file behind.
class KilledSaveTest : public ::testing::TestWithParam<ReplaceStep> {
protected:
    TemporaryDirectory directory_;
    std::string file_ = directory_.File("config.abc");
};

TEST_P(KilledSaveTest, LeavesTheOldOrTheNewFileWholeAndTheNextSaveCleansUp) {
    const ReplaceStep step = GetParam();
    // Foreign content makes the file large enough that a write takes a while.
    WriteBytes(file_, FileBytes("[其他]\r\n") + std::string(1 << 20, 'x') + "\r\n");
    FakeControlWindow window;
    AddMainWindowControls(window);
    ASSERT_EQ(SaveControlStates(window, file_), CommitOutcome::kWritten);
    if (step == ReplaceStep::kChangeOwner) {
        if (::geteuid() != 0) GTEST_SKIP() << "only root can give the file another owner";
        ASSERT_EQ(::chown(file_.c_str(), 12345, 12345), 0);
    }
    const std::string before = ReadBytes(file_);
    ChangeEveryKind(window);

    RecordingReplaceCalls recording;
    SharedValue<std::atomic<bool>> stopped;
    recording.BeforeEachStep([&](ReplaceStep reached) {
        if (reached != step) return;
        *stopped = true;
        while (true) ::pause();
    });
    ASSERT_TRUE(KillChildWhen([&] { SaveControlStates(window, file_, recording.calls()); },
                              [&] { return stopped->load(); }));

    const std::string after = ReadBytes(file_);
    const bool renamed = step == ReplaceStep::kClose || step == ReplaceStep::kSyncDirectory;
    EXPECT_EQ(after == before, !renamed);
    if (renamed) {
        FakeControlWindow restored;
        AddMainWindowControls(restored);
        RestoreControlStates(restored, file_);
        EXPECT_FALSE(restored.IsChecked("选择框_加"));
        EXPECT_EQ(restored.EditText("编辑框_答案范围"), "500");
        EXPECT_EQ(restored.ComboSelectedIndex("组合框_出题数量"), 3);
    }

    // The next save: a write when the killed one did not get through, none otherwise.
    EXPECT_EQ(SaveControlStates(window, file_),
              renamed ? CommitOutcome::kUnchanged : CommitOutcome::kWritten);
    EXPECT_THAT(directory_.Names(), ::testing::ElementsAre("config.abc"));
}

INSTANTIATE_TEST_SUITE_P(EveryStep, KilledSaveTest,
                         ::testing::Values(ReplaceStep::kCreateTemporary, ReplaceStep::kWrite,
                                           ReplaceStep::kChangeOwner, ReplaceStep::kChangeMode,
                                           ReplaceStep::kSyncFile, ReplaceStep::kRename,
                                           ReplaceStep::kClose, ReplaceStep::kSyncDirectory),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

}  // namespace
