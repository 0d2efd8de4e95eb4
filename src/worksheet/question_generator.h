#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "worksheet/worksheet_settings.h"

class ExpressionEvaluator;

// --- Random draws -------------------------------------------------------------------------------

// Seeds the random source of the calling thread. Each thread's source is otherwise seeded once,
// from std::random_device, on its first draw.
void SeedRandomSource(uint32_t seed);

// One draw from low to high. 32 bits of a PCG32 generator go through the linear
// congruential step x = t * 214013 + 2531011 (mod 2^32), of which bits 16 to 30 give r from 0 to
// 32767; the result is low + r mod (high - low + 1), computed on unsigned 32-bit numbers, with
// high 0 standing for 2147483647. So no draw exceeds low + 32767, and a high below low wraps to
// a wide range (RandomInRange(1, -5) lies between 1 and 32768).
int32_t RandomInRange(int32_t low, int32_t high);

// n pairwise distinct values, each drawn with RandomInRange(low, high): a value equal to one
// already drawn is drawn again. Empty when n is below 1 or the range holds fewer than n values.
std::vector<int32_t> DrawDistinctOperands(int32_t n, int32_t low, int32_t high);
// The same into `operands`, reusing its storage.
void DrawDistinctOperands(int32_t n, int32_t low, int32_t high, std::vector<int32_t>& operands);

// How many distinct values RandomInRange(low, high) can give.
uint32_t DistinctValuesInRange(int32_t low, int32_t high);

// One element of the list, drawn with RandomInRange(1, size) as its position; empty for an empty
// list.
std::string RandomOperator(const std::vector<std::string>& operators);

// --- Generation ---------------------------------------------------------------------------------

// Whether an answer text passes the acceptance tests: a whole number written as plain decimal
// digits (with "-" when negative), below `answerRange` and not negative. Values are compared by
// their true size however long the text is; a fraction ("3.5") and texts such as "1e+21",
// "1e-10", "Infinity" or "NaN" are not whole numbers written out and are rejected.
bool IsAcceptableAnswer(std::string_view answer, int32_t answerRange);

enum class GenerationOutcome {
    Complete,   // every question asked for was found
    Refused,    // the options cannot give a question; nothing was tried
    TooStrict,  // the effort ran out before enough questions were found
    Cancelled,  // the progress callback asked to stop
};

struct GenerationResult {
    GenerationOutcome outcome = GenerationOutcome::Refused;
    // The accepted questions in the order of acceptance; complete only when outcome is Complete.
    std::vector<Question> questions;
    // For the user, in Chinese: why the options were refused or are too strict. Empty when
    // complete.
    std::string reason;
    // How many candidate questions were drawn and judged, natively or by the evaluator.
    uint64_t candidates = 0;
    // How many different acceptable questions the options admit, set when that is known to be
    // fewer than the questions asked for: the sheet then repeats some of them.
    std::optional<uint64_t> distinctQuestions;
};

// The effort the main window allows one run.
inline constexpr std::chrono::milliseconds kDefaultGenerationBudget{2500};

// How a run finds its questions. Both ways give every acceptable question with the probability
// that the blind draw gives it.
enum class CandidateSearch {
    // A quick exact look first, then blind draws, then the exact search with the rest of the
    // time, then blind draws again: the default.
    Automatic,
    // Only blind draws, as many as the time allows.
    BlindOnly,
    // Only the exact search: every acceptable candidate is visited, weighted with its
    // probability under the blind draw, and the questions are sampled from them.
    ExactOnly,
    // Only draws from a set that provably holds every acceptable candidate (see BoundedSumDraw),
    // as many as the time allows; blind draws where the options allow no such set. Automatic
    // runs use such a set, when it is small, in place of their later blind draws.
    BoundedSums,
    // Only draws whose last operand is solved for (see LastOperandDraw), as many as the time
    // allows. Automatic runs use them in place of their later blind draws when the answer range
    // is small against the number range.
    SolvedLast,
    // Only draws whose pair of operands of one kind is solved for (see OperandPairDraw), as many
    // as the time allows; blind draws where the options allow none. Automatic runs use them in
    // place of their later blind draws where they are kept far more often than the others.
    SolvedPairs,
    // For "/" alone, only draws from every acceptable candidate at once (see QuotientDraw);
    // blind draws for other operators. Automatic runs use them once the first exact look has
    // not decided the options.
    DivisorSets,
};

// How the blind loop judges candidates when it computes natively.
enum class BlindLanes {
    // Eight candidates at once where independent draws seldom repeat an operand; one at a time,
    // drawn again on a repeat, elsewhere.
    WhereWorthwhile,
    // Always one at a time.
    Never,
    // Eight at once wherever the lanes can judge the options.
    Always,
    // The same with the portable kernel, as on processors without AVX-512.
    AlwaysPortable,
};

struct GenerationLimits {
    // The run gives up, as too strict, when this much time has passed.
    std::chrono::milliseconds timeBudget = kDefaultGenerationBudget;
    // How often onProgress is called while the run goes on.
    std::chrono::milliseconds progressInterval{40};
    // Called with the questions found so far and the number wanted; returning false cancels.
    std::function<bool(int32_t found, int32_t wanted)> onProgress;
    CandidateSearch search = CandidateSearch::Automatic;
    BlindLanes lanes = BlindLanes::WhereWorthwhile;
    // Operator patterns (the gap operators, such as "+*/") whose last operand the draws that
    // solve for it draw blind all the same; none by default. For comparing the two ways on
    // options small enough to check.
    std::function<bool(const std::string& operators)> drawLastBlind;
    // Operator patterns whose first operand the draws taken one at a time solve for where it
    // resolves; by default those whose last operand cannot be solved for. For comparing the
    // ways on options small enough to check.
    std::function<bool(const std::string& operators)> solveFirst;
    // How many operands of one kind the draws of one-term chains solve for together: 2 or 3,
    // or 0 for three where they are kept much more often. For comparing the ways on options
    // small enough to check.
    int32_t solvedTogether = 0;
    // How long the lanes run alone before a helper thread draws every other batch of them,
    // where the processor has a second core. The questions are distributed the same either way.
    std::chrono::milliseconds laneHelperDelay{10};
};

// Anything that turns an expression text into its value text, as ExpressionEvaluator::Eval does.
using ExpressionValue = std::function<std::string(const std::string& expression)>;

// Finds settings.questionCount acceptable questions, or the kSheetQuestionSlots (100) that a
// sheet places when more are asked for: the operands are pairwise distinct numbers from 1 to
// settings.numberRange, and each gap between them gets an operator drawn from
// settings.operators. The questions are independent, each distributed as the blind draw of
// candidates until one is accepted would give it, and each has passed the acceptance tests on the
// value text that the evaluator gives for it. Options that cannot give a question are refused,
// as soon as a simple bound or the exact search proves it; otherwise the run stops when the
// limits say so. With the evaluator, blind candidates are judged natively in double precision and
// only those accepted are evaluated (unless its engine's native arithmetic is off); a value
// function is asked about every blind candidate.
GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator);
GenerationResult GenerateQuestions(const WorksheetSettings& settings,
                                   ExpressionEvaluator& evaluator, const GenerationLimits& limits);
GenerationResult GenerateQuestions(const WorksheetSettings& settings, const ExpressionValue& value,
                                   const GenerationLimits& limits = {});
