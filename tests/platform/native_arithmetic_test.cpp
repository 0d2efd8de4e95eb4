#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/plain_arithmetic.h"
#include "platform/script_number_text.h"

namespace {

TEST(ScriptNumberText, LaysOutDigitsLikeTheScriptLanguage) {
    EXPECT_EQ(ScriptNumberText(0.0), "0");
    EXPECT_EQ(ScriptNumberText(-0.0), "0");
    EXPECT_EQ(ScriptNumberText(24), "24");
    EXPECT_EQ(ScriptNumberText(-2), "-2");
    EXPECT_EQ(ScriptNumberText(3.5), "3.5");
    EXPECT_EQ(ScriptNumberText(-0.5), "-0.5");
    EXPECT_EQ(ScriptNumberText(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(ScriptNumberText(9007199254740992.0), "9007199254740992");
    EXPECT_EQ(ScriptNumberText(123456789012345680000.0), "123456789012345680000");
    EXPECT_EQ(ScriptNumberText(1e21), "1e+21");
    EXPECT_EQ(ScriptNumberText(-1.5e300), "-1.5e+300");
    EXPECT_EQ(ScriptNumberText(0.000001), "0.000001");
    EXPECT_EQ(ScriptNumberText(0.0000012345), "0.0000012345");
    EXPECT_EQ(ScriptNumberText(1e-7), "1e-7");
    EXPECT_EQ(ScriptNumberText(1.25e-7), "1.25e-7");
    EXPECT_EQ(ScriptNumberText(std::numeric_limits<double>::max()), "1.7976931348623157e+308");
    EXPECT_EQ(ScriptNumberText(std::numeric_limits<double>::denorm_min()), "5e-324");
    EXPECT_EQ(ScriptNumberText(std::numeric_limits<double>::infinity()), "Infinity");
    EXPECT_EQ(ScriptNumberText(-std::numeric_limits<double>::infinity()), "-Infinity");
    EXPECT_EQ(ScriptNumberText(std::nan("")), "NaN");
}

TEST(ScriptNumberText, HalfwayDigitsRoundAwayFromZeroLikeTheInterpreter) {
    // 6596365301147005/4 is exactly 1649091325286751.25: both ...51.2 and ...51.3 read back as
    // this double, and the interpreter writes the larger one.
    EXPECT_EQ(ScriptNumberText(6596365301147005.0 / 4), "1649091325286751.3");
    EXPECT_EQ(ScriptNumberText(-6596365301147005.0 / 4), "-1649091325286751.3");
    EXPECT_EQ(ScriptNumberText(8565211171969312.0 / 512), "16728928070252.563");
}

TEST(PlainArithmetic, ComputesInDoublePrecisionWithPrecedence) {
    EXPECT_EQ(EvaluatePlainArithmetic("12+3*4"), 24.0);
    EXPECT_EQ(EvaluatePlainArithmetic("(12+3)*4"), 60.0);
    EXPECT_EQ(EvaluatePlainArithmetic("20-5-3"), 12.0);
    EXPECT_EQ(EvaluatePlainArithmetic("64/4/2"), 8.0);
    EXPECT_EQ(EvaluatePlainArithmetic("1/49*49"), 1.0 / 49 * 49);
    EXPECT_EQ(EvaluatePlainArithmetic("0.1+0.2"), 0.1 + 0.2);
    EXPECT_EQ(EvaluatePlainArithmetic("123456789012.345"), 123456789012.345);
    EXPECT_EQ(EvaluatePlainArithmetic("0.000000000000001"), std::nullopt);  // 16 digits
    EXPECT_EQ(EvaluatePlainArithmetic("\t( 2 )\t* ( (3) ) "), 6.0);
}

TEST(PlainArithmetic, LeavesEverythingElseToTheInterpreter) {
    for (const char* text : {"",
                             " ",
                             "012",
                             "00",
                             "0.5.5",
                             "5.",
                             ".5",
                             "1e3",
                             "1E3",
                             "0x10",
                             "-5",
                             "+5",
                             "1+-2",
                             "1++2",
                             "1--2",
                             "2(3)",
                             "(1)(2)",
                             "(1",
                             "1)",
                             "()",
                             "1+",
                             "*2",
                             "1 2",
                             "4/*c*/2",
                             "4//2",
                             "a+1",
                             "1234567890123456",
                             "1\n+2",
                             "1,2",
                             "１+２",
                             "7*012",
                             "1+1234567890123456",
                             "6/3*",
                             "2.5.1+1"}) {
        EXPECT_EQ(EvaluatePlainArithmetic(text), std::nullopt) << text;
    }
    EXPECT_EQ(EvaluatePlainArithmetic(std::string_view("1+2\0", 4)), std::nullopt);
    EXPECT_EQ(EvaluatePlainArithmetic("0"), 0.0);
    EXPECT_EQ(EvaluatePlainArithmetic("0.25"), 0.25);
    EXPECT_EQ(EvaluatePlainArithmetic("100"), 100.0);
    EXPECT_EQ(EvaluatePlainArithmetic("0*7+999999999999999"), 999999999999999.0);
    EXPECT_EQ(EvaluatePlainArithmetic("10-0/5-2"), 8.0);

    const std::string deep = std::string(64, '(') + "1" + std::string(64, ')');
    EXPECT_EQ(EvaluatePlainArithmetic(deep), 1.0);
    EXPECT_EQ(EvaluatePlainArithmetic("(" + deep + ")"), std::nullopt);
    const std::string hostile = std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_EQ(EvaluatePlainArithmetic(hostile), std::nullopt);
}

}  // namespace
