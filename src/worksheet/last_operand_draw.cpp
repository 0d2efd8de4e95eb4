#include "worksheet/last_operand_draw.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kUnitRoundoff = 0x1p-52;  // the spacing of doubles from 1 to 2

// Random numbers from 64-bit words: RandomInRange's 15 bits, four to a word, and uniform reals.
class RandomFeed {
public:
    explicit RandomFeed(const std::function<uint64_t()>& randomBits) : randomBits_(randomBits) {}

    uint32_t Fifteen() {
        if (left_ == 0) {
            pool_ = randomBits_();
            left_ = 4;
        }
        --left_;
        const auto r = static_cast<uint32_t>(pool_ & 32767u);
        pool_ >>= 15;
        return r;
    }

    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(randomBits_() >> 11) * 0x1p-53; }

private:
    const std::function<uint64_t()>& randomBits_;
    uint64_t pool_ = 0;
    int left_ = 0;
};

// An operand drawn as the blind loop draws it: RandomInRange, drawn again while equal to one of
// the operands before it. `reciprocal` is ceil(2^30 / largest), whose product with r gives the
// quotient r / largest exactly for every 15-bit r, which spares a division per draw.
int32_t DrawOperand(RandomFeed& feed, uint32_t largest, uint64_t reciprocal, const int32_t* before,
                    int32_t count) {
    for (;;) {
        const uint32_t r = feed.Fifteen();
        uint32_t offset = r;
        if (largest < kDrawSpan) {
            offset -= static_cast<uint32_t>((r * reciprocal) >> 30) * largest;
        }
        const auto v = static_cast<int32_t>(1 + offset);
        if (std::find(before, before + count, v) == before + count) return v;
    }
}

