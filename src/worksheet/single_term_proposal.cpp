#include "worksheet/single_term_proposal.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The lanes compare 16 random bits with each gap's bound. The bounds need not be exact: the
// factor of a hit uses the chances they give, whatever their rounding.
constexpr double kThresholdScale = 65536.0;

// Whether operand k is a term of its own, given which gaps are "+".
bool IsSingle(const std::string& symbols, int32_t k) {
    const auto n = static_cast<int32_t>(symbols.size()) + 1;
    const bool before = k == 0 || symbols[static_cast<size_t>(k - 1)] == '+';
    const bool after = k == n - 1 || symbols[static_cast<size_t>(k)] == '+';
    return before && after;
}

}  // namespace

std::optional<SingleTermProposal> SingleTermProposal::For(const WorksheetSettings& settings) {
    SingleTermProposal p;
    p.n_ = settings.operandCount;
    p.odds_ = BlindDrawOdds(settings);
    const auto largest = static_cast<int32_t>(p.odds_.operandWeight.size());
    if (p.n_ < 2 || p.n_ > kLaneMostOperands || settings.answerRange < 2 ||
        static_cast<int64_t>(settings.answerRange - 1) * 4 > largest)
        return std::nullopt;
    p.singleWidth_ = settings.answerRange - 1;
    bool hasPlus = false;
    for (const OperatorOdds& o : p.odds_.operators) {
        if (o.symbol == '+') {
            hasPlus = true;
            p.plus_ = o.weight / static_cast<double>(kDrawSpan);
        } else if (o.symbol == '*' || o.symbol == '/') {
            p.growSymbols_.push_back(o.symbol);
            p.growOdds_.push_back(o.weight / static_cast<double>(kDrawSpan));
        } else {
            return std::nullopt;
        }
    }
    if (!hasPlus || p.growSymbols_.empty()) return std::nullopt;
    for (size_t i = 0; i < settings.operators.size(); ++i) {
        const char symbol = settings.operators[i].front();
        p.listSymbols_.push_back(symbol);
        const auto first = [&](char s) {
            return std::find(p.listSymbols_.begin(), p.listSymbols_.end(), s) ==
                   p.listSymbols_.end() - 1;
        };
        if (symbol == '+' && first('+')) p.closePosition_ = static_cast<uint32_t>(i);
        for (size_t g = 0; g < p.growSymbols_.size(); ++g) {
            if (symbol == p.growSymbols_[g] && first(symbol))
                p.growPositions_[g] = static_cast<uint32_t>(i);
        }
    }
    const auto growWidth = static_cast<uint32_t>(p.growSymbols_.size());
    for (uint32_t g = 0; g < growWidth; ++g) {
        uint32_t count = 0;
        for (uint32_t r = 0; r < kDrawSpan; ++r) count += r % growWidth == g;
        p.growDrawn_.push_back(count / static_cast<double>(kDrawSpan));
    }
    p.singleDrawn_.assign(static_cast<size_t>(p.singleWidth_), 0);
    for (uint32_t r = 0; r < kDrawSpan; ++r)
        ++p.singleDrawn_[r % static_cast<uint32_t>(p.singleWidth_)];
    uint64_t below = 0;
    for (int32_t v = 1; v <= p.singleWidth_; ++v)
        below += p.odds_.operandWeight[static_cast<size_t>(v - 1)];
    p.q_ = below / static_cast<double>(kDrawSpan);

    // Backward sums over the gaps: after[g][c] is the weight of gaps g to the end, with the
    // single-term factors of operands g to the end, given that gap g - 1 is "+" (c = 1, also at
    // the start) or not (c = 0).
    const int32_t gaps = p.n_ - 1;
    std::vector<std::array<double, 2>> after(static_cast<size_t>(gaps + 1));
    // The last operand is single when the last gap is "+".
    after[static_cast<size_t>(gaps)] = {1.0, p.q_};
    // Operand g (before gap g) is single when gap g - 1 and gap g are both "+".
    for (int32_t g = gaps - 1; g >= 0; --g) {
        for (int c = 0; c < 2; ++c) {
            const double plus =
                p.plus_ * (c == 1 ? p.q_ : 1.0) * after[static_cast<size_t>(g + 1)][1];
            const double grow = (1 - p.plus_) * after[static_cast<size_t>(g + 1)][0];
            after[static_cast<size_t>(g)][static_cast<size_t>(c)] = plus + grow;
            const double share = plus / (plus + grow);
            // Both branches keep a chance whenever they have one, however small.
            auto bound = static_cast<uint64_t>(std::llround(share * kThresholdScale));
            if (share > 0) bound = std::max<uint64_t>(bound, 1);
            if (share < 1) bound = std::min<uint64_t>(bound, 65535);
            (c == 1 ? p.closeAfterClose_ : p.closeAfterGrow_)[g] = bound;
        }
    }
    p.total_ = after[0][1];

    // The largest ratio over all patterns of gap symbols, with the single operands' largest.
    double mostSingle = 0;
    for (int32_t v = 1; v <= p.singleWidth_; ++v) {
        mostSingle = std::max(mostSingle, p.odds_.operandWeight[static_cast<size_t>(v - 1)] /
                                              (p.q_ * p.singleDrawn_[static_cast<size_t>(v - 1)]));
    }
    const size_t symbols = 1 + p.growSymbols_.size();
    size_t patterns = 1;
    for (int32_t g = 0; g < gaps; ++g) patterns *= symbols;
    std::string pattern(static_cast<size_t>(gaps), '+');
    double most = 0;
    for (size_t index = 0; index < patterns; ++index) {
        size_t digits = index;
        for (char& c : pattern) {
            const size_t d = digits % symbols;
            digits /= symbols;
            c = d == 0 ? '+' : p.growSymbols_[d - 1];
        }
        int32_t singles = 0;
        const double factor = p.PatternFactor(pattern, singles);
        most = std::max(most, factor * std::pow(mostSingle, singles));
    }
    p.mostFactor_ = most * (1 + 1e-9);
    return p;
}

