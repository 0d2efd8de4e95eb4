#include "worksheet/question_generator.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <span>
#include <string_view>
#include <type_traits>

#include "platform/script_engine.h"
#include "worksheet/candidate_search.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/lane_batches.h"
#include "worksheet/lane_draw.h"
#include "worksheet/last_operand_draw.h"
#include "worksheet/operand_pair_draw.h"
#include "worksheet/option_check.h"
#include "worksheet/quotient_draw.h"
#include "worksheet/single_term_proposal.h"
#include "worksheet/text_buffer.h"
#include "worksheet/worksheet_layout.h"

namespace {

// PCG32 (permuted congruential generator, XSH-RR output): 32 well-mixed bits per step from a
// 64-bit state, a few cycles each, which matters in the candidate loop where every question
// takes one draw per operand and per operator.
class Pcg32 {
public:
    void Seed(uint64_t seed, uint64_t stream) {
        state_ = 0;
        increment_ = (stream << 1) | 1u;
        Next();
        state_ += seed;
        Next();
    }

    uint32_t Next() {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ull + increment_;
        const auto mixed = static_cast<uint32_t>(((old >> 18) ^ old) >> 27);
        const auto rotation = static_cast<uint32_t>(old >> 59);
        return (mixed >> rotation) | (mixed << ((32u - rotation) & 31u));
    }

private:
    uint64_t state_ = 0x853c49e6748fea9bull;
    uint64_t increment_ = 0xda3e39cb94b95bdbull;
};

// Each thread draws from its own generator, seeded from the system's entropy source before its
// first draw unless a test seeded it.
thread_local Pcg32 tRandomSource;
thread_local bool tRandomSourceSeeded = false;

constexpr uint64_t kFixedStream = 0x5851f42d4c957f2dull;

Pcg32& RandomSource() {
    if (!tRandomSourceSeeded) [[unlikely]] {
        std::random_device entropy;
        const uint64_t seed = (static_cast<uint64_t>(entropy()) << 32) | entropy();
        const uint64_t stream = (static_cast<uint64_t>(entropy()) << 32) | entropy();
        tRandomSource.Seed(seed, stream);
        tRandomSourceSeeded = true;
    }
    return tRandomSource;
}

// Draws of RandomInRange for one fixed range; the width, the source and a reciprocal of the
// width are worked out once, which keeps the candidate loop's many draws cheap.
class RangeDraw {
public:
    RangeDraw(int32_t low, int32_t high)
        : source_(RandomSource()),
          low_(static_cast<uint32_t>(low)),
          width_(Width(low, high)),
          reciprocal_(width_ != 0 && width_ <= kDrawSpan ? ((1ull << 30) + width_ - 1) / width_
                                                         : 0) {}

    // The range width; 0 stands for 2^32.
    static uint32_t Width(int32_t low, int32_t high) {
        if (high == 0) high = std::numeric_limits<int32_t>::max();
        return static_cast<uint32_t>(high) - static_cast<uint32_t>(low) + 1u;
    }

    int32_t operator()() {
        const uint32_t t = source_.Next();
        const uint32_t x = t * 214013u + 2531011u;
        return FromBits((x >> 16) & 32767u);
    }

    // The draw for the 15 bits r (0 to 32767) that the linear congruential step gives.
    int32_t FromBits(uint32_t r) const {
        // offset = r mod width. It is r itself when r is below the width (always so for widths
        // beyond 32768, and for the width 0 that stands for 2^32). Otherwise the quotient comes
        // from a multiplication: with c = ceil(2^30 / width), floor(r * c / 2^30) equals
        // floor(r / width) for every r below 2^15 and width up to 2^15 (Lemire, Kaser and Kurz,
        // "Faster remainder by direct computation", 2019), which spares a division per draw.
        uint32_t offset = r;
        if (width_ != 0 && r >= width_) {
            const auto quotient = static_cast<uint32_t>((uint64_t{r} * reciprocal_) >> 30);
            offset = r - quotient * width_;
        }
        return static_cast<int32_t>(low_ + offset);
    }

private:
    static constexpr uint32_t kDrawSpan = 32768;  // r takes this many values

    Pcg32& source_;
    uint32_t low_;
    uint32_t width_;
    uint64_t reciprocal_;
};

// The 15 bits of r for many draws at once. The linear congruential step maps the 2^32 values
// of t one to one onto those of x, so for a uniform t its bits 16 to 30 are 15 uniform bits,
// exactly as any 15 bits of the source are: four draws come from two steps of the source.
class DrawBits {
public:
    explicit DrawBits(Pcg32& source) : source_(source) {}

    uint32_t Next() {
        if (left_ == 0) {
            pool_ = (uint64_t{source_.Next()} << 32) | source_.Next();
            left_ = 4;
        }
        --left_;
        const auto r = static_cast<uint32_t>(pool_ & 32767u);
        pool_ >>= 15;
        return r;
    }

private:
    Pcg32& source_;
    uint64_t pool_ = 0;
    int left_ = 0;
};

// Appends the operands to the buffer in decimal, "|" after each but the last: 12|7|30. The
// pieces are gathered on the stack and handed over in one Append per 16 operands or fewer.
void WriteOperandTemplate(const std::vector<int32_t>& operands, TextBuffer& buffer) {
    constexpr size_t kPieceRoom = 12;  // "-2147483648|"
    char text[16 * kPieceRoom];
    char* end = text;
    for (size_t i = 0; i < operands.size(); ++i) {
        if (static_cast<size_t>(text + sizeof text - end) < kPieceRoom) {
            buffer.Append(std::string_view(text, static_cast<size_t>(end - text)));
            end = text;
        }
        end = std::to_chars(end, end + kPieceRoom - 1, operands[i]).ptr;
        if (i + 1 < operands.size()) *end++ = '|';
    }
    buffer.Append(std::string_view(text, static_cast<size_t>(end - text)));
}

// Puts an operator of its own in place of each "|", from left to right, each drawn as
// RandomOperator does. The symbols are the checked one-character operators, so each replacement
// happens in place.
void FillOperatorGaps(std::string& expression, const std::vector<std::string>& operators) {
    RangeDraw position(1, static_cast<int32_t>(operators.size()));
    for (char& c : expression) {
        if (c == '|') c = operators[static_cast<size_t>(position() - 1)].front();
    }
}

// Appends the accepted question, with its expression and answer moved in and its other texts
// built in place. It is made from its texts at once: an empty question would first be cleared
// byte by byte.
void AddQuestion(std::vector<Question>& questions, std::string&& expression, std::string&& answer) {
    Question& question = questions.emplace_back(std::move(expression), std::string(),
                                                std::move(answer), std::string());
    question.prompt.reserve(question.expression.size() + 1);
    question.prompt.append(question.expression).push_back('=');
    question.equation.reserve(question.prompt.size() + question.answer.size());
    question.equation.append(question.prompt).append(question.answer);
}

// `count` draws of `draw` taken one at a time, from the words of `units`, into `out` (cleared
// first): the kept candidates, and `count` as the lanes judged.
void DrawOneAtATime(const LastOperandDraw& draw, int32_t n, UnitRandom& units, uint64_t count,
                    LaneBatch& out) {
    out.Clear();
    out.operandCount = n;
    thread_local std::vector<int32_t> operands;
    thread_local std::string operators;
    const std::function<uint64_t()> randomBits = [&units] { return units.Next(); };
    for (uint64_t i = 0; i < count; ++i) {
        if (!draw.Draw(randomBits, operands, operators)) continue;
        out.operands.insert(out.operands.end(), operands.begin(), operands.end());
        out.operators += operators;
    }
    out.lanes = count;
}

// Watches the time budget and calls the progress callback at its interval.
class EffortWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit EffortWatch(const GenerationLimits& limits)
        : limits_(limits),
          start_(Clock::now()),
          deadline_(start_ + limits.timeBudget),
          nextProgress_(start_ + limits.progressInterval) {}

