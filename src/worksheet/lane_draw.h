#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Blind candidates judged eight at a time, one per lane of a wide register.
//
// Each lane draws its operands independently, every one with RandomInRange's odds, and its
// operators one per gap with RandomOperator's odds; the chain is evaluated in double precision
// exactly as the expression evaluator rounds it, and the lane is a hit when the value is a whole
// number from 0 to below answerRange. Lists of only "*" and "/" are judged from two rounded
// products instead, which may add a few hits whose value, rounded gap by gap, is no whole
// number (see solveLast); the caller's evaluation turns those down. Because the operands are not
// redrawn on a repeat, every lane does the same work and no lane waits for another; repeats are
// left for the caller to drop, which costs nothing where hits are rare. The caller turns a hit
// without repeats into the blind draw's odds (see RedrawFactor in candidate_search.h), and has it
// evaluated and tested like any other candidate.
//
// This header is shared with a file compiled for wider registers than the rest of the program,
// so it holds plain data and declarations only.

inline constexpr int32_t kLaneCount = 8;
inline constexpr int32_t kLaneMostOperands = 9;

struct LaneSetup {
    int32_t operandCount = 2;  // 2 to kLaneMostOperands
    // An operand is 1 + (r mod operandWidth) for the 15 random bits r; a width of 0 stands for
    // one beyond 32767, where the operand is 1 + r.
    uint32_t operandWidth = 0;
    // An operator's position in the list is r mod operatorWidth (1 to 8); with a width of 1 no
    // bits are drawn for it, as the blind loop draws none for a single operator.
    uint32_t operatorWidth = 1;
    // Bit p is set when the list's position p holds that operator; a position in none of the
    // three holds "+".
    uint32_t subtractPositions = 0;
    uint32_t multiplyPositions = 0;
    uint32_t dividePositions = 0;
    double answerRange = 0;

    // With "+" and no "-", every term is at least 0, so an acceptable chain's value is at least
    // each single-operand term: such operands lie below answerRange. With `singles` set, the
    // lanes draw the operators first, gap by gap, and the operands of single terms as
    // 1 + (r mod singleWidth); the caller corrects the odds (see SingleTermProposal).
    bool singles = false;
    uint32_t singleWidth = 0;
    // Gap g is "+" when 16 random bits fall below this bound, after a "+" (or at the start) and
    // after another operator.
    uint64_t closeAfterClose[kLaneMostOperands - 1] = {};
    uint64_t closeAfterGrow[kLaneMostOperands - 1] = {};
    // The list position of "+", and those of the other operators (at most three), of which one
    // is r mod growWidth.
    uint32_t closePosition = 0;
    uint32_t growWidth = 1;
    uint32_t growPositions[3] = {};

