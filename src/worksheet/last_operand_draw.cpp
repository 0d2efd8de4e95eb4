#include "worksheet/last_operand_draw.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

// The gap of the last "+" or "-" before the last gap, where the last operand's term begins;
// npos where the chain is one term.
size_t LastTermGap(const std::string& operators) {
    if (operators.size() < 2) return std::string::npos;
    return operators.find_last_of("+-", operators.size() - 2);
}

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

// The x from 1 to `largest` that give each whole value j from `least` to `most` (in that order,
// or the reverse when the value falls as x grows), for a chain whose last gap is "*" or "/".
// Such a chain rounds q = t * x or t / x, then s + q or s - q: a value of exactly j leaves q
// within (|j| + |d|) * 2^-52 of d = j - s (s - j, or j for a single term), and t > 0 (a term of
// operands from 1 up) puts x in the interval that those bounds on q give. Every whole x there is
// tried, so every solution is found however many x share one j, and the work is a step a whole
// value plus one a solution. `take(x)` is called for each x whose value is such a j.
template <typename Value, typename Take>
void SolveByWholes(const ChainValue& prefix, char last, int32_t largest, double least, double most,
                   bool rising, const Value& value, const Take& take) {
    const double t = prefix.Term();
    if (!(t > 0)) {
        for (int32_t x = 1; x <= largest; ++x) {
            const double v = value(x);
            if (v >= least && v <= most && v == std::floor(v)) take(x);
        }
        return;
    }
    const auto solveFor = [&](double j) {
        const double d = prefix.FirstTerm()    ? j
                         : prefix.Subtracted() ? prefix.Sum() - j
                                               : j - prefix.Sum();
        // Four times the bound, which also covers the rounding of d itself.
        const double e = (std::abs(j) + std::abs(d)) * 0x1p-50;
        double lo = 0;
        double hi = 0;
        if (last == '*') {
            lo = (d - e) / t;
            hi = (d + e) / t;
        } else {
            if (d + e <= 0) return;
            lo = t / (d + e);
            hi = d - e > 0 ? t / (d - e) : largest;
        }
        // The two roundings of each end, and more, outward.
        lo -= std::abs(lo) * 0x1p-48;
        hi += std::abs(hi) * 0x1p-48;
        if (!(hi >= 1) || !(lo <= largest)) return;
        const auto from = static_cast<int32_t>(std::max(1.0, std::ceil(lo)));
        const auto to = static_cast<int32_t>(std::min<double>(largest, std::floor(hi)));
        for (int32_t x = from; x <= to; ++x) {
            if (value(x) == j) take(x);
        }
    };
    if (rising) {
        for (double j = least; j <= most; ++j) solveFor(j);
    } else {
        for (double j = most; j >= least; --j) solveFor(j);
    }
}

// A fraction in lowest terms with a positive denominator; the operations give nothing once a
// number would leave 64 bits.
struct Fraction {
    int64_t num = 0;
    int64_t den = 1;
};

// 128-bit products for residues; __extension__ marks the compiler's own type as intended.
__extension__ typedef __int128 Wide;

// gcd(big, small) for an operand `small`: one division brings `big` down to the operand's size,
// where the rest of the work is quick.
int64_t GcdWithOperand(int64_t big, int64_t small) {
    const auto rest =
        static_cast<uint32_t>(static_cast<uint64_t>(std::abs(big)) % static_cast<uint64_t>(small));
    return std::gcd(static_cast<uint32_t>(small), rest);
}

std::optional<Fraction> Times(Fraction f, int64_t a) {
    const int64_t g = GcdWithOperand(f.den, a);
    Fraction out{0, f.den / g};
    if (__builtin_mul_overflow(f.num, a / g, &out.num)) return std::nullopt;
    return out;
}

std::optional<Fraction> Over(Fraction f, int64_t a) {
    const int64_t g = GcdWithOperand(f.num, a);
    Fraction out{f.num / g, 0};
    if (__builtin_mul_overflow(f.den, a / g, &out.den)) return std::nullopt;
    return out;
}

// gcd(a, b) for numbers of any size: one division first, since the binary method's steps take
// off little more than a bit each where the two differ much in size.
int64_t Gcd(int64_t a, int64_t b) {
    auto x = static_cast<uint64_t>(a < 0 ? -a : a);
    auto y = static_cast<uint64_t>(b < 0 ? -b : b);
    if (x < y) std::swap(x, y);
    if (y == 0) return static_cast<int64_t>(x);
    return static_cast<int64_t>(std::gcd(y, x % y));
}

std::optional<Fraction> Plus(Fraction f, Fraction t, bool minus) {
    // The first term onto an empty sum: it is in lowest terms already, as every fraction here.
    if (f.num == 0) {
        if (minus && __builtin_sub_overflow(int64_t{0}, t.num, &t.num)) return std::nullopt;
        return t;
    }
    const int64_t g = Gcd(f.den, t.den);
    int64_t den = 0;
    int64_t left = 0;
    int64_t right = 0;
    int64_t num = 0;
    if (__builtin_mul_overflow(f.den / g, t.den, &den) ||
        __builtin_mul_overflow(f.num, t.den / g, &left) ||
        __builtin_mul_overflow(t.num, f.den / g, &right) ||
        (minus ? __builtin_sub_overflow(left, right, &num)
               : __builtin_add_overflow(left, right, &num)))
        return std::nullopt;
    const int64_t common = Gcd(num, den);
    return Fraction{num / common, den / common};
}