// The first x from lo to hi at which the monotone test turns true (hi + 1 when it never does),
// by bisection.
template <typename Test>
int32_t FirstWhere(int32_t lo, int32_t hi, const Test& test) {
    int32_t end = hi + 1;
    while (lo < end) {
        const int32_t mid = lo + (end - lo) / 2;
        if (test(mid)) {
            end = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

// The same, searched outward from `near` in doubling steps, then by bisection.
template <typename Test>
int32_t FirstWhereNear(int32_t lo, int32_t hi, int32_t near, const Test& test) {
    // Invariant: every x below `low` fails and every x from `high` on passes.
    int32_t low = lo;
    int32_t high = hi + 1;
    int64_t step = 1;
    if (test(near)) {
        high = near;
        while (high > low) {
            const auto probe = static_cast<int32_t>(std::max<int64_t>(low, high - step));
            if (test(probe)) {
                high = probe;
                step *= 2;
            } else {
                low = probe + 1;
                break;
            }
        }
    } else {
        low = near + 1;
        while (low < high) {
            const auto probe =
                static_cast<int32_t>(std::min<int64_t>(int64_t{high} - 1, low - 1 + step));
            if (test(probe)) {
                high = probe;
                break;
            }
            low = probe + 1;
            step *= 2;
        }
    }
    return FirstWhere(low, high - 1, test);
}

}  // namespace

std::optional<LastOperandDraw> LastOperandDraw::For(const WorksheetSettings& settings) {
    LastOperandDraw draw;
    draw.odds_ = BlindDrawOdds(settings);
    draw.n_ = settings.operandCount;
    draw.largest_ = static_cast<int32_t>(draw.odds_.operandWeight.size());
    draw.answerRange_ = settings.answerRange;
    const size_t symbols = draw.odds_.operators.size();
    if (draw.n_ < 2 || draw.n_ > draw.largest_ || draw.answerRange_ < 1 || symbols == 0)
        return std::nullopt;
    for (const OperatorOdds& o : draw.odds_.operators) {
        if (o.symbol != '+' && o.symbol != '-' && o.symbol != '*' && o.symbol != '/')
            return std::nullopt;
    }
    size_t patterns = 1;
    for (int32_t g = 0; g + 1 < draw.n_; ++g) {
        patterns *= symbols;
        if (patterns > 65536) return std::nullopt;
    }

    // The likeliest x: the heaviest value, after the rest took the heaviest others.
    std::vector<uint32_t> weights = draw.odds_.operandWeight;
    std::sort(weights.begin(), weights.end(), std::greater<>());
    uint32_t restWeight = 0;
    for (int32_t k = 0; k + 1 < draw.n_; ++k) restWeight += weights[static_cast<size_t>(k)];
    draw.heaviestLast_ =
        weights.front() / static_cast<double>(kDrawSpan - restWeight) * (1 + 1e-12);

    draw.upTo_.resize(patterns);
    draw.bound_.resize(patterns);
    std::string operators(static_cast<size_t>(draw.n_ - 1), '+');
    double total = 0;
    for (size_t p = 0; p < patterns; ++p) {
        double probability = 1;
        size_t digits = p;
        for (char& op : operators) {
            const OperatorOdds& o = draw.odds_.operators[digits % symbols];
            digits /= symbols;
            op = o.symbol;
            probability *= o.weight / static_cast<double>(kDrawSpan);
        }
        const double bound = draw.PatternBound(operators);
        draw.bound_[p] = bound;
        total += probability * bound;
        draw.upTo_[p] = total;
    }
    draw.share_ = total;
    draw.BuildAlias();
    return draw;
}

void LastOperandDraw::BuildAlias() {
    // Columns of equal height share_ / P: each keeps its own pattern's part and lends the rest
    // to one pattern that is above the height.
    const size_t count = upTo_.size();
    std::vector<double> scaled(count);
    double before = 0;
    for (size_t p = 0; p < count; ++p) {
        scaled[p] = (upTo_[p] - before) * static_cast<double>(count) / share_;
        before = upTo_[p];
    }
    keep_.assign(count, 1.0);
    alias_.resize(count);
    std::vector<size_t> small;
    std::vector<size_t> large;
    for (size_t p = 0; p < count; ++p) {
        alias_[p] = p;
        (scaled[p] < 1 ? small : large).push_back(p);
    }
    while (!small.empty() && !large.empty()) {
        const size_t s = small.back();
        small.pop_back();
        const size_t l = large.back();
        keep_[s] = scaled[s];
        alias_[s] = l;
        scaled[l] -= 1 - scaled[s];
        if (scaled[l] < 1) {
            large.pop_back();
            small.push_back(l);
        }
    }
    // What is left over is 1 up to rounding.
    upTo_.clear();
    upTo_.shrink_to_fit();
}

bool LastOperandDraw::Resolvable(const std::string& operators) const {
    const char last = operators.back();
    if (last == '+' || last == '-') return true;
    // The last term begins after the last + or - before the last gap; with none, the chain is
    // one term, and a product or quotient with distinct x changes by a share of at least
    // 1 / largest, far above the rounding.
    const size_t gaps = operators.size() - 1;
    size_t start = gaps;
    for (size_t g = gaps; g-- > 0;) {
        if (operators[g] == '+' || operators[g] == '-') {
            start = g;
            break;
        }
    }
    if (start == gaps) return true;
    // Two x giving the same whole value j leave their terms u and u' within answerRange units
    // of 2^-52 of each other (both sums round to j). The exact terms t*x differ by at least t,
    // and t/x by at least t / largest^2, while rounding moves each term by at most
    // u * 2^-53, with u at most t * largest (×) or t (÷). The term t before x is at least
    // largest^-k with k divisions, whatever the operands, so the pattern is resolvable when
    //   t_min * (step - 2 * U * 2^-52) > 4 * answerRange * 2^-52
    // (twice the bound the argument needs).
    int32_t divisions = 0;
    for (size_t g = start + 1; g < gaps; ++g) divisions += operators[g] == '/';
    const double largest = largest_;
    const double leastTerm = std::pow(largest, -divisions) * (1 - 0x1p-40);
    const double step = last == '*' ? 1.0 : 1.0 / (largest * largest);
    const double growth = last == '*' ? largest : 1.0;
    const double margin = step - 2 * growth * kUnitRoundoff;
    return margin > 0 && leastTerm * margin > 4 * answerRange_ * kUnitRoundoff;
}

double LastOperandDraw::PatternBound(const std::string& operators) const {
    if (!Resolvable(operators)) return 1;
    const double values = std::min<double>(answerRange_, largest_ - n_ + 1);
    return std::min(1.0, values * heaviestLast_);
}

void LastOperandDraw::SolveLast(const ChainValue& prefix, char last, const int32_t* rest,
                                int32_t restCount, std::vector<int32_t>& solutions) const {
    solutions.clear();
    const auto value = [&](int32_t x) {
        ChainValue chain = prefix;
        chain.Take(last, x);
        return chain.Value();
    };
    const auto used = [&](int32_t x) {
        return std::find(rest, rest + restCount, x) != rest + restCount;
    };
    const double range = answerRange_;
    const double atLeast = value(1);
    const double atMost = value(largest_);
    // Most rests are settled here: no x brings the value into range.
    if (std::max(atLeast, atMost) < 0 || std::min(atLeast, atMost) >= range) return;
    const bool rising = atLeast <= atMost;
    // The values from 0 to below answerRange lie between `from` and `to`.
    int32_t from = 0;
    int32_t to = 0;
    if (rising) {
        from = FirstWhere(1, largest_, [&](int32_t x) { return value(x) >= 0; });
        to = FirstWhere(1, largest_, [&](int32_t x) { return value(x) >= range; }) - 1;
    } else {
        from = FirstWhere(1, largest_, [&](int32_t x) { return value(x) < range; });
        to = FirstWhere(1, largest_, [&](int32_t x) { return value(x) < 0; }) - 1;
    }
    if (from > to) return;
    const double low = std::min(value(from), value(to));
    const double high = std::max(value(from), value(to));
    const double wholes = std::floor(high) - std::ceil(low) + 1;
    const double span = to - from + 1;
    if (span <= wholes * (std::log2(span) + 2)) {
        for (int32_t x = from; x <= to; ++x) {
            if (IsAcceptableValue(value(x), answerRange_) && !used(x)) solutions.push_back(x);
        }
        return;
    }
    // Each whole value comes from at most one x (the pattern is resolvable): find it by a
    // search that starts where the exact arithmetic puts it and gallops out from there, which
    // is right for any monotone value and quick when the guess is close.
    const auto guess = [&](double j) {
        double x = 0;
        switch (last) {
            case '+':
                x = j - prefix.Value();
                break;
            case '-':
                x = prefix.Value() - j;
                break;
            default: {
                const double share = prefix.FirstTerm()    ? j
                                     : prefix.Subtracted() ? prefix.Sum() - j
                                                           : j - prefix.Sum();
                x = last == '*' ? share / prefix.Term() : prefix.Term() / share;
                break;
            }
        }
        if (!(x >= from)) return from;  // also for NaN
        if (!(x <= to)) return to;
        return static_cast<int32_t>(std::lround(x));
    };
    for (double j = std::ceil(low); j <= high; ++j) {
        const int32_t x =
            rising ? FirstWhereNear(from, to, guess(j), [&](int32_t y) { return value(y) >= j; })
                   : FirstWhereNear(from, to, guess(j), [&](int32_t y) { return value(y) <= j; });
        if (x <= to && value(x) == j && !used(x)) solutions.push_back(x);
    }
}

bool LastOperandDraw::Draw(const std::function<uint64_t()>& randomBits,
                           std::vector<int32_t>& operands, std::string& operators) const {
    RandomFeed feed(randomBits);
    const size_t symbols = odds_.operators.size();
    // Walker's alias method: a column uniformly, then the column's pattern or its alias.
    const double u = feed.Unit() * static_cast<double>(keep_.size());
    size_t pattern = std::min(static_cast<size_t>(u), keep_.size() - 1);
    if (u - static_cast<double>(pattern) >= keep_[pattern]) pattern = alias_[pattern];
    operators.assign(static_cast<size_t>(n_ - 1), '+');
    for (size_t digits = pattern, g = 0; g < operators.size(); ++g, digits /= symbols)
        operators[g] = odds_.operators[digits % symbols].symbol;

    operands.resize(static_cast<size_t>(n_));
    const auto largest = static_cast<uint32_t>(largest_);
    const uint64_t reciprocal = ((uint64_t{1} << 30) + largest - 1) / largest;
    for (int32_t k = 0; k + 1 < n_; ++k)
        operands[static_cast<size_t>(k)] =
            DrawOperand(feed, largest, reciprocal, operands.data(), k);
    ChainValue prefix(operands[0]);
    for (int32_t k = 1; k + 1 < n_; ++k)
        prefix.Take(operators[static_cast<size_t>(k - 1)], operands[static_cast<size_t>(k)]);
    const char last = operators.back();

    const double bound = bound_[pattern];
    if (bound >= 1) {
        // The blind draw of x, kept when acceptable: probability A, as the bound 1 asks.
        const int32_t x = DrawOperand(feed, largest, reciprocal, operands.data(), n_ - 1);
        operands.back() = x;
        ChainValue chain = prefix;
        chain.Take(last, x);
        return IsAcceptableValue(chain.Value(), answerRange_);
    }

    const double keep = feed.Unit();
    return Complete(prefix, last, bound, keep, feed.Unit(), operands);
}

bool LastOperandDraw::Complete(const ChainValue& prefix, char last, double bound, double keep,
                               double pick, std::vector<int32_t>& operands) const {
    thread_local std::vector<int32_t> solutions;
    SolveLast(prefix, last, operands.data(), n_ - 1, solutions);
    if (solutions.empty()) return false;
    uint32_t restWeight = 0;
    for (int32_t k = 0; k + 1 < n_; ++k) {
        const int32_t v = operands[static_cast<size_t>(k)];
        restWeight += odds_.operandWeight[static_cast<size_t>(v - 1)];
    }
    uint64_t solutionWeight = 0;
    for (const int32_t x : solutions)
        solutionWeight += odds_.operandWeight[static_cast<size_t>(x - 1)];
    const double accepted = static_cast<double>(solutionWeight) / (kDrawSpan - restWeight);
    if (keep * bound >= accepted) return false;
    // x from the solutions with the draw's odds.
    auto chosen = static_cast<uint64_t>(pick * static_cast<double>(solutionWeight));
    for (const int32_t x : solutions) {
        const uint32_t w = odds_.operandWeight[static_cast<size_t>(x - 1)];
        if (chosen < w || x == solutions.back()) {
            operands.back() = x;
            break;
        }
        chosen -= w;
    }
    return true;
}

std::optional<double> LastOperandDraw::SharedBound() const {
    const double first = bound_.front();
    if (first >= 1) return std::nullopt;
    for (const double b : bound_) {
        if (b != first) return std::nullopt;
    }
    return first;
}

bool LastOperandDraw::CompleteRest(std::vector<int32_t>& operands, const std::string& operators,
                                   double keep, double pick) const {
    const std::optional<double> bound = SharedBound();
    if (!bound || operands.size() != static_cast<size_t>(n_) ||
        operators.size() + 1 != operands.size())
        return false;
    ChainValue prefix(operands[0]);
    for (int32_t k = 1; k + 1 < n_; ++k)
        prefix.Take(operators[static_cast<size_t>(k - 1)], operands[static_cast<size_t>(k)]);
    return Complete(prefix, operators.back(), *bound, keep, pick, operands);
}
