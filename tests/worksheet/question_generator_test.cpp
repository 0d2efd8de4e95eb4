#include "worksheet/question_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "../support/worksheet_options.h"
#include "worksheet/expression_evaluator.h"

namespace {

using test_support::Options;

// The operands and operators of an expression such as 12+7*3.
struct Chain {
    std::vector<int64_t> operands;
    std::string operators;
};

Chain Split(const std::string& expression) {
    Chain chain;
    const char* p = expression.data();
    const char* end = p + expression.size();
    while (p < end) {
        int64_t operand = 0;
        const auto parsed = std::from_chars(p, end, operand);
        EXPECT_EQ(parsed.ec, std::errc()) << expression;
        if (parsed.ec != std::errc()) break;
        chain.operands.push_back(operand);
        p = parsed.ptr;
        if (p < end) chain.operators.push_back(*p++);
    }
    return chain;
}

int64_t ToNumber(const std::string& text) {
    int64_t value = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(parsed.ec == std::errc() && parsed.ptr == text.data() + text.size()) << text;
    return value;
}

// Checks what every accepted question must satisfy, and hands back the chains.
std::vector<Chain> CheckQuestions(const GenerationResult& result,
                                  const WorksheetSettings& settings) {
    EXPECT_EQ(result.outcome, GenerationOutcome::Complete) << result.reason;
    EXPECT_EQ(result.questions.size(), static_cast<size_t>(settings.questionCount));
    EXPECT_GE(result.candidates, result.questions.size());
    std::vector<Chain> chains;
    for (const Question& q : result.questions) {
        EXPECT_EQ(q.prompt, q.expression + "=");
        EXPECT_EQ(q.equation, q.expression + "=" + q.answer);
        const int64_t answer = ToNumber(q.answer);
        EXPECT_GE(answer, 0) << q.equation;
        EXPECT_LT(answer, settings.answerRange) << q.equation;
        Chain chain = Split(q.expression);
        EXPECT_EQ(chain.operands.size(), static_cast<size_t>(settings.operandCount));
        std::set<int64_t> distinct(chain.operands.begin(), chain.operands.end());
        EXPECT_EQ(distinct.size(), chain.operands.size()) << q.expression;
        for (const char op : chain.operators) {
            EXPECT_NE(
                std::find(settings.operators.begin(), settings.operators.end(), std::string(1, op)),
                settings.operators.end())
                << q.expression;
        }
        chains.push_back(std::move(chain));
    }
    return chains;
}

int64_t LargestOperandIn(const std::vector<Chain>& chains) {
    int64_t largest = 0;
    for (const Chain& chain : chains) {
        for (const int64_t operand : chain.operands) largest = std::max(largest, operand);
    }
    return largest;
}

class QuestionGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override { SeedRandomSource(20240611); }
    ExpressionEvaluator evaluator_;
};

// --- Random draws -------------------------------------------------------------------------------

TEST_F(QuestionGeneratorTest, ConsecutiveDrawsAreIndependent) {
    // A counter read afresh at every draw makes consecutive draws follow each other closely, so
    // that many (previous, next) pairs never occur. Every pair must occur, and evenly.
    constexpr int kDraws = 1'000'000;
    std::vector<int> pairs(100 * 100, 0);
    int previous = RandomInRange(1, 100);
    for (int i = 0; i < kDraws; ++i) {
        const int next = RandomInRange(1, 100);
        ASSERT_GE(next, 1);
        ASSERT_LE(next, 100);
        ++pairs[static_cast<size_t>((previous - 1) * 100 + (next - 1))];
        previous = next;
    }
    const double expected = kDraws / 10000.0;
    double chiSquare = 0;
    for (const int observed : pairs) {
        EXPECT_GT(observed, 0);
        chiSquare += (observed - expected) * (observed - expected) / expected;
    }
    // 9999 degrees of freedom: mean 9999, standard deviation about 141.
    EXPECT_LT(chiSquare, 9999 + 5 * 141.4);
}

TEST_F(QuestionGeneratorTest, SeedingRepeatsTheSequence) {
    SeedRandomSource(7);
    std::vector<int32_t> first;
    for (int i = 0; i < 20; ++i) first.push_back(RandomInRange(1, 1000));
    SeedRandomSource(7);
    std::vector<int32_t> second;
    for (int i = 0; i < 20; ++i) second.push_back(RandomInRange(1, 1000));
    EXPECT_EQ(first, second);
}

