#pragma once

// Brute force over the candidates of small option sets, for checking the generator against.
// Include it as "../support/brute_force_candidates.h".

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/plain_arithmetic.h"
#include "platform/script_number_text.h"
#include "worksheet/worksheet_settings.h"

namespace test_support {

// The value text the evaluator gives, computed here from the native arithmetic and the script
// language's number text, independently of the generator.
inline std::optional<std::string> ValueText(const std::string& expression) {
    const std::optional<double> value = EvaluatePlainArithmetic(expression);
    if (!value) return std::nullopt;
    return ScriptNumberText(*value);
}

// Calls visit(text, operands, operator indexes) for every ordered candidate of the options:
// operands pairwise distinct from 1 to numberRange (a small positive range), one operator
// symbol per gap.
template <typename Visit>
void ForEachCandidate(const WorksheetSettings& settings, Visit&& visit) {
    const int32_t n = settings.operandCount;
    std::vector<int32_t> operands(static_cast<size_t>(n), 0);
    std::vector<size_t> operators(static_cast<size_t>(n - 1), 0);
    const auto emit = [&] {
        std::string text = std::to_string(operands[0]);
        std::string symbols;
        for (int32_t i = 1; i < n; ++i) {
            symbols += settings.operators[operators[static_cast<size_t>(i - 1)]];
            text += symbols.back() + std::to_string(operands[static_cast<size_t>(i)]);
        }
        visit(text, operands, operators);
    };
    const auto chooseOperators = [&](auto& self, int32_t gap) -> void {
        if (gap == n - 1) {
            emit();
            return;
        }
        for (size_t o = 0; o < settings.operators.size(); ++o) {
            operators[static_cast<size_t>(gap)] = o;
            self(self, gap + 1);
        }
    };
    const auto chooseOperands = [&](auto& self, int32_t position) -> void {
        if (position == n) {
            chooseOperators(chooseOperators, 0);
            return;
        }
        for (int32_t v = 1; v <= settings.numberRange; ++v) {
            if (std::find(operands.begin(), operands.begin() + position, v) !=
                operands.begin() + position)
                continue;
            operands[static_cast<size_t>(position)] = v;
            self(self, position + 1);
        }
    };
    chooseOperands(chooseOperands, 0);
}

}  // namespace test_support
