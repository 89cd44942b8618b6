// corvalis --capture: the whole capture from the command line's options to the finished video
// or folder of frames.
#pragma once

#include "shell/options.h"

// Runs the capture the options ask for (captureOut already absolute). Opens a hidden window on
// the display, or on a private Xvfb when there is none; renders the song, then the frames.
// Returns the exit status: 0 done, 1 failed (one line on stderr says why), 130 interrupted.
int runCapture(const Options &options);

// The name of a written frame inside the output folder: frame-NNNNNN.png, the frame number
// counted from the show's start.
std::string frameFileName(long frame);
