// Native arithmetic against the interpreter: for every generated expression both routes of
// ScriptEngine::Eval must give byte-identical texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/plain_arithmetic.h"
#include "platform/script_engine.h"
#include "platform/script_number_text.h"

namespace {

class ExpressionMaker {
public:
    // Flat chains of 2 to 9 operands up to 32768, as the question generator builds them.
    std::string Chain() {
        std::string text = Operand();
        for (int i = Uniform(2, 9); i > 1; --i) {
            text += Operator("+-*/");
            text += Operand();
        }
        return text;
    }

    // Nested parentheses around random sub-expressions.
    std::string Parenthesised(int depth = 0) {
        if (depth >= 4 || Uniform(0, 2) == 0) return Operand();
        std::string text = Parenthesised(depth + 1);
        for (int i = Uniform(1, 3); i > 0; --i) {
            text += Operator("+-*/");
            const std::string part = Parenthesised(depth + 1);
            text += Uniform(0, 1) == 0 ? "(" + part + ")" : part;
        }
        return Uniform(0, 3) == 0 ? "(" + text + ")" : text;
    }

    // Decimal operands such as 0.125 or 3071.5, up to 15 digits.
    std::string Decimals() {
        std::string text = DecimalOperand();
        for (int i = Uniform(1, 4); i > 0; --i) {
            text += Operator("+-*/");
            text += Uniform(0, 1) == 0 ? Operand() : DecimalOperand();
        }
        return text;
    }

    // Products of large numbers beyond 1e21, quotients below 1e-6, and their mixtures.
    std::string Extremes() {
        const bool tiny = Uniform(0, 1) == 0;
        std::string text = tiny ? std::to_string(Uniform(1, 99)) : Operand(1000);
        for (int i = Uniform(4, 9); i > 1; --i) {
            text += Uniform(0, 5) == 0 ? Operator("+-*/") : (tiny ? "/" : "*");
            text += Operand(1000);
        }
        return text;
    }

    // Chains with blanks and tabs between the tokens.
    std::string Spaced() {
        std::string text = Blank() + Operand();
        for (int i = Uniform(2, 6); i > 1; --i) {
            text += Blank() + Operator("+-*/") + Blank() + Operand();
        }
        return text + Blank();
    }

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

private:
    std::string Operand(int low = 1) { return std::to_string(Uniform(low, 32768)); }

    std::string Operator(const char* symbols) {
        return std::string(1, symbols[Uniform(0, static_cast<int>(std::strlen(symbols)) - 1)]);
    }

    std::string DecimalOperand() {
        const int integerDigits = Uniform(1, 8);
        std::string text =
            Uniform(0, 3) == 0 ? "0" : std::to_string(Uniform(1, 9)) + Digits(integerDigits - 1);
        return text + "." + Digits(Uniform(1, 15 - integerDigits));
    }

    std::string Digits(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + Uniform(0, 9));
        return text;
    }

    std::string Blank() {
        static const char* const kBlanks[] = {"", "", " ", "  ", "\t"};
        return kBlanks[Uniform(0, 4)];
    }

    std::mt19937 rng_{20261208};
};

// Mostly what the question generator builds; decimal literals are the slowest for the
// interpreter to read, so they get a smaller share.
std::string NextExpression(ExpressionMaker& maker, int i) {
    switch (i % 25) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
            return maker.Chain();
        case 12:
        case 13:
        case 14:
        case 15:
        case 16:
            return maker.Parenthesised();
        case 17:
        case 18:
            return maker.Decimals();
        case 19:
        case 20:
        case 21:
            return maker.Extremes();
        default:
            return maker.Spaced();
    }
}

