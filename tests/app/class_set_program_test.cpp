// Class sets in the running program: 组合框_份数 kept across a restart, the three buttons making
// several different sheets into one document, and the PDF export with its file dialog given
// by the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "../support/private_cups.h"
#include "app/program.h"
#include "app/sheet_set_run.h"
#include "app_test_support.h"
#include "output/pdf_export.h"
#include "platform/ini_file.h"
#include "platform/program_directory.h"

namespace fs = std::filesystem;
using app_test::Q;
using app_test::RecordingMessages;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::StartsWith;

namespace {

// The question cells of a sheet, row by row.
std::vector<std::string> Questions(const DataSource& sheet) {
    std::vector<std::string> cells;
    for (int32_t r = 2; r <= sheet.RowCount(); ++r) {
        for (int32_t c = 1; c <= sheet.ColumnCount(); ++c) cells.push_back(sheet.CellText(r, c));
    }
    return cells;
}

class ClassSetProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::Application();
        dataDirectory_ = fs::path(ProgramDirectory()) / "data";
        fs::remove_all(dataDirectory_);
        exportDirectory_ =
            fs::temp_directory_path() / ("pelmora-export-" + std::to_string(getpid()));
        fs::remove_all(exportDirectory_);
        fs::create_directories(exportDirectory_);
    }
    void TearDown() override {
        program_.reset();
        fs::remove_all(dataDirectory_);
        fs::remove_all(exportDirectory_);
    }

    // Starts a program whose previews and printouts are recorded instead of shown, and whose
    // file dialog answers with exportPath_.
    void StartProgram() {
        program_ = std::make_unique<Program>(
            [this](WindowSteps& steps) {
                steps.showPreview = [this] { log_.push_back("preview"); };
                steps.printSheet = [this] { log_.push_back("print"); };
                steps.previewSet = [this] { RecordSet("preview set"); };
                steps.printSet = [this] { RecordSet("print set"); };
                steps.fillPrinterList = [] {};
                steps.applyDefaultPrinter = [] {};
            },
            &messages_);
        program_->SetPdfPathChooser([this](const std::string& suggested) {
            suggested_.push_back(suggested);
            return exportPath_;
        });
        program_->Start();
    }

    void RecordSet(const std::string& step) {
        ASSERT_TRUE(program_->LastSet().has_value());
        log_.push_back(step + " of " + std::to_string(program_->LastSet()->Count()));
    }

    QComboBox* SheetCount() const {
        return program_->Window().findChild<QComboBox*>(Q(kSheetCountCombo));
    }

    void Click(const char* button) {
        QTest::mouseClick(program_->Window().findChild<QPushButton*>(Q(button)), Qt::LeftButton);
    }

    // Products and quotients of nine numbers up to 30000 with answers below 10 are too rare for
    // any draw or search to meet within the effort bound: long runs.
    void AskForNineFactorsAndDivisorsUpTo30000() {
        ControlWindow& controls = program_->Controls();
        controls.SetChecked("选择框_加", false);
        controls.SetChecked("选择框_减", false);
        controls.SetChecked("选择框_乘", true);
        controls.SetChecked("选择框_除", true);
        controls.SetComboSelectedIndex("组合框_n元运算", 7);
        controls.SetEditText("编辑框_数字范围", "30000");
        controls.SetEditText("编辑框_答案范围", "10");
    }

    fs::path dataDirectory_;
    fs::path exportDirectory_;
    std::string exportPath_;
    std::vector<std::string> suggested_;
    RecordingMessages messages_;
    std::unique_ptr<Program> program_;
    std::vector<std::string> log_;
};

TEST_F(ClassSetProgramTest, SheetCountIsSavedAndComesBackAfterARestart) {
    StartProgram();
    SheetCount()->setCurrentIndex(2);
    ASSERT_TRUE(program_->Window().close());
    const std::string file = (dataDirectory_ / "config.abc").string();
    EXPECT_NE(ReadEntry(file, "组合框", kSheetCountCombo, "absent"), "absent");

    StartProgram();
    EXPECT_EQ(SheetCount()->count(), 50);
    EXPECT_EQ(SheetCount()->currentText(), Q("3"));
    Click("按钮_出题预览");
    EXPECT_THAT(log_, ElementsAre("preview set of 3"));
}

