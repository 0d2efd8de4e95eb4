#pragma once

// Generation options as the tests write them. Include it as "../support/worksheet_options.h".

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "worksheet/worksheet_settings.h"

namespace test_support {

inline WorksheetSettings Options(std::vector<std::string> operators, int32_t operandCount,
                                 int32_t numberRange, int32_t answerRange,
                                 int32_t questionCount = 100) {
    WorksheetSettings settings;
    settings.operators = std::move(operators);
    settings.operandCount = operandCount;
    settings.numberRange = numberRange;
    settings.answerRange = answerRange;
    settings.questionCount = questionCount;
    return settings;
}

// The options the window opens with: "+" and "-", four numbers up to 100, answers below 1000,
// 100 questions.
inline WorksheetSettings InitialOptions() {
    return Options({"+", "-"}, 4, 100, 1000);
}

}  // namespace test_support