    // What should end the run now, if anything.
    std::optional<GenerationOutcome> Check(int32_t found, int32_t wanted) {
        const Clock::time_point now = Clock::now();
        if (limits_.onProgress && now >= nextProgress_) {
            nextProgress_ = now + limits_.progressInterval;
            if (!limits_.onProgress(found, wanted)) return GenerationOutcome::Cancelled;
        }
        if (now >= deadline_) return GenerationOutcome::TooStrict;
        return std::nullopt;
    }

    Clock::time_point Deadline() const { return deadline_; }

    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_);
    }

private:
    const GenerationLimits& limits_;
    Clock::time_point start_;
    Clock::time_point deadline_;
    Clock::time_point nextProgress_;
};

// Candidates between two looks at the clock: few enough that even script evaluation of long
// chains notices the budget within a millisecond or so.
constexpr uint64_t kCandidatesPerCheck = 32;

}  // namespace

void SeedRandomSource(uint32_t seed) {
    tRandomSource.Seed(seed, kFixedStream);
    tRandomSourceSeeded = true;
}

int32_t RandomInRange(int32_t low, int32_t high) {
    return RangeDraw(low, high)();
}

uint32_t DistinctValuesInRange(int32_t low, int32_t high) {
    const uint32_t width = RangeDraw::Width(low, high);
    return (width == 0 || width > 32768u) ? 32768u : width;
}

void DrawDistinctOperands(int32_t n, int32_t low, int32_t high, std::vector<int32_t>& operands) {
    operands.clear();
    // Asking for more distinct values than the range holds would never end.
    if (n < 1 || static_cast<uint32_t>(n) > DistinctValuesInRange(low, high)) return;
    RangeDraw draw(low, high);
    for (int32_t position = 0; position < n; ++position) {
        int32_t value = draw();
        for (size_t i = 0; i < operands.size();) {
            if (operands[i] == value) {
                value = draw();
                i = 0;
            } else {
                ++i;
            }
        }
        operands.push_back(value);
    }
}

std::vector<int32_t> DrawDistinctOperands(int32_t n, int32_t low, int32_t high) {
    std::vector<int32_t> operands;
    DrawDistinctOperands(n, low, high, operands);
    return operands;
}

std::string RandomOperator(const std::vector<std::string>& operators) {
    if (operators.empty()) return {};
    const int32_t position = RandomInRange(1, static_cast<int32_t>(operators.size()));
    return operators[static_cast<size_t>(position - 1)];
}

bool IsAcceptableAnswer(std::string_view answer, int32_t answerRange) {
    const bool negative = !answer.empty() && answer.front() == '-';
    const std::string_view digits = answer.substr(negative ? 1 : 0);
    if (digits.empty()) return false;
    // Once the magnitude exceeds every 32-bit bound it stops growing; it is then too large
    // whatever follows, so no text can wrap around into range.
    int64_t magnitude = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        if (magnitude <= std::numeric_limits<int32_t>::max())
            magnitude = magnitude * 10 + (c - '0');
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return value < answerRange && value >= 0;
}

namespace {

// The blind loop and the exact search of one run. `Value` is any callable that gives the value
// text of an expression; a template so that the evaluator's call costs no indirection.
template <typename Value>
class Generation {
public:
    Generation(const WorksheetSettings& settings, Value& value, const GenerationLimits& limits,
               bool nativeDecides)
        : settings_(settings),
          value_(value),
          limits_(limits),
          nativeDecides_(nativeDecides),
          wanted_(std::min(settings.questionCount, kSheetQuestionSlots)),
          watch_(limits),
          bounds_(settings, DistinctValuesInRange(1, settings.numberRange)) {
        for (const std::string& symbol : settings.operators) symbols_.push_back(symbol.front());
    }

    GenerationResult Run() {
        result_.questions.reserve(static_cast<size_t>(wanted_));
        const CandidateSearch search = limits_.search;
        const bool drawsOnly =
            search == CandidateSearch::BlindOnly || search == CandidateSearch::BoundedSums ||
            search == CandidateSearch::SolvedLast || search == CandidateSearch::SolvedPairs ||
            search == CandidateSearch::DivisorSets;
        if (!drawsOnly) {
            // Small option sets are decided at once: proved empty, or sampled exactly.
            const uint64_t budget = search == CandidateSearch::ExactOnly
                                        ? std::numeric_limits<uint64_t>::max()
                                        : kQuickSearchSteps;
            const Clock::duration cap = search == CandidateSearch::ExactOnly
                                            ? Clock::duration::max()
                                            : Clock::duration(kQuickSearchTime);
            if (const std::optional<GenerationOutcome> end = Exact(budget, cap))
                return Finish(*end);
        }
        if (drawsOnly) {
            if (const std::optional<GenerationOutcome> end = Blind(Clock::time_point::max()))
                return Finish(*end);
        }
        if (search == CandidateSearch::Automatic) {
            // "/" alone lists every acceptable candidate quickly, and so decides the options.
            if (const QuotientDraw* quotients = Quotients()) {
                if (const std::optional<GenerationOutcome> end =
                        QuotientDraws(*quotients, Clock::time_point::max()))
                    return Finish(*end);
            }
            // Easy options fill the sheet with blind draws at once; middling ones are then
            // decided by a longer exact look.
            const Clock::time_point blindStart = Clock::now();
            if (const std::optional<GenerationOutcome> end = Blind(blindStart + kBlindQuick))
                return Finish(*end);
            // Draws from a small set that holds every acceptable candidate come before the
            // exact search, which such options keep busy for long.
            if (Bounded() != nullptr) {
                if (const std::optional<GenerationOutcome> end = Blind(blindStart + kBlindFirst))
                    return Finish(*end);
            }
            if (const std::optional<GenerationOutcome> end =
                    Exact(kMiddleSearchSteps, kMiddleSearchTime))
                return Finish(*end);
            // Blind draws for a while tell how long they would take for the whole sheet; when
            // that is not well within the time left, the exact search gets its turn first.
            if (const std::optional<GenerationOutcome> end = Blind(blindStart + kBlindFirst))
                return Finish(*end);
            const Clock::time_point now = Clock::now();
            const int32_t found = Found();
            const bool blindSuffices = found > 0 && (now - blindStart) * (wanted_ - found) / found <
                                                        (watch_.Deadline() - now) * 6 / 10;
            if (!blindSuffices && !CountTooSlow()) {
                if (const std::optional<GenerationOutcome> end =
                        Exact(std::numeric_limits<uint64_t>::max()))
                    return Finish(*end);
            }
            if (const std::optional<GenerationOutcome> end = Blind(Clock::time_point::max()))
                return Finish(*end);
        }
        return Finish(GenerationOutcome::TooStrict);
    }

private:
    using Clock = std::chrono::steady_clock;

