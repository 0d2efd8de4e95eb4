// Replacing a file atomically, tried with a failure at every step, with the process killed at
// every step, and with the temporary files that such a kill leaves behind.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "../support/child_process.h"
#include "../support/file_replace_calls.h"
#include "platform/file_system.h"
#include "temporary_directory.h"

using ::testing::ElementsAre;

namespace {

// An owner that is neither root nor a user of the test machine.
constexpr uid_t kOtherUser = 12345;
constexpr gid_t kOtherGroup = 23456;

struct stat StatOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

// What ReplaceFileAtomically is given when it replaces an existing file.
ReplaceOptions OptionsOf(const std::string& path) {
    const FileContents contents = ReadFileIfExists(path).value();
    return {contents.permissions, contents.owner};
}

// A step and where the file is once the process stops right before it.
struct StepCase {
    ReplaceStep step;
    bool newFileInPlace;  // the rename has happened
};

std::ostream& operator<<(std::ostream& out, const StepCase& c) {
    return out << NameOf(c.step);
}

const StepCase kEveryStep[] = {
    {ReplaceStep::kCreateTemporary, false},
    {ReplaceStep::kWrite, false},
    {ReplaceStep::kChangeOwner, false},
    {ReplaceStep::kChangeMode, false},
    {ReplaceStep::kSyncFile, false},
    {ReplaceStep::kRename, false},
    {ReplaceStep::kClose, true},
    {ReplaceStep::kSyncDirectory, true},
};

class ReplaceStepTest : public ::testing::TestWithParam<StepCase> {
protected:
    void SetUp() override {
        WriteBytes(file_, kOld);
        if (GetParam().step == ReplaceStep::kChangeOwner) {
            // The owner is changed only when the old file has another owner than the process.
            if (::geteuid() != 0) GTEST_SKIP() << "only root can give the old file another owner";
            ASSERT_EQ(::chown(file_.c_str(), kOtherUser, kOtherGroup), 0);
        }
    }

