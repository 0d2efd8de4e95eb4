#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "worksheet/worksheet_settings.h"

// The odds of the blind draw and an exact search over its acceptable candidates.
//
// A candidate is an operand tuple and an operator tuple, in order. The blind draw gives it the
// probability
//   product over gaps of   weight(operator) / 32768
//   product over operands  weight(v_k) / (32768 - weight(v_1) - ... - weight(v_(k-1)))
// where weight(v) counts the values r of RandomInRange's 15 bits (0 to 32767) that give v: the
// redraw of an operand equal to an earlier one makes each position a draw among the values not
// used yet. The search visits every acceptable candidate with that probability, so sampling
// from what it visits gives exactly the distribution of the blind loop's accepted questions.

// RandomInRange draws from this many equally likely values of r.
inline constexpr uint32_t kDrawSpan = 32768;

// One operator symbol with how many of the 32768 values of r choose it.
struct OperatorOdds {
    char symbol = '+';
    uint32_t weight = 0;
};

struct DrawOdds {
    // weight[v - 1]: how many values of r give the operand v; the values run from 1 to
    // weight.size().
    std::vector<uint32_t> operandWeight;
    // The distinct symbols of the operator list, each with the weight of its positions.
    std::vector<OperatorOdds> operators;
};

// The odds of RandomInRange(1, numberRange) and of RandomOperator(settings.operators).
DrawOdds BlindDrawOdds(const WorksheetSettings& settings);

// The probability that one blind draw gives exactly these operands and operators; 0 for a
// candidate the draw cannot give.
double BlindProbability(const DrawOdds& odds, const std::vector<int32_t>& operands,
                        std::string_view operators);

// A bound that no candidate of n operands exceeds in BlindProbability.
double MostLikelyCandidate(const DrawOdds& odds, int32_t n);

// How much likelier the blind draw, which draws an operand equal to an earlier one again, makes
// these distinct operands than n independent draws of RandomInRange would: the product over
// positions k of 32768 / (32768 - the weight of the operands before k).
double RedrawFactor(const DrawOdds& odds, const int32_t* operands, int32_t n);
// A bound that RedrawFactor never exceeds for n operands: the heaviest values taken first.
double MostRedrawFactor(const DrawOdds& odds, int32_t n);
// A bound that RedrawFactor never falls below for n operands: the lightest values taken first.
double LeastRedrawFactor(const DrawOdds& odds, int32_t n);

// The most divisors that a whole number from 1 to `limit` has.
double MostDivisors(double limit);

// The value of a chain such as 12+7*3 in double precision, with * and / before + and -, left to
// right, rounding after every operation exactly as the expression evaluator does.
class ChainValue {
public:
    explicit ChainValue(double first) : term_(first) {}
    // Applies the operator and the operand after it.
    void Take(char op, double operand) {
        switch (op) {
            case '*':
                term_ = term_ * operand;
                break;
            case '/':
                term_ = term_ / operand;
                break;
            default:
                sum_ = Value();
                minus_ = op == '-';
                first_ = false;
                term_ = operand;
                break;
        }
    }
    // The value of the chain so far.
    double Value() const {
        if (first_) return term_;
        return minus_ ? sum_ - term_ : sum_ + term_;
    }
    // The terms closed so far (0 while the first is open) and the open term.
    double Sum() const { return sum_; }
    double Term() const { return term_; }
    bool FirstTerm() const { return first_; }
    bool Subtracted() const { return minus_; }

private:
    double sum_ = 0;
    double term_;
    bool first_ = true;
    bool minus_ = false;
};

// Whether a value passes the acceptance tests on the text the evaluator would write for it: a
// whole number, not negative, below answerRange.
inline bool IsAcceptableValue(double value, int32_t answerRange) {
    return value >= 0 && value < static_cast<double>(answerRange) &&
           value == static_cast<double>(static_cast<int64_t>(value));
}

// Decides, for a chain begun but not finished, whether no way of finishing it can be accepted.
// Every bound follows from the monotony of rounded arithmetic (a sum of non-negative terms
// never falls below its part, a product with factors of 1 or more never falls below the
// factor), so nothing acceptable is ever cut off.
class ChainBounds {
public:
    ChainBounds(const WorksheetSettings& settings, uint32_t largestOperand);

    enum class Verdict {
        Open,      // an acceptable finish may exist
        TooLarge,  // every finish is at least answerRange
        TooSmall,  // every finish is negative, or below 1 where 0 cannot arise
        NotWhole,  // every finish is a fraction
    };

    // `remaining`: how many operands are still to come; `floor`: every one of them is known to be
    // larger than this (0 when nothing is known).
    Verdict Judge(const ChainValue& chain, int32_t remaining, int32_t floor = 0) const;

    // Whether any bound can ever cut a chain short; false for choices such as + with -.
    bool CanCut() const { return canCut_; }

private:
    double SmallestUnusedSum(int32_t k, int32_t floor) const;
    double LargestUnusedSum(int32_t k) const;
    double SmallestUnusedProduct(int32_t k, int32_t floor) const;

    bool add_ = false, subtract_ = false, multiply_ = false, divide_ = false;
    bool canCut_ = false;
    double answerRange_;
    int32_t largest_;
};

// What a search ended with.
enum class SearchOutcome {
    Finished,     // every acceptable candidate was visited
    OutOfBudget,  // the step budget ran out first
    Stopped,      // the caller asked it to stop
};

