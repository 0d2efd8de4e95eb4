#include "output/printer_choice.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../support/private_cups.h"
#include "fake_window.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

namespace {

class PrinterChoiceTest : public private_cups::PrivateCupsTest {
protected:
    // The position of the printer in the list CUPS gives.
    static int32_t PositionOf(const std::string& name) {
        const std::vector<std::string> names = InstalledPrinters();
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int32_t>(it - names.begin());
    }

    // Fills the list of a fresh window and selects `name` in it.
    void ChooseInFreshWindow(const std::string& name) {
        FillPrinterList(window_);
        window_.SetComboSelectedIndex(kPrinterComboName, PositionOf(name));
    }

    FakeComboWindow window_;
    RecordingMessageBox messages_;
};

TEST_F(PrinterChoiceTest, TheListHoldsThePrintersInOrderWithTheDefaultSelected) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("beta", "Beta printer");
    cups_.AddQueue("打印机二", "第二 台");
    ASSERT_EQ(MakeDefaultPrinter("打印机二"), 1);

    FillPrinterList(window_);
    EXPECT_EQ(window_.Items(kPrinterComboName), InstalledPrinters());
    EXPECT_THAT(window_.Items(kPrinterComboName),
                UnorderedElementsAre("alpha", "beta", "打印机二"));
    EXPECT_EQ(window_.ComboText(kPrinterComboName), "打印机二");

    FakeComboWindow second;
    ASSERT_EQ(MakeDefaultPrinter("beta"), 1);
    FillPrinterList(second);
    EXPECT_EQ(second.ComboSelectedIndex(kPrinterComboName), PositionOf("beta"));
}

TEST_F(PrinterChoiceTest, WithoutADefaultNothingIsSelected) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("beta");

    FillPrinterList(window_);
    EXPECT_THAT(window_.Items(kPrinterComboName), ElementsAre("alpha", "beta"));
    EXPECT_EQ(window_.ComboSelectedIndex(kPrinterComboName), -1);
}

TEST_F(PrinterChoiceTest, WithoutPrintersTheListStaysEmpty) {
    FillPrinterList(window_);
    EXPECT_THAT(window_.Items(kPrinterComboName), IsEmpty());
    EXPECT_EQ(window_.ComboSelectedIndex(kPrinterComboName), -1);
}

TEST_F(PrinterChoiceTest, ItemsRestoredInFrontOfThePrintersShiftTheComparedPositions) {
    // Only a hand-edited settings file can put items into the box before the printers; the
    // positions compared are then those of the first items, so here nothing matches.
    cups_.AddQueue("alpha");
    ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);
    window_.ComboAppend(kPrinterComboName, "restored", 0);

    FillPrinterList(window_);
    EXPECT_THAT(window_.Items(kPrinterComboName), ElementsAre("restored", "alpha"));
    EXPECT_EQ(window_.ComboSelectedIndex(kPrinterComboName), -1);
}

TEST_F(PrinterChoiceTest, ApplyingTheChosenPrinterMakesItTheDefaultAndSaysSo) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("打印机二");
    ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);

    ChooseInFreshWindow("打印机二");
    ApplyDefaultPrinter(window_, messages_);

    EXPECT_THAT(messages_.shown, ElementsAre(Pair("默认打印机设置成功！", 64)));
    EXPECT_EQ(DefaultPrinterName(), "打印机二");
    FakeComboWindow reopened;
    FillPrinterList(reopened);
    EXPECT_EQ(reopened.ComboText(kPrinterComboName), "打印机二");
}

TEST_F(PrinterChoiceTest, APrinterThatIsGoneOrNoSelectionGivesTheFailureMessage) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("beta");
    ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);

    ChooseInFreshWindow("beta");
    cups_.RemoveQueue("beta");  // removed while the window was open
    ApplyDefaultPrinter(window_, messages_);

    window_.SetComboSelectedIndex(kPrinterComboName, -1);
    ApplyDefaultPrinter(window_, messages_);

    EXPECT_THAT(messages_.shown,
                ElementsAre(Pair("默认打印机设置失败！", 16), Pair("默认打印机设置失败！", 16)));
    EXPECT_EQ(DefaultPrinterName(), "alpha");
}

}  // namespace
