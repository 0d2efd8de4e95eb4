#include "platform/printers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../support/private_cups.h"

using private_cups::RunProgram;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

class PrintersTest : public private_cups::PrivateCupsTest {
protected:
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // The default as the CUPS command-line tools see it.
    static std::string LpstatDefault() { return RunProgram({"lpstat", "-d"}).output; }
};

TEST_F(PrintersTest, NoPrintersMeansAnEmptyListAndNoDefault) {
    EXPECT_THAT(InstalledPrinters(), IsEmpty());
    EXPECT_EQ(DefaultPrinterName(), "");
    EXPECT_EQ(MakeDefaultPrinter("alpha"), 0);
}

TEST_F(PrintersTest, ListsEveryQueueInTheOrderOfCupsWithNamesUnchanged) {
    cups_.AddQueue("beta", "Beta printer in room 2");
    cups_.AddQueue("打印机二", "第二台 打印机");
    cups_.AddQueue("Alpha");
    EXPECT_THAT(InstalledPrinters(), UnorderedElementsAre("Alpha", "beta", "打印机二"));
    // The order is that of CUPS' own destination list (by name, letters without regard to
    // case, bytes of Chinese characters as signed, so they come first).
    EXPECT_EQ(Lines(RunProgram({"lpstat", "-e"}).output), InstalledPrinters());
    EXPECT_EQ(DefaultPrinterName(), "");
}

TEST_F(PrintersTest, MakingAPrinterDefaultIsSeenByCupsAndByTheNextQuestion) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("打印机二");

    EXPECT_EQ(MakeDefaultPrinter("打印机二"), 1);
    EXPECT_EQ(DefaultPrinterName(), "打印机二");
    EXPECT_NE(LpstatDefault().find("打印机二"), std::string::npos) << LpstatDefault();

    EXPECT_EQ(MakeDefaultPrinter("alpha"), 1);
    EXPECT_EQ(DefaultPrinterName(), "alpha");
    EXPECT_NE(LpstatDefault().find("alpha"), std::string::npos) << LpstatDefault();
}

TEST_F(PrintersTest, NamesThatAreNoInstalledPrinterFailAndKeepTheDefault) {
    cups_.AddQueue("alpha");
    ASSERT_EQ(MakeDefaultPrinter("alpha"), 1);

    EXPECT_EQ(MakeDefaultPrinter("ghost"), 0);
    EXPECT_EQ(MakeDefaultPrinter(""), 0);
    EXPECT_EQ(MakeDefaultPrinter("alpha/instance"), 0);
    EXPECT_EQ(DefaultPrinterName(), "alpha");
}

TEST_F(PrintersTest, ChangesMadeOutsideTheProgramAreSeenAtOnce) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("beta");
    EXPECT_THAT(InstalledPrinters(), ElementsAre("alpha", "beta"));

    // The scheduler's own default counts while the user has chosen none.
    ASSERT_EQ(RunProgram({"lpadmin", "-d", "beta"}).status, 0);
    EXPECT_EQ(DefaultPrinterName(), "beta");
    ASSERT_EQ(RunProgram({"lpoptions", "-d", "alpha"}).status, 0);
    EXPECT_EQ(DefaultPrinterName(), "alpha");

    cups_.AddQueue("gamma");
    EXPECT_THAT(InstalledPrinters(), ElementsAre("alpha", "beta", "gamma"));
}

TEST_F(PrintersTest, ADefaultPrinterThatWasRemovedLeavesNoDefault) {
    cups_.AddQueue("alpha");
    cups_.AddQueue("beta");
    ASSERT_EQ(MakeDefaultPrinter("beta"), 1);

    cups_.RemoveQueue("beta");
    EXPECT_THAT(InstalledPrinters(), ElementsAre("alpha"));
    EXPECT_EQ(DefaultPrinterName(), "");
}

}  // namespace
