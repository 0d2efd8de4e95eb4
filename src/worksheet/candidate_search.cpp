#include "worksheet/candidate_search.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

#include "worksheet/option_check.h"

namespace {

// How many of the 32768 values of r give each of the `width` results of r mod width.
std::vector<uint32_t> ResidueWeights(uint32_t width) {
    if (width == 0 || width >= kDrawSpan) return std::vector<uint32_t>(kDrawSpan, 1u);
    std::vector<uint32_t> weights(width, kDrawSpan / width);
    for (uint32_t i = 0; i < kDrawSpan % width; ++i) ++weights[i];
    return weights;
}

}  // namespace

DrawOdds BlindDrawOdds(const WorksheetSettings& settings) {
    DrawOdds odds;
    // RandomInRange(1, high) draws from high values, high 0 standing for 2147483647; a negative
    // high wraps to a width far above 32768.
    const int32_t high =
        settings.numberRange == 0 ? std::numeric_limits<int32_t>::max() : settings.numberRange;
    odds.operandWeight = ResidueWeights(static_cast<uint32_t>(high));
    const std::vector<uint32_t> positions =
        ResidueWeights(static_cast<uint32_t>(settings.operators.size()));
    for (size_t i = 0; i < settings.operators.size() && i < positions.size(); ++i) {
        const char symbol = settings.operators[i].empty() ? '?' : settings.operators[i].front();
        auto same = std::find_if(odds.operators.begin(), odds.operators.end(),
                                 [symbol](const OperatorOdds& o) { return o.symbol == symbol; });
        if (same == odds.operators.end()) {
            odds.operators.push_back({symbol, positions[i]});
        } else {
            same->weight += positions[i];
        }
    }
    return odds;
}

double BlindProbability(const DrawOdds& odds, const std::vector<int32_t>& operands,
                        std::string_view operators) {
    if (operands.empty() || operators.size() + 1 != operands.size()) return 0;
    double probability = 1;
    for (const char symbol : operators) {
        const auto found =
            std::find_if(odds.operators.begin(), odds.operators.end(),
                         [symbol](const OperatorOdds& o) { return o.symbol == symbol; });
        if (found == odds.operators.end()) return 0;
        probability = probability * found->weight / kDrawSpan;
    }
    uint32_t usedWeight = 0;
    for (size_t k = 0; k < operands.size(); ++k) {
        const int32_t v = operands[k];
        if (v < 1 || static_cast<size_t>(v) > odds.operandWeight.size()) return 0;
        if (std::find(operands.begin(), operands.begin() + static_cast<ptrdiff_t>(k), v) !=
            operands.begin() + static_cast<ptrdiff_t>(k))
            return 0;
        const uint32_t weight = odds.operandWeight[static_cast<size_t>(v - 1)];
        probability = probability * weight / static_cast<double>(kDrawSpan - usedWeight);
        usedWeight += weight;
    }
    return probability;
}

double MostLikelyCandidate(const DrawOdds& odds, int32_t n) {
    // The heaviest value at every position, after earlier positions took the heaviest values
    // too, which leaves the least weight to share. Rounded up a little so that the bound holds
    // for the rounded probabilities too.
    const uint32_t heaviest =
        odds.operandWeight.empty()
            ? 0
            : *std::max_element(odds.operandWeight.begin(), odds.operandWeight.end());
    uint32_t heaviestOperator = 0;
    for (const OperatorOdds& o : odds.operators)
        heaviestOperator = std::max(heaviestOperator, o.weight);
    double bound = 1;
    for (int32_t k = 0; k < n; ++k) {
        if (k > 0) bound = bound * heaviestOperator / kDrawSpan;
        const uint64_t taken = uint64_t{heaviest} * static_cast<uint64_t>(k);
        if (taken >= kDrawSpan) return 1;
        bound = bound * heaviest / static_cast<double>(kDrawSpan - taken);
    }
    return std::min(1.0, bound * (1 + 1e-12));
}

