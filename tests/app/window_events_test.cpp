// The order of the steps each event handler takes, and how handlers keep out of each other's
// way while a generation run lets the window react.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_events.h"

namespace {

class WindowEventsTest : public ::testing::Test {
protected:
    std::function<void()> Record(const std::string& step) {
        return [this, step] { log_.push_back(step); };
    }

    WindowSteps RecordingSteps() {
        WindowSteps steps;
        steps.restoreStates = Record("restore");
        steps.fillPrinterList = Record("printers");
        steps.createDataDirectory = Record("directory");
        steps.saveStates = Record("save");
        steps.generateWorksheet = [this] {
            log_.push_back("generate");
            if (duringGeneration_) duringGeneration_();
            return generates_;
        };
        steps.cancelGeneration = Record("cancel");
        steps.showPreview = Record("preview");
        steps.printSheet = Record("print");
        steps.applyDefaultPrinter = Record("default printer");
        steps.closeWindow = Record("close");
        return steps;
    }

    std::vector<std::string> log_;
    bool generates_ = true;
    std::function<void()> duringGeneration_;
};

using Log = std::vector<std::string>;

TEST_F(WindowEventsTest, EachHandlerRunsItsStepsInOrder) {
    WindowEvents events(RecordingSteps());
    events.OnWindowCreated();
    EXPECT_EQ(log_, (Log{"restore", "printers", "directory"}));

    log_.clear();
    events.OnPreviewClicked();
    events.OnPrintClicked();
    events.OnDefaultPrinterClicked();
    EXPECT_TRUE(events.OnWindowClosing());
    EXPECT_EQ(log_, (Log{"generate", "preview", "generate", "print", "default printer", "save"}));
}

TEST_F(WindowEventsTest, NothingIsShownOrPrintedWithoutANewSheet) {
    WindowEvents events(RecordingSteps());
    generates_ = false;
    events.OnPreviewClicked();
    events.OnPrintClicked();
    EXPECT_EQ(log_, (Log{"generate", "generate"}));
}

TEST_F(WindowEventsTest, ClicksDuringARunAreIgnored) {
    WindowEvents events(RecordingSteps());
    duringGeneration_ = [&] {
        EXPECT_TRUE(events.Busy());
        events.OnPrintClicked();
        events.OnPreviewClicked();
        events.OnDefaultPrinterClicked();
    };
    events.OnPreviewClicked();
    EXPECT_FALSE(events.Busy());
    EXPECT_EQ(log_, (Log{"generate", "preview"}));

    // Afterwards the buttons work again.
    duringGeneration_ = nullptr;
    events.OnDefaultPrinterClicked();
    EXPECT_EQ(log_.back(), "default printer");
}

TEST_F(WindowEventsTest, CloseDuringARunCancelsItAndClosesAfterwards) {
    WindowEvents events(RecordingSteps());
    duringGeneration_ = [&] { EXPECT_FALSE(events.OnWindowClosing()); };
    generates_ = false;  // the cancelled run gives no sheet
    events.OnPrintClicked();
    EXPECT_EQ(log_, (Log{"generate", "cancel", "close"}));

    // The close that follows saves as usual.
    log_.clear();
    EXPECT_TRUE(events.OnWindowClosing());
    EXPECT_EQ(log_, (Log{"save"}));
}

// Class sets: the sheet count decides whether a press takes the single-sheet steps or the set
// steps; the export always takes the set steps.
class WindowEventsSetTest : public WindowEventsTest {
protected:
    WindowSteps SetSteps(int32_t count) {
        WindowSteps steps = RecordingSteps();
        steps.sheetCount = [count] { return count; };
        steps.generateSet = [this](int32_t n) {
            log_.push_back("generate set of " + std::to_string(n));
            if (duringGeneration_) duringGeneration_();
            return generates_;
        };
        steps.previewSet = Record("preview set");
        steps.printSet = Record("print set");
        steps.exportSet = Record("export set");
        return steps;
    }
};

TEST_F(WindowEventsSetTest, OneSheetTakesTheSingleSheetStepsExceptForTheExport) {
    WindowEvents events(SetSteps(1));
    events.OnPreviewClicked();
    events.OnPrintClicked();
    events.OnExportClicked();
    EXPECT_EQ(log_,
              (Log{"generate", "preview", "generate", "print", "generate set of 1", "export set"}));
}

TEST_F(WindowEventsSetTest, SeveralSheetsTakeTheSetSteps) {
    WindowEvents events(SetSteps(3));
    events.OnPreviewClicked();
    events.OnPrintClicked();
    events.OnExportClicked();
    EXPECT_EQ(log_, (Log{"generate set of 3", "preview set", "generate set of 3", "print set",
                         "generate set of 3", "export set"}));
}

TEST_F(WindowEventsSetTest, NoSetNoOutput) {
    WindowEvents events(SetSteps(3));
    generates_ = false;
    events.OnPreviewClicked();
    events.OnPrintClicked();
    events.OnExportClicked();
    EXPECT_EQ(log_, (Log{"generate set of 3", "generate set of 3", "generate set of 3"}));
}

TEST_F(WindowEventsSetTest, WithoutASheetCountAPressMakesOneSheet) {
    WindowSteps steps = SetSteps(3);
    steps.sheetCount = nullptr;
    WindowEvents events(std::move(steps));
    events.OnPreviewClicked();
    events.OnExportClicked();
    EXPECT_EQ(log_, (Log{"generate", "preview", "generate set of 1", "export set"}));
}

TEST_F(WindowEventsSetTest, CloseDuringAnExportCancelsItAndClosesAfterwards) {
    WindowEvents events(SetSteps(5));
    duringGeneration_ = [&] {
        events.OnExportClicked();  // ignored: a handler is running
        EXPECT_FALSE(events.OnWindowClosing());
    };
    generates_ = false;
    events.OnExportClicked();
    EXPECT_EQ(log_, (Log{"generate set of 5", "cancel", "close"}));
}

}  // namespace
