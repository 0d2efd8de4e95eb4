// Where the options are kept: beside the program, and in the user's configuration directory when
// a save cannot be stored beside the program; a restore reads the copy with the newer save. The
// tests build both places in a temporary directory and make the one beside the program
// unwritable in the ways a user's machine does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "../platform/temporary_directory.h"
#include "../support/child_process.h"
#include "fake_control_window.h"
#include "main_window_controls.h"
#include "platform/ini_file.h"
#include "settings/control_state_file.h"
#include "settings/control_states.h"

namespace fs = std::filesystem;

namespace {

FileStatus At(FileStatus::State state, time_t seconds = 0, long nanoseconds = 0) {
    FileStatus status;
    status.state = state;
    status.modified = {seconds, nanoseconds};
    return status;
}

struct ChoiceCase {
    const char* name;
    FileStatus besideProgram;
    FileStatus fallback;
    StateFilePlace expected;
};

class NewerStateFileTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(NewerStateFileTest, ChoosesTheCopyToRestore) {
    EXPECT_EQ(NewerStateFile(GetParam().besideProgram, GetParam().fallback), GetParam().expected);
}

using State = FileStatus::State;
INSTANTIATE_TEST_SUITE_P(
    Cases, NewerStateFileTest,
    ::testing::Values(ChoiceCase{"NeitherExists", At(State::kMissing), At(State::kMissing),
                                 StateFilePlace::kBesideProgram},
                      ChoiceCase{"OnlyBesideTheProgram", At(State::kReadable, 5),
                                 At(State::kMissing), StateFilePlace::kBesideProgram},
                      ChoiceCase{"OnlyTheFallback", At(State::kMissing), At(State::kReadable, 5),
                                 StateFilePlace::kFallback},
                      ChoiceCase{"FallbackNewer", At(State::kReadable, 5), At(State::kReadable, 6),
                                 StateFilePlace::kFallback},
                      ChoiceCase{"FallbackNewerWithinTheSecond", At(State::kReadable, 5, 10),
                                 At(State::kReadable, 5, 11), StateFilePlace::kFallback},
                      ChoiceCase{"BesideTheProgramNewer", At(State::kReadable, 7),
                                 At(State::kReadable, 6, 999), StateFilePlace::kBesideProgram},
                      ChoiceCase{"SameTimeKeepsBesideTheProgram", At(State::kReadable, 5, 1),
                                 At(State::kReadable, 5, 1), StateFilePlace::kBesideProgram},
                      ChoiceCase{"BesideTheProgramUnreadable", At(State::kUnreadable),
                                 At(State::kReadable, 1), StateFilePlace::kFallback},
                      ChoiceCase{"FallbackUnreadable", At(State::kReadable, 1),
                                 At(State::kUnreadable), StateFilePlace::kBesideProgram}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StateFileLocationsTest, FallbackComesFromTheConfigurationDirectory) {
    const StateFileLocations xdg = StateFileLocationsFor("/opt/p", "/home/u/.cfg/", "/home/u");
    EXPECT_EQ(xdg.besideProgram, "/opt/p/data/config.abc");
    EXPECT_EQ(xdg.fallback, "/home/u/.cfg/vantrel-pelmora/config.abc");
    EXPECT_EQ(StateFileLocationsFor("/opt/p", "relative", "/home/u/").fallback,
              "/home/u/.config/vantrel-pelmora/config.abc")
        << "a relative XDG_CONFIG_HOME does not count";
    EXPECT_EQ(StateFileLocationsFor("/opt/p", "", "").fallback, "");
    EXPECT_EQ(StateFileLocationsFor("", "", "").besideProgram, "/data/config.abc");
}

// What a test process sees of the window's options, packed into an exit code: the state of
// 选择框_乘 and the text of 编辑框_答案范围 ("1000", "500" or "700").
int RestoredCode(const StateFileLocations& locations) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    RestoreControlStates(window, locations);
    const std::string answers = window.EditText("编辑框_答案范围");
    const int code = answers == "1000" ? 1 : answers == "500" ? 2 : answers == "700" ? 3 : 9;
    return code * 10 + (window.IsChecked("选择框_乘") ? 1 : 0);
}

// Saves the main window with 编辑框_答案范围 set to answers and 选择框_乘 ticked or not.
StateSaveOutcome SaveWith(const StateFileLocations& locations, const std::string& answers,
                          bool multiply, const FileReplaceCalls& calls = SystemFileReplaceCalls()) {
    FakeControlWindow window;
    AddMainWindowControls(window);
    window.SetEditText("编辑框_答案范围", answers);
    window.SetChecked("选择框_乘", multiply);
    return SaveControlStates(window, locations, calls);
}

class StateFilePlacesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Open to every user, for the tests that run a part as another user.
        ASSERT_EQ(::chmod(root_.path().c_str(), 0755), 0);
        fs::create_directories(program_ + "/data");
        fs::create_directories(configHome_);
        locations_ = StateFileLocationsFor(program_, configHome_, "");
    }

    // Runs part in a child process as an ordinary user who owns the configuration directory but
    // not the program's: as "nobody" when the tests run as root (whom permission bits do not
    // stop), otherwise as the user running the tests. Returns its exit code.
    int AsOrdinaryUser(const std::function<int()>& part) {
        if (::geteuid() != 0) return RunInChild(part);
        for (const auto& entry : fs::recursive_directory_iterator(configHome_)) {
            ::lchown(entry.path().c_str(), kNobody, kNoGroup);
        }
        ::chown(configHome_.c_str(), kNobody, kNoGroup);
        return RunInChild(part, kNobody);
    }

    TemporaryDirectory root_;
    std::string program_ = root_.File("program");
    std::string configHome_ = root_.File("config-home");
    StateFileLocations locations_;
};