    // Steps of the first exact look: about a millisecond.
    static constexpr uint64_t kQuickSearchSteps = 400'000;
    static constexpr std::chrono::milliseconds kQuickSearchTime{8};
    // Blind draws after it, enough for options that accept one candidate in a few thousand.
    static constexpr std::chrono::milliseconds kBlindQuick{20};
    // Steps of the second exact look, and the time it may take at most: walks over mixed
    // operators take some tens of nanoseconds a step.
    static constexpr uint64_t kMiddleSearchSteps = 10'000'000;
    static constexpr std::chrono::milliseconds kMiddleSearchTime{60};
    // A count goes on while its progress, stretched by this much for branches of unequal
    // size, promises to end within its time: the blind draws have the time otherwise.
    static constexpr double kCountSlack = 2;
    // How long an exact count runs before its progress may tell it to give up.
    static constexpr std::chrono::milliseconds kLeastCountTime{40};
    // Blind draws before deciding whether the exact search gets its turn.
    static constexpr std::chrono::milliseconds kBlindFirst{150};
    // Steps for finding out, after a sheet with repeats, how many different questions exist.
    static constexpr uint64_t kDistinctCountSteps = 20'000'000;

    int32_t Found() const { return static_cast<int32_t>(result_.questions.size()); }

    GenerationResult Finish(GenerationOutcome outcome) {
        result_.outcome = outcome;
        switch (outcome) {
            case GenerationOutcome::Complete:
                result_.reason.clear();
                if (!result_.distinctQuestions && HasRepeats()) CountDistinct();
                break;
            case GenerationOutcome::Cancelled:
                result_.reason = "出题已取消。";
                break;
            case GenerationOutcome::TooStrict:
                result_.reason =
                    TooStrictReason(settings_, Found(), result_.candidates, watch_.Elapsed());
                break;
            case GenerationOutcome::Refused:
                result_.questions.clear();
                result_.reason = NoAcceptableQuestionReason(settings_);
                break;
        }
        return std::move(result_);
    }

    // Whether two questions of the sheet are the same: each text goes into an open-addressed
    // table of at least twice as many slots by its hash, and is compared only with the texts
    // it meets on its way to a free slot.
    bool HasRepeats() const {
        const std::vector<Question>& questions = result_.questions;
        size_t slots = 16;
        while (slots < 2 * questions.size()) slots *= 2;
        std::vector<const std::string*> table(slots, nullptr);
        for (const Question& q : questions) {
            size_t slot = std::hash<std::string>{}(q.expression) & (slots - 1);
            while (table[slot] != nullptr) {
                if (*table[slot] == q.expression) return true;
                slot = (slot + 1) & (slots - 1);
            }
            table[slot] = &q.expression;
        }
        return false;
    }

    // Repeats on a full sheet may be chance or a sign that few questions exist; a bounded count
    // tells which. It ends as soon as it has counted as many as the sheet asks for: each counted
    // one stands for at least one different question, so the sheet has enough.
    void CountDistinct() {
        SearchLimits limits;
        limits.stepBudget = kDistinctCountSteps;
        limits.enoughCount = static_cast<uint64_t>(wanted_);
        const SearchOrder order = OrderFor(settings_);
        const SearchTotals totals = CountAcceptable(settings_, limits, order);
        if (totals.outcome != SearchOutcome::Finished) return;
        const int32_t firstFree = order == SearchOrder::Sets ? FirstFreeOperand(settings_) : 0;
        const uint64_t distinct = OrdersOf(totals.count, settings_.operandCount - firstFree);
        if (distinct < static_cast<uint64_t>(wanted_)) result_.distinctQuestions = distinct;
    }

    // Accepts a candidate when its value text passes; false when it does not.
    bool Offer(std::string expression) {
        std::string answer = value_(expression);
        ++result_.candidates;
        if (!IsAcceptableAnswer(answer, settings_.answerRange)) return false;
        AddQuestion(result_.questions, std::move(expression), std::move(answer));
        return true;
    }

    // Blind draws until the sheet is full (Complete), the run must end (Cancelled, TooStrict)
    // or `until` has come (nothing).
    std::optional<GenerationOutcome> Blind(Clock::time_point until) {
        const bool plainFirst = limits_.search == CandidateSearch::Automatic && !plainBlindDone_;
        if (limits_.search == CandidateSearch::DivisorSets) {
            if (const QuotientDraw* quotients = Quotients())
                return QuotientDraws(*quotients, until);
        }
        if (const BoundedSumDraw* bounded = Bounded()) return BoundedDraws(*bounded, until);
        if (!plainFirst) {
            if (const OperandPairDraw* pairs = SolvedPairs()) return PairDraws(*pairs, until);
            // Automatic runs take the draws one at a time first where they beat the lanes; runs
            // that ask for them take the lanes where the limits ask for those too.
            if (limits_.search == CandidateSearch::Automatic) {
                if (const LastOperandDraw* last = SolvedLast())
                    return SolvedLastDraws(*last, until);
            }
            if (const std::optional<LaneSetup> lanes = SolvedLanes())
                return LaneSolvedDraws(*solvedLast_, *lanes, until);
            if (const LastOperandDraw* last = SolvedLast()) return SolvedLastDraws(*last, until);
        }
        if (const std::optional<LaneSetup> lanes = Lanes()) return LaneDraws(*lanes, until);
        const uint64_t perCheck = nativeDecides_ ? kNativeCandidatesPerCheck : kCandidatesPerCheck;
        RangeDraw operandDraw(1, settings_.numberRange);
        RangeDraw operatorDraw(1, static_cast<int32_t>(symbols_.size()));
        DrawBits bits(RandomSource());
        const int32_t n = settings_.operandCount;
        std::vector<int32_t> operands(static_cast<size_t>(n));
        std::string operators(static_cast<size_t>(n - 1), '+');
        TextBuffer buffer;
        std::string expression;
        uint64_t sinceCheck = perCheck;
        while (Found() != wanted_) {
            if (++sinceCheck >= perCheck) {
                sinceCheck = 0;
                if (const std::optional<GenerationOutcome> stop = watch_.Check(Found(), wanted_))
                    return stop;
                if (Clock::now() >= until) return std::nullopt;
            }
            if (!nativeDecides_) {
                // Every candidate goes to the value function, built as the template 12|7|30 whose
                // gaps are then filled.
                DrawDistinctOperands(n, 1, settings_.numberRange, operands);
                WriteOperandTemplate(operands, buffer);
                expression.assign(buffer.Text());
                FillOperatorGaps(expression, settings_.operators);
                // Assigned afresh before its next use.
                Offer(std::move(expression));
                buffer.Clear();
                continue;
            }
            ++result_.candidates;
            if (!DrawNative(bits, operandDraw, operatorDraw, operands, operators)) continue;
            // Counted once above; Offer counts again.
            --result_.candidates;
            Offer(CandidateText(operands, operators));
        }
        return GenerationOutcome::Complete;
    }

    // Seeds the lanes' random state from the source the first time, and tells which kernel the
    // limits ask for.
    LaneKernel PrepareLanes(Pcg32& source) {
        if (!laneRandomSeeded_) {
            for (uint64_t& state : laneRandom_.state)
                state = (uint64_t{source.Next()} << 32) | source.Next();
            laneUnits_ = UnitRandom((uint64_t{source.Next()} << 32) | source.Next());
            laneRandomSeeded_ = true;
        }
        return limits_.lanes == BlindLanes::AlwaysPortable ? LaneKernel::Portable
                                                           : LaneKernel::Best;
    }

    // The draws with the last operand solved for, built on first use; nothing when the options
    // allow none.
    const LastOperandDraw* SolvedLastDraw() {
        if (!solvedLastTried_) {
            solvedLastTried_ = true;
            solvedLast_ =
                LastOperandDraw::For(settings_, limits_.drawLastBlind, limits_.solveFirst);
        }
        return solvedLast_ ? &*solvedLast_ : nullptr;
    }

