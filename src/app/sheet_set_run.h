#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "output/message_box.h"
#include "platform/data_provider.h"
#include "platform/data_source.h"
#include "platform/sheet_set.h"
#include "settings/control_window.h"

// Class sets: one press of 出题预览, 直接打印 or 导出PDF makes as many different sheets as
// 组合框_份数 says, each a full generation run with the same options.

inline constexpr const char* kSheetCountCombo = "组合框_份数";
inline constexpr int32_t kMostSheetsPerSet = 50;
inline constexpr const char* kTooManySheetsText = "一次最多出50份练习题，请在“份数”里选1到50。";

// How many sheets one press makes: the number of the item selected in 组合框_份数. No selection,
// or an item that reads as less than 1, makes one sheet. The number is not capped here: a
// stored item list may hold more than the set allows, which the set refuses.
int32_t ReadSheetCount(const ControlWindow& window);

// One generation run into the given table, as the sheet at 0-based position `index` of the set;
// false when it gave no sheet (refused, too strict, cancelled).
using SheetRun = std::function<bool(int32_t index, GenericDataProvider&, DataSource&)>;

// Makes `count` sheets, one run after another into a table of its own, and keeps a copy of each
// as laid out. The first run that gives no sheet ends the set, and then there is no set at all:
// a document holds every sheet or none. A count above kMostSheetsPerSet is refused (nullopt)
// without a run, as is a count below 1.
std::optional<SheetSet> GenerateSheetSet(int32_t count, const SheetRun& run);

// Holds the messages of the runs of a set until the set is over, so that they are shown once
// its progress has gone away, and not in the middle of it.
class HeldMessages : public MessageBox {
public:
    // Holds the message unless the very same one is held already: every sheet of a set with the
    // same options says the same (a sheet that must repeat questions, say), and once is enough.
    void Show(const std::string& text, int32_t style) override;
    // Shows the held messages, in order, on `messages` and forgets them.
    void ShowOn(MessageBox& messages);

private:
    std::vector<std::pair<std::string, int32_t>> held_;
};
