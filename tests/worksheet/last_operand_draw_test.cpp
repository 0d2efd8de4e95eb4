// The bounds of the draws whose last operand is solved for. Their distribution is tested with
// the generator's other paths.

#include "worksheet/last_operand_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "../support/worksheet_options.h"
#include "worksheet/candidate_search.h"

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

// Every last divisor of a one-term chain divides the whole number nearest the term before it,
// so no rest has more solutions than the most divisors of a number in reach: 96 (27720's)
// for quotients alone up to 32768, 240 (720720's) where products reach a million.
TEST(LastOperandDrawTest, LastDivisorsAreBoundByTheMostDivisorsInReach) {
    const std::optional<LastOperandDraw> quotients =
        LastOperandDraw::For(Options({"/"}, 3, 32768, 100000));
    ASSERT_TRUE(quotients);
    const std::vector<int32_t> most = quotients->AcceptableLastOperands({27720, 1}, "//");
    EXPECT_EQ(most.size(), 94u);
    EXPECT_GE(quotients->PatternBound("//"), most.size() / 32768.0);
    EXPECT_LE(quotients->PatternBound("//"), 96 / 32760.0);

    const std::optional<LastOperandDraw> mixed =
        LastOperandDraw::For(Options({"*", "/"}, 3, 1000, 1000));
    ASSERT_TRUE(mixed);
    EXPECT_LT(mixed->PatternBound("*/"), 0.25);
    EXPECT_LT(mixed->PatternBound("//"), mixed->PatternBound("*/"));
    // A product last is bound by the answer range alone (1/2 * x is whole for every even x).
    EXPECT_EQ(mixed->PatternBound("/*"), 1.0);
}

// A last quotient t / x after a sum, t a product, takes a divisor of t for each whole value: with
// numbers up to 30, no rest of such a pattern (a / b + c / x, a - b + c / x, ...) accepts more
// last operands than the 8 divisors of 24 or 30, the most any number up to 30 has, weigh,
// however wide the answer range. A last term with a division before x is left to the range.
TEST(LastOperandDrawTest, SumsEndingInAWholeOverXAreBoundByTheDivisorsOfTheWhole) {
    const WorksheetSettings settings = Options({"+", "-", "/"}, 4, 30, 200);
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(settings);
    ASSERT_TRUE(draw);
    const std::vector<uint32_t> weight = BlindDrawOdds(settings).operandWeight;
    // Numbers 1 to 8 weigh 1093 of the 32768 values of r, the others 1092.
    const double divisorBound = 8 * 1093 / (32768.0 - 3 * 1093);
    for (const std::string pattern : {"/+/", "++/", "-+/", "+-/", "/-/"}) {
        EXPECT_LE(draw->PatternBound(pattern), divisorBound * (1 + 1e-9)) << pattern;
        double most = 0;
        std::vector<int32_t> rest(3);
        for (rest[0] = 1; rest[0] <= 30; ++rest[0]) {
            for (rest[1] = 1; rest[1] <= 30; ++rest[1]) {
                for (rest[2] = 1; rest[2] <= 30; ++rest[2]) {
                    if (rest[0] == rest[1] || rest[0] == rest[2] || rest[1] == rest[2]) continue;
                    uint32_t restWeight = 0;
                    for (const int32_t v : rest) restWeight += weight[static_cast<size_t>(v - 1)];
                    uint32_t solutionWeight = 0;
                    for (const int32_t x : draw->AcceptableLastOperands(rest, pattern))
                        solutionWeight += weight[static_cast<size_t>(x - 1)];
                    most = std::max(most, solutionWeight / (32768.0 - restWeight));
                }
            }
        }
        EXPECT_LE(most, draw->PatternBound(pattern)) << pattern;
        EXPECT_GT(most, draw->PatternBound(pattern) / 2) << pattern;
    }
    EXPECT_GT(draw->PatternBound("+//"), 2 * divisorBound);
    // With seven numbers up to 32768, a sum with one division has too large a denominator for
    // the rounding to keep whole values exact: there the answer range bounds the solutions.
    const std::optional<LastOperandDraw> wide =
        LastOperandDraw::For(Options({"+", "/"}, 7, 32768, 1000));
    ASSERT_TRUE(wide);
    EXPECT_GT(wide->PatternBound("+++/+/"), 5 * wide->PatternBound("+++++/"));
}

