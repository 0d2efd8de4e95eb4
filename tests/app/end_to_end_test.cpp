// The real program, copied into a directory of its own, started on a virtual X server and
// driven like a user with xdotool: it prints a sheet for the prepared options on a printer of a
// private CUPS scheduler, closes on the window manager's close request with exit code 0 and
// leaves the options in its control-state file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <regex>
#include <thread>

#include "../support/private_cups.h"
#include "platform/ini_file.h"
#include "platform/printers.h"
#include "settings/control_state_file.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using private_cups::RunProgram;

namespace {

// Starts a program with the environment of this process, changed by `set` and `unset`.
pid_t Spawn(const std::vector<std::string>& argv,
            const std::vector<std::pair<std::string, std::string>>& set = {},
            const std::vector<std::string>& unset = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = std::find(unset.begin(), unset.end(), name) != unset.end();
        for (const auto& [key, value] : set) replaced = replaced || key == name;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [key, value] : set) env.push_back(key + "=" + value);
    std::vector<char*> envp, args;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0) return -1;
    return pid;
}

// The exit status of the process, or nothing when it has not ended within the timeout.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!WaitForExit(pid, 5s)) {
        kill(pid, SIGKILL);
        WaitForExit(pid, 5s);
    }
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

// A virtual X server on the first free display from :70 on. It does not reset when its last
// client leaves, so a short-lived xdotool never makes the program's connection fail.
class VirtualDisplay {
public:
    VirtualDisplay() {
        for (int n = 70; n < 100 && pid_ <= 0; ++n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (fs::exists(lock) || fs::exists(socket)) continue;
            const std::string name = ":" + std::to_string(n);
            pid_ = Spawn(
                {"Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
            if (pid_ > 0 && WaitUntil([&] { return fs::exists(socket); }, 10s)) {
                name_ = name;
            } else {
                Stop(pid_);
                pid_ = -1;
            }
        }
    }
    ~VirtualDisplay() { Stop(pid_); }

    const std::string& Name() const { return name_; }

    // Runs xdotool on this display and gives its output.
    std::string XDoTool(std::vector<std::string> args) const {
        args.insert(args.begin(), {"env", "DISPLAY=" + name_, "xdotool"});
        return RunProgram(args).output;
    }

    // Asks the window to close, as a window manager does when the user clicks its close box.
    bool RequestClose(uint32_t window) const {
        xcb_connection_t* connection = xcb_connect(name_.c_str(), nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return false;
        }
        auto atom = [&](const char* atomName) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
                connection, xcb_intern_atom(connection, 0, std::strlen(atomName), atomName),
                nullptr);
            const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
            std::free(reply);
            return result;
        };
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        // A checked request waits for the server's answer, so the event has been delivered
        // before the connection closes.
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                               reinterpret_cast<const char*>(&event)));
        const bool sent = error == nullptr;
        std::free(error);
        xcb_disconnect(connection);
        return sent;
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

class EndToEndTest : public private_cups::PrivateCupsTest {
protected:
    void SetUp() override {
        PrivateCupsTest::SetUp();
        jobFile_ = cups_.AddQueue("Schule_Drucker", "Classroom printer");
        ASSERT_EQ(MakeDefaultPrinter("Schule_Drucker"), 1);
        ASSERT_FALSE(display_.Name().empty()) << "no virtual X server";

        char pattern[] = "/tmp/pelmora-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        // The program keeps its data beside its own file (symbolic links resolved), so it runs
        // from a copy of its own.
        fs::create_directories(root_ / "bin");
        program_ = root_ / "bin" / "vantrel-pelmora";
        fs::copy_file(PELMORA_PROGRAM, program_);
    }