TEST_F(QuestionGeneratorTest, DrawsStayWithinLowPlus32767) {
    int32_t largestWide = 0;
    for (int i = 0; i < 200'000; ++i) {
        const int32_t wide = RandomInRange(1, 1'000'000);
        ASSERT_GE(wide, 1);
        ASSERT_LE(wide, 32768);
        largestWide = std::max(largestWide, wide);
        for (const int32_t high : {0, -1, -100000, INT_MIN}) {
            const int32_t v = RandomInRange(1, high);
            ASSERT_GE(v, 1) << high;
            ASSERT_LE(v, 32768) << high;
        }
        ASSERT_EQ(RandomInRange(5, 5), 5);
        // The whole 32-bit range: its width wraps to 0, which must not divide.
        const int32_t whole = RandomInRange(INT_MIN, INT_MAX);
        ASSERT_LE(whole, INT_MIN + 32767);
    }
    EXPECT_GT(largestWide, 32000);
}

TEST_F(QuestionGeneratorTest, OperandsArePairwiseDistinctAndInRange) {
    for (int i = 0; i < 2000; ++i) {
        const std::vector<int32_t> operands = DrawDistinctOperands(9, 1, 12);
        ASSERT_EQ(operands.size(), 9u);
        const std::set<int32_t> distinct(operands.begin(), operands.end());
        ASSERT_EQ(distinct.size(), 9u);
        ASSERT_GE(*distinct.begin(), 1);
        ASSERT_LE(*distinct.rbegin(), 12);
    }
    // Exactly as many values as the range holds: a permutation of it.
    const std::vector<int32_t> all = DrawDistinctOperands(6, 1, 6);
    EXPECT_EQ(std::set<int32_t>(all.begin(), all.end()), (std::set<int32_t>{1, 2, 3, 4, 5, 6}));
    // More than the range holds cannot be drawn and must not hang.
    EXPECT_TRUE(DrawDistinctOperands(7, 1, 6).empty());
    EXPECT_TRUE(DrawDistinctOperands(0, 1, 6).empty());
    EXPECT_EQ(DistinctValuesInRange(1, 0), 32768u);
    EXPECT_EQ(DistinctValuesInRange(1, -3), 32768u);
    EXPECT_EQ(DistinctValuesInRange(1, 40000), 32768u);
    EXPECT_EQ(DistinctValuesInRange(1, 10), 10u);
}

TEST_F(QuestionGeneratorTest, RandomOperatorPicksEveryElement) {
    const std::vector<std::string> operators{"+", "-", "*", "/"};
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) seen.insert(RandomOperator(operators));
    EXPECT_EQ(seen, std::set<std::string>(operators.begin(), operators.end()));
    EXPECT_EQ(RandomOperator({"*"}), "*");
    EXPECT_EQ(RandomOperator({}), "");
}

// --- Acceptance ---------------------------------------------------------------------------------

TEST_F(QuestionGeneratorTest, AnswersAreJudgedByTheirTrueValue) {
    EXPECT_TRUE(IsAcceptableAnswer("999", 1000));
    EXPECT_FALSE(IsAcceptableAnswer("1000", 1000));
    EXPECT_TRUE(IsAcceptableAnswer("0", 1000));
    EXPECT_TRUE(IsAcceptableAnswer("0", 1));
    EXPECT_FALSE(IsAcceptableAnswer("-1", 1000));
    EXPECT_FALSE(IsAcceptableAnswer("3.5", 1000));
    EXPECT_FALSE(IsAcceptableAnswer("2147483647", INT_MAX));
    EXPECT_TRUE(IsAcceptableAnswer("2147483646", INT_MAX));
    // Values that wrap to small numbers in 32 or 64 bits.
    EXPECT_FALSE(IsAcceptableAnswer("4294968295", 1000));
    EXPECT_FALSE(IsAcceptableAnswer("18446744073709552615", 1000));
    EXPECT_FALSE(IsAcceptableAnswer("-4294967296", 1000));
    // Texts that are not a whole number written out, though they hold no ".".
    for (const char* text :
         {"1e+21", "1e-10", "Infinity", "-Infinity", "NaN", "", "-", "12 ", "+5", "undefined"}) {
        EXPECT_FALSE(IsAcceptableAnswer(text, INT_MAX)) << text;
    }
}