// The product of span / (span - used) over the positions after the first, with one division:
// the judging of lane hits calls it for every hit. Nine factors up to 2^15 stay far inside the
// range of doubles.
template <typename WeightAt>
double RedrawProduct(int32_t n, const WeightAt& weightAt) {
    double spans = 1;
    double rests = 1;
    uint32_t usedWeight = 0;
    for (int32_t k = 0; k < n; ++k) {
        if (k > 0) {
            spans *= kDrawSpan;
            rests *= static_cast<double>(kDrawSpan - usedWeight);
        }
        usedWeight += weightAt(k);
    }
    return spans / rests;
}

double RedrawFactor(const DrawOdds& odds, const int32_t* operands, int32_t n) {
    return RedrawProduct(
        n, [&](int32_t k) { return odds.operandWeight[static_cast<size_t>(operands[k] - 1)]; });
}

// RedrawFactor for the n weights that come first in this order.
template <typename Order>
double RedrawFactorOfFirst(const DrawOdds& odds, int32_t n, const Order& order) {
    std::vector<uint32_t> weights = odds.operandWeight;
    const size_t taken = std::min(weights.size(), static_cast<size_t>(std::max(n, 0)));
    std::partial_sort(weights.begin(), weights.begin() + static_cast<ptrdiff_t>(taken),
                      weights.end(), order);
    return RedrawProduct(static_cast<int32_t>(taken),
                         [&](int32_t k) { return weights[static_cast<size_t>(k)]; });
}

double MostRedrawFactor(const DrawOdds& odds, int32_t n) {
    return RedrawFactorOfFirst(odds, n, std::greater<>());
}

double LeastRedrawFactor(const DrawOdds& odds, int32_t n) {
    // Below the rounded products of any heavier operands.
    return RedrawFactorOfFirst(odds, n, std::less<>()) * (1 - 1e-12);
}

std::string CandidateText(std::span<const int32_t> operands, std::string_view operators) {
    // Written in place and copied out once, in pieces only for very long chains: a question's
    // text is short, and usually fits in the string itself.
    char piece[128];
    char* at = piece;
    std::string text;
    for (size_t i = 0; i < operands.size(); ++i) {
        // An operator and an operand take at most 12 characters.
        if (piece + sizeof piece - at < 12) {
            text.append(piece, static_cast<size_t>(at - piece));
            at = piece;
        }
        if (i > 0) *at++ = operators[i - 1];
        at = std::to_chars(at, piece + sizeof piece, operands[i]).ptr;
    }
    if (text.empty()) return std::string(piece, static_cast<size_t>(at - piece));
    return text.append(piece, static_cast<size_t>(at - piece));
}

// --- Bounds -------------------------------------------------------------------------------------

ChainBounds::ChainBounds(const WorksheetSettings& settings, uint32_t largestOperand)
    : answerRange_(static_cast<double>(settings.answerRange)),
      largest_(static_cast<int32_t>(largestOperand)) {
    for (const std::string& symbol : settings.operators) {
        const char c = symbol.empty() ? '?' : symbol.front();
        add_ = add_ || c == '+';
        subtract_ = subtract_ || c == '-';
        multiply_ = multiply_ || c == '*';
        divide_ = divide_ || c == '/';
    }
    // With both + and - every bound is open until the last operand, and so it is for × with ÷
    // alone, one term that may grow or shrink without end.
    canCut_ = (!add_ || !subtract_) && (add_ || subtract_ || !multiply_ || !divide_);
}

// The three bounds below count the values above `floor` as if none were used yet: a sum or
// product of distinct unused values is never below that of the smallest values above the floor,
// and a sum never above that of the largest values. The slack is a few values at most, and it
// keeps the bounds cheap enough for every step of the blind loop.

