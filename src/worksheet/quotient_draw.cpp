#include "worksheet/quotient_draw.h"

#include <algorithm>
#include <limits>

namespace {

// Sets of divisors beyond this many are left to the other ways (up to 32768 there are at most
// some 313,000 of any size).
constexpr size_t kMostSets = size_t{1} << 22;

}  // namespace

std::optional<QuotientDraw> QuotientDraw::For(const WorksheetSettings& settings) {
    const int32_t n = settings.operandCount;
    if (n < 2 || n > 9 || settings.operators.empty()) return std::nullopt;
    for (const std::string& symbol : settings.operators) {
        if (symbol != "/") return std::nullopt;
    }
    QuotientDraw draw;
    draw.odds_ = BlindDrawOdds(settings);
    draw.k_ = n - 1;
    draw.largest_ = static_cast<int32_t>(draw.odds_.operandWeight.size());
    draw.wholes_ = std::max(settings.answerRange - 1, 0);
    draw.mostLikely_ = MostLikelyCandidate(draw.odds_, n);

    const auto k = static_cast<size_t>(draw.k_);
    const auto largest = static_cast<int64_t>(draw.largest_);
    std::vector<int32_t> set(k);
    uint64_t total = 0;
    bool tooMany = false;
    // Rising divisors from position i on, the product so far `product`.
    const auto walk = [&](const auto& self, size_t i, int64_t from, int64_t product) -> void {
        if (tooMany) return;
        if (i == k) {
            const int64_t firsts = std::min<int64_t>(draw.wholes_, largest / product);
            int64_t taken = 0;
            for (const int32_t d : set) taken += d % product == 0 && d / product <= firsts;
            if (firsts - taken <= 0) return;
            if (draw.upTo_.size() == kMostSets) {
                tooMany = true;
                return;
            }
            total += static_cast<uint64_t>(firsts - taken);
            draw.divisors_.insert(draw.divisors_.end(), set.begin(), set.end());
            draw.upTo_.push_back(total);
            return;
        }
        for (int64_t v = from;; ++v) {
            // The least product the rest can still reach: v and the next ones after it.
            int64_t least = product;
            for (size_t r = i; r < k && least <= largest; ++r)
                least *= v + static_cast<int64_t>(r - i);
            if (least > largest) break;
            set[i] = static_cast<int32_t>(v);
            self(self, i + 1, v + 1, product * v);
        }
    };
    walk(walk, 0, 1, 1);
    if (tooMany) return std::nullopt;
    return draw;
}

uint64_t QuotientDraw::Candidates() const {
    uint64_t count = upTo_.empty() ? 0 : upTo_.back();
    for (int32_t f = 2; f <= k_; ++f) {
        if (count > std::numeric_limits<uint64_t>::max() / static_cast<uint64_t>(f))
            return std::numeric_limits<uint64_t>::max();
        count *= static_cast<uint64_t>(f);
    }
    return count;
}

uint64_t QuotientDraw::Below(UnitRandom& random, uint64_t bound) {
    // Words from the last incomplete run of `bound` values are drawn again.
    const uint64_t limit =
        std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % bound;
    uint64_t r = random.Next();
    while (r >= limit) r = random.Next();
    return r % bound;
}

bool QuotientDraw::Draw(UnitRandom& random, std::vector<int32_t>& operands,
                        std::string& operators) const {
    if (upTo_.empty()) return false;
    const uint64_t unit = Below(random, upTo_.back());
    const auto set =
        static_cast<size_t>(std::upper_bound(upTo_.begin(), upTo_.end(), unit) - upTo_.begin());
    const uint64_t offset = unit - (set == 0 ? 0 : upTo_[set - 1]);
    const auto k = static_cast<size_t>(k_);
    const int32_t* divisors = divisors_.data() + set * k;
    int64_t product = 1;
    for (size_t i = 0; i < k; ++i) product *= divisors[i];
    // The offset-th whole j whose first operand j * product is none of the divisors: those
    // taken are passed over in rising order.
    std::vector<int64_t> taken;
    for (size_t i = 0; i < k; ++i) {
        if (divisors[i] % product == 0) taken.push_back(divisors[i] / product);
    }
    std::sort(taken.begin(), taken.end());
    int64_t j = static_cast<int64_t>(offset) + 1;
    for (const int64_t t : taken) j += t <= j;

    operands.resize(k + 1);
    operands[0] = static_cast<int32_t>(j * product);
    std::copy(divisors, divisors + k, operands.begin() + 1);
    for (size_t i = k; i > 1; --i)
        std::swap(operands[i], operands[1 + Below(random, static_cast<uint64_t>(i))]);
    operators.assign(k, '/');
    return random.Unit() * mostLikely_ < BlindProbability(odds_, operands, operators);
}