TEST_F(QuestionGeneratorTest, ScriptValuesThatAreNotWholeAreRejected) {
    // Exactly 1, but not in double precision.
    const std::string almostOne = evaluator_.Eval("1/49*49");
    EXPECT_NE(almostOne.find('.'), std::string::npos) << almostOne;
    EXPECT_FALSE(IsAcceptableAnswer(almostOne, 1000));
    // A tiny value is written "1e-7": an exponent and no ".", yet not whole.
    const std::string tiny = evaluator_.Eval("1/1000/10000");
    EXPECT_EQ(tiny.find('.'), std::string::npos) << tiny;
    EXPECT_FALSE(IsAcceptableAnswer(tiny, 1000));
    EXPECT_FALSE(IsAcceptableAnswer(evaluator_.Eval("99*98*97*96*95*94*93*92*91*90*89"), 1000));
    EXPECT_TRUE(IsAcceptableAnswer(evaluator_.Eval("7/2*4"), 1000));
    EXPECT_TRUE(IsAcceptableAnswer(evaluator_.Eval("3-5+4"), 1000));
}

TEST_F(QuestionGeneratorTest, CandidatesAreKeptInOrderOfAcceptance) {
    // A scripted evaluator: the value texts come from a list, whatever the expression.
    const std::vector<std::string> values{"1000", "999", "-1", "0", "3.5", "1e-10", "12"};
    std::vector<std::string> asked;
    const ExpressionValue scripted = [&](const std::string& expression) {
        asked.push_back(expression);
        return values[(asked.size() - 1) % values.size()];
    };
    const WorksheetSettings settings = Options({"+", "-", "*", "/"}, 4, 100, 1000, 3);
    const GenerationResult result = GenerateQuestions(settings, scripted);
    ASSERT_EQ(result.outcome, GenerationOutcome::Complete);
    ASSERT_EQ(result.questions.size(), 3u);
    EXPECT_EQ(result.candidates, 7u);
    ASSERT_EQ(asked.size(), 7u);
    EXPECT_EQ(result.questions[0].answer, "999");
    EXPECT_EQ(result.questions[0].expression, asked[1]);
    EXPECT_EQ(result.questions[1].answer, "0");
    EXPECT_EQ(result.questions[1].expression, asked[3]);
    EXPECT_EQ(result.questions[2].answer, "12");
    EXPECT_EQ(result.questions[2].equation, asked[6] + "=12");
    for (const std::string& expression : asked) {
        EXPECT_EQ(expression.find('|'), std::string::npos) << expression;
        EXPECT_EQ(Split(expression).operators.size(), 3u) << expression;
    }
}

// --- Whole runs ---------------------------------------------------------------------------------

TEST_F(QuestionGeneratorTest, InitialOptionsGiveAFullSheet) {
    const WorksheetSettings settings = Options({"+", "-"}, 4, 100, 1000);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    const std::vector<Chain> chains = CheckQuestions(result, settings);
    EXPECT_LE(LargestOperandIn(chains), 100);
    EXPECT_TRUE(result.reason.empty());
}

TEST_F(QuestionGeneratorTest, SubtractionOfTwoNeverGivesZeroOrLess) {
    const WorksheetSettings settings = Options({"-"}, 2, 100, 1000);
    for (const Chain& chain : CheckQuestions(GenerateQuestions(settings, evaluator_), settings)) {
        EXPECT_GT(chain.operands[0], chain.operands[1]);
    }
}

TEST_F(QuestionGeneratorTest, DivisionOfTwoIsAlwaysExact) {
    const WorksheetSettings settings = Options({"/"}, 2, 100, 1000);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    const std::vector<Chain> chains = CheckQuestions(result, settings);
    for (size_t i = 0; i < chains.size(); ++i) {
        const Chain& chain = chains[i];
        EXPECT_EQ(chain.operands[0] % chain.operands[1], 0) << result.questions[i].expression;
        EXPECT_EQ(ToNumber(result.questions[i].answer), chain.operands[0] / chain.operands[1]);
    }
}