double ChainBounds::SmallestUnusedSum(int32_t k, int32_t floor) const {
    // Fewer values than needed are left: no finish exists at all.
    if (static_cast<int64_t>(floor) + k > largest_) return std::numeric_limits<double>::infinity();
    const double n = k;
    return n * floor + n * (n + 1) / 2;
}

double ChainBounds::LargestUnusedSum(int32_t k) const {
    const double n = std::min(k, largest_);
    return n * largest_ - n * (n - 1) / 2;
}

double ChainBounds::SmallestUnusedProduct(int32_t k, int32_t floor) const {
    if (static_cast<int64_t>(floor) + k > largest_) return std::numeric_limits<double>::infinity();
    double product = 1;
    for (int32_t v = floor + 1; v <= floor + k; ++v) product *= v;
    return product;
}

ChainBounds::Verdict ChainBounds::Judge(const ChainValue& chain, int32_t remaining,
                                        int32_t floor) const {
    if (!canCut_ || remaining <= 0) return Verdict::Open;
    const double sum = chain.Sum();
    const double term = chain.Term();
    const bool onlyAdd = add_ && !subtract_ && !multiply_ && !divide_;
    const bool onlySubtract = subtract_ && !add_ && !multiply_ && !divide_;
    const bool onlyMultiply = multiply_ && !add_ && !subtract_ && !divide_;
    const bool onlyDivide = divide_ && !add_ && !subtract_ && !multiply_;

    if (!subtract_) {
        // Every term is added. Factors of 1 or more never shrink the open term; a divisor may,
        // but a term stays positive, so the closed sum is a floor either way.
        double least;
        if (onlyAdd) {
            least = sum + term + SmallestUnusedSum(remaining, floor);
        } else if (onlyMultiply) {
            least = term * SmallestUnusedProduct(remaining, floor);
        } else if (!divide_) {
            // + and ×: an operand x added raises the value by x, one multiplied into a term of
            // 1 or more by at least x - 1, so the remaining ones add at least their sum less
            // their number.
            least = sum + term + SmallestUnusedSum(remaining, floor) - remaining;
        } else {
            least = sum;
        }
        if (least >= answerRange_) return Verdict::TooLarge;
    }
    if (onlySubtract) {
        // Whole numbers throughout: the value falls by the remaining operands' sum.
        const double value = chain.Value();
        if (value - SmallestUnusedSum(remaining, floor) < 0) return Verdict::TooSmall;
        if (value - LargestUnusedSum(remaining) >= answerRange_) return Verdict::TooLarge;
    } else if (!add_) {
        // Every later term is subtracted. Without a divisor the open term only grows.
        if (!chain.FirstTerm()) {
            const double most = divide_ ? sum : sum - term;
            if (most < 0) return Verdict::TooSmall;
        }
    }
    if (onlyDivide) {
        // The first operand divided by the others: a quotient that is a fraction now can only
        // become whole through rounding, and with operands of at most 32768 the rounding error
        // stays far below the distance of such a fraction to the nearest whole number. A
        // quotient below the smallest product of the remaining divisors ends below 1.
        if (term != static_cast<double>(static_cast<int64_t>(term))) return Verdict::NotWhole;
        if (term < SmallestUnusedProduct(remaining, floor)) return Verdict::TooSmall;
    }
    return Verdict::Open;
}

// --- Search -------------------------------------------------------------------------------------

SearchOrder OrderFor(const WorksheetSettings& settings) {
    for (const std::string& symbol : settings.operators) {
        if (symbol != settings.operators.front()) return SearchOrder::Weighted;
    }
    return settings.operators.empty() ? SearchOrder::Weighted : SearchOrder::Sets;
}

int32_t FirstFreeOperand(const WorksheetSettings& settings) {
    const bool fromFirst = !settings.operators.empty() &&
                           (settings.operators.front() == "-" || settings.operators.front() == "/");
    return fromFirst ? 1 : 0;
}

