#include "worksheet/candidate_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

WorksheetSettings Options(std::vector<std::string> operators, int32_t operandCount,
                          int32_t numberRange, int32_t answerRange) {
    WorksheetSettings settings;
    settings.operators = std::move(operators);
    settings.operandCount = operandCount;
    settings.numberRange = numberRange;
    settings.answerRange = answerRange;
    settings.questionCount = 100;
    return settings;
}

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

}  // namespace
