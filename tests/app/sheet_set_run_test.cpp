// How many sheets a press makes, and how the runs of a set make one set or none.
#include "app/sheet_set_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/qt_control_window.h"
#include "app/worksheet_run.h"
#include "app_test_support.h"

namespace {

// The item list of 组合框_份数 (the designed one when empty, as a stored list may replace it)
// and the selected position.
struct CountCase {
    const char* name;
    std::vector<std::string> items;
    int32_t selected;
    int32_t expected;
};

void PrintTo(const CountCase& c, std::ostream* out) {
    *out << c.name;
}

const CountCase kCountCases[] = {
    {"DesignedFirstItem", {}, 0, 1},    {"DesignedThirdItem", {}, 2, 3},
    {"DesignedLastItem", {}, 49, 50},   {"NoSelection", {}, -1, 1},
    {"StoredZero", {"0"}, 0, 1},        {"StoredNegative", {"-4"}, 0, 1},
    {"StoredNotANumber", {"三"}, 0, 1}, {"StoredAboveTheMost", {"1", "200"}, 1, 200},
};

class ReadSheetCountTest : public ::testing::TestWithParam<CountCase> {
protected:
    QApplication& application_ = app_test::Application();
    MainWindow window_;
    QtControlWindow controls_{&window_};
};

TEST_P(ReadSheetCountTest, ReadsTheSelectedItem) {
    const CountCase& c = GetParam();
    if (!c.items.empty()) {
        controls_.ComboClear(kSheetCountCombo);
        for (const std::string& item : c.items) controls_.ComboAppend(kSheetCountCombo, item, 0);
    }
    controls_.SetComboSelectedIndex(kSheetCountCombo, c.selected);
    EXPECT_EQ(ReadSheetCount(controls_), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Items, ReadSheetCountTest, ::testing::ValuesIn(kCountCases),
                         [](const ::testing::TestParamInfo<CountCase>& info) {
                             return std::string(info.param.name);
                         });

// A stand-in for the generation run: writes which run made the sheet into its header cell, and
// gives no sheet at run `failAt`.
struct FakeRuns {
    int32_t failAt = -1;
    std::vector<int32_t> calls;

    SheetRun Run() {
        return [this](int32_t index, GenericDataProvider& table, DataSource& source) {
            calls.push_back(index);
            if (index == failAt) return false;
            table.SetColumnCount(2);
            table.SetRowCount(1 + index);  // every sheet its own size, too
            source.SetCellText(1, 1, "sheet " + std::to_string(index));
            return true;
        };
    }
};

TEST(GenerateSheetSet, KeepsACopyOfEverySheetInTheOrderMade) {
    FakeRuns runs;
    const std::optional<SheetSet> set = GenerateSheetSet(4, runs.Run());
    ASSERT_TRUE(set.has_value());
    ASSERT_EQ(set->Count(), 4);
    EXPECT_EQ(runs.calls, (std::vector<int32_t>{0, 1, 2, 3}));
    for (int32_t i = 0; i < set->Count(); ++i) {
        EXPECT_EQ(set->Sheet(i).CellText(1, 1), "sheet " + std::to_string(i));
        EXPECT_EQ(set->Sheet(i).RowCount(), 1 + i);
    }
    EXPECT_EQ(set->Sheets().size(), 4u);
}

class SetWithAFailedRunTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(SetWithAFailedRunTest, GivesNoSetAndStopsAtThatRun) {
    FakeRuns runs;
    runs.failAt = GetParam();
    EXPECT_FALSE(GenerateSheetSet(5, runs.Run()).has_value());
    ASSERT_FALSE(runs.calls.empty());
    EXPECT_EQ(runs.calls.back(), GetParam());
    EXPECT_EQ(runs.calls.size(), static_cast<size_t>(GetParam() + 1));
}

INSTANTIATE_TEST_SUITE_P(Runs, SetWithAFailedRunTest, ::testing::Values(0, 2, 4),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return "FailingRun" + std::to_string(info.param);
                         });

TEST(GenerateSheetSet, TakesFiftySheets) {
    FakeRuns runs;
    const std::optional<SheetSet> set = GenerateSheetSet(kMostSheetsPerSet, runs.Run());
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->Count(), 50);
}

class RefusedSheetCountTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(RefusedSheetCountTest, GivesNoSetWithoutARun) {
    FakeRuns runs;
    EXPECT_FALSE(GenerateSheetSet(GetParam(), runs.Run()).has_value());
    EXPECT_TRUE(runs.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Counts, RefusedSheetCountTest,
                         ::testing::Values(kMostSheetsPerSet + 1, 0, -3),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return info.param < 0 ? "Negative"
                                                   : "Count" + std::to_string(info.param);
                         });

class Recorded : public MessageBox {
public:
    void Show(const std::string& text, int32_t style) override { shown.emplace_back(text, style); }
    std::vector<std::pair<std::string, int32_t>> shown;
};

// The runs of a set all show the moment the set was started, not the moment each was laid out.
TEST(GenerateWorksheetAt, WritesTheGivenMomentIntoTheHeader) {
    app_test::Application();
    MainWindow window;
    QtControlWindow controls(&window);
    GenericDataProvider table;
    DataSource source(table);
    Recorded messages;
    constexpr double kDecemberTheNinthHalfPastEight = 46365.0 + 8.5 / 24.0;

    ASSERT_TRUE(
        GenerateWorksheetAt(kDecemberTheNinthHalfPastEight, controls, table, source, messages));

    EXPECT_THAT(source.CellText(1, 1), ::testing::HasSubstr("2026/12/9"));
    EXPECT_THAT(source.CellText(1, 1), ::testing::EndsWith(" 08:30:00"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(HeldMessages, ShowsNothingUntilAskedThenEverythingInOrderOnce) {
    HeldMessages held;
    Recorded shown;
    held.Show("第一", MessageBox::kError);
    held.Show("第二", MessageBox::kWarning);
    EXPECT_TRUE(shown.shown.empty());
    held.ShowOn(shown);
    held.ShowOn(shown);
    EXPECT_EQ(shown.shown, (std::vector<std::pair<std::string, int32_t>>{
                               {"第一", MessageBox::kError}, {"第二", MessageBox::kWarning}}));
}

TEST(HeldMessages, SaysTheSameThingOnlyOnce) {
    HeldMessages held;
    Recorded shown;
    held.Show("只有2道不同的题", MessageBox::kInformation);
    held.Show("只有2道不同的题", MessageBox::kInformation);
    held.Show("只有2道不同的题", MessageBox::kWarning);
    held.ShowOn(shown);
    EXPECT_EQ(shown.shown, (std::vector<std::pair<std::string, int32_t>>{
                               {"只有2道不同的题", MessageBox::kInformation},
                               {"只有2道不同的题", MessageBox::kWarning}}));
}

}  // namespace