    // The lane kernel's setup when it judges these options' blind candidates: it knows the
    // operators and the operand count, and (unless the limits insist) independent draws of the
    // operands repeat one seldom enough that the lanes so wasted cost less than redraws would.
    std::optional<LaneSetup> Lanes() const {
        if (!nativeDecides_ || limits_.lanes == BlindLanes::Never) return std::nullopt;
        // The portable kernel judges fewer candidates a second than the one-at-a-time loop;
        // only the wide one is worth choosing unasked.
        if (limits_.lanes == BlindLanes::WhereWorthwhile && !WideLanesAvailable())
            return std::nullopt;
        const int32_t n = settings_.operandCount;
        if (n < 2 || n > kLaneMostOperands) return std::nullopt;
        LaneSetup setup;
        setup.operandCount = n;
        const uint32_t values = DistinctValuesInRange(1, settings_.numberRange);
        setup.operandWidth = values >= 32768u ? 0 : values;
        std::string symbols;
        for (const std::string& symbol : settings_.operators) {
            if (symbol.size() != 1) return std::nullopt;
            symbols += symbol;
        }
        if (!SetLaneOperators(symbols, setup)) return std::nullopt;
        setup.answerRange = settings_.answerRange;
        if (const std::optional<SingleTermProposal> singles = SingleTermProposal::For(settings_))
            singles->Fill(setup);
        if (limits_.lanes == BlindLanes::WhereWorthwhile) {
            double distinct = 1;
            for (int32_t k = 1; k < n; ++k) distinct *= 1 - static_cast<double>(k) / values;
            if (distinct < kLeastDistinctShare) return std::nullopt;
        }
        return setup;
    }

    // A source for LaneBatches: the lanes of `setup`, their hits judged by `judge`.
    static auto JudgedLanes(const LaneSetup& setup, const LaneJudge& judge) {
        return [&setup, &judge](LaneRandom& lanes, UnitRandom& units, uint64_t blocks,
                                LaneKernel kernel, LaneBatch& out) {
            DrawLaneBatch(setup, judge, lanes, units, blocks, kernel, out);
        };
    }

    // Blind draws through the lanes, as Blind does. The lanes draw every operand independently
    // and hits with a repeat are dropped; a hit is then kept with probability RedrawFactor over
    // its bound, which turns the independent draws' odds into those of the blind draw, whose
    // redraws make later positions likelier. Where single terms are kept below answerRange, the
    // proposal's own factor joins it (see LaneJudge).
    std::optional<GenerationOutcome> LaneDraws(const LaneSetup& setup, Clock::time_point until) {
        const LaneJudge judge(settings_, setup);
        // What a lane costs here, and the share its kept hits have, for comparing these draws
        // with the solved ones.
        plainLaneShare_ = judge.Share();
        return LaneBatches(
            JudgedLanes(setup, judge), until, [] { return true; }, laneTime_, laneCount_);
    }

    // Batches of lanes, drawn by `source` (with the lanes' random state, the random state for
    // judging their hits, the blocks and the kernel, into a batch), until the sheet is full
    // (Complete), the run must end (Cancelled, TooStrict), `until` has come or `carryOn` says to
    // stop (nothing). The time and the lanes of the batches drawn on this thread are added to
    // `time` and `lanes`. Once the lanes have run for a while, a helper thread draws every other
    // batch from random state of its own, with a copy of `source`.
    template <typename Source, typename CarryOn>
    std::optional<GenerationOutcome> LaneBatches(const Source& source, Clock::time_point until,
                                                 CarryOn&& carryOn, Clock::duration& time,
                                                 uint64_t& lanes) {
        Pcg32& seedSource = RandomSource();
        const LaneKernel kernel = PrepareLanes(seedSource);
        const auto offer = [&](const LaneBatch& batch) {
            const auto n = static_cast<size_t>(batch.operandCount);
            result_.candidates += batch.lanes;
            const std::span<const int32_t> operands(batch.operands);
            const std::string_view operators(batch.operators);
            for (size_t c = 0; c < batch.Size() && Found() != wanted_; ++c) {
                // Counted with its batch; Offer counts again.
                --result_.candidates;
                Offer(CandidateText(operands.subspan(c * n, n),
                                    operators.substr(c * (n - 1), n - 1)));
            }
        };
        const Clock::time_point start = Clock::now();
        std::optional<LaneWorker> helper;
        // Small batches first, for options that fill the sheet at once.
        uint64_t blocks = kLeastLaneBlocks;
        LaneBatch batch;
        while (Found() != wanted_) {
            if (const std::optional<GenerationOutcome> stop = watch_.Check(Found(), wanted_))
                return stop;
            const Clock::time_point now = Clock::now();
            if (now >= until || !carryOn()) return std::nullopt;
            source(laneRandom_, laneUnits_, blocks, kernel, batch);
            time += Clock::now() - now;
            lanes += batch.lanes;
            offer(batch);
            if (helper) {
                helper->Take(batch);
                offer(batch);
            } else if (now - start >= limits_.laneHelperDelay && LaneWorker::Worthwhile()) {
                // The helper's random state comes from the source, as the lanes' own did.
                LaneRandom random;
                for (uint64_t& state : random.state)
                    state = (uint64_t{seedSource.Next()} << 32) | seedSource.Next();
                const uint64_t seed = (uint64_t{seedSource.Next()} << 32) | seedSource.Next();
                helper.emplace(
                    [source, random, units = UnitRandom(seed), kernel](LaneBatch& drawn) mutable {
                        source(random, units, kLaneBlocksPerCheck, kernel, drawn);
                    });
            }
            blocks = std::min(blocks * 2, kLaneBlocksPerCheck);
        }
        return GenerationOutcome::Complete;
    }

    // The draws with the last operand (or, in some patterns, the first) solved for, when the
    // limits ask for them or (in Automatic runs, after the first stretch of plain blind draws)
    // when they are much likelier to be kept than the lanes' candidates, or than blind ones
    // where the lanes do not serve.
    const LastOperandDraw* SolvedLast() {
        const CandidateSearch search = limits_.search;
        if (search != CandidateSearch::Automatic && search != CandidateSearch::SolvedLast)
            return nullptr;
        if (!SolvedLastDraw()) return nullptr;
        if (search == CandidateSearch::Automatic) {
            if (!nativeDecides_ || !Lanes()) {
                if (solvedLast_->Share() > kMostSolvedShare) return nullptr;
            } else if (solvedLast_->Share() * kSolvedDrawCost > LeastLaneShare()) {
                return nullptr;
            }
        }
        return &*solvedLast_;
    }

