#include "platform/plain_arithmetic.h"

#include <cstdint>

// The arithmetic below must round every operation on its own, like the script language does:
// no fused multiply-add. GCC does not contract in ISO C++ mode (-std=c++20) and x86-64 without
// -mfma has no such instruction.

namespace {

constexpr int kMaxDigits = 15;   // below 2^53, so every such mantissa is an exact double
constexpr int kMaxNesting = 64;  // deeper parentheses go to the interpreter

constexpr double kPowersOfTen[kMaxDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

class Parser {
public:
    explicit Parser(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool Expression(double& value) {
        if (!Sum(value, 0)) return false;
        SkipSpaces();
        return p_ == end_;
    }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    void SkipSpaces() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t')) ++p_;
    }

    bool Sum(double& value, int depth) {
        if (!Product(value, depth)) return false;
        for (;;) {
            SkipSpaces();
            if (p_ == end_ || (*p_ != '+' && *p_ != '-')) return true;
            const char op = *p_++;
            double right;
            if (!Product(right, depth)) return false;
            value = op == '+' ? value + right : value - right;
        }
    }

    bool Product(double& value, int depth) {
        if (!Factor(value, depth)) return false;
        for (;;) {
            SkipSpaces();
            if (p_ == end_ || (*p_ != '*' && *p_ != '/')) return true;
            const char op = *p_++;
            double right;
            if (!Factor(right, depth)) return false;
            value = op == '*' ? value * right : value / right;
        }
    }

    bool Factor(double& value, int depth) {
        SkipSpaces();
        if (p_ == end_) return false;
        if (*p_ == '(') {
            if (depth >= kMaxNesting) return false;
            ++p_;
            if (!Sum(value, depth + 1)) return false;
            SkipSpaces();
            if (p_ == end_ || *p_ != ')') return false;
            ++p_;
            return true;
        }
        return Number(value);
    }

    // digits [ "." digits ], without a leading zero before further integer digits.
    bool Number(double& value) {
        if (p_ == end_ || !IsDigit(*p_)) return false;
        if (*p_ == '0' && p_ + 1 != end_ && IsDigit(p_[1])) return false;
        uint64_t mantissa = 0;
        int digits = 0;
        int fractionDigits = 0;
        while (p_ != end_ && IsDigit(*p_)) {
            if (++digits > kMaxDigits) return false;
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p_++ - '0');
        }
        if (p_ != end_ && *p_ == '.') {
            ++p_;
            if (p_ == end_ || !IsDigit(*p_)) return false;
            while (p_ != end_ && IsDigit(*p_)) {
                if (++digits > kMaxDigits) return false;
                mantissa = mantissa * 10 + static_cast<uint64_t>(*p_++ - '0');
                ++fractionDigits;
            }
        }
        // Both operands are exact doubles, so the one correctly rounded division gives the
        // double nearest to the decimal literal.
        value = static_cast<double>(mantissa);
        if (fractionDigits > 0) value /= kPowersOfTen[fractionDigits];
        return true;
    }

    const char* p_;
    const char* end_;
};

}  // namespace

std::optional<double> EvaluatePlainArithmetic(std::string_view expression) {
    double value;
    if (!Parser(expression).Expression(value)) return std::nullopt;
    return value;
}
