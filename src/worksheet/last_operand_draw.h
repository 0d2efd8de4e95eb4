#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "worksheet/candidate_search.h"
#include "worksheet/lane_draw.h"
#include "worksheet/worksheet_settings.h"

// Candidates whose last operand is solved for instead of drawn.
//
// With every operand but the last fixed, the chain's value is a monotone function of the last
// operand x (rounding keeps sums, products and quotients monotone), so the values of x that give
// an acceptable value can be found by bisection: the set H. The blind draw would accept the
// first n - 1 operands (the rest) with probability A = the weight of H under the draw of x.
// Here the rest is drawn blind and kept with probability A / M, and x is then drawn from H with
// the draw's odds; the kept candidates are then distributed exactly as the blind loop's
// accepted ones, provided no rest has A above M.
//
// The bound M comes from the operator pattern. Whenever distinct x give distinct values, each
// whole number below answerRange comes from at most one x, so H holds at most answerRange
// values and M is answerRange times the likeliest x. That holds when x is a term of its own,
// when the chain is a single term, and when the last term is large enough that its steps show
// through the rounding of the sum (see Resolvable in the source). For other patterns M is 1,
// and x is drawn blind. The pattern itself is drawn with its blind probability times M, which
// makes the patterns' different bounds cancel.
//
// When answerRange is small against the number range, the pattern bounds are small and most
// rests are turned down at once, so a kept candidate costs far fewer draws than blind.
//
// Where the last operand cannot be solved for (a last term so small that the sum rounds it
// away, as in 7 + 5/2000/3000/4000/x), the draws taken one at a time solve for the first
// operand instead when it provably resolves: the first term is a times its other operands'
// quotient, which steps by far more than the chain's rounding, so each whole value comes from
// at most one a. Then the other n - 1 operands are drawn independently (a repeat turns the
// proposal down), and each solution a weighs w(a) RedrawFactor, which makes up for the order of
// the blind draw; the pattern's bound is answerRange times the heaviest such weight.
class LastOperandDraw {
public:
    using Patterns = std::function<bool(const std::string& operators)>;

    // Nothing when the options have more than 65536 operator patterns or operators other than
    // + - * /. Patterns (gap operators) for which `drawBlind` says so have their last operand
    // drawn blind even where it could be solved for, and no other solved for either. Those for
    // which `solveFirst` says so have their first operand solved for where it resolves, in the
    // draws taken one at a time; without `solveFirst`, those whose last operand cannot be.
    static std::optional<LastOperandDraw> For(const WorksheetSettings& settings,
                                              const Patterns& drawBlind = {},
                                              const Patterns& solveFirst = {});

    // The likelihood of a kept candidate against the blind draw's acceptance: a proposal is kept
    // with the blind acceptance rate divided by Share().
    double Share() const { return share_; }

    // Whether Draw solves for the first operand of some pattern.
    bool SolvesFirst() const { return solvesFirst_; }

    // One proposal; true when it is kept, with the candidate in `operands` and `operators`
    // (which it then has passed the native acceptance test). `randomBits` gives 64 uniform
    // random bits a call.
    bool Draw(const std::function<uint64_t()>& randomBits, std::vector<int32_t>& operands,
              std::string& operators) const;

    // The bound on A for the pattern with these gap operators, and whether it is below 1 (the
    // last operand is solved for).
    double PatternBound(const std::string& operators) const;

    // The bound that every pattern shares when all are solved for (then the patterns may be
    // drawn with their blind probabilities alone); nothing otherwise. Where only rare patterns
    // have a lower PatternBound, they share the highest all the same.
    std::optional<double> SharedBound() const;

    // For operands 1 to n - 1 (distinct, in `operands`, which holds n) and all gap operators
    // drawn elsewhere: solves for the last operand, keeps the candidate when keep * B < A for
    // the pattern's bound B (its PatternBound, or the shared one), and then stores the last operand
    // drawn from the solutions with `pick`. `keep` and `pick` are uniform in [0, 1). False for a
    // pattern that is not solved for.
    bool CompleteRest(std::vector<int32_t>& operands, const std::string& operators, double keep,
                      double pick) const;

    // For operands 2 to n (distinct, in `operands`, which holds n) drawn independently and all
    // gap operators drawn elsewhere, in a pattern whose first operand is solved for: keeps the
    // candidate when keep * B is below the solutions' total weight (each w(a) / 32768 times the
    // whole candidate's RedrawFactor, B the pattern's bound), and then stores the first operand
    // drawn from the solutions by their weights with `pick`. False for other patterns.
    bool CompleteFirst(std::vector<int32_t>& operands, const std::string& operators, double keep,
                       double pick) const;

    // Every last operand from 1 to the largest, none of `rest` (the other n - 1 operands), that
    // makes the chain with these gap operators acceptable, in increasing order.
    std::vector<int32_t> AcceptableLastOperands(const std::vector<int32_t>& rest,
                                                const std::string& operators) const;

    // The same for the first operand, `rest` being operands 2 to n; nothing where the first
    // operand does not provably resolve for this pattern.
    std::optional<std::vector<int32_t>> AcceptableFirstOperands(const std::vector<int32_t>& rest,
                                                                const std::string& operators) const;