void SingleTermProposal::Fill(LaneSetup& setup) const {
    setup.singles = true;
    setup.singleWidth = static_cast<uint32_t>(singleWidth_);
    std::copy(std::begin(closeAfterClose_), std::end(closeAfterClose_), setup.closeAfterClose);
    std::copy(std::begin(closeAfterGrow_), std::end(closeAfterGrow_), setup.closeAfterGrow);
    setup.closePosition = closePosition_;
    setup.growWidth = static_cast<uint32_t>(growSymbols_.size());
    std::copy(std::begin(growPositions_), std::end(growPositions_), setup.growPositions);
}

double SingleTermProposal::PatternFactor(const std::string& symbols, int32_t& singles) const {
    // The restricted independent odds of the pattern, over the lanes' chance of drawing it.
    double target = 1;
    double drawn = 1;
    bool previousCloses = true;
    for (size_t g = 0; g < symbols.size(); ++g) {
        const uint64_t bound = (previousCloses ? closeAfterClose_ : closeAfterGrow_)[g];
        const double closeChance = static_cast<double>(bound) / kThresholdScale;
        if (symbols[g] == '+') {
            target *= plus_;
            drawn *= closeChance;
        } else {
            const size_t i = static_cast<size_t>(
                std::find(growSymbols_.begin(), growSymbols_.end(), symbols[g]) -
                growSymbols_.begin());
            target *= growOdds_[i];
            drawn *= (1 - closeChance) * growDrawn_[i];
        }
        previousCloses = symbols[g] == '+';
    }
    singles = 0;
    for (int32_t k = 0; k < n_; ++k) singles += IsSingle(symbols, k);
    target *= std::pow(q_, singles) / total_;
    return drawn > 0 ? target / drawn : 0;
}

double SingleTermProposal::Factor(const LaneHit& hit) const {
    std::string symbols(static_cast<size_t>(n_ - 1), '+');
    for (int32_t g = 0; g + 1 < n_; ++g)
        symbols[static_cast<size_t>(g)] = listSymbols_[hit.positions[g]];
    int32_t singles = 0;
    double factor = PatternFactor(symbols, singles);
    for (int32_t k = 0; k < n_; ++k) {
        if (!IsSingle(symbols, k)) continue;
        const auto v = static_cast<size_t>(hit.operands[k] - 1);
        factor *= odds_.operandWeight[v] / (q_ * singleDrawn_[v]);
    }
    return factor;
}
