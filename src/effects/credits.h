// The credits screen's one piece of state that outlives a frame.
#pragma once

#include <cstdint>

// The effect time from which the caption line's drift is measured: 0 at program start, set to
// 600 by the first frame in 500 … 549 and to 1500 by the first in 1500 … 1549, never set back.
extern int32_t creditsReset;