    const std::string kOld = std::string(100000, 'o') + "old";
    const std::string kNew = std::string(200000, 'n') + "new";
    TemporaryDirectory directory_;
    std::string file_ = directory_.File("config.abc");
    RecordingReplaceCalls recording_;
};

TEST_P(ReplaceStepTest, AFailedStepLeavesTheOldFileOrTheNewOneAndNoTemporaryFile) {
    recording_.FailAt(GetParam().step);
    const bool replaced = ReplaceFileAtomically(file_, kNew, OptionsOf(file_), recording_.calls());
    EXPECT_EQ(recording_.Count(GetParam().step), 1) << "the step was reached";
    EXPECT_EQ(replaced, GetParam().newFileInPlace);
    EXPECT_EQ(ReadBytes(file_), GetParam().newFileInPlace ? kNew : kOld);
    EXPECT_THAT(directory_.Names(), ElementsAre("config.abc"));
}

TEST_P(ReplaceStepTest, AProcessKilledAtAStepLeavesAWholeFileAndTheNextReplacementCleansUp) {
    SharedValue<std::atomic<bool>> stopped;
    const ReplaceStep step = GetParam().step;
    recording_.BeforeEachStep([&](ReplaceStep reached) {
        if (reached != step) return;
        *stopped = true;
        while (true) ::pause();  // killed here
    });
    const std::string file = file_;
    const ReplaceOptions options = OptionsOf(file_);
    ASSERT_TRUE(
        KillChildWhen([&] { ReplaceFileAtomically(file, kNew, options, recording_.calls()); },
                      [&] { return stopped->load(); }));

    EXPECT_EQ(ReadBytes(file_), GetParam().newFileInPlace ? kNew : kOld);
    const bool temporaryExists =
        step != ReplaceStep::kCreateTemporary && !GetParam().newFileInPlace;
    EXPECT_EQ(directory_.Names().size(), temporaryExists ? 2u : 1u)
        << "the killed process leaves its temporary file";

    ASSERT_TRUE(ReplaceFileAtomically(file_, "third", OptionsOf(file_)));
    EXPECT_EQ(ReadBytes(file_), "third");
    EXPECT_THAT(directory_.Names(), ElementsAre("config.abc"));
}

INSTANTIATE_TEST_SUITE_P(EveryStep, ReplaceStepTest, ::testing::ValuesIn(kEveryStep),
                         [](const auto& info) { return std::string(NameOf(info.param.step)); });

class LeftoverTest : public ::testing::Test {
protected:
    TemporaryDirectory directory_;
    std::string file_ = directory_.File("config.abc");
};

TEST_F(LeftoverTest, OnlyAbandonedTemporaryFilesOfThisFileAreRemoved) {
    // Left by this version and by earlier ones, which named them "<file>.tmp-XXXXXX".
    WriteBytes(directory_.File(".config.abc.vantrel-pelmora-save-a1B2c3"), "half");
    WriteBytes(directory_.File("config.abc.tmp-Zx81Qp"), "half");
    // A user's files, and the temporary files of another file.
    const std::vector<std::string> kept = {".config.abc.vantrel-pelmora-save-a1B2c",
                                           "config.abc.bak",
                                           "config.abc.tmp-backup",
                                           "config.abc.tmp-Before",
                                           "config.abc.tmp-",
                                           ".setsoft.ini.vantrel-pelmora-save-a1B2c3",
                                           "setsoft.ini.tmp-Zx81Qp",
                                           "xconfig.abc.tmp-Zx81Qp"};
    for (const std::string& name : kept) WriteBytes(directory_.File(name), "mine");
    std::filesystem::create_directory(directory_.File(".config.abc.vantrel-pelmora-save-dir123"));

    ASSERT_TRUE(ReplaceFileAtomically(file_, "new"));
    std::vector<std::string> expected = kept;
    expected.push_back(".config.abc.vantrel-pelmora-save-dir123");
    expected.push_back("config.abc");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(directory_.Names(), expected);
}

TEST_F(LeftoverTest, TheTemporaryFileOfAReplacementStillRunningIsLeftAlone) {
    const std::string running = directory_.File(".config.abc.vantrel-pelmora-save-Run123");
    WriteBytes(running, "being written");
    // A lock taken through a file description of its own, as another process holds it.
    const int fd = ::open(running.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    RemoveLeftoverTemporaries(file_);
    EXPECT_TRUE(std::filesystem::exists(running));
    ::close(fd);
    RemoveLeftoverTemporaries(file_);
    EXPECT_FALSE(std::filesystem::exists(running)) << "once its process is gone";
}

TEST(FileOwnerTest, ReplacementKeepsOwnerAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file another owner";
    TemporaryDirectory directory;
    const std::string file = directory.File("config.abc");
    WriteBytes(file, "old");
    ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherGroup), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
    ASSERT_TRUE(ReplaceFileAtomically(file, "new", OptionsOf(file)));
    const struct stat info = StatOf(file);
    EXPECT_EQ(info.st_uid, kOtherUser);
    EXPECT_EQ(info.st_gid, kOtherGroup);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadBytes(file), "new");
}

// A user who may replace the file (the directory is open to everyone) but not give the new one
// the old owner leaves the file as it is rather than take it over.
TEST(FileOwnerTest, AUserWhoCannotKeepTheOwnerDoesNotReplace) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up another user's file";
    TemporaryDirectory directory;
    ASSERT_EQ(::chmod(directory.path().c_str(), 0777), 0);
    const std::string file = directory.File("config.abc");
    WriteBytes(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    const ReplaceOptions options = OptionsOf(file);
    EXPECT_EQ(
        RunInChild([&] { return ReplaceFileAtomically(file, "new", options) ? 0 : 1; }, kNobody),
        1);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_EQ(StatOf(file).st_uid, 0u);
    EXPECT_THAT(directory.Names(), ElementsAre("config.abc"));
}

}  // namespace