    // The lanes' setup for draws that leave the last operand open, when the share of the
    // blind draws that they keep is small enough to pay. Where every operator pattern is
    // solved for with one bound, the lanes' plain draws of the operators serve; otherwise each
    // lane draws its pattern from an alias table, and only some patterns are solved for.
    std::optional<LaneSetup> SolvedLanes() {
        const CandidateSearch search = limits_.search;
        if (search != CandidateSearch::Automatic && search != CandidateSearch::SolvedLast)
            return std::nullopt;
        if (search == CandidateSearch::SolvedLast && limits_.lanes == BlindLanes::WhereWorthwhile)
            return std::nullopt;
        std::optional<LaneSetup> lanes = Lanes();
        if (!lanes) return std::nullopt;
        if (solvedLanesLosing_ || !SolvedLastDraw()) return std::nullopt;
        lanes->singles = false;
        lanes->solveLast = true;
        lanes->largestOperand = DistinctValuesInRange(1, settings_.numberRange);
        lanes->keepScale = solvedLast_->KeepScale();
        // With more whole values in range, the lanes' test of each costs more than the solving
        // it spares.
        if (settings_.answerRange <= static_cast<int32_t>(kMostSumWholes))
            lanes->sumWholes = kMostSumWholes;
        lanes->wholeTermSums = true;
        const auto listed = [&](const char* symbol) {
            return std::find(settings_.operators.begin(), settings_.operators.end(), symbol) !=
                   settings_.operators.end();
        };
        // Only a last "/ x" in a term after a sum reads the buckets, and only where the test of
        // each whole value above leaves it unjudged.
        if (lanes->sumWholes == 0 && listed("/") && (listed("+") || listed("-")) &&
            settings_.operandCount >= 3) {
            SetFractionBuckets(*lanes, fractionBuckets_);
        }
        if (settings_.answerRange - 1 <= kMostProductWholes) {
            lanes->productWholes = static_cast<uint32_t>(settings_.answerRange - 1);
            lanes->productModulus = ProductModulus(lanes->productWholes, lanes->largestOperand);
            if (lanes->productModulus == 0) {
                // Too many whole values for one modulus: the table of buckets, built once.
                lanes->productBucketBits = ProductBucketBits(lanes->productWholes);
                if (productBuckets_.empty()) {
                    productBuckets_.resize((size_t{1} << lanes->productBucketBits) / 64);
                    FillProductBuckets(lanes->productWholes, lanes->largestOperand,
                                       lanes->productBucketBits, productBuckets_.data());
                }
                lanes->productBuckets = productBuckets_.data();
            }
        }
        if (solvedLast_->SharedBound()) {
            if (search == CandidateSearch::Automatic && solvedLast_->Share() > kMostLaneSolvedShare)
                return std::nullopt;
            return lanes;
        }
        if (!LanePatterns()) return std::nullopt;
        if (search == CandidateSearch::Automatic && lanePatterns_->share > kMostLaneSolvedShare)
            return std::nullopt;
        if (!lanePatterns_->Configure(*lanes)) return std::nullopt;
        return lanes;
    }

    // The lanes' table of patterns for draws that leave the last operand open, built on first
    // use; nothing where the lanes cannot draw these patterns.
    const LastOperandDraw::LanePatterns* LanePatterns() {
        if (!SolvedLastDraw()) return nullptr;
        if (!lanePatternsTried_) {
            lanePatternsTried_ = true;
            const DrawOdds odds = BlindDrawOdds(settings_);
            const int32_t n = settings_.operandCount;
            lanePatterns_ = solvedLast_->PatternsForLanes(MostRedrawFactor(odds, n),
                                                          MostRedrawFactor(odds, n - 1));
        }
        return lanePatterns_ ? &*lanePatterns_ : nullptr;
    }

    // The least share of the lanes' ways for these options, plain (with single terms kept below
    // the answer range) or leaving the last operand open.
    double LeastLaneShare() {
        if (!leastLaneShare_) {
            leastLaneShare_ = 1.0;
            if (const std::optional<LaneSetup> lanes = Lanes()) {
                leastLaneShare_ = LaneJudge(settings_, *lanes).Share();
                if (const LastOperandDraw::LanePatterns* patterns = LanePatterns()) {
                    leastLaneShare_ = std::min(*leastLaneShare_, patterns->share);
                } else if (const std::optional<double> shared = solvedLast_->SharedBound()) {
                    leastLaneShare_ = std::min(*leastLaneShare_, *shared);
                }
            }
        }
        return *leastLaneShare_;
    }

    // Draws that leave the last operand open, eight at a time, as Blind does. A hit is a rest
    // (the operands but the last, and every operator) drawn independently for which some last
    // operand may give a value in range: without repeats, kept with RedrawFactor over its bound
    // (the blind draw's odds for the rest), then completed by LastOperandDraw::CompleteRest.
    // Where the lanes draw patterns from a table, a hit of a pattern that is not solved for is
    // a whole candidate, kept as the plain lanes keep theirs; every hit's keep is scaled by its
    // pattern's (see LastOperandDraw::LanePatterns).
    std::optional<GenerationOutcome> LaneSolvedDraws(const LastOperandDraw& draw,
                                                     const LaneSetup& setup,
                                                     Clock::time_point until) {
        const LaneJudge judge(settings_, setup, draw,
                              setup.patternColumns != nullptr ? &*lanePatterns_ : nullptr);
        // Solving costs more where many rests reach the range; after a trial these draws give
        // way to the plain lanes when those would find questions faster. Both keep lanes with
        // the blind acceptance rate over a known share, so the cost of a lane times that share
        // compares them without waiting for rare questions.
        const Clock::time_point start = Clock::now();
        Clock::duration time{};
        uint64_t lanes = 0;
        bool tried = limits_.search != CandidateSearch::Automatic;
        bool losing = false;
        const auto carryOn = [&] {
            if (tried || lanes == 0 || Clock::now() - start < kSolvedLanesTrial) return true;
            tried = true;
            const double solvedCost =
                std::chrono::duration<double>(time).count() / static_cast<double>(lanes);
            const double plainCost = laneCount_ > 0
                                         ? std::chrono::duration<double>(laneTime_).count() /
                                               static_cast<double>(laneCount_)
                                         : 0.0;
            losing = laneCount_ > 0 && solvedCost * judge.Share() > plainCost * plainLaneShare_;
            return !losing;
        };
        if (const std::optional<GenerationOutcome> end =
                LaneBatches(JudgedLanes(setup, judge), until, carryOn, time, lanes))
            return end;
        if (losing) {
            solvedLanesLosing_ = true;
            if (const std::optional<LaneSetup> plain = Lanes()) return LaneDraws(*plain, until);
        }
        return std::nullopt;
    }

    // The draws from every acceptable candidate of "/" alone, built on first use; nothing for
    // other operators, or (in Automatic runs) where the value function is asked about every
    // candidate.
    const QuotientDraw* Quotients() {
        if (limits_.search == CandidateSearch::Automatic && !nativeDecides_) return nullptr;
        if (!quotientsTried_) {
            quotientsTried_ = true;
            quotients_ = QuotientDraw::For(settings_);
        }
        return quotients_ ? &*quotients_ : nullptr;
    }

    // Draws from every acceptable candidate of "/" alone until the sheet is full, the run must
    // end or `until` has come, as Blind does; Refused when there is none.
    std::optional<GenerationOutcome> QuotientDraws(const QuotientDraw& draw,
                                                   Clock::time_point until) {
        const uint64_t candidates = draw.Candidates();
        if (candidates == 0) {
            // A proof, unless a question was found already, which would mean the native
            // arithmetic and the evaluator disagree; then the other draws go on.
            if (Found() == 0) return GenerationOutcome::Refused;
            return std::nullopt;
        }
        if (candidates < static_cast<uint64_t>(wanted_)) result_.distinctQuestions = candidates;
        return SeededDraws(draw, kQuotientDrawsPerCheck, until);
    }

    // OneAtATime with the proposals of `draw`, whose Draw takes a UnitRandom, seeded from the
    // source.
    template <typename Draw>
    std::optional<GenerationOutcome> SeededDraws(const Draw& draw, uint64_t perCheck,
                                                 Clock::time_point until) {
        Pcg32& source = RandomSource();
        UnitRandom random((uint64_t{source.Next()} << 32) | source.Next());
        return OneAtATime(perCheck, until,
                          [&](std::vector<int32_t>& operands, std::string& operators) {
                              return draw.Draw(random, operands, operators);
                          });
    }

