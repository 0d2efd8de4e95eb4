// The generator's two ways of finding questions, blind draws and the exact search, against the
// probabilities the blind draw gives, and its refusals against a search by brute force.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../support/brute_force_candidates.h"
#include "../support/worksheet_options.h"
#include "platform/plain_arithmetic.h"
#include "platform/script_number_text.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"

namespace {

using test_support::ForEachCandidate;
using test_support::Options;
using test_support::ValueText;

// How many of the 32768 values of RandomInRange's r give each result from 1 to width.
std::vector<double> DrawWeights(int32_t width) {
    std::vector<double> weights(static_cast<size_t>(width), 0.0);
    for (uint32_t r = 0; r < 32768; ++r) weights[r % static_cast<uint32_t>(width)] += 1;
    return weights;
}

// The probability of each acceptable question under blind draws until one is accepted:
// operands drawn again while equal to an earlier one, so each position draws among the values
// left with their weights; each gap's operator drawn on its own.
std::map<std::string, double> ExactProbabilities(const WorksheetSettings& settings) {
    const std::vector<double> operandWeights = DrawWeights(settings.numberRange);
    const std::vector<double> operatorWeights =
        DrawWeights(static_cast<int32_t>(settings.operators.size()));
    std::map<std::string, double> probabilities;
    double accepted = 0;
    ForEachCandidate(settings, [&](const std::string& text, const std::vector<int32_t>& operands,
                                   const std::vector<size_t>& operators) {
        const std::optional<std::string> value = ValueText(text);
        if (!value || !IsAcceptableAnswer(*value, settings.answerRange)) return;
        double p = 1;
        double left = 32768;
        for (const int32_t v : operands) {
            const double w = operandWeights[static_cast<size_t>(v - 1)];
            p *= w / left;
            left -= w;
        }
        for (const size_t o : operators) p *= operatorWeights[o] / 32768;
        probabilities[text] += p;
        accepted += p;
    });
    for (auto& [text, p] : probabilities) p /= accepted;
    return probabilities;
}

// Pearson's statistic of the counts against the probabilities, with expected counts below 5
// pooled into one class, and the degrees of freedom.
struct ChiSquare {
    double statistic = 0;
    int degrees = 0;
};

ChiSquare Compare(const std::map<std::string, int64_t>& counts,
                  const std::map<std::string, double>& probabilities, int64_t total) {
    ChiSquare result;
    double pooledExpected = 0;
    double pooledObserved = 0;
    int classes = 0;
    for (const auto& [text, p] : probabilities) {
        const double expected = p * static_cast<double>(total);
        const auto found = counts.find(text);
        const double observed = found == counts.end() ? 0.0 : static_cast<double>(found->second);
        if (expected < 5) {
            pooledExpected += expected;
            pooledObserved += observed;
            continue;
        }
        result.statistic += (observed - expected) * (observed - expected) / expected;
        ++classes;
    }
    if (pooledExpected > 0) {
        result.statistic +=
            (pooledObserved - pooledExpected) * (pooledObserved - pooledExpected) / pooledExpected;
        ++classes;
    }
    // A question outside the acceptable ones is as far off as can be.
    for (const auto& [text, n] : counts) {
        if (!probabilities.contains(text)) result.statistic = INFINITY;
    }
    result.degrees = classes - 1;
    return result;
}

// The value that a chi-square variable with these degrees of freedom exceeds with probability
// 1e-4 (Wilson and Hilferty's approximation).
double CriticalValue(int degrees) {
    const double k = degrees;
    const double z = 3.719;
    const double c = 1 - 2 / (9 * k) + z * std::sqrt(2 / (9 * k));
    return k * c * c * c;
}

struct DistributionCase {
    const char* name;
    WorksheetSettings settings;
};

class DistributionTest : public testing::TestWithParam<DistributionCase> {
protected:
    using BlindPatterns = std::function<bool(const std::string& operators)>;