// a mod m, from 0 to m - 1.
int64_t Modulo(Wide a, int64_t m) {
    const auto r = static_cast<int64_t>(a % m);
    return r < 0 ? r + m : r;
}

// The inverse of a modulo m, for a and m without a common factor.
int64_t Inverse(int64_t a, int64_t m) {
    // The coefficients stay below m in size.
    int64_t r0 = m;
    int64_t r1 = a;
    int64_t t0 = 0;
    int64_t t1 = 1;
    while (r1 != 0) {
        const int64_t q = r0 / r1;
        const int64_t r2 = r0 - q * r1;
        r0 = r1;
        r1 = r2;
        const int64_t t2 = t0 - q * t1;
        t0 = t1;
        t1 = t2;
    }
    return t0 < 0 ? t0 + m : t0;
}

// Where a whole value can come from. The rest is worked out exactly: its closed terms' sum S and
// its open term T, as fractions. The exact value for x is then a fraction whose denominator D
// follows from them; when it is not whole, it lies at least 1/D from every whole number. The
// rounded value lies within `error` of the exact one (a bound on the rounding of every step),
// so where D * error is below 1, a rounded value can be whole only where the exact one is, and
// number theory tells where that is.
struct WholeCandidates {
    enum class Kind {
        None,         // no x gives a whole value
        Progression,  // only x = first, first + step, first + 2 step, ... can
        Divisors,     // only the divisors of `dividend` can
        Unknown,      // anything may (or the numbers grew too large to tell)
    };
    Kind kind = Kind::Unknown;
    int64_t first = 0;
    int64_t step = 0;
    int64_t dividend = 0;
};

WholeCandidates FindWholeCandidates(const int32_t* rest, const std::string& operators,
                                    int32_t largest, int32_t answerRange, double restValue) {
    WholeCandidates out;
    const auto n = static_cast<int32_t>(operators.size()) + 1;
    if (operators.back() == '+' || operators.back() == '-') {
        // Before any exact work: the rest's rounded value lies within the rounding bound of its
        // exact one, so where it lies farther than twice that from every whole number, so does
        // the exact one, and no x makes it whole. The terms' sizes in double precision are
        // within a hair of the exact ones, which the bound's slack covers.
        double size = 0;
        double term = rest[0];
        for (int32_t k = 1; k + 1 < n; ++k) {
            const char op = operators[static_cast<size_t>(k - 1)];
            if (op == '*') {
                term *= rest[k];
            } else if (op == '/') {
                term /= rest[k];
            } else {
                size += term;
                term = rest[k];
            }
        }
        size += term;
        const double error = 8.0 * n * 0x1p-53 * (size + largest + answerRange + 1);
        if (std::abs(restValue - std::nearbyint(restValue)) > 2 * error) {
            out.kind = WholeCandidates::Kind::None;
            return out;
        }
    }
    Fraction sum;
    Fraction term{rest[0], 1};
    bool minus = false;
    // The sum of every term's size, which bounds every partial sum.
    double magnitude = 0;
    for (int32_t k = 1; k + 1 < n; ++k) {
        const char op = operators[static_cast<size_t>(k - 1)];
        std::optional<Fraction> next;
        if (op == '*' || op == '/') {
            next = op == '*' ? Times(term, rest[k]) : Over(term, rest[k]);
            if (!next) return out;
            term = *next;
            continue;
        }
        next = Plus(sum, term, minus);
        if (!next) return out;
        magnitude += std::abs(static_cast<double>(term.num) / static_cast<double>(term.den));
        sum = *next;
        minus = op == '-';
        term = Fraction{rest[k], 1};
    }
    const char last = operators.back();
    const double termSize = static_cast<double>(term.num) / static_cast<double>(term.den);
    // Each of the at most 2n roundings errs by at most 2^-53 of a value no larger than the
    // magnitude; twice that, and more, for safety.
    const auto error = [&](double lastTerm) {
        return 8.0 * n * 0x1p-53 * (magnitude + std::abs(termSize) + lastTerm + answerRange + 1);
    };
    if (last == '+' || last == '-') {
        // S + T ± x is whole exactly when S + T is.
        const std::optional<Fraction> closed = Plus(sum, term, minus);
        if (!closed) return out;
        if (static_cast<double>(closed->den) * error(largest) >= 1) return out;
        if (closed->den > 1) out.kind = WholeCandidates::Kind::None;
        return out;
    }
    if (last == '*') {
        // S ± T x with T = p / q: over L = lcm(den S, q), whole when a x + b = 0 (mod L).
        const int64_t g = Gcd(sum.den, term.den);
        int64_t l = 0;
        if (__builtin_mul_overflow(sum.den / g, term.den, &l)) return out;
        if (static_cast<double>(l) * error(std::abs(termSize) * largest) >= 1) return out;
        const Wide scaledTerm = static_cast<Wide>(term.num) * (l / term.den);
        const int64_t a = Modulo(minus ? -scaledTerm : scaledTerm, l);
        const int64_t b = Modulo(static_cast<Wide>(sum.num) * (l / sum.den), l);
        const int64_t common = Gcd(a, l);
        if (b % common != 0) {
            out.kind = WholeCandidates::Kind::None;
            return out;
        }
        const int64_t m = l / common;
        if (m == 1) return out;  // every x
        const int64_t x =
            Modulo(static_cast<Wide>(Modulo(-b / common, m)) * Inverse((a / common) % m, m), m);
        out.kind = WholeCandidates::Kind::Progression;
        out.first = x == 0 ? m : x;
        out.step = m;
        return out;
    }
    // S ± T / x, T = p / q: whole only where the reduced denominator of p / (q x) is that of S.
    if (static_cast<double>(sum.den) * static_cast<double>(term.den) * largest *
            error(std::abs(termSize)) >=
        1)
        return out;
    if (sum.den == 1) {
        // p / (q x) whole: q must be 1 and x divide p.
        if (term.den > 1) {
            out.kind = WholeCandidates::Kind::None;
        } else {
            out.kind = WholeCandidates::Kind::Divisors;
            out.dividend = std::abs(term.num);
        }
        return out;
    }
    // The denominator q x / gcd(p, q x) equals den S only where den S divides q x.
    const int64_t step = sum.den / Gcd(sum.den, term.den);
    if (step == 1) return out;
    out.kind = WholeCandidates::Kind::Progression;
    out.first = step;
    out.step = step;
    return out;
}

