#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "worksheet/candidate_search.h"
#include "worksheet/lane_draw.h"
#include "worksheet/worksheet_settings.h"

// The odds of the lanes' draws with single terms kept below answerRange (LaneSetup::singles).
//
// With "+" and neither "-" nor any other operator that can make a term negative, a single
// operand between two "+" (or at an end) is at most the value, so every acceptable candidate
// has such operands below answerRange. The lanes propose candidates from independent draws
// restricted so: operator patterns with probability proportional to their blind probability
// times Q^s (s single terms, Q the chance that one independent operand falls below
// answerRange), drawn gap by gap from exact backward sums, and single terms' operands from 1 to
// answerRange - 1. The proposal is then the independent draws' odds restricted to that set, up
// to the small differences of rounded thresholds and residue weights; Factor gives, for a hit,
// the ratio that those differences leave, so that a hit kept with probability
// RedrawFactor * Factor / MostFactor is distributed exactly as the blind draw's accepted
// candidates.
class SingleTermProposal {
public:
    // Nothing unless the options allow it and answerRange lies far enough below the numbers for
    // it to pay.
    static std::optional<SingleTermProposal> For(const WorksheetSettings& settings);

    // Sets the lane setup's fields for these draws.
    void Fill(LaneSetup& setup) const;

    // The ratio of the restricted independent odds to the lanes' proposal for this hit, and a
    // bound on it over all candidates.
    double Factor(const LaneHit& hit) const;
    double MostFactor() const { return mostFactor_; }
    // The chance that independent draws fall in the restricted set: a lane's hit is kept with
    // the blind acceptance rate over this times MostFactor and MostRedrawFactor.
    double RestrictedShare() const { return total_; }

private:
    SingleTermProposal() = default;

    // The ratio for a pattern of gap classes and symbols, leaving out the single operands'.
    double PatternFactor(const std::string& symbols, int32_t& singles) const;

    int32_t n_ = 0;
    int32_t singleWidth_ = 0;
    DrawOdds odds_;
    std::vector<char> listSymbols_;      // the operator list's symbols by position
    double plus_ = 0;                    // the blind probability of "+" in one gap
    double q_ = 0;                       // the chance that an independent operand is below range
    std::vector<char> growSymbols_;      // the other symbols, in the order the lanes index them
    std::vector<double> growOdds_;       // their blind probabilities
    std::vector<double> growDrawn_;      // the lanes' chance of each, given a gap that is not "+"
    std::vector<uint32_t> singleDrawn_;  // residue weights of 1 + (r mod singleWidth)
    double total_ = 0;                   // the sum over patterns of probability times Q^s
    uint64_t closeAfterClose_[kLaneMostOperands - 1] = {};
    uint64_t closeAfterGrow_[kLaneMostOperands - 1] = {};
    uint32_t closePosition_ = 0;
    uint32_t growPositions_[3] = {};
    double mostFactor_ = 1;
};
