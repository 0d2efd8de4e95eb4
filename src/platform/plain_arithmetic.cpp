#include "platform/plain_arithmetic.h"

#include <cstdint>

// Every operation below must round on its own, as the interpreter's do: a product must never be
// fused into a following sum. The project builds with -ffp-contract=off so that holds on targets
// with a fused multiply-add too.

namespace {

constexpr int kMaxDigits = 15;   // below 2^53, so every such mantissa is an exact double
constexpr int kMaxNesting = 64;  // deeper parentheses go to the interpreter

constexpr double kPowersOfTen[kMaxDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One parenthesis level of a left-to-right evaluation: sum (addOp) term (mulOp) next operand.
// An operation is applied as soon as its right operand is complete, which performs exactly the
// roundings, in exactly the order, of the usual recursive evaluation.
struct Level {
    double sum;
    double term;
    char addOp;  // '+' or '-' between sum and term; 0 while the first term is open
    char mulOp;  // '*' or '/' between term and the next operand; 0 before the first

    void TakeOperand(double value) {
        if (mulOp == 0) {
            term = value;
        } else {
            term = mulOp == '*' ? term * value : term / value;
        }
    }

    double Close() const {
        if (addOp == 0) return term;
        return addOp == '+' ? sum + term : sum - term;
    }

    void TakeAdditive(char op) {
        sum = Close();
        addOp = op;
        mulOp = 0;
    }
};

// digits [ "." digits ], without a leading zero before further integer digits. Both operands
// of the one division are exact doubles, so it gives the double nearest to the literal.
bool ReadNumber(const char*& p, const char* end, double& value) {
    if (*p == '0' && p + 1 != end && IsDigit(p[1])) return false;  // octal in the script language
    uint64_t mantissa = 0;
    int digits = 0;
    while (p != end && IsDigit(*p)) {
        if (++digits > kMaxDigits) return false;
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    }
    int fractionDigits = 0;
    if (p != end && *p == '.') {
        ++p;
        if (p == end || !IsDigit(*p)) return false;
        while (p != end && IsDigit(*p)) {
            if (++digits > kMaxDigits) return false;
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
            ++fractionDigits;
        }
    }
    value = static_cast<double>(mantissa);
    if (fractionDigits > 0) value /= kPowersOfTen[fractionDigits];
    return true;
}

}  // namespace

std::optional<double> EvaluatePlainArithmetic(std::string_view expression) {
    const char* p = expression.data();
    const char* const end = p + expression.size();
    Level levels[kMaxNesting + 1];  // only levels[0..depth] are in use
    int depth = 0;
    levels[0] = Level{0, 0, 0, 0};
    for (;;) {
        // An operand: a number, or an opening parenthesis followed by an operand.
        while (p != end && (*p == ' ' || *p == '\t')) ++p;
        if (p == end) return std::nullopt;
        if (*p == '(') {
            if (depth == kMaxNesting) return std::nullopt;
            levels[++depth] = Level{0, 0, 0, 0};
            ++p;
            continue;
        }
        if (!IsDigit(*p)) return std::nullopt;
        double value;
        if (!ReadNumber(p, end, value)) return std::nullopt;
        levels[depth].TakeOperand(value);

        // Then closing parentheses, and an operator or the end.
        for (;;) {
            while (p != end && (*p == ' ' || *p == '\t')) ++p;
            if (p == end) {
                if (depth != 0) return std::nullopt;
                return levels[0].Close();
            }
            if (*p != ')') break;
            if (depth == 0) return std::nullopt;
            const double inner = levels[depth--].Close();
            levels[depth].TakeOperand(inner);
            ++p;
        }
        const char op = *p++;
        if (op == '+' || op == '-') {
            levels[depth].TakeAdditive(op);
        } else if (op == '*' || op == '/') {
            levels[depth].mulOp = op;
        } else {
            return std::nullopt;
        }
    }
}
