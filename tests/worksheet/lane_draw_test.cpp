// The lane kernel: what it reports as hits, and the wide kernel against the portable one.

#include "worksheet/lane_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "../support/lane_setups.h"
#include "../support/worksheet_options.h"
#include "worksheet/candidate_search.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/last_operand_draw.h"
#include "worksheet/question_generator.h"
#include "worksheet/single_term_proposal.h"

namespace {

struct LaneCase {
    const char* name;
    int32_t operandCount;
    uint32_t operandWidth;
    std::string operators;  // the list, one symbol a position
    double answerRange;
};

// Each case's test takes the case's name.
std::string LaneCaseName(const testing::TestParamInfo<LaneCase>& info) {
    return info.param.name;
}

LaneSetup SetupFor(const LaneCase& c) {
    return test_support::LaneSetupFor(c.operandCount, c.operandWidth, c.operators, c.answerRange);
}

std::vector<LaneHit> Hits(const LaneSetup& setup, LaneKernel kernel, uint64_t blocks) {
    LaneRandom random = test_support::SeededLanes(99);
    std::vector<LaneHit> all;
    std::vector<LaneHit> room(64);
    while (blocks > 0) {
        size_t found = 0;
        blocks -= DrawLaneBlocks(setup, random, blocks, room.data(), room.size(), found, kernel);
        all.insert(all.end(), room.begin(), room.begin() + static_cast<ptrdiff_t>(found));
    }
    return all;
}

std::vector<LaneHit> Hits(const LaneCase& c, LaneKernel kernel, uint64_t blocks) {
    return Hits(SetupFor(c), kernel, blocks);
}

// The two kernels' hits, one by one: operands and operator positions.
void ExpectSameHits(const std::vector<LaneHit>& wide, const std::vector<LaneHit>& portable) {
    ASSERT_EQ(wide.size(), portable.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        EXPECT_TRUE(std::equal(std::begin(wide[i].operands), std::end(wide[i].operands),
                               std::begin(portable[i].operands)));
        EXPECT_TRUE(std::equal(std::begin(wide[i].positions), std::end(wide[i].positions),
                               std::begin(portable[i].positions)));
    }
}

// Lanes that leave the last operand open, which goes up to the operand width.
LaneSetup SolvingSetup(const LaneCase& c) {
    LaneSetup setup = SetupFor(c);
    setup.solveLast = true;
    setup.largestOperand = c.operandWidth;
    return setup;
}

// Where the processor has the wide kernel, it finds the portable one's hits.
void ExpectWideKernelAgrees(const LaneSetup& setup, const std::vector<LaneHit>& portable,
                            uint64_t blocks) {
    if (!WideLanesAvailable()) return;
    ExpectSameHits(Hits(setup, LaneKernel::Best, blocks), portable);
}

class LaneDrawTest : public testing::TestWithParam<LaneCase> {};

INSTANTIATE_TEST_SUITE_P(Options, LaneDrawTest,
                         testing::Values(LaneCase{"PlusMinusFourUpTo100", 4, 100, "+-", 1000},
                                         LaneCase{"EveryOperatorFiveUpTo20", 5, 20, "+-*/", 10},
                                         LaneCase{"DivideThreeUpTo12", 3, 12, "/", 10},
                                         LaneCase{"PlusTimesDivideNineUpTo100", 9, 100, "+*/", 100},
                                         LaneCase{"MinusTwoWithoutLimit", 2, 0, "-", 100},
                                         LaneCase{"TimesTimesPlusSixUpTo1000", 6, 1000, "**+",
                                                  100000}),
                         LaneCaseName);

// Every hit has operands in range and a value that the native arithmetic, operator by operator,
// finds acceptable.
TEST_P(LaneDrawTest, EveryHitIsAnAcceptableCandidate) {
    const LaneCase& c = GetParam();
    const std::vector<LaneHit> hits = Hits(c, LaneKernel::Portable, 20000);
    ASSERT_FALSE(hits.empty());
    const int32_t largest = c.operandWidth == 0 ? 32768 : static_cast<int32_t>(c.operandWidth);
    for (const LaneHit& hit : hits) {
        const int32_t* first = hit.operands;
        const int32_t* last = hit.operands + c.operandCount;
        for (const int32_t* v = first; v != last; ++v) {
            EXPECT_GE(*v, 1);
            EXPECT_LE(*v, largest);
        }
        ChainValue chain(hit.operands[0]);
        for (int32_t g = 0; g + 1 < c.operandCount; ++g) {
            ASSERT_LT(hit.positions[g], c.operators.size());
            chain.Take(c.operators[hit.positions[g]], hit.operands[g + 1]);
        }
        EXPECT_TRUE(IsAcceptableValue(chain.Value(), static_cast<int32_t>(c.answerRange)));
    }
}

// The two kernels compute the same lanes from the same state.
TEST_P(LaneDrawTest, WideKernelFindsWhatThePortableOneFinds) {
    if (!WideLanesAvailable()) GTEST_SKIP() << "the processor has no AVX-512";
    const std::vector<LaneHit> wide = Hits(GetParam(), LaneKernel::Best, 20000);
    const std::vector<LaneHit> portable = Hits(GetParam(), LaneKernel::Portable, 20000);
    ExpectSameHits(wide, portable);
}

// The value of a hit's whole chain, its operators read from `symbols` by position.
double ChainOf(const LaneHit& hit, int32_t n, const std::string& symbols) {
    ChainValue chain(hit.operands[0]);
    for (int32_t g = 0; g + 1 < n; ++g) chain.Take(symbols[hit.positions[g]], hit.operands[g + 1]);
    return chain.Value();
}

class LaneDrawSinglesTest : public testing::TestWithParam<LaneCase> {};

// "/" before "+" in the list, and alone beside it, puts the dividing operator at other
// positions than "+*/" does.
INSTANTIATE_TEST_SUITE_P(Options, LaneDrawSinglesTest,
                         testing::Values(LaneCase{"PlusTimesDivideFiveUpTo100", 5, 100, "+*/", 10},
                                         LaneCase{"DividePlusSixUpTo100", 6, 100, "/+", 20},
                                         LaneCase{"TimesDividePlusSevenUpTo30", 7, 30, "*/+", 7}),
                         LaneCaseName);

// With single terms drawn below the answer range, the operators come first and take other
// random bits; every hit is still an acceptable chain with its single terms below the range,
// and both kernels agree.
TEST_P(LaneDrawSinglesTest, HitsAreAcceptableAndSingleTermsStayBelowTheRange) {
    const LaneCase& c = GetParam();
    std::vector<std::string> symbols;
    for (const char symbol : c.operators) symbols.emplace_back(1, symbol);
    const auto range = static_cast<int32_t>(c.answerRange);
    const std::optional<SingleTermProposal> singles = SingleTermProposal::For(test_support::Options(
        symbols, c.operandCount, static_cast<int32_t>(c.operandWidth), range));
    ASSERT_TRUE(singles);
    LaneSetup setup = SetupFor(c);
    singles->Fill(setup);
    const std::vector<LaneHit> portable = Hits(setup, LaneKernel::Portable, 200000);
    ASSERT_FALSE(portable.empty());
    for (const LaneHit& hit : portable) {
        std::string operators;
        for (int32_t g = 0; g + 1 < c.operandCount; ++g) operators += c.operators[hit.positions[g]];
        EXPECT_TRUE(IsAcceptableValue(ChainOf(hit, c.operandCount, c.operators), range))
            << operators;
        for (int32_t k = 0; k < c.operandCount; ++k) {
            if (LastOperandDraw::SingleOperand(operators, k)) {
                EXPECT_LT(hit.operands[k], range);
            }
        }
    }
    ExpectWideKernelAgrees(setup, portable, 200000);
}

// The chain of a hit's first n - 1 operands, its operators read from `symbols` by position.
ChainValue RestOf(const LaneHit& hit, int32_t n, const std::string& symbols) {
    ChainValue chain(hit.operands[0]);
    for (int32_t g = 0; g + 2 < n; ++g) chain.Take(symbols[hit.positions[g]], hit.operands[g + 1]);
    return chain;
}

// ... and its value with x as the last operand.
double ValueWith(const LaneHit& hit, int32_t n, const std::string& symbols, double x) {
    ChainValue chain = RestOf(hit, n, symbols);
    chain.Take(symbols[hit.positions[n - 2]], x);
    return chain.Value();
}

// With the last operand left open, a hit is a rest that some last operand from 1 to the largest
// could bring into range; both kernels agree on them.
TEST(LaneDrawSolveLastTest, KernelsAgreeAndEveryHitCanReachTheRange) {
    LaneSetup setup = SolvingSetup({"MinusTimesFiveUpTo1000", 5, 1000, "-*", 10});
    const std::vector<LaneHit> portable = Hits(setup, LaneKernel::Portable, 20000);
    ASSERT_FALSE(portable.empty());
    for (const LaneHit& hit : portable) {
        const double low = std::min(ValueWith(hit, 5, "-*", 1), ValueWith(hit, 5, "-*", 1000));
        const double high = std::max(ValueWith(hit, 5, "-*", 1), ValueWith(hit, 5, "-*", 1000));
        EXPECT_TRUE(high >= 0 && low < 10);
    }
    ExpectWideKernelAgrees(setup, portable, 20000);
}

// A last operand that is a term of its own leaves the value whole only where the rest is
// whole, give or take the rounding: other rests ending in "+ x" or "- x" are no hits.
TEST(LaneDrawSolveLastTest, OwnLastTermsNeedANearlyWholeRest) {
    LaneSetup setup = SolvingSetup({"EveryOperatorFiveUpTo20", 5, 20, "+-*/", 10});
    const std::vector<LaneHit> portable = Hits(setup, LaneKernel::Portable, 20000);
    int32_t ownTerms = 0;
    int32_t fractionalRests = 0;
    for (const LaneHit& hit : portable) {
        const double r = RestOf(hit, 5, "+-*/").Value();
        if (hit.positions[3] <= 1) {
            ++ownTerms;
            EXPECT_LE(std::abs(r - std::nearbyint(r)), 10 * 0x1p-51) << r;
        } else {
            fractionalRests += r != std::floor(r);
        }
    }
    EXPECT_GT(ownTerms, 100);
    EXPECT_GT(fractionalRests, 100);
    ExpectWideKernelAgrees(setup, portable, 20000);
}

// A one-term chain t / x can be whole only where t is: such rests are hits only when t lies
// within a hair of a whole number. One ending in "* x" (with productWholes) is a hit only where
// some whole j in range makes j / t a whole number up to the largest, such as t = 3/2 and j = 3.
TEST(LaneDrawSolveLastTest, OneTermChainsNeedAWholeNumberWithinReach) {
    LaneSetup setup = SolvingSetup({"TimesDivideSixUpTo20", 6, 20, "*/", 10});
    setup.productWholes = 9;
    const std::vector<LaneHit> portable = Hits(setup, LaneKernel::Portable, 20000);
    int32_t quotients = 0;
    int32_t fractionalProducts = 0;
    for (const LaneHit& hit : portable) {
        const double t = RestOf(hit, 6, "*/").Value();
        if (hit.positions[4] == 1) {
            ++quotients;
            EXPECT_LE(std::abs(t - std::nearbyint(t)), t * 0x1p-50) << t;
            continue;
        }
        bool someWhole = false;
        for (int32_t j = 1; j <= 9; ++j) {
            const double x = j / t;
            someWhole |= x <= 20.5 && std::abs(x - std::nearbyint(x)) <= 1e-9;
        }
        EXPECT_TRUE(someWhole) << t;
        fractionalProducts += t != std::floor(t);
    }
    EXPECT_GT(quotients, 100);
    EXPECT_GT(fractionalProducts, 100);
    ExpectWideKernelAgrees(setup, portable, 20000);
}

// Lanes with a filter (`strict`) and without (`loose`), run from the same state: the filtered
// hits must be a subsequence of the others that holds every rest for which some last operand
// from 1 to the width gives an acceptable value, among those hits that `judged` picks. Both
// kernels must agree on the filtered hits. At least 50 such rests and 1000 turned-down hits
// show that the comparison means something.
template <typename Judged>
void ExpectEverySolvableRestKept(const LaneSetup& loose, const LaneSetup& strict,
                                 const std::string& symbols, int32_t answerRange,
                                 const Judged& judged) {
    const int32_t n = loose.operandCount;
    constexpr uint64_t kBlocks = 40000;
    const std::vector<LaneHit> all = Hits(loose, LaneKernel::Portable, kBlocks);
    const std::vector<LaneHit> kept = Hits(strict, LaneKernel::Portable, kBlocks);
    const auto same = [n](const LaneHit& a, const LaneHit& b) {
        return std::equal(a.operands, a.operands + n, b.operands) &&
               std::equal(a.positions, a.positions + n - 1, b.positions);
    };
    size_t next = 0;
    int32_t solvable = 0;
    int32_t dropped = 0;
    for (const LaneHit& hit : all) {
        const bool isKept = next < kept.size() && same(kept[next], hit);
        next += isKept;
        dropped += !isKept;
        if (!judged(hit)) continue;
        bool canSolve = false;
        for (int32_t x = 1; x <= static_cast<int32_t>(loose.operandWidth) && !canSolve; ++x)
            canSolve = IsAcceptableValue(ValueWith(hit, n, symbols, x), answerRange);
        solvable += canSolve;
        if (canSolve) {
            EXPECT_TRUE(isKept) << RestOf(hit, n, symbols).Value();
        }
    }
    EXPECT_EQ(next, kept.size());
    EXPECT_GT(solvable, 50);
    EXPECT_GT(dropped, 1000);
    ExpectWideKernelAgrees(strict, kept, kBlocks);
}

// The filters for one-term chains ending in "* x" (the buckets of 1 / t or M / t, then each whole
// j) turn down no rest that some last operand makes acceptable: run beside lanes without them, from
// the same state, they keep a subsequence of the other lanes' hits holding every such rest.
struct ProductFilterCase {
    const char* name;
    int32_t operandCount;
    uint32_t operandWidth;
    int32_t answerRange;
    bool byModulus;  // M / t in place of the buckets
};

class LaneDrawProductFilterTest : public testing::TestWithParam<ProductFilterCase> {};

INSTANTIATE_TEST_SUITE_P(
    Options, LaneDrawProductFilterTest,
    testing::Values(ProductFilterCase{"SixUpTo20BelowTen", 6, 20, 10, false},
                    ProductFilterCase{"SixUpTo20BelowTenByModulus", 6, 20, 10, true},
                    ProductFilterCase{"FiveUpTo30BelowSixty", 5, 30, 60, false}),
    [](const testing::TestParamInfo<ProductFilterCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(LaneDrawProductFilterTest, NoSolvableRestIsTurnedDown) {
    const ProductFilterCase& c = GetParam();
    const int32_t n = c.operandCount;
    const LaneSetup loose =
        SolvingSetup({c.name, n, c.operandWidth, "*/", static_cast<double>(c.answerRange)});
    LaneSetup strict = loose;
    strict.productWholes = static_cast<uint32_t>(c.answerRange - 1);
    strict.productBucketBits = ProductBucketBits(strict.productWholes);
    std::vector<uint64_t> buckets((size_t{1} << strict.productBucketBits) / 64);
    FillProductBuckets(strict.productWholes, strict.largestOperand, strict.productBucketBits,
                       buckets.data());
    strict.productBuckets = buckets.data();
    if (c.byModulus) {
        strict.productModulus = ProductModulus(strict.productWholes, strict.largestOperand);
        ASSERT_EQ(strict.productModulus, 2520);
    }
    // Only rests ending in "* x" are filtered.
    ExpectEverySolvableRestKept(loose, strict, "*/", c.answerRange,
                                [n](const LaneHit& hit) { return hit.positions[n - 2] == 0; });
}

// The same for a case's solving lanes, without and with the filter that `filter` sets up (it
// may keep a table in the vector it is given, and returns false where it cannot set up).
template <typename Filter, typename Judged>
void ExpectFilterKeepsSolvableRests(const LaneCase& c, const Filter& filter, const Judged& judged) {
    const LaneSetup loose = SolvingSetup(c);
    LaneSetup strict = loose;
    std::vector<uint64_t> table;
    ASSERT_TRUE(filter(strict, table));
    ExpectEverySolvableRestKept(loose, strict, c.operators, static_cast<int32_t>(c.answerRange),
                                judged);
}

// The same for the filter of a last "* x" or "/ x" after a sum (sumWholes): it turns down no rest
// that some last operand makes acceptable, and turns down many others. The lanes' width is
// also the largest last operand.
class LaneDrawSumFilterTest : public testing::TestWithParam<LaneCase> {};

INSTANTIATE_TEST_SUITE_P(
    Options, LaneDrawSumFilterTest,
    testing::Values(LaneCase{"PlusDivideFiveUpTo20BelowTen", 5, 20, "+/", 10},
                    LaneCase{"EveryOperatorFiveUpTo12BelowFive", 5, 12, "+-*/", 5},
                    LaneCase{"MinusTimesDivideSixUpTo30BelowSeventeen", 6, 30, "-*/", 17},
                    // Ranges of more whole values than the filter tries pass unjudged.
                    LaneCase{"PlusDivideFiveUpTo30BelowHundred", 5, 30, "+/", 100}),
    LaneCaseName);

TEST_P(LaneDrawSumFilterTest, NoSolvableRestIsTurnedDown) {
    ExpectFilterKeepsSolvableRests(
        GetParam(),
        [](LaneSetup& strict, std::vector<uint64_t>&) {
            strict.sumWholes = kMostSumWholes;
            return true;
        },
        [](const LaneHit&) { return true; });
}

// Picks the hits of a case whose last gap holds `symbol`.
auto EndingIn(const LaneCase& c, char symbol) {
    return [n = c.operandCount, symbols = c.operators, symbol](const LaneHit& hit) {
        return symbols[hit.positions[n - 2]] == symbol;
    };
}

// The same for the filter of a last "* x" in a term after a sum (wholeTermSums): with t = p / u,
// u the product of the term's divisors, u times the sum must lie near a whole number. Only rests
// ending in "* x" are judged; the larger numbers put the rounding of products such as 7/9 * x to
// the test.
class LaneDrawWholeTermSumsTest : public testing::TestWithParam<LaneCase> {};

INSTANTIATE_TEST_SUITE_P(
    Options, LaneDrawWholeTermSumsTest,
    testing::Values(LaneCase{"PlusTimesDivideFiveUpTo20BelowFifty", 5, 20, "+*/", 50},
                    LaneCase{"EveryOperatorFiveUpTo12BelowTen", 5, 12, "+-*/", 10},
                    LaneCase{"PlusTimesDivideFiveUpTo400BelowHundred", 5, 400, "+*/", 100}),
    LaneCaseName);

TEST_P(LaneDrawWholeTermSumsTest, NoSolvableRestIsTurnedDown) {
    ExpectFilterKeepsSolvableRests(
        GetParam(),
        [](LaneSetup& strict, std::vector<uint64_t>&) {
            strict.wholeTermSums = true;
            return true;
        },
        EndingIn(GetParam(), '*'));
}

// The same for the filter of a last "/ x" in a term after a sum (fractionBuckets): with t = p / u,
// the fraction of u times the sum must lie near some k / x. The table of buckets is as the
// generator builds it. Rests ending in "/ x" are judged.
class LaneDrawFractionFilterTest : public testing::TestWithParam<LaneCase> {};

INSTANTIATE_TEST_SUITE_P(
    Options, LaneDrawFractionFilterTest,
    testing::Values(LaneCase{"PlusDivideFiveUpTo20BelowTen", 5, 20, "+/", 10},
                    LaneCase{"MinusTimesDivideSixUpTo30BelowSeventeen", 6, 30, "-*/", 17},
                    LaneCase{"PlusTimesDivideFiveUpTo400BelowHundred", 5, 400, "+*/", 100}),
    LaneCaseName);

TEST_P(LaneDrawFractionFilterTest, NoSolvableRestIsTurnedDown) {
    ExpectFilterKeepsSolvableRests(GetParam(), SetFractionBuckets, EndingIn(GetParam(), '/'));
}

// With patterns drawn from a table, a lane whose pattern is solved for is a hit as above, any
// other when its whole chain is acceptable; both kernels agree, both kinds of hit occur, and
// single-operand terms stay below the range.
TEST(LaneDrawPatternTest, KernelsAgreeAndEachPatternIsJudgedItsOwnWay) {
    const WorksheetSettings settings = test_support::Options({"+", "*", "/"}, 5, 1000, 10);
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(
        settings, [](const std::string& operators) { return operators.back() == '/'; });
    ASSERT_TRUE(draw);
    const DrawOdds odds = BlindDrawOdds(settings);
    const std::optional<LastOperandDraw::LanePatterns> patterns =
        draw->PatternsForLanes(MostRedrawFactor(odds, 5), MostRedrawFactor(odds, 4));
    ASSERT_TRUE(patterns);
    LaneSetup setup = SetupFor({"PlusTimesDivideFiveUpTo1000", 5, 1000, patterns->symbols, 10});
    setup.solveLast = true;
    setup.largestOperand = 1000;
    ASSERT_TRUE(patterns->Configure(setup));
    // With "+" and no "-", operands that are terms of their own are drawn below the range.
    ASSERT_EQ(setup.singleWidth, 9u);
    const std::vector<LaneHit> portable = Hits(setup, LaneKernel::Portable, 50000);
    int32_t solved = 0;
    int32_t whole = 0;
    for (const LaneHit& hit : portable) {
        std::string operators;
        for (int32_t g = 0; g < 4; ++g) operators += patterns->symbols[hit.positions[g]];
        const auto valueWith = [&](double x) { return ValueWith(hit, 5, patterns->symbols, x); };
        const int32_t drawn = operators.back() == '/' ? 5 : 4;
        for (int32_t k = 0; k < drawn; ++k) {
            if (LastOperandDraw::SingleOperand(operators, k)) {
                EXPECT_LT(hit.operands[k], 10);
            }
        }
        if (operators.back() == '/') {
            ++whole;
            EXPECT_TRUE(IsAcceptableValue(valueWith(hit.operands[4]), 10)) << operators;
        } else {
            ++solved;
            EXPECT_TRUE(std::max(valueWith(1), valueWith(1000)) >= 0 &&
                        std::min(valueWith(1), valueWith(1000)) < 10)
                << operators;
        }
    }
    EXPECT_GT(solved, 0);
    EXPECT_GT(whole, 0);
    ExpectWideKernelAgrees(setup, portable, 50000);
}

// Patterns whose first operand is solved for hold 0 there, and are hits only where the chain's
// value r at that 0 lies below the range and, where the first term is a whole multiple of its
// first operand, within the table's slack of a whole number. Beside lanes whose slack lets every
// such r through, from the same state, they keep a subsequence of the other lanes' hits that
// holds every rest some first operand makes acceptable, and turn many others down.
TEST(LaneDrawPatternTest, FirstOperandLanesKeepEverySolvableRest) {
    const WorksheetSettings settings = test_support::Options({"+", "*", "/"}, 5, 60, 10);
    const auto firstSolved = [](const std::string& operators) {
        return operators.front() != operators.back();
    };
    const std::optional<LastOperandDraw> draw = LastOperandDraw::For(settings, {}, firstSolved);
    ASSERT_TRUE(draw);
    const DrawOdds odds = BlindDrawOdds(settings);
    const std::optional<LastOperandDraw::LanePatterns> patterns =
        draw->PatternsForLanes(MostRedrawFactor(odds, 5), MostRedrawFactor(odds, 4));
    ASSERT_TRUE(patterns);
    ASSERT_GT(patterns->firstSlack, 0);
    LaneSetup strict = SetupFor({"PlusTimesDivideFiveUpTo60", 5, 60, patterns->symbols, 10});
    strict.solveLast = true;
    strict.largestOperand = 60;
    ASSERT_TRUE(patterns->Configure(strict));
    ASSERT_EQ(strict.firstSlack, patterns->firstSlack);
    LaneSetup loose = strict;
    loose.firstSlack = 0.5;

    constexpr uint64_t kBlocks = 40000;
    const std::vector<LaneHit> all = Hits(loose, LaneKernel::Portable, kBlocks);
    const std::vector<LaneHit> kept = Hits(strict, LaneKernel::Portable, kBlocks);
    size_t next = 0;
    int32_t solvable = 0;
    int32_t dropped = 0;
    for (const LaneHit& hit : all) {
        const bool isKept = next < kept.size() &&
                            std::equal(hit.operands, hit.operands + 5, kept[next].operands) &&
                            std::equal(hit.positions, hit.positions + 4, kept[next].positions);
        next += isKept;
        std::string operators;
        for (int32_t g = 0; g < 4; ++g) operators += patterns->symbols[hit.positions[g]];
        if (!firstSolved(operators)) continue;
        EXPECT_EQ(hit.operands[0], 0);
        dropped += !isKept;
        bool canSolve = false;
        for (int32_t a = 1; a <= 60 && !canSolve; ++a) {
            ChainValue chain(a);
            for (int32_t k = 1; k < 5; ++k) chain.Take(operators[k - 1], hit.operands[k]);
            canSolve = IsAcceptableValue(chain.Value(), 10);
        }
        solvable += canSolve;
        if (canSolve) {
            EXPECT_TRUE(isKept) << operators;
        }
    }
    EXPECT_EQ(next, kept.size());
    EXPECT_GT(solvable, 50);
    EXPECT_GT(dropped, 1000);
    ExpectWideKernelAgrees(strict, kept, kBlocks);
}

// Hits with a repeated operand are dropped: with numbers up to 3 and three operands, where most
// independent draws repeat one and chains such as 3-2-1 or 2+2-3 are acceptable, every question
// is an order of 1, 2 and 3.
TEST(LaneDrawRepeatTest, QuestionsNeverRepeatAnOperand) {
    GenerationLimits limits;
    limits.search = CandidateSearch::BlindOnly;
    limits.lanes = BlindLanes::Always;
    ExpressionEvaluator evaluator;
    const GenerationResult result =
        GenerateQuestions(test_support::Options({"+", "-"}, 3, 3, 100), evaluator, limits);
    ASSERT_EQ(result.outcome, GenerationOutcome::Complete) << result.reason;
    for (const Question& q : result.questions) {
        std::string digits;
        for (const char c : q.expression) {
            if (c >= '0' && c <= '9') digits += c;
        }
        std::sort(digits.begin(), digits.end());
        EXPECT_EQ(digits, "123") << q.expression;
    }
}

}  // namespace