    // The patterns drawn in the lanes (see LaneSetup::patternColumns), where the bounds differ.
    // The lanes draw pattern p with probability q(p), from the alias table rounded to its
    // thresholds' 30 bits; the caller keeps a hit of pattern p with probability keep[p] times
    // RedrawFactor over MostRedrawFactor (for the n - 1 operands of a solved pattern, or all n
    // of another), which makes up for q(p), for the independent draws and for the bounds, so
    // that every kept candidate, once a solved one is completed, has its blind probability
    // times one common constant.
    struct LanePatterns {
        uint32_t columnBits = 0;
        std::vector<uint64_t> columns;
        // Per pattern number (gap g's operator as digit g, base `symbols.size()`).
        std::vector<double> keep;
        std::vector<uint8_t> solved;  // 1 where the pattern's last operand is solved for
        // 1 where its first operand is solved for instead (see CompleteFirst); such a pattern's
        // lanes draw operands 2 to n, and a hit of it is kept with probability keep[p] (times
        // singleRatio for its single operands) before CompleteFirst, which weighs each first
        // operand with the candidate's RedrawFactor itself.
        std::vector<uint8_t> first;
        // LaneSetup::firstSlack: twice the greatest rounding bound of such a pattern.
        double firstSlack = 0;
        // LaneSetup::patternKeepScales: for each class of solved patterns, at most the bound
        // over the likeliest last operand's weight of every pattern in it (see KeepScale).
        double keepScales[4] = {};
        // The symbol of each operator position in a lane's pattern.
        std::string symbols;
        // Where above 0, operands that are terms of their own are drawn from 1 to this
        // (LaneSetup::singleWidth), and a hit's keep has singleRatio[v - 1] for each such
        // operand v that the lanes drew.
        uint32_t singleWidth = 0;
        std::vector<double> singleRatio;
        // The likelihood of a kept candidate against the blind draw's acceptance, as Share().
        double share = 1;

        // Sets the lanes' operator positions to those of `symbols`, and everything else the
        // lanes need to draw and judge these patterns (the table, singleWidth, firstSlack and
        // the keep scales); false where the lanes cannot take the symbols.
        bool Configure(LaneSetup& setup) const;
    };
    // Nothing when a pattern has more than 8 gaps or the list more than 4 distinct operators.
    // `mostRedrawAll` and `mostRedrawRest`: MostRedrawFactor for n and for n - 1 operands.
    std::optional<LanePatterns> PatternsForLanes(double mostRedrawAll, double mostRedrawRest) const;
    // C for LaneSetup::keepScale: for every solved pattern, at most its bound over C of
    // acceptance per whole value in range.
    double KeepScale() const;

    // Whether operand k is a term of its own with these gap operators: "+" (or an end) on
    // both sides.
    static bool SingleOperand(const std::string& operators, int32_t k);

    // The number of the pattern with these gap operators.
    size_t PatternNumber(const std::string& operators) const;

private:
    LastOperandDraw() = default;

    // Solves for x after the prefix and keeps the candidate with probability A / bound.
    bool Complete(const ChainValue& prefix, const std::string& operators, double bound, double keep,
                  double pick, std::vector<int32_t>& operands) const;
    // Whether distinct x give distinct values for every rest of the pattern.
    bool Resolvable(const std::string& operators) const;
    // Whether distinct first operands give distinct whole values for every rest of the pattern.
    bool FirstResolvable(const std::string& operators) const;
    // For a chain whose last term t / x follows a sum: the most x that can give whole values,
    // where t is a product and the rounding provably keeps every whole value exact (then each
    // takes a divisor of t); infinity elsewhere.
    double SumQuotientSolutions(const std::string& operators) const;
    // A bound on how far the chain's rounded value lies from its exact one, for any operands of
    // the pattern; `step` is set to the least exact step between consecutive first operands.
    double FirstRounding(const std::string& operators, double& step) const;
    // The proposal of a pattern whose first operand is solved for, from `feed`'s words.
    template <typename Feed>
    bool DrawFirst(Feed& feed, size_t pattern, const std::string& operators,
                   std::vector<int32_t>& operands) const;
    // DrawFirst once operands 2 to n are drawn: `pick` gives the unit for choosing among the
    // solutions, asked only where the candidate is kept.
    template <typename Pick>
    bool FinishFirst(size_t pattern, const std::string& operators, std::vector<int32_t>& operands,
                     double keep, const Pick& pick) const;
    // The first operands from 1 to largest_, not among operands 2 to n (in place in
    // `operands`), for which the chain is acceptable; none as soon as there provably are no
    // more than `enough` of them. `e` is the pattern's FirstRounding.
    void SolveFirst(const std::string& operators, std::vector<int32_t>& operands, double e,
                    std::vector<int32_t>& solutions, double enough) const;
    // The values of x from 1 to largest_, not among the rest, for which the chain is acceptable;
    // none as soon as there provably are no more than `enough` of them (for a resolvable
    // pattern).
    void SolveLast(const ChainValue& prefix, const std::string& operators, const int32_t* rest,
                   int32_t restCount, std::vector<int32_t>& solutions, double enough) const;

    DrawOdds odds_;
    int32_t n_ = 0;
    int32_t largest_ = 0;
    int32_t answerRange_ = 0;
    double share_ = 1;
    // The largest weight of one x given any rest, over the draw's whole span.
    double heaviestLast_ = 0;
    // The largest weight w(a) RedrawFactor / 32768 of one first operand with any rest.
    double heaviestFirst_ = 0;
    // Per pattern: the bound Draw keeps its proposals under (bound_ where the last operand is
    // solved for or drawn blind), and whether it solves for the first operand.
    std::vector<double> drawBound_;
    std::vector<uint8_t> firstSolved_;
    std::vector<double> firstRounding_;  // FirstRounding where the first operand is solved for
    bool solvesFirst_ = false;
    // Walker's alias tables for drawing a pattern by its blind probability times its bound.
    void BuildAlias();

    // Every pattern in order of its number (gap 0 the least significant digit, one digit per
    // distinct symbol): while building, the running total of blind probability times bound;
    // then the alias tables.
    std::vector<double> upTo_;
    std::vector<double> keep_;
    std::vector<size_t> alias_;
    std::vector<double> bound_;
};