namespace {

class Search {
public:
    Search(const WorksheetSettings& settings, const SearchLimits& limits, SearchOrder order)
        : order_(order),
          firstFree_(order == SearchOrder::Sets ? FirstFreeOperand(settings) : 0),
          odds_(BlindDrawOdds(settings)),
          largest_(static_cast<int32_t>(odds_.operandWeight.size())),
          bounds_(settings, static_cast<uint32_t>(largest_)),
          n_(settings.operandCount),
          answerRange_(settings.answerRange),
          limits_(limits),
          operands_(static_cast<size_t>(std::max(n_, 1)), 0),
          operators_(static_cast<size_t>(std::max(n_ - 1, 0)), '+'),
          used_(static_cast<size_t>(largest_) + 1, false) {}

    SearchTotals Run(const std::vector<double>* targets, std::vector<ExactCandidate>* picks) {
        targets_ = targets;
        picks_ = picks;
        if (n_ >= 2 && !odds_.operators.empty()) Root();
        totals_.steps = steps_;
        return totals_;
    }

private:
    // Whether the operand loop after a bound cut may stop: the bound holds for every larger
    // operand too, because the chain's value moves the same way as the operand.
    static bool Rises(char op, const ChainValue& before) {
        switch (op) {
            case '+':
                return true;
            case '-':
                return false;
            case '*':
                return before.FirstTerm() || !before.Subtracted();
            default:
                return !before.FirstTerm() && before.Subtracted();
        }
    }

    static bool StopsLoop(ChainBounds::Verdict verdict, bool rises) {
        return (verdict == ChainBounds::Verdict::TooLarge && rises) ||
               (verdict == ChainBounds::Verdict::TooSmall && !rises);
    }

    bool Weighted() const { return order_ == SearchOrder::Weighted; }

    // The least operand worth trying at position i: in a Sets search, the free operands rise.
    int32_t LeastAt(int32_t i) const {
        if (!Weighted() && i > firstFree_) return operands_[static_cast<size_t>(i - 1)] + 1;
        return 1;
    }

    // What every operand after position i is known to exceed.
    int32_t FloorAfter(int32_t i) const {
        if (!Weighted() && i >= firstFree_) return operands_[static_cast<size_t>(i)];
        return 0;
    }

    bool Tick(uint64_t steps) {
        steps_ += steps;
        if (steps_ >= nextCheck_) {
            nextCheck_ = steps_ + kStepsPerCheck;
            if (steps_ > limits_.stepBudget) {
                Stop(SearchOutcome::OutOfBudget);
            } else if (limits_.enoughCount > 0 && totals_.count >= limits_.enoughCount) {
                Stop(SearchOutcome::Stopped);
            } else if (limits_.keepGoing && !limits_.keepGoing(Done())) {
                Stop(SearchOutcome::Stopped);
            }
        }
        return !stopped_;
    }

    // How far the walk has come, by the first two operands' places in their loops.
    double Done() const {
        const double size = largest_;
        const double second = n_ > 1 ? (operands_[1] - 1) / size : 0;
        return (operands_[0] - 1 + std::clamp(second, 0.0, 1.0)) / size;
    }

    void Stop(SearchOutcome outcome) {
        totals_.outcome = outcome;
        stopped_ = true;
    }

    void Leaf(double probability) {
        ++totals_.count;
        totals_.probability += probability;
        if (targets_ == nullptr) return;
        while (nextTarget_ < targets_->size() && totals_.probability > (*targets_)[nextTarget_]) {
            picks_->push_back({operands_, operators_});
            ++nextTarget_;
        }
    }

