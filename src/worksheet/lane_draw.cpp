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

uint64_t DrawLaneBlocks(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
                        size_t room, size_t& found, LaneKernel kernel) {
    if (kernel == LaneKernel::Best && WideLanesAvailable())
        return lanes_wide::Run(setup, random, blocks, hits, room, found);
    return lanes_portable::Run(setup, random, blocks, hits, room, found);
}
