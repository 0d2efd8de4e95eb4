// Runs 2,400 option sets: number ranges 10, 20, 100, 1000 and 32768, answer ranges 10, 100, 1000
// and 100000, 2 to 9 numbers a question and every non-empty choice of operators, each for 100
// questions under the window's time budget with a fresh evaluator, as a press of the preview
// button does. Prints one tab-separated line per set: number range, answer range, operand
// count, operators (such as +-*/), outcome (sheet, refused or too-strict) and milliseconds. The
// outcome counts per number range and the ten slowest sheets go to the error stream.
//
// Arguments, all optional, narrow the grid for a quick look: a file of lines "numberRange
// answerRange operandCount operators" (as the output's first four columns) runs only those sets;
// otherwise OPTION_GRID_RANGES (such as "100,1000") keeps only those number ranges.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "outcome_name.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"

namespace {

struct Line {
    int32_t numberRange;
    int32_t answerRange;
    int32_t operandCount;
    std::string operators;
    GenerationOutcome outcome;
    long long ms;
};

using SetKey = std::tuple<int32_t, int32_t, int32_t, std::string>;

// The sets listed in the file, one "numberRange answerRange operandCount operators" a line.
std::set<SetKey> ReadSets(const char* path) {
    std::set<SetKey> sets;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream line(text);
        SetKey key;
        if (line >> std::get<0>(key) >> std::get<1>(key) >> std::get<2>(key) >> std::get<3>(key))
            sets.insert(key);
    }
    return sets;
}

}  // namespace

int main(int argc, char** argv) {
    const char* symbols[] = {"+", "-", "*", "/"};
    const std::set<SetKey> only = argc > 1 ? ReadSets(argv[1]) : std::set<SetKey>{};
    std::set<int32_t> ranges;
    if (const char* list = std::getenv("OPTION_GRID_RANGES")) {
        std::istringstream in(list);
        std::string item;
        while (std::getline(in, item, ',')) ranges.insert(std::atoi(item.c_str()));
    }
    std::vector<Line> lines;
    for (const int32_t numberRange : {10, 20, 100, 1000, 32768}) {
        if (!ranges.empty() && !ranges.contains(numberRange)) continue;
        for (const int32_t answerRange : {10, 100, 1000, 100000}) {
            for (int32_t operandCount = 2; operandCount <= 9; ++operandCount) {
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
                    settings.numberRange = numberRange;
                    settings.answerRange = answerRange;
                    settings.questionCount = 100;
                    if (!only.empty() &&
                        !only.contains({numberRange, answerRange, operandCount, shown}))
                        continue;

                    const auto started = std::chrono::steady_clock::now();
                    ExpressionEvaluator evaluator;
                    const GenerationResult result = GenerateQuestions(settings, evaluator);
                    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - started)
                                             .count();
                    std::printf("%d\t%d\t%d\t%s\t%s\t%lld\n", numberRange, answerRange,
                                operandCount, shown.c_str(), OutcomeName(result.outcome), ms);
                    std::fflush(stdout);
                    lines.push_back(
                        {numberRange, answerRange, operandCount, shown, result.outcome, ms});
                }
            }
        }
    }

    std::map<int32_t, std::map<GenerationOutcome, int>> counts;
    long long slowestDecision = 0;
    for (const Line& line : lines) {
        ++counts[line.numberRange][line.outcome];
        if (line.outcome != GenerationOutcome::TooStrict)
            slowestDecision = std::max(slowestDecision, line.ms);
    }
    for (const auto& [numberRange, outcomes] : counts) {
        const auto count = [&outcomes](GenerationOutcome o) {
            const auto found = outcomes.find(o);
            return found == outcomes.end() ? 0 : found->second;
        };
        std::fprintf(stderr, "numberRange %d: sheet %d, refused %d, too-strict %d\n", numberRange,
                     count(GenerationOutcome::Complete), count(GenerationOutcome::Refused),
                     count(GenerationOutcome::TooStrict));
    }
    std::vector<Line> sheets;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(sheets),
                 [](const Line& l) { return l.outcome == GenerationOutcome::Complete; });
    std::sort(sheets.begin(), sheets.end(),
              [](const Line& a, const Line& b) { return a.ms > b.ms; });
    std::fprintf(stderr, "slowest sheets:\n");
    for (size_t i = 0; i < sheets.size() && i < 10; ++i) {
        const Line& l = sheets[i];
        std::fprintf(stderr, "  %d\t%d\t%d\t%s\t%lld ms\n", l.numberRange, l.answerRange,
                     l.operandCount, l.operators.c_str(), l.ms);
    }
    std::fprintf(stderr, "slowest sheet or refusal: %lld ms\n", slowestDecision);
    return 0;
}