    // With `solveLast` set, the last operand is left open and a lane is a hit when the value
    // with the last operand at 1 or at largestOperand, or between, can lie in range, and, where
    // the chain is one term t ending in "/", t lies within t * 2^-50 of a whole number (else no
    // t / x rounds to a whole one); the caller then solves for the last operand (see
    // LastOperandDraw::CompleteRest). Not with `singles`. Where every operator is "*" or "/",
    // the kernels judge t from two rounded products, with the tests widened to match, so their
    // hits are a few more than these tests alone would give, and never fewer.
    bool solveLast = false;
    double largestOperand = 0;
    // With `productWholes` W above 0 (answerRange - 1, up to 100), a one-term chain
    // t ending in "*" is a hit only when some j from 1 to W puts j / t within a hair of a whole
    // number: only there can t * x round to j for a whole x.
    uint32_t productWholes = 0;
    // With `productBuckets` beside it (see FillProductBuckets), such a chain is judged first by
    // the fraction of 1 / t alone, one bit per bucket of 2^-productBucketBits: j / t lies near a
    // whole number only where that fraction lies near some k / j. The test of each j then runs
    // only in blocks where some lane passes.
    const uint64_t* productBuckets = nullptr;
    uint32_t productBucketBits = 0;
    // Or, with `productModulus` M above 0 (a multiple of every j up to productWholes, and M
    // times largestOperand at most 2^40), by M / t alone, which must lie near a whole number.
    double productModulus = 0;
    // With `keepScale` C above 0, a lane whose last operand is left open is a hit only when the
    // whole values from 0 to below answerRange that its range spans number at least
    // C * r / 32768, r being the 15 random bits its last operand would have come from; the hit
    // then holds r in place of that operand, for the caller's keep (see
    // LastOperandDraw::CompleteRest).
    double keepScale = 0;
    // With `sumWholes` W above 0 (up to kMostSumWholes), in lists with "/", a lane whose last
    // operand x is left open after "*" or "/" in a term that follows a sum s, and whose range
    // spans at most W whole values from 0 to below answerRange, is a hit only when one of them,
    // j, puts (j - s) / t or t / (j - s) within reach of a whole number from 1 to
    // largestOperand (t being the term before x, with its sign): only there can s + t * x or
    // s + t / x round to j.
    uint32_t sumWholes = 0;
    // With `wholeTermSums` set, in lists with "/", a lane whose last operand x follows "*" in a
    // term after a sum s is a hit only where u * s lies near a whole number, u being the product
    // of the term's divisors (1 in a term of products alone): s + t * x rounds to a whole j only
    // where s lies near j - t * x, and u times that is the whole number u * j - p * x for
    // t = p / u. Near means within answerRange * 2^-51 where u is 1 (t * x is then whole however
    // it rounds), and within the rounding of s and of t * x, times u, otherwise.
    bool wholeTermSums = false;
    // With `fractionBuckets` set (see FillFractionBuckets), a lane whose last operand x follows
    // "/" in a term after a sum s is a hit only where the fraction of u * |s| lies in a marked
    // bucket, u being the product of the term's divisors: s + t / x rounds to a whole j only
    // where u * s lies near (u * x * j - p) / x for t = p / u, a fraction whose denominator is
    // at most the largest operand. Near means within the rounding of s and of t / x, times u;
    // lanes where that exceeds half of `fractionMargin`, the margin the buckets were marked
    // with, pass unjudged.
    const uint64_t* fractionBuckets = nullptr;
    uint32_t fractionBucketBits = 0;
    double fractionMargin = 0;

    // With `patternColumns` set (and `solveLast`), each lane draws its operators as one pattern
    // from a Walker alias table of 2^patternColumnBits columns: the low bits of a 64-bit random
    // word pick the column, and its top 24 bits are compared with the column's threshold (bits
    // 0 to 23) to choose between the column's own pattern (bits 24 to 43) and its alias (bits
    // 44 to 63). A pattern holds two bits per gap, the gap's operator as a position in the
    // lists of the masks above; bits 18 and 19, which of `patternKeepScales` its lanes take in
    // place of keepScale; bit 16, set when the last operand is solved for: such a lane is
    // a hit as with `solveLast`; and bit 17, set when the first operand is solved for instead
    // (see LastOperandDraw::CompleteFirst): such a lane holds 0 as its first operand, and is a
    // hit when the chain's value r with that 0 lies below answerRange and, where the first term
    // has no "/" (so that it is a whole multiple of its first operand), within firstSlack of a
    // whole number. Any other lane is a hit when its whole chain is acceptable.
    // With `singleWidth` above 0 there, operands that are terms of their own (in lists without
    // "-") are drawn as 1 + (r mod singleWidth).
    const uint64_t* patternColumns = nullptr;
    uint32_t patternColumnBits = 0;
    double firstSlack = 0;
    double patternKeepScales[4] = {};
};

// The most whole values for which the lanes try the last operand of a term after a sum.
constexpr uint32_t kMostSumWholes = 16;

// The random state of the eight lanes: a SplitMix64 sequence each.
struct LaneRandom {
    uint64_t state[kLaneCount] = {};
};

// One lane's hit: its operands and, per gap, the list position of its operator.
struct LaneHit {
    int32_t operands[kLaneMostOperands] = {};
    uint8_t positions[kLaneMostOperands - 1] = {};
};

// Proposals that solve for two or three operands of one kind (see OperandPairDraw), judged eight
// at a time up to the point where most are turned down: each lane takes PairWords 64-bit random
// words of its SplitMix64 sequence a proposal, draws from them the gaps' operators (15 bits each,
// four to a word, where the list has more than two) and then the rest's operands, and takes its
// last word for the whole value j and the level (its top 53 bits) and, where the list has two
// operators, for the gaps' operators too (bit g for gap g: a 15-bit r mod 2 is its low bit). A lane
// is a hit when some product of the solved operands could give j; the caller then completes its
// proposal from the same words.
inline constexpr int32_t kMostPairWords = 5;

