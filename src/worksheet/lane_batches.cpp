#include "worksheet/lane_batches.h"

#include <algorithm>
#include <utility>

namespace {

// Whether two of the first n operands are equal.
bool HasRepeat(const int32_t* operands, int32_t n) {
    // Every pair compared, without a branch on each: repeats are rare, so the loops run to
    // their end anyway.
    bool repeat = false;
    for (int32_t k = 1; k < n; ++k) {
        for (int32_t i = 0; i < k; ++i) repeat |= operands[i] == operands[k];
    }
    return repeat;
}

constexpr size_t kHitRoom = 256;

}  // namespace

LaneJudge::LaneJudge(const WorksheetSettings& settings, const LaneSetup& setup)
    : n_(setup.operandCount), odds_(BlindDrawOdds(settings)) {
    for (const std::string& symbol : settings.operators) listSymbols_.push_back(symbol.front());
    mostAll_ = MostRedrawFactor(odds_, n_);
    leastAll_ = LeastRedrawFactor(odds_, n_);
    share_ = mostAll_;
    if (setup.singles) {
        singles_ = SingleTermProposal::For(settings);
        if (singles_) {
            mostAll_ *= singles_->MostFactor();
            share_ = mostAll_ * singles_->RestrictedShare();
        }
    }
}

LaneJudge::LaneJudge(const WorksheetSettings& settings, const LaneSetup& setup,
                     const LastOperandDraw& draw, const LastOperandDraw::LanePatterns* patterns)
    : n_(setup.operandCount),
      odds_(BlindDrawOdds(settings)),
      draw_(&draw),
      patterns_(patterns),
      solving_(true),
      keepBits_(setup.keepScale > 0) {
    for (const std::string& symbol : settings.operators) listSymbols_.push_back(symbol.front());
    mostAll_ = MostRedrawFactor(odds_, n_);
    mostRest_ = MostRedrawFactor(odds_, n_ - 1);
    leastAll_ = LeastRedrawFactor(odds_, n_);
    leastRest_ = LeastRedrawFactor(odds_, n_ - 1);
    share_ = patterns != nullptr ? patterns->share : draw.SharedBound().value_or(1) * mostRest_;
}

inline bool LaneJudge::KeptAt(double level, double factor, double least, const LaneHit& hit,
                              int32_t drawn) const {
    // Where the level falls below every hit's RedrawFactor, it keeps this one without it.
    return level < factor * least || level < factor * RedrawFactor(odds_, hit.operands, drawn);
}

void LaneJudge::Judge(const LaneHit* hits, size_t found, UnitRandom& random, LaneBatch& out) const {
    if (!solving_ && patterns_ == nullptr) {
        JudgePlain(hits, found, random, out);
        return;
    }
    std::vector<int32_t> operands(static_cast<size_t>(n_));
    std::string operators(static_cast<size_t>(n_ - 1), '+');
    for (size_t h = 0; h < found; ++h) {
        const LaneHit& hit = hits[h];
        bool solved = solving_;
        bool first = false;
        double factor = 1;
        if (patterns_ != nullptr) {
            size_t number = 0;
            for (int32_t g = n_ - 1; g-- > 0;)
                number = number * patterns_->symbols.size() + hit.positions[g];
            solved = patterns_->solved[number] != 0;
            first = patterns_->first[number] != 0;
            factor = patterns_->keep[number];
            for (int32_t g = 0; g + 1 < n_; ++g)
                operators[static_cast<size_t>(g)] = patterns_->symbols[hit.positions[g]];
        } else {
            for (int32_t g = 0; g + 1 < n_; ++g)
                operators[static_cast<size_t>(g)] = listSymbols_[hit.positions[g]];
        }
        // The operands the lane drew: all but the solved one.
        const int32_t from = first ? 1 : 0;
        const int32_t drawn = solved ? n_ - 1 : n_;
        if (HasRepeat(hit.operands + from, drawn - from)) continue;
        if (patterns_ != nullptr && patterns_->singleWidth > 0) {
            for (int32_t k = from; k < drawn; ++k) {
                if (LastOperandDraw::SingleOperand(operators, k))
                    factor *= patterns_->singleRatio[static_cast<size_t>(hit.operands[k] - 1)];
            }
        }
        if (singles_) factor *= singles_->Factor(hit);
        if (first) {
            // CompleteFirst weighs in the redraws of the whole candidate itself.
            if (random.Unit() >= factor) continue;
            std::copy(hit.operands + 1, hit.operands + n_, operands.begin() + 1);
            const double keep = random.Unit();
            if (!draw_->CompleteFirst(operands, operators, keep, random.Unit())) continue;
        } else {
            const double level = random.Unit() * (solved ? mostRest_ : mostAll_);
            if (!KeptAt(level, factor, solved ? leastRest_ : leastAll_, hit, drawn)) continue;
            std::copy(hit.operands, hit.operands + drawn, operands.begin());
        }
        if (solved) {
            // The lane's own 15 bits, which it has judged, are the keep's first ones.
            const double keep =
                keepBits_ ? (hit.operands[n_ - 1] + random.Unit()) / 32768.0 : random.Unit();
            if (!draw_->CompleteRest(operands, operators, keep, random.Unit())) continue;
        }
        out.operands.insert(out.operands.end(), operands.begin(), operands.end());
        out.operators += operators;
    }
}