    void Root() {
        const int32_t remaining = n_ - 1;
        for (int32_t x = 1; x <= largest_; ++x) {
            if (!Tick(1)) return;
            operands_[0] = x;
            const ChainValue chain(x);
            const ChainBounds::Verdict verdict = bounds_.Judge(chain, remaining, FloorAfter(0));
            if (verdict == ChainBounds::Verdict::TooLarge) break;  // the value rises with x
            if (verdict != ChainBounds::Verdict::Open) continue;
            const uint32_t weight = odds_.operandWeight[static_cast<size_t>(x - 1)];
            used_[static_cast<size_t>(x)] = true;
            Place(1, chain, Weighted() ? static_cast<double>(weight) / kDrawSpan : 1, weight);
            used_[static_cast<size_t>(x)] = false;
            if (stopped_) return;
        }
    }

    // Places operand i (operands 0 to i - 1 are placed) after each operator in turn.
    void Place(int32_t i, const ChainValue& chain, double probability, uint32_t usedWeight) {
        const int32_t remaining = n_ - i - 1;
        const double free = static_cast<double>(kDrawSpan - usedWeight);
        for (const OperatorOdds& op : odds_.operators) {
            operators_[static_cast<size_t>(i - 1)] = op.symbol;
            const double withOperator = probability * op.weight / kDrawSpan;
            const bool rises = Rises(op.symbol, chain);
            if (remaining == 0) {
                Last(chain, op.symbol, rises, withOperator, free);
                if (stopped_) return;
                continue;
            }
            if (!Weighted() && remaining == 1 && (op.symbol == '+' || op.symbol == '-')) {
                LastTwo(i, chain, op.symbol);
                if (stopped_) return;
                continue;
            }
            for (int32_t x = LeastAt(i); x <= largest_; ++x) {
                if (!Tick(1)) return;
                if (used_[static_cast<size_t>(x)]) continue;
                ChainValue next = chain;
                next.Take(op.symbol, x);
                operands_[static_cast<size_t>(i)] = x;
                const ChainBounds::Verdict verdict = bounds_.Judge(next, remaining, FloorAfter(i));
                if (verdict != ChainBounds::Verdict::Open) {
                    if (StopsLoop(verdict, rises)) break;
                    continue;
                }
                const uint32_t weight = odds_.operandWeight[static_cast<size_t>(x - 1)];
                used_[static_cast<size_t>(x)] = true;
                Place(i + 1, next, Weighted() ? withOperator * weight / free : 1,
                      usedWeight + weight);
                used_[static_cast<size_t>(x)] = false;
                if (stopped_) return;
            }
        }
    }

    // The last two operands of a set of sums or differences of whole numbers, x below y: the
    // value is whole for every pair, and the y that keep it from 0 to below the answer range
    // form an interval that follows from x directly.
    void LastTwo(int32_t i, const ChainValue& chain, char op) {
        operators_[static_cast<size_t>(i)] = op;
        const double before = chain.Value();
        const double range = static_cast<double>(answerRange_);
        for (int32_t x = LeastAt(i); x < largest_; ++x) {
            if (!Tick(1)) return;
            if (used_[static_cast<size_t>(x)]) continue;
            const double after = op == '+' ? before + x : before - x;
            // Sums: after + y below the range. Differences: after - y from 0 to below it.
            const double lowest = op == '+' ? -after : after - range + 1;
            const double highest = op == '+' ? range - 1 - after : after;
            // Both ends only fall behind x + 1 as x grows.
            if (highest < x + 1) break;
            const auto from = static_cast<int32_t>(std::max<double>(x + 1, lowest));
            const auto to = static_cast<int32_t>(std::min<double>(largest_, highest));
            if (from > to) continue;
            operands_[static_cast<size_t>(i)] = x;
            Interval(from, to);
            if (stopped_) return;
        }
    }

    double Finish(const ChainValue& chain, char op, int32_t x) const {
        ChainValue last = chain;
        last.Take(op, x);
        return last.Value();
    }

