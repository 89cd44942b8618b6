// The demo clock. Seconds and centiseconds of the start and pause moments are kept apart and
// subtracted separately, never normalised: the elapsed value is a plain linear sum, so a
// start moment whose centisecond part strays outside 0 … 99 after a resume is still right.
#include "shell/democlock.h"

#include <cstdint>

#include "platform/time.h"

namespace {
int32_t startSec = 0;
int32_t startUSec = 0;  // centiseconds, despite the name
int32_t pauseSec = 0;
int32_t pauseUSec = 0;

// 32-bit wrap-around arithmetic, done unsigned so that it is defined behaviour.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
}  // namespace

int getTimeWithStatus(int mode) {
    TimeOfDay now = timeOfDay();
    int32_t s = wrap(now.sec);
    int32_t h = static_cast<int32_t>(static_cast<unsigned long>(now.usec) / 10000u);
    switch (mode) {
        case clockReset:
            startSec = s;
            startUSec = h;
            break;
        case clockPause:
            pauseSec = s;
            pauseUSec = h;
            break;
        case clockResume:
            startSec = wrap(int64_t(startSec) + s - pauseSec);
            startUSec = wrap(int64_t(startUSec) + h - pauseUSec);
            break;
        default:
            break;
    }
    return wrap((int64_t(s) - startSec) * 100 + (int64_t(h) - startUSec));
}

int getTime() { return getTimeWithStatus(-1); }
