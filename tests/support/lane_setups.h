#pragma once

// Lane kernel setups and random states as the lane tests write them. Include it as
// "../support/lane_setups.h".

#include <cstdint>
#include <string>

#include "worksheet/lane_draw.h"

namespace test_support {

// Plain lanes for n operands from 1 + (r mod operandWidth) and this operator list, one symbol a
// position.
inline LaneSetup LaneSetupFor(int32_t operandCount, uint32_t operandWidth,
                              const std::string& operators, double answerRange) {
    LaneSetup setup;
    setup.operandCount = operandCount;
    setup.operandWidth = operandWidth;
    SetLaneOperators(operators, setup);
    setup.answerRange = answerRange;
    return setup;
}

// Eight lane states from one seed.
inline LaneRandom SeededLanes(uint64_t seed) {
    LaneRandom random;
    for (uint64_t& state : random.state) state = seed = seed * 6364136223846793005ull + 1;
    return random;
}

}  // namespace test_support
