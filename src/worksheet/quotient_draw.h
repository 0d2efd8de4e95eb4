#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "worksheet/candidate_search.h"
#include "worksheet/lane_batches.h"
#include "worksheet/worksheet_settings.h"

// Candidates of chains of "/" alone, drawn from all the acceptable ones at once.
//
// The first operand a divided by the k = n - 1 others is a whole number j exactly when a is j
// times their product D: every quotient along the way is then the whole j times the divisors
// still to come, exact in a double. Where a is no such multiple, a / D stands at least 1 / D
// from every whole number, and D is at most a (at most 32768) wherever the quotient is near one
// of 1 or more, so no rounding makes it whole. The acceptable candidates are therefore the
// orders of the sets of k distinct divisors with a product D up to the largest operand, each
// with a first operand j * D up to the largest and not among them, j from 1 to answerRange - 1:
// few enough to list even where numbers reach 32768.
//
// A proposal takes one (set, first operand) uniformly and an order of the set uniformly, which
// gives every acceptable candidate the same chance, and keeps it with its blind probability over
// MostLikelyCandidate: the kept ones are distributed exactly as the blind loop's accepted ones.
class QuotientDraw {
public:
    // Nothing unless "/" is the only operator, a question has 2 to 9 operands and the sets of
    // divisors number at most a few million.
    static std::optional<QuotientDraw> For(const WorksheetSettings& settings);

    // How many different acceptable candidates there are; 0 proves that there is none. The
    // largest number where they are more.
    uint64_t Candidates() const;

    // One proposal; true when it is kept, with the candidate in `operands` and `operators`.
    // Nothing to propose where Candidates() is 0.
    bool Draw(UnitRandom& random, std::vector<int32_t>& operands, std::string& operators) const;

private:
    QuotientDraw() = default;

    // An unbiased draw from 0 to bound - 1.
    static uint64_t Below(UnitRandom& random, uint64_t bound);

    DrawOdds odds_;
    int32_t k_ = 1;  // divisors
    int32_t largest_ = 1;
    int32_t wholes_ = 1;
    double mostLikely_ = 1;
    // The sets, k_ rising divisors each, and the running total of their first operands.
    std::vector<int32_t> divisors_;
    std::vector<uint64_t> upTo_;
};