TEST_F(QuestionGeneratorTest, AnswerZeroIsAccepted) {
    // From 1, 2 and 3 only 3-1-2 and 3-2-1 are not negative, and both give 0.
    const WorksheetSettings settings = Options({"-"}, 3, 3, 1, 20);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    CheckQuestions(result, settings);
    for (const Question& q : result.questions) {
        EXPECT_TRUE(q.equation == "3-1-2=0" || q.equation == "3-2-1=0") << q.equation;
    }
}

TEST_F(QuestionGeneratorTest, WideNumberRangesStopAt32768) {
    for (const int32_t numberRange : {1'000'000, 0, -7}) {
        const WorksheetSettings settings = Options({"+"}, 2, numberRange, INT_MAX);
        const std::vector<Chain> chains =
            CheckQuestions(GenerateQuestions(settings, evaluator_), settings);
        const int64_t largest = LargestOperandIn(chains);
        EXPECT_LE(largest, 32768) << numberRange;
        EXPECT_GT(largest, 1000) << numberRange;
    }
}

TEST_F(QuestionGeneratorTest, UntickedOperatorNeverAppears) {
    const WorksheetSettings both = Options({"+", "-"}, 5, 100, 1000);
    bool sawMinus = false;
    for (const Chain& chain : CheckQuestions(GenerateQuestions(both, evaluator_), both)) {
        sawMinus = sawMinus || chain.operators.find('-') != std::string::npos;
    }
    EXPECT_TRUE(sawMinus);
    const WorksheetSettings plusOnly = Options({"+"}, 5, 100, 1000);
    for (const Chain& chain : CheckQuestions(GenerateQuestions(plusOnly, evaluator_), plusOnly)) {
        EXPECT_EQ(chain.operators, "++++");
    }
}

// --- Refusals and limits ------------------------------------------------------------------------

TEST_F(QuestionGeneratorTest, ImpossibleOptionsAreRefusedWithoutTrying) {
    const std::vector<WorksheetSettings> impossible{
        Options({}, 4, 100, 1000),
        Options({"+", "%"}, 4, 100, 1000),
        Options({"+"}, 4, 100, 1000, 0),
        Options({"+"}, 1, 100, 1000),
        Options({"+"}, 4, 100, 0),
        Options({"-"}, 4, 100, -5),
        Options({"+", "-"}, 4, 3, 1000),
        Options({"+"}, 40000, 0, INT_MAX),
        Options({"+", "-"}, 101, 0, INT_MAX),  // longer than any sheet needs
        Options({"+", "*", "/"}, 4, 100, 1),   // only 0 allowed, and nothing subtracts
        Options({"+", "-"}, 2, 100, 1),        // two distinct numbers never give 0
        Options({"+"}, 3, 100, 6),             // 1+2+3 is not below 6
        Options({"*"}, 4, 4, 24),              // 1*2*3*4 is not below 24
        Options({"*"}, 7, 100, 1000),
        Options({"+", "*"}, 3, 100, 5),  // 1*2+3 is the least
        Options({"-"}, 4, 5, 1000),      // the sum of three others is at least 6
        Options({"/"}, 3, 3, 1000),      // the dividend must be 4 or more
        Options({"/"}, 4, 5, 1000),      // 6/1/2/3 is the least
        Options({"/"}, 6, 100, 1000),    // 5! exceeds 100
    };
    for (const WorksheetSettings& settings : impossible) {
        int calls = 0;
        const GenerationResult result = GenerateQuestions(settings, [&calls](const std::string&) {
            ++calls;
            return std::string("1");
        });
        EXPECT_EQ(result.outcome, GenerationOutcome::Refused)
            << settings.operandCount << " " << settings.numberRange << " " << settings.answerRange;
        EXPECT_FALSE(result.reason.empty());
        EXPECT_TRUE(result.questions.empty());
        EXPECT_EQ(calls, 0);
    }
}

