// The draws that solve for a pair of operands: the bound on one product's pairs, and the pairs
// they find against a search of every pair. Their distribution is tested with the generator's
// other paths.

#include "worksheet/operand_pair_draw.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <utility>
#include <vector>

#include "../support/brute_force_candidates.h"
#include "../support/worksheet_options.h"
#include "worksheet/question_generator.h"

namespace {

using test_support::Options;
using test_support::ValueText;

// Up to 10, no product has more than two pairs of distinct numbers (12 = 2 * 6 = 3 * 4, and
// 18, 20, 24, 30, 40 likewise), so four ordered ones.
TEST(OperandPairDrawTest, CountsTheMostPairsOfOneProductOutright) {
    EXPECT_EQ(OperandPairDraw::MostPairsOfOneProduct(10), 4u);
    // 1 * 2 alone.
    EXPECT_EQ(OperandPairDraw::MostPairsOfOneProduct(2), 2u);
}

// The most unordered pairs of distinct numbers up to `largest` with one product, counted over
// every pair, a range of products at a time so that the counts fit in 64 MB.
uint32_t CountMostPairs(uint64_t largest) {
    constexpr uint64_t kProductsAtATime = uint64_t{1} << 26;
    std::vector<uint8_t> count(kProductsAtATime);
    uint32_t most = 0;
    for (uint64_t low = 0; low <= largest * largest; low += kProductsAtATime) {
        const uint64_t high = low + kProductsAtATime;  // products from low to below high
        std::fill(count.begin(), count.end(), uint8_t{0});
        for (uint64_t x = 1; x <= largest; ++x) {
            const uint64_t last = std::min(largest, (high - 1) / x);
            for (uint64_t y = std::max(x + 1, (low + x - 1) / x); y <= last; ++y)
                most = std::max<uint32_t>(most, ++count[x * y - low]);
        }
    }
    return most;
}

// Above the counted sizes the bound comes from the most divisors of a number in reach, or from
// the count for the largest numbers a draw gives; it must not fall below the pairs a product
// really has.
TEST(OperandPairDrawTest, BoundsTheMostPairsOfOneProductAboveTheCountedSizes) {
    EXPECT_GE(OperandPairDraw::MostPairsOfOneProduct(2100), 2 * CountMostPairs(2100));
    // 21621600 has 139 pairs of numbers up to 32768, and no product has more.
    EXPECT_EQ(OperandPairDraw::MostPairsOfOneProduct(32768), 2 * CountMostPairs(32768));
}

// The pair each operator pattern solves for: the last two divisors where there are two, else
// the last two factors (the first operand among them).
TEST(OperandPairDrawTest, SolvesTheLastTwoOperandsOfOneKind) {
    const std::optional<OperandPairDraw> draw =
        OperandPairDraw::For(Options({"*", "/"}, 5, 100, 10));
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->PairPositions("/*/*"), std::make_pair(1, 3));
    EXPECT_EQ(draw->PairPositions("**/*"), std::make_pair(2, 4));
    EXPECT_EQ(draw->PairPositions("/***"), std::make_pair(3, 4));
    EXPECT_EQ(draw->PairPositions("//**"), std::make_pair(1, 2));
    EXPECT_EQ(draw->PairPositions("*/**"), std::make_pair(3, 4));
}

// Only lists of "*" and "/", with a third operand beside the pair and room for whole answers.
TEST(OperandPairDrawTest, ServesOneTermChainsOfThreeOperandsOrMore) {
    EXPECT_TRUE(OperandPairDraw::For(Options({"*"}, 3, 100, 10)));
    EXPECT_TRUE(OperandPairDraw::For(Options({"/"}, 9, 32768, 2)));
    EXPECT_FALSE(OperandPairDraw::For(Options({"*", "/"}, 2, 100, 10)));
    EXPECT_FALSE(OperandPairDraw::For(Options({"+", "*"}, 4, 100, 10)));
    EXPECT_FALSE(OperandPairDraw::For(Options({"*"}, 4, 100, 1)));
    EXPECT_FALSE(OperandPairDraw::For(Options({"*"}, 4, 3, 10)));
}

struct KernelCase {
    const char* name;
    LaneKernel kernel;
};

class PairLanesTest : public testing::TestWithParam<KernelCase> {};

INSTANTIATE_TEST_SUITE_P(BothKernels, PairLanesTest,
                         testing::Values(KernelCase{"Best", LaneKernel::Best},
                                         KernelCase{"Portable", LaneKernel::Portable}),
                         [](const testing::TestParamInfo<KernelCase>& info) {
                             return std::string(info.param.name);
                         });

