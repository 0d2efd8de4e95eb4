// The window wired to the real operations: what the created and closing events leave on disk,
// options kept across a restart, and the two action buttons with generation runs that succeed,
// are refused or take long enough to be cancelled.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "app/hidden_components.h"
#include "app/program.h"
#include "app_test_support.h"
#include "platform/ini_file.h"
#include "platform/program_directory.h"
#include "settings/control_state_file.h"

namespace fs = std::filesystem;
using app_test::Q;
using app_test::RecordingMessages;
using ::testing::IsEmpty;

namespace {

// Every cell of the sheet, row by row.
std::vector<std::string> SheetCells(DataSource& sheet) {
    std::vector<std::string> cells;
    for (int row = 1; row <= sheet.RowCount(); ++row) {
        for (int column = 1; column <= sheet.ColumnCount(); ++column) {
            cells.push_back(sheet.CellText(row, column));
        }
    }
    return cells;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::Application();
        // The tests of this program run one at a time and own the data directory beside it.
        dataDirectory_ = fs::path(ProgramDirectory()) / "data";
        fs::remove_all(dataDirectory_);
        // A save that cannot be stored beside the program goes to the configuration directory;
        // never the user's own.
        configHome_ = fs::path(ProgramDirectory()) / "config-home";
        fs::remove_all(configHome_);
        ::setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
    }
    void TearDown() override {
        fs::remove_all(dataDirectory_);
        fs::remove_all(configHome_);
        ::unsetenv("XDG_CONFIG_HOME");
    }

    // Starts a program whose preview and printout are recorded instead of shown.
    void StartProgram() {
        program_ = std::make_unique<Program>(
            [this](WindowSteps& steps) {
                steps.showPreview = [this] {
                    previews_.push_back(SheetCells(program_->Window().Hidden().Source()));
                };
                steps.printSheet = [this] { ++printouts_; };
                steps.fillPrinterList = [] {};  // no printing system in these tests
                steps.applyDefaultPrinter = [] {};
            },
            &messages_);
        program_->Start();
    }

    // Products and quotients of nine numbers up to 30000 with answers below 10 are too rare for
    // any draw or search to meet, so a run with these options goes on long enough to show its
    // progress dialog, and ends too strict.
    void StartWithNineFactorsAndDivisorsUpTo30000() {
        StartProgram();
        ControlWindow& controls = program_->Controls();
        controls.SetChecked("选择框_加", false);
        controls.SetChecked("选择框_减", false);
        controls.SetChecked("选择框_乘", true);
        controls.SetChecked("选择框_除", true);
        controls.SetComboSelectedIndex("组合框_n元运算", 7);
        controls.SetEditText("编辑框_数字范围", "30000");
        controls.SetEditText("编辑框_答案范围", "10");
    }

    void Click(const char* button) {
        QTest::mouseClick(program_->Window().findChild<QPushButton*>(Q(button)), Qt::LeftButton);
    }

    fs::path dataDirectory_;
    fs::path configHome_;
    RecordingMessages messages_;
    std::unique_ptr<Program> program_;
    std::vector<std::vector<std::string>> previews_;
    int printouts_ = 0;
};

TEST_F(ProgramTest, FirstStartCreatesTheDataDirectoryBesideTheProgramAndCloseSavesIntoIt) {
    StartProgram();
    EXPECT_TRUE(program_->Window().isVisible());
    EXPECT_TRUE(fs::is_directory(dataDirectory_));
    EXPECT_EQ(DataDirectory(), dataDirectory_.string());
    // First start: no saved states, every control as designed.
    EXPECT_TRUE(program_->Controls().IsChecked("选择框_加"));
    EXPECT_EQ(program_->Controls().EditText("编辑框_答案范围"), "1000");
    EXPECT_FALSE(fs::exists(dataDirectory_ / "config.abc"));

    EXPECT_TRUE(program_->Window().close());
    EXPECT_TRUE(fs::exists(dataDirectory_ / "config.abc"));
}