// A product or quotient is never 0, so a one-term chain reaches only the whole values from 1
// up: after 200/10/20 = 1, each last factor from 1 to 9 is acceptable, and that is the most any
// rest allows.
TEST(LastOperandDrawTest, OneTermChainsAreBoundByTheWholeValuesFromOne) {
    const std::optional<LastOperandDraw> draw =
        LastOperandDraw::For(Options({"*", "/"}, 4, 1000, 10));
    ASSERT_TRUE(draw);
    const std::vector<int32_t> most = draw->AcceptableLastOperands({200, 10, 20}, "//*");
    ASSERT_EQ(most.size(), 9u);
    // 1 to 9 are each drawn by 33 of the 32768 values of r, as are 200, 10 and 20.
    const double accepted = 9 * 33 / (32768.0 - 3 * 33);
    EXPECT_GE(draw->PatternBound("//*") * (1 + 1e-12), accepted);
    EXPECT_LT(draw->PatternBound("//*"), accepted * 10 / 9);
}

// Quotients alone have fewer solutions than the other patterns of "×÷". Among 256 patterns
// that one is so rare that all share the highest bound, which lets the lanes draw the operators
// plainly; among 8 it keeps its own.
TEST(LastOperandDrawTest, RarePatternsWithLowerBoundsShareTheHighest) {
    const std::optional<LastOperandDraw> nine =
        LastOperandDraw::For(Options({"*", "/"}, 9, 1000, 100));
    ASSERT_TRUE(nine);
    ASSERT_TRUE(nine->SharedBound());
    EXPECT_EQ(*nine->SharedBound(), nine->PatternBound("********"));
    EXPECT_LT(nine->PatternBound("////////"), *nine->SharedBound());

    const std::optional<LastOperandDraw> four =
        LastOperandDraw::For(Options({"*", "/"}, 4, 1000, 100));
    ASSERT_TRUE(four);
    EXPECT_FALSE(four->SharedBound());
}

// Every last operand from 1 to the largest, none of `rest`, that makes the chain acceptable,
// found by trying each.
std::vector<int32_t> TryingEach(const WorksheetSettings& settings, const std::vector<int32_t>& rest,
                                const std::string& operators) {
    const int32_t largest = std::min(settings.numberRange, 32768);
    std::vector<int32_t> found;
    for (int32_t x = 1; x <= largest; ++x) {
        if (std::find(rest.begin(), rest.end(), x) != rest.end()) continue;
        ChainValue chain(rest[0]);
        for (size_t k = 1; k < rest.size(); ++k) chain.Take(operators[k - 1], rest[k]);
        chain.Take(operators.back(), x);
        if (IsAcceptableValue(chain.Value(), settings.answerRange)) found.push_back(x);
    }
    return found;
}

// 5 + 1/999/998/997/996/995/x rounds to exactly 5 for nearly every x: the sum rounds the term
// away. Such a pattern draws its last operand blind, but the solving still finds every x.
TEST(LastOperandDrawTest, FindsEveryLastOperandThatTheSumRoundsAway) {
    const WorksheetSettings settings = Options({"+", "/"}, 8, 1000, 100);
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(settings);
    ASSERT_TRUE(draw);
    const std::vector<int32_t> rest{5, 1, 999, 998, 997, 996, 995};
    const std::vector<int32_t> expected = TryingEach(settings, rest, "+//////");
    EXPECT_GT(expected.size(), 900u);
    EXPECT_EQ(draw->AcceptableLastOperands(rest, "+//////"), expected);
}

// 2*6-3*4 is exactly 0, so the sum then takes -5/15 as its first part, and the whole values
// come from x = 1, 4, 7, ... (-1/3 + x/3), not from x = 2, 5, 8, ... as +1/3 would have them.
TEST(LastOperandDrawTest, ATermSubtractedFromASumThatCancelledKeepsItsSign) {
    const WorksheetSettings settings = Options({"+", "-", "*", "/"}, 9, 1000, 1000);
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(settings);
    ASSERT_TRUE(draw);
    const std::vector<int32_t> rest{2, 6, 3, 4, 5, 15, 7, 21};
    const std::vector<int32_t> expected = TryingEach(settings, rest, "*-*-/+/*");
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(expected.front(), 1);
    EXPECT_EQ(draw->AcceptableLastOperands(rest, "*-*-/+/*"), expected);
}