    // Questions drawn through the generator in sheets of 100.
    std::map<std::string, int64_t> Draw(CandidateSearch search, uint32_t seed, BlindLanes lanes,
                                        const BlindPatterns& drawLastBlind) {
        SeedRandomSource(seed);
        GenerationLimits limits;
        limits.timeBudget = std::chrono::minutes(5);
        limits.search = search;
        limits.lanes = lanes;
        limits.drawLastBlind = drawLastBlind;
        limits.solveFirst = solveFirst_;
        limits.solvedTogether = solvedTogether_;
        limits.laneHelperDelay = helperDelay_;
        std::map<std::string, int64_t> counts;
        for (int64_t sheet = 0; sheet < kSheets; ++sheet) {
            const GenerationResult result =
                GenerateQuestions(GetParam().settings, evaluator_, limits);
            EXPECT_EQ(result.outcome, GenerationOutcome::Complete) << result.reason;
            if (result.outcome != GenerationOutcome::Complete) break;
            for (const Question& q : result.questions) ++counts[q.expression];
        }
        return counts;
    }

    // Questions drawn this way match the exact probabilities by chi-square.
    void ExpectExactDistribution(CandidateSearch search, uint32_t seed,
                                 BlindLanes lanes = BlindLanes::WhereWorthwhile,
                                 const BlindPatterns& drawLastBlind = {}) {
        const std::map<std::string, double> exact = ExactProbabilities(GetParam().settings);
        const ChiSquare chi = Compare(Draw(search, seed, lanes, drawLastBlind), exact, kQuestions);
        EXPECT_LT(chi.statistic, CriticalValue(chi.degrees)) << chi.degrees;
    }

