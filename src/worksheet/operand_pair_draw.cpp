#include "worksheet/operand_pair_draw.h"

#include <algorithm>
#include <cmath>

namespace {

// The least and the most operands a question may have here: the pair needs a third operand,
// and the patterns number 2^(n - 1).
constexpr int32_t kLeastOperands = 3;
constexpr int32_t kMostOperands = 9;
// Beyond this many whole values, W times a pair's weight could lose its last units in a double.
constexpr int32_t kMostWholes = 1 << 20;
// Up to this largest number the most pairs of one product are counted outright, in a table of
// largest^2 bytes (4 MB, some milliseconds).
constexpr int32_t kLargestCounted = 2048;
// The most ordered pairs of distinct numbers up to 32768, the largest a draw gives, that have one
// product: 278, for 21621600. Counted over every pair once (5.4e8 of them, some seconds); the
// tests count it again. No smaller largest number has more.
constexpr uint32_t kMostPairsOfAnyDraw = 278;

}  // namespace

uint32_t OperandPairDraw::MostPairsOfOneProduct(int32_t largest) {
    if (largest < 2) return 0;
    if (largest > kLargestCounted) {
        // A product's ordered pairs are at most its divisors.
        const auto top = static_cast<uint64_t>(largest);
        const double divisors = MostDivisors(static_cast<double>(top * (top - 1)));
        return std::min(kMostPairsOfAnyDraw, static_cast<uint32_t>(divisors));
    }
    const auto top = static_cast<size_t>(largest);
    // Up to 2048, no product has more than 41 pairs.
    std::vector<uint8_t> count(top * top + 1, 0);
    uint8_t most = 0;
    for (size_t x = 1; x <= top; ++x) {
        for (size_t y = x + 1; y <= top; ++y) most = std::max(most, ++count[x * y]);
    }
    // Each unordered pair stands for two ordered ones.
    return 2u * most;
}

std::optional<OperandPairDraw> OperandPairDraw::For(const WorksheetSettings& settings) {
    const int32_t n = settings.operandCount;
    if (n < kLeastOperands || n > kMostOperands) return std::nullopt;
    if (settings.answerRange < 2 || settings.answerRange - 1 > kMostWholes) return std::nullopt;
    if (settings.operators.empty() || settings.operators.size() > 8) return std::nullopt;
    OperandPairDraw draw;
    draw.operatorWidth_ = 0;
    for (const std::string& symbol : settings.operators) {
        if (symbol != "*" && symbol != "/") return std::nullopt;
        if (symbol == "/") draw.dividingPositions_ |= 1u << draw.operatorWidth_;
        ++draw.operatorWidth_;
    }
    draw.odds_ = BlindDrawOdds(settings);
    draw.largest_ = static_cast<int32_t>(draw.odds_.operandWeight.size());
    if (draw.largest_ < n) return std::nullopt;
    draw.n_ = n;
    draw.wholes_ = settings.answerRange - 1;

    const size_t patterns = size_t{1} << (n - 1);
    draw.patterns_.resize(patterns);
    for (size_t mask = 0; mask < patterns; ++mask) {
        Pattern& pattern = draw.patterns_[mask];
        std::vector<int32_t> multiplied{0};
        std::vector<int32_t> divided;
        for (int32_t k = 1; k < n; ++k) {
            ((mask >> (k - 1)) & 1u) != 0 ? divided.push_back(k) : multiplied.push_back(k);
        }
        pattern.dividedPair = divided.size() >= 2;
        const std::vector<int32_t>& kind = pattern.dividedPair ? divided : multiplied;
        pattern.first = kind[kind.size() - 2];
        pattern.second = kind.back();
        for (int32_t k = 0; k < n; ++k) {
            if (k == pattern.first || k == pattern.second) continue;
            const bool factor = k == 0 || ((mask >> (k - 1)) & 1u) == 0;
            pattern.restMultiplied |= uint32_t{factor} << pattern.rest.size();
            pattern.rest.push_back(k);
        }
        pattern.restCount = static_cast<int32_t>(pattern.rest.size());
    }

    const double heaviest =
        *std::max_element(draw.odds_.operandWeight.begin(), draw.odds_.operandWeight.end());
    draw.slot_ = MostPairsOfOneProduct(draw.largest_) * heaviest * heaviest *
                 MostRedrawFactor(draw.odds_, n);
    draw.mostProduct_ = static_cast<double>(draw.largest_) * (draw.largest_ - 1);
    draw.patternWords_.resize(patterns);
    for (size_t mask = 0; mask < patterns; ++mask) {
        const Pattern& pattern = draw.patterns_[mask];
        draw.patternWords_[mask] = pattern.restMultiplied | (uint64_t{pattern.dividedPair} << 8);
    }
    draw.lanes_.operandCount = n;
    draw.lanes_.operatorWidth = draw.operatorWidth_;
    draw.lanes_.dividingPositions = draw.dividingPositions_;
    draw.lanes_.operandWidth = static_cast<uint32_t>(draw.largest_);
    draw.lanes_.wholes = draw.wholes_;
    draw.lanes_.mostProduct = draw.mostProduct_;
    draw.words_ = PairWords(draw.lanes_);
    draw.operatorResidue_ = Residue(draw.operatorWidth_);
    draw.operandResidue_ = Residue(static_cast<uint32_t>(draw.largest_));
    draw.share_ = draw.wholes_ * draw.slot_ / (double{kDrawSpan} * kDrawSpan);
    return draw;
}

