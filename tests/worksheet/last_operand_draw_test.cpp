// The bounds of the draws whose last operand is solved for. Their distribution is tested with
// the generator's other paths.

#include "worksheet/last_operand_draw.h"

#include <gtest/gtest.h>

#include "../support/worksheet_options.h"

namespace {

using test_support::Options;

// A last operand that is a term of its own, or the last factor of a single-term chain, is
// solved for: at most answerRange values of it can be acceptable.
TEST(LastOperandDrawTest, OwnTermsAndSingleTermChainsAreSolvedFor) {
    const std::optional<LastOperandDraw> draw =
        LastOperandDraw::For(Options({"+", "*", "/"}, 5, 1000, 10));
    ASSERT_TRUE(draw);
    EXPECT_LT(draw->PatternBound("///+"), 0.02);
    EXPECT_LT(draw->PatternBound("*/*/"), 0.02);
    EXPECT_LT(draw->PatternBound("+*//"), 0.02);
    EXPECT_LT(draw->Share(), 0.5);
}

// After three divisions by numbers up to 1000 the last term can be so small that dividing it
// once more changes nothing the sum shows, so many last operands give the same whole value:
// such a pattern is left to the blind draw of its last operand.
TEST(LastOperandDrawTest, TermsTooSmallForTheRoundingAreDrawnBlind) {
    const std::optional<LastOperandDraw> draw =
        LastOperandDraw::For(Options({"+", "/"}, 6, 1000, 10));
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->PatternBound("+////"), 1.0);
    EXPECT_LT(draw->PatternBound("++///"), 1.0);
}

TEST(LastOperandDrawTest, OptionsWithTooManyPatternsOrUnknownOperatorsHaveNone) {
    EXPECT_FALSE(LastOperandDraw::For(Options({"+", "-", "*", "/"}, 10, 100, 10)));
    EXPECT_FALSE(LastOperandDraw::For(Options({"%"}, 3, 100, 10)));
    EXPECT_FALSE(LastOperandDraw::For(Options({"+"}, 5, 4, 10)));
}

}  // namespace