    // The last operand. The value is monotonic in it, so the operands that keep it from 0 to
    // below the answer range form one interval, found by bisection.
    void Last(const ChainValue& chain, char op, bool rises, double probability, double free) {
        const double range = static_cast<double>(answerRange_);
        // In rising order of x the predicate "value is past the far end" turns true once; so
        // does "value has reached the near end".
        const auto firstWhere = [&](auto predicate) {
            int32_t low = 1, high = largest_ + 1;
            while (low < high) {
                const int32_t mid = low + (high - low) / 2;
                if (predicate(Finish(chain, op, mid))) {
                    high = mid;
                } else {
                    low = mid + 1;
                }
            }
            return low;
        };
        int32_t from, to;
        if (rises) {
            from = firstWhere([](double v) { return v >= 0; });
            to = firstWhere([range](double v) { return v >= range; }) - 1;
        } else {
            from = firstWhere([range](double v) { return v < range; });
            to = firstWhere([](double v) { return v < 0; }) - 1;
        }
        if (!Tick(40)) return;
        const size_t last = static_cast<size_t>(n_ - 1);
        from = std::max(from, LeastAt(n_ - 1));
        if (!Weighted() && op != '/') {
            // Sums, differences and products of whole numbers are whole: every unused operand in
            // the interval finishes an acceptable set.
            if (from <= to) Interval(from, to);
            return;
        }
        for (int32_t x = from; x <= to; ++x) {
            if ((x & 1023) == 0 && !Tick(1024)) return;
            if (used_[static_cast<size_t>(x)]) continue;
            if (!IsAcceptableValue(Finish(chain, op, x), answerRange_)) continue;
            operands_[last] = x;
            Leaf(Weighted() ? probability * odds_.operandWeight[static_cast<size_t>(x - 1)] / free
                            : 1);
        }
    }

    // Every unused operand from `from` to `to` as the last one, each weighted 1.
    void Interval(int32_t from, int32_t to) {
        const int32_t placed = n_ - 1;
        uint64_t count = static_cast<uint64_t>(to - from + 1);
        for (int32_t j = 0; j < placed; ++j) {
            const int32_t v = operands_[static_cast<size_t>(j)];
            if (v >= from && v <= to) --count;
        }
        if (count == 0) return;
        const double before = totals_.probability;
        totals_.count += count;
        totals_.probability += static_cast<double>(count);
        if (targets_ == nullptr) return;
        while (nextTarget_ < targets_->size() && totals_.probability > (*targets_)[nextTarget_]) {
            // The index among the unused operands of the interval.
            auto index = static_cast<uint64_t>((*targets_)[nextTarget_] - before);
            index = std::min(index, count - 1);
            int32_t x = from;
            for (;; ++x) {
                if (used_[static_cast<size_t>(x)]) continue;
                if (index == 0) break;
                --index;
            }
            operands_[static_cast<size_t>(placed)] = x;
            picks_->push_back({operands_, operators_});
            ++nextTarget_;
        }
    }

    static constexpr uint64_t kStepsPerCheck = 4096;

    SearchOrder order_;
    int32_t firstFree_;
    DrawOdds odds_;
    int32_t largest_;
    ChainBounds bounds_;
    int32_t n_;
    int32_t answerRange_;
    const SearchLimits& limits_;
    std::vector<int32_t> operands_;
    std::string operators_;
    std::vector<bool> used_;
    uint64_t steps_ = 0;
    uint64_t nextCheck_ = kStepsPerCheck;
    bool stopped_ = false;
    SearchTotals totals_;
    const std::vector<double>* targets_ = nullptr;
    std::vector<ExactCandidate>* picks_ = nullptr;
    size_t nextTarget_ = 0;
};

}  // namespace

SearchTotals CountAcceptable(const WorksheetSettings& settings, const SearchLimits& limits,
                             SearchOrder order) {
    Search search(settings, limits, order);
    return search.Run(nullptr, nullptr);
}