const OperandPairDraw::Pattern& OperandPairDraw::PatternOf(const std::string& operators) const {
    size_t mask = 0;
    for (size_t g = 0; g < operators.size(); ++g) {
        if (operators[g] == '/') mask |= size_t{1} << g;
    }
    return patterns_[mask];
}

std::pair<int32_t, int32_t> OperandPairDraw::PairPositions(const std::string& operators) const {
    const Pattern& pattern = PatternOf(operators);
    return {pattern.first, pattern.second};
}

void OperandPairDraw::TakeRest(const Pattern& pattern, int32_t i, double v, double& factors,
                               double& divisors) {
    // Without a branch: the operators fall at random, and so would the branches.
    const bool multiplied = ((pattern.restMultiplied >> i) & 1u) != 0;
    factors *= multiplied ? v : 1.0;
    divisors *= multiplied ? 1.0 : v;
}

uint64_t OperandPairDraw::PairProduct(const Pattern& pattern, double factors, double divisors,
                                      int32_t whole) const {
    // The chain's value is within 8 roundings of the exact factors * m / divisors (or
    // factors / (divisors * m)), and the quotient here within 15 more of the exact one: far
    // within m * 2^-46 of a whole m that can give j, and never so near a half.
    //
    // The kind of pair falls at random from one proposal to the next; it is chosen without a
    // branch, so that the proposals' arithmetic can overlap.
    const double j = whole;
    const double over[2] = {j * divisors, factors};
    const double under[2] = {factors, divisors * j};
    const double wanted = over[pattern.dividedPair] / under[pattern.dividedPair];
    // Rounded to the nearest whole number by the addition of 2^52, exactly where it matters
    // (below 2^51); a larger value stays large and is turned down below.
    const double m = (wanted + 0x1p52) - 0x1p52;
    const bool near = std::fabs(wanted - m) <= wanted * 0x1p-46;
    // Every whole m from 2 to the most pairs' product is below 2^31, where the conversion is
    // exact.
    if (!(near & (m >= 2) & (m <= mostProduct_))) return 0;
    return static_cast<uint64_t>(m);
}