// Each lane's random words are its own SplitMix64 sequence, as the one-at-a-time proposals'
// are: proposals made one at a time from each lane's state, block by block and lane by lane,
// must keep exactly the candidates that the lanes keep, the lanes turning down nothing that the
// completion would keep.
TEST_P(PairLanesTest, KeepsWhatOneAtATimeProposalsFromTheSameWordsKeep) {
    const std::optional<OperandPairDraw> draw =
        OperandPairDraw::For(Options({"*", "/"}, 5, 40, 10));
    ASSERT_TRUE(draw);
    LaneRandom lanes;
    std::vector<UnitRandom> ownWords;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        lanes.state[lane] = 0x51ed2701u * (lane + 3u);
        ownWords.emplace_back(lanes.state[lane]);
    }
    constexpr uint64_t kBlocks = 3000;
    LaneBatch batch;
    draw->DrawBatch(lanes, kBlocks, GetParam().kernel, batch);

    std::vector<int32_t> expectedOperands;
    std::string expectedOperators;
    std::vector<int32_t> operands;
    std::string operators;
    for (uint64_t block = 0; block < kBlocks; ++block) {
        for (UnitRandom& random : ownWords) {
            if (!draw->Draw(random, operands, operators)) continue;
            expectedOperands.insert(expectedOperands.end(), operands.begin(), operands.end());
            expectedOperators += operators;
        }
    }
    EXPECT_EQ(batch.operands, expectedOperands);
    EXPECT_EQ(batch.operators, expectedOperators);
    EXPECT_EQ(batch.lanes, kBlocks * kLaneCount);
    // Enough kept candidates for the comparison to mean something.
    EXPECT_GT(batch.Size(), 50u);
}

struct PairCase {
    const char* name;
    WorksheetSettings settings;
};

class AcceptablePairsTest : public testing::TestWithParam<PairCase> {};

INSTANTIATE_TEST_SUITE_P(EveryRest, AcceptablePairsTest,
                         testing::Values(
                             // 1/49*49 and its like round below 1 and must not be found.
                             PairCase{"TimesDivideThreeUpTo60", Options({"*", "/"}, 3, 60, 10)},
                             PairCase{"TimesDivideFourUpTo14", Options({"*", "/"}, 4, 14, 10)},
                             PairCase{"DivideFourUpTo24", Options({"/"}, 4, 24, 3)},
                             PairCase{"TimesThreeUpTo30", Options({"*"}, 3, 30, 60)}),
                         [](const testing::TestParamInfo<PairCase>& info) {
                             return std::string(info.param.name);
                         });

// For every operator pattern and every rest, the pairs found are exactly those that a search of
// every pair accepts, each judged on the evaluator's value text.
TEST_P(AcceptablePairsTest, FindsExactlyThePairsThatEverySearchAccepts) {
    const WorksheetSettings& settings = GetParam().settings;
    const std::optional<OperandPairDraw> draw = OperandPairDraw::For(settings);
    ASSERT_TRUE(draw);
    const int32_t n = settings.operandCount;
    const int32_t largest = settings.numberRange;
    int64_t found = 0;
    for (uint32_t mask = 0; mask < (1u << (n - 1)); ++mask) {
        std::string operators;
        for (int32_t g = 0; g < n - 1; ++g) {
            const bool divides = ((mask >> g) & 1u) != 0;
            operators += divides ? '/' : '*';
        }
        bool listed = true;
        for (const char symbol : operators) {
            bool inList = false;
            for (const std::string& s : settings.operators) inList |= s.front() == symbol;
            listed &= inList;
        }
        if (!listed) continue;
        const auto [first, second] = draw->PairPositions(operators);
        std::vector<int32_t> restPositions;
        for (int32_t k = 0; k < n; ++k) {
            if (k != first && k != second) restPositions.push_back(k);
        }
        std::vector<int32_t> operands(static_cast<size_t>(n), 0);
        // Every rest of distinct numbers, as an odometer over its positions.
        std::vector<int32_t> rest(restPositions.size(), 1);
        while (true) {
            bool distinct = true;
            for (size_t a = 0; a < rest.size(); ++a) {
                for (size_t b = a + 1; b < rest.size(); ++b) distinct &= rest[a] != rest[b];
            }
            if (distinct) {
                for (size_t i = 0; i < rest.size(); ++i)
                    operands[static_cast<size_t>(restPositions[i])] = rest[i];
                std::vector<std::pair<int32_t, int32_t>> expected;
                for (int32_t x = 1; x <= largest; ++x) {
                    for (int32_t y = 1; y <= largest; ++y) {
                        bool fresh = x != y;
                        for (const int32_t v : rest) fresh &= v != x && v != y;
                        if (!fresh) continue;
                        operands[static_cast<size_t>(first)] = x;
                        operands[static_cast<size_t>(second)] = y;
                        std::string text = std::to_string(operands[0]);
                        for (int32_t g = 0; g < n - 1; ++g)
                            text += operators[static_cast<size_t>(g)] +
                                    std::to_string(operands[static_cast<size_t>(g + 1)]);
                        const std::optional<std::string> value = ValueText(text);
                        if (value && IsAcceptableAnswer(*value, settings.answerRange))
                            expected.emplace_back(x, y);
                    }
                }
                EXPECT_EQ(draw->AcceptablePairs(operands, operators), expected) << operators;
                found += static_cast<int64_t>(expected.size());
            }
            size_t i = 0;
            while (i < rest.size() && rest[i] == largest) rest[i++] = 1;
            if (i == rest.size()) break;
            ++rest[i];
        }
    }
    // The comparison means something only where pairs exist.
    EXPECT_GT(found, 0);
}

}  // namespace