    // The draws with a pair of operands solved for, when the limits ask for them or (in
    // Automatic runs, after the first stretch of plain blind draws) when they are kept so much
    // more often than the lanes' draws, plain or solving for the last operand, that they pay for
    // their cost: each takes about as long as a few lanes. Automatic runs keep draws that solve
    // for three operands at hand where those are kept far more often (see PairDraws).
    const OperandPairDraw* SolvedPairs() {
        const CandidateSearch search = limits_.search;
        if (search != CandidateSearch::Automatic && search != CandidateSearch::SolvedPairs)
            return nullptr;
        const bool choose = search == CandidateSearch::Automatic && limits_.solvedTogether == 0;
        if (!pairDrawTried_) {
            pairDrawTried_ = true;
            pairDraw_ = OperandPairDraw::For(settings_, choose ? 2 : limits_.solvedTogether);
            if (choose) {
                std::optional<OperandPairDraw> chosen = OperandPairDraw::For(settings_);
                if (chosen && chosen->Solved() == 3) tripleDraw_ = std::move(chosen);
            }
        }
        if (!pairDraw_) return nullptr;
        if (search == CandidateSearch::Automatic) {
            if (!nativeDecides_) return nullptr;
            double otherShare = 1;
            if (SolvedLastDraw()) otherShare = std::min(otherShare, solvedLast_->Share());
            const double cost = PairLanes() ? kPairLaneCost : kPairDrawCost;
            if (pairDraw_->Share() * cost > otherShare) {
                if (!tripleDraw_ || tripleDraw_->Share() * cost > otherShare) return nullptr;
                // Pairs would not pay for themselves: no trial of them.
                pairTrialDone_ = true;
            }
        }
        return &*pairDraw_;
    }

    // Whether the pair proposals go through the lanes: where the lanes serve these options.
    bool PairLanes() const {
        return nativeDecides_ && limits_.lanes != BlindLanes::Never &&
               (limits_.lanes != BlindLanes::WhereWorthwhile || WideLanesAvailable());
    }

    // The pair draws until the sheet is full, the run must end or `until` has come, as Blind
    // does. Where draws solving for three are at hand, the pairs first run for a trial: a
    // proposal of three is kept far more often, but each hit costs microseconds to complete,
    // so pairs stay on only where at their rate they fill the rest of the sheet within another
    // trial's time. Either way each kept candidate has its blind odds.
    std::optional<GenerationOutcome> PairDraws(const OperandPairDraw& pairs,
                                               Clock::time_point until) {
        if (tripleDraw_ && !pairTrialDone_) {
            const Clock::time_point start = Clock::now();
            const int32_t before = Found();
            const std::optional<GenerationOutcome> stop =
                GroupDraws(pairs, std::min(until, start + (kPairTrial - pairTrialTime_)));
            pairTrialTime_ += Clock::now() - start;
            pairTrialFound_ += Found() - before;
            if (stop) return stop;
            if (pairTrialTime_ < kPairTrial) return std::nullopt;
            pairTrialDone_ = true;
            const int32_t left = wanted_ - Found();
            pairsOn_ = pairTrialFound_ > 0 && pairTrialTime_ * left / pairTrialFound_ < kPairTrial;
        }
        if (tripleDraw_ && !pairsOn_) return GroupDraws(*tripleDraw_, until);
        return GroupDraws(pairs, until);
    }

    // Draws with a group of operands solved for until the sheet is full, the run must end or
    // `until` has come, as Blind does.
    std::optional<GenerationOutcome> GroupDraws(const OperandPairDraw& draw,
                                                Clock::time_point until) {
        // Eight proposals at once where the lanes serve these options: they turn down most
        // without a branch, and a helper thread draws every other batch of them.
        if (PairLanes()) {
            Clock::duration time{};
            uint64_t count = 0;
            const auto source = [&draw](LaneRandom& random, UnitRandom&, uint64_t blocks,
                                        LaneKernel kernel, LaneBatch& out) {
                draw.DrawBatch(random, blocks, kernel, out);
            };
            return LaneBatches(
                source, until, [] { return true; }, time, count);
        }
        return SeededDraws(draw, kPairDrawsPerCheck, until);
    }

    // Proposals from `propose` (which fills a candidate's operands and operators and says
    // whether it is kept) until the sheet is full, the run must end or `until` has come, as
    // Blind does; the clock is looked at every `perCheck` of them.
    template <typename Propose>
    std::optional<GenerationOutcome> OneAtATime(uint64_t perCheck, Clock::time_point until,
                                                Propose&& propose) {
        std::vector<int32_t> operands;
        std::string operators;
        uint64_t sinceCheck = perCheck;
        while (Found() != wanted_) {
            if (++sinceCheck >= perCheck) {
                sinceCheck = 0;
                if (const std::optional<GenerationOutcome> stop = watch_.Check(Found(), wanted_))
                    return stop;
                if (Clock::now() >= until) return std::nullopt;
            }
            if (!propose(operands, operators)) {
                ++result_.candidates;
                continue;
            }
            Offer(CandidateText(operands, operators));
        }
        return GenerationOutcome::Complete;
    }

    // Draws with the last operand solved for until the sheet is full, the run must end or
    // `until` has come, as Blind does.
    std::optional<GenerationOutcome> SolvedLastDraws(const LastOperandDraw& draw,
                                                     Clock::time_point until) {
        if (nativeDecides_) {
            // In batches of a fixed number of draws, as the lanes', so that a helper thread
            // draws every other batch.
            Clock::duration time{};
            uint64_t count = 0;
            const int32_t n = settings_.operandCount;
            const auto source = [&draw, n](LaneRandom&, UnitRandom& units, uint64_t blocks,
                                           LaneKernel, LaneBatch& out) {
                DrawOneAtATime(draw, n, units, blocks * kSolvedDrawsPerBlock, out);
            };
            return LaneBatches(
                source, until, [] { return true; }, time, count);
        }
        Pcg32& source = RandomSource();
        const std::function<uint64_t()> randomBits = [&source] {
            return (uint64_t{source.Next()} << 32) | source.Next();
        };
        return OneAtATime(kSolvedDrawsPerCheck, until,
                          [&](std::vector<int32_t>& operands, std::string& operators) {
                              return draw.Draw(randomBits, operands, operators);
                          });
    }

    // The set to draw from in place of blind draws, if any. Automatic runs leave their first
    // stretch of blind draws, for the easy options, to the plain blind loop, and then use the
    // set only when it is much smaller than all tuples.
    const BoundedSumDraw* Bounded() {
        const CandidateSearch search = limits_.search;
        if (search != CandidateSearch::Automatic && search != CandidateSearch::BoundedSums)
            return nullptr;
        if (search == CandidateSearch::Automatic && !plainBlindDone_) {
            plainBlindDone_ = true;
            return nullptr;
        }
        if (!boundedTried_) {
            boundedTried_ = true;
            bounded_ = BoundedSumDraw::For(settings_);
            // A blind candidate costs a few steps; a draw from the set pays off when the set is
            // smaller than all tuples by more than the draw's steps.
            if (bounded_ && search == CandidateSearch::Automatic &&
                (bounded_->Share() > kMostBoundedShare ||
                 bounded_->Share() * bounded_->StepsPerDraw() > kMostBoundedShareSteps))
                bounded_.reset();
        }
        return bounded_ ? &*bounded_ : nullptr;
    }