template <typename Visit>
void OperandPairDraw::ForEachPair(uint64_t m, const Visit& visit) const {
    // m's prime factors, by trial division: m is below 2^31, so its prime factors but one lie
    // below 2^15.5.
    uint32_t primes[32];
    uint32_t exponents[32];
    int32_t distinct = 0;
    auto rest = static_cast<uint32_t>(m);
    for (uint32_t p = 2; p * p <= rest; p += p == 2 ? 1 : 2) {
        if (rest % p != 0) continue;
        uint32_t e = 0;
        while (rest % p == 0) {
            rest /= p;
            ++e;
        }
        primes[distinct] = p;
        exponents[distinct++] = e;
    }
    if (rest > 1) {
        primes[distinct] = rest;
        exponents[distinct++] = 1;
    }
    // Its divisors x with m / x also within the range, and x != m / x.
    const auto top = static_cast<uint64_t>(largest_);
    std::vector<uint32_t> found;
    const auto walk = [&](const auto& self, int32_t index, uint64_t x) -> void {
        if (x > top) return;
        if (index == distinct) {
            const uint64_t y = m / x;
            if (y <= top && y != x) found.push_back(static_cast<uint32_t>(x));
            return;
        }
        uint64_t power = x;
        for (uint32_t e = 0; e <= exponents[index]; ++e) {
            self(self, index + 1, power);
            power *= primes[index];
            if (power > top) break;
        }
    };
    walk(walk, 0, 1);
    std::sort(found.begin(), found.end());
    for (const uint32_t x : found) {
        visit(static_cast<int32_t>(x), static_cast<int32_t>(m / x));
    }
}

template <typename Visit>
void OperandPairDraw::ForEachPairOfValue(const Pattern& pattern, uint64_t m, int32_t j,
                                         std::vector<int32_t>& operands,
                                         const std::string& operators, const Visit& visit) const {
    ForEachPair(m, [&](int32_t x, int32_t y) {
        for (const int32_t k : pattern.rest) {
            const int32_t v = operands[static_cast<size_t>(k)];
            if (v == x || v == y) return;
        }
        operands[static_cast<size_t>(pattern.first)] = x;
        operands[static_cast<size_t>(pattern.second)] = y;
        ChainValue chain(operands[0]);
        for (size_t g = 0; g < operators.size(); ++g) chain.Take(operators[g], operands[g + 1]);
        // Exactly j: each acceptable pair belongs to its own value's slot alone.
        if (chain.Value() == j) visit(x, y);
    });
}

bool OperandPairDraw::Draw(UnitRandom& random, std::vector<int32_t>& operands,
                           std::string& operators) const {
    uint64_t words[kMostPairWords];
    for (int32_t i = 0; i < words_; ++i) words[i] = random.Next();
    return Complete(words, operands, operators);
}

void OperandPairDraw::DrawBatch(LaneRandom& lanes, uint64_t blocks, LaneKernel kernel,
                                LaneBatch& out) const {
    // Room for the hits of many blocks: a block has a hit in a few lanes at most.
    constexpr size_t kHitRoom = 4096;
    thread_local std::vector<PairLaneHit> hits(kHitRoom);
    thread_local std::vector<int32_t> operands;
    thread_local std::string operators;
    out.Clear();
    out.operandCount = n_;
    // The table is pointed to here, since a copy of this object has a table of its own.
    PairLaneSetup setup = lanes_;
    setup.patterns = patternWords_.data();
    uint64_t done = 0;
    while (done < blocks) {
        size_t found = 0;
        done += DrawPairLaneBlocks(setup, lanes, blocks - done, hits.data(), hits.size(), found,
                                   kernel);
        for (size_t h = 0; h < found; ++h) {
            if (!Complete(hits[h].words, operands, operators)) continue;
            out.operands.insert(out.operands.end(), operands.begin(), operands.end());
            out.operators += operators;
        }
    }
    out.lanes = done * static_cast<uint64_t>(kLaneCount);
}

