#pragma once

#include <optional>
#include <string_view>

// Evaluates plain arithmetic exactly as the script language would: decimal numbers (digits,
// optionally "." and more digits), the binary operators + - * /, parentheses and spaces;
// IEEE double arithmetic, * and / before + and -, left to right within one level.
//
// Returns nothing for any text outside that grammar, and for what it cannot convert with
// certainty the same way as the script language: a number with a leading zero ("012", an
// octal literal there), a number of more than 15 digits, unary signs, exponents, names, very
// deep nesting. Such texts are left to the script interpreter. Allocates nothing.
std::optional<double> EvaluatePlainArithmetic(std::string_view expression);