    // Draws from the bounded set until the sheet is full, the run must end or `until` has come,
    // as Blind does. Each draw is uniform over the set; accepted with its blind probability over
    // the greatest one, it is distributed as the blind draw restricted to the set, which holds
    // every acceptable candidate.
    std::optional<GenerationOutcome> BoundedDraws(const BoundedSumDraw& bounded,
                                                  Clock::time_point until) {
        const DrawOdds odds = BlindDrawOdds(settings_);
        const double mostLikely = MostLikelyCandidate(odds, settings_.operandCount);
        Pcg32& source = RandomSource();
        const std::function<uint64_t()> randomBits = [&source] {
            return (uint64_t{source.Next()} << 32) | source.Next();
        };
        std::vector<int32_t> operands;
        std::string operators;
        uint64_t sinceCheck = kBoundedDrawsPerCheck;
        while (Found() != wanted_) {
            if (++sinceCheck >= kBoundedDrawsPerCheck) {
                sinceCheck = 0;
                if (const std::optional<GenerationOutcome> stop = watch_.Check(Found(), wanted_))
                    return stop;
                if (Clock::now() >= until) return std::nullopt;
            }
            bounded.Draw(randomBits, operands, operators);
            const double p = BlindProbability(odds, operands, operators);
            if (p == 0 || UniformUnit(source) * mostLikely >= p) {
                ++result_.candidates;
                continue;
            }
            if (nativeDecides_) {
                ChainValue chain(operands[0]);
                for (size_t i = 1; i < operands.size(); ++i)
                    chain.Take(operators[i - 1], operands[i]);
                if (!IsAcceptableValue(chain.Value(), settings_.answerRange)) {
                    ++result_.candidates;
                    continue;
                }
            }
            Offer(CandidateText(operands, operators));
        }
        return GenerationOutcome::Complete;
    }

    // One blind candidate judged in double precision; false as soon as it cannot be accepted.
    // The operands are drawn with the redraw of equal values, the operators one per gap.
    bool DrawNative(DrawBits& bits, const RangeDraw& operandDraw, const RangeDraw& operatorDraw,
                    std::vector<int32_t>& operands, std::string& operators) {
        const int32_t n = settings_.operandCount;
        operands[0] = operandDraw.FromBits(bits.Next());
        ChainValue chain(operands[0]);
        const bool cuts = bounds_.CanCut();
        if (cuts && bounds_.Judge(chain, n - 1) != ChainBounds::Verdict::Open) return false;
        for (int32_t i = 1; i < n; ++i) {
            // With one operator every draw gives it; the draw itself changes nothing.
            const char op =
                symbols_.size() == 1
                    ? symbols_.front()
                    : symbols_[static_cast<size_t>(operatorDraw.FromBits(bits.Next()) - 1)];
            int32_t v = operandDraw.FromBits(bits.Next());
            for (int32_t j = 0; j < i;) {
                if (operands[static_cast<size_t>(j)] == v) {
                    v = operandDraw.FromBits(bits.Next());
                    j = 0;
                } else {
                    ++j;
                }
            }
            operands[static_cast<size_t>(i)] = v;
            operators[static_cast<size_t>(i - 1)] = op;
            chain.Take(op, v);
            if (cuts && i + 1 < n && bounds_.Judge(chain, n - 1 - i) != ChainBounds::Verdict::Open)
                return false;
        }
        return IsAcceptableValue(chain.Value(), settings_.answerRange);
    }

    // Whether the last count, left unfinished, went so slowly that one started now would be
    // left early too: it would start again from the beginning at the same pace, and stop as
    // soon as its least time has passed.
    bool CountTooSlow() const {
        if (lastCountTime_ < kLeastCountTime) return false;
        const std::chrono::duration<double> allowed = (watch_.Deadline() - Clock::now()) / 2;
        return lastCountDone_ * kCountSlack <
               std::chrono::duration<double>(lastCountTime_) / allowed;
    }

    // The exact search: counts the acceptable candidates, then picks the questions still missing
    // by their probabilities. Nothing when it could not finish within the budget or the time
    // left; Refused when it proved that no acceptable question exists.
    std::optional<GenerationOutcome> Exact(uint64_t stepBudget,
                                           Clock::duration timeCap = Clock::duration::max()) {
        const SearchOrder order = OrderFor(settings_);
        std::optional<GenerationOutcome> stop;
        SearchLimits limits;
        limits.stepBudget = stepBudget;
        // The count may use half the time left, so the picking walk has as long again.
        // A count that, by its progress, would take longer than that is left early, so the
        // blind draws keep the time.
        const Clock::time_point countStart = Clock::now();
        const Clock::duration allowed = std::min(timeCap, (watch_.Deadline() - countStart) / 2);
        limits.keepGoing = [&](double done) {
            stop = watch_.Check(Found(), wanted_);
            if (stop) return false;
            const Clock::duration elapsed = Clock::now() - countStart;
            lastCountDone_ = done;
            lastCountTime_ = elapsed;
            if (elapsed >= allowed) return false;
            return elapsed < kLeastCountTime ||
                   done * kCountSlack >= std::chrono::duration<double>(elapsed) /
                                             std::chrono::duration<double>(allowed);
        };
        const SearchTotals totals = CountAcceptable(settings_, limits, order);
        if (stop) return stop;
        if (totals.outcome != SearchOutcome::Finished) return std::nullopt;
        if (totals.count == 0) {
            // A proof, unless a question was found already, which would mean the native
            // arithmetic and the evaluator disagree; then the blind loop goes on.
            if (Found() == 0) return GenerationOutcome::Refused;
            return std::nullopt;
        }
        const int32_t firstFree = order == SearchOrder::Sets ? FirstFreeOperand(settings_) : 0;
        const uint64_t distinct = OrdersOf(totals.count, settings_.operandCount - firstFree);
        if (distinct < static_cast<uint64_t>(wanted_)) result_.distinctQuestions = distinct;

        limits.stepBudget = std::numeric_limits<uint64_t>::max();
        limits.keepGoing = [&](double) {
            stop = watch_.Check(Found(), wanted_);
            return !stop;
        };
        const DrawOdds odds = BlindDrawOdds(settings_);
        const double mostLikely = MostLikelyCandidate(odds, settings_.operandCount);
        Pcg32& source = RandomSource();
        // A candidate the evaluator rejects although the native arithmetic accepted it is
        // dropped; more rounds replace it (and the candidates that rejection turned down), then
        // the blind loop takes over.
        for (int round = 0; round < 12 && Found() != wanted_; ++round) {
            const size_t missing = static_cast<size_t>(wanted_ - Found());
            const size_t proposals =
                order == SearchOrder::Sets ? missing + missing / 2 + 8 : missing;
            std::vector<double> targets(proposals);
            for (double& t : targets) t = UniformUnit(source) * totals.probability;
            std::sort(targets.begin(), targets.end());
            std::vector<ExactCandidate> picks;
            picks.reserve(proposals);
            const SearchTotals walk = PickAcceptable(settings_, limits, targets, picks, order);
            if (stop) return stop;
            if (walk.outcome != SearchOutcome::Finished) return std::nullopt;
            // The walk hands its picks over in the order of the search; shuffled, they are
            // independent draws in the order of acceptance.
            Shuffle(source, picks.begin(), picks.end());
            for (ExactCandidate& pick : picks) {
                if (Found() == wanted_) break;
                if (order == SearchOrder::Sets) {
                    // A set stands for all orders of its free operands, each equally likely
                    // here; accepting an order with probability p / mostLikely turns that into
                    // the blind draw's probability p.
                    Shuffle(source, pick.operands.begin() + firstFree, pick.operands.end());
                    const double p = BlindProbability(odds, pick.operands, pick.operators);
                    if (UniformUnit(source) * mostLikely >= p) continue;
                }
                Offer(CandidateText(pick.operands, pick.operators));
            }
        }
        if (Found() == wanted_) return GenerationOutcome::Complete;
        return std::nullopt;
    }

