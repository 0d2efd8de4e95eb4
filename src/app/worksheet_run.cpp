#include "app/worksheet_run.h"

#include <optional>

#include "output/message_box.h"
#include "platform/date_time_text.h"
#include "settings/control_state_file.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"
#include "worksheet/worksheet_layout.h"

namespace {

int32_t SelectedItemNumber(const ControlWindow& window, const char* combo) {
    return WholeNumberOf(window.ComboItemText(combo, window.ComboSelectedIndex(combo)));
}

}  // namespace

std::string FewDistinctQuestionsText(uint64_t distinct, size_t onSheet) {
    return "按现在的选项，只有" + std::to_string(distinct) + "道不同的题，少于这张卷子上的" +
           std::to_string(onSheet) + "道题，所以有些题会重复出现。";
}

WorksheetSettings ReadWorksheetSettings(const ControlWindow& window) {
    using namespace option_control;
    WorksheetSettings settings;
    settings.operandCount = SelectedItemNumber(window, kOperandCount);
    const std::pair<const char*, const char*> operators[] = {
        {kPlus, "+"}, {kMinus, "-"}, {kTimes, "*"}, {kDivide, "/"}};
    for (const auto& [box, symbol] : operators) {
        if (window.IsChecked(box)) settings.operators.emplace_back(symbol);
    }
    settings.numberRange = WholeNumberOf(window.EditText(kNumberRange));
    settings.questionCount = SelectedItemNumber(window, kQuestionCount);
    settings.answerRange = WholeNumberOf(window.EditText(kAnswerRange));
    return settings;
}

namespace {

// A run whose header shows `moment`, or the moment of the layout when none is given.
bool RunGeneration(std::optional<double> moment, ControlWindow& window,
                   GenericDataProvider& provider, DataSource& source, MessageBox& messages,
                   const GenerationFeedback& feedback) {
    ExpressionEvaluator evaluator;
    WorksheetSettings settings = ReadWorksheetSettings(window);

    GenerationLimits limits;
    limits.onProgress = feedback.progress;
    const GenerationResult result = GenerateQuestions(settings, evaluator, limits);
    if (feedback.finished) feedback.finished();
    switch (result.outcome) {
        case GenerationOutcome::Complete:
            break;
        case GenerationOutcome::Refused:
            messages.Show(result.reason, MessageBox::kError);
            return false;
        case GenerationOutcome::TooStrict:
            messages.Show(result.reason, MessageBox::kWarning);
            return false;
        case GenerationOutcome::Cancelled:
            return false;
    }

    settings.answerInQuestionCell = window.IsChecked(option_control::kAnswerInQuestionCell);
    settings.showAnswers = window.IsChecked(option_control::kShowAnswers);
    FillWorksheetGrid(settings, result.questions, moment ? *moment : CurrentAutomationDate(),
                      provider, source);
    if (result.distinctQuestions) {
        messages.Show(FewDistinctQuestionsText(*result.distinctQuestions, result.questions.size()),
                      MessageBox::kInformation);
    }
    return true;
}

}  // namespace

bool GenerateWorksheet(ControlWindow& window, GenericDataProvider& provider, DataSource& source,
                       MessageBox& messages, const GenerationFeedback& feedback) {
    return RunGeneration(std::nullopt, window, provider, source, messages, feedback);
}

bool GenerateWorksheetAt(double moment, ControlWindow& window, GenericDataProvider& provider,
                         DataSource& source, MessageBox& messages,
                         const GenerationFeedback& feedback) {
    return RunGeneration(moment, window, provider, source, messages, feedback);
}
