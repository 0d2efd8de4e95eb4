#include "worksheet/lane_draw.h"

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

uint64_t DrawLaneBlocks(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
                        size_t room, size_t& found, LaneKernel kernel) {
    if (kernel == LaneKernel::Best && WideLanesAvailable())
        return lanes_wide::Run(setup, random, blocks, hits, room, found);
    return lanes_portable::Run(setup, random, blocks, hits, room, found);
}
