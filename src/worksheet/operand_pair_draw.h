#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "worksheet/candidate_search.h"
#include "worksheet/lane_batches.h"
#include "worksheet/lane_draw.h"
#include "worksheet/product_triples.h"
#include "worksheet/worksheet_settings.h"

// Candidates of one-term chains (operator lists of "*" and "/" alone) whose two or three operands
// of one kind are solved for together, instead of the last one alone.
//
// A one-term chain's value is the product of its multiplied operands (the first among them) over
// that of its divided ones, rounded gap by gap. Each operator pattern names a group of positions
// of one kind: the last two (or three) divided ones where there are that many, else the last
// multiplied ones (a chain of three or more operands always has two of one kind, of five or
// more three). With the other operands (the rest) fixed, a whole value j can only come from one
// product m of the group: j times the rest's divisors over its factors for a multiplied group,
// its factors over its divisors over j for a divided one. Rounding moves the value by far less
// than one step of m, so m is the whole number nearest that quotient, and the groups are m's
// ordered factorisations into numbers within the range.
//
// A proposal draws the pattern and the rest as the blind draw would (each rest operand on its
// own, a repeat turning the proposal down), then a whole value j from 1 to W = answerRange - 1
// and a level below Q, the bound on the weight any one value's groups can have: the most
// ordered groups of distinct operands with one product, times the heaviest operand weights,
// times MostRedrawFactor. It walks j's groups that make the chain's value exactly j, each
// weighing the product of its operands' weights times RedrawFactor, and keeps the one at which
// their running weight passes the level. A candidate so kept has its blind probability times
// 32768^g / (W Q) for g solved operands, the same for every candidate, so the kept ones are
// distributed exactly as the blind loop's accepted ones.
//
// A blind candidate's value is one of W whole numbers in about 32768^2 pairs; here each pair of
// a proposal is one of about W times the most pairs of one product. Where the numbers reach 1000
// or more, that is 17 times fewer draws or better than solving for the last operand alone.
// With three solved operands a proposal is one of W times the most triples of one product
// (171936) among 32768^3 triples, against W times 278 pairs among 32768^2: where numbers reach
// 32768, 53 times fewer draws than pairs. A hit then costs microseconds, so its weight is first
// bounded from m's small factors and counted from its exponents, and its triples are listed
// only where the level lies below that count.
class OperandPairDraw {
public:
    // Nothing unless every listed operator is "*" or "/", a question has 3 to 9 operands, the
    // range holds at least that many numbers and the answer range is from 2 to 2^20. `solved`
    // asks for two or three operands solved for together (three needs five operands or more);
    // 0 takes three where they are kept at least twice as often, else two.
    static std::optional<OperandPairDraw> For(const WorksheetSettings& settings,
                                              int32_t solved = 0);

    // How many operands a proposal solves for: 2 or 3.
    int32_t Solved() const { return solved_; }

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

    // Every ordered group for the pattern's positions, of numbers neither among the rest nor
    // equal to each other, that makes the chain acceptable, as the proposals find them:
    // `operands` holds the rest in its other positions. In increasing order.
    std::vector<std::vector<int32_t>> AcceptableGroups(const std::vector<int32_t>& operands,
                                                       const std::string& operators) const;

    // The positions of the pattern's solved operands, in increasing order.
    std::vector<int32_t> SolvedPositions(const std::string& operators) const;

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
        int32_t solved[3] = {};     // the solved operands' positions, solved_ of them
        bool dividedPair = false;   // whether they are divisors
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
    // The product m of the solved operands that could give the whole value j with this rest, or
    // 0 where none can: `factors` and `divisors` are the rounded products of the rest's
    // multiplied and divided operands.
    uint64_t PairProduct(const Pattern& pattern, double factors, double divisors,
                         int32_t whole) const;
    // Calls visit(x, y) for each ordered pair of distinct numbers up to largest_ with x * y = m,
    // in increasing order of x.
    template <typename Visit>
    void ForEachPair(uint64_t m, const Visit& visit) const;
    // Calls visit(group) for each ordered group of solved_ distinct numbers up to largest_ with
    // the product m, neither among the rest, that makes the chain's value exactly j, with the
    // group then in place in `operands` (which holds the rest), until visit returns true. A
    // product of three comes factored where the caller has factored it already.
    template <typename Visit>
    void ForEachGroupOfValue(const Pattern& pattern, uint64_t m, int32_t j,
                             std::vector<int32_t>& operands, const std::string& operators,
                             const Visit& visit, const ProductFactors* factored = nullptr) const;

    DrawOdds odds_;
    int32_t n_ = 0;
    int32_t solved_ = 2;
    int32_t largest_ = 0;
    int32_t wholes_ = 0;              // W
    uint32_t operatorWidth_ = 1;      // the length of the operator list
    uint32_t dividingPositions_ = 0;  // bit p set where the list's position p is "/"
    double mostProduct_ = 0;          // the largest product of solved_ distinct numbers
    double nearness_ = 0x1p-46;       // how near a whole m the quotient must come, relatively
    Residue operatorResidue_;
    Residue operandResidue_;
    std::vector<Pattern> patterns_;
    std::vector<uint64_t> patternWords_;  // for PairLaneSetup::patterns
    PairLaneSetup lanes_;                 // all but its table
    int32_t words_ = 1;                   // random words a proposal
    double slot_ = 0;                     // Q
    double heaviestGroup_ = 0;            // Q over the most groups of one product
    double share_ = 1;
};