// Walker's alias method over columns of equal height: `scaled` holds each column's share of
// its height (their mean is 1). Each column keeps its own share `keep` of its height and lends
// the rest to `alias`, a column above the height; what the rounding leaves over keeps its own.
struct AliasColumns {
    std::vector<double> keep;
    std::vector<size_t> alias;
};

AliasColumns BuildAliasColumns(std::vector<double> scaled) {
    const size_t count = scaled.size();
    AliasColumns out{std::vector<double>(count, 1.0), std::vector<size_t>(count)};
    std::vector<size_t> small;
    std::vector<size_t> large;
    for (size_t c = 0; c < count; ++c) {
        out.alias[c] = c;
        (scaled[c] < 1 ? small : large).push_back(c);
    }
    while (!small.empty() && !large.empty()) {
        const size_t s = small.back();
        small.pop_back();
        const size_t l = large.back();
        out.keep[s] = scaled[s];
        out.alias[s] = l;
        scaled[l] -= 1 - scaled[s];
        if (scaled[l] < 1) {
            large.pop_back();
            small.push_back(l);
        }
    }
    return out;
}

// Few enough x to try them all before the search for where the values lie in range.
constexpr int64_t kFewCandidates = 32;

// Few enough whole values to find the x of each directly, which is quicker than the exact
// arithmetic of FindWholeCandidates.
constexpr double kFewWholes = 32;

// The share of the draws, at most, that one bound shared by every pattern may add to those that
// the patterns' own bounds turn down.
constexpr double kMostSharedBoundCost = 1.0 / 64;

}  // namespace

