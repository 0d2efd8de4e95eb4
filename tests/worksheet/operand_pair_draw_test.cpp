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
        OperandPairDraw::For(Options({"*", "/"}, 5, 100, 10), 2);
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->Solved(), 2);
    using Positions = std::vector<int32_t>;
    EXPECT_EQ(draw->SolvedPositions("/*/*"), (Positions{1, 3}));
    EXPECT_EQ(draw->SolvedPositions("**/*"), (Positions{2, 4}));
    EXPECT_EQ(draw->SolvedPositions("/***"), (Positions{3, 4}));
    EXPECT_EQ(draw->SolvedPositions("//**"), (Positions{1, 2}));
    EXPECT_EQ(draw->SolvedPositions("*/**"), (Positions{3, 4}));
}

// Three at a time likewise: the last three divisors where there are three, else the last three
// factors. Where numbers reach 32768 the draws take three by themselves; up to 10 three are kept
// less often than pairs.
TEST(OperandPairDrawTest, SolvesTheLastThreeOperandsOfOneKindWhereNumbersAreLarge) {
    const std::optional<OperandPairDraw> draw =
        OperandPairDraw::For(Options({"*", "/"}, 6, 32768, 10));
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->Solved(), 3);
    using Positions = std::vector<int32_t>;
    EXPECT_EQ(draw->SolvedPositions("/*/*/"), (Positions{1, 3, 5}));
    EXPECT_EQ(draw->SolvedPositions("**/**"), (Positions{2, 4, 5}));
    EXPECT_EQ(draw->SolvedPositions("//*/*"), (Positions{1, 2, 4}));
    EXPECT_EQ(draw->SolvedPositions("*//**"), (Positions{1, 4, 5}));
    const std::optional<OperandPairDraw> pairs =
        OperandPairDraw::For(Options({"*", "/"}, 6, 32768, 10), 2);
    ASSERT_TRUE(pairs);
    EXPECT_LT(draw->Share() * 20, pairs->Share());
    EXPECT_EQ(OperandPairDraw::For(Options({"*", "/"}, 6, 10, 10))->Solved(), 2);
    // Four operands never have three of one kind to spare.
    EXPECT_FALSE(OperandPairDraw::For(Options({"*", "/"}, 4, 32768, 10), 3));
    EXPECT_EQ(OperandPairDraw::For(Options({"*", "/"}, 4, 32768, 10))->Solved(), 2);
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
    int32_t solved;
};

class PairLanesTest : public testing::TestWithParam<KernelCase> {};

INSTANTIATE_TEST_SUITE_P(BothKernels, PairLanesTest,
                         testing::Values(KernelCase{"Best", LaneKernel::Best, 2},
                                         KernelCase{"Portable", LaneKernel::Portable, 2},
                                         KernelCase{"BestThree", LaneKernel::Best, 3},
                                         KernelCase{"PortableThree", LaneKernel::Portable, 3}),
                         [](const testing::TestParamInfo<KernelCase>& info) {
                             return std::string(info.param.name);
                         });

// Each lane's random words are its own SplitMix64 sequence, as the one-at-a-time proposals'
// are: proposals made one at a time from each lane's state, block by block and lane by lane,
// must keep exactly the candidates that the lanes keep, the lanes turning down nothing that the
// completion would keep.
TEST_P(PairLanesTest, KeepsWhatOneAtATimeProposalsFromTheSameWordsKeep) {
    const std::optional<OperandPairDraw> draw =
        OperandPairDraw::For(Options({"*", "/"}, 5, 40, 10), GetParam().solved);
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

struct GroupCase {
    const char* name;
    WorksheetSettings settings;
    int32_t solved;
};

class AcceptableGroupsTest : public testing::TestWithParam<GroupCase> {};

INSTANTIATE_TEST_SUITE_P(
    EveryRest, AcceptableGroupsTest,
    testing::Values(
        // 1/49*49 and its like round below 1 and must not be found.
        GroupCase{"TimesDivideThreeUpTo60", Options({"*", "/"}, 3, 60, 10), 2},
        GroupCase{"TimesDivideFourUpTo14", Options({"*", "/"}, 4, 14, 10), 2},
        GroupCase{"DivideFourUpTo24", Options({"/"}, 4, 24, 3), 2},
        GroupCase{"TimesThreeUpTo30", Options({"*"}, 3, 30, 60), 2},
        GroupCase{"ThreeOfTimesDivideFiveUpTo7", Options({"*", "/"}, 5, 7, 10), 3},
        GroupCase{"ThreeOfTimesFiveUpTo9", Options({"*"}, 5, 9, 1000), 3},
        GroupCase{"ThreeOfTimesDivideSixUpTo6", Options({"*", "/"}, 6, 6, 10), 3}),
    [](const testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

// Every group of `size` numbers from 1 to `largest`, as an odometer: false after the last.
bool NextGroup(std::vector<int32_t>& group, int32_t largest) {
    size_t i = 0;
    while (i < group.size() && group[i] == largest) group[i++] = 1;
    if (i == group.size()) return false;
    ++group[i];
    return true;
}

bool AllDistinct(const std::vector<int32_t>& values) {
    for (size_t a = 0; a < values.size(); ++a) {
        for (size_t b = a + 1; b < values.size(); ++b) {
            if (values[a] == values[b]) return false;
        }
    }
    return true;
}

// For every operator pattern and every rest, the groups found are exactly those that a search
// of every group accepts, each judged on the evaluator's value text.
TEST_P(AcceptableGroupsTest, FindsExactlyTheGroupsThatEverySearchAccepts) {
    const WorksheetSettings& settings = GetParam().settings;
    const std::optional<OperandPairDraw> draw = OperandPairDraw::For(settings, GetParam().solved);
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
        const std::vector<int32_t> solved = draw->SolvedPositions(operators);
        std::vector<int32_t> restPositions;
        for (int32_t k = 0; k < n; ++k) {
            if (std::find(solved.begin(), solved.end(), k) == solved.end())
                restPositions.push_back(k);
        }
        std::vector<int32_t> operands(static_cast<size_t>(n), 0);
        std::vector<int32_t> rest(restPositions.size(), 1);
        do {
            if (!AllDistinct(rest)) continue;
            for (size_t i = 0; i < rest.size(); ++i)
                operands[static_cast<size_t>(restPositions[i])] = rest[i];
            std::vector<std::vector<int32_t>> expected;
            std::vector<int32_t> group(solved.size(), 1);
            do {
                std::vector<int32_t> all = rest;
                all.insert(all.end(), group.begin(), group.end());
                if (!AllDistinct(all)) continue;
                for (size_t i = 0; i < group.size(); ++i)
                    operands[static_cast<size_t>(solved[i])] = group[i];
                std::string text = std::to_string(operands[0]);
                for (int32_t g = 0; g < n - 1; ++g)
                    text += operators[static_cast<size_t>(g)] +
                            std::to_string(operands[static_cast<size_t>(g + 1)]);
                const std::optional<std::string> value = ValueText(text);
                if (value && IsAcceptableAnswer(*value, settings.answerRange))
                    expected.push_back(group);
            } while (NextGroup(group, largest));
            // The odometer turns the first place fastest; the draw lists groups in order.
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(draw->AcceptableGroups(operands, operators), expected) << operators;
            found += static_cast<int64_t>(expected.size());
        } while (NextGroup(rest, largest));
    }
    // The comparison means something only where groups exist.
    EXPECT_GT(found, 0);
}

}  // namespace