    void TearDown() override {
        Stop(pid_);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void StartProgram(const std::vector<std::pair<std::string, std::string>>& extraEnv = {}) {
        auto env = extraEnv;
        env.emplace_back("DISPLAY", display_.Name());
        // Never the user's own configuration directory, where a save may go.
        if (std::none_of(env.begin(), env.end(),
                         [](const auto& e) { return e.first == "XDG_CONFIG_HOME"; })) {
            env.emplace_back("XDG_CONFIG_HOME", (root_ / "config-home").string());
        }
        pid_ = Spawn({program_.string()}, env, {"QT_QPA_PLATFORM"});
        ASSERT_GT(pid_, 0);
        ASSERT_TRUE(WaitUntil(
            [&] {
                window_ =
                    display_.XDoTool({"search", "--onlyvisible", "--name", "VantrelPelmorav1\\.1"});
                return !window_.empty();
            },
            20s))
            << "the window did not appear";
        window_ = window_.substr(0, window_.find('\n'));
    }

    // Clicks at a point given in the window's client coordinates.
    void ClickAt(int x, int y) {
        display_.XDoTool(
            {"mousemove", "--window", window_, std::to_string(x), std::to_string(y), "click", "1"});
    }

    int CloseAndWait() {
        EXPECT_TRUE(display_.RequestClose(static_cast<uint32_t>(std::stoul(window_))));
        const std::optional<int> status = WaitForExit(pid_, 15s);
        pid_ = -1;
        return status.value_or(-100);
    }

    VirtualDisplay display_;
    fs::path root_, program_, jobFile_;
    pid_t pid_ = -1;
    std::string window_;
};

TEST_F(EndToEndTest, PrintsTheSheetOfThePreparedOptionsAndSavesThemAtClose) {
    // Options of an earlier run: multiplication only, two numbers up to 9, answers below 100,
    // 20 questions with the answers shown.
    fs::create_directories(root_ / "bin" / "data");
    const std::string file = (root_ / "bin" / "data" / "config.abc").string();
    WriteEntry(file, "选择框", "选择框_加", EncodeChecked(false));
    WriteEntry(file, "选择框", "选择框_减", EncodeChecked(false));
    WriteEntry(file, "选择框", "选择框_乘", EncodeChecked(true));
    WriteEntry(file, "选择框", "选择框_显示答案", EncodeChecked(true));
    WriteEntry(file, "编辑框", "编辑框_数字范围", "9");
    WriteEntry(file, "编辑框", "编辑框_答案范围", "100");
    ComboState operands{{{"2", 0}, {"3", 0}, {"4", 0}}, 0, "2"};
    ComboState count{{{"10", 0}, {"20", 0}}, 1, "20"};
    WriteEntry(file, "组合框", "组合框_n元运算", EncodeComboState(operands));
    WriteEntry(file, "组合框", "组合框_出题数量", EncodeComboState(count));

    StartProgram();
    // 按钮_直接打印: page position 96,352 (80 x 32) on the tab control at 8,8.
    ClickAt(8 + 96 + 40, 8 + 352 + 16);
    ASSERT_TRUE(cups_.WaitForCompletedJobs("Schule_Drucker", 1, 30s)) << "nothing was printed";

    const std::string text = private_cups::PdfText(jobFile_);
    EXPECT_TRUE(std::regex_search(text, std::regex("题目数量(：|:)\\s*20"))) << text;
    EXPECT_EQ(text.find('+'), std::string::npos) << text;
    EXPECT_EQ(text.find("÷"), std::string::npos) << text;
    const std::regex question("(\\d+)×(\\d+)=");
    int questions = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), question);
         it != std::sregex_iterator(); ++it) {
        const int a = std::stoi((*it)[1]), b = std::stoi((*it)[2]);
        EXPECT_TRUE(a >= 1 && a <= 9 && b >= 1 && b <= 9 && a != b) << it->str();
        EXPECT_LT(a * b, 100);
        ++questions;
    }
    EXPECT_GE(questions, 20);

    EXPECT_EQ(CloseAndWait(), 0);
    EXPECT_EQ(ReadEntry(file, "选择框", "选择框_加"), "假");
    EXPECT_NE(ReadEntry(file, "选择框", "选择框_乘"), "假");
    EXPECT_EQ(ReadEntry(file, "编辑框", "编辑框_数字范围"), "9");
    EXPECT_EQ(DecodeComboState(ReadEntry(file, "组合框", "组合框_出题数量"))->text, "20");
    EXPECT_EQ(DecodeComboState(ReadEntry(file, "组合框", "组合框_n元运算"))->items.size(), 3u);
    EXPECT_EQ(ReadEntry(file, "组合框", "组合框_打印机", "absent"), "absent");
}

// Where "data" beside the program cannot be a directory, the options go to the user's
// configuration directory instead, and the start and close still succeed.
TEST_F(EndToEndTest, DataDirectoryFallsBackWhenItCannotBeCreatedBesideTheProgram) {
    {
        std::ofstream blocker(root_ / "bin" / "data");
        blocker << "not a directory";
    }
    const fs::path config = root_ / "config-home";
    StartProgram({{"XDG_CONFIG_HOME", config.string()}});
    EXPECT_EQ(CloseAndWait(), 0);
    EXPECT_TRUE(fs::is_regular_file(root_ / "bin" / "data"));
    const std::string file = (config / "vantrel-pelmora" / "config.abc").string();
    EXPECT_EQ(ReadEntry(file, "编辑框", "编辑框_答案范围"), "1000");
    EXPECT_NE(ReadEntry(file, "选择框", "选择框_加"), "假");
}

}  // namespace
