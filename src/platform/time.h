// The time of day the demo clock reads: monotonic seconds and microseconds, or a virtual
// clock that tests and frame-exact capture set by hand.
#pragma once

struct TimeOfDay {
    long sec;   // whole seconds
    long usec;  // 0 … 999999
};

// The current moment: CLOCK_MONOTONIC, or the virtual clock while it is in use.
TimeOfDay timeOfDay();

// Switches every later timeOfDay() to the virtual clock (true) or back to the real one.
void useVirtualClock(bool on);

// Sets the virtual clock; usec may be any value and is carried into seconds.
void setVirtualTime(long sec, long usec);

// Moves the virtual clock forward by the given microseconds.
void advanceVirtualTime(long usec);

// Sleeps the calling thread for the given microseconds of real time.
void sleepMicroseconds(long usec);
