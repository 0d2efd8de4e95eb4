#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The options of one generation run, as read from the main window.
struct WorksheetSettings {
    // Operator symbols allowed in questions, in the order "+", "-", "*", "/".
    std::vector<std::string> operators;
    // How many numbers one question combines (2 to 9 from the window).
    int32_t operandCount = 0;
    // Every operand lies between 1 and this bound.
    int32_t numberRange = 0;
    // How many questions the sheet holds.
    int32_t questionCount = 0;
    // Every answer lies below this bound.
    int32_t answerRange = 0;
    // Show the whole equation with its answer in each question cell.
    bool answerInQuestionCell = false;
    // Print the answers in a separate block that can be cut off the sheet.
    bool showAnswers = false;
};

// One accepted question.
struct Question {
    std::string expression;  // 12+7*3
    std::string prompt;      // 12+7*3=
    std::string answer;      // 33
    std::string equation;    // 12+7*3=33
};
