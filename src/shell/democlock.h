// The demo clock: centiseconds since the last reset, the single time base of the show.
#pragma once

// Clock operations selected by getTimeWithStatus's mode.
constexpr int clockReset = 1;   // start counting from 0 now
constexpr int clockPause = 2;   // remember this moment as the pause moment
constexpr int clockResume = 3;  // cut the time since the pause moment out of the count

// Applies the mode (reset, pause, resume, anything else reads) and returns the elapsed
// centiseconds as they stand afterwards.
int getTimeWithStatus(int mode);

// The elapsed centiseconds; the same as getTimeWithStatus(-1).
int getTime();
