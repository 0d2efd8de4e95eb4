// The lane kernel for processors with AVX-512; this file alone is compiled for them (see the
// worksheet library's build file), and it runs only where WideLanesAvailable() holds.

#include "worksheet/lane_draw.h"

#if defined(PELMORA_WIDE_LANES)
#include <immintrin.h>
#define LANE_NAMESPACE lanes_wide
#include "worksheet/lane_draw_body.inc"
#include "worksheet/pair_lanes_body.inc"
#else
namespace lanes_wide {
uint64_t Run(const LaneSetup& setup, LaneRandom& random, uint64_t blocks, LaneHit* hits,
             size_t room, size_t& found) {
    return lanes_portable::Run(setup, random, blocks, hits, room, found);
}
uint64_t RunPairs(const PairLaneSetup& setup, LaneRandom& random, uint64_t blocks,
                  PairLaneHit* hits, size_t room, size_t& found) {
    return lanes_portable::RunPairs(setup, random, blocks, hits, room, found);
}
}  // namespace lanes_wide
#endif