TEST_F(StateFilePlacesTest, FirstSaveGoesBesideTheProgram) {
    EXPECT_EQ(SaveWith(locations_, "500", true), StateSaveOutcome::kBesideProgram);
    EXPECT_TRUE(fs::exists(locations_.besideProgram));
    EXPECT_FALSE(fs::exists(locations_.fallback));
    EXPECT_EQ(RestoredCode(locations_), 21);
}

// A read-only installation: the file beside the program is restored, and a save goes to the
// fallback, which the next start restores.
TEST_F(StateFilePlacesTest, ReadOnlyDirectoryWithAReadableFile) {
    ASSERT_EQ(SaveWith(locations_, "500", true), StateSaveOutcome::kBesideProgram);
    const std::string before = ReadBytes(locations_.besideProgram);
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod((program_ + "/data").c_str(), 0555), 0);
    }
    ASSERT_FALSE(fs::exists(configHome_ + "/vantrel-pelmora")) << "the save creates it";

    const int code = AsOrdinaryUser([&] {
        if (RestoredCode(locations_) != 21) return 1;
        if (SaveWith(locations_, "700", false) != StateSaveOutcome::kFallback) return 2;
        if (RestoredCode(locations_) != 30) return 3;
        return 0;
    });
    ::chmod((program_ + "/data").c_str(), 0755);
    EXPECT_EQ(code, 0) << "1: not restored from beside the program, 2: not saved to the "
                          "fallback, 3: the fallback not restored";
    EXPECT_EQ(ReadBytes(locations_.besideProgram), before);
    EXPECT_EQ(ReadEntry(locations_.fallback, "编辑框", "编辑框_答案范围"), "700");
}

// The directory beside the program can be written, but the file cannot be replaced.
enum class Blocker { kDirectoryInItsPlace, kImmutableFile, kAnotherUsersPrivateFile };

class UnwritableFileTest : public StateFilePlacesTest,
                           public ::testing::WithParamInterface<Blocker> {};

TEST_P(UnwritableFileTest, TheSaveGoesToTheFallbackAndIsRestoredFromThere) {
    const std::string file = locations_.besideProgram;
    bool asOtherUser = false;
    switch (GetParam()) {
        case Blocker::kDirectoryInItsPlace:
            fs::create_directories(file + "/inner");
            break;
        case Blocker::kImmutableFile:
            ASSERT_EQ(SaveWith(locations_, "500", true), StateSaveOutcome::kBesideProgram);
            if (std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0) {
                GTEST_SKIP() << "this file system or user cannot make a file immutable";
            }
            break;
        case Blocker::kAnotherUsersPrivateFile:
            if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's file";
            ASSERT_EQ(SaveWith(locations_, "500", true), StateSaveOutcome::kBesideProgram);
            ASSERT_EQ(::chmod(file.c_str(), 0600), 0);  // root's, and private
            ASSERT_EQ(::chmod((program_ + "/data").c_str(), 0777), 0);
            asOtherUser = true;
            break;
    }
    const std::string before = fs::is_regular_file(file) ? ReadBytes(file) : "";

    const auto part = [&] {
        if (SaveWith(locations_, "700", false) != StateSaveOutcome::kFallback) return 1;
        if (RestoredCode(locations_) != 30) return 2;
        return 0;
    };
    const int code = asOtherUser ? AsOrdinaryUser(part) : part();
    if (GetParam() == Blocker::kImmutableFile) {
        std::system(("chattr -i '" + file + "'").c_str());
    }
    EXPECT_EQ(code, 0) << "1: not saved to the fallback, 2: the fallback not restored";
    EXPECT_EQ(ReadEntry(locations_.fallback, "编辑框", "编辑框_答案范围"), "700");
    if (fs::is_regular_file(file)) {
        EXPECT_EQ(ReadBytes(file), before);
    }
    EXPECT_THAT(root_.Names(), ::testing::ElementsAre("config-home", "program"));
}