TEST(NativeArithmeticDifferential, AMillionExpressionsGiveTheInterpretersTexts) {
    ScriptEngine native;
    ScriptEngine interpreter;
    interpreter.SetNativeArithmetic(false);
    ExpressionMaker maker;

    // The interpreter computes a batch of expressions as the elements of one array, whose join
    // writes each value with the same number-to-text conversion as Eval. Compiling one script
    // per batch keeps the run short; every 25th expression also goes through Eval on its own.
    constexpr int kExpressions = 1000000;
    constexpr int kBatch = 400;
    int large = 0, small = 0, fractional = 0, whole = 0, mismatches = 0;
    std::vector<std::string> batch;
    for (int start = 0; start < kExpressions; start += kBatch) {
        batch.clear();
        std::string script = "[";
        for (int i = start; i < start + kBatch; ++i) {
            batch.push_back(NextExpression(maker, i));
            // Every generated text must take the native route, or the comparison proves nothing.
            ASSERT_TRUE(EvaluatePlainArithmetic(batch.back()).has_value()) << batch.back();
            script += batch.back() + ",";
        }
        script += "].join('\\n')";
        const std::string joined = interpreter.Eval(script);
        ASSERT_EQ(interpreter.LastError(), "");

        std::size_t from = 0;
        for (int i = 0; i < kBatch; ++i) {
            const std::size_t to = std::min(joined.find('\n', from), joined.size());
            const std::string expected = joined.substr(from, to - from);
            from = to + 1;
            const std::string& expression = batch[static_cast<std::size_t>(i)];
            const std::string actual = native.Eval(expression);
            ASSERT_EQ(native.LastError(), "");
            if (actual != expected && ++mismatches <= 20) {
                ADD_FAILURE() << expression << ": native " << actual << ", interpreter "
                              << expected;
            }
            if (i % 25 == 0) {
                EXPECT_EQ(interpreter.Eval(expression), expected) << expression;
                EXPECT_EQ(interpreter.LastError(), "") << expression;
            }
            if (expected.find("e+") != std::string::npos)
                ++large;
            else if (expected.find("e-") != std::string::npos)
                ++small;
            else if (expected.find('.') != std::string::npos)
                ++fractional;
            else
                ++whole;
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The stream really reaches every layout of the number text.
    EXPECT_EQ(large + small + fractional + whole, kExpressions);
    EXPECT_GT(large, 10000);
    EXPECT_GT(small, 10000);
    EXPECT_GT(fractional, 100000);
    EXPECT_GT(whole, 100000);
}

// The interpreter builds the exact double mantissa·2^exponent from a whole-number literal and
// exact multiplications or divisions by powers of two.
std::string ExactExpression(double value) {
    int exponent;
    const double fraction = std::frexp(value, &exponent);
    std::string text = "(" + std::to_string(static_cast<int64_t>(std::ldexp(fraction, 53))) + ")";
    for (exponent -= 53; exponent > 0; exponent -= std::min(exponent, 60)) {
        text += "*" + std::to_string(uint64_t{1} << std::min(exponent, 60));
    }
    for (; exponent < 0; exponent += std::min(-exponent, 60)) {
        text += "/" + std::to_string(uint64_t{1} << std::min(-exponent, 60));
    }
    return text;
}

TEST(NativeArithmeticDifferential, NumberTextsMatchTheInterpreterAcrossAllDoubles) {
    ScriptEngine interpreter;
    interpreter.SetNativeArithmetic(false);
    std::mt19937_64 rng(7);
    int checked = 0, mismatches = 0;
    for (int i = 0; i < 16000; ++i) {
        double value;
        if (i % 2 == 0) {  // any bit pattern: every exponent, subnormals included
            const uint64_t bits = rng();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value) || value == 0) continue;
        } else {  // odd multiples of 1/4 near 2^51, where two shortest texts tie half the time
            const auto mantissa = static_cast<int64_t>((rng() >> 11) | (uint64_t{1} << 52) | 1);
            value = static_cast<double>(rng() % 2 == 0 ? mantissa : -mantissa) / 4;
        }
        ++checked;
        const std::string expression = ExactExpression(value);
        const std::string expected = interpreter.Eval(expression);
        const std::string actual = ScriptNumberText(value);
        if (actual != expected && ++mismatches <= 20) {
            ADD_FAILURE() << expression << ": native " << actual << ", interpreter " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(checked, 15000);
}

}  // namespace