    std::chrono::milliseconds helperDelay_{10};
    BlindPatterns solveFirst_;
    int32_t solvedTogether_ = 0;
    static constexpr int64_t kSheets = 1000;
    static constexpr int64_t kQuestions = kSheets * 100;
    ExpressionEvaluator evaluator_;
};

INSTANTIATE_TEST_SUITE_P(
    BothPaths, DistributionTest,
    testing::Values(
        DistributionCase{"DivideThreeUpTo12", Options({"/"}, 3, 12, 10)},
        DistributionCase{"TimesThreeUpTo10", Options({"*"}, 3, 10, 50)},
        DistributionCase{"MinusFourUpTo9", Options({"-"}, 4, 9, 3)},
        // One term of "*" and "/", which the lanes judge from two products.
        DistributionCase{"TimesDivideFourUpTo12", Options({"*", "/"}, 4, 12, 10)},
        // Three operators: RandomInRange(1, 3) favours the first two by one value in 32768.
        DistributionCase{"PlusTimesDivideUpTo7", Options({"+", "*", "/"}, 3, 7, 6)},
        // Two and four operators, whose positions the lanes take from one or two bits.
        DistributionCase{"PlusMinusThreeUpTo9", Options({"+", "-"}, 3, 9, 5)},
        DistributionCase{"EveryOperatorThreeUpTo8", Options({"+", "-", "*", "/"}, 3, 8, 4)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(DistributionTest, BlindDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::BlindOnly, 11);
}

// Eight candidates at once, with independent draws of the operands made into the blind draw's
// redraws by rejection. The wide kernel, where the processor has it, is tested against the
// portable one lane by lane (see the lane kernel's tests).
TEST_P(DistributionTest, LaneDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::BlindOnly, 15, BlindLanes::Always);
}

// With a helper thread from the first batch on, where the processor has a second core: the
// batches of the two random streams are taken in turn.
TEST_P(DistributionTest, LaneDrawsWithAHelperThreadMatchTheExactProbabilities) {
    helperDelay_ = std::chrono::milliseconds(0);
    ExpectExactDistribution(CandidateSearch::BlindOnly, 16, BlindLanes::Always);
}

TEST_P(DistributionTest, ExactSearchMatchesTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::ExactOnly, 12);
}

// Draws from the bounded set that holds every acceptable candidate, turned into the blind
// draw's odds by rejection: operators of unequal weight (+ listed twice) included.
class BoundedSumDistributionTest : public DistributionTest {};

INSTANTIATE_TEST_SUITE_P(
    BoundedSets, BoundedSumDistributionTest,
    testing::Values(DistributionCase{"PlusTimesFourUpTo9", Options({"+", "*"}, 4, 9, 12)},
                    DistributionCase{"PlusPlusTimesThreeUpTo8", Options({"+", "+", "*"}, 3, 8, 10)},
                    DistributionCase{"TimesThreeUpTo10", Options({"*"}, 3, 10, 50)},
                    DistributionCase{"PlusThreeUpTo10", Options({"+"}, 3, 10, 12)},
                    DistributionCase{"MinusFourUpTo9", Options({"-"}, 4, 9, 3)},
                    DistributionCase{"MinusThreeUpTo12", Options({"-"}, 3, 12, 6)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(BoundedSumDistributionTest, BoundedDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::BoundedSums, 14);
}

// Lanes whose single-operand terms are drawn below the answer range, with the operators drawn
// first, gap by gap: unequal operator weights (+ listed twice) included.
class LaneSinglesDistributionTest : public DistributionTest {};

// Each set has acceptable questions with different numbers of single terms (12/2/3 and 1+8/4),
// so that a wrong factor for those terms shows.
INSTANTIATE_TEST_SUITE_P(
    SmallAnswers, LaneSinglesDistributionTest,
    testing::Values(
        DistributionCase{"PlusDivideThreeUpTo16", Options({"+", "/"}, 3, 16, 5)},
        DistributionCase{"PlusTimesDivideThreeUpTo16", Options({"+", "*", "/"}, 3, 16, 5)},
        DistributionCase{"PlusPlusDivideThreeUpTo16", Options({"+", "+", "/"}, 3, 16, 5)},
        DistributionCase{"PlusTimesThreeUpTo24", Options({"+", "*"}, 3, 24, 7)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(LaneSinglesDistributionTest, LaneDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::BlindOnly, 18, BlindLanes::Always);
}

// Draws whose last operand is solved for, on options whose answers lie far below the numbers,
// where most patterns bound the solutions tightly.
class SolvedLastDistributionTest : public DistributionTest {};

INSTANTIATE_TEST_SUITE_P(
    SmallAnswers, SolvedLastDistributionTest,
    testing::Values(DistributionCase{"PlusDivideThreeUpTo12", Options({"+", "/"}, 3, 12, 4)},
                    DistributionCase{"TimesDivideThreeUpTo12", Options({"*", "/"}, 3, 12, 3)},
                    DistributionCase{"MinusTimesThreeUpTo10", Options({"-", "*"}, 3, 10, 3)},
                    DistributionCase{"EveryOperatorThreeUpTo9",
                                     Options({"+", "-", "*", "/"}, 3, 9, 2)},
                    DistributionCase{"DivideFourUpTo12", Options({"/"}, 4, 12, 2)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

// The same with the rests drawn in the lanes, every pattern sharing one bound here.
TEST_P(SolvedLastDistributionTest, LaneSolvedDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedLast, 20, BlindLanes::Always);
}

TEST_P(SolvedLastDistributionTest, SolvedDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedLast, 17);
}

// Patterns that end as they begin have their last operand drawn blind, the others solved for:
// the two kinds have different bounds, so the lanes draw the patterns from a table and keep
// each kind's hits at its own rate.
bool EndsAsItBegins(const std::string& operators) {
    return operators.front() == operators.back();
}

TEST_P(SolvedLastDistributionTest, LanesMixingSolvedAndBlindPatternsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedLast, 22, BlindLanes::Always, EndsAsItBegins);
}

TEST_P(SolvedLastDistributionTest, DrawsMixingSolvedAndBlindPatternsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedLast, 23, BlindLanes::Never, EndsAsItBegins);
}

// The first operand solved for instead of the last, in every pattern where it resolves (all of
// them, with numbers this small): the other operands drawn independently, each solution
// weighted with the redraws' odds.
TEST_P(SolvedLastDistributionTest, DrawsSolvingForTheFirstOperandMatchTheExactProbabilities) {
    solveFirst_ = [](const std::string&) { return true; };
    ExpectExactDistribution(CandidateSearch::SolvedLast, 25, BlindLanes::Never);
}

// Some patterns solving for the first operand and the others for the last, with a helper
// thread drawing every other batch from the first on.
TEST_P(SolvedLastDistributionTest, DrawsSolvingForEitherEndWithAHelperMatchTheExactProbabilities) {
    solveFirst_ = EndsAsItBegins;
    helperDelay_ = std::chrono::milliseconds(0);
    ExpectExactDistribution(CandidateSearch::SolvedLast, 26, BlindLanes::Never);
}

// All three kinds of pattern in the lanes' table: some solving for the first operand, whose
// lanes draw the other operands and weigh each solution with the redraws' odds, some for the
// last, and some drawn blind. Both kernels.
bool BeginsBelowItsEnd(const std::string& operators) {
    return operators.front() < operators.back();
}

TEST_P(SolvedLastDistributionTest, LanesSolvingForEitherEndMatchTheExactProbabilities) {
    solveFirst_ = EndsAsItBegins;
    ExpectExactDistribution(CandidateSearch::SolvedLast, 28, BlindLanes::Always, BeginsBelowItsEnd);
}

TEST_P(SolvedLastDistributionTest, PortableLanesSolvingForEitherEndMatchTheExactProbabilities) {
    solveFirst_ = EndsAsItBegins;
    ExpectExactDistribution(CandidateSearch::SolvedLast, 29, BlindLanes::AlwaysPortable,
                            BeginsBelowItsEnd);
}

TEST_P(SolvedLastDistributionTest, LaneSolvedDrawsWithAHelperThreadMatchTheExactProbabilities) {
    helperDelay_ = std::chrono::milliseconds(0);
    ExpectExactDistribution(CandidateSearch::SolvedLast, 24, BlindLanes::Always, EndsAsItBegins);
}

// Sums ending in a whole over x, whose bound counts the divisors of the whole (6 for numbers up
// to 12) rather than the answer range's 19 values: the rests with the most solutions, such as
// 7 + 12 / x, must still come out with their blind odds. Patterns that end as they begin are
// drawn blind, so that the others keep their own bounds instead of sharing the highest.
class DivisorBoundDistributionTest : public DistributionTest {};

INSTANTIATE_TEST_SUITE_P(WideAnswers, DivisorBoundDistributionTest,
                         testing::Values(DistributionCase{"PlusMinusDivideThreeUpTo12",
                                                          Options({"+", "-", "/"}, 3, 12, 20)}),
                         [](const testing::TestParamInfo<DistributionCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_P(DivisorBoundDistributionTest, SolvedDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedLast, 30, BlindLanes::Never, EndsAsItBegins);
}

TEST_P(DivisorBoundDistributionTest, LaneSolvedDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedLast, 31, BlindLanes::Always, EndsAsItBegins);
}

// Draws whose pair of operands of one kind is solved for, on one-term chains: each proposal
// tries one whole value, so several values and many pairs of one product must each come out
// with their blind odds.
class SolvedPairsDistributionTest : public DistributionTest {};

INSTANTIATE_TEST_SUITE_P(
    OneTermChains, SolvedPairsDistributionTest,
    testing::Values(DistributionCase{"TimesDivideFourUpTo12", Options({"*", "/"}, 4, 12, 10)},
                    DistributionCase{"TimesDivideThreeUpTo20", Options({"*", "/"}, 3, 20, 4)},
                    DistributionCase{"DivideFourUpTo12", Options({"/"}, 4, 12, 2)},
                    DistributionCase{"TimesThreeUpTo10", Options({"*"}, 3, 10, 50)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

// One proposal at a time, as on processors without AVX-512.
TEST_P(SolvedPairsDistributionTest, PairDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 25, BlindLanes::Never);
}

// Eight at a time, the lanes turning down proposals that the completion would turn down too.
TEST_P(SolvedPairsDistributionTest, LanePairDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 26, BlindLanes::Always);
}

TEST_P(SolvedPairsDistributionTest, PortableLanePairDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 27, BlindLanes::AlwaysPortable);
}

// Draws that solve for three operands of one kind together, whose hits are bounded from their
// product's factors and counted from its exponents before their triples are listed: each
// triple must still come out with its blind odds, the redraw of equal operands included.
class SolvedTriplesDistributionTest : public DistributionTest {
protected:
    SolvedTriplesDistributionTest() { solvedTogether_ = 3; }
};

INSTANTIATE_TEST_SUITE_P(
    OneTermChains, SolvedTriplesDistributionTest,
    testing::Values(DistributionCase{"TimesDivideFiveUpTo7", Options({"*", "/"}, 5, 7, 10)},
                    DistributionCase{"TimesFiveUpTo7", Options({"*"}, 5, 7, 2000)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(SolvedTriplesDistributionTest, TripleDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 29, BlindLanes::Never);
}

TEST_P(SolvedTriplesDistributionTest, LaneTripleDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 30, BlindLanes::Always);
}

TEST_P(SolvedTriplesDistributionTest, PortableLaneTripleDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 31, BlindLanes::AlwaysPortable);
}

// With a helper thread from the first batch on, on two of the sets: each sheet here waits for
// the helper's batches of small options, which complete many proposals.
class SolvedPairsHelperDistributionTest : public DistributionTest {};

INSTANTIATE_TEST_SUITE_P(
    OneTermChains, SolvedPairsHelperDistributionTest,
    testing::Values(DistributionCase{"TimesDivideFourUpTo12", Options({"*", "/"}, 4, 12, 10)},
                    DistributionCase{"DivideFourUpTo12", Options({"/"}, 4, 12, 2)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(SolvedPairsHelperDistributionTest, LanePairDrawsMatchTheExactProbabilities) {
    helperDelay_ = std::chrono::milliseconds(0);
    ExpectExactDistribution(CandidateSearch::SolvedPairs, 28, BlindLanes::Always);
}

// Draws from every acceptable candidate of "/" alone, each set of divisors in a random order.
class DivisorSetsDistributionTest : public DistributionTest {};

INSTANTIATE_TEST_SUITE_P(
    DivisionAlone, DivisorSetsDistributionTest,
    testing::Values(DistributionCase{"DivideThreeUpTo12", Options({"/"}, 3, 12, 10)},
                    DistributionCase{"DivideFourUpTo12", Options({"/"}, 4, 12, 2)},
                    DistributionCase{"DivideFourUpTo24", Options({"/"}, 4, 24, 4)}),
    [](const testing::TestParamInfo<DistributionCase>& info) {
        return std::string(info.param.name);
    });

TEST_P(DivisorSetsDistributionTest, QuotientDrawsMatchTheExactProbabilities) {
    ExpectExactDistribution(CandidateSearch::DivisorSets, 29);
}

// A sampler with a plausible mistake: an operand equal to an earlier one is moved on to the next
// free value instead of being drawn again. The same comparison must catch it.
TEST_P(DistributionTest, ASamplerThatShiftsRepeatedOperandsFails) {
    const WorksheetSettings& settings = GetParam().settings;
    SeedRandomSource(13);
    std::map<std::string, int64_t> counts;
    const auto size = static_cast<int32_t>(settings.operators.size());
    // Fewer questions than above suffice to show the fault.
    const int64_t questions = kQuestions / 4;
    for (int64_t found = 0; found < questions;) {
        std::vector<int32_t> operands;
        for (int32_t i = 0; i < settings.operandCount; ++i) {
            int32_t v = RandomInRange(1, settings.numberRange);
            while (std::find(operands.begin(), operands.end(), v) != operands.end()) {
                v = v % settings.numberRange + 1;
            }
            operands.push_back(v);
        }
        std::string text = std::to_string(operands[0]);
        for (size_t i = 1; i < operands.size(); ++i) {
            text += settings.operators[static_cast<size_t>(RandomInRange(1, size) - 1)] +
                    std::to_string(operands[i]);
        }
        const std::optional<std::string> value = ValueText(text);
        if (!value || !IsAcceptableAnswer(*value, settings.answerRange)) continue;
        ++counts[text];
        ++found;
    }
    const ChiSquare chi = Compare(counts, ExactProbabilities(settings), questions);
    EXPECT_GT(chi.statistic, CriticalValue(chi.degrees)) << chi.degrees;
}

// --- Refusals -----------------------------------------------------------------------------------

struct RefusalCase {
    std::string operators;  // such as "+-*/"
    int32_t operandCount;
};

std::string RefusalName(const testing::TestParamInfo<RefusalCase>& info) {
    std::string name;
    for (const char c : info.param.operators) {
        name += c == '+' ? "Plus" : c == '-' ? "Minus" : c == '*' ? "Times" : "Divide";
    }
    return name + std::to_string(info.param.operandCount);
}

std::vector<RefusalCase> RefusalCases() {
    const char symbols[] = {'+', '-', '*', '/'};
    std::vector<RefusalCase> cases;
    for (int mask = 1; mask < 16; ++mask) {
        std::string operators;
        for (int bit = 0; bit < 4; ++bit) {
            if (mask & (1 << bit)) operators += symbols[bit];
        }
        for (int32_t n = 2; n <= 4; ++n) cases.push_back({operators, n});
    }
    return cases;
}

class RefusalTest : public testing::TestWithParam<RefusalCase> {
protected:
    ExpressionEvaluator evaluator_;
};

INSTANTIATE_TEST_SUITE_P(SmallOptions, RefusalTest, testing::ValuesIn(RefusalCases()), RefusalName);

// For numbers up to 1 to 8 and answer ranges 1 to 20, the generator refuses exactly when no
// acceptable question exists; the brute force finds the least acceptable value, since an answer
// range admits a question exactly when it exceeds that value.
TEST_P(RefusalTest, RefusesExactlyWhenBruteForceFindsNothing) {
    std::vector<std::string> operators;
    for (const char c : GetParam().operators) operators.emplace_back(1, c);
    for (int32_t numberRange = 1; numberRange <= 8; ++numberRange) {
        WorksheetSettings settings =
            Options(operators, GetParam().operandCount, numberRange, INT_MAX, 1);
        std::optional<int64_t> least;
        if (numberRange >= settings.operandCount) {
            ForEachCandidate(settings, [&](const std::string& text, const auto&, const auto&) {
                const std::optional<std::string> value = ValueText(text);
                if (!value || !IsAcceptableAnswer(*value, INT_MAX)) return;
                const int64_t v = std::stoll(*value);
                if (!least || v < *least) least = v;
            });
        }
        for (int32_t answerRange = 1; answerRange <= 20; ++answerRange) {
            settings.answerRange = answerRange;
            const GenerationResult result = GenerateQuestions(settings, evaluator_);
            const bool exists = least && *least < answerRange;
            EXPECT_EQ(result.outcome,
                      exists ? GenerationOutcome::Complete : GenerationOutcome::Refused)
                << "numbers up to " << numberRange << ", answers below " << answerRange << ": "
                << result.reason;
            if (!exists) {
                EXPECT_FALSE(result.reason.empty());
            }
        }
    }
}

}  // namespace
