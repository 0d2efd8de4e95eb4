// The lane kernel for any processor.

#include "worksheet/lane_draw.h"

#define LANE_NAMESPACE lanes_portable
#include "worksheet/lane_draw_body.inc"
#include "worksheet/pair_lanes_body.inc"