TEST_F(ClassSetProgramTest, AFileWithoutTheSheetCountLeavesItAsDesigned) {
    StartProgram();
    SheetCount()->setCurrentIndex(9);
    program_->Controls().SetEditText("编辑框_答案范围", "500");
    ASSERT_TRUE(program_->Window().close());
    // A file of an earlier version: the same options, without an entry for the sheet count.
    const std::string file = (dataDirectory_ / "config.abc").string();
    const std::string answers = ReadEntry(file, "编辑框", "编辑框_答案范围");
    fs::remove(file);
    ASSERT_TRUE(WriteEntry(file, "编辑框", "编辑框_答案范围", answers));

    StartProgram();
    EXPECT_EQ(program_->Controls().EditText("编辑框_答案范围"), "500");
    EXPECT_EQ(SheetCount()->count(), 50);
    EXPECT_EQ(SheetCount()->currentIndex(), 0);
    Click("按钮_出题预览");
    EXPECT_THAT(log_, ElementsAre("preview"));
}

TEST_F(ClassSetProgramTest, OneSheetTakesTheSingleSheetPathAsBefore) {
    StartProgram();
    Click("按钮_出题预览");
    Click("按钮_直接打印");
    EXPECT_THAT(log_, ElementsAre("preview", "print"));
    EXPECT_FALSE(program_->LastSet().has_value());
    EXPECT_THAT(messages_.shown, IsEmpty());
}

TEST_F(ClassSetProgramTest, ThreeSheetsAreDifferentAndShareTheMomentOfTheirHeader) {
    StartProgram();
    SheetCount()->setCurrentIndex(2);
    Click("按钮_出题预览");
    ASSERT_THAT(log_, ElementsAre("preview set of 3"));
    const SheetSet& set = *program_->LastSet();
    for (int32_t i = 0; i < set.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(set.Sheet(i).RowCount(), 21);
        EXPECT_THAT(set.Sheet(i).CellText(1, 1), StartsWith("题目数量：100"));
        EXPECT_EQ(set.Sheet(i).CellText(1, 1), set.Sheet(0).CellText(1, 1));
        for (int32_t j = 0; j < i; ++j) EXPECT_NE(Questions(set.Sheet(i)), Questions(set.Sheet(j)));
    }

    Click("按钮_直接打印");
    EXPECT_THAT(log_, ElementsAre("preview set of 3", "print set of 3"));
    EXPECT_THAT(messages_.shown, IsEmpty());
}

TEST_F(ClassSetProgramTest, ImpossibleOptionsRefuseTheWholeSetOncePerPress) {
    StartProgram();
    SheetCount()->setCurrentIndex(4);
    program_->Controls().SetEditText("编辑框_答案范围", "0");
    Click("按钮_出题预览");
    Click("按钮_直接打印");
    Click("按钮_导出PDF");
    EXPECT_THAT(log_, IsEmpty());
    EXPECT_THAT(suggested_, IsEmpty());  // no file is asked for
    ASSERT_EQ(messages_.shown.size(), 3u);
    for (const auto& [text, style] : messages_.shown) EXPECT_EQ(style, MessageBox::kError);
    EXPECT_FALSE(program_->LastSet().has_value());
}

TEST_F(ClassSetProgramTest, OptionsTooStrictEndTheSetWithOneWarningAfterItsProgress) {
    StartProgram();
    SheetCount()->setCurrentIndex(2);
    AskForNineFactorsAndDivisorsUpTo30000();
    Click("按钮_直接打印");
    EXPECT_THAT(log_, IsEmpty());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].second, MessageBox::kWarning);
    EXPECT_FALSE(messages_.progressShownMeanwhile);
}

TEST_F(ClassSetProgramTest, CancelStopsTheWholeSetWithoutAWord) {
    StartProgram();
    SheetCount()->setCurrentIndex(2);
    AskForNineFactorsAndDivisorsUpTo30000();
    QString label;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                dialog && dialog->isVisible()) {
                label = dialog->labelText();
                dialog->cancel();
            }
        }
    });
    canceller.start(100);
    Click("按钮_出题预览");
    EXPECT_THAT(label.toStdString(), HasSubstr("共 3 份"));
    EXPECT_THAT(log_, IsEmpty());
    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_FALSE(program_->LastSet().has_value());
}

TEST_F(ClassSetProgramTest, StoredCountAboveFiftyIsRefusedWithoutARun) {
    StartProgram();
    program_->Controls().ComboClear(kSheetCountCombo);
    program_->Controls().ComboAppend(kSheetCountCombo, "5000", 0);
    program_->Controls().SetComboSelectedIndex(kSheetCountCombo, 0);
    Click("按钮_导出PDF");
    EXPECT_THAT(messages_.shown, ElementsAre(Pair(kTooManySheetsText, MessageBox::kError)));
    EXPECT_THAT(suggested_, IsEmpty());
}

