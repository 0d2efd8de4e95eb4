#include "worksheet/lane_draw.h"

#include <algorithm>
#include <cmath>
#include <numeric>

bool WideLanesAvailable() {
#if defined(PELMORA_WIDE_LANES)
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    }();
    return available;
#else
    return false;
#endif
}

bool SetLaneOperators(const std::string& symbols, LaneSetup& setup) {
    if (symbols.empty() || symbols.size() > 8) return false;
    setup.operatorWidth = static_cast<uint32_t>(symbols.size());
    setup.subtractPositions = setup.multiplyPositions = setup.dividePositions = 0;
    for (uint32_t p = 0; p < setup.operatorWidth; ++p) {
        switch (symbols[p]) {
            case '+':
                break;
            case '-':
                setup.subtractPositions |= 1u << p;
                break;
            case '*':
                setup.multiplyPositions |= 1u << p;
                break;
            case '/':
                setup.dividePositions |= 1u << p;
                break;
            default:
                return false;
        }
    }
    return true;
}

double ProductModulus(uint32_t wholes, double largestOperand) {
    // Beyond 2^40 the kernels' slack for M / t would pass a large share of the lanes.
    constexpr double kMost = 0x1p40;
    uint64_t multiple = 1;
    for (uint64_t j = 2; j <= wholes; ++j) {
        multiple = multiple / std::gcd(multiple, j) * j;
        if (static_cast<double>(multiple) * (largestOperand + 1) > kMost) return 0;
    }
    return static_cast<double>(multiple);
}

uint32_t ProductBucketBits(uint32_t wholes) {
    // Some 0.6 j^2 fractions, two buckets each: up to 16 of them mark 0.5% of 2^16 buckets (8 KB
    // of bits), up to 100 of them 0.6% of 2^20 (128 KB).
    return wholes <= 16 ? 16 : 20;
}

void FillFractionBuckets(uint32_t denominators, double margin, uint32_t bits, uint64_t* words) {
    const uint64_t buckets = uint64_t{1} << bits;
    std::fill(words, words + buckets / 64, uint64_t{0});
    const auto bucketOf = [&](double fraction) {
        const double at = std::clamp(fraction, 0.0, 1.0) * static_cast<double>(buckets);
        return std::min(static_cast<uint64_t>(at), buckets - 1);
    };
    for (uint32_t j = 1; j <= denominators; ++j) {
        for (uint32_t k = 0; k <= j; ++k) {
            const double fraction = static_cast<double>(k) / j;
            for (uint64_t b = bucketOf(fraction - margin); b <= bucketOf(fraction + margin); ++b)
                words[b / 64] |= uint64_t{1} << (b % 64);
        }
    }
}

void FillProductBuckets(uint32_t wholes, double largestOperand, uint32_t bits, uint64_t* words) {
    // j / t stands within largest * 2^-46 of the kernels' rounded j * (1 / t) wherever it is a
    // whole number up to the largest; the fraction of 1 / t is then within that much of some
    // k / j. Buckets are marked four times as far out.
    FillFractionBuckets(wholes, largestOperand * 0x1p-44, bits, words);
}

bool SetFractionBuckets(LaneSetup& setup, std::vector<uint64_t>& table) {
    // Some 0.3 L^2 fractions, one or two buckets each: a larger table costs the lanes more in
    // cache misses than its fewer marks spare.
    constexpr double kMostBits = 22;
    const double largest = std::max(setup.largestOperand, 1.0);
    const double wanted = std::ceil(std::log2(largest * largest * 4));
    if (wanted > kMostBits + 1) return false;
    const auto bits = static_cast<uint32_t>(std::clamp(wanted, 6.0, kMostBits));
    const double margin = std::ldexp(1.0, -static_cast<int>(bits) - 2);
    if (table.empty()) {
        table.resize((size_t{1} << bits) / 64);
        FillFractionBuckets(static_cast<uint32_t>(largest), margin, bits, table.data());
    }
    setup.fractionBucketBits = bits;
    setup.fractionMargin = margin;
    setup.fractionBuckets = table.data();
    return true;
}

uint64_t DrawLaneBlocks(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
                        size_t room, size_t& found, LaneKernel kernel) {
    if (kernel == LaneKernel::Best && WideLanesAvailable())
        return lanes_wide::Run(setup, random, blocks, hits, room, found);
    return lanes_portable::Run(setup, random, blocks, hits, room, found);
}

int32_t PairWords(const PairLaneSetup& setup) {
    const int32_t operatorDraws = setup.operatorWidth > 2 ? setup.operandCount - 1 : 0;
    return (operatorDraws + setup.operandCount - setup.solved + 3) / 4 + 1;
}

uint64_t DrawPairLaneBlocks(const PairLaneSetup& setup, LaneRandom& random, uint64_t blocks,
                            PairLaneHit* hits, size_t room, size_t& found, LaneKernel kernel) {
    if (kernel == LaneKernel::Best && WideLanesAvailable())
        return lanes_wide::RunPairs(setup, random, blocks, hits, room, found);
    return lanes_portable::RunPairs(setup, random, blocks, hits, room, found);
}