SearchTotals PickAcceptable(const WorksheetSettings& settings, const SearchLimits& limits,
                            const std::vector<double>& sortedTargets,
                            std::vector<ExactCandidate>& picks, SearchOrder order) {
    Search search(settings, limits, order);
    return search.Run(&sortedTargets, &picks);
}

// --- Draws from bounded sums --------------------------------------------------------------------

std::optional<BoundedSumDraw> BoundedSumDraw::For(const WorksheetSettings& settings) {
    BoundedSumDraw draw;
    for (const std::string& symbol : settings.operators) {
        const char c = symbol.empty() ? '?' : symbol.front();
        if (draw.symbols_.find(c) == std::string::npos) draw.symbols_.push_back(c);
    }
    const bool sums =
        !draw.symbols_.empty() && draw.symbols_.find_first_not_of("+*") == std::string::npos;
    draw.difference_ = draw.symbols_ == "-";
    if (!sums && !draw.difference_) return std::nullopt;
    draw.n_ = settings.operandCount;
    draw.answerRange_ = settings.answerRange;
    draw.largest_ = static_cast<int32_t>(BlindDrawOdds(settings).operandWeight.size());
    if (draw.n_ < 2 || draw.answerRange_ < 1) return std::nullopt;
    const int64_t n = draw.n_;
    const int64_t largest = draw.largest_;

    // The greatest sum a member of the set can have: of all operands, or of those after the
    // first.
    int64_t greatest;
    if (draw.difference_) {
        greatest = largest;
    } else {
        const int64_t timesGaps = draw.symbols_.find('*') == std::string::npos ? 0 : n - 1;
        greatest = std::min<int64_t>(int64_t{draw.answerRange_} - 1 + timesGaps, n * largest);
    }
    // Small tables only: the set is worth drawing from when the sums are few.
    constexpr int64_t kMostEntries = 1'200'000;
    if (greatest < 1 || (n + 1) * (greatest + 1) > kMostEntries) return std::nullopt;
    draw.sums_ = static_cast<int32_t>(greatest + 1);

    // Tuples(k, s) by its sliding sum over the last operand, in wrapping 128-bit arithmetic
    // beside an estimate in double precision: while the estimates stay below 2^120 the true
    // counts are below 2^128, and the wrapping sums and differences give them exactly.
    const auto sumsCount = static_cast<size_t>(draw.sums_);
    const auto rows = static_cast<size_t>(n + 1);
    draw.tuples_.assign(rows * sumsCount, 0);
    std::vector<double> estimate(rows * sumsCount, 0.0);
    constexpr double kTooMany = 0x1p120;
    draw.tuples_[0] = 1;
    estimate[0] = 1;
    for (size_t k = 1; k < rows; ++k) {
        Count* row = &draw.tuples_[k * sumsCount];
        const Count* previous = &draw.tuples_[(k - 1) * sumsCount];
        double* rowEstimate = &estimate[k * sumsCount];
        const double* previousEstimate = &estimate[(k - 1) * sumsCount];
        for (size_t s = 1; s < sumsCount; ++s) {
            row[s] = row[s - 1] + previous[s - 1];
            rowEstimate[s] = rowEstimate[s - 1] + previousEstimate[s - 1];
            if (s > static_cast<size_t>(largest)) {
                row[s] -= previous[s - 1 - static_cast<size_t>(largest)];
                rowEstimate[s] -= previousEstimate[s - 1 - static_cast<size_t>(largest)];
            }
            if (rowEstimate[s] >= kTooMany) return std::nullopt;
        }
    }

    Count total = 0;
    double totalEstimate = 0;
    for (int32_t s = 0; s < draw.sums_; ++s) {
        Count members = draw.Tuples(draw.difference_ ? draw.n_ - 1 : draw.n_, s);
        if (members == 0) continue;
        if (draw.difference_) {
            const int64_t firstLow = std::max<int64_t>(s, 1);
            const int64_t firstHigh =
                std::min<int64_t>(largest, s + int64_t{draw.answerRange_} - 1);
            const auto firsts = static_cast<Count>(firstHigh - firstLow + 1);
            if (static_cast<double>(members) * static_cast<double>(firsts) >= kTooMany)
                return std::nullopt;
            members *= firsts;
        }
        total += members;
        totalEstimate += static_cast<double>(members);
        if (totalEstimate >= kTooMany) return std::nullopt;
        draw.sumOf_.push_back(s);
        draw.upTo_.push_back(total);
    }
    if (total == 0) return std::nullopt;
    draw.share_ = static_cast<double>(total) / std::pow(static_cast<double>(largest), draw.n_);
    return draw;
}