TEST_F(ClassSetProgramTest, ExportWritesTheSetWhereTheUserChose) {
    StartProgram();
    SheetCount()->setCurrentIndex(2);
    exportPath_ = (exportDirectory_ / "三班.pdf").string();
    Click("按钮_导出PDF");

    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_EQ(private_cups::PdfPageCount(exportPath_), 3);
    ASSERT_EQ(suggested_.size(), 1u);
}

// Where the file dialog starts: today's name in the documents folder, or in the home folder of
// a user who has none.
struct StartFolderCase {
    const char* name;
    bool documentsFolderExists;
    const char* expectedFolder;  // inside the home folder
};

void PrintTo(const StartFolderCase& c, std::ostream* out) {
    *out << c.name;
}

class ExportStartFolderTest : public ClassSetProgramTest,
                              public ::testing::WithParamInterface<StartFolderCase> {
protected:
    void SetUp() override {
        ClassSetProgramTest::SetUp();
        hadHome_ = qEnvironmentVariableIsSet("HOME");
        savedHome_ = qgetenv("HOME");
        home_ = exportDirectory_ / "home";
        fs::create_directories(home_);
        qputenv("HOME", QByteArray::fromStdString(home_.string()));
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_HOME");  // no user-dirs.dirs moving the documents folder
    }
    void TearDown() override {
        if (hadHome_) {
            qputenv("HOME", savedHome_);
        } else {
            qunsetenv("HOME");
        }
        if (!savedConfigHome_.isEmpty()) qputenv("XDG_CONFIG_HOME", savedConfigHome_);
        ClassSetProgramTest::TearDown();
    }
    bool hadHome_ = false;
    QByteArray savedHome_;
    QByteArray savedConfigHome_;
    fs::path home_;
};

TEST_P(ExportStartFolderTest, OffersTodaysNameThere) {
    if (GetParam().documentsFolderExists) fs::create_directories(home_ / "Documents");
    StartProgram();
    exportPath_.clear();  // the user cancels the dialog
    Click("按钮_导出PDF");

    const QDate today = QDate::currentDate();
    const std::string expected = (home_ / GetParam().expectedFolder).string() +
                                 SuggestedPdfFileName(today.year(), today.month(), today.day());
    EXPECT_THAT(suggested_, ElementsAre(expected));
}

const StartFolderCase kStartFolders[] = {
    {"DocumentsFolder", true, "Documents/"},
    {"HomeFolderWithoutDocuments", false, ""},
};

INSTANTIATE_TEST_SUITE_P(Folders, ExportStartFolderTest, ::testing::ValuesIn(kStartFolders),
                         [](const ::testing::TestParamInfo<StartFolderCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ClassSetProgramTest, ExportOfOneSheetWritesOnePage) {
    StartProgram();
    exportPath_ = (exportDirectory_ / "一份.pdf").string();
    Click("按钮_导出PDF");
    EXPECT_EQ(private_cups::PdfPageCount(exportPath_), 1);
    EXPECT_THAT(log_, IsEmpty());  // neither preview nor print
}

TEST_F(ClassSetProgramTest, CancelledFileDialogWritesAndSaysNothing) {
    StartProgram();
    exportPath_.clear();
    Click("按钮_导出PDF");
    EXPECT_EQ(suggested_.size(), 1u);
    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_TRUE(fs::is_empty(exportDirectory_));
}

TEST_F(ClassSetProgramTest, ExportThatCannotBeWrittenIsReportedWithTheReason) {
    StartProgram();
    SheetCount()->setCurrentIndex(1);
    std::ofstream(exportDirectory_ / "a-file") << "not a folder";
    exportPath_ = (exportDirectory_ / "a-file" / "练习.pdf").string();
    Click("按钮_导出PDF");

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_THAT(messages_.shown[0].first, HasSubstr(exportPath_));
    EXPECT_EQ(messages_.shown[0].second, MessageBox::kError);
    EXPECT_FALSE(messages_.progressShownMeanwhile);
    EXPECT_EQ(std::distance(fs::directory_iterator(exportDirectory_), fs::directory_iterator()), 1);
    // The window goes on: the next export works.
    messages_.shown.clear();
    exportPath_ = (exportDirectory_ / "练习.pdf").string();
    Click("按钮_导出PDF");
    EXPECT_THAT(messages_.shown, IsEmpty());
    EXPECT_EQ(private_cups::PdfPageCount(exportPath_), 2);
}

}  // namespace