INSTANTIATE_TEST_SUITE_P(Blockers, UnwritableFileTest,
                         ::testing::Values(Blocker::kDirectoryInItsPlace, Blocker::kImmutableFile,
                                           Blocker::kAnotherUsersPrivateFile),
                         [](const auto& info) {
                             switch (info.param) {
                                 case Blocker::kDirectoryInItsPlace:
                                     return "DirectoryInItsPlace";
                                 case Blocker::kImmutableFile:
                                     return "ImmutableFile";
                                 case Blocker::kAnotherUsersPrivateFile:
                                     return "AnotherUsersPrivateFile";
                             }
                             return "";
                         });

// Root closing the program of another user keeps that user's file, so that the user's own
// later runs can still read and save it.
TEST_F(StateFilePlacesTest, ASaveAsRootKeepsTheOwnerAndModeOfTheFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can save into another user's file";
    const std::string data = program_ + "/data";
    ASSERT_EQ(SaveWith(locations_, "500", true), StateSaveOutcome::kBesideProgram);
    ASSERT_EQ(::chown(data.c_str(), kNobody, kNoGroup), 0);
    ASSERT_EQ(::chown(locations_.besideProgram.c_str(), kNobody, kNoGroup), 0);
    ASSERT_EQ(::chmod(locations_.besideProgram.c_str(), 0600), 0);

    ASSERT_EQ(SaveWith(locations_, "700", false), StateSaveOutcome::kBesideProgram);
    struct stat info {};
    ASSERT_EQ(::stat(locations_.besideProgram.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNoGroup);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    const int code = AsOrdinaryUser([&] {
        if (RestoredCode(locations_) != 30) return 1;
        if (SaveWith(locations_, "500", true) != StateSaveOutcome::kBesideProgram) return 2;
        return 0;
    });
    EXPECT_EQ(code, 0) << "1: the owner cannot restore, 2: the owner cannot save";
    EXPECT_EQ(ReadEntry(locations_.besideProgram, "编辑框", "编辑框_答案范围"), "500");
}

// Fails the rename of every save beside the program, whatever the reason would be.
FileReplaceCalls FailingBeside(const std::string& besideProgram) {
    FileReplaceCalls calls = SystemFileReplaceCalls();
    calls.rename = [besideProgram](const char* from, const char* to) {
        if (besideProgram == to) {
            errno = ENOSPC;
            return -1;
        }
        return SystemFileReplaceCalls().rename(from, to);
    };
    return calls;
}

// Once the fallback holds the newer save, a save beside the program that holds the same values
// must still be written, or the next start would restore the fallback's older options.
TEST_F(StateFilePlacesTest, TheNewerSaveWinsEvenWhenAFileAlreadyHoldsItsValues) {
    const FileReplaceCalls failing = FailingBeside(locations_.besideProgram);
    ASSERT_EQ(SaveWith(locations_, "1000", false), StateSaveOutcome::kBesideProgram);
    ASSERT_EQ(SaveWith(locations_, "500", true, failing), StateSaveOutcome::kFallback);
    EXPECT_EQ(RestoredCode(locations_), 21) << "the fallback holds the newer save";
    EXPECT_EQ(ReadEntry(locations_.besideProgram, "编辑框", "编辑框_答案范围"), "1000");

    // Back to the values the file beside the program holds.
    EXPECT_EQ(SaveWith(locations_, "1000", false), StateSaveOutcome::kBesideProgram);
    EXPECT_EQ(RestoredCode(locations_), 10);

    // And the same the other way round: the fallback already holds these values.
    EXPECT_EQ(SaveWith(locations_, "500", true, failing), StateSaveOutcome::kFallback);
    EXPECT_EQ(RestoredCode(locations_), 21);
}

TEST_F(StateFilePlacesTest, WithoutAFallbackAFailedSaveIsReported) {
    const StateFileLocations onlyBeside{locations_.besideProgram, ""};
    EXPECT_EQ(SaveWith(onlyBeside, "500", true, FailingBeside(onlyBeside.besideProgram)),
              StateSaveOutcome::kFailed);
    EXPECT_FALSE(fs::exists(onlyBeside.besideProgram));
}

}  // namespace