bool OperandPairDraw::Complete(const uint64_t* words, std::vector<int32_t>& operands,
                               std::string& operators) const {
    // Draw d is 15 bits of word d / 4, as RandomInRange's r: the gaps' operators first (where
    // the list has more than one), then the rest's operands. The last word is for the level.
    int32_t next = 0;
    const auto draw15 = [&] {
        const auto r = static_cast<uint32_t>((words[next / 4] >> (15 * (next % 4))) & 32767u);
        ++next;
        return r;
    };
    size_t mask = 0;
    for (int32_t g = 0; g < n_ - 1; ++g) {
        // With one operator the blind draw takes no bits for it.
        const uint32_t position = operatorWidth_ == 1 ? 0 : operatorResidue_(draw15());
        mask |= size_t{(dividingPositions_ >> position) & 1u} << g;
    }
    const Pattern& pattern = patterns_[mask];
    // The rest, with its products taken and its repeats noted without a branch on each: the
    // operators fall at random, and so would the branches.
    int32_t rest[kMostOperands];
    double factors = 1;
    double divisors = 1;
    bool repeats = false;
    for (int32_t i = 0; i < pattern.restCount; ++i) {
        const auto v = static_cast<int32_t>(1 + operandResidue_(draw15()));
        for (int32_t before = 0; before < i; ++before) repeats |= rest[before] == v;
        rest[i] = v;
        TakeRest(pattern, i, v, factors, divisors);
    }
    // A repeated operand: the blind draw never gives this rest.
    if (repeats) return false;
    // The whole value and the level within its slot, from one uniform draw below W * Q.
    const double scaled = static_cast<double>(words[words_ - 1] >> 11) * 0x1p-53 * wholes_;
    const int32_t below = std::min(static_cast<int32_t>(scaled), wholes_ - 1);
    const int32_t j = below + 1;
    const double within = (scaled - below) * slot_;
    const uint64_t m = PairProduct(pattern, factors, divisors, j);
    if (m == 0) return false;

    operators.resize(static_cast<size_t>(n_ - 1));
    for (int32_t g = 0; g < n_ - 1; ++g)
        operators[static_cast<size_t>(g)] = ((mask >> g) & 1u) != 0 ? '/' : '*';
    operands.resize(static_cast<size_t>(n_));
    for (int32_t i = 0; i < pattern.restCount; ++i)
        operands[static_cast<size_t>(pattern.rest[static_cast<size_t>(i)])] = rest[i];
    double weight = 0;
    std::pair<int32_t, int32_t> kept{0, 0};
    ForEachPairOfValue(pattern, m, j, operands, operators, [&](int32_t x, int32_t y) {
        if (kept.first != 0) return;
        weight += static_cast<double>(odds_.operandWeight[static_cast<size_t>(x - 1)]) *
                  odds_.operandWeight[static_cast<size_t>(y - 1)] *
                  RedrawFactor(odds_, operands.data(), n_);
        if (within < weight) kept = {x, y};
    });
    if (kept.first == 0) return false;
    // The walk went on past the kept pair, putting later ones in place.
    operands[static_cast<size_t>(pattern.first)] = kept.first;
    operands[static_cast<size_t>(pattern.second)] = kept.second;
    return true;
}

std::vector<std::pair<int32_t, int32_t>> OperandPairDraw::AcceptablePairs(
    const std::vector<int32_t>& operands, const std::string& operators) const {
    const Pattern& pattern = PatternOf(operators);
    double factors = 1;
    double divisors = 1;
    for (int32_t i = 0; i < pattern.restCount; ++i) {
        TakeRest(pattern, i, operands[static_cast<size_t>(pattern.rest[static_cast<size_t>(i)])],
                 factors, divisors);
    }
    std::vector<std::pair<int32_t, int32_t>> pairs;
    std::vector<int32_t> candidate = operands;
    for (int32_t j = 1; j <= wholes_; ++j) {
        const uint64_t m = PairProduct(pattern, factors, divisors, j);
        if (m == 0) continue;
        ForEachPairOfValue(pattern, m, j, candidate, operators,
                           [&](int32_t x, int32_t y) { pairs.emplace_back(x, y); });
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}
