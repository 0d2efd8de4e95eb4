// When the lanes may keep single-operand terms below the answer range.

#include "worksheet/single_term_proposal.h"

#include <gtest/gtest.h>

#include "../support/worksheet_options.h"

namespace {

using test_support::Options;

// Only where no term can be negative: with "-", 50-45+3 has the single term 50 above the
// answer range 10.
TEST(SingleTermProposalTest, NeverWithSubtraction) {
    EXPECT_FALSE(SingleTermProposal::For(Options({"+", "-"}, 3, 100, 10)));
    EXPECT_FALSE(SingleTermProposal::For(Options({"+", "-", "*", "/"}, 5, 100, 10)));
}

// It needs "+" to have single terms, something else to have others, and an answer range far
// below the numbers to pay.
TEST(SingleTermProposalTest, OnlyWhereItNarrowsTheDraws) {
    EXPECT_TRUE(SingleTermProposal::For(Options({"+", "/"}, 9, 100, 10)));
    EXPECT_TRUE(SingleTermProposal::For(Options({"+", "*", "/"}, 9, 1000, 100)));
    EXPECT_FALSE(SingleTermProposal::For(Options({"*", "/"}, 9, 100, 10)));
    EXPECT_FALSE(SingleTermProposal::For(Options({"+"}, 3, 100, 10)));
    EXPECT_FALSE(SingleTermProposal::For(Options({"+", "/"}, 9, 100, 1000)));
    EXPECT_FALSE(SingleTermProposal::For(Options({"+", "/"}, 9, 100, 1)));
}

// The bound on a hit's factor holds for the likeliest hits: every operand at its heaviest
// value and the patterns that the gap thresholds round down most.
TEST(SingleTermProposalTest, FactorsStayWithinTheirBound) {
    const std::optional<SingleTermProposal> proposal =
        SingleTermProposal::For(Options({"+", "*", "/"}, 4, 100, 10));
    ASSERT_TRUE(proposal);
    LaneHit hit;
    for (uint8_t a = 0; a < 3; ++a) {
        for (uint8_t b = 0; b < 3; ++b) {
            for (uint8_t c = 0; c < 3; ++c) {
                hit.positions[0] = a;
                hit.positions[1] = b;
                hit.positions[2] = c;
                for (int32_t v = 1; v <= 9; ++v) {
                    for (int32_t k = 0; k < 4; ++k) hit.operands[k] = v;
                    const double factor = proposal->Factor(hit);
                    EXPECT_GT(factor, 0);
                    EXPECT_LE(factor, proposal->MostFactor());
                }
            }
        }
    }
}

}  // namespace
