#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "worksheet/candidate_search.h"
#include "worksheet/lane_draw.h"
#include "worksheet/last_operand_draw.h"
#include "worksheet/single_term_proposal.h"
#include "worksheet/worksheet_settings.h"

// Batches of lane candidates turned into kept ones, on the calling thread or on a helper.
//
// A batch is a fixed number of lane blocks, whatever they hold, so that batches of two random
// streams can be taken in turn: the sequence of kept candidates so made depends on nothing but
// the streams, and each of its candidates is a fresh draw whatever came before, as one stream's
// would be. That keeps the questions independent and distributed as the blind loop's while two
// processors draw them.

// Uniform reals and 64-bit words from a SplitMix64 sequence of its own.
class UnitRandom {
public:
    explicit UnitRandom(uint64_t seed = 0) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1), with 53 random bits.
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1p-53; }

private:
    uint64_t state_;
};

// Kept candidates, in the order they were kept.
struct LaneBatch {
    int32_t operandCount = 2;
    std::vector<int32_t> operands;  // operandCount of them a candidate
    std::string operators;          // operandCount - 1 of them a candidate
    uint64_t lanes = 0;             // how many lane candidates the batch judged

    size_t Size() const { return operators.size() / static_cast<size_t>(operandCount - 1); }
    void Clear() {
        operands.clear();
        operators.clear();
        lanes = 0;
    }
};

// Turns the lanes' hits into kept candidates with the blind draw's odds: a hit without a
// repeated operand is kept with probability RedrawFactor over its bound (times the single-term
// proposal's or the pattern table's factor where the lanes use them), and a rest whose last
// operand is left open is then completed by LastOperandDraw::CompleteRest. Every kept lane then
// has the blind acceptance probability of its candidate over Share().
class LaneJudge {
public:
    // For the plain lanes (with single terms below the answer range where `setup` says so).
    LaneJudge(const WorksheetSettings& settings, const LaneSetup& setup);
    // For lanes that leave the last operand open, all of them or (with `patterns`) those whose
    // pattern says so.
    LaneJudge(const WorksheetSettings& settings, const LaneSetup& setup,
              const LastOperandDraw& draw, const LastOperandDraw::LanePatterns* patterns);

    // Appends the kept candidates among these hits.
    void Judge(const LaneHit* hits, size_t found, UnitRandom& random, LaneBatch& out) const;

    double Share() const { return share_; }

private:
    // Judge for the plain lanes, which leave no operand open.
    void JudgePlain(const LaneHit* hits, size_t found, UnitRandom& random, LaneBatch& out) const;
    // Whether a hit whose first `drawn` operands are drawn is kept at this level (uniform below
    // the bound on their factor): below `factor` times their RedrawFactor, which is worked out
    // only where the level reaches `factor` times its least, `least`.
    bool KeptAt(double level, double factor, double least, const LaneHit& hit, int32_t drawn) const;

    int32_t n_;
    DrawOdds odds_;
    std::string listSymbols_;  // the symbol of each operator position the plain lanes draw
    double mostAll_ = 1;       // the bound on a whole hit's factor
    double mostRest_ = 1;      // the bound on a rest's
    double leastAll_ = 1;      // RedrawFactor's least for a whole hit and for a rest
    double leastRest_ = 1;
    std::optional<SingleTermProposal> singles_;
    const LastOperandDraw* draw_ = nullptr;
    const LastOperandDraw::LanePatterns* patterns_ = nullptr;
    bool solving_ = false;
    bool keepBits_ = false;  // whether a rest's hit carries its keep's first 15 bits
    double share_ = 1;
};

// Draws `blocks` blocks through the lanes into `out` (cleared first), as DrawLaneBlocks does,
// and judges their hits.
void DrawLaneBatch(const LaneSetup& setup, const LaneJudge& judge, LaneRandom& lanes,
                   UnitRandom& random, uint64_t blocks, LaneKernel kernel, LaneBatch& out);

// A helper thread that draws batches ahead, from random state of its own, until it is
// destroyed; Take hands them over in the order they were drawn.
class LaneWorker {
public:
    // Draws batch after batch with `draw`, which holds random state of its own.
    explicit LaneWorker(std::function<void(LaneBatch&)> draw);
    // Draws batches of `blocks` blocks with DrawLaneBatch.
    LaneWorker(const LaneSetup& setup, const LaneJudge& judge, const LaneRandom& lanes,
               uint64_t seed, uint64_t blocks, LaneKernel kernel);
    ~LaneWorker();
    LaneWorker(const LaneWorker&) = delete;
    LaneWorker& operator=(const LaneWorker&) = delete;

    // The next batch, waiting for it if need be.
    void Take(LaneBatch& batch);

    // Whether a second processor is there to run a helper on.
    static bool Worthwhile();

private:
    void Run();

    std::function<void(LaneBatch&)> draw_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<LaneBatch> ready_;
    std::vector<LaneBatch> spare_;
    bool stopping_ = false;
    // Last, so that it starts once everything above is set up.
    std::thread thread_;
};
