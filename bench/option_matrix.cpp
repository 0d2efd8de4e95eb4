// Runs every operand count from 2 to 9 with every non-empty choice of operators (numbers up to
// 100, answers below 1000, 100 questions) under the window's effort bound, and prints one line
// per combination: operand count, operators, outcome (sheet, refused or too-strict) and the
// milliseconds the run took. A summary goes to the error stream.

#include <chrono>
#include <cstdio>
#include <string>

#include "outcome_name.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"

int main() {
    const char* symbols[] = {"+", "-", "*", "/"};
    int counts[4] = {};
    long long slowest = 0;
    for (int operandCount = 2; operandCount <= 9; ++operandCount) {
        for (int mask = 1; mask < 16; ++mask) {
            WorksheetSettings settings;
            std::string shown;
            for (int bit = 0; bit < 4; ++bit) {
                if (mask & (1 << bit)) {
                    settings.operators.push_back(symbols[bit]);
                    shown += symbols[bit];
                }
            }
            settings.operandCount = operandCount;
            settings.numberRange = 100;
            settings.answerRange = 1000;
            settings.questionCount = 100;

            const auto started = std::chrono::steady_clock::now();
            // As the window does: a fresh evaluator for every run, the default effort bound.
            ExpressionEvaluator evaluator;
            const GenerationResult result = GenerateQuestions(settings, evaluator);
            const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - started)
                                     .count();
            std::printf("%d\t%s\t%s\t%lld\n", operandCount, shown.c_str(),
                        OutcomeName(result.outcome), ms);
            std::fflush(stdout);
            ++counts[static_cast<int>(result.outcome)];
            if (ms > slowest) slowest = ms;
        }
    }
    std::fprintf(stderr, "sheet %d, refused %d, too-strict %d, cancelled %d; slowest %lld ms\n",
                 counts[0], counts[1], counts[2], counts[3], slowest);
    return slowest < 3000 ? 0 : 1;
}