// `count` distinct operands: small ones (up to 12) for kind 0, any up to `largest` for kind 1,
// and for kind 2 each one either.
std::vector<int32_t> RandomOperands(std::mt19937& random, int32_t count, int32_t largest,
                                    int32_t kind) {
    std::vector<int32_t> operands;
    while (static_cast<int32_t>(operands.size()) < count) {
        const bool small = kind == 0 || (kind == 2 && random() % 2 == 0);
        const auto width = static_cast<uint32_t>(small ? std::min(largest, 12) : largest);
        const auto v = static_cast<int32_t>(random() % width) + 1;
        if (std::find(operands.begin(), operands.end(), v) == operands.end()) operands.push_back(v);
    }
    return operands;
}

// An operator for each of the n - 1 gaps, from the options' list.
std::string RandomOperators(std::mt19937& random, const WorksheetSettings& settings) {
    std::string operators;
    for (int32_t g = 0; g + 1 < settings.operandCount; ++g)
        operators += settings.operators[random() % settings.operators.size()].front();
    return operators;
}

// The last operands that the solving finds are exactly those that trying every value finds,
// on random rests of each pattern, many with small operands so that fractions often cancel
// (1/2+3/2, 1/49*49 and the like).
struct SolveCase {
    const char* name;
    WorksheetSettings settings;
    int32_t trials = 3000;
};

class SolveLastTest : public testing::TestWithParam<SolveCase> {};

INSTANTIATE_TEST_SUITE_P(
    Options, SolveLastTest,
    testing::Values(
        SolveCase{"TimesDivideSevenUpTo1000", Options({"*", "/"}, 7, 1000, 10)},
        SolveCase{"PlusTimesDivideFourUpTo32768", Options({"+", "*", "/"}, 4, 32768, 1000)},
        SolveCase{"PlusDivideFourUpTo32768", Options({"+", "/"}, 4, 32768, 1000)},
        SolveCase{"EveryOperatorFiveUpTo100", Options({"+", "-", "*", "/"}, 5, 100, 10)},
        SolveCase{"MinusDivideFiveUpTo1000", Options({"-", "/"}, 5, 1000, 100)},
        SolveCase{"EveryOperatorSixUpTo20", Options({"+", "-", "*", "/"}, 6, 20, 10)},
        // Many whole values but more x still: each whole value's own interval of x is tried.
        SolveCase{"PlusTimesDivideSevenUpTo1000", Options({"+", "*", "/"}, 7, 1000, 100)},
        SolveCase{"EveryOperatorThreeWideAnswers", Options({"+", "-", "*", "/"}, 3, 32768, 100000)},
        // Products of nine numbers this large leave 64 bits, where the exact arithmetic gives
        // up and the search over the values takes over.
        SolveCase{"TimesDivideNineUpTo32768", Options({"*", "/"}, 9, 32768, 100000), 200},
        // Only 0 is acceptable.
        SolveCase{"MinusDivideFourUpTo20AnswersBelowOne", Options({"-", "/"}, 4, 20, 1)}),
    [](const testing::TestParamInfo<SolveCase>& info) { return std::string(info.param.name); });

TEST_P(SolveLastTest, FindsExactlyTheLastOperandsThatTryingEachFinds) {
    const WorksheetSettings& settings = GetParam().settings;
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(settings);
    ASSERT_TRUE(draw);
    const int32_t n = settings.operandCount;
    const int32_t largest = std::min(settings.numberRange, 32768);
    std::mt19937 random(7);
    int32_t withSolutions = 0;
    for (int32_t trial = 0; trial < GetParam().trials; ++trial) {
        const std::vector<int32_t> rest = RandomOperands(random, n - 1, largest, trial % 2);
        const std::string operators = RandomOperators(random, settings);
        const std::vector<int32_t> expected = TryingEach(settings, rest, operators);
        withSolutions += !expected.empty();
        ASSERT_EQ(draw->AcceptableLastOperands(rest, operators), expected) << operators;
    }
    // Enough rests with solutions for the comparison to mean something.
    EXPECT_GT(withSolutions, GetParam().trials / 100);
}

