#include "worksheet/question_generator.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <limits>
#include <optional>
#include <random>

#include "worksheet/expression_evaluator.h"
#include "worksheet/option_check.h"
#include "worksheet/text_buffer.h"

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
        const uint32_t r = (x >> 16) & 32767u;
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

// Appends the accepted question, building its texts in place.
void AddQuestion(std::vector<Question>& questions, const std::string& expression,
                 std::string&& answer) {
    Question& question = questions.emplace_back();
    question.expression = expression;
    question.prompt.reserve(expression.size() + 1);
    question.prompt.append(expression).push_back('=');
    question.equation.reserve(question.prompt.size() + answer.size());
    question.equation.append(question.prompt).append(answer);
    question.answer = std::move(answer);
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

// The candidate loop, for any callable that gives the value text of an expression; a template so
// that the evaluator's call costs no indirection.
template <typename Value>
GenerationResult RunGeneration(const WorksheetSettings& settings, Value&& value,
                               const GenerationLimits& limits) {
    GenerationResult result;
    if (std::optional<std::string> refusal = ReasonToRefuse(settings)) {
        result.outcome = GenerationOutcome::Refused;
        result.reason = std::move(*refusal);
        return result;
    }

    const int32_t wanted = settings.questionCount;
    result.questions.reserve(static_cast<size_t>(std::min(wanted, 1000)));
    TextBuffer buffer;
    std::vector<int32_t> operands;
    operands.reserve(static_cast<size_t>(settings.operandCount));
    std::string expression;
    EffortWatch watch(limits);

    int32_t found = 0;
    while (found != wanted) {
        if (result.candidates % kCandidatesPerCheck == 0) {
            if (const std::optional<GenerationOutcome> stop = watch.Check(found, wanted)) {
                result.outcome = *stop;
                result.reason =
                    *stop == GenerationOutcome::Cancelled
                        ? "出题已取消。"
                        : TooStrictReason(settings, found, result.candidates, watch.Elapsed());
                return result;
            }
        }
        DrawDistinctOperands(settings.operandCount, 1, settings.numberRange, operands);
        WriteOperandTemplate(operands, buffer);
        expression.assign(buffer.Text());
        FillOperatorGaps(expression, settings.operators);
        std::string answer = value(expression);
        ++result.candidates;
        if (IsAcceptableAnswer(answer, settings.answerRange)) {
            AddQuestion(result.questions, expression, std::move(answer));
            ++found;
        }
        buffer.Clear();
    }
    result.outcome = GenerationOutcome::Complete;
    return result;
}

}  // namespace

GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator) {
    return GenerateQuestions(settings, evaluator, GenerationLimits{});
}

GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator, const GenerationLimits& limits) {
    return RunGeneration(
        settings,
        [&evaluator](const std::string& expression) { return evaluator.Eval(expression); }, limits);
}

GenerationResult GenerateQuestions(const WorksheetSettings& settings, const ExpressionValue& value,
                                   const GenerationLimits& limits) {
    return RunGeneration(settings, value, limits);
}