void LaneJudge::JudgePlain(const LaneHit* hits, size_t found, UnitRandom& random,
                           LaneBatch& out) const {
    // Most hits are kept: room for all of them at once (growing as push_back would), each
    // written in place, and what is left over cut off at the end.
    const auto n = static_cast<size_t>(n_);
    const size_t operandsBefore = out.operands.size();
    const size_t operatorsBefore = out.operators.size();
    out.operands.resize(operandsBefore + found * n);
    out.operators.resize(operatorsBefore + found * (n - 1));
    int32_t* operands = out.operands.data() + operandsBefore;
    char* operators = out.operators.data() + operatorsBefore;
    for (size_t h = 0; h < found; ++h) {
        const LaneHit& hit = hits[h];
        if (HasRepeat(hit.operands, n_)) continue;
        const double factor = singles_ ? singles_->Factor(hit) : 1.0;
        if (!KeptAt(random.Unit() * mostAll_, factor, leastAll_, hit, n_)) continue;
        for (size_t k = 0; k < n; ++k) *operands++ = hit.operands[k];
        for (size_t g = 0; g + 1 < n; ++g) *operators++ = listSymbols_[hit.positions[g]];
    }
    out.operands.resize(static_cast<size_t>(operands - out.operands.data()));
    out.operators.resize(static_cast<size_t>(operators - out.operators.data()));
}

void DrawLaneBatch(const LaneSetup& setup, const LaneJudge& judge, LaneRandom& lanes,
                   UnitRandom& random, uint64_t blocks, LaneKernel kernel, LaneBatch& out) {
    out.Clear();
    out.operandCount = setup.operandCount;
    thread_local std::vector<LaneHit> hits(kHitRoom);
    uint64_t done = 0;
    while (done < blocks) {
        size_t found = 0;
        done +=
            DrawLaneBlocks(setup, lanes, blocks - done, hits.data(), hits.size(), found, kernel);
        judge.Judge(hits.data(), found, random, out);
    }
    out.lanes = done * static_cast<uint64_t>(kLaneCount);
}

LaneWorker::LaneWorker(std::function<void(LaneBatch&)> draw)
    : draw_(std::move(draw)), thread_([this] { Run(); }) {}

LaneWorker::LaneWorker(const LaneSetup& setup, const LaneJudge& judge, const LaneRandom& lanes,
                       uint64_t seed, uint64_t blocks, LaneKernel kernel)
    : LaneWorker([&setup, &judge, lanes = LaneRandom(lanes), random = UnitRandom(seed), blocks,
                  kernel](LaneBatch& batch) mutable {
          DrawLaneBatch(setup, judge, lanes, random, blocks, kernel, batch);
      }) {}

LaneWorker::~LaneWorker() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool LaneWorker::Worthwhile() {
    return std::thread::hardware_concurrency() >= 2;
}

void LaneWorker::Take(LaneBatch& batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    std::swap(batch, ready_.front());
    spare_.push_back(std::move(ready_.front()));
    ready_.pop_front();
    changed_.notify_all();
}

void LaneWorker::Run() {
    // Two batches ahead at most: enough that the taker seldom waits.
    constexpr size_t kAhead = 2;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (ready_.size() >= kAhead) {
            changed_.wait(lock);
            continue;
        }
        LaneBatch batch;
        if (!spare_.empty()) {
            batch = std::move(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();
        draw_(batch);
        lock.lock();
        ready_.push_back(std::move(batch));
        changed_.notify_all();
    }
}