// How the search walks the candidates.
enum class SearchOrder {
    // Every operand tuple in turn, each candidate weighted with its blind-draw probability.
    Weighted,
    // With a single operator, where the order of the operands after the first (after none for +
    // and ×) does not change whether a candidate is accepted: those operands in rising order
    // only, each such set weighted 1. A set stands for all its orders, so drawing a set, then
    // an order, gives every acceptable candidate with the same chance; the blind-draw odds are
    // then met by rejection (see MostLikelyCandidate).
    Sets,
};

// The order the options allow: Sets for a single operator, Weighted otherwise.
SearchOrder OrderFor(const WorksheetSettings& settings);

// From which operand on a Sets search keeps the operands in rising order: 0 for + and ×, 1 for -
// and ÷, where the first operand is the one the others are taken from.
int32_t FirstFreeOperand(const WorksheetSettings& settings);

struct SearchTotals {
    SearchOutcome outcome = SearchOutcome::Finished;
    // Acceptable candidates (or sets, see SearchOrder) visited, and the sum of their weights.
    uint64_t count = 0;
    double probability = 0;
    // Steps taken (operand values tried).
    uint64_t steps = 0;
};

// An acceptable candidate found by the search.
struct ExactCandidate {
    std::vector<int32_t> operands;
    std::string operators;  // one symbol per gap
};

// The text of a candidate: 12+7*3.
std::string CandidateText(std::span<const int32_t> operands, std::string_view operators);

struct SearchLimits {
    uint64_t stepBudget = 0;
    // Where above 0: the search stops (Stopped) once it has counted at least this many, which
    // it notices within a few thousand steps.
    uint64_t enoughCount = 0;
    // Asked every few thousand steps with a rough share of the search done so far (from 0 to
    // 1, judged by the first two operands); returning false stops the search.
    std::function<bool(double done)> keepGoing;
};

// Visits every acceptable candidate of the options in a fixed order and totals them.
SearchTotals CountAcceptable(const WorksheetSettings& settings, const SearchLimits& limits,
                             SearchOrder order = SearchOrder::Weighted);

// Walks the candidates in the same order as CountAcceptable and picks, for every target t
// (ascending, each below the total probability), the candidate at which the running total of
// probabilities first exceeds t. Picks are in the order of the targets.
SearchTotals PickAcceptable(const WorksheetSettings& settings, const SearchLimits& limits,
                            const std::vector<double>& sortedTargets,
                            std::vector<ExactCandidate>& picks,
                            SearchOrder order = SearchOrder::Weighted);

// Operand tuples drawn uniformly from a set that holds every acceptable candidate of the
// options, for options where such a set is easy to count and much smaller than all tuples:
//   + and × alone: the terms are whole numbers of 1 or more and a × b >= a + b - 1, so the value
//     is at least the operands' sum less the number of × gaps; an acceptable candidate has a
//     sum below answerRange plus that number.
//   − alone: the value is the first operand less the sum of the others, whole, from 0 to below
//     answerRange; the first operand lies from that sum to answerRange - 1 above it.
// The set counts tuples with repeated operands too, so that it is counted by sums alone; a
// repeat has blind probability 0 and is turned down by the caller. Drawn uniformly (operators
// uniformly among the distinct symbols) and accepted with BlindProbability / MostLikelyCandidate,
// a candidate is then distributed exactly as under the blind draw, restricted to the set, and
// nothing acceptable lies outside it.
class BoundedSumDraw {
public:
    // Nothing for other operators, or when the set holds 2^120 tuples or more.
    static std::optional<BoundedSumDraw> For(const WorksheetSettings& settings);

    // The set's size over that of all operand tuples: how much likelier a draw from the set is
    // to be accepted than a blind one.
    double Share() const { return share_; }

    // Roughly how many steps one draw takes: its scans run through the sums once.
    double StepsPerDraw() const { return sums_; }

    // One candidate drawn uniformly from the set; each call of `randomBits` gives 64 uniform
    // random bits.
    void Draw(const std::function<uint64_t()>& randomBits, std::vector<int32_t>& operands,
              std::string& operators) const;

private:
    // Counts of tuples reach 1000^9 and more.
    __extension__ typedef unsigned __int128 Count;

    BoundedSumDraw() = default;

    // The tuples of `k` operands from 1 to largest_ with sum exactly `s`.
    Count Tuples(int32_t k, int32_t s) const {
        return tuples_[static_cast<size_t>(k) * static_cast<size_t>(sums_) +
                       static_cast<size_t>(s)];
    }
    // Writes the tuple of the given rank among those of k operands summing to s.
    void Unrank(Count rank, int32_t k, int32_t s, int32_t* out) const;
    // A uniform draw from 0 to bound - 1.
    static Count Below(const std::function<uint64_t()>& randomBits, Count bound);

    bool difference_ = false;
    int32_t n_ = 0;
    int32_t largest_ = 0;
    int32_t answerRange_ = 0;
    std::string symbols_;
    int32_t sums_ = 0;           // sums from 0 to sums_ - 1 are counted
    std::vector<Count> tuples_;  // Tuples(k, s), k from 0 to n_
    // For each sum that can occur, in rising order: the sum and the running total of the set's
    // members with that sum or a smaller one.
    std::vector<int32_t> sumOf_;
    std::vector<Count> upTo_;
    double share_ = 1;
};