struct PairLaneSetup {
    int32_t operandCount = 3;  // 3 to kLaneMostOperands
    uint32_t operatorWidth = 1;
    uint32_t dividingPositions = 0;  // bit p set where the list's position p is "/"
    uint32_t operandWidth = 1;       // an operand is 1 + (r mod operandWidth), up to 32768
    // Per pattern (bit g set where gap g divides): bit i set where the rest's operand i is a
    // factor, and bit 8 where the pair is one of divisors.
    const uint64_t* patterns = nullptr;
    double wholes = 1;        // W: j runs from 1 to W
    int32_t solved = 2;       // the operands solved for together: 2, or 3 where operandCount >= 5
    double leastProduct = 2;  // the least and the largest product of the solved operands
    double mostProduct = 2;
    // How near a whole number, relative to it, the product that could give j must come.
    double nearness = 0x1p-45;
};

// How many random words one pair proposal takes.
int32_t PairWords(const PairLaneSetup& setup);

struct PairLaneHit {
    uint64_t words[kMostPairWords] = {};
};

// Which code runs the lanes.
enum class LaneKernel {
    Best,      // the wide one where the processor has AVX-512, the portable one elsewhere
    Portable,  // the same arithmetic in code for any processor
};

// M for `productModulus` with up to `wholes` whole values and operands up to `largestOperand`:
// the least common multiple of 1 to `wholes`, or 0 where it is too large.
double ProductModulus(uint32_t wholes, double largestOperand);

// The buckets' bits for `productBuckets` with up to `wholes` whole values: enough that few
// buckets are marked, few enough to stay in a fast cache.
uint32_t ProductBucketBits(uint32_t wholes);

// Fills `words` (2^bits / 64 of them) for `productBuckets`: a bucket's bit is set when it lies
// near a fraction k / j with j from 1 to `wholes`, near enough for every rounding that the
// kernels allow operands up to `largestOperand`.
void FillProductBuckets(uint32_t wholes, double largestOperand, uint32_t bits, uint64_t* words);

// Fills `words` (2^bits / 64 of them): a bucket's bit is set when it lies within `margin` of a
// fraction k / j from 0 to 1 with j from 1 to `denominators`.
void FillFractionBuckets(uint32_t denominators, double margin, uint32_t bits, uint64_t* words);

// Sets `fractionBuckets` and the fields beside it for the setup's largestOperand, filling `table`
// first where it is empty (so that a caller can keep one table for many setups): a margin of a
// quarter of a bucket, and enough buckets that about one in ten is marked, at most 2^22 (512 KB
// of bits). False, and the setup left as it was, where even those would mark too many.
bool SetFractionBuckets(LaneSetup& setup, std::vector<uint64_t>& table);

// Sets the operator width and the masks for an operator list with these symbols, one a
// position; false when the list is empty, longer than 8 or holds a symbol other than + - * /.
bool SetLaneOperators(const std::string& symbols, LaneSetup& setup);

// Whether the processor runs the wide kernel.
bool WideLanesAvailable();

// Runs blocks of eight candidates until `blocks` have run or fewer than kLaneCount hits have
// room left in `hits` (of `room` entries); stores the hits and returns the blocks run. The same
// setup, random state and kernel always give the same hits.
uint64_t DrawLaneBlocks(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
                        size_t room, size_t& found, LaneKernel kernel = LaneKernel::Best);

// The same for pair proposals: blocks of eight until `blocks` have run or fewer than kLaneCount
// hits have room left; stores the hits' words and returns the blocks run.
uint64_t DrawPairLaneBlocks(const PairLaneSetup& setup, LaneRandom& random, uint64_t blocks,
                            PairLaneHit* hits, size_t room, size_t& found,
                            LaneKernel kernel = LaneKernel::Best);

// The kernels themselves; DrawLaneBlocks and DrawPairLaneBlocks choose between them.
namespace lanes_portable {
uint64_t Run(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
             size_t room, size_t& found);
uint64_t RunPairs(const PairLaneSetup& setup, LaneRandom& random, uint64_t blocks,
                  PairLaneHit* hits, size_t room, size_t& found);
}  // namespace lanes_portable
namespace lanes_wide {
uint64_t Run(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
             size_t room, size_t& found);
uint64_t RunPairs(const PairLaneSetup& setup, LaneRandom& random, uint64_t blocks,
                  PairLaneHit* hits, size_t room, size_t& found);
}  // namespace lanes_wide