TEST_F(ProgramTest, ChangedOptionsSurviveCloseAndRestart) {
    StartProgram();
    MainWindow& window = program_->Window();
    QTest::mouseClick(window.findChild<QCheckBox*>(Q("选择框_乘")), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QCheckBox*>(Q("选择框_加")), Qt::LeftButton);
    auto* range = window.findChild<QLineEdit*>(Q("编辑框_数字范围"));
    range->clear();
    auto* answers = window.findChild<QLineEdit*>(Q("编辑框_答案范围"));
    answers->selectAll();
    QTest::keyClicks(answers, QStringLiteral("500"));
    window.findChild<QComboBox*>(Q("组合框_出题数量"))->setCurrentIndex(2);
    program_->Controls().ComboAppend("组合框_打印机", "某台打印机", 0);
    const std::string help = program_->Controls().EditText("编辑框1") + "第十一行\r\n";
    program_->Controls().SetEditText("编辑框1", help);
    ASSERT_TRUE(window.close());

    const std::string file = (dataDirectory_ / "config.abc").string();
    EXPECT_EQ(ReadEntry(file, "选择框", "选择框_加"), "假");
    EXPECT_NE(ReadEntry(file, "选择框", "选择框_乘"), "假");
    EXPECT_EQ(ReadEntry(file, "编辑框", "编辑框_答案范围"), "500");
    EXPECT_EQ(ReadEntry(file, "编辑框", "编辑框_数字范围"), "");
    EXPECT_EQ(ReadEntry(file, "组合框", "组合框_打印机", "absent"), "absent");
    EXPECT_NE(ReadEntry(file, "编辑框", "编辑框1").find("了><br><第十一行><br><"),
              std::string::npos);

    StartProgram();
    ControlWindow& controls = program_->Controls();
    EXPECT_FALSE(controls.IsChecked("选择框_加"));
    EXPECT_TRUE(controls.IsChecked("选择框_减"));
    EXPECT_TRUE(controls.IsChecked("选择框_乘"));
    EXPECT_EQ(controls.EditText("编辑框_答案范围"), "500");
    EXPECT_EQ(controls.EditText("编辑框_数字范围"), "100");  // an empty box comes back designed
    EXPECT_EQ(controls.ComboText("组合框_出题数量"), "30");
    EXPECT_EQ(controls.ComboCount("组合框_打印机"), 0);
    EXPECT_EQ(controls.EditText("编辑框1"), help);  // every line break back in its place
}

// A directory where the file should be: the close saves into the configuration directory
// instead, and the next start restores from there.
TEST_F(ProgramTest, ASaveThatCannotBeStoredBesideTheProgramIsKeptInTheConfigurationDirectory) {
    fs::create_directories(dataDirectory_ / "config.abc" / "inner");
    StartProgram();
    program_->Controls().SetChecked("选择框_乘", true);
    program_->Controls().SetEditText("编辑框_答案范围", "321");
    ASSERT_TRUE(program_->Window().close());
    const std::string fallback = (configHome_ / "vantrel-pelmora" / "config.abc").string();
    EXPECT_EQ(ReadEntry(fallback, "编辑框", "编辑框_答案范围"), "321");
    EXPECT_TRUE(fs::is_directory(dataDirectory_ / "config.abc" / "inner"));

    StartProgram();
    EXPECT_TRUE(program_->Controls().IsChecked("选择框_乘"));
    EXPECT_EQ(program_->Controls().EditText("编辑框_答案范围"), "321");
}

TEST_F(ProgramTest, EveryPressGeneratesANewSheet) {
    StartProgram();
    Click("按钮_出题预览");
    Click("按钮_出题预览");
    Click("按钮_直接打印");
    ASSERT_EQ(previews_.size(), 2u);
    EXPECT_EQ(printouts_, 1);
    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_NE(previews_[0], previews_[1]);
    EXPECT_NE(SheetCells(program_->Window().Hidden().Source()), previews_[1]);
}

TEST_F(ProgramTest, ImpossibleOptionsShowTheReasonAndNoPreview) {
    StartProgram();
    program_->Controls().SetEditText("编辑框_答案范围", "0");
    Click("按钮_出题预览");
    Click("按钮_直接打印");
    EXPECT_THAT(previews_, IsEmpty());
    EXPECT_EQ(printouts_, 0);
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[0].second, MessageBox::kError);
    EXPECT_FALSE(messages_.shown[0].first.empty());
}

// The progress dialog's cancel button stops a long run without a message.
TEST_F(ProgramTest, LongRunShowsProgressAndCanBeCancelled) {
    StartWithNineFactorsAndDivisorsUpTo30000();

    bool dialogSeen = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                dialog && dialog->isVisible()) {
                dialogSeen = true;
                dialog->cancel();
            }
        }
    });
    canceller.start(100);
    QElapsedTimer clock;
    clock.start();
    Click("按钮_出题预览");
    EXPECT_TRUE(dialogSeen);
    EXPECT_LT(clock.elapsed(), 2000);  // cancelled well before the effort bound
    EXPECT_THAT(previews_, IsEmpty());
    EXPECT_THAT(messages_.shown, IsEmpty());
}

TEST_F(ProgramTest, OptionsTooStrictForTheEffortBoundEndWithAWarning) {
    StartWithNineFactorsAndDivisorsUpTo30000();
    Click("按钮_直接打印");
    EXPECT_EQ(printouts_, 0);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].second, MessageBox::kWarning);
    EXPECT_FALSE(messages_.shown[0].first.empty());
    EXPECT_FALSE(messages_.progressShownMeanwhile);  // the progress has gone before the message
}

}  // namespace
