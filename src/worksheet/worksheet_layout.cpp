#include "worksheet/worksheet_layout.h"

#include <algorithm>
#include <array>

#include "platform/date_time_text.h"

namespace {

constexpr int32_t kColumns = 11;
constexpr int32_t kQuestionRows = 20;
constexpr int32_t kSlots = kSheetQuestionSlots;
constexpr int32_t kAnswerOffset = 6;  // answer column = question column + 6
constexpr int32_t kRowHeight = 160;
constexpr int32_t kQuestionWidth = 800;
constexpr int32_t kAnswerWidth = 120;

constexpr char kQuestionFont[] = "黑体";
constexpr char kAnswerFont[] = "雅黑";
constexpr char kHeaderFont[] = "雅黑";
constexpr int32_t kQuestionFontSize = 70;
constexpr int32_t kManyOperandsFontSize = 40;  // from six operands on
constexpr int32_t kAnswerFontSize = 50;
constexpr int32_t kHeaderFontSize = 60;

// Placements (format code 1, see platform/cell_format.h).
constexpr int32_t kQuestionPlacement = 6;  // bottom-left
constexpr int32_t kAnswerPlacement = 5;    // middle-right
constexpr int32_t kHeaderPlacement = 4;    // centre
constexpr int32_t kDashedFrame = 2;

std::string DisplayText(const std::string& text) {
    static const std::array<TextPair, 2> kSymbols{TextPair{"*", "×"}, TextPair{"/", "÷"}};
    return ReplacePairs(text, kSymbols);
}

}  // namespace

std::string ReplacePairs(std::string text, std::span<const TextPair> pairs) {
    for (const auto& [search, replacement] : pairs.first(std::min<size_t>(pairs.size(), 5))) {
        if (search.empty()) continue;
        std::string out;
        size_t from = 0;
        for (size_t at = text.find(search); at != std::string::npos; at = text.find(search, from)) {
            out.append(text, from, at - from).append(replacement);
            from = at + search.size();
        }
        out.append(text, from, std::string::npos);
        text = std::move(out);
    }
    return text;
}

std::string WorksheetHeaderText(int32_t questionCount, double now) {
    return "题目数量：" + std::to_string(questionCount) +
           "   姓名：              年级：     班级：       用时：      得分：         日期：" +
           DateTimeText(now, "yyyy/M/d dddd", " hh:mm:ss", true);
}

void FillWorksheetGrid(const WorksheetSettings& settings, const std::vector<Question>& questions,
                       double now, GenericDataProvider& provider, DataSource& source) {
    provider.SetColumnCount(kColumns);
    provider.SetRowCount(kQuestionRows);
    for (int32_t column = 7; column <= 11; ++column) {
        source.SetColumnWidth(column, std::nullopt, kAnswerWidth);
    }

    const int32_t rowCount = provider.RowCount();
    if (rowCount < 1) return;
    const auto n = static_cast<int64_t>(questions.size());
    const int32_t fontSize = settings.operandCount < 6 ? kQuestionFontSize : kManyOperandsFontSize;
    static const Question kEmptySlot;

    int32_t p = 1;
    for (int32_t k = 1; k <= kSlots; ++k) {
        const int32_t r = k % rowCount == 0 ? rowCount : k % rowCount;
        const Question& q = k <= n ? questions[static_cast<size_t>(k - 1)] : kEmptySlot;
        const int32_t a = p + kAnswerOffset;
        const std::string prompt = DisplayText(q.prompt);
        const std::string equation = DisplayText(q.equation);

        source.SetCellText(r, p, settings.answerInQuestionCell ? equation : prompt);
        source.SetFormatCode1(r, p, std::nullopt, std::nullopt, kQuestionPlacement);
        source.SetFontFamily(r, p, std::nullopt, std::nullopt, kQuestionFont);
        source.SetFormatCode2(r, p, std::nullopt, std::nullopt, 1);
        source.SetFontSize(r, p, std::nullopt, std::nullopt, fontSize);
        source.SetRowHeight(r, 1, kRowHeight);
        source.SetColumnWidth(p, 1, kQuestionWidth);

        if (settings.showAnswers) {
            source.SetCellText(r, a, q.answer);
            source.SetFormatCode1(r, a, std::nullopt, std::nullopt, kAnswerPlacement);
            source.SetFontFamily(r, a, std::nullopt, std::nullopt, kAnswerFont);
            source.SetFontSize(r, a, std::nullopt, std::nullopt, kAnswerFontSize);
            source.SetFormatCode3(r, a, std::nullopt, std::nullopt);
        }
        if (r == rowCount) ++p;
    }

    source.InsertRows(1);
    source.SetRowHeight(1, 1, kRowHeight);
    source.MergeCells(1, 1, std::nullopt, kColumns);
    source.SetFormatCode4(1, 1, std::nullopt, kColumns);
    if (settings.showAnswers) {
        source.SetFormatCode3(2, 7, std::nullopt, 5, kDashedFrame);
    }

    source.SetCellText(1, 1, WorksheetHeaderText(settings.questionCount, now));
    source.SetFormatCode1(1, 1, std::nullopt, std::nullopt, kHeaderPlacement);
    source.SetFontFamily(1, 1, std::nullopt, std::nullopt, kHeaderFont);
    source.SetFormatCode2(1, 1, std::nullopt, std::nullopt);
    source.SetFontSize(1, 1, std::nullopt, std::nullopt, kHeaderFontSize);
}
