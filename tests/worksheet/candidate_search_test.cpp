#include "worksheet/candidate_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../support/brute_force_candidates.h"
#include "../support/worksheet_options.h"
#include "platform/plain_arithmetic.h"
#include "platform/script_number_text.h"
#include "worksheet/question_generator.h"

namespace {

using test_support::Options;

SearchLimits Unlimited() {
    SearchLimits limits;
    limits.stepBudget = UINT64_MAX;
    return limits;
}

// --- Known counts -------------------------------------------------------------------------------

struct KnownCount {
    const char* name;
    WorksheetSettings settings;
    uint64_t count;
};

class KnownCountTest : public testing::TestWithParam<KnownCount> {};

// Counted outside the program for numbers up to 100 and answers below 1000.
INSTANTIATE_TEST_SUITE_P(
    Counts, KnownCountTest,
    testing::Values(KnownCount{"TimesFive", Options({"*"}, 5, 100, 1000), 30'600},
                    KnownCount{"TimesSix", Options({"*"}, 6, 100, 1000), 2'160},
                    KnownCount{"DivideFive", Options({"/"}, 5, 100, 1000), 1'032}),
    [](const testing::TestParamInfo<KnownCount>& info) { return std::string(info.param.name); });

TEST_P(KnownCountTest, SearchFindsEveryAcceptableQuestion) {
    const SearchTotals totals = CountAcceptable(GetParam().settings, Unlimited());
    EXPECT_EQ(totals.outcome, SearchOutcome::Finished);
    EXPECT_EQ(totals.count, GetParam().count);
}

// A count that only needs to know whether there are at least so many stops once it has them,
// long before the end of the walk, and one that never reaches them still finishes.
TEST(KnownCountTest, EnoughCountStopsTheSearchOnceReached) {
    const WorksheetSettings settings = Options({"*"}, 5, 100, 1000);
    const SearchTotals full = CountAcceptable(settings, Unlimited());
    SearchLimits enough = Unlimited();
    enough.enoughCount = 100;
    const SearchTotals early = CountAcceptable(settings, enough);
    EXPECT_EQ(early.outcome, SearchOutcome::Stopped);
    EXPECT_GE(early.count, 100u);
    EXPECT_LT(early.count, full.count);
    EXPECT_LT(early.steps * 4, full.steps);

    enough.enoughCount = full.count + 1;
    const SearchTotals all = CountAcceptable(settings, enough);
    EXPECT_EQ(all.outcome, SearchOutcome::Finished);
    EXPECT_EQ(all.count, full.count);
}

uint64_t Factorial(int32_t n) {
    uint64_t f = 1;
    for (int32_t k = 2; k <= n; ++k) f *= static_cast<uint64_t>(k);
    return f;
}

// Each set found stands for every order of its free operands.
uint64_t OrderedCount(const WorksheetSettings& settings, const SearchTotals& sets) {
    return sets.count * Factorial(settings.operandCount - FirstFreeOperand(settings));
}

class KnownSetCountTest : public testing::TestWithParam<KnownCount> {};

INSTANTIATE_TEST_SUITE_P(
    Counts, KnownSetCountTest,
    testing::Values(KnownCount{"TimesFive", Options({"*"}, 5, 100, 1000), 30'600},
                    KnownCount{"TimesSix", Options({"*"}, 6, 100, 1000), 2'160},
                    KnownCount{"DivideFive", Options({"/"}, 5, 100, 1000), 1'032},
                    KnownCount{"MinusEight", Options({"-"}, 8, 100, 1000), 77'883'835'680},
                    KnownCount{"MinusNine", Options({"-"}, 9, 100, 1000), 470'239'983'360}),
    [](const testing::TestParamInfo<KnownCount>& info) { return std::string(info.param.name); });

TEST_P(KnownSetCountTest, SetsTimesOrdersGiveTheCount) {
    ASSERT_EQ(OrderFor(GetParam().settings), SearchOrder::Sets);
    const SearchTotals sets = CountAcceptable(GetParam().settings, Unlimited(), SearchOrder::Sets);
    EXPECT_EQ(sets.outcome, SearchOutcome::Finished);
    EXPECT_EQ(OrderedCount(GetParam().settings, sets), GetParam().count);
}

// Both walks agree on small option sets of every single operator, where the weighted walk
// visits every ordered candidate.
class WalksAgreeTest : public testing::TestWithParam<KnownCount> {};

INSTANTIATE_TEST_SUITE_P(SingleOperators, WalksAgreeTest,
                         testing::Values(KnownCount{"Plus", Options({"+"}, 4, 20, 40), 0},
                                         KnownCount{"Minus", Options({"-"}, 4, 20, 5), 0},
                                         KnownCount{"Times", Options({"*"}, 3, 30, 200), 0},
                                         KnownCount{"Divide", Options({"/"}, 3, 40, 10), 0},
                                         KnownCount{"PlusWide", Options({"+"}, 3, 0, 30), 0}),
                         [](const testing::TestParamInfo<KnownCount>& info) {
                             return std::string(info.param.name);
                         });

TEST_P(WalksAgreeTest, SetsTimesOrdersMatchTheWeightedWalk) {
    const WorksheetSettings& settings = GetParam().settings;
    const SearchTotals weighted = CountAcceptable(settings, Unlimited());
    const SearchTotals sets = CountAcceptable(settings, Unlimited(), SearchOrder::Sets);
    EXPECT_GT(weighted.count, 0u);
    EXPECT_EQ(OrderedCount(settings, sets), weighted.count);
}

// --- Against brute force ------------------------------------------------------------------------

// Calls visit(text, answer) for every ordered candidate whose value is whole and not negative,
// found one by one, with the value texts computed by the native arithmetic and the script
// language's number text.
template <typename Visit>
void ForEachWholeCandidate(const WorksheetSettings& settings, Visit&& visit) {
    test_support::ForEachCandidate(
        settings, [&visit](const std::string& text, const auto&, const auto&) {
            const std::optional<std::string> answer = test_support::ValueText(text);
            if (answer && IsAcceptableAnswer(*answer, INT32_MAX)) visit(text, std::stoll(*answer));
        });
}

// The values of the ordered candidates that are whole and not negative.
std::vector<int64_t> BruteForceValues(const WorksheetSettings& settings) {
    std::vector<int64_t> values;
    ForEachWholeCandidate(settings,
                          [&values](const std::string&, int64_t v) { values.push_back(v); });
    return values;
}

struct OperatorChoice {
    std::string operators;  // such as "+*"
};

std::vector<OperatorChoice> EveryOperatorChoice() {
    std::vector<OperatorChoice> choices;
    for (int mask = 1; mask < 16; ++mask) {
        std::string operators;
        for (int bit = 0; bit < 4; ++bit) {
            if (mask & (1 << bit)) operators += "+-*/"[bit];
        }
        choices.push_back({operators});
    }
    return choices;
}

class BruteForceTest : public testing::TestWithParam<OperatorChoice> {};

INSTANTIATE_TEST_SUITE_P(EveryChoice, BruteForceTest, testing::ValuesIn(EveryOperatorChoice()),
                         [](const testing::TestParamInfo<OperatorChoice>& info) {
                             std::string name;
                             for (const char c : info.param.operators) {
                                 name += c == '+'   ? "Plus"
                                         : c == '-' ? "Minus"
                                         : c == '*' ? "Times"
                                                    : "Divide";
                             }
                             return name;
                         });

// Nothing acceptable is cut off and nothing else is counted, in either walk, for chains long
// enough that every bound takes part, and answer ranges that cut some and many candidates.
TEST_P(BruteForceTest, SearchCountsWhatBruteForceCounts) {
    std::vector<std::string> operators;
    for (const char c : GetParam().operators) operators.emplace_back(1, c);
    for (const int32_t n : {3, 5}) {
        const std::vector<int64_t> values = BruteForceValues(Options(operators, n, 7, 1));
        for (const int32_t answerRange : {1, 4, 30, 1000}) {
            const WorksheetSettings settings = Options(operators, n, 7, answerRange);
            const auto expected = static_cast<uint64_t>(std::count_if(
                values.begin(), values.end(), [&](int64_t v) { return v < answerRange; }));
            EXPECT_EQ(CountAcceptable(settings, Unlimited()).count, expected)
                << n << " numbers, answers below " << answerRange;
            if (OrderFor(settings) == SearchOrder::Sets) {
                EXPECT_EQ(OrderedCount(settings,
                                       CountAcceptable(settings, Unlimited(), SearchOrder::Sets)),
                          expected)
                    << n << " numbers, answers below " << answerRange;
            }
        }
    }
}

// The bounded set of + and × alone, or − alone, holds every acceptable candidate: drawn often
// enough to meet each member many times over, it gives every candidate brute force accepts,
// and only what the set may hold. Other choices have no such set.
TEST_P(BruteForceTest, BoundedSumDrawsMeetEveryAcceptableCandidate) {
    std::vector<std::string> operators;
    for (const char c : GetParam().operators) operators.emplace_back(1, c);
    const bool bounded = GetParam().operators.find_first_not_of("+*") == std::string::npos ||
                         GetParam().operators == "-";
    std::mt19937_64 source(7);
    const std::function<uint64_t()> randomBits = [&source] { return source(); };
    for (const int32_t answerRange : {1, 4, 30}) {
        const WorksheetSettings settings = Options(operators, 3, 7, answerRange);
        std::set<std::string> acceptable;
        ForEachWholeCandidate(settings, [&](const std::string& text, int64_t v) {
            if (v < answerRange) acceptable.insert(text);
        });
        const std::optional<BoundedSumDraw> draw = BoundedSumDraw::For(settings);
        if (!bounded || acceptable.empty()) {
            // With no acceptable candidate the set may be empty, and then there is none.
            if (!bounded) {
                EXPECT_FALSE(draw.has_value()) << "answers below " << answerRange;
            }
            continue;
        }
        ASSERT_TRUE(draw.has_value()) << "answers below " << answerRange;
        std::set<std::string> drawn;
        std::vector<int32_t> operands;
        std::string symbols;
        for (int i = 0; i < 200'000; ++i) {
            draw->Draw(randomBits, operands, symbols);
            ASSERT_EQ(operands.size(), 3u);
            for (const int32_t v : operands) ASSERT_TRUE(v >= 1 && v <= 7) << v;
            drawn.insert(CandidateText(operands, symbols));
        }
        for (const std::string& text : acceptable) {
            EXPECT_TRUE(drawn.contains(text)) << text << ", answers below " << answerRange;
        }
    }
}

}  // namespace

// --- Redraws ------------------------------------------------------------------------------------

namespace {

struct RedrawCase {
    const char* name;
    int32_t numberRange;
    std::vector<int32_t> operands;
};

class RedrawFactorTest : public testing::TestWithParam<RedrawCase> {};

// Number ranges whose values RandomInRange weighs unequally: 20000 gives the values up to 12768
// two of the 32768 values of r, the others one.
INSTANTIATE_TEST_SUITE_P(
    Ranges, RedrawFactorTest,
    testing::Values(RedrawCase{"HeavyValuesFirst", 20000, {1, 2, 3, 19999}},
                    RedrawCase{"LightValuesFirst", 20000, {19999, 19998, 5, 6}},
                    RedrawCase{"AlmostEvenWeights", 100, {68, 69, 1, 100, 50}},
                    RedrawCase{"NoRangeLimit", 0, {32768, 1, 7}}),
    [](const testing::TestParamInfo<RedrawCase>& info) { return std::string(info.param.name); });

// The blind draw's probability is that of independent draws times the factor, and the bound
// holds.
TEST_P(RedrawFactorTest, TurnsIndependentDrawsIntoRedraws) {
    const RedrawCase& c = GetParam();
    const auto n = static_cast<int32_t>(c.operands.size());
    const DrawOdds odds = BlindDrawOdds(Options({"+"}, n, c.numberRange, 1000));
    double independent = 1;
    for (const int32_t v : c.operands)
        independent *= odds.operandWeight[static_cast<size_t>(v - 1)] / 32768.0;
    const std::string operators(static_cast<size_t>(n - 1), '+');
    const double factor = RedrawFactor(odds, c.operands.data(), n);
    EXPECT_NEAR(BlindProbability(odds, c.operands, operators), independent * factor,
                independent * factor * 1e-12);
    EXPECT_GT(factor, 1.0);
    EXPECT_LE(factor, MostRedrawFactor(odds, n));
    EXPECT_GE(factor, LeastRedrawFactor(odds, n));
}

// Both bounds are reached: by the heaviest values taken first and by the lightest.
TEST(RedrawBoundsTest, TheHeaviestAndTheLightestValuesFirstReachThem) {
    const DrawOdds odds = BlindDrawOdds(Options({"+"}, 4, 20000, 1000));
    const std::vector<int32_t> heavy{1, 2, 3, 4};
    const std::vector<int32_t> light{19999, 19998, 19997, 1};
    EXPECT_DOUBLE_EQ(RedrawFactor(odds, heavy.data(), 4), MostRedrawFactor(odds, 4));
    EXPECT_NEAR(RedrawFactor(odds, light.data(), 4), LeastRedrawFactor(odds, 4), 1e-9);
    EXPECT_LT(LeastRedrawFactor(odds, 4), MostRedrawFactor(odds, 4));
}

}  // namespace
