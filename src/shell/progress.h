// The progress bar of a long run (capture) on stderr: one line, rewritten in place.
#pragma once

#include <string>

// The line for done of total frames after the given seconds: bar, percentage, frames,
// frames per second and the time left, e.g. "[#####-----]  50%  500/1000 frames  250.0 fps  0:02 left".
std::string progressLine(long done, long total, double seconds);

struct Progress {
    long total = 0;
    double started = 0;     // steady seconds
    double lastShown = -1;  // steady seconds of the last line written
};

// Starts a progress bar for total frames.
Progress startProgress(long total);

// Rewrites the line on stderr, at most a few times a second, and always for the last frame
// (then followed by a newline).
void showProgress(Progress &progress, long done);

// Steady seconds, for measuring runs.
double steadySeconds();