TEST_F(QuestionGeneratorTest, BoundariesNextToARefusalStillWork) {
    // Each is one step away from a refused case above and has few acceptable candidates.
    const std::vector<WorksheetSettings> possible{
        Options({"+", "-"}, 4, 4, 1000, 10),
        Options({"-", "+"}, 3, 100, 1, 10),
        Options({"+"}, 3, 3, 7, 10),
        Options({"*"}, 4, 4, 25, 10),
        Options({"+", "*"}, 3, 3, 6, 10),
        Options({"-"}, 4, 6, 1000, 10),
        Options({"/"}, 3, 4, 1000, 10),
        Options({"/"}, 4, 6, 1000, 10),
        Options({"+"}, 9, -1, INT_MAX, 10),
        Options({"+", "-"}, 40, 0, INT_MAX, 10),  // long chains, far beyond the window's 9
    };
    for (const WorksheetSettings& settings : possible) {
        CheckQuestions(GenerateQuestions(settings, evaluator_), settings);
    }
}

TEST_F(QuestionGeneratorTest, AnyStoredCountGivesTheHundredQuestionsASheetPlaces) {
    // A hand-edited item list can ask for any count; the sheet places 100.
    const WorksheetSettings settings = Options({"+", "-"}, 4, 100, 1000, INT_MAX);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    EXPECT_EQ(result.outcome, GenerationOutcome::Complete) << result.reason;
    EXPECT_EQ(result.questions.size(), 100u);
}

TEST_F(QuestionGeneratorTest, RareQuestionsAreFoundByTheExactSearch) {
    // 2,160 ordered questions of six distinct factors up to 100 have a product below 1000, one
    // in millions of blind draws.
    const WorksheetSettings settings = Options({"*"}, 6, 100, 1000);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    const std::vector<Chain> chains = CheckQuestions(result, settings);
    for (const Chain& chain : chains) EXPECT_EQ(chain.operators, "*****");
    EXPECT_FALSE(result.distinctQuestions.has_value());
}

TEST_F(QuestionGeneratorTest, FewDifferentQuestionsAreRepeatedAndCounted) {
    // 4/1/2 and 4/2/1 are the only ones.
    const WorksheetSettings settings = Options({"/"}, 3, 4, 1000, 30);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    CheckQuestions(result, settings);
    ASSERT_TRUE(result.distinctQuestions.has_value());
    EXPECT_EQ(*result.distinctQuestions, 2u);
    std::set<std::string> seen;
    for (const Question& q : result.questions) seen.insert(q.equation);
    EXPECT_EQ(seen, (std::set<std::string>{"4/1/2=2", "4/2/1=2"}));
}

TEST_F(QuestionGeneratorTest, RepeatsFromBlindDrawsAreCountedToo) {
    // Blind draws fill the sheet with repeats; a count afterwards tells how many exist.
    const WorksheetSettings settings = Options({"-"}, 3, 4, 1000, 40);
    GenerationLimits limits;
    limits.search = CandidateSearch::BlindOnly;
    const GenerationResult result = GenerateQuestions(settings, evaluator_, limits);
    CheckQuestions(result, settings);
    // 4-1-2, 4-2-1, 4-1-3, 4-3-1, 3-1-2 and 3-2-1.
    ASSERT_TRUE(result.distinctQuestions.has_value());
    EXPECT_EQ(*result.distinctQuestions, 6u);
}

TEST_F(QuestionGeneratorTest, OptionsWithoutAnyAcceptableQuestionAreRefusedAfterTheSearch) {
    // A chain of divisions of three distinct numbers up to 5 is whole only as 4/1/2 and 4/2/1,
    // whose value 2 the answer range 2 excludes; no simple bound sees that.
    const WorksheetSettings settings = Options({"/"}, 3, 5, 2);
    int calls = 0;
    const GenerationResult result = GenerateQuestions(settings, [&calls](const std::string&) {
        ++calls;
        return std::string("1");
    });
    EXPECT_EQ(result.outcome, GenerationOutcome::Refused);
    EXPECT_NE(result.reason.find("小于2"), std::string::npos) << result.reason;
    EXPECT_TRUE(result.questions.empty());
    EXPECT_EQ(calls, 0);
}

