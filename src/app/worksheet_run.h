#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "output/message_box.h"
#include "platform/data_provider.h"
#include "platform/data_source.h"
#include "settings/control_window.h"
#include "worksheet/worksheet_settings.h"

// Names of the controls a generation run reads.
namespace option_control {
inline constexpr const char* kOperandCount = "组合框_n元运算";
inline constexpr const char* kPlus = "选择框_加";
inline constexpr const char* kMinus = "选择框_减";
inline constexpr const char* kTimes = "选择框_乘";
inline constexpr const char* kDivide = "选择框_除";
inline constexpr const char* kNumberRange = "编辑框_数字范围";
inline constexpr const char* kQuestionCount = "组合框_出题数量";
inline constexpr const char* kAnswerRange = "编辑框_答案范围";
inline constexpr const char* kAnswerInQuestionCell = "选择框_括号题型";
inline constexpr const char* kShowAnswers = "选择框_显示答案";
}  // namespace option_control

// Reads the generation options from the window, in this order: the operand count (the selected
// item's text of 组合框_n元运算), the operators of the ticked boxes 选择框_加, 选择框_减, 选择框_乘
// and 选择框_除 ("+", "-", "*", "/" in this order), the number range, the question count (the
// selected item's text of 组合框_出题数量) and the answer range. Texts become whole numbers as
// WholeNumberOf reads them; a combo box without a selection gives 0. The two layout options are
// left false: they are read when the sheet is laid out.
WorksheetSettings ReadWorksheetSettings(const ControlWindow& window);

// What a run tells whoever started it while it works.
struct GenerationFeedback {
    // How far the run has come; returning false cancels it.
    std::function<bool(int32_t found, int32_t wanted)> progress;
    // The run has stopped searching; called before any message is shown.
    std::function<void()> finished;
};

// The information shown when the options admit only `distinct` different questions, fewer than
// the `onSheet` questions of the sheet, which therefore repeats some.
std::string FewDistinctQuestionsText(uint64_t distinct, size_t onSheet);

// One generation run, as started by the preview and print buttons: reads the options, generates
// the questions within the generator's default time budget and, when every question was found,
// lays the sheet out in the provider through the data source. Returns true when the sheet holds
// a newly generated worksheet. Options that cannot give a sheet are refused with an error box,
// options too strict to give one in time with a warning box, each saying why; a cancelled run
// shows nothing. In those cases the sheet keeps what it held. A sheet that must repeat questions,
// because fewer different ones exist, is made and then explained in an information box, before
// the caller previews or prints it.
bool GenerateWorksheet(ControlWindow& window, GenericDataProvider& provider, DataSource& source,
                       MessageBox& messages, const GenerationFeedback& feedback = {});

// The same run with the date and time of the header given (an automation date) instead of the
// moment the sheet is laid out: the sheets of one class set all carry the moment it was started.
bool GenerateWorksheetAt(double moment, ControlWindow& window, GenericDataProvider& provider,
                         DataSource& source, MessageBox& messages,
                         const GenerationFeedback& feedback = {});
