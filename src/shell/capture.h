// Frame-exact capture: the show run frame by frame on the virtual clock, from its start, with
// the frames of the chosen span read back and handed on. Encoding lives elsewhere
// (capture_run.cpp and its helpers), so that this part needs neither libpng nor libopenmpt.
#pragma once

#include <atomic>
#include <vector>

// The 48 kHz audio rate of a capture; every frame spans a whole number of its samples.
constexpr int captureSampleRate = 48000;

// Which frames a capture runs and which it writes.
struct CaptureSpan {
    int fps = 50;
    long first = 0;           // first frame written
    long end = 0;             // one past the last frame run (and written)
    std::vector<long> only;   // when not empty: only these frames are written (sorted)
};

// The span of a capture at fps from fromUs up to (not including) toUs of show time: the
// frames whose time falls in that interval. With a list of frames, only those of them that
// fall in it are written, and the run ends after the last.
CaptureSpan captureSpan(int fps, long fromUs, long toUs, const std::vector<long> &only);

// Show time of a frame, in microseconds: frame × 1 000 000 / fps, rounded down.
long frameTimeUs(long frame, int fps);

// The first 48 kHz sample that belongs to the frame.
long frameSample(long frame, int fps);

// True when the capture writes that frame.
bool writesFrame(const CaptureSpan &span, long frame);

// How many frames the capture writes.
long framesWritten(const CaptureSpan &span);

// Takes each written frame: 640×480 RGB bytes, top row first. false stops the capture.
struct FrameSink {
    void *user;
    bool (*take)(void *user, long frame, const unsigned char *rgbTopFirst);
};

// Runs frames 0 … span.end − 1 of the show in the current GL context, which must hold the
// show's state fresh from start-up and its offscreen frame (presentation to the window off).
// The song counts as playing from frame 0, so the timeline plays. Frames that are not written
// are drawn with rasterisation discarded: their state (particles, timeline) advances exactly
// as if they were drawn, and every frame starts by clearing the whole frame anyway. Shows a
// progress bar on stderr. false when the sink refused a frame or stop was set.
bool runCaptureFrames(const CaptureSpan &span, FrameSink sink, const std::atomic<bool> *stop);
