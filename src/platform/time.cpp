// Monotonic time of day with a settable virtual clock beside it.
#include "platform/time.h"

#include <ctime>

namespace {
bool virtualOn = false;
TimeOfDay virtualNow = {0, 0};

TimeOfDay normalised(long sec, long usec) {
    sec += usec / 1000000;
    usec %= 1000000;
    if (usec < 0) {
        usec += 1000000;
        sec -= 1;
    }
    return TimeOfDay{sec, usec};
}
}  // namespace

TimeOfDay timeOfDay() {
    if (virtualOn) return virtualNow;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return TimeOfDay{static_cast<long>(ts.tv_sec), static_cast<long>(ts.tv_nsec / 1000)};
}

void useVirtualClock(bool on) { virtualOn = on; }

void setVirtualTime(long sec, long usec) { virtualNow = normalised(sec, usec); }

void advanceVirtualTime(long usec) { virtualNow = normalised(virtualNow.sec, virtualNow.usec + usec); }

void sleepMicroseconds(long usec) {
    if (usec <= 0) return;
    timespec ts{usec / 1000000, (usec % 1000000) * 1000};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