// Where the sum rounds the last term away, the first operand is solved for instead: 3 +
// 7/20000/30000/25000/x is 3 for every x, but each whole value comes from one first operand.
// The draws then keep proposals about as often as where the last operand is solved for.
TEST(LastOperandDrawTest, SumsThatRoundTheLastTermAwaySolveForTheFirstOperand) {
    const std::optional<LastOperandDraw> draw =
        LastOperandDraw::For(Options({"+", "/"}, 6, 32768, 10));
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->PatternBound("/+///"), 1.0);
    EXPECT_TRUE(draw->SolvesFirst());
    EXPECT_LT(draw->Share(), 10 * 10 / 32768.0);
    const std::optional<std::vector<int32_t>> firsts =
        draw->AcceptableFirstOperands({7, 20000, 30000, 25000, 12345}, "+////");
    ASSERT_TRUE(firsts);
    EXPECT_EQ(*firsts, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 8, 9}));
    // A first term of a product of four numbers up to 32768 can reach 2^60, where the sum's
    // rounding is larger than a step of a: no such promise.
    EXPECT_FALSE(draw->AcceptableFirstOperands({2, 3, 4, 5, 6}, "***+/"));
}

// Every first operand from 1 to the largest, none of `rest` (operands 2 to n), that makes the
// chain acceptable, found by trying each.
std::vector<int32_t> TryingEachFirst(const WorksheetSettings& settings,
                                     const std::vector<int32_t>& rest,
                                     const std::string& operators) {
    const int32_t largest = std::min(settings.numberRange, 32768);
    std::vector<int32_t> found;
    for (int32_t a = 1; a <= largest; ++a) {
        if (std::find(rest.begin(), rest.end(), a) != rest.end()) continue;
        ChainValue chain(a);
        for (size_t k = 0; k < rest.size(); ++k) chain.Take(operators[k], rest[k]);
        if (IsAcceptableValue(chain.Value(), settings.answerRange)) found.push_back(a);
    }
    return found;
}

// The first operands that the solving finds are exactly those that trying every value finds,
// on random rests of every pattern where the first operand resolves: small operands (whose
// terms cancel or reach the range), large ones, and mixtures (whose small terms the sum rounds
// away).
class SolveFirstTest : public testing::TestWithParam<SolveCase> {};

INSTANTIATE_TEST_SUITE_P(
    Options, SolveFirstTest,
    testing::Values(
        SolveCase{"PlusDivideSixUpTo32768", Options({"+", "/"}, 6, 32768, 1000), 1500},
        SolveCase{"MinusTimesDivideSixUpTo32768", Options({"-", "*", "/"}, 6, 32768, 10), 1500},
        SolveCase{"EveryOperatorFiveUpTo100", Options({"+", "-", "*", "/"}, 5, 100, 10)},
        SolveCase{"PlusDivideFourUpTo1000", Options({"+", "/"}, 4, 1000, 1000)}),
    [](const testing::TestParamInfo<SolveCase>& info) { return std::string(info.param.name); });

TEST_P(SolveFirstTest, FindsExactlyTheFirstOperandsThatTryingEachFinds) {
    const WorksheetSettings& settings = GetParam().settings;
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(settings);
    ASSERT_TRUE(draw);
    const int32_t n = settings.operandCount;
    const int32_t largest = std::min(settings.numberRange, 32768);
    std::mt19937 random(11);
    int32_t compared = 0;
    int32_t withSolutions = 0;
    for (int32_t trial = 0; trial < GetParam().trials; ++trial) {
        const std::vector<int32_t> rest = RandomOperands(random, n - 1, largest, trial % 3);
        const std::string operators = RandomOperators(random, settings);
        const std::optional<std::vector<int32_t>> found =
            draw->AcceptableFirstOperands(rest, operators);
        if (!found) continue;
        ++compared;
        const std::vector<int32_t> expected = TryingEachFirst(settings, rest, operators);
        withSolutions += !expected.empty();
        ASSERT_EQ(*found, expected) << operators;
    }
    EXPECT_GT(compared, GetParam().trials / 4);
    EXPECT_GT(withSolutions, GetParam().trials / 100);
}

TEST(LastOperandDrawTest, OptionsWithTooManyPatternsOrUnknownOperatorsHaveNone) {
    EXPECT_FALSE(LastOperandDraw::For(Options({"+", "-", "*", "/"}, 10, 100, 10)));
    EXPECT_FALSE(LastOperandDraw::For(Options({"%"}, 3, 100, 10)));
    EXPECT_FALSE(LastOperandDraw::For(Options({"+"}, 5, 4, 10)));
}

}  // namespace