std::optional<LastOperandDraw> LastOperandDraw::For(const WorksheetSettings& settings,
                                                    const Patterns& drawBlind,
                                                    const Patterns& solveFirst) {
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
    draw.heaviestFirst_ = weights.front() / static_cast<double>(kDrawSpan) *
                          MostRedrawFactor(draw.odds_, draw.n_) * (1 + 1e-12);
    // A solved first operand: at most one a for each whole value in range.
    const double firstBound =
        std::min<double>(draw.answerRange_, draw.largest_ - draw.n_ + 1) * draw.heaviestFirst_;

    draw.upTo_.resize(patterns);
    draw.bound_.resize(patterns);
    std::string operators(static_cast<size_t>(draw.n_ - 1), '+');
    std::vector<double> probability(patterns, 1.0);
    draw.firstSolved_.assign(patterns, 0);
    draw.firstRounding_.assign(patterns, 0.0);
    double total = 0;
    for (size_t p = 0; p < patterns; ++p) {
        size_t digits = p;
        for (char& op : operators) {
            const OperatorOdds& o = draw.odds_.operators[digits % symbols];
            digits /= symbols;
            op = o.symbol;
            probability[p] *= o.weight / static_cast<double>(kDrawSpan);
        }
        const bool blind = drawBlind && drawBlind(operators);
        draw.bound_[p] = blind ? 1.0 : draw.PatternBound(operators);
        total += probability[p] * draw.bound_[p];
        const bool wanted = solveFirst ? solveFirst(operators) : draw.bound_[p] >= 1;
        if (!blind && wanted && firstBound < 1 && draw.FirstResolvable(operators)) {
            draw.firstSolved_[p] = 1;
            double step = 0;
            draw.firstRounding_[p] = draw.FirstRounding(operators, step);
        }
    }
    // Where every pattern is solved for and only a few have a lower bound than the others (such
    // as quotients alone among products and quotients), all may share the highest: a bound
    // that no rest exceeds is all the keep asks, and one shared bound lets the lanes draw the
    // operators plainly, which is faster than drawing patterns from the table.
    const double highest = *std::max_element(draw.bound_.begin(), draw.bound_.end());
    if (highest < 1 && highest <= total * (1 + kMostSharedBoundCost))
        std::fill(draw.bound_.begin(), draw.bound_.end(), highest);
    draw.drawBound_ = draw.bound_;
    for (size_t p = 0; p < patterns; ++p) {
        if (draw.firstSolved_[p] == 0) continue;
        draw.drawBound_[p] = firstBound;
        draw.solvesFirst_ = true;
    }
    double upTo = 0;
    for (size_t p = 0; p < patterns; ++p) {
        upTo += probability[p] * draw.drawBound_[p];
        draw.upTo_[p] = upTo;
    }
    draw.share_ = upTo;
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
    AliasColumns columns = BuildAliasColumns(std::move(scaled));
    keep_ = std::move(columns.keep);
    alias_ = std::move(columns.alias);
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
    const size_t start = LastTermGap(operators);
    if (start == std::string::npos) return true;
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

double LastOperandDraw::FirstRounding(const std::string& operators, double& step) const {
    // The first term is a times the quotient k of its other operands, at least largest^-d with d
    // divisions, so first operands a step apart differ by at least that much in exact value.
    // Every step of the chain rounds by at most 2^-53 of a value no larger than the sum of the
    // largest size each term can reach, and there are fewer than 2n steps.
    const double largest = largest_;
    double magnitude = 0;
    double termMost = largest;
    int32_t firstDivisions = 0;
    bool firstTerm = true;
    for (const char op : operators) {
        if (op == '*') {
            termMost *= largest;
        } else if (op == '/') {
            firstDivisions += firstTerm ? 1 : 0;
        } else {
            magnitude += termMost;
            termMost = largest;
            firstTerm = false;
        }
    }
    magnitude += termMost;
    step = std::pow(largest, -firstDivisions) * (1 - 0x1p-40);
    return 2.0 * n_ * 0x1p-53 * (magnitude + answerRange_);
}

bool LastOperandDraw::FirstResolvable(const std::string& operators) const {
    // Two exact values more than twice the rounding bound apart cannot round to one whole
    // number; four times that, for safety (SolveFirst counts on a step of eight bounds).
    double step = 0;
    const double error = FirstRounding(operators, step);
    return step > 4 * 2 * error;
}

double LastOperandDraw::PatternBound(const std::string& operators) const {
    if (!Resolvable(operators)) return 1;
    double values = std::min<double>(answerRange_, largest_ - n_ + 1);
    const bool oneTerm = operators.find_first_of("+-") == std::string::npos;
    // A product or quotient of operands from 1 up is positive, and far too large to round to 0
    // (it is at least largest^-8): its whole values start at 1.
    if (oneTerm && answerRange_ >= 2) values = std::min<double>(values, answerRange_ - 1);
    if (oneTerm && operators.back() == '/') {
        // Where t / x rounds to a whole j below answerRange, j x lies within t * 2^-51 of t,
        // which is below answerRange * largest (far below 2^50): j x is the whole number m
        // nearest t, the same for every such x, so each x divides m. Quotients alone never
        // exceed their first operand.
        const bool quotients = operators.find('*') == std::string::npos;
        const double m = quotients ? largest_ : static_cast<double>(answerRange_) * largest_;
        values = std::min(values, MostDivisors(m));
    }
    if (!oneTerm && operators.back() == '/')
        values = std::min(values, SumQuotientSolutions(operators));
    return std::min(1.0, values * heaviestLast_);
}

double LastOperandDraw::SumQuotientSolutions(const std::string& operators) const {
    // The chain is s + t / x (or s - t / x), with s the closed terms' sum and t the last term's
    // operands before x. Where t is a product, so whole, and s = p / q in lowest terms, a whole
    // exact value j needs t / x = j - s = (j q - p) / q, so x = t q / d with d = j q - p (or
    // p - j q), which is prime to q and so divides t: distinct values j take distinct divisors
    // d of t. That counts the rounded chain's whole values too where no rounding can make a
    // value whole that is not: the exact value has a denominator dividing q x, so one that is
    // not whole lies at least 1 / (q x) from every whole number, farther than the rounding
    // (the bound that the exact arithmetic of the solving uses, at the largest sizes the
    // pattern allows).
    const double largest = largest_;
    const size_t gaps = operators.size();
    const size_t start = LastTermGap(operators);
    if (start == std::string::npos) return INFINITY;
    double t = largest;
    for (size_t g = start + 1; g + 1 < gaps; ++g) {
        if (operators[g] == '/') return INFINITY;
        t *= largest;
    }
    double magnitude = 0;
    double termMost = largest;
    double denominator = 1;
    for (size_t g = 0; g < start; ++g) {
        const char op = operators[g];
        if (op == '*') {
            termMost *= largest;
        } else if (op == '/') {
            denominator *= largest;
        } else {
            magnitude += termMost;
            termMost = largest;
        }
    }
    magnitude += termMost;
    const double error = 8.0 * n_ * 0x1p-53 * (magnitude + 2 * t + answerRange_ + 1);
    if (denominator * largest * error >= 0.5) return INFINITY;
    return MostDivisors(t);
}

void LastOperandDraw::SolveLast(const ChainValue& prefix, const std::string& operators,
                                const int32_t* rest, int32_t restCount,
                                std::vector<int32_t>& solutions, double enough) const {
    solutions.clear();
    const char last = operators.back();
    const auto value = [&](int32_t x) {
        ChainValue chain = prefix;
        chain.Take(last, x);
        return chain.Value();
    };
    const auto used = [&](int32_t x) {
        return std::find(rest, rest + restCount, x) != rest + restCount;
    };
    const auto takeUnused = [&](int32_t x) {
        if (!used(x)) solutions.push_back(x);
    };
    const double range = answerRange_;
    const double atLeast = value(1);
    const double atMost = value(largest_);
    // Most rests are settled here: no x brings the value into range.
    if (std::max(atLeast, atMost) < 0 || std::min(atLeast, atMost) >= range) return;
    // Each whole value in range from at most one x: no more solutions than such values.
    const double leastWhole = std::max(0.0, std::ceil(std::min(atLeast, atMost)));
    const double mostWhole = std::min(range - 1, std::floor(std::max(atLeast, atMost)));
    if (mostWhole - leastWhole + 1 <= enough) return;
    if (prefix.FirstTerm() && (last == '*' || last == '/')) {
        const double t = prefix.Term();
        // t / x rounds to a whole j only where t lies within t * 2^-52 of the whole j * x: a t
        // farther from every whole number has no x at all.
        if (last == '/' && std::abs(t - std::nearbyint(t)) > t * 0x1p-50) return;
    }
    if ((last == '*' || last == '/') && mostWhole - leastWhole + 1 <= kFewWholes) {
        // Few whole values: the x of each directly, which beats the exact arithmetic's
        // fractions.
        SolveByWholes(prefix, last, largest_, leastWhole, mostWhole, atLeast <= atMost, value,
                      takeUnused);
        return;
    }
    // Many of the others here: the exact arithmetic leaves no x, or few, that give a whole value.
    const WholeCandidates candidates =
        FindWholeCandidates(rest, operators, largest_, answerRange_, prefix.Value());
    if (candidates.kind == WholeCandidates::Kind::None) return;
    const auto tryProgression = [&](int64_t low, int64_t high) {
        const int64_t step = candidates.step;
        int64_t x = candidates.first;
        if (x < low) x += (low - x + step - 1) / step * step;
        for (; x <= high; x += step) {
            const auto y = static_cast<int32_t>(x);
            if (IsAcceptableValue(value(y), answerRange_) && !used(y)) solutions.push_back(y);
        }
    };
    const bool progression = candidates.kind == WholeCandidates::Kind::Progression;
    const auto inProgression = [&](int64_t low, int64_t high) {
        const int64_t step = candidates.step;
        const int64_t first =
            candidates.first >= low
                ? candidates.first
                : candidates.first + (low - candidates.first + step - 1) / step * step;
        return first > high ? 0 : (high - first) / step + 1;
    };
    if (progression) {
        const int64_t count = inProgression(1, largest_);
        if (static_cast<double>(count) <= enough) return;
        if (count <= kFewCandidates) {
            tryProgression(1, largest_);
            return;
        }
    }
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
    if (progression) {
        if (static_cast<double>(inProgression(from, to)) > enough) tryProgression(from, to);
        return;
    }
    if ((last == '+' || last == '-') && std::abs(prefix.Value()) < 0x1p52 &&
        prefix.Value() == std::floor(prefix.Value())) {
        // A whole rest plus or minus a whole x is whole and exact: every x between the ends
        // gives a value in range.
        for (int32_t x = from; x <= to; ++x) {
            takeUnused(x);
        }
        return;
    }
    if (candidates.kind == WholeCandidates::Kind::Divisors) {
        // x divides p: by x where the range is short, by the quotient p / x otherwise.
        const int64_t p = candidates.dividend;
        const auto take = [&](int64_t x) {
            const auto y = static_cast<int32_t>(x);
            if (IsAcceptableValue(value(y), answerRange_) && !used(y)) solutions.push_back(y);
        };
        const int64_t leastQuotient = p / to;
        const int64_t mostQuotient = p / from;
        if (span <= static_cast<double>(mostQuotient - leastQuotient + 1)) {
            for (int64_t x = from; x <= to; ++x) {
                if (p % x == 0) take(x);
            }
        } else {
            for (int64_t j = std::max<int64_t>(leastQuotient, 1); j <= mostQuotient; ++j) {
                if (p % j == 0 && p / j >= from && p / j <= to) take(p / j);
            }
            std::reverse(solutions.begin(), solutions.end());
        }
        return;
    }
    const auto tryEach = [&] {
        for (int32_t x = from; x <= to; ++x) {
            if (IsAcceptableValue(value(x), answerRange_) && !used(x)) solutions.push_back(x);
        }
    };
    if (last == '*' || last == '/') {
        // A step a whole value, or one an x where there are fewer x than whole values.
        if (span > 2 * wholes) {
            SolveByWholes(prefix, last, largest_, std::ceil(low), std::floor(high), rising, value,
                          takeUnused);
        } else {
            tryEach();
        }
        return;
    }
    if (span <= wholes * (std::log2(span) + 2)) {
        tryEach();
        return;
    }
    // Here x is a term of its own, so each whole value comes from at most one x: find it by a
    // search that starts where the arithmetic puts it and gallops out from there, which is
    // right for any monotone value and quick when the guess is close.
    const auto guess = [&](double j) {
        const double x = last == '+' ? j - prefix.Value() : prefix.Value() - j;
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

    if (firstSolved_[pattern] != 0) return DrawFirst(feed, pattern, operators, operands);
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

    const double bound = drawBound_[pattern];
    if (bound >= 1) {
        // The blind draw of x, kept when acceptable: probability A, as the bound 1 asks.
        const int32_t x = DrawOperand(feed, largest, reciprocal, operands.data(), n_ - 1);
        operands.back() = x;
        ChainValue chain = prefix;
        chain.Take(last, x);
        return IsAcceptableValue(chain.Value(), answerRange_);
    }

    const double keep = feed.Unit();
    return Complete(prefix, operators, bound, keep, feed.Unit(), operands);
}

bool LastOperandDraw::Complete(const ChainValue& prefix, const std::string& operators, double bound,
                               double keep, double pick, std::vector<int32_t>& operands) const {
    thread_local std::vector<int32_t> solutions;
    // Rests whose solutions are provably too few for `keep` are turned down without finding
    // them: A is at most heaviestLast_ for each.
    SolveLast(prefix, operators, operands.data(), n_ - 1, solutions, keep * bound / heaviestLast_);
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

template <typename Feed>
bool LastOperandDraw::DrawFirst(Feed& feed, size_t pattern, const std::string& operators,
                                std::vector<int32_t>& operands) const {
    operands.resize(static_cast<size_t>(n_));
    const auto largest = static_cast<uint32_t>(largest_);
    const uint64_t reciprocal = ((uint64_t{1} << 30) + largest - 1) / largest;
    // Operands 2 to n, each drawn on its own: P(rest) is the product of w(v) / 32768.
    for (int32_t k = 1; k < n_; ++k) {
        const int32_t v = DrawOperand(feed, largest, reciprocal, nullptr, 0);
        if (std::find(operands.begin() + 1, operands.begin() + k, v) != operands.begin() + k)
            return false;
        operands[static_cast<size_t>(k)] = v;
    }
    return FinishFirst(pattern, operators, operands, feed.Unit(), [&] { return feed.Unit(); });
}

template <typename Pick>
bool LastOperandDraw::FinishFirst(size_t pattern, const std::string& operators,
                                  std::vector<int32_t>& operands, double keep,
                                  const Pick& pick) const {
    const double bound = drawBound_[pattern];
    thread_local std::vector<int32_t> solutions;
    thread_local std::vector<double> weights;
    // Each solution weighs at most heaviestFirst_: too few of them cannot reach `keep`.
    SolveFirst(operators, operands, firstRounding_[pattern], solutions,
               keep * bound / heaviestFirst_);
    if (solutions.empty()) return false;
    // a with w(a) / 32768 times the RedrawFactor of the whole candidate, which turns the
    // independent draws into the blind draw's odds.
    weights.clear();
    double total = 0;
    for (const int32_t a : solutions) {
        operands.front() = a;
        const double w = odds_.operandWeight[static_cast<size_t>(a - 1)] / double{kDrawSpan} *
                         RedrawFactor(odds_, operands.data(), n_);
        weights.push_back(w);
        total += w;
    }
    if (keep * bound >= total) return false;
    double chosen = pick() * total;
    for (size_t i = 0; i < solutions.size(); ++i) {
        if (chosen < weights[i] || i + 1 == solutions.size()) {
            operands.front() = solutions[i];
            break;
        }
        chosen -= weights[i];
    }
    return true;
}

void LastOperandDraw::SolveFirst(const std::string& operators, std::vector<int32_t>& operands,
                                 double e, std::vector<int32_t>& solutions, double enough) const {
    solutions.clear();
    const auto value = [&](int32_t a) {
        ChainValue chain(a);
        for (int32_t k = 1; k < n_; ++k)
            chain.Take(operators[static_cast<size_t>(k - 1)], operands[static_cast<size_t>(k)]);
        return chain.Value();
    };
    const auto take = [&](int32_t a) {
        if (std::find(operands.begin() + 1, operands.end(), a) == operands.end())
            solutions.push_back(a);
    };
    // The first term enters the sum with a plus sign and rounding is monotone, so the value
    // never falls as a grows.
    const double atLeast = value(1);
    const double atMost = value(largest_);
    if (!(atMost >= 0) || !(atLeast < answerRange_)) return;
    const double least = std::max(0.0, std::ceil(atLeast));
    const double most = std::min<double>(answerRange_ - 1, std::floor(atMost));
    // Each whole value from at most one a: no more solutions than such values.
    if (most - least + 1 <= enough) return;

    // In exact arithmetic the value is a k + r: k the quotient of the first term's other
    // operands, r the other terms' sum (the value at a = 0). Each is worked out here within
    // the rounding bound e, which is at most an eighth of k (see FirstResolvable), so the a
    // that gives a whole j lies within a quarter of (j - r) / k.
    double k = 1;
    bool wholeFactor = true;
    for (int32_t g = 0; g + 1 < n_; ++g) {
        const char op = operators[static_cast<size_t>(g)];
        if (op == '+' || op == '-') break;
        const auto x = static_cast<double>(operands[static_cast<size_t>(g + 1)]);
        k = op == '*' ? k * x : k / x;
        wholeFactor = wholeFactor && op == '*';
    }
    const double r = value(0);
    if (wholeFactor) {
        // a k is whole, so the value can be whole only where r lies within 2e of a whole
        // number; then each a whose value lies in range is tried.
        if (std::abs(r - std::nearbyint(r)) > 2 * e) return;
        const auto from = static_cast<int32_t>(std::max(1.0, std::floor((least - r) / k) - 1));
        const auto to =
            static_cast<int32_t>(std::min<double>(largest_, std::ceil((most - r) / k) + 1));
        for (int32_t a = from; a <= to; ++a) {
            if (IsAcceptableValue(value(a), answerRange_)) take(a);
        }
        return;
    }
    for (double j = least; j <= most; ++j) {
        const double near = (j - r) / k;
        const double a = std::nearbyint(near);
        if (std::abs(near - a) > 0.3 || a < 1 || a > largest_) continue;
        if (value(static_cast<int32_t>(a)) == j) take(static_cast<int32_t>(a));
    }
}

std::optional<std::vector<int32_t>> LastOperandDraw::AcceptableFirstOperands(
    const std::vector<int32_t>& rest, const std::string& operators) const {
    if (rest.size() + 1 != static_cast<size_t>(n_) || operators.size() != rest.size() ||
        !FirstResolvable(operators))
        return std::nullopt;
    std::vector<int32_t> operands{0};
    operands.insert(operands.end(), rest.begin(), rest.end());
    std::vector<int32_t> solutions;
    double step = 0;
    SolveFirst(operators, operands, FirstRounding(operators, step), solutions, -1);
    return solutions;
}

double LastOperandDraw::KeepScale() const {
    // Complete turns down a rest whose solutions number no more than keep * bound /
    // heaviestLast_; the least such scale holds for every pattern.
    double least = 0;
    for (const double b : bound_) {
        if (b < 1 && (least == 0 || b / heaviestLast_ < least)) least = b / heaviestLast_;
    }
    return least;
}

std::optional<double> LastOperandDraw::SharedBound() const {
    const double first = bound_.front();
    if (first >= 1) return std::nullopt;
    for (const double b : bound_) {
        if (b != first) return std::nullopt;
    }
    return first;
}

std::vector<int32_t> LastOperandDraw::AcceptableLastOperands(const std::vector<int32_t>& rest,
                                                             const std::string& operators) const {
    std::vector<int32_t> solutions;
    if (rest.size() + 1 != static_cast<size_t>(n_) || operators.size() != rest.size())
        return solutions;
    ChainValue prefix(rest[0]);
    for (int32_t k = 1; k + 1 < n_; ++k)
        prefix.Take(operators[static_cast<size_t>(k - 1)], rest[static_cast<size_t>(k)]);
    SolveLast(prefix, operators, rest.data(), n_ - 1, solutions, -1);
    std::sort(solutions.begin(), solutions.end());
    return solutions;
}

bool LastOperandDraw::SingleOperand(const std::string& operators, int32_t k) {
    const auto gaps = static_cast<int32_t>(operators.size());
    return (k == 0 || operators[static_cast<size_t>(k - 1)] == '+') &&
           (k == gaps || operators[static_cast<size_t>(k)] == '+');
}

size_t LastOperandDraw::PatternNumber(const std::string& operators) const {
    size_t number = 0;
    for (size_t g = operators.size(); g-- > 0;) {
        size_t digit = 0;
        while (digit + 1 < odds_.operators.size() && odds_.operators[digit].symbol != operators[g])
            ++digit;
        number = number * odds_.operators.size() + digit;
    }
    return number;
}

std::optional<LastOperandDraw::LanePatterns> LastOperandDraw::PatternsForLanes(
    double mostRedrawAll, double mostRedrawRest) const {
    const size_t symbols = odds_.operators.size();
    if (n_ - 1 > 8 || symbols > 4) return std::nullopt;
    const size_t patterns = bound_.size();
    LanePatterns table;
    for (const OperatorOdds& o : odds_.operators) table.symbols.push_back(o.symbol);
    while ((size_t{1} << table.columnBits) < patterns) ++table.columnBits;
    const size_t columns = size_t{1} << table.columnBits;

    // Each pattern's target: its blind probability times the scale at which its hits are kept,
    // the bound (and the rest's redraw bound) where its last operand is solved for, the bound
    // alone where its first is (CompleteFirst weighs in the redraws), the redraw bound of all
    // operands otherwise.
    // With "+" and no "-", no term is negative, so an operand that is a term of its own is at
    // most the value: the lanes then draw such operands below answerRange (see
    // SingleTermProposal), from 1 + (r mod singleWidth). Against independent draws restricted
    // so, value v is proposed w(v) / (Q d(v)) times as often, Q being the chance that an
    // independent operand is below the range and d(v) the share of r that give v; singleRatio
    // holds that over its greatest value rho, and a pattern's target has (Q rho)^s for its s
    // single operands drawn in the lanes.
    const bool subtracts = table.symbols.find('-') != std::string::npos;
    const bool adds = table.symbols.find('+') != std::string::npos;
    double singleScale = 1;
    if (adds && !subtracts && answerRange_ >= 2 &&
        static_cast<int64_t>(answerRange_ - 1) * 4 <= largest_) {
        table.singleWidth = static_cast<uint32_t>(answerRange_ - 1);
        std::vector<uint32_t> drawn(table.singleWidth, 0);
        for (uint32_t r = 0; r < kDrawSpan; ++r) ++drawn[r % table.singleWidth];
        uint64_t below = 0;
        for (uint32_t v = 1; v <= table.singleWidth; ++v) below += odds_.operandWeight[v - 1];
        const double q = static_cast<double>(below) / kDrawSpan;
        table.singleRatio.resize(table.singleWidth);
        double most = 0;
        for (uint32_t v = 1; v <= table.singleWidth; ++v) {
            table.singleRatio[v - 1] = odds_.operandWeight[v - 1] / (q * drawn[v - 1]);
            most = std::max(most, table.singleRatio[v - 1]);
        }
        for (double& ratio : table.singleRatio) ratio /= most;
        singleScale = q * most;
    }
    // Up to four keep scales, each a bound over the likeliest last operand's weight that some
    // solved pattern has: the least, and the three that the most patterns have. Each solved
    // pattern takes the greatest of them at most its own.
    std::map<double, size_t> scaleCounts;
    for (size_t p = 0; p < patterns; ++p) {
        if (bound_[p] < 1 && firstSolved_[p] == 0) ++scaleCounts[bound_[p] / heaviestLast_];
    }
    std::vector<double> scales;
    if (!scaleCounts.empty()) {
        std::vector<std::pair<size_t, double>> byCount;
        for (const auto& [scale, count] : scaleCounts) byCount.emplace_back(count, scale);
        std::sort(byCount.begin(), byCount.end(), std::greater<>());
        scales.push_back(scaleCounts.begin()->first);
        for (size_t i = 0; i < byCount.size() && scales.size() < 4; ++i) {
            if (byCount[i].second != scales.front()) scales.push_back(byCount[i].second);
        }
        std::sort(scales.begin(), scales.end());
    }
    for (size_t c = 0; c < scales.size(); ++c) table.keepScales[c] = scales[c];
    const auto scaleClass = [&](double scale) {
        uint64_t c = 0;
        while (c + 1 < scales.size() && scales[c + 1] <= scale) ++c;
        return c;
    };
    std::vector<double> target(patterns);
    std::vector<uint64_t> packed(patterns);
    table.solved.resize(patterns);
    table.first.resize(patterns);
    std::string operators(static_cast<size_t>(n_ - 1), '+');
    double total = 0;
    for (size_t p = 0; p < patterns; ++p) {
        double probability = 1;
        uint64_t bits = 0;
        size_t digits = p;
        for (int32_t g = 0; g + 1 < n_; ++g, digits /= symbols) {
            const size_t digit = digits % symbols;
            probability *= odds_.operators[digit].weight / static_cast<double>(kDrawSpan);
            bits |= uint64_t{digit} << (2 * g);
            operators[static_cast<size_t>(g)] = odds_.operators[digit].symbol;
        }
        table.first[p] = firstSolved_[p];
        table.solved[p] = bound_[p] < 1 && !table.first[p] ? 1 : 0;
        if (table.solved[p])
            bits |= uint64_t{1} << 16 | scaleClass(bound_[p] / heaviestLast_) << 18;
        if (table.first[p]) {
            bits |= uint64_t{1} << 17;
            table.firstSlack = std::max(table.firstSlack, 2 * firstRounding_[p]);
        }
        packed[p] = bits;
        target[p] = probability * (table.first[p]    ? drawBound_[p]
                                   : table.solved[p] ? bound_[p] * mostRedrawRest
                                                     : mostRedrawAll);
        if (table.singleWidth > 0) {
            // The operands the lanes draw for the pattern: all but the solved one.
            const int32_t from = table.first[p] ? 1 : 0;
            const int32_t to = table.solved[p] ? n_ - 1 : n_;
            for (int32_t k = from; k < to; ++k) {
                if (SingleOperand(operators, k)) target[p] *= singleScale;
            }
        }
        total += target[p];
    }

    // Walker's alias table over all columns, the ones beyond the patterns with nothing of their
    // own; thresholds rounded up to 24 bits, so that no pattern loses its own column.
    constexpr uint64_t kOne = uint64_t{1} << 24;
    std::vector<double> scaled(columns, 0.0);
    for (size_t p = 0; p < patterns; ++p)
        scaled[p] = target[p] * static_cast<double>(columns) / total;
    const AliasColumns walker = BuildAliasColumns(std::move(scaled));
    std::vector<size_t> alias = walker.alias;
    std::vector<uint64_t> threshold(columns);
    for (size_t c = 0; c < columns; ++c)
        threshold[c] = static_cast<uint64_t>(std::ceil(walker.keep[c] * static_cast<double>(kOne)));
    // What the rounding left over keeps its own pattern, or, for a column without one, a
    // pattern's.
    for (size_t c = 0; c < columns; ++c) {
        if (c >= patterns && alias[c] == c) alias[c] = 0;
        if (threshold[c] >= kOne) {
            threshold[c] = kOne - 1;
            if (c < patterns) alias[c] = c;
        }
    }

    // The probabilities the rounded table gives, exactly as the lanes draw them.
    std::vector<double> drawn(patterns, 0.0);
    table.columns.resize(columns);
    for (size_t c = 0; c < columns; ++c) {
        const size_t own = c < patterns ? c : alias[c];
        const double ownShare = own == alias[c] ? 1.0 : static_cast<double>(threshold[c]) / kOne;
        drawn[own] += ownShare;
        if (own != alias[c]) drawn[alias[c]] += 1 - ownShare;
        table.columns[c] = threshold[c] | packed[own] << 24 | packed[alias[c]] << 44;
    }
    double most = 0;
    table.keep.resize(patterns);
    for (size_t p = 0; p < patterns; ++p) {
        if (drawn[p] <= 0) return std::nullopt;
        table.keep[p] = target[p] / drawn[p];
        most = std::max(most, table.keep[p]);
    }
    for (double& k : table.keep) k /= most;
    // A kept lane has its blind probability over columns * most.
    table.share = most * static_cast<double>(columns);
    return table;
}

bool LastOperandDraw::LanePatterns::Configure(LaneSetup& setup) const {
    if (!SetLaneOperators(symbols, setup)) return false;
    setup.patternColumns = columns.data();
    setup.patternColumnBits = columnBits;
    setup.singleWidth = singleWidth;
    setup.firstSlack = firstSlack;
    std::copy(std::begin(keepScales), std::end(keepScales), std::begin(setup.patternKeepScales));
    return true;
}

bool LastOperandDraw::CompleteRest(std::vector<int32_t>& operands, const std::string& operators,
                                   double keep, double pick) const {
    if (operands.size() != static_cast<size_t>(n_) || operators.size() + 1 != operands.size())
        return false;
    const double bound = bound_[PatternNumber(operators)];
    if (bound >= 1) return false;
    ChainValue prefix(operands[0]);
    for (int32_t k = 1; k + 1 < n_; ++k)
        prefix.Take(operators[static_cast<size_t>(k - 1)], operands[static_cast<size_t>(k)]);
    return Complete(prefix, operators, bound, keep, pick, operands);
}

bool LastOperandDraw::CompleteFirst(std::vector<int32_t>& operands, const std::string& operators,
                                    double keep, double pick) const {
    if (operands.size() != static_cast<size_t>(n_) || operators.size() + 1 != operands.size())
        return false;
    const size_t pattern = PatternNumber(operators);
    if (firstSolved_[pattern] == 0) return false;
    return FinishFirst(pattern, operators, operands, keep, [pick] { return pick; });
}
