// The draws from every acceptable candidate of "/" alone: the candidates they count against a
// search of every candidate, and the options they decide. Their distribution is tested with the
// generator's other paths.

#include "worksheet/quotient_draw.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "../support/brute_force_candidates.h"
#include "../support/worksheet_options.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"

namespace {

using test_support::ForEachCandidate;
using test_support::Options;
using test_support::ValueText;

struct CountCase {
    const char* name;
    WorksheetSettings settings;
};

class QuotientCountTest : public testing::TestWithParam<CountCase> {};

INSTANTIATE_TEST_SUITE_P(
    SmallOptions, QuotientCountTest,
    testing::Values(CountCase{"TwoUpTo50", Options({"/"}, 2, 50, 6)},
                    CountCase{"ThreeUpTo40", Options({"/"}, 3, 40, 10)},
                    // 1 among the divisors: 6/1/2/3 and its like.
                    CountCase{"FourUpTo20", Options({"/"}, 4, 20, 1000)},
                    // RandomInRange(1, 12) gives some numbers one value of r more than others.
                    CountCase{"ThreeUpTo12", Options({"/"}, 3, 12, 3)},
                    // 1/2/3/4 and beyond: 5! exceeds 100, so nothing is whole.
                    CountCase{"SixUpTo100", Options({"/"}, 6, 100, 1000)}),
    [](const testing::TestParamInfo<CountCase>& info) { return std::string(info.param.name); });

// Every candidate that the evaluator's value text accepts is counted, and nothing else.
TEST_P(QuotientCountTest, CountsExactlyTheAcceptableCandidates) {
    const WorksheetSettings& settings = GetParam().settings;
    const std::optional<QuotientDraw> draw = QuotientDraw::For(settings);
    ASSERT_TRUE(draw);
    uint64_t acceptable = 0;
    if (settings.operandCount < 6) {
        ForEachCandidate(settings, [&](const std::string& text, const auto&, const auto&) {
            const std::optional<std::string> value = ValueText(text);
            acceptable += value && IsAcceptableAnswer(*value, settings.answerRange);
        });
    }
    EXPECT_EQ(draw->Candidates(), acceptable);
}

// Numbers up to 100, answers below 1000: 1,032 acceptable questions of five numbers.
TEST(QuotientDrawTest, CountsTheKnownQuestionsOfFiveNumbers) {
    const std::optional<QuotientDraw> draw = QuotientDraw::For(Options({"/"}, 5, 100, 1000));
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->Candidates(), 1032u);
}

TEST(QuotientDrawTest, ServesDivisionAloneOnly) {
    EXPECT_TRUE(QuotientDraw::For(Options({"/"}, 9, 32768, 10)));
    EXPECT_FALSE(QuotientDraw::For(Options({"*", "/"}, 3, 100, 10)));
    EXPECT_FALSE(QuotientDraw::For(Options({"+"}, 3, 100, 10)));
}

// Numbers up to 32768 and answers below 10, five or six of them divided: a first operand must
// be a multiple of four or five divisors' product, which no blind draw or search of first
// operands meets in time. Listed at once, such options make a sheet; eight numbers, whose
// least product 8! exceeds 32768, are refused.
TEST(QuotientDrawTest, DecidesDivisionsOfLargeNumbers) {
    ExpressionEvaluator evaluator;
    GenerationLimits limits;
    limits.timeBudget = std::chrono::seconds(60);
    for (const int32_t n : {5, 6}) {
        const GenerationResult result =
            GenerateQuestions(Options({"/"}, n, 32768, 10), evaluator, limits);
        EXPECT_EQ(result.outcome, GenerationOutcome::Complete) << n << ": " << result.reason;
        EXPECT_EQ(result.questions.size(), 100u);
    }
    const GenerationResult refused =
        GenerateQuestions(Options({"/"}, 9, 32768, 10), evaluator, limits);
    EXPECT_EQ(refused.outcome, GenerationOutcome::Refused);
}

}  // namespace
