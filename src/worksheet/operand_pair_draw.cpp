#include "worksheet/operand_pair_draw.h"

#include <algorithm>
#include <cmath>

namespace {

// The least and the most operands a question may have here: the pair needs a third operand,
// and the patterns number 2^(n - 1). With five, one kind has three.
constexpr int32_t kLeastOperands = 3;
constexpr int32_t kLeastOperandsForThree = 5;
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

// The blind draw's weights of a group's operands, multiplied.
double GroupWeight(const DrawOdds& odds, const int32_t* group, int32_t size) {
    double weight = 1;
    for (int32_t i = 0; i < size; ++i)
        weight *= odds.operandWeight[static_cast<size_t>(group[i] - 1)];
    return weight;
}

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

std::optional<OperandPairDraw> OperandPairDraw::For(const WorksheetSettings& settings,
                                                    int32_t solved) {
    const int32_t n = settings.operandCount;
    if (n < kLeastOperands || n > kMostOperands) return std::nullopt;
    if (settings.answerRange < 2 || settings.answerRange - 1 > kMostWholes) return std::nullopt;
    if (settings.operators.empty() || settings.operators.size() > 8) return std::nullopt;
    if (solved != 0 && solved != 2 && solved != 3) return std::nullopt;
    if (solved == 3 && n < kLeastOperandsForThree) return std::nullopt;
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

    const double heaviest =
        *std::max_element(draw.odds_.operandWeight.begin(), draw.odds_.operandWeight.end());
    const double redraws = MostRedrawFactor(draw.odds_, n);
    const double top = draw.largest_;
    const double pairSlot = MostPairsOfOneProduct(draw.largest_) * heaviest * heaviest * redraws;
    const double tripleSlot =
        MostTriplesOfOneProduct(draw.largest_) * heaviest * heaviest * heaviest * redraws;
    if (solved == 0) {
        // A proposal's share is W Q / 32768^g; a hit of three costs more to complete.
        const bool three =
            n >= kLeastOperandsForThree && tripleSlot > 0 && 2 * tripleSlot / kDrawSpan < pairSlot;
        solved = three ? 3 : 2;
    }
    draw.solved_ = solved;
    draw.slot_ = solved == 3 ? tripleSlot : pairSlot;
    draw.mostProduct_ = solved == 3 ? top * (top - 1) * (top - 2) : top * (top - 1);
    // See PairProduct: a product of three reaches 2^45, where m * 2^-46 would reach 1/2.
    draw.nearness_ = solved == 3 ? 0x1p-48 : 0x1p-46;

    const size_t patterns = size_t{1} << (n - 1);
    draw.patterns_.resize(patterns);
    for (size_t mask = 0; mask < patterns; ++mask) {
        Pattern& pattern = draw.patterns_[mask];
        std::vector<int32_t> multiplied{0};
        std::vector<int32_t> divided;
        for (int32_t k = 1; k < n; ++k) {
            ((mask >> (k - 1)) & 1u) != 0 ? divided.push_back(k) : multiplied.push_back(k);
        }
        pattern.dividedPair = divided.size() >= static_cast<size_t>(solved);
        const std::vector<int32_t>& kind = pattern.dividedPair ? divided : multiplied;
        std::copy(kind.end() - solved, kind.end(), pattern.solved);
        for (int32_t k = 0; k < n; ++k) {
            if (std::find(pattern.solved, pattern.solved + solved, k) != pattern.solved + solved)
                continue;
            const bool factor = k == 0 || ((mask >> (k - 1)) & 1u) == 0;
            pattern.restMultiplied |= uint32_t{factor} << pattern.rest.size();
            pattern.rest.push_back(k);
        }
        pattern.restCount = static_cast<int32_t>(pattern.rest.size());
    }

    draw.heaviestGroup_ = heaviest * heaviest * (solved == 3 ? heaviest : 1.0) * redraws;
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
    draw.lanes_.solved = solved;
    draw.lanes_.leastProduct = solved == 3 ? 6 : 2;
    draw.lanes_.mostProduct = draw.mostProduct_;
    draw.lanes_.nearness = draw.nearness_;
    draw.words_ = PairWords(draw.lanes_);
    draw.operatorResidue_ = Residue(draw.operatorWidth_);
    draw.operandResidue_ = Residue(static_cast<uint32_t>(draw.largest_));
    draw.share_ = draw.wholes_ * draw.slot_ / std::pow(double{kDrawSpan}, solved);
    return draw;
}

const OperandPairDraw::Pattern& OperandPairDraw::PatternOf(const std::string& operators) const {
    size_t mask = 0;
    for (size_t g = 0; g < operators.size(); ++g) {
        if (operators[g] == '/') mask |= size_t{1} << g;
    }
    return patterns_[mask];
}

std::vector<int32_t> OperandPairDraw::SolvedPositions(const std::string& operators) const {
    const Pattern& pattern = PatternOf(operators);
    return std::vector<int32_t>(pattern.solved, pattern.solved + solved_);
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
    // factors / (divisors * m)), and the quotient here within 8 more of the exact one (the
    // rest's products, j and the division): within about m * 2^-49 of a whole m that can give
    // j, and so within nearness_ (m * 2^-46 for a pair, m * 2^-48 for three), which for every
    // m below 2^45 is far from a half.
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
    const bool near = std::fabs(wanted - m) <= wanted * nearness_;
    // Every whole m up to the most product is below 2^45, where the conversion is exact.
    const double least = solved_ == 3 ? 6 : 2;
    if (!(near & (m >= least) & (m <= mostProduct_))) return 0;
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
void OperandPairDraw::ForEachGroupOfValue(const Pattern& pattern, uint64_t m, int32_t j,
                                          std::vector<int32_t>& operands,
                                          const std::string& operators, const Visit& visit,
                                          const ProductFactors* factored) const {
    // Each group in place, the rest checked for repeats and the chain for exactly j: each
    // acceptable group belongs to its own value's slot alone.
    const auto tryGroup = [&](const int32_t* group) {
        for (const int32_t k : pattern.rest) {
            const int32_t v = operands[static_cast<size_t>(k)];
            for (int32_t i = 0; i < solved_; ++i) {
                if (v == group[i]) return false;
            }
        }
        for (int32_t i = 0; i < solved_; ++i)
            operands[static_cast<size_t>(pattern.solved[i])] = group[i];
        ChainValue chain(operands[0]);
        for (size_t g = 0; g < operators.size(); ++g) chain.Take(operators[g], operands[g + 1]);
        return chain.Value() == j && visit(group);
    };
    if (solved_ == 2) {
        bool done = false;
        ForEachPair(m, [&](int32_t x, int32_t y) {
            const int32_t group[2] = {x, y};
            if (!done) done = tryGroup(group);
        });
        return;
    }
    ProductFactors factors;
    if (factored != nullptr) {
        factors = *factored;
    } else if (!FactorWithin(m, largest_, factors)) {
        return;
    }
    thread_local std::vector<uint32_t> divisors;
    DivisorsUpTo(factors, largest_, divisors);
    ForEachTriple(m, largest_, divisors, [&](int32_t x, int32_t y, int32_t z) {
        const int32_t group[3] = {x, y, z};
        return tryGroup(group);
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
    // the list has more than two), then the rest's operands. The last word is for the level, in
    // its top 53 bits, and for the operators of a list of two, bit g for gap g: RandomInRange's
    // r mod 2 is r's low bit, one fair bit.
    int32_t next = 0;
    const auto draw15 = [&] {
        const auto r = static_cast<uint32_t>((words[next / 4] >> (15 * (next % 4))) & 32767u);
        ++next;
        return r;
    };
    size_t mask = 0;
    for (int32_t g = 0; g < n_ - 1; ++g) {
        // With one operator the blind draw takes no bits for it.
        uint32_t position = 0;
        if (operatorWidth_ == 2) position = static_cast<uint32_t>((words[words_ - 1] >> g) & 1u);
        if (operatorWidth_ > 2) position = operatorResidue_(draw15());
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
    // Most values' groups weigh far less than the level's bound: where a bound on their count is
    // below the level, no group can pass it. The bound from m's small factors needs no
    // factoring, the one from all its exponents no numbers, and the count no chain.
    ProductFactors primes;
    if (solved_ == 3) {
        if (within >= TriplesBound(m) * heaviestGroup_) return false;
        if (!FactorWithin(m, largest_, primes)) return false;
        if (within >= AllTriples(primes) * heaviestGroup_) return false;
        if (within >= static_cast<double>(CountTriples(primes, m, largest_)) * heaviestGroup_)
            return false;
    }

    operators.resize(static_cast<size_t>(n_ - 1));
    for (int32_t g = 0; g < n_ - 1; ++g)
        operators[static_cast<size_t>(g)] = ((mask >> g) & 1u) != 0 ? '/' : '*';
    operands.resize(static_cast<size_t>(n_));
    for (int32_t i = 0; i < pattern.restCount; ++i)
        operands[static_cast<size_t>(pattern.rest[static_cast<size_t>(i)])] = rest[i];
    double weight = 0;
    int32_t kept[3] = {};
    ForEachGroupOfValue(
        pattern, m, j, operands, operators,
        [&](const int32_t* group) {
            weight += RedrawFactor(odds_, operands.data(), n_) * GroupWeight(odds_, group, solved_);
            if (within >= weight) return false;
            std::copy(group, group + solved_, kept);
            return true;
        },
        solved_ == 3 ? &primes : nullptr);
    if (kept[0] == 0) return false;
    // A pair's walk went on past the kept pair, putting later ones in place.
    for (int32_t i = 0; i < solved_; ++i)
        operands[static_cast<size_t>(pattern.solved[i])] = kept[i];
    return true;
}

std::vector<std::vector<int32_t>> OperandPairDraw::AcceptableGroups(
    const std::vector<int32_t>& operands, const std::string& operators) const {
    const Pattern& pattern = PatternOf(operators);
    double factors = 1;
    double divisors = 1;
    for (int32_t i = 0; i < pattern.restCount; ++i) {
        TakeRest(pattern, i, operands[static_cast<size_t>(pattern.rest[static_cast<size_t>(i)])],
                 factors, divisors);
    }
    std::vector<std::vector<int32_t>> groups;
    std::vector<int32_t> candidate = operands;
    for (int32_t j = 1; j <= wholes_; ++j) {
        const uint64_t m = PairProduct(pattern, factors, divisors, j);
        if (m == 0) continue;
        ForEachGroupOfValue(pattern, m, j, candidate, operators, [&](const int32_t* group) {
            groups.emplace_back(group, group + solved_);
            return false;
        });
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}