TEST_F(QuestionGeneratorTest, RareDifferencesAreDrawnFromTheirBoundedSums) {
    // Nine distinct numbers up to 32768 where the first exceeds the sum of the others by 0 or
    // 1: too rare for blind draws and too many for the exact search, but every one of them
    // lies among the tuples whose first operand is the sum of the others or one more.
    const WorksheetSettings settings = Options({"-"}, 9, 0, 2);
    const GenerationResult result = GenerateQuestions(settings, evaluator_);
    const std::vector<Chain> chains = CheckQuestions(result, settings);
    for (const Chain& chain : chains) EXPECT_EQ(chain.operators, "--------");
}

TEST_F(QuestionGeneratorTest, SumsThatRoundASmallLastTermAwaySolveForTheirFirstNumber) {
    // 7+5/20000/30000/25000/31000 is exactly 7: the quotient is far below what the sum can
    // show. With answers below 10 from numbers up to 32768, about one blind draw in 50 million
    // is such a question, and the lanes that solve for the last number need some 200 million
    // for a sheet; solving for the first number keeps about one proposal in 16,000.
    const WorksheetSettings settings = Options({"+", "/"}, 6, 32768, 10);
    GenerationLimits limits;
    limits.timeBudget = std::chrono::minutes(2);
    const GenerationResult result = GenerateQuestions(settings, evaluator_, limits);
    CheckQuestions(result, settings);
    EXPECT_LT(result.candidates, uint64_t{100'000'000});
}

TEST_F(QuestionGeneratorTest, LongProductsAndQuotientsOfLargeNumbersSolveForThreeNumbers) {
    // Products and quotients of eight numbers up to 32768 that come to a whole number below 10
    // are so rare that solving for two numbers at a time takes some 1.5 billion proposals for a
    // sheet, far beyond the window's 2.5 s. Solving for three keeps 53 times more of them: a
    // sheet takes some 40 million.
    const WorksheetSettings settings = Options({"*", "/"}, 8, 32768, 10);
    GenerationLimits limits;
    limits.timeBudget = std::chrono::minutes(2);
    const GenerationResult result = GenerateQuestions(settings, evaluator_, limits);
    CheckQuestions(result, settings);
    EXPECT_LT(result.candidates, uint64_t{200'000'000});
}

TEST_F(QuestionGeneratorTest, TooStrictRunStopsAndSaysSo) {
    // Sums of nine distinct numbers up to 32768 and their quotients that come to exactly 1
    // exist (24/4/12+6/3/8+20/5/16), but so rarely that neither blind draws nor the exact
    // search find 100 in time.
    const WorksheetSettings settings = Options({"+", "/"}, 9, 0, 2);
    GenerationLimits limits;
    limits.timeBudget = std::chrono::milliseconds(100);
    const auto started = std::chrono::steady_clock::now();
    const GenerationResult result = GenerateQuestions(settings, evaluator_, limits);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.outcome, GenerationOutcome::TooStrict);
    EXPECT_LT(result.questions.size(), 100u);
    EXPECT_GT(result.candidates, 0u);
    EXPECT_NE(result.reason.find("选项太严格"), std::string::npos) << result.reason;
    EXPECT_NE(result.reason.find(std::to_string(result.candidates)), std::string::npos);
    // Generous: the point is that the run ends, not how fast.
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(QuestionGeneratorTest, ProgressIsReportedAndCanCancel) {
    // A value function that turns every candidate down keeps the run going however fast the
    // generator finds candidates, so only the cancel can end it before its budget.
    const WorksheetSettings settings = Options({"*", "/"}, 9, 100, 1000, 50);
    const ExpressionValue neverWhole = [](const std::string&) { return std::string("0.5"); };
    std::vector<int32_t> reportedWanted;
    GenerationLimits limits;
    limits.timeBudget = std::chrono::seconds(60);
    limits.progressInterval = std::chrono::milliseconds(1);
    limits.onProgress = [&](int32_t found, int32_t wanted) {
        EXPECT_GE(found, 0);
        EXPECT_LE(found, wanted);
        reportedWanted.push_back(wanted);
        return reportedWanted.size() < 3;
    };
    const auto started = std::chrono::steady_clock::now();
    const GenerationResult result = GenerateQuestions(settings, neverWhole, limits);
    EXPECT_EQ(result.outcome, GenerationOutcome::Cancelled);
    EXPECT_EQ(reportedWanted, (std::vector<int32_t>{50, 50, 50}));
    EXPECT_LT(result.questions.size(), 50u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

}  // namespace
