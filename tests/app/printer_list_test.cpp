// The printer list of the real window on a private print system: the combo box and the button
// "设置默认打印机" as the user sees and presses them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "../support/private_cups.h"
#include "../support/recording_message_box.h"
#include "app/program.h"
#include "app_test_support.h"
#include "platform/printers.h"

using app_test::Q;
using ::testing::ElementsAre;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

namespace {

// libcups must see the private scheduler's environment before anything in the process talks to
// CUPS (see private_cups.h), so it starts while the program is loaded.
[[maybe_unused]] const bool kSchedulerFirst = (private_cups::PrivateCups::Shared(), true);

class PrinterListTest : public private_cups::PrivateCupsTest {
protected:
    void SetUp() override {
        PrivateCupsTest::SetUp();
        app_test::Application();
    }

    // Starts a program with the real printer list and default-printer button; the option states
    // and the data directory are left alone.
    void StartProgram() {
        program_ = std::make_unique<Program>(
            [](WindowSteps& steps) {
                steps.restoreStates = [] {};
                steps.createDataDirectory = [] {};
                steps.saveStates = [] {};
            },
            &messages_);
        program_->Start();
    }

    QComboBox& PrinterList() {
        return *program_->Window().findChild<QComboBox*>(Q("组合框_打印机"));
    }
    void PressMakeDefault() {
        QTest::mouseClick(program_->Window().findChild<QPushButton*>(Q("按钮1")), Qt::LeftButton);
    }

    RecordingMessageBox messages_;
    std::unique_ptr<Program> program_;
};

TEST_F(PrinterListTest, PrintersWithoutADefaultShowNoSelectionAndTheButtonReportsFailure) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("beta", "Beta printer");
    ASSERT_EQ(DefaultPrinterName(), "");

    StartProgram();
    QComboBox& list = PrinterList();
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(list.currentText(), QString());

    PressMakeDefault();
    EXPECT_THAT(messages_.shown, ElementsAre(Pair("默认打印机设置失败！", 16)));
    EXPECT_EQ(DefaultPrinterName(), "") << "no printer was made the default behind the user's back";
}

TEST_F(PrinterListTest, TheDefaultPrinterIsSelectedAndAChosenOneCanBeMadeTheDefault) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("打印机二", "第二台 打印机");
    ASSERT_EQ(MakeDefaultPrinter("打印机二"), 1);

    StartProgram();
    QComboBox& list = PrinterList();
    EXPECT_THAT((std::vector<QString>{list.itemText(0), list.itemText(1)}),
                UnorderedElementsAre(Q("alpha"), Q("打印机二")));
    EXPECT_EQ(list.currentText(), Q("打印机二"));

    list.setCurrentIndex(list.findText(Q("alpha")));
    PressMakeDefault();
    EXPECT_THAT(messages_.shown, ElementsAre(Pair("默认打印机设置成功！", 64)));
    EXPECT_EQ(DefaultPrinterName(), "alpha");
}

}  // namespace
