#include "worksheet/question_generator.h"

#include <charconv>
#include <limits>
#include <random>

#include "worksheet/expression_evaluator.h"
#include "worksheet/option_check.h"
#include "worksheet/text_buffer.h"

namespace {

// Each thread draws from its own generator, seeded once from the system's entropy source.
std::mt19937& RandomSource() {
    thread_local std::mt19937 source{std::random_device{}()};
    return source;
}

// The range width RandomInRange works with; 0 stands for 2^32.
uint32_t RangeWidth(int32_t low, int32_t high) {
    if (high == 0) high = std::numeric_limits<int32_t>::max();
    return static_cast<uint32_t>(high) - static_cast<uint32_t>(low) + 1u;
}

const std::string& PickOperator(const std::vector<std::string>& operators) {
    const int32_t position = RandomInRange(1, static_cast<int32_t>(operators.size()));
    return operators[static_cast<size_t>(position - 1)];
}

// Fills the buffer with the operands in decimal, "|" between them: 12|7|30.
void WriteOperandTemplate(const std::vector<int32_t>& operands, TextBuffer& buffer) {
    for (size_t i = 0; i < operands.size(); ++i) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, operands[i]);
        buffer.Append(std::string_view(digits, static_cast<size_t>(written.ptr - digits)));
        if (i + 1 < operands.size()) buffer.Append("|");
    }
}

// Puts an operator of its own in place of each "|", from left to right.
void FillOperatorGaps(std::string& expression, const std::vector<std::string>& operators) {
    size_t gap = 0;
    while ((gap = expression.find('|', gap)) != std::string::npos) {
        const std::string& symbol = PickOperator(operators);
        expression.replace(gap, 1, symbol);
        gap += symbol.size();
    }
}

Question MakeQuestion(const std::string& expression, std::string answer) {
    Question question;
    question.expression = expression;
    question.prompt = expression + "=";
    question.equation = question.prompt + answer;
    question.answer = std::move(answer);
    return question;
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

// Candidates between two looks at the clock: few enough that even slow script evaluation
// notices the budget within a millisecond or so.
constexpr uint64_t kCandidatesPerCheck = 8;

}  // namespace

void SeedRandomSource(uint32_t seed) {
    RandomSource().seed(seed);
}

int32_t RandomInRange(int32_t low, int32_t high) {
    const uint32_t t = static_cast<uint32_t>(RandomSource()());
    const uint32_t x = t * 214013u + 2531011u;
    const uint32_t r = (x >> 16) & 32767u;
    const uint32_t width = RangeWidth(low, high);
    // A width of 0 is the whole 32-bit range, in which r itself is the offset.
    const uint32_t offset = width == 0 ? r : r % width;
    return static_cast<int32_t>(static_cast<uint32_t>(low) + offset);
}

uint32_t DistinctValuesInRange(int32_t low, int32_t high) {
    const uint32_t width = RangeWidth(low, high);
    return (width == 0 || width > 32768u) ? 32768u : width;
}

void DrawDistinctOperands(int32_t n, int32_t low, int32_t high, std::vector<int32_t>& operands) {
    operands.clear();
    // Asking for more distinct values than the range holds would never end.
    if (n < 1 || static_cast<uint32_t>(n) > DistinctValuesInRange(low, high)) return;
    for (int32_t position = 0; position < n; ++position) {
        int32_t value = RandomInRange(low, high);
        for (size_t i = 0; i < operands.size();) {
            if (operands[i] == value) {
                value = RandomInRange(low, high);
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
    return PickOperator(operators);
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

GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator) {
    return GenerateQuestions(settings, evaluator, GenerationLimits{});
}

GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator, const GenerationLimits& limits) {
    return GenerateQuestions(
        settings,
        [&evaluator](const std::string& expression) { return evaluator.Eval(expression); }, limits);
}

GenerationResult GenerateQuestions(const WorksheetSettings& settings, const ExpressionValue& value,
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
        expression = buffer.Text();
        FillOperatorGaps(expression, settings.operators);
        std::string answer = value(expression);
        ++result.candidates;
        if (IsAcceptableAnswer(answer, settings.answerRange)) {
            result.questions.push_back(MakeQuestion(expression, std::move(answer)));
            ++found;
        }
        buffer.Clear();
    }
    result.outcome = GenerationOutcome::Complete;
    return result;
}