    // count × k!, or the largest number when that overflows.
    static uint64_t OrdersOf(uint64_t count, int32_t k) {
        for (int32_t f = 2; f <= k; ++f) {
            if (count > std::numeric_limits<uint64_t>::max() / static_cast<uint64_t>(f))
                return std::numeric_limits<uint64_t>::max();
            count *= static_cast<uint64_t>(f);
        }
        return count;
    }

    // A uniform draw from [0, 1) with 53 random bits.
    static double UniformUnit(Pcg32& source) {
        const uint64_t bits = (static_cast<uint64_t>(source.Next()) << 21) ^ (source.Next() >> 11);
        return static_cast<double>(bits & ((1ull << 53) - 1)) * 0x1p-53;
    }

    template <typename Iterator>
    static void Shuffle(Pcg32& source, Iterator first, Iterator last) {
        for (auto i = static_cast<size_t>(last - first); i > 1; --i) {
            std::swap(
                first[static_cast<ptrdiff_t>(i - 1)],
                first[static_cast<ptrdiff_t>(UniformBelow(source, static_cast<uint32_t>(i)))]);
        }
    }

    // An unbiased draw from 0 to bound - 1 (Lemire's multiply-and-reject).
    static size_t UniformBelow(Pcg32& source, uint32_t bound) {
        uint64_t m = uint64_t{source.Next()} * bound;
        auto low = static_cast<uint32_t>(m);
        if (low < bound) {
            const uint32_t threshold = (0u - bound) % bound;
            while (low < threshold) {
                m = uint64_t{source.Next()} * bound;
                low = static_cast<uint32_t>(m);
            }
        }
        return static_cast<size_t>(m >> 32);
    }

    // Draws with the last operand solved for between two looks at the clock: a few tens of
    // microseconds.
    static constexpr uint64_t kSolvedDrawsPerCheck = 128;
    // Such draws in a batch for each block of eight lanes it stands for: a few milliseconds for
    // the largest batch.
    static constexpr uint64_t kSolvedDrawsPerBlock = 2;
    // What such a draw costs, in lane candidates: they replace the lanes where a kept one is
    // that much likelier than a kept lane.
    static constexpr double kSolvedDrawCost = 40;
    // Without the lanes, they replace blind draws when a kept one is this much likelier than a
    // blind candidate's acceptance, or more: a draw costs about as much as this many blind
    // candidates.
    static constexpr double kMostSolvedShare = 1.0 / 8;
    // Solved in the lanes, a draw costs about a lane candidate, and little more where most
    // rests cannot reach the range.
    static constexpr double kMostLaneSolvedShare = 1.0 / 4;
    // The lanes turn down one-term products by their whole values up to this many of them: beyond,
    // the fractions k / j would mark too many of the buckets.
    static constexpr int32_t kMostProductWholes = 100;
    // How long they run before their rate is compared with the plain lanes'.
    static constexpr std::chrono::milliseconds kSolvedLanesTrial{20};
    // Blocks of eight lane candidates between two looks at the clock: some tens of
    // microseconds, and hits enough for any block.
    static constexpr uint64_t kLaneBlocksPerCheck = 4096;
    // The first batch's blocks, doubled batch by batch up to the above.
    static constexpr uint64_t kLeastLaneBlocks = 16;
    // The lanes judge options where at least this share of independent draws has no repeat.
    static constexpr double kLeastDistinctShare = 0.5;
    // Native candidates between two looks at the clock: some tens of microseconds.
    static constexpr uint64_t kNativeCandidatesPerCheck = 1024;
    // Draws from the quotients' candidates between two looks at the clock: a few microseconds.
    static constexpr uint64_t kQuotientDrawsPerCheck = 64;
    // Draws with a pair solved for between two looks at the clock: some tens of microseconds.
    static constexpr uint64_t kPairDrawsPerCheck = 1024;
    // What such a draw costs, in lane candidates, one at a time and eight at a time in the lanes
    // (which turn most down as fast as they judge a rest that solves for the last operand).
    static constexpr double kPairDrawCost = 8;
    static constexpr double kPairLaneCost = 1.5;
    // How long pair draws run before they are weighed against draws solving for three.
    static constexpr std::chrono::milliseconds kPairTrial{60};
    // Draws from the bounded set between two looks at the clock: a microsecond or so each.
    static constexpr uint64_t kBoundedDrawsPerCheck = 256;
    // The bounded set replaces blind draws when it holds at most this share of all tuples.
    static constexpr double kMostBoundedShare = 0.25;
    // ... and its share times the steps of one draw is at most this.
    static constexpr double kMostBoundedShareSteps = 4;

    const WorksheetSettings& settings_;
    Value& value_;
    const GenerationLimits& limits_;
    bool nativeDecides_;
    int32_t wanted_;
    EffortWatch watch_;
    ChainBounds bounds_;
    std::string symbols_;
    GenerationResult result_;
    LaneRandom laneRandom_;
    UnitRandom laneUnits_;
    bool laneRandomSeeded_ = false;
    bool plainBlindDone_ = false;
    // The share of its walk that the last count had done when it last looked, and its time then.
    double lastCountDone_ = 0;
    Clock::duration lastCountTime_{};
    bool solvedLastTried_ = false;
    bool solvedLanesLosing_ = false;
    bool lanePatternsTried_ = false;
    std::optional<LastOperandDraw::LanePatterns> lanePatterns_;
    std::vector<uint64_t> productBuckets_;   // for LaneSetup::productBuckets
    std::vector<uint64_t> fractionBuckets_;  // for LaneSetup::fractionBuckets
    // Time spent in the plain lanes, the lanes they ran, and the share that their kept hits
    // have of the blind acceptance rate's inverse (see LaneSolvedDraws).
    Clock::duration laneTime_{};
    uint64_t laneCount_ = 0;
    double plainLaneShare_ = 1;
    std::optional<double> leastLaneShare_;
    std::optional<LastOperandDraw> solvedLast_;
    bool quotientsTried_ = false;
    std::optional<QuotientDraw> quotients_;
    bool pairDrawTried_ = false;
    std::optional<OperandPairDraw> pairDraw_;
    // Draws solving for three operands, in Automatic runs where they are kept far more often
    // than pairs, and the pairs' trial against them.
    std::optional<OperandPairDraw> tripleDraw_;
    bool pairTrialDone_ = false;
    bool pairsOn_ = false;
    Clock::duration pairTrialTime_{};
    int32_t pairTrialFound_ = 0;
    bool boundedTried_ = false;
    std::optional<BoundedSumDraw> bounded_;
};

template <typename Value>
GenerationResult RunGeneration(const WorksheetSettings& settings, Value&& value,
                               const GenerationLimits& limits, bool nativeDecides) {
    if (std::optional<std::string> refusal = ReasonToRefuse(settings)) {
        GenerationResult result;
        result.outcome = GenerationOutcome::Refused;
        result.reason = std::move(*refusal);
        return result;
    }
    Generation<std::remove_reference_t<Value>> generation(settings, value, limits, nativeDecides);
    return generation.Run();
}

}  // namespace

GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator) {
    return GenerateQuestions(settings, evaluator, GenerationLimits{});
}

GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator, const GenerationLimits& limits) {
    auto value = [&evaluator](const std::string& expression) { return evaluator.Eval(expression); };
    return RunGeneration(settings, value, limits, evaluator.EngineObject()->NativeArithmetic());
}

GenerationResult GenerateQuestions(const WorksheetSettings& settings, const ExpressionValue& value,
                                   const GenerationLimits& limits) {
    return RunGeneration(settings, value, limits, false);
}