void BoundedSumDraw::Unrank(Count rank, int32_t k, int32_t s, int32_t* out) const {
    for (int32_t position = 0; position + 1 < k; ++position) {
        const int32_t after = k - position - 1;
        // The operands after this one hold at most largest_ each.
        int32_t x = std::max<int32_t>(1, s - after * largest_);
        for (;; ++x) {
            const Count members = Tuples(after, s - x);
            if (rank < members) break;
            rank -= members;
        }
        out[position] = x;
        s -= x;
    }
    out[k - 1] = s;
}

BoundedSumDraw::Count BoundedSumDraw::Below(const std::function<uint64_t()>& randomBits,
                                            Count bound) {
    // 128 random bits, drawn again while they fall in the incomplete last round of bound
    // values, which holds less than half of them.
    const Count threshold = (Count{0} - bound) % bound;
    for (;;) {
        const Count bits = (Count{randomBits()} << 64) | randomBits();
        if (bits >= threshold) return bits % bound;
    }
}

void BoundedSumDraw::Draw(const std::function<uint64_t()>& randomBits,
                          std::vector<int32_t>& operands, std::string& operators) const {
    operands.resize(static_cast<size_t>(n_));
    operators.resize(static_cast<size_t>(n_ - 1));
    const Count t = Below(randomBits, upTo_.back());
    const auto index =
        static_cast<size_t>(std::upper_bound(upTo_.begin(), upTo_.end(), t) - upTo_.begin());
    Count rank = t - (index == 0 ? 0 : upTo_[index - 1]);
    const int32_t s = sumOf_[index];
    if (difference_) {
        const int64_t firstLow = std::max<int64_t>(s, 1);
        const int64_t firstHigh = std::min<int64_t>(largest_, s + int64_t{answerRange_} - 1);
        const auto firsts = static_cast<Count>(firstHigh - firstLow + 1);
        operands[0] = static_cast<int32_t>(firstLow + static_cast<int64_t>(rank % firsts));
        Unrank(rank / firsts, n_ - 1, s, operands.data() + 1);
    } else {
        Unrank(rank, n_, s, operands.data());
    }
    for (char& op : operators) {
        op = symbols_.size() == 1
                 ? symbols_.front()
                 : symbols_[static_cast<size_t>(Below(randomBits, symbols_.size()))];
    }
}

double MostDivisors(double limit) {
    // A number with the most divisors for its size has prime exponents that never rise from one
    // prime to the next, so a search over such exponents for the primes up to 53 (whose product
    // exceeds 2^53) finds it.
    static constexpr double kPrimes[] = {2,  3,  5,  7,  11, 13, 17, 19,
                                         23, 29, 31, 37, 41, 43, 47, 53};
    double most = 1;
    const auto search = [&](const auto& self, size_t prime, double product, int32_t mostExponent,
                            double divisors) -> void {
        most = std::max(most, divisors);
        if (prime == std::size(kPrimes)) return;
        double next = product;
        for (int32_t e = 1; e <= mostExponent; ++e) {
            next *= kPrimes[prime];
            if (next > limit) break;
            self(self, prime + 1, next, e, divisors * (e + 1));
        }
    };
    search(search, 0, 1, 64, 1);
    return most;
}
