#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "worksheet/candidate_search.h"
#include "worksheet/lane_batches.h"
#include "worksheet/lane_draw.h"
#include "worksheet/worksheet_settings.h"

// Candidates of one-term chains (operator lists of "*" and "/" alone) whose two operands of one
// kind are solved for together, instead of the last one alone.
//
// A one-term chain's value is the product of its multiplied operands (the first among them) over
// that of its divided ones, rounded gap by gap. Each operator pattern names a pair of positions
// of one kind: the last two divided ones where there are two, else the last two multiplied ones
// (a chain of three or more operands always has one of the two). With the other n - 2 operands
// (the rest) fixed, a whole value j can only come from one product m = x * y of the pair: j times
// the rest's divisors over its factors for a multiplied pair, its factors over its divisors
// over j for a divided one. Rounding moves the value by far less than one step of m, so m is
// the whole number nearest that quotient, and the pairs are m's divisor pairs within the range.
//
// A proposal draws the pattern and the rest as the blind draw would (each rest operand on its
// own, a repeat turning the proposal down), then a whole value j from 1 to W = answerRange - 1
// and a level below Q, the bound on the weight any one value's pairs can have: the number of
// ordered pairs of distinct operands with one product, times the heaviest pair of operand
// weights, times MostRedrawFactor. It walks j's pairs that make the chain's value exactly j,
// each weighing w(x) w(y) RedrawFactor, and keeps the one at which their running weight passes
// the level. A candidate so kept has its blind probability times 32768^2 / (W Q), the same for
// every candidate, so the kept ones are distributed exactly as the blind loop's accepted ones.
//
// A blind candidate's value is one of W whole numbers in about 32768^2 pairs; here each pair of
// a proposal is one of about W times the most pairs of one product. Where the numbers reach 1000
// or more, that is 17 times fewer draws or better than solving for the last operand alone.
class OperandPairDraw {
public:
    // Nothing unless every listed operator is "*" or "/", a question has 3 to 9 operands, the
    // range holds at least that many numbers and the answer range is from 2 to 2^20.
    static std::optional<OperandPairDraw> For(const WorksheetSettings& settings);

    // The likelihood of a kept candidate against the blind draw's acceptance: a proposal is kept
    // with the blind acceptance rate divided by Share().
    double Share() const { return share_; }

    // One proposal; true when it is kept, with the candidate in `operands` (n of them) and
    // `operators` (one symbol a gap), whose value has passed the native acceptance test.
    // Its random words are the SplitMix64 sequence of `random`, as each lane's are its own.
    bool Draw(UnitRandom& random, std::vector<int32_t>& operands, std::string& operators) const;

    // `blocks` blocks of eight proposals through the lanes, into `out` (cleared first): the
    // lanes turn down most, and the rest are completed as Draw completes its own. The same
    // random state and kernel always give the same candidates.
    void DrawBatch(LaneRandom& lanes, uint64_t blocks, LaneKernel kernel, LaneBatch& out) const;

    // Every ordered pair (x, y) for the pattern's pair, neither among the rest nor equal to the
    // other, that makes the chain acceptable, as the proposals find them: `operands` holds the
    // rest in its other positions. In increasing order of x, then y.
    std::vector<std::pair<int32_t, int32_t>> AcceptablePairs(const std::vector<int32_t>& operands,
                                                             const std::string& operators) const;

    // The positions of the pattern's pair.
    std::pair<int32_t, int32_t> PairPositions(const std::string& operators) const;

    // A bound on how many ordered pairs of distinct numbers from 1 to `largest` have one product.
    static uint32_t MostPairsOfOneProduct(int32_t largest);

private:
    OperandPairDraw() = default;

    // r mod width for the 15 random bits r, by a multiplication: with c = ceil(2^30 / width),
    // floor(r * c / 2^30) is the exact quotient for every r below 2^15 and width up to 2^15. A
    // division would cost about as much as the rest of a proposal's arithmetic.
    struct Residue {
        explicit Residue(uint32_t w = 1)
            : width(w), reciprocal(((uint64_t{1} << 30) + w - 1) / w) {}
        uint32_t operator()(uint32_t r) const {
            const auto quotient = static_cast<uint32_t>((uint64_t{r} * reciprocal) >> 30);
            return r - quotient * width;
        }
        uint32_t width;
        uint64_t reciprocal;
    };

    // What a pattern (bit g set where gap g divides) fixes.
    struct Pattern {
        int32_t first = 0, second = 0;  // the pair's positions
        bool dividedPair = false;
        std::vector<int32_t> rest;  // the other positions, in order
        int32_t restCount = 0;
        uint32_t restMultiplied = 0;  // bit i set where rest[i] is a factor, not a divisor
    };
    const Pattern& PatternOf(const std::string& operators) const;

    // The proposal that these random words (words_ of them, laid out as PairLaneSetup says)
    // make: true when it is kept.
    bool Complete(const uint64_t* words, std::vector<int32_t>& operands,
                  std::string& operators) const;

    // Takes the rest's operand i, of value v, into the products of its factors or divisors, in
    // the order the lanes take it too.
    static void TakeRest(const Pattern& pattern, int32_t i, double v, double& factors,
                         double& divisors);
    // The product m = x * y that could give the whole value j with this rest, or 0 where none
    // can: `factors` and `divisors` are the rounded products of the rest's multiplied and
    // divided operands.
    uint64_t PairProduct(const Pattern& pattern, double factors, double divisors,
                         int32_t whole) const;
    // Calls visit(x, y) for each ordered pair of distinct numbers up to largest_ with x * y = m,
    // in increasing order of x.
    template <typename Visit>
    void ForEachPair(uint64_t m, const Visit& visit) const;
    // Calls visit(x, y) for those of them, neither among the rest, that make the chain's value
    // exactly j, with x and y then in place in `operands` (which holds the rest).
    template <typename Visit>
    void ForEachPairOfValue(const Pattern& pattern, uint64_t m, int32_t j,
                            std::vector<int32_t>& operands, const std::string& operators,
                            const Visit& visit) const;

    DrawOdds odds_;
    int32_t n_ = 0;
    int32_t largest_ = 0;
    int32_t wholes_ = 0;              // W
    uint32_t operatorWidth_ = 1;      // the length of the operator list
    uint32_t dividingPositions_ = 0;  // bit p set where the list's position p is "/"
    double mostProduct_ = 0;          // largest * (largest - 1)
    Residue operatorResidue_;
    Residue operandResidue_;
    std::vector<Pattern> patterns_;
    std::vector<uint64_t> patternWords_;  // for PairLaneSetup::patterns
    PairLaneSetup lanes_;                 // all but its table
    int32_t words_ = 1;                   // random words a proposal
    double slot_ = 0;                     // Q
    double share_ = 1;
};
